// The event queue: what GTK events leave in it, how neighbours merge, how the ring grows, and
// the event loops that drain it.
#include "GuiApp.h"

#include <X11/keysym.h>

namespace guitest {

namespace {

using namespace detail;

class Queue : public GuiApp {
protected:
	GdkEventQueue& q = GdkQueue();

	void Push(int window, int type, const Value& v = Value(), dword state = 0)
	{
		EnqueueGdkEvent(window, type, v, nullptr);
		q[q.GetCount() - 1].state = state; // as if the modifiers had been held
	}
	void PushKey(int window, int type, dword keyval, int keycode, dword state = 0)
	{
		EnqueueGdkKey(window, type, keyval, keycode, nullptr);
		q[q.GetCount() - 1].state = state;
	}
	// Pops one record the way the pump does; its type, window and count.
	std::string Pop()
	{
		if(!ProcessNextGdkEvent(nullptr, false))
			return "empty";
		const QueuedGdkEvent& e = CurrentGdkEvent();
		std::string s = std::to_string(e.type) + "@" + std::to_string(e.window) + "x" + std::to_string(e.count);
		if(e.type == GDK_KEY_PRESS || e.type == GDK_KEY_RELEASE)
			return s + " [" + std::to_string(e.keyval) + ", " + std::to_string(e.keycode) + "]";
		return s + (e.value.IsNull() ? "" : " " + S(StdFormat(e.value)));
	}
};

TEST_F(Queue, NeighboursMergeOnlyWithTheSameTypeWindowAndState)
{
	q.Clear();
	for(int i = 0; i < 12; i++)
		PushKey(1, GDK_KEY_PRESS, 'a', 38);
	PushKey(1, GDK_KEY_PRESS, 'a', 38, GDK_SHIFT_MASK); // Shift held: a run of its own
	PushKey(1, GDK_KEY_PRESS, 'a', 38, GDK_SHIFT_MASK);
	Push(1, GDK_CONFIGURE, Rect(0, 0, 10, 10));
	Push(1, GDK_CONFIGURE, Rect(0, 0, 20, 20));
	Push(2, GDK_CONFIGURE, Rect(0, 0, 30, 30));
	Push(1, GDK_SCROLL, Point(0, 120));
	Push(1, GDK_SCROLL, Point(0, 120));
	Push(1, GDK_SCROLL, Point(-120, 0));
	Push(1, GDK_MOTION_NOTIFY);
	Push(1, GDK_MOTION_NOTIFY);
	EXPECT_EQ(Pop(), "8@1x12 [97, 38]");
	EXPECT_EQ(Pop(), "8@1x2 [97, 38]");
	EXPECT_EQ(Pop(), "13@1x1 [0, 0] - [20, 20] : (20, 20)");
	EXPECT_EQ(Pop(), "13@2x1 [0, 0] - [30, 30] : (30, 30)");
	EXPECT_EQ(Pop(), "31@1x1 (-120, 240)");
	EXPECT_EQ(Pop(), "3@1x1");
	EXPECT_EQ(Pop(), "3@1x1");
	EXPECT_EQ(Pop(), "empty");
}

TEST_F(Queue, TheRingGrowsInOrderAndStopsAtItsLimit)
{
	GdkEventQueue ring;
	auto add = [&](int type) { ring.Add()->type = type; };
	add(1);
	EXPECT_EQ(ring.GetAlloc(), 4);
	add(2);
	add(3);
	ring.DropHead();
	ring.DropHead();
	for(int t = 4; t <= 7; t++) // wraps around the end of the array, then grows
		add(t);
	EXPECT_EQ(ring.GetAlloc(), 8);
	std::vector<int> order;
	for(int i = 0; i < ring.GetCount(); i++)
		order.push_back(ring[i].type);
	EXPECT_EQ(order, (std::vector<int>{3, 4, 5, 6, 7}));
	while(ring.Add())
		;
	EXPECT_EQ(ring.GetCount(), GdkEventQueue::LIMIT);
}

TEST_F(Queue, WhatGtkEventsLeaveInTheQueue)
{
	PaintCtrl top("top");
	Open(top, Rect(0, 0, 100, 100));
	int id = TopOf(top)->id;
	q.Clear();
	auto button = [&](GdkEventType type, guint b) {
		GdkEvent* e = gdk_event_new(type);
		e->button.button = b;
		gboolean r = GtkEventProc(nullptr, e, IdToData(id));
		gdk_event_free(e);
		return r;
	};
	EXPECT_FALSE(button(GDK_BUTTON_PRESS, 6));
	EXPECT_TRUE(q.IsEmpty());
	EXPECT_TRUE(button(GDK_BUTTON_PRESS, 8));
	EXPECT_TRUE(button(GDK_BUTTON_PRESS, 3));
	EXPECT_EQ(GdkButtonWord(), 0x400u);
	EXPECT_TRUE(button(GDK_BUTTON_RELEASE, 3));
	EXPECT_EQ(GdkButtonWord(), 0u);
	EXPECT_EQ(Pop(), "4@" + std::to_string(id) + "x1 8");
	EXPECT_EQ(q[0].state & 0x400, 0x400u); // the button word as it was when queued
	q.Clear();

	// the window manager's close request is queued and the window stays
	gtk_window_close(GTK_WINDOW(TopOf(top)->window));
	auto queued = [&](int type) {
		for(int i = 0; i < q.GetCount(); i++)
			if(q[i].type == type)
				return true;
		return false;
	};
	EXPECT_TRUE(WaitFor([&] { return queued(GDK_DELETE); }));
	EXPECT_TRUE(top.IsOpen());

	// a key the input method takes leaves no press, but its release
	testkit::Focus(XidOf(top));
	ASSERT_TRUE(WaitFor([&] { return gtk_window_is_active(GTK_WINDOW(TopOf(top)->window)); }));
	q.Clear();
	testkit::KeyTap(XK_a);
	ASSERT_TRUE(WaitFor([&] { return queued(GDK_KEY_RELEASE); }));
	EXPECT_FALSE(queued(GDK_KEY_PRESS));
}

TEST_F(Queue, ModalLoopsNest)
{
	PaintCtrl outer("outer"), inner("inner");
	Open(outer, Rect(0, 0, 100, 100));
	std::vector<std::string> steps;
	SetTimeCallback(0, [&] {
		Open(inner, Rect(10, 10, 50, 50), &outer);
		SetTimeCallback(0, [&] {
			outer.BreakLoop(0); // waits for the inner loop
			SetTimeCallback(30, [&] {
				steps.push_back(outer.InLoop() ? "outer running" : "outer broken, inner running");
				inner.Close(); // ends the inner loop without breaking it
			});
		});
		Ctrl::EventLoop(&inner);
		steps.push_back(inner.InLoop() ? "inner closed" : "inner broken");
	});
	Ctrl::EventLoop(&outer);
	EXPECT_EQ(steps, (std::vector<std::string>{"outer broken, inner running", "inner closed"}));
	EXPECT_EQ(Ctrl::GetLoopCtrl(), nullptr);

	// a loop that ended leaves what is queued to the loop outside it
	q.Clear();
	Push(1, GDK_MOTION_NOTIFY);
	Push(2, GDK_MOTION_NOTIFY);
	detail::Focus().loop_ctrl = &outer; // its loop flag is clear
	detail::PumpEvents(nullptr, false);
	EXPECT_EQ(q.GetCount(), 2);
}

} // namespace

} // namespace guitest
