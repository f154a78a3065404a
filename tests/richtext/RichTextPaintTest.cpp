// Painting walks: the window of pages, selection carried from part to part, spelling bits, page
// headers with live page numbers, and, over random documents, paragraphs painted exactly where
// the layout walk puts them.
#include "PaintTestUtil.h"

#include <gtest/gtest.h>

#include <random>

using namespace QelTest;

namespace {

std::string B(int cx, int cy) { return QtfBox(cx, cy); }

// Records what a tracer sees of the outermost paragraphs (those outside tables), and which box
// each one drew on which page.
struct ParaTracer : RichPaintTracer {
	RecordingPageDraw* pw = nullptr;
	int depth = 0;
	std::vector<PartSpan> paras;
	std::vector<std::vector<int>> box_pages;
	std::map<int, size_t> marks;

	void ParagraphBegin(const Rect&, PagePos at, const RichPara&) override
	{
		if(depth)
			return;
		paras.push_back({at, at});
		marks.clear();
		for(const auto& [p, d] : pw->pages)
			marks[p] = d->calls.size();
	}
	void ParagraphEnd(PagePos at) override
	{
		if(depth)
			return;
		paras.back().end = at;
		std::vector<int>& bp = box_pages.emplace_back();
		for(const auto& [p, d] : pw->pages)
			for(size_t i = marks.count(p) ? marks[p] : 0; i < d->calls.size(); i++)
				if(d->calls[i].compare(0, 7, "Clipoff") == 0)
					bp.push_back(p);
	}
	void TableBegin(const Rect&, PagePos, const RichTable&) override { depth++; }
	void TableEnd(PagePos) override { depth--; }
};

} // namespace

TEST(RichTextPaint, WindowAndSelectionFromPartToPart)
{
	RichText doc = ParseQtf(("[ " + B(100, 100) + B(100, 100) + B(100, 100) + "&][ " + B(100, 100) + B(100, 100) + "]").c_str());
	RichPaintInfo pi;
	pi.window_bottom = PagePos(0, 0); // ends above the first part: nothing, and the walk stays
	RecordingPageDraw none;
	RichPageContext rc = doc.MakeContext(Rect(0, 0, 1000, 1000), PagePos(0, 0));
	doc.RichTxt::Paint(none, rc, pi);
	EXPECT_TRUE(none.pages.empty());
	EXPECT_EQ(rc.py, PagePos(0, 0));

	// 2..5: from the first paragraph's third box on; 5 is the second paragraph's position 1.
	RichPaintInfo sel;
	sel.sel_start = 2;
	sel.sel_end = 5;
	RecordingPageDraw pw;
	doc.Paint(pw, PagePos(0, 0), Rect(0, 0, 1000, 1000), sel);
	EXPECT_EQ(pw.All("#800000FF"), "0:Rect 200,0,800,100#800000FF | 0:Rect 0,100,100,100#800000FF");
}

TEST(RichTextPaint, SpellingBitsKeptUntilNoHook)
{
	static int calls = 0;
	RichText doc = ParseQtf(("[ " + B(100, 100) + "&][ " + B(100, 100) + "]").c_str());
	RichPaintInfo pi;
	pi.spelling_hook = [](const RichPara&) { calls++; return Bits(); };
	RecordingPageDraw pw;
	doc.Paint(pw, PagePos(0, 0), Rect(0, 0, 1000, 1000), pi);
	doc.Paint(pw, PagePos(0, 0), Rect(0, 0, 1000, 1000), pi);
	EXPECT_EQ(calls, 2); // once a paragraph
	doc.Paint(pw, PagePos(0, 0), Rect(0, 0, 1000, 1000), RichPaintInfo()); // dropped
	doc.Paint(pw, PagePos(0, 0), Rect(0, 0, 1000, 1000), pi);
	EXPECT_EQ(calls, 4);
}

TEST(RichTextPaint, HeaderWithPageNumbers)
{
	RichText doc = ParseQtf(("[ " + B(100, 800) + "&][ " + B(100, 800) + "&][ " + B(100, 800) + "]").c_str());
	SetHeaderQtf(doc.header, "{:VALUE:PAGENUMBER:}/{:VALUE:PAGECOUNT:}");
	RecordingPageDraw pw;
	doc.Paint(pw, PagePos(0, 0), Rect(0, 0, 1000, 1100), RichPaintInfo());
	std::string t = std::regex_replace(Grep(pw.All("Text"), "\"[0-9/]\""), std::regex(" a0 | f[^|]*"), "");
	EXPECT_EQ(t, "0:Text 0,0\"1\"| 0:Text 64,0\"/\"| 0:Text 98,0\"3\"| 1:Text 0,0\"2\"| 1:Text 64,0\"/\"| 1:Text 98,0\"3\"| "
	             "2:Text 0,0\"3\"| 2:Text 64,0\"/\"| 2:Text 98,0\"3\"");
}

TEST(RichTextPaint, ParagraphsWhereTheLayoutWalkPutsThem)
{
	std::mt19937 rng(41);
	auto R = [&](int n) { return int(rng() % unsigned(n)); };
	for(int doc_i = 0; doc_i < 150; doc_i++) {
		std::string qtf;
		int parts = 1 + R(12);
		for(int i = 0; i < parts; i++) {
			if(i)
				qtf += "&";
			if(R(8) == 0) {
				qtf += "{{1:1" + std::string(R(2) ? "h1" : "") + " " + B(100, 50 + R(400)) + ":: " + B(100, 50 + R(300)) +
				       ":: " + B(100, 50 + R(600)) + ":: " + B(100, 20) + "}}";
				continue;
			}
			qtf += "[";
			const char* flags[] = {"Q", "k", "K", "P", "F", "b50", "a70", "H20"};
			for(const char* f : flags)
				if(R(6) == 0)
					qtf += f;
			qtf += " ";
			for(int k = R(6); k >= 0; k--)
				qtf += B(200 + R(800), 20 + R(R(4) ? 300 : 1400));
			qtf += "]";
		}
		RichText doc = ParseQtf(qtf.c_str());
		Rect page(0, 0, 1000, 400 + R(1200));
		std::vector<PartSpan> walk;
		for(int i = 0; const PartSpan& s : Walk(doc, page))
			if(doc.IsPara(i++))
				walk.push_back(s);
		RecordingPageDraw pw;
		ParaTracer tr;
		tr.pw = &pw;
		pw.tracer = &tr;
		doc.Paint(pw, PagePos(0, 0), page, RichPaintInfo());
		ASSERT_EQ(tr.paras.size(), walk.size()) << qtf;
		for(size_t i = 0; i < walk.size(); i++) {
			EXPECT_EQ(tr.paras[i].begin, walk[i].begin) << i << " " << qtf;
			EXPECT_EQ(tr.paras[i].end, walk[i].end) << i << " " << qtf;
			for(int p : tr.box_pages[i]) {
				EXPECT_GE(p, walk[i].begin.page) << i << " " << qtf;
				EXPECT_LE(p, walk[i].end.page) << i << " " << qtf;
			}
		}
	}
}
