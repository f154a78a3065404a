// Table painting, recorded: grid pens, borders square and round, cells over pages, vertical
// alignment, selection of text and of whole cells, header rows repeated on later pages.
#include "PaintTestUtil.h"

#include <Hostile.h>

#include <gtest/gtest.h>

using namespace QelTest;

namespace {

std::string B(int cx, int cy) { return QtfBox(cx, cy); }

// Polygons by their first three points. Not with a regular expression: the library's matcher
// recurses once a character, and a round corner's points run to tens of thousands of them.
std::string FirstPoints(const std::string& all)
{
	std::string s;
	for(size_t at = 0; at < all.size();) {
		size_t e = all.find(" | ", at);
		bool last = e == std::string::npos;
		std::string x = all.substr(at, last ? std::string::npos : e - at);
		size_t sub = x.find(" sub ");
		size_t q = sub == std::string::npos ? sub : x.find('(');
		for(int i = 0; i < 3 && q < sub; i++) {
			size_t c = x.find(')', q);
			q = c == std::string::npos ? c : c + 1;
		}
		if(sub != std::string::npos && q <= sub)
			x = x.substr(0, q) + (last ? " " : "");
		s += (s.empty() ? "" : " | ") + x;
		at = last ? all.size() : e + 3;
	}
	return s;
}

std::string Paint(const std::string& qtf, const char* re, const RichPaintInfo& pi = RichPaintInfo())
{
	RecordingPageDraw pw;
	ParseQtf(qtf.c_str()).Paint(pw, PagePos(0, 0), Rect(0, 0, 1000, 1000), pi);
	return FirstPoints(Grep(pw.All(), re));
}

} // namespace

TEST(TablePaint, BordersAndCorners)
{
	RecordingDraw w;
	PaintRoundCorner(w, 10, 10, -5, -5, -5, -2, Color(1, 1, 1)); // no ring: the bars that are not empty
	PaintRoundCorner(w, 10, 10, 4, 4, 2, 2, Color(1, 1, 1));
	PaintRoundCorner(w, 0, 0, 100000000, 100000000, 99999999, 99999999, Color(1, 1, 1));
	ASSERT_EQ(w.calls.size(), 3u);
	EXPECT_EQ(w.calls[0], "Rect 5,5,5,3#00010101");
	EXPECT_EQ(w.calls[1].substr(0, 31), "PolyPolyPolygon(10,14)(10,13)(1");
	EXPECT_EQ(std::count(w.calls[1].begin(), w.calls[1].end(), '('), 2002); // 1001 points an arc
	EXPECT_EQ(std::count(w.calls[2].begin(), w.calls[2].end(), '('), 2 * 4096); // not hundreds of millions

	// Round: corners of radius margin + border from the inner corners, bars between them.
	std::string round = "{{1f0g0oa10/20 " + B(100, 100) + "}}";
	EXPECT_EQ(Paint(round, "#00000000|PolyPoly"),
	          "0:PolyPolyPolygon(30,0)(29,0)(29,0) | 0:PolyPolyPolygon(970,0)(970,0)(970,0) | "
	          "0:PolyPolyPolygon(30,160)(29,159)(29,159) | 0:PolyPolyPolygon(970,160)(970,159)(970,159) | "
	          "0:Rect 0,30,10,100#00000000 | 0:Rect 990,30,10,100#00000000 | 0:Rect 30,0,940,10#00000000 | "
	          "0:Rect 30,150,940,10#00000000");
	RichPaintInfo tiny;
	tiny.zoom = Zoom(1, 100); // no inside left at this size: square
	EXPECT_EQ(Paint(round, "PolyPoly", tiny), "");
	// A border of one unit keeps a pixel on screen.
	RichPaintInfo screen;
	screen.zoom = Zoom(96, 600);
	EXPECT_EQ(Paint("{{1f0g0a1 " + B(100, 100) + "}}", "#00(FFFFFF|000000)", screen),
	          "0:Rect 1,1,158,19#00FFFFFF | 0:Rect 0,0,1,21#00000000 | 0:Rect 159,0,1,21#00000000 | "
	          "0:Rect 0,0,160,1#00000000 | 0:Rect 0,20,160,1#00000000");
	// A cell whose text has no room paints nothing, not even its border.
	EXPECT_EQ(Paint("{{1:1f0g0 " + B(10, 10) + "::al0/600r0/600 " + B(10, 10) + "}}", "#00(FFFFFF|000000)"),
	          "0:Rect 0,0,500,110#00FFFFFF");
}

