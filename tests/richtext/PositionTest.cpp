// Positions in laid-out rich text: carets and hit tests of paragraphs and documents, position
// descriptors in nested tables, the zoom of formats and documents, and the lock of a document
// given back when painting throws or held while the document is copied or moved.
#include "PaintTestUtil.h"
#include "RichTestUtil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <stdexcept>
#include <thread>

using namespace QelTest;

namespace {

const Rect PAGE(0, 0, 1000, 1000);

RichPara Boxes(int n, int cx, int cy)
{
	RichPara p;
	for(int i = 0; i < n; i++)
		p.Cat(Box(cx, cy), RichPara::CharFormat());
	return p;
}

} // namespace

TEST(ParaPosition, WrappedLinesAndTheEnd)
{
	RichText doc;
	RichPara p = TextPara("aaaa bbbb cccc");
	// wide enough for "aaaa bbbb" only: the first line ends with the space it wrapped at
	Rect page(0, 0, p.FormatLines(1000, RichPara::Number()).line[0].cx * 3 / 4, 1000);
	int y1 = p.FormatLines(page.right, RichPara::Number()).line[0].GetHeight() + 1;
	auto at = [&](int x, int y) {
		RichPageContext rc = doc.MakeContext(page, PagePos(0, 0));
		return p.GetPos(x, PagePos(0, y), rc);
	};
	EXPECT_EQ(at(5000, 1), 9);   // the space: the caret stays on the line
	EXPECT_EQ(at(5000, y1), 14); // the last line: the paragraph's length
	// Without a space to wrap at: the next line's first position.
	RichPara boxes = Boxes(3, 100, 50);
	RichPageContext rc = doc.MakeContext(Rect(0, 0, 250, 1000), PagePos(0, 0));
	EXPECT_EQ(boxes.GetPos(900, PagePos(0, 10), rc), 2);
	// Past the last line the caret follows its content to the page's right edge.
	rc = doc.MakeContext(Rect(0, 0, 250, 1000), PagePos(0, 0));
	RichCaret c = boxes.GetCaret(3, rc);
	EXPECT_EQ(Rect(c), Rect(100, 50, 250, 100));
	EXPECT_EQ(c.line, 1);

	// At the paragraph's length: a line end in the paragraph's own format.
	p.format.Height(150);
	p.part[0].format.Bold();
	RichPos r;
	p.GetRichPos(r, 14);
	EXPECT_EQ(r.chr, 10);
	EXPECT_EQ(r.format.GetHeight(), 150);
	EXPECT_FALSE(r.format.IsBold());
	p.GetRichPos(r, 13);
	EXPECT_EQ(r.chr, 'c');
	EXPECT_TRUE(r.format.IsBold());
}

TEST(Zoom, FormatsAndParagraphs)
{
	RichPara::Format f;
	f.ruler = 1;
	f.lm = 100;
	f.indent = 50;
	f.tab.Add().pos = RichPara::TAB_RIGHTPOS | 600;
	ApplyZoom(f, Zoom(1, 3));
	EXPECT_EQ(f.ruler, 1); // a ruler does not vanish
	EXPECT_EQ(f.lm, 33);
	EXPECT_EQ(f.indent, 17); // z(150) - 33: the first line's start rounds as an edge
	EXPECT_EQ(f.tab[0].pos, RichPara::TAB_RIGHTPOS | 200);
	f.ruler = 0;
	ApplyZoom(f, Zoom(1, 6));
	EXPECT_EQ(f.ruler, 0);
	// Font heights round to the nearest, at least 1, and the product does not wrap in 32 bits.
	f.Height(2);
	ApplyZoom(f, Zoom(1, 6));
	EXPECT_EQ(f.GetHeight(), 1);
	f.Height(30000);
	ApplyZoom(f, Zoom(200000, 1));
	EXPECT_EQ(f.GetHeight(), 32767);
	ApplyZoom(f, Zoom(7, 0)); // a zero divisor changes nothing
	EXPECT_EQ(f.GetHeight(), 32767);

	RichPara p;
	p.cacheid = 77;
	RichPara::CharFormat cf;
	cf.Height(101);
	p.Cat(WString("ab"), cf);
	p.Cat(Box(300, 90), cf);
	p.Cat("VALUE", "x", cf);
	p.ApplyZoom(Zoom(1, 2));
	EXPECT_EQ(p.part[0].format.GetHeight(), 51);
	EXPECT_EQ(p.part[1].object.GetSize(), Size(150, 45));
	EXPECT_EQ(p.part[2].format.GetHeight(), 101); // fields keep theirs
	EXPECT_EQ(p.cacheid, 0); // edited: the paragraph cache must not take it back
}

