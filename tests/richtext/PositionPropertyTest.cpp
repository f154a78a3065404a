// Carets and hit tests agree over random documents of paragraphs (words in several sizes,
// objects, fields, tabs, every alignment, page breaks) and tables nested two deep with spans
// and header rows, on pages small enough to break inside paragraphs and cells: the point in
// the middle of a character's caret gives that character's position. And the locked queries of
// one document from eight threads give what they give on one.
#include "LayoutTestUtil.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <tuple>
#include <vector>
#include <thread>

using namespace QelTest;

namespace {

struct Gen {
	std::mt19937 rng;
	explicit Gen(unsigned seed) : rng(seed) {}

	int  Int(int lo, int hi) { return lo + int(rng() % unsigned(hi - lo + 1)); }
	bool Chance(int percent) { return Int(0, 99) < percent; }
};

RichPara RandomPara(Gen& g)
{
	RichPara p;
	static const int align[] = {RichPara::LEFT, RichPara::RIGHT, RichPara::CENTER, RichPara::JUSTIFY};
	p.format.align = align[g.Int(0, 3)];
	p.format.lm = g.Chance(30) ? g.Int(0, 200) : 0;
	p.format.indent = g.Chance(30) ? g.Int(-50, 150) : 0;
	p.format.before = g.Int(0, 60);
	p.format.after = g.Int(0, 60);
	p.format.ruler = g.Chance(10) ? g.Int(1, 10) : 0;
	p.format.newpage = g.Chance(4);
	p.format.keep = g.Chance(10);
	p.format.orphan = g.Chance(30);
	p.format.linespacing = g.Chance(20) ? RichPara::LSP_ONE_HALF : RichPara::LSP_SINGLE;
	int n = g.Int(0, 12);
	for(int i = 0; i < n; i++) {
		RichPara::CharFormat f;
		f.Height(g.Chance(20) ? g.Int(150, 400) : g.Int(60, 140));
		f.Bold(g.Chance(20));
		if(g.Chance(8)) {
			RichObject o = Box(g.Int(20, 300), g.Int(10, 200), g.Chance(20) ? g.Int(0, 20) : 0);
			p.Cat(o, f);
			continue;
		}
		if(g.Chance(5)) {
			p.Cat("VALUE", "v", f);
			continue;
		}
		WString s;
		for(int w = g.Int(1, 4); w > 0; w--) {
			for(int k = g.Int(1, 8); k > 0; k--)
				s.Cat(wchar('a' + g.Int(0, 25)));
			s.Cat(g.Chance(5) ? wchar(9) : wchar(' '));
		}
		p.Cat(s, f);
	}
	return p;
}

void FillText(Gen& g, RichTxt& t, int depth);

RichTable RandomTable(Gen& g, int depth)
{
	RichTable t;
	int cols = g.Int(1, 3);
	int rows = g.Int(1, 4);
	for(int c = 0; c < cols; c++)
		t.format.column_widths.Add(g.Int(1, 4));
	t.format.frame_width = g.Int(0, 12);
	t.format.grid_width = g.Int(0, 8);
	t.format.before = g.Int(0, 40);
	t.format.after = g.Int(0, 40);
	t.format.header_rows = g.Chance(20) ? 1 : 0;
	t.format.new_page = g.Chance(5);
	for(int r = 0; r < rows; r++) {
		Array<RichCell>& row = t.cell.Add();
		row.SetCount(cols);
		for(RichCell& x : row) {
			x.format.valign = g.Int(1, 3);
			x.format.min_height = g.Chance(20) ? g.Int(0, 400) : 0;
			x.format.border = g.Chance(20) ? Rect(5, 5, 5, 5) : Rect(0, 0, 0, 0);
			x.vspan = g.Chance(10) ? 1 : 0;
			x.hspan = g.Chance(10) ? 1 : 0;
			FillText(g, x.text, depth + 1);
		}
	}
	return t;
}

void FillText(Gen& g, RichTxt& t, int depth)
{
	int parts = g.Int(1, depth ? 3 : 10);
	for(int i = 0; i < parts; i++)
		if(depth < 2 && g.Chance(depth ? 10 : 20)) {
			RichTable tab = RandomTable(g, depth);
			t.SetTable(i, tab);
		}
		else
			t.SetPara(i, RandomPara(g), RichStyle());
}

} // namespace

TEST(PositionProperty, MiddleOfEveryCaretGivesItsPosition)
{
	int checked = 0;
	for(unsigned seed = 1; seed <= 60; seed++) {
		Gen g(seed);
		RichText doc;
		FillText(g, doc, 0);
		Rect page(g.Int(0, 100), g.Int(0, 100), 0, 0);
		page.right = page.left + g.Int(1200, 3000);
		page.bottom = page.top + g.Int(800, 2500);
		int len = doc.GetLength();
		RichCaret next = doc.GetCaret(0, page);
		for(int pos = 0; pos <= len; pos++) {
			RichCaret c = next;
			next = doc.GetCaret(pos + 1, page);
			// characters of width only (a field may show nothing: its caret is the next one's),
			// and not those a narrow cell lets stick out into the next
			if(c.right <= c.left || c.bottom <= c.top || c.left < c.text_page.left || c.right > c.text_page.right ||
			   (next.page == c.page && next.top == c.top && next.left == c.left))
				continue;
			int x = int((int64(c.left) + c.right) / 2);
			int y = int((int64(c.top) + c.bottom) / 2);
			ASSERT_EQ(doc.GetPos(x, PagePos(c.page, y), page), pos)
				<< "seed " << seed << ", caret " << c.left << "-" << c.right << " on page " << c.page << " at "
				<< c.top << "-" << c.bottom;
			checked++;
		}
	}
	EXPECT_GT(checked, 3000);
}

