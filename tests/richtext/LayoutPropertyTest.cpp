// Random documents of object paragraphs (one object a line) and tables on random pages: on an
// unbounded page the height is the plain sum; on real pages parts follow each other and no line
// that fits a page crosses its bottom.
#include "LayoutTestUtil.h"

#include <gtest/gtest.h>

#include <random>

using namespace QelTest;

namespace {

constexpr int WIDTH = 1000;

struct Gen {
	std::mt19937 rng;
	explicit Gen(unsigned seed) : rng(seed) {}

	int  Int(int lo, int hi) { return lo + int(rng() % unsigned(hi - lo + 1)); }
	bool Chance(int percent) { return Int(0, 99) < percent; }
};

struct Doc {
	RichText    doc;
	Vector<int> last_line; // per part: a paragraph's last line height, 0 for a table
	int64       sum = 0;   // heights of the paragraphs with their spaces
	bool        tables = false;
};

// Lines as wide as the widest page area, so each object has a line of its own.
RichPara ObjectPara(Gen& g, int lines, int max_h, int& last, int64& height)
{
	RichPara p;
	height = 0;
	for(int i = 0; i < lines; i++) {
		last = g.Chance(5) ? g.Int(max_h, 2 * max_h) : g.Int(10, max_h);
		p.Cat(Box(WIDTH, last), RichPara::CharFormat());
		height += last;
	}
	return p;
}

Doc MakeDoc(Gen& g, bool with_tables)
{
	Doc d;
	int parts = g.Int(1, 12);
	for(int i = 0; i < parts; i++) {
		if(with_tables && g.Chance(25)) {
			RichTable t;
			int cols = g.Int(1, 3);
			int rows = g.Int(1, 5);
			for(int c = 0; c < cols; c++)
				t.format.column_widths.Add(g.Int(1, 5));
			t.format.frame_width = 0;
			t.format.grid_width = g.Int(0, 8);
			t.format.header_rows = g.Int(0, 2);
			t.format.keep = g.Chance(15);
			for(int r = 0; r < rows; r++) {
				Array<RichCell>& row = t.cell.Add();
				row.SetCount(cols);
				for(RichCell& x : row) {
					x.format.keep = g.Chance(10);
					x.format.min_height = g.Chance(20) ? g.Int(0, 500) : 0;
					x.vspan = g.Chance(10) ? 1 : 0;
					int n = g.Int(1, 2);
					for(int k = 0; k < n; k++) {
						int last;
						int64 h;
						x.text.SetPara(k, ObjectPara(g, g.Int(1, 2), 300, last, h), RichStyle());
					}
				}
			}
			d.doc.SetTable(d.doc.GetPartCount(), t);
			d.last_line.Add(0);
			d.tables = true;
			continue;
		}
		int last;
		int64 h;
		RichPara p = ObjectPara(g, g.Int(1, 4), 400, last, h);
		RichPara::Format& f = p.format;
		f.ruler = g.Chance(20) ? g.Int(1, 20) : 0;
		f.before = g.Int(0, 50);
		f.keep = g.Chance(15);
		f.keepnext = g.Chance(15);
		f.orphan = g.Chance(30);
		f.newpage = g.Chance(5);
		f.fflag = g.Chance(5);
		d.doc.Cat(p);
		d.last_line.Add(last);
		d.sum += f.ruler + f.before + h;
	}
	return d;
}

} // namespace

TEST(LayoutProperty, UnboundedPageIsThePlainSum)
{
	for(unsigned seed = 1; seed <= 300; seed++) {
		Gen g(seed);
		Doc d = MakeDoc(g, false);
		EXPECT_EQ(d.doc.GetHeight(Rect(0, 0, WIDTH, 268435455)), PagePos(0, int(d.sum))) << seed;
	}
}

TEST(LayoutProperty, LinesStayOnTheirPages)
{
	for(unsigned seed = 1; seed <= 300; seed++) {
		Gen g(seed);
		Doc d = MakeDoc(g, true);
		int height = g.Int(300, 1500);
		Rect page(0, 0, WIDTH, height);
		std::vector<PartSpan> spans = Walk(d.doc, page);
		PagePos at(0, 0);
		for(int i = 0; i < d.doc.GetPartCount(); i++) {
			const PartSpan& s = spans[i];
			ASSERT_LE(at, s.begin) << seed << " part " << i;
			ASSERT_LE(s.begin, s.end) << seed << " part " << i;
			at = s.end;
			int h = d.last_line[i];
			if(d.doc.IsPara(i) && h < height) {
				EXPECT_LE(s.end.y, height) << seed << " part " << i;
				EXPECT_GE(s.end.y - h, 0) << seed << " part " << i;
			}
			if(!d.doc.IsTable(i))
				continue;
			RichPageContext rc = d.doc.MakeContext(page, s.begin);
			const RichTableLayout& l = d.doc.GetTable(i).Realize(rc);
			PagePos row_at = s.begin;
			for(int r = 0; r < l.GetRows(); r++) {
				const TableRowLayout& row = l.row[r];
				ASSERT_LE(row_at, row.top) << seed << " part " << i << " row " << r;
				row_at = row.bottom;
				for(int c = 0; c < l.columns; c++) { // cell lines are below 2 * 300 + insets
					if(l[r][c].span_end && height > 700) {
						EXPECT_LE(l[r][c].end.y, height) << seed << " part " << i << " row " << r;
					}
				}
			}
			EXPECT_LE(l.end, s.end);
		}
		EXPECT_EQ(d.doc.GetHeight(page), at) << seed;
	}
}