namespace {

struct Serials : RichTxt::ParaOp {
	Vector<int64> serial;
	bool operator()(RichTxt::Para& p) override
	{
		serial.Add(p.update_serial);
		return false;
	}
};

} // namespace

TEST(Zoom, Documents)
{
	RichText doc = ParseQtf("[ text&]{{1:2 [4 a]:: b}}");
	RichTable t = TextTable(1, 2, {"x", "y"});
	t.format.frame_width = 10;
	t.format.grid_width = 0;
	doc.SetTable(doc.GetPartCount(), t);
	const RichTable& z = doc.GetTable(doc.GetPartCount() - 1);
	String qtf = AsQTF(doc);
	Serials before, after;
	doc.Update(before);
	doc.ApplyZoom(Zoom(3, 3)); // equal terms: nothing is stored again
	doc.ApplyZoom(Zoom(3, 0)); // a zero divisor: likewise
	doc.Update(after);
	EXPECT_EQ(after.serial, before.serial);
	EXPECT_EQ(AsQTF(doc), qtf);

	int h = doc.Get(0, doc.GetStyles()).format.GetHeight();
	int cell_h = doc.GetTable(1).cell[0][0].text.Get(0, doc.GetStyles()).part[0].format.GetHeight();
	doc.ApplyZoom(Zoom(2, 1));
	EXPECT_EQ(z.format.frame_width, 20);
	EXPECT_EQ(z.format.grid_width, 0);
	EXPECT_EQ(z.cell[0][0].format.margin, Rect(50, 30, 50, 30));
	EXPECT_EQ(z.format.column_widths[0], 5000);
	// Stored against the zoomed styles, paragraphs read back zoomed, in cells too.
	EXPECT_EQ(doc.Get(0, doc.GetStyles()).format.GetHeight(), 2 * h);
	EXPECT_EQ(doc.GetTable(1).cell[0][0].text.Get(0, doc.GetStyles()).part[0].format.GetHeight(), 2 * cell_h);
}

TEST(DocumentPosition, EndsTablesAndNoColumns)
{
	RichText doc;
	doc.Cat(TextPara(""));
	RichTable t = TextTable(2, 2, {"a", "b", "c", "d"});
	doc.SetTable(1, t);
	int len = doc.GetLength();
	EXPECT_EQ(doc.GetCaret(len + 5, PAGE), doc.GetCaret(len, PAGE));
	EXPECT_EQ(doc.GetPos(0, PagePos(0, 900), PAGE), len);
	// Left of the first column and right of the last, a point lands in the row's cells.
	RichCaret c = doc.GetCaret(5, PAGE);
	EXPECT_EQ(doc.GetPos(-100, PagePos(0, c.top + 1), PAGE), 5);
	EXPECT_EQ(doc.GetPos(5000, PagePos(0, c.top + 1), PAGE), 8);
	// A table with rows but no columns holds no cell: its start, and no caret.
	RichTable empty;
	empty.cell.Add();
	RichPageContext rc = doc.MakeContext(PAGE, PagePos(0, 0));
	EXPECT_EQ(empty.GetPos(10, PagePos(0, 900), rc), 0);
	EXPECT_EQ(empty.GetCaret(0, rc), RichCaret());
}

