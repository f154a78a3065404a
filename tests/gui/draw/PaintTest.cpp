// Painting of the control tree into an ImageDraw: order, clips and offsets, what is skipped, the
// caret; and the window's list of rectangles to repaint.
#include "CairoCount.h"
#include "RecordingCtrl.h"

#include <gui/detail/Backend.h>
#include <gui/ctrl/detail/Caret.h>
#include <gui/gtk/detail/Top.h>

namespace guitest {
namespace {

using V = std::vector<std::string>;

std::vector<std::string> PaintCalls()
{
	std::vector<std::string> out;
	for(const std::string& s : CallLog())
		if(s.find("Paint") != std::string::npos)
			out.push_back(s);
	return out;
}

// Paints everything it may, so that its clip shows.
struct Fill : Ctrl {
	Color color;
	Rect  caret = Rect(0, 0, 0, 0);
	void Paint(Draw& w) override { w.DrawRect(-1000, -1000, 3000, 3000, color); }
	Rect GetCaret() const override { return caret; }
	explicit Fill(Color c) : color(c) {}
};

struct SolidFrame : CtrlFrame {
	void FrameLayout(Rect& r) override { r = Rect(r.left + 2, r.top + 2, r.right - 2, r.bottom - 2); }
	void FrameAddSize(Size& sz) override { sz.cx += 4; sz.cy += 4; }
	void FramePaint(Draw& w, const Rect& r) override { w.DrawRect(r, Color(255, 0, 0)); }
};

struct BarFrame : CtrlFrame {
	Ctrl* bar = nullptr;
	void FrameLayout(Rect& r) override { LayoutFrameLeft(r, bar, 10); }
	void FrameAddSize(Size& sz) override { sz.cx += 10; }
	void FramePaint(Draw&, const Rect&) override {}
	void FrameAdd(Ctrl& c) override { c.AddChild(bar); }
};

using TreePaint = CtrlTestBase;

TEST_F(TreePaint, FramesThenFrameChildrenThenOwnThenViewChildren)
{
	RecordingCtrl p("p"), bar("bar"), a("a"), b("b");
	RecordingFrame rf("rf", 2);
	BarFrame bf;
	bf.bar = &bar;
	p.SetRect(0, 0, 100, 80);
	p.SetFrame(rf);
	p.AddFrame(bf);
	p.AddChild(&a);
	p.AddChild(&b);
	a.SetRect(5, 5, 20, 20);
	b.SetRect(10, 10, 20, 20);
	ImageDraw w(100, 80);
	CallLog().clear();
	p.CtrlPaint(w, Rect(0, 0, 100, 80));
	EXPECT_EQ(PaintCalls(), (V{"rf.FramePaint(0,0,100,80)", "bar.Paint", "p.Paint", "a.Paint", "b.Paint"}));
	EXPECT_TRUE(Healthy(w));
}

TEST_F(TreePaint, NestedClipsAndOffsetsLaterOverEarlier)
{
	Fill t(Color(255, 255, 255)), a(Color(0, 255, 0)), c(Color(0, 0, 255)), b(Color(255, 255, 0));
	SolidFrame frame;
	t.SetFrame(frame);
	t.SetRect(0, 0, 60, 60);
	t.AddChild(&a);
	a.SetRect(10, 10, 20, 20); // (12, 12, 32, 32) in t
	a.AddChild(&c);
	c.SetRect(5, 5, 5, 5);     // (17, 17, 22, 22)
	t.AddChild(&b);
	b.SetRect(18, 18, 10, 10); // (20, 20, 30, 30)
	ImageDraw w(60, 60);
	t.CtrlPaint(w, Rect(0, 0, 60, 60));
	const unsigned R = 0xFFFF0000, W = 0xFFFFFFFF, G = 0xFF00FF00, B = 0xFF0000FF, Y = 0xFFFFFF00;
	ExpectPixels(w.GetImage(), {{0, 0, R}, {1, 58, R}, {2, 2, W}, {11, 11, W}, {12, 12, G}, {17, 17, B},
	                            {22, 17, G}, {21, 21, Y}, {31, 31, G}, {32, 32, W}});
	// the clip prunes and clips the children; the control's own content is clipped by the
	// paint request's own clip, set by whoever builds the draw
	ImageDraw part(60, 60);
	t.CtrlPaint(part, Rect(0, 0, 60, 19));
	ExpectPixels(part.GetImage(), {{12, 18, G}, {12, 19, W}, {18, 18, B}, {25, 25, W}});
}

TEST_F(TreePaint, OpaqueChildrenHideAndMarginsCount)
{
	RecordingCtrl p("p"), a("a"), c("c");
	p.SetRect(0, 0, 50, 50);
	p.AddChild(&a);
	a.SetRect(0, 0, 50, 50);
	ImageDraw w(50, 50);
	auto painted = [&](const Rect& clip) {
		CallLog().clear();
		p.CtrlPaint(w, clip);
		return Calls("p.Paint").size() + Calls("c.Paint").size() * 10;
	};
	EXPECT_EQ(painted(Rect(0, 0, 50, 50)), 0u);
	a.Transparent();
	EXPECT_EQ(painted(Rect(0, 0, 50, 50)), 1u);
	a.NoTransparent();
	p.overpaint = 2;
	p.SyncLayout();
	EXPECT_EQ(painted(Rect(0, 0, 50, 50)), 1u); // the child leaves the margin uncovered
	EXPECT_EQ(painted(Rect(-2, -2, 0, 0)), 1u); // the margin alone
	p.RemoveChild(&a);
	p.overpaint = 0;
	p.AddChild(&c);
	c.SetRect(10, 10, 10, 10);
	c.overpaint = 3;
	c.SyncLayout();
	p.SyncLayout();
	EXPECT_EQ(painted(Rect(7, 7, 9, 9)), 11u); // only the child's margin meets the clip
	EXPECT_EQ(painted(Rect(2, 2, 6, 6)), 1u);
	detail::CtrlAccess::Flags(c) &= ~Ctrl::VISIBLE;
	EXPECT_EQ(painted(Rect(0, 0, 50, 50)), 1u);
}

TEST_F(TreePaint, LargeTreePaintedOnlyWhereTheClipMeetsIt)
{
	RecordingCtrl root("root");
	std::vector<std::unique_ptr<RecordingCtrl>> cells;
	root.SetRect(0, 0, 1000, 1000);
	for(int i = 0; i < 1000; i++) { // 25 columns of 40, 40 rows of 25
		cells.push_back(std::make_unique<RecordingCtrl>("x"));
		root.AddChild(cells.back().get());
		cells.back()->SetRect(40 * (i % 25), 25 * (i / 25), 40, 25);
	}
	ImageDraw w(1000, 1000);
	CallLog().clear();
	root.CtrlPaint(w, Rect(45, 30, 65, 50));
	EXPECT_EQ(Calls("x.Paint").size(), 1u);
	CallLog().clear();
	root.CtrlPaint(w, Rect(35, 20, 55, 30));
	EXPECT_EQ(Calls("x.Paint").size(), 4u);
	CallLog().clear();
	ResetCounts();
	root.CtrlPaint(w, Rect(0, 0, 1000, 1000));
	EXPECT_EQ(Calls("x.Paint").size(), 1000u);
	EXPECT_EQ(Counted().save, Counted().restore);
	EXPECT_TRUE(Healthy(w));
}

TEST_F(TreePaint, UpdateAreaClearsPendingRefreshesAndShowsTheCaretInverted)
{
	Fill t(Color(255, 255, 255)), a(Color(255, 255, 255));
	t.SetRect(0, 0, 20, 20);
	t.AddChild(&a);
	a.SetRect(5, 5, 10, 10);
	a.caret = Rect(2, 2, 4, 8);
	detail::CtrlAccess::Flags(a) |= Ctrl::FULLREFRESH;
	detail::Caret().ctrl = &a;
	detail::Caret().visible = true;
	ImageDraw w(20, 20);
	t.UpdateArea(w, Rect(0, 0, 20, 20));
	detail::Caret().ctrl = nullptr;
	detail::Caret().visible = false;
	EXPECT_FALSE(a.GetFlags() & Ctrl::FULLREFRESH);
	ExpectPixels(w.GetImage(), {{7, 7, 0xFF000000}, {8, 12, 0xFF000000}, {9, 7, 0xFFFFFFFF}, {7, 13, 0xFFFFFFFF}});
}

void sPaintDuringPanic(const char*, const char*)
{
	RecordingCtrl t("t");
	t.SetRect(0, 0, 10, 10);
	ImageDraw w(10, 10);
	CallLog().clear();
	t.UpdateArea(w, Rect(0, 0, 10, 10));
	fprintf(stderr, "paint calls: %d\n", int(PaintCalls().size()));
}

TEST(TreePaintPanic, NothingDuringPanic)
{
	EXPECT_DEATH({
		InstallPanicMessageBox(sPaintDuringPanic);
		Panic("stop");
	}, "paint calls: 0");
}

TEST(InvalidRects, ScaledToGdkUnitsAndCollapsedPast41)
{
	detail::Top top;
	detail::TakeInvalidWake();
	for(int scale : {1, 2, 3, 3}) {
		detail::SetDisplayScale(scale);
		detail::WndInvalidateRect(&top, top.invalid.GetCount() < 3 ? Rect(1, 1, 4, 4) : Rect(3, 5, 7, 9));
	}
	detail::SetDisplayScale(1);
	EXPECT_TRUE(detail::TakeInvalidWake()); // once, until the event pump looks
	EXPECT_FALSE(detail::TakeInvalidWake());
	EXPECT_EQ(top.invalid, (Vector<Rect>{ Rect(1, 1, 4, 4), Rect(0, 0, 2, 2), Rect(0, 0, 2, 2), Rect(1, 1, 3, 3) }));
	for(int i = 4; i < 41; i++)
		detail::WndInvalidateRect(&top, Rect(i, 0, i + 1, 1));
	EXPECT_EQ(top.invalid.GetCount(), 41);
	detail::WndInvalidateRect(&top, Rect(0, 0, 1, 1));
	detail::WndInvalidateRect(&top, Rect(5, 5, 6, 6));
	EXPECT_EQ(top.invalid, Vector<Rect>{ Rect(INT_MIN, INT_MIN, INT_MIN, INT_MIN) }); // the whole window
}

} // namespace
} // namespace guitest