TEST(TablePaint, GridFrameAndCellsOverPages)
{
	std::string two = "{{1:1f0g0 " + B(100, 100) + ":: " + B(100, 100) + "}}";
	EXPECT_EQ(Paint(two, "Rect.*#00000000"), ""); // no grid, no frame
	RichPaintInfo codes;
	codes.codes_color = Color(0, 0, 255); // both a pixel in the colour of codes
	EXPECT_EQ(Paint(two, "Rect.*#00FF0000", codes),
	          "0:Rect 500,0,1,130#00FF0000 | 0:Rect -1,-1,1002,1#00FF0000 | 0:Rect -1,0,1,131#00FF0000 | "
	          "0:Rect 1000,0,1,131#00FF0000 | 0:Rect 0,130,1000,1#00FF0000");

	// A cell over three pages: its background to the area's foot, the whole area, and from the
	// area's head to its end; its text aligned to the top.
	std::string tall = "{{1f0g0@(255.255.0) " + B(100, 900) + "&" + B(100, 900) + "&" + B(100, 900) + "}}";
	EXPECT_EQ(Paint(tall, "#0000FFFF|Clipoff"),
	          "0:Rect 0,0,1000,1000#0000FFFF | 0:Clipoff[25,15,125,915] | 1:Rect 0,0,1000,1000#0000FFFF | "
	          "1:Clipoff[25,15,125,915] | 2:Rect 0,0,1000,930#0000FFFF | 2:Clipoff[25,15,125,915]");
	// On one page: centred (half the free space, rounded down), top, bottom.
	EXPECT_EQ(Paint("{{1:1:1:1f0g0 " + B(100, 100) + "::^ " + B(100, 100) + "::v " + B(100, 100) + ":: " + B(100, 301) + "}}",
	                "Clipoff"),
	          "0:Clipoff[25,115,125,215] | 0:Clipoff[275,15,375,115] | 0:Clipoff[525,216,625,316] | 0:Clipoff[775,15,875,316]");

	// Header rows again at the head of every later page, then a grid line below them.
	std::string qtf = "{{1f0h2 " + B(100, 100) + ":: " + B(100, 100);
	for(int i = 0; i < 8; i++)
		qtf += ":: " + B(100, 200);
	std::string s = Paint(qtf + "}}", "Rect.*#00000000|Clipoff");
	for(int p : {1, 2}) {
		std::string n = std::to_string(p) + ":";
		std::string header = n + "Clipoff[25,15,125,115] | " + n + "Rect 0,130,1000,4#00000000 | " + n +
		                     "Clipoff[25,149,125,249] | " + n + "Rect 0,264,1000,4#00000000";
		EXPECT_NE(s.find(header), std::string::npos) << s;
	}
	EXPECT_EQ(s.find("0:Clipoff[25,15,125,115] | 0:Rect 0,130"), 0u);
}

TEST(TablePaint, Selection)
{
	// After a row, positions count from the next row's first cell: 2..3 is the second cell's box.
	std::string rows = "{{1f0g0 " + B(100, 100) + ":: " + B(100, 100) + "}}";
	RichPaintInfo sel;
	sel.sel_start = 2;
	sel.sel_end = 3;
	EXPECT_EQ(Paint(rows, "800000FF", sel), "0:Rect 25,145,100,100#800000FF");

	// Whole cells of the table the index selects: here the nested one. The outer table's later
	// row is not selected, though the nested table counted the index down to 0 before it.
	RichPaintInfo cells;
	cells.table_sel = 2;
	cells.cell_sel = Rect(0, 0, 0, 1);
	EXPECT_EQ(Paint("{{1f0g0 {{1f0g0 " + B(100, 100) + "}}:: " + B(100, 100) + "}}", "800000FF", cells),
	          "0:Rect 25,15,950,130#800000FF");
	cells.table_sel = 1;
	EXPECT_EQ(Paint(rows, "800000FF", cells), "0:Rect 0,0,1000,130#800000FF | 0:Rect 0,130,1000,130#800000FF");
}

// A table laid out where its header row fits, then zoomed until the row no longer fits on a page,
// repeats it no more: painted, it covers the pages a copy laid out afresh covers.
TEST(TablePaint, HeaderNoLongerRepeatedOnceItOutgrowsThePage)
{
	RichText doc = ParseQtf(LoadFile(QEL_TEST_DATA "/richtext/hostile/table_header_zoom.qtf"));
	Rect page(0, 0, 2000, 1000);
	doc.GetHeight(page);
	doc.ApplyZoom(Zoom(3, 1));
	auto paint = [&](const RichText& d) {
		RecordingPageDraw pw;
		d.Paint(pw, page, RichPaintInfo());
		return std::to_string(pw.pages.size()) + " pages: " + pw.All();
	};
	QEL_EXPECT_BOUNDED(64, 2, paint(doc));
	if(HasFailure())
		return;
	RichText fresh(doc);
	EXPECT_EQ(doc.GetHeight(page), fresh.GetHeight(page));
	EXPECT_EQ(paint(doc), paint(fresh));
}
