// Visibility, enabling, focus, hooks, access keys and closing, in open windows.
#include "GuiApp.h"

namespace guitest {

namespace {

using V = std::vector<std::string>;

class State : public GuiApp {};

TEST_F(State, ShowAndHideNoticeOnceAndRepaintTheCoveredArea)
{
	PaintCtrl top("top");
	RecordingCtrl c("c"), bar("bar");
	top.AddChild(&c);
	top.AddChild(&bar);
	c.SetRect(10, 10, 30, 20);
	bar.SetPos(LogPos(LogPosAxis(LogPosAxis::LEFT, 0, 100), LogPosAxis(LogPosAxis::TOP, 0, 8)), true);
	Open(top, Rect(0, 0, 100, 100));
	CallLog().clear();
	c.Show(true);
	EXPECT_TRUE(Calls("c.").empty());
	{
		RefreshProbe probe;
		c.Show(false);
	}
	EXPECT_EQ(Calls("c.StateChanged"), V{"c.StateChanged(13)"});
	EXPECT_EQ(Calls("c.RefreshFrame").front(), "c.RefreshFrame(0,0,30,20)");
	// a frame-area child makes its parent lay the frames out again
	CallLog().clear();
	bar.Show(false);
	EXPECT_EQ(Calls("top.StateChanged"), V{"top.StateChanged(101)"});
	EXPECT_EQ(Calls("top.Layout").size(), 1u);
	// a window shows and hides its native window
	top.Show(false);
	EXPECT_FALSE(gtk_widget_get_visible(TopOf(top)->window));
	top.Show(true);
	EXPECT_TRUE(gtk_widget_get_visible(TopOf(top)->window));
	EXPECT_EQ(Calls("top.StateChanged(13)").size(), 2u);
}

TEST_F(State, FocusMovesOnFromADisabledControlAndRefusesWhatCannotTakeIt)
{
	PaintCtrl top("top");
	RecordingCtrl a("a"), b("b"), group("group"), inner("inner"), frame("frame");
	for(Ctrl* q : {(Ctrl*)&a, (Ctrl*)&b, (Ctrl*)&group})
		top.AddChild(q);
	group.AddChild(&inner);
	top.AddChild(&frame);
	frame.SetPos(LogPos(LogPosAxis(LogPosAxis::LEFT, 0, 10), LogPosAxis(LogPosAxis::TOP, 0, 10)), true);
	Open(top, Rect(0, 0, 100, 100));
	ASSERT_TRUE(b.SetFocus());
	EXPECT_EQ(Ctrl::GetFocusCtrl(), &b);
	EXPECT_EQ(Ctrl::GetActiveCtrl(), &top);
	EXPECT_TRUE(top.HasFocusDeep());
	CallLog().clear();
	b.Enable(false);
	EXPECT_EQ(Ctrl::GetFocusCtrl(), &group); // the next in tree order
	V calls = Calls("b.");
	std::erase(calls, "b.GetCaret"); // asked whenever the caret is synchronised
	EXPECT_EQ(calls, (V{"b.StateChanged(10)", "b.LostFocus", "b.StateChanged(14)"}));
	EXPECT_EQ(Calls("top.ChildLostFocus").size(), 1u);
	EXPECT_FALSE(b.SetFocus());
	group.Show(false);
	EXPECT_FALSE(inner.SetFocus());
	group.Show(true);
	EXPECT_EQ(Ctrl::GetFocusCtrl(), &group);

	// after inner comes only the frame-area control, which noframe skips; no wrapping around
	EXPECT_FALSE(Ctrl::IterateFocusForward(&inner, &top, true));
	EXPECT_EQ(Ctrl::GetFocusCtrl(), &group);
	EXPECT_TRUE(Ctrl::IterateFocusForward(&inner, &top));
	EXPECT_EQ(Ctrl::GetFocusCtrl(), &frame);
	EXPECT_TRUE(Ctrl::IterateFocusBackward(&frame, &top));
	EXPECT_EQ(Ctrl::GetFocusCtrl(), &inner); // children before their parent, backwards
	inner.InitFocus(false);
	group.InitFocus(false);
	EXPECT_FALSE(Ctrl::IterateFocusForward(&b, &top, true, true));

	// a window can be disabled as a whole
	top.Enable(false);
	EXPECT_FALSE(gtk_widget_is_sensitive(TopOf(top)->window));
}

TEST_F(State, FocusLeavesARemovedSubtreeForItsParent)
{
	PaintCtrl top("top");
	RecordingCtrl group("group"), x("x");
	top.AddChild(&group);
	group.AddChild(&x);
	Open(top, Rect(0, 0, 100, 100));
	ASSERT_TRUE(x.SetFocus());
	CallLog().clear();
	top.RemoveChild(&group);
	EXPECT_EQ(Ctrl::GetFocusCtrl(), &top);
	EXPECT_EQ(Calls("x.LostFocus").size(), 1u);
	EXPECT_TRUE(group.IsWantFocus()); // cleared only while the parent took the focus
	top.AddChild(&group);
	ASSERT_TRUE(x.SetFocus());
	{
		RecordingCtrl* gone = new RecordingCtrl("gone");
		group.AddChild(gone);
		ASSERT_TRUE(gone->SetFocus());
		delete gone;
	}
	EXPECT_EQ(detail::Focus().defer_focus, &group);
	EXPECT_EQ(Ctrl::GetFocusCtrl(), nullptr); // the destroyed control took it along
}

TEST_F(State, AStateHookThatTakesTheNoticeStopsIt)
{
	static std::vector<int> seen;
	static bool take;
	seen.clear();
	static bool installed = [] {
		Ctrl::InstallStateHook([](Ctrl*, int reason) { seen.push_back(reason); return false; });
		Ctrl::InstallStateHook([](Ctrl*, int reason) { return take && reason == Ctrl::ENABLE; });
		return true;
	}();
	(void)installed;
	RecordingCtrl c("c");
	take = true;
	c.Enable(false);
	take = false;
	EXPECT_TRUE(Calls("c.StateChanged").empty());
	c.SetEditable(false);
	EXPECT_EQ(Calls("c.StateChanged"), V{"c.StateChanged(15)"});
	EXPECT_EQ(seen, (std::vector<int>{Ctrl::ENABLE, Ctrl::EDITABLE}));
}

TEST_F(State, AccessKeysAndAcceptOfAHiddenControl)
{
	EXPECT_EQ(AccessKeyBit('Z'), 1u << 26);
	EXPECT_EQ(AccessKeyBit('1'), 1u);
	RecordingCtrl top("top"), a("a"), b("b");
	top.AddChild(&a);
	a.AddChild(&b);
	a.access_keys = AccessKeyBit('A');
	b.access_keys = AccessKeyBit('B');
	EXPECT_EQ(top.GetAccessKeysDeep(), 6u);
	top.DistributeAccessKeys();
	EXPECT_EQ(Calls("a.AssignAccessKeys"), V{"a.AssignAccessKeys(6)"});
	b.data = ErrorValue("bad");
	b.Show(false);
	EXPECT_TRUE(top.Accept());
}

TEST_F(State, ClosingHandsOwnedWindowsToTheOwnerAndEndsTheTree)
{
	PaintCtrl a("a"), b("b"), c("c");
	RecordingCtrl child("child");
	b.AddChild(&child);
	Open(a, Rect(0, 0, 100, 100));
	Open(b, Rect(10, 10, 100, 100), &a);
	Open(c, Rect(20, 20, 100, 100), &b);
	Array<Ptr<Ctrl>> list;
	for(Ctrl* q : {(Ctrl*)&a, (Ctrl*)&b, (Ctrl*)&c})
		list.Add(q);
	EXPECT_TRUE(DisableOtherWindows(list, &a).IsEmpty()); // b and c are a's through their owners
	Array<Ptr<Ctrl>> off = DisableOtherWindows(list, &b);
	ASSERT_EQ(off.GetCount(), 1);
	EXPECT_EQ(off[0], &a);
	a.Enable();
	CallLog().clear();
	b.Close();
	EXPECT_FALSE(b.IsOpen());
	EXPECT_FALSE(b.IsTopLevel());
	EXPECT_EQ(gtk_window_get_transient_for(GTK_WINDOW(TopOf(c)->window)), GTK_WINDOW(TopOf(a)->window));
	EXPECT_EQ(Calls("child.StateChanged"), V{"child.StateChanged(17)"});
	Ctrl::CloseTopCtrls();
	EXPECT_TRUE(Ctrl::GetTopCtrls().IsEmpty());
	Ctrl::EventLoop(); // no window: returns at once
}

} // namespace

} // namespace guitest
