// Frames and logical positions: the packed axis words, rectangles for every alignment, the
// frame list and the basic frames.
#include "RecordingCtrl.h"
#include "FakeScreen.h"
#include "../draw/RecordingDraw.h"

#include <gtest/gtest.h>

namespace guitest {

using V = std::vector<std::string>;

TEST(LogPos, PackedWords)
{
	EXPECT_EQ(LogPosAxis(LogPosAxis::LEFT, 5, 100).GetWord(), (1u << 30) | (5u << 15) | 100u);
	LogPosAxis r(LogPosAxis::RIGHT, -3, 20);
	EXPECT_EQ(r.GetWord(), (2u << 30) | (0x7FFDu << 15) | 20u);
	EXPECT_EQ(r.GetAlign(), LogPosAxis::RIGHT);
	EXPECT_EQ(r.GetA(), -3);
	EXPECT_EQ(r.GetB(), 20);
	LogPosAxis extremes(LogPosAxis::SIZE, -16384, 16383);
	EXPECT_EQ(extremes.GetA(), -16384);
	EXPECT_EQ(extremes.GetB(), 16383);
	EXPECT_EQ(LogPosAxis(LogPosAxis::CENTER, 0, MINSIZE).GetB(), MINSIZE);
	EXPECT_EQ(LogPosAxis(LogPosAxis::LEFT, 40000, 0).GetA(), 40000 - 32768); // 15 bits: wraps as stored

	Ctrl c;
	EXPECT_TRUE(c.GetPos().x.IsEmpty()); // a new control's 0x40000000
	c.SetLeftPos(7, 30).SetBottomPos(2, 10);
	dword x = c.GetPos().x, y = c.GetPos().y;
	EXPECT_EQ(x, (1u << 30) | (7u << 15) | 30u);
	EXPECT_EQ(y, (2u << 30) | (2u << 15) | 10u);
	EXPECT_FALSE(LogPosAxis(LogPosAxis::LEFT, 0, 1).IsEmpty());
	EXPECT_TRUE(LogPosAxis(LogPosAxis::CENTER, 5, 0).IsEmpty());
	EXPECT_TRUE(LogPosAxis(LogPosAxis::SIZE, 5, 5).IsEmpty());
	EXPECT_FALSE(LogPosAxis(LogPosAxis::SIZE, 5, 6).IsEmpty());
	EXPECT_TRUE(LogPosAxis(LogPosAxis::SIZE, -1, -2).IsEmpty());
}

TEST(LogPos, CalcRectForEveryAlignment)
{
	Ctrl c;
	Size e(200, 101);
	auto h = [&](int align, int a, int b) {
		Rect r = c.CalcRect(LogPos(LogPosAxis(align, a, b), LogPosAxis(LogPosAxis::TOP, 0, 1)), e);
		return std::make_pair(r.left, r.right);
	};
	auto v = [&](int align, int a, int b) {
		Rect r = c.CalcRect(LogPos(LogPosAxis(LogPosAxis::LEFT, 0, 1), LogPosAxis(align, a, b)), e);
		return std::make_pair(r.top, r.bottom);
	};
	using P = std::pair<int, int>;
	EXPECT_EQ(h(LogPosAxis::LEFT, 10, 50), P(10, 60));
	EXPECT_EQ(h(LogPosAxis::RIGHT, 10, 50), P(140, 190));
	EXPECT_EQ(h(LogPosAxis::SIZE, 10, 20), P(10, 180));
	EXPECT_EQ(h(LogPosAxis::CENTER, 0, 51), P(74, 125));   // odd free space: the extra pixel after
	EXPECT_EQ(h(LogPosAxis::CENTER, -3, 50), P(72, 122));  // shifted
	EXPECT_EQ(v(LogPosAxis::CENTER, 0, 50), P(25, 75));    // 51 free: 25 before, 26 after
	EXPECT_EQ(v(LogPosAxis::BOTTOM, 1, 10), P(90, 100));
	e = Size(40, 40);
	EXPECT_EQ(h(LogPosAxis::CENTER, 0, 51), P(-5, 46));    // -11 / 2 truncates toward zero
	EXPECT_EQ(h(LogPosAxis::CENTER, 0, 52), P(-6, 46));
	EXPECT_EQ(h(LogPosAxis::SIZE, 30, 25), P(30, 30));     // insets past the extent: empty at the left inset
	EXPECT_EQ(h(LogPosAxis::LEFT, 5, -10), P(5, 5));       // negative sizes give empty rectangles
	EXPECT_EQ(h(LogPosAxis::RIGHT, -10, 20), P(30, 50));
}

TEST(LogPos, SpecialSizesAskTheControl)
{
	FakeScreen screen;
	screen.root = Rect(0, 0, 1600, 900);
	RecordingCtrl c("c");
	c.minsize = Size(33, 44);
	Size e(500, 500);
	EXPECT_EQ(c.CalcRect(LogPos(LogPosAxis(LogPosAxis::LEFT, 0, MINSIZE), LogPosAxis(LogPosAxis::TOP, 0, MINSIZE)), e),
	          Rect(0, 0, 33, 44));
	EXPECT_EQ(c.CalcRect(LogPos(LogPosAxis(LogPosAxis::RIGHT, 0, STDSIZE), LogPosAxis(LogPosAxis::TOP, 0, STDSIZE)), e),
	          Rect(500 - 330, 0, 500, 44));
	EXPECT_EQ(c.CalcRect(LogPos(LogPosAxis(LogPosAxis::LEFT, 0, MAXSIZE), LogPosAxis(LogPosAxis::TOP, 0, MAXSIZE)), e),
	          Rect(0, 0, 1600, 900));
	// a special value in the a field too
	EXPECT_EQ(c.CalcRect(LogPos(LogPosAxis(LogPosAxis::SIZE, MINSIZE, 0), LogPosAxis(LogPosAxis::TOP, 0, 1)), e).left, 33);
}

class Frames : public CtrlTestBase {};

TEST_F(Frames, ListInsertSetAndView)
{
	RecordingCtrl c("c");
	c.SetRect(0, 0, 100, 80);
	RecordingFrame a("a", 2), b("b", 5), f("f", 1);
	CallLog().clear();
	c.SetFrame(a);
	EXPECT_EQ(CallLog().front(), "a.FrameAdd");
	EXPECT_EQ(c.GetFrameCount(), 1);
	CallLog().clear();
	c.AddFrame(b);
	EXPECT_EQ(CallLog(), (V{"b.FrameAdd", "a.FrameLayout(0,0,100,80)", "b.FrameLayout(2,2,98,78)", "c.StateChanged(101)",
	                        "c.Layout(86x66)"}));
	EXPECT_EQ(c.GetView(), Rect(7, 7, 93, 73));
	EXPECT_EQ(c.GetSize(), Size(86, 66));
	EXPECT_EQ(detail::CtrlAccess::FrameRect(c, 0), Rect(2, 2, 98, 78));

	CallLog().clear();
	EXPECT_EQ(c.AddFrameSize(10, 10), Size(24, 24));
	EXPECT_EQ(CallLog(), (V{"b.FrameAddSize(10x10)", "a.FrameAddSize(20x20)"})); // the last frame first

	c.InsertFrame(0, f);
	EXPECT_EQ(&c.GetFrame(0), &f);
	EXPECT_EQ(&c.GetFrame(1), &a);
	EXPECT_EQ(&c.GetFrame(2), &b);
	EXPECT_EQ(c.GetView(), Rect(8, 8, 92, 72));

	CallLog().clear();
	c.SetFrame(1, b); // replaces a
	EXPECT_EQ(CallLog()[0], "a.FrameRemove");
	EXPECT_EQ(CallLog()[1], "b.FrameAdd");
}

TEST_F(Frames, SetFramePastTheEndPadsWithNullFrames)
{
	RecordingCtrl c("c");
	RecordingFrame a("a", 1), f("f", 1);
	c.SetFrame(0, a);
	c.SetFrame(3, f);
	ASSERT_EQ(c.GetFrameCount(), 4);
	EXPECT_EQ(&c.GetFrame(0), &a);
	EXPECT_EQ(&c.GetFrame(1), &NullFrame());
	EXPECT_EQ(&c.GetFrame(2), &NullFrame());
	EXPECT_EQ(&c.GetFrame(3), &f);
	// many frames: the array grows and keeps its order
	std::vector<std::unique_ptr<RecordingFrame>> more;
	for(int i = 0; i < 20; i++) {
		more.emplace_back(new RecordingFrame("m" + std::to_string(i), 0));
		c.InsertFrame(2, *more.back());
	}
	ASSERT_EQ(c.GetFrameCount(), 24);
	EXPECT_EQ(&c.GetFrame(0), &a);
	EXPECT_EQ(&c.GetFrame(2), more.back().get());
	EXPECT_EQ(&c.GetFrame(21), more.front().get());
	EXPECT_EQ(&c.GetFrame(23), &f);
}

TEST_F(Frames, BorderNeedsRoomForAllItsRings)
{
	Ctrl c;
	c.SetFrame(OutsetFrame()); // two rings
	c.SetRect(0, 0, 3, 30);
	EXPECT_EQ(c.GetView(), Rect(0, 0, 3, 30));
	c.SetRect(0, 0, 4, 4);
	EXPECT_EQ(c.GetView(), Rect(2, 2, 2, 2));
	c.SetFrame(TextColorBorderFrame());
	EXPECT_EQ(c.GetView(), Rect(1, 1, 3, 3));
	EXPECT_EQ(c.AddFrameSize(0, 0), Size(2, 2));

	QelTest::RecordingDraw w;
	OutsetFrame().FramePaint(w, Rect(0, 0, 3, 10));
	EXPECT_TRUE(w.calls.empty());
	OutsetFrame().FramePaint(w, Rect(0, 0, 4, 4));
	EXPECT_FALSE(w.calls.empty());
}

TEST_F(Frames, ThicknessChangeRefreshesTheWholeAreaWithTheMargin)
{
	RecordingCtrl c("c");
	RecordingFrame a("a", 2);
	a.overpaint = 3;
	c.SetFrame(a);
	c.SetRect(0, 0, 50, 40);
	EXPECT_EQ(detail::CtrlAccess::GetOverPaint(c), 3);
	RefreshProbe probe;
	CallLog().clear();
	c.SyncLayout();
	EXPECT_EQ(Calls("c.Refresh"), V{}); // nothing moved
	a.thickness = 4;
	c.SyncLayout();
	EXPECT_EQ(Calls("c.Refresh"), (V{"c.Refresh(0,0,42,32)", "c.RefreshFrame(-3,-3,53,43)"}));
}

// A frame that hosts a bar along one edge.
struct BarFrame : CtrlFrame {
	Ctrl* bar = nullptr;
	int   edge = 0;
	void FrameLayout(Rect& r) override
	{
		void (*layout[])(Rect&, Ctrl*, int) = {LayoutFrameLeft, LayoutFrameRight, LayoutFrameTop, LayoutFrameBottom};
		layout[edge](r, bar, 10);
	}
	void FrameAddSize(Size& sz) override { sz.cx += 10; }
	void FramePaint(Draw&, const Rect&) override {}
	void FrameAdd(Ctrl& c) override { c.AddChild(bar); }
};

TEST_F(Frames, HostedControlsAlongEachEdge)
{
	Ctrl c, bar;
	BarFrame f;
	f.bar = &bar;
	c.SetRect(0, 0, 100, 80);
	c.SetFrame(f);
	EXPECT_TRUE(bar.InFrame());
	EXPECT_EQ(bar.GetRect(), Rect(0, 0, 10, 80));
	EXPECT_EQ(c.GetView(), Rect(10, 0, 100, 80));
	Rect expect[] = {Rect(0, 0, 10, 80), Rect(90, 0, 100, 80), Rect(0, 0, 100, 10), Rect(0, 70, 100, 80)};
	Rect view[] = {Rect(10, 0, 100, 80), Rect(0, 0, 90, 80), Rect(0, 10, 100, 80), Rect(0, 0, 100, 70)};
	for(int edge = 0; edge < 4; edge++) {
		f.edge = edge;
		c.SyncLayout(2);
		EXPECT_EQ(bar.GetRect(), expect[edge]) << edge;
		EXPECT_EQ(c.GetView(), view[edge]) << edge;
	}
	bar.Show(false); // a hidden bar takes no room
	c.SyncLayout(2);
	EXPECT_EQ(c.GetView(), Rect(0, 0, 100, 80));
	LayoutFrameLeft(view[0], nullptr, 10); // no control: nothing
	EXPECT_EQ(view[0], Rect(10, 0, 100, 80));
}

} // namespace guitest