TEST(DocumentPosition, RichPosInNestedTables)
{
	RichText doc;
	doc.Cat(TextPara(""));
	RichTable t = TextTable(1, 2, {"a", "b"});
	doc.SetTable(1, t);
	RichPos r = doc.GetRichPos(3);
	EXPECT_EQ(std::vector<int>({r.level, r.table, r.table_index, r.table_start, r.cell_column, r.pos_in_table,
	                            r.pos_in_cell, r.chr}),
	          std::vector<int>({1, 1, 1, 1, 1, 2, 0, 'b'}));
	r = doc.GetRichPos(0);
	EXPECT_EQ(r.level, 0);
	EXPECT_EQ(r.tables_before, 0); // no table entered

	// After a table holding one, a table nested in the second cell of another: the third and
	// fourth tables in document order.
	RichText nest;
	RichTable first = TextTable(1, 1, {"p"});
	RichTable inner0 = TextTable(1, 1, {"q"});
	first.cell[0][0].text.SetTable(1, inner0);
	nest.SetTable(0, first);
	RichTable outer = TextTable(1, 2, {"x", ""});
	RichTable inner = TextTable(1, 2, {"u", "v"});
	outer.cell[0][1].text.SetTable(0, inner);
	nest.SetTable(1, outer);
	r = nest.GetRichPos(nest.GetLength()); // after "v"
	EXPECT_EQ(std::vector<int>({r.level, r.table, r.tables_before, r.cell_column, r.pos_in_cell, r.chr}),
	          std::vector<int>({2, 4, 3, 1, 1, 10}));
	r = nest.GetRichPos(nest.GetLength(), 1); // only the outer table
	EXPECT_EQ(std::vector<int>({r.level, r.table, r.tables_before, r.cell_column, r.pos_in_cell}),
	          std::vector<int>({1, 3, 0, 1, 3}));
}

TEST(DocumentPosition, HeightAtAZoom)
{
	EXPECT_EQ(RichText().GetHeight(Zoom(1, 1), 500), 0);
	RichText doc = ParseQtf("[ aaaa bbbb cccc dddd]");
	EXPECT_EQ(doc.GetHeight(Zoom(1, 0), 500), 0);
	int line = doc.GetHeight(Rect(0, 0, 100000, 268435455)).y;
	// The text width is cx * d / m in 64 bits: 65536 * 65537 wraps in 32 to a width of 1 unit,
	// one letter a line.
	EXPECT_EQ(doc.GetHeight(Zoom(65536, 65537), 65536), int(int64(line) * 65536 / 65537));
}

namespace {

// Paints everything and counts the offsets and clips left open; text may throw.
struct ThrowingDraw : NilDraw {
	int open = 0;

	bool IsPaintingOp(const Rect&) const override { return true; }
	void BeginOp() override                        { open++; }
	void OffsetOp(const Point&) override           { open++; }
	bool ClipOp(const Rect&) override              { open++; return true; }
	bool ClipoffOp(const Rect&) override           { open++; return true; }
	void EndOp() override                          { open--; }
	void DrawTextOp(int, int, int, const wchar*, Font, Color, int, const int*) override
	{
		throw std::runtime_error("no room on the device");
	}
};

} // namespace

TEST(DocumentLock, GivenBackWhenPaintingThrows)
{
	RichText doc = ParseQtf("[ some text]");
	ThrowingDraw w;
	EXPECT_THROW(doc.Paint(w, 10, 20, 500, RichPaintInfo()), std::runtime_error);
	EXPECT_EQ(w.open, 0); // the offset was ended too
	SimplePageDraw pw(w);
	EXPECT_THROW(doc.Paint(pw, PAGE, RichPaintInfo()), std::runtime_error);
	auto other = std::async(std::launch::async, [&] { return doc.GetWidth(); });
	ASSERT_EQ(other.wait_for(std::chrono::seconds(60)), std::future_status::ready);
	EXPECT_GT(other.get(), 0);
}

namespace {

struct PaintsAll : NilDraw {
	bool IsPaintingOp(const Rect&) const override { return true; }
};

} // namespace

