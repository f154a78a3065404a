// The drop dispatch over a window's tree (enter, leave, the 40 ms repeat, the outermost taker),
// the drag icon, and drags that cannot start.
#include "GuiApp.h"

#include <gui/clip/detail/Clip.h>

namespace guitest {

namespace {

using V = std::vector<std::string>;

class Drop : public GuiApp {
protected:
	TestClock clock;
	PasteSource clip = PasteSource(PasteSource::DROP, false);

	void TearDown() override
	{
		Ctrl::DispatchDropLeave();
		GuiApp::TearDown();
	}
	std::vector<std::string> DropCalls()
	{
		std::vector<std::string> out;
		for(const std::string& s : CallLog())
			if(s.find(".Drag") != std::string::npos || s.find("DragAndDrop") != std::string::npos)
				out.push_back(s);
		return out;
	}
	void Tick(int ms)
	{
		clock.Advance(ms);
		TimerProc(detail::GuiTick());
	}
};

TEST_F(Drop, EnterLeaveAndTheRepeatFollowThePointer)
{
	PaintCtrl top("top");
	RecordingCtrl a("a"), b("b");
	top.AddChild(&a);
	top.AddChild(&b);
	a.SetRect(10, 10, 50, 50);
	b.SetRect(100, 10, 50, 50);
	a.drop_formats = b.drop_formats = "*";
	Open(top, Rect(100, 100, 300, 200));
	CallLog().clear();

	top.DispatchDrop(Point(20, 30), clip);
	EXPECT_EQ(DropCalls(), (V{"top.DragAndDrop(20,30)", "a.DragAndDrop(10,20)", "a.DragEnter"}));
	EXPECT_TRUE(clip.accepted);
	CallLog().clear();
	Tick(39);
	EXPECT_EQ(DropCalls(), V{});
	Tick(1);
	EXPECT_EQ(DropCalls(), (V{"a.DragRepeat(10,20)", "a.DragAndDrop(10,20)"}));
	Tick(40);
	EXPECT_EQ(DropCalls().size(), 4u);

	// over b: a leaves before b enters, and the repeat starts again from the new point
	CallLog().clear();
	clip.accepted = false;
	top.DispatchDrop(Point(110, 15), clip);
	EXPECT_EQ(DropCalls(), (V{"top.DragAndDrop(110,15)", "b.DragAndDrop(10,5)", "a.DragLeave", "b.DragEnter"}));
	CallLog().clear();
	Tick(20);
	EXPECT_EQ(DropCalls(), V{});
	Tick(20);
	EXPECT_EQ(DropCalls(), (V{"b.DragRepeat(10,5)", "b.DragAndDrop(10,5)"}));

	// the leave ends the repeat
	CallLog().clear();
	Ctrl::DispatchDropLeave();
	Tick(200);
	EXPECT_EQ(DropCalls(), V{"b.DragLeave"});
}

TEST_F(Drop, TheOutermostTakerHidesItsChildrenAndFramesGetTheirOwnCall)
{
	PaintCtrl top("top");
	RecordingCtrl parent("parent"), child("child"), off("off");
	RecordingFrame frame("f", 5);
	top.AddChild(&parent);
	parent.AddChild(&child);
	top.AddChild(&off);
	parent.SetRect(10, 10, 100, 100);
	parent.SetFrame(frame);
	child.SetRect(0, 0, 50, 50);
	off.SetRect(150, 10, 40, 40);
	child.drop_formats = "*";
	Open(top, Rect(100, 100, 300, 200));
	CallLog().clear();

	top.DispatchDrop(Point(12, 12), clip); // the frame of parent
	EXPECT_EQ(DropCalls(), (V{"top.DragAndDrop(12,12)", "parent.FrameDragAndDrop(2,2)", "parent.DragEnter"}));
	EXPECT_FALSE(clip.accepted);

	CallLog().clear();
	top.DispatchDrop(Point(20, 20), clip);
	EXPECT_EQ(DropCalls(), (V{"top.DragAndDrop(20,20)", "parent.DragAndDrop(5,5)", "child.DragAndDrop(5,5)",
	                          "parent.DragLeave", "child.DragEnter"}));

	CallLog().clear();
	parent.drop_formats = "*";
	clip.accepted = false;
	top.DispatchDrop(Point(20, 20), clip);
	EXPECT_EQ(DropCalls(), (V{"top.DragAndDrop(20,20)", "parent.DragAndDrop(5,5)", "child.DragLeave",
	                          "parent.DragEnter"}));

	// disabled controls stop the walk where they are
	CallLog().clear();
	clip.accepted = false;
	off.Enable(false);
	top.DispatchDrop(Point(160, 20), clip);
	EXPECT_EQ(DropCalls(), (V{"top.DragAndDrop(160,20)", "parent.DragLeave", "top.DragEnter"}));

	// a control destroyed under the drop is let go without a call
	CallLog().clear();
	{
		RecordingCtrl gone("gone");
		gone.SetRect(200, 100, 20, 20);
		gone.drop_formats = "*";
		top.AddChild(&gone);
		top.DispatchDrop(Point(205, 105), clip);
	}
	Tick(40);
	Ctrl::DispatchDropLeave();
	EXPECT_EQ(Calls("gone.DragLeave").size(), 0u);
	EXPECT_EQ(Calls("gone.DragRepeat").size(), 0u);
}

TEST_F(Drop, IconFramesTheSampleScaledIntoItsInterior)
{
	ImageBuffer b(500, 40);
	for(int y = 0; y < 40; y++)
		for(int x = 0; x < 500; x++)
			b[y][x] = x < 250 ? RGBA{0, 0, 255, 255} : RGBA{255, 0, 0, 255};
	Image sample(b);
	Image icon = detail::MakeDragImage(sample, 128);
	ASSERT_EQ(icon.GetSize(), Size(130, 42));
	auto at = [&](int x, int y) { const RGBA& p = icon[y][x]; return Color(p.r, p.g, p.b); };
	for(int x = 0; x < 130; x++) {
		EXPECT_EQ(at(x, 0), Color(0, 0, 0));
		EXPECT_EQ(at(x, 41), Color(0, 0, 0));
	}
	for(int y = 0; y < 42; y++) {
		EXPECT_EQ(at(0, y), Color(0, 0, 0));
		EXPECT_EQ(at(129, y), Color(0, 0, 0));
	}
	// 500 x 40 becomes 128 x 40: the colour edge moves from 250 to 64 (plus the border)
	EXPECT_EQ(at(1, 1), Color(255, 0, 0));
	EXPECT_EQ(at(63, 20), Color(255, 0, 0));
	EXPECT_EQ(at(66, 20), Color(0, 0, 255));
	EXPECT_EQ(at(128, 40), Color(0, 0, 255));
	EXPECT_EQ(detail::MakeDragImage(sample, 256).GetSize(), Size(258, 42));
	EXPECT_TRUE(detail::MakeDragImage(Image(), 128).IsEmpty());
}

TEST_F(Drop, DragsStartOnlyFromAnOpenWindow)
{
	RecordingCtrl loose("loose");
	VectorMap<String, ClipData> data;
	AppendClipText(data, WString("x"));
	EXPECT_EQ(data.GetKey(0), "text");
	EXPECT_EQ(loose.DoDragAndDrop(data, Image(), 3), 0);
	EXPECT_EQ(Ctrl::GetDragAndDropSource(), nullptr);
	PaintCtrl top("top");
	top.AddChild(&loose);
	EXPECT_EQ(loose.DoDragAndDrop(data, Image(), 3), 0); // a top control, but not open
	EXPECT_TRUE(detail::DragState().data.IsEmpty());
}

} // namespace

} // namespace guitest