namespace {

// Every character painted: where it starts, on which page, with the top of its text.
struct TextRecorder : NilDraw {
	std::map<std::tuple<int, int, int>, std::vector<int>> at; // (page, x, character) -> tops
	int page = 0;

	bool IsPaintingOp(const Rect&) const override { return true; }
	void DrawTextOp(int x, int y, int, const wchar* text, Font, Color, int n, const int* dx) override
	{
		for(int k = 0; k < n; k++) {
			at[{page, x, int(text[k])}].push_back(y);
			x += dx ? dx[k] : 0;
		}
	}
};

struct RecordPages : PageDraw {
	std::map<int, TextRecorder> pages;
	Draw& Page(int p) override
	{
		TextRecorder& r = pages[p];
		r.page = p;
		return r;
	}
};

} // namespace

TEST(PositionProperty, CaretsStandWhereLettersArePainted)
{
	int checked = 0;
	for(unsigned seed = 100; seed < 130; seed++) {
		Gen g(seed);
		RichText doc;
		FillText(g, doc, 0);
		Rect page(0, 0, g.Int(1200, 3000), g.Int(800, 2500));
		RecordPages pw;
		doc.Paint(pw, page, RichPaintInfo());
		for(int pos = 0; pos < doc.GetLength(); pos++) {
			int chr = doc.GetRichPos(pos).chr;
			if(chr <= ' ')
				continue;
			RichCaret c = doc.GetCaret(pos, page);
			if(c == RichCaret()) // a cell too narrow for its margins: no caret, nothing painted
				continue;
			const std::vector<int>* tops = nullptr;
			auto pg = pw.pages.find(c.page);
			if(pg != pw.pages.end()) {
				auto q = pg->second.at.find({c.page, c.left, chr});
				if(q != pg->second.at.end())
					tops = &q->second;
			}
			bool found = false;
			for(int y : tops ? *tops : std::vector<int>())
				found = found || (y >= c.top && y < c.bottom);
			ASSERT_TRUE(found) << "seed " << seed << ", position " << pos << " (" << chr << ") at " << c.left
			                   << " on page " << c.page << ", " << c.top << "-" << c.bottom;
			checked++;
		}
	}
	EXPECT_GT(checked, 2000);
}

namespace {

struct PaintAll : NilDraw {
	int64 texts = 0;
	bool IsPaintingOp(const Rect&) const override { return true; }
	void DrawTextOp(int, int, int, const wchar*, Font, Color, int n, const int*) override { texts += n; }
};

struct Results {
	int     width = 0;
	PagePos height;
	int     zoomed = 0;
	int64   painted = 0;
	int64   placed = 0;
	Vector<RichCaret> carets;
	Vector<int>       pos;
	Vector<int>       level;

	bool operator==(const Results& b) const
	{
		return width == b.width && height == b.height && zoomed == b.zoomed && painted == b.painted &&
		       placed == b.placed && carets == b.carets && pos == b.pos && level == b.level;
	}
};

Results Query(const RichText& doc, const Rect& page)
{
	Results r;
	r.width = doc.GetWidth();
	r.height = doc.GetHeight(page);
	r.zoomed = doc.GetHeight(Zoom(96, 600), 300);
	PaintAll w;
	SimplePageDraw pw(w);
	RichPaintInfo pi;
	doc.Paint(pw, page, pi);
	r.painted = w.texts;
	PaintAll w2;
	pi.zoom = Zoom(96, 600);
	doc.Paint(w2, 5, 5, 300, pi);
	r.placed = w2.texts;
	for(int pos = 0; pos <= doc.GetLength(); pos += 7) {
		RichCaret c = doc.GetCaret(pos, page);
		r.carets.Add(c);
		r.pos.Add(doc.GetPos(c.left + 1, PagePos(c.page, c.top + 1), page));
		r.level.Add(doc.GetRichPos(pos).level);
	}
	return r;
}

} // namespace

TEST(PositionThreads, EightThreadsQueryOneDocument)
{
	Gen g(4242);
	RichText doc;
	FillText(g, doc, 0);
	const Rect page(0, 0, 1500, 1200);
	Results expected = Query(RichText(doc), page); // on a copy: the document starts with no layout
	ASSERT_GT(expected.painted, 0);
	std::vector<std::thread> threads;
	std::vector<int> same(8, 0);
	for(int t = 0; t < 8; t++)
		threads.emplace_back([&, t] {
			for(int k = 0; k < 4; k++)
				same[t] += Query(doc, page) == expected;
		});
	for(std::thread& t : threads)
		t.join();
	for(int t = 0; t < 8; t++)
		EXPECT_EQ(same[t], 4) << "thread " << t;
}

