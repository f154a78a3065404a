// Carets, hit tests and painting agree over random documents of paragraphs (words in several
// sizes, objects, fields, tabs, every alignment, page breaks) and tables nested two deep with
// spans and header rows, on pages small enough to break inside paragraphs and cells: the point
// in the middle of a character's caret gives that character's position, and a letter is
// painted where its caret stands. And the locked queries of one document from eight threads
// give what they give on one.
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

// Where each character was painted: (page, x, character) -> the tops of its text.
struct TextRecorder : NilDraw, PageDraw {
	std::map<std::tuple<int, int, int>, std::vector<int>> at;
	int page = 0;

	bool  IsPaintingOp(const Rect&) const override { return true; }
	Draw& Page(int p) override                     { page = p; return *this; }
	void  DrawTextOp(int x, int y, int, const wchar* text, Font, Color, int n, const int* dx) override
	{
		for(int k = 0; k < n; x += dx ? dx[k] : 0, k++)
			at[{page, x, int(text[k])}].push_back(y);
	}
	bool Painted(const RichCaret& c, int chr) const
	{
		auto q = at.find({c.page, c.left, chr});
		for(int y : q == at.end() ? std::vector<int>() : q->second)
			if(y >= c.top && y < c.bottom)
				return true;
		return false;
	}
};

} // namespace

TEST(PositionProperty, CaretsHitTestsAndPaintingAgree)
{
	int hits = 0, letters = 0;
	for(unsigned seed = 1; seed <= 60; seed++) {
		Gen g(seed);
		RichText doc;
		FillText(g, doc, 0);
		Rect page(g.Int(0, 100), g.Int(0, 100), 0, 0);
		page.right = page.left + g.Int(1200, 3000);
		page.bottom = page.top + g.Int(800, 2500);
		TextRecorder painted;
		doc.Paint(painted, page, RichPaintInfo());
		int len = doc.GetLength();
		RichCaret next = doc.GetCaret(0, page);
		for(int pos = 0; pos <= len; pos++) {
			RichCaret c = next;
			next = doc.GetCaret(pos + 1, page);
			// a cell too narrow for its margins has no caret and paints nothing
			int chr = c == RichCaret() ? 0 : doc.GetRichPos(pos).chr;
			if(chr > ' ') {
				ASSERT_TRUE(painted.Painted(c, chr)) << "seed " << seed << ", position " << pos;
				letters++;
			}
			// characters of width only (a field may show nothing: its caret is the next one's),
			// and not those a narrow cell lets stick out into the next
			if(c.right <= c.left || c.bottom <= c.top || c.left < c.text_page.left || c.right > c.text_page.right ||
			   (next.page == c.page && next.top == c.top && next.left == c.left))
				continue;
			int x = int((int64(c.left) + c.right) / 2);
			int y = int((int64(c.top) + c.bottom) / 2);
			ASSERT_EQ(doc.GetPos(x, PagePos(c.page, y), page), pos) << "seed " << seed;
			hits++;
		}
	}
	EXPECT_GT(hits, 3000);
	EXPECT_GT(letters, 3000);
}

namespace {

struct PaintAll : NilDraw {
	int64 texts = 0;
	bool IsPaintingOp(const Rect&) const override { return true; }
	void DrawTextOp(int, int, int, const wchar*, Font, Color, int n, const int*) override { texts += n; }
};

// What every locked query gives, in a row.
std::vector<int64> Query(const RichText& doc, const Rect& page)
{
	std::vector<int64> r = {doc.GetWidth(), doc.GetHeight(page).page, doc.GetHeight(page).y,
	                        doc.GetHeight(Zoom(96, 600), 300)};
	PaintAll w, w2;
	SimplePageDraw pw(w);
	RichPaintInfo pi;
	doc.Paint(pw, page, pi);
	pi.zoom = Zoom(96, 600);
	doc.Paint(w2, 5, 5, 300, pi);
	r.insert(r.end(), {w.texts, w2.texts});
	for(int pos = 0; pos <= doc.GetLength(); pos += 7) {
		RichCaret c = doc.GetCaret(pos, page);
		r.insert(r.end(), {c.left, c.top, c.right, c.bottom, c.page, doc.GetRichPos(pos).level,
		                   doc.GetPos(c.left + 1, PagePos(c.page, c.top + 1), page)});
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
	std::vector<int64> expected = Query(RichText(doc), page); // a copy: laid out apart
	ASSERT_GT(expected[4], 0);
	std::vector<std::thread> threads;
	std::vector<int> same(8, 0);
	for(int t = 0; t < 8; t++)
		threads.emplace_back([&, t] {
			for(int k = 0; k < 4; k++)
				same[t] += Query(doc, page) == expected;
		});
	for(std::thread& t : threads)
		t.join();
	EXPECT_EQ(same, std::vector<int>(8, 4));
}