// Painting a header or footer with page fields replaces its paragraphs; queries update the
// caches of the parts. Copies and assignments run meanwhile, between two documents both ways.
TEST(DocumentLock, CopiedWhilePaintedAndQueried)
{
	String qtf;
	for(int i = 0; i < 60; i++)
		qtf << "line " << i << " of some text&";
	qtf << "{{1:1 a:: b}}";
	RichText doc = ParseQtf(~qtf);
	SetHeaderQtf(doc.header, "page {:VALUE:PAGENUMBER:}");
	SetHeaderQtf(doc.footer, "{:VALUE:PAGENUMBER:} of {:VALUE:PAGECOUNT:}");
	RichText other = doc;
	const Rect page(0, 0, 1500, 800);
	const WString body = doc.GetPlainText();
	ASSERT_GT(doc.GetHeight(page).page, 2);
	std::atomic<int> wrong{0};
	std::vector<std::thread> threads;
	for(int t = 0; t < 16; t++)
		threads.emplace_back([&, t] {
			for(int k = 0; k < 60; k++) {
				if(t % 2) {
					PaintsAll w;
					SimplePageDraw pw(w);
					doc.Paint(pw, page, RichPaintInfo());
					wrong += doc.GetHeight(page).page < 3;
					wrong += doc.GetCaret(k * 20, page).page < 0;
					continue;
				}
				RichText copy(doc);
				wrong += copy.GetPlainText() != body || !copy.header || !copy.footer;
				if(k % 3 == 0) {
					if(t % 4)
						other = doc;
					else
						doc = other;
				}
			}
		});
	for(std::thread& t : threads)
		t.join();
	EXPECT_EQ(wrong, 0);
}

// Two threads move two documents into each other, and copies in again (a move drops what the
// target held), while others query and paint them: every answer is one of those of the two
// contents, or of a document emptied by a move.
TEST(DocumentLock, MovedIntoWhileQueriedAndPainted)
{
	auto make = [](int lines, const char* header) {
		String qtf;
		for(int i = 0; i < lines; i++)
			qtf << "line " << i << " of some text&";
		RichText d = ParseQtf(~qtf);
		SetHeaderQtf(d.header, header);
		return d;
	};
	const RichText src[2] = {make(150, "page {:VALUE:PAGENUMBER:}"), make(100, "[2 {:VALUE:PAGECOUNT:}]")};
	RichText emptied = src[0];
	RichText taken = std::move(emptied);
	const Rect page(0, 0, 1500, 800);
	auto answers = [&](const RichText& d) {
		std::vector<std::string> a;
		a.push_back(Str(d.GetHeight(page)));
		RichCaret c = d.GetCaret(1300, page);
		a.push_back(Str(PagePos(c.page, c.top)) + " " + std::to_string(c.left));
		a.push_back(std::to_string(d.GetPos(300, PagePos(5, 400), page)));
		RecordingPageDraw pw;
		RichPaintInfo pi;
		pi.window_top = PagePos(4, 0);
		pi.window_bottom = PagePos(5, 0);
		d.Paint(pw, page, pi);
		a.push_back(pw.All());
		return a;
	};
	const std::vector<std::string> known[3] = {answers(src[0]), answers(src[1]), answers(emptied)};
	for(size_t j = 0; j < known[0].size(); j++)
		ASSERT_TRUE(known[0][j] != known[1][j] && known[0][j] != known[2][j]) << j;
	RichText doc[2] = {src[0], src[1]};
	std::atomic<int> wrong{0};
	std::vector<std::thread> threads;
	for(int t = 0; t < 4; t++)
		threads.emplace_back([&, t] {
			for(int k = 0; k < 24; k++) {
				if(t >= 2) {
					std::vector<std::string> a = answers(doc[k % 2]);
					for(size_t j = 0; j < a.size(); j++)
						wrong += a[j] != known[0][j] && a[j] != known[1][j] && a[j] != known[2][j];
				}
				else if(k % 2) {
					RichText copy = src[t];
					doc[t] = std::move(copy);
				}
				else
					doc[t] = std::move(doc[1 - t]);
			}
		});
	for(std::thread& t : threads)
		t.join();
	EXPECT_EQ(wrong, 0);
}
