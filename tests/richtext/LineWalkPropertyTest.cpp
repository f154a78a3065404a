// Painting, positions and page layout place the lines of random paragraphs alike, on pages
// small enough to break inside them, with objects taller than a page, orphans allowed or not and
// space before and after: where painting ends each paragraph is where layout ends it, and the
// caret on its last line, with the space after, ends there too.
#include "LayoutTestUtil.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace QelTest;

namespace {

struct Ends : NilDraw, PageDraw, RichPaintTracer {
	std::vector<PagePos> end;

	bool  IsPaintingOp(const Rect&) const override { return true; }
	Draw& Page(int) override                       { return *this; }
	void  ParagraphEnd(PagePos at) override        { end.push_back(at); }
};

RichPara RandomPara(std::mt19937& rng)
{
	auto num = [&](int lo, int hi) { return lo + int(rng() % unsigned(hi - lo + 1)); };
	RichPara p;
	p.format.before = num(0, 80);
	p.format.after = num(0, 200);
	p.format.ruler = num(0, 3) ? 0 : num(1, 10);
	p.format.orphan = num(0, 1);
	p.format.newpage = num(0, 15) == 0;
	for(int n = num(1, 10); n > 0; n--) {
		RichPara::CharFormat f;
		f.Height(num(60, 300));
		if(num(0, 9) == 0)
			p.Cat(Box(num(50, 600), num(100, 1400)), f); // some taller than a page
		else
			p.Cat(WString(num(0, 1) ? "word word word word " : "a long line of words that wraps "), f);
	}
	return p;
}

} // namespace

TEST(LineWalkProperty, PaintingPositionsAndLayoutPlaceLinesAlike)
{
	for(unsigned seed = 1; seed <= 40; seed++) {
		std::mt19937 rng(seed);
		Rect page(100, 100, 1100 + int(rng() % 800), 1000 + int(rng() % 400));
		std::vector<RichPara> paras;
		for(int n = 2 + int(rng() % 8); n > 0; n--)
			paras.push_back(RandomPara(rng));
		RichText doc;
		std::vector<PagePos> laid_out; // the end of the text up to each paragraph, by layout
		for(int i = 0; i < int(paras.size()); i++) {
			doc.SetPara(i, paras[i], RichStyle());
			laid_out.push_back(doc.GetHeight(page));
		}
		Ends painted;
		painted.tracer = &painted;
		doc.Paint(painted, page, RichPaintInfo());
		ASSERT_EQ(painted.end.size(), paras.size()) << "seed " << seed;
		int start = 0;
		for(int i = 0; i < int(paras.size()); i++) {
			EXPECT_EQ(painted.end[i], laid_out[i]) << "seed " << seed << ", paragraph " << i;
			int last = start + paras[i].GetLength();
			RichCaret c = doc.GetCaret(last, page);
			int64 y = int64(c.bottom) + paras[i].format.after;
			PagePos after = y > page.bottom ? PagePos(c.page + 1, page.top) : PagePos(c.page, int(y));
			EXPECT_EQ(after, painted.end[i]) << "seed " << seed << ", paragraph " << i;
			start = last + 1;
		}
	}
}
