// Fuzzed event records dispatched to a small window tree on an X server of the target's own:
// motions, presses, releases (extra buttons too), keys with any key value and repeat count,
// wheels, committed text, geometry, close requests and pen records, with the clock stepped
// between them so that repeats and holds fire. Controls take the capture, move the focus, hide
// and leave the tree from inside their handlers, or are destroyed between two events. Nothing may crash, hang or leave a
// dangling control behind in the dispatcher's state; the queue ends empty.
#include "GuiDisplay.h"

#include <gui/Gui.h>
#include <gui/ctrl/detail/CtrlAccess.h>
#include <gui/ctrl/detail/Focus.h>
#include <gui/input/detail/Mouse.h>
#include <gui/gtk/detail/EventQueue.h>
#include <gui/gtk/detail/Top.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <csignal>
#include <unistd.h>

using namespace Qel;
using namespace Qel::detail;

extern "C" const char* __lsan_default_suppressions()
{
	return "leak:libfontconfig.so\nleak:libglib-2.0.so\nleak:libgobject-2.0.so\nleak:libgtk-3.so\nleak:libgdk-3.so\n"
	       "leak:libX11.so\nleak:libcairo.so\nleak:libpango\n";
}

namespace {

void Check(bool b)
{
	if(!b)
		abort();
}

using fuzz::StartDisplay;

dword sNow = 100000;

struct Actor : Ctrl {
	int   role = 0;
	Ctrl* spare = nullptr; // a control this one adds back when asked

	void LeftDown(Point, dword) override
	{
		if(role == 1)
			SetCapture();
		if(role == 2)
			SetFocus();
	}
	void RightDown(Point, dword) override
	{
		if(role == 2 && GetParent())
			GetParent()->RemoveChild(this);
	}
	void MouseMove(Point, dword k) override
	{
		if(role == 3 && (k & 0x800000))
			Show(!IsVisible());
	}
	void LeftRepeat(Point, dword) override
	{
		if(role == 1)
			ReleaseCapture();
	}
	bool Key(dword key, int) override
	{
		if(role == 2 && (key & 0xFF) == 'x')
			IterateFocusForward(this, GetTopCtrl());
		return (key & 0xFF) == 'k';
	}
};

struct Scene {
	Actor  top, capture, focus, hider;
	Actor* victim = nullptr; // destroyed between two events at times
	Rect   home = Rect(50, 50, 450, 350);

	Scene()
	{
		capture.role = 1;
		focus.role = 2;
		hider.role = 3;
		top.SetRect(home);
		Place();
		top.CreateNativeWindow(nullptr, false);
	}
	void Place()
	{
		Actor* a[] = {&capture, &focus, &hider};
		for(int i = 0; i < 3; i++) {
			if(a[i]->GetParent() != &top)
				top.AddChild(a[i]);
			a[i]->SetRect(20 + 120 * i, 20, 100, 200);
			a[i]->Show();
		}
		if(!victim) {
			victim = new Actor;
			victim->SetRect(20, 240, 300, 40);
			top.AddChild(victim);
		}
	}
};

Scene* sScene;

struct Reader {
	const uint8_t* p;
	const uint8_t* e;
	dword Get(int bytes)
	{
		dword v = 0;
		for(int i = 0; i < bytes; i++)
			v = v << 8 | (p < e ? *p++ : 0);
		return v;
	}
};

const int sTypes[] = {GDK_MOTION_NOTIFY, GDK_BUTTON_PRESS, GDK_BUTTON_RELEASE, GDK_KEY_PRESS, GDK_KEY_RELEASE,
                      GDK_SCROLL, GDK_DELETE, GDK_CONFIGURE, QEV_COMMIT, QEV_FOCUS, GDK_LEAVE_NOTIFY,
                      GDK_2BUTTON_PRESS, QEV_CONFIGURE_DONE};

// The record's payload; key records get their key value and code instead.
Value Payload(int type, Reader& r, QueuedGdkEvent& key)
{
	switch(type) {
	case GDK_BUTTON_PRESS:
	case GDK_2BUTTON_PRESS:
	case GDK_BUTTON_RELEASE:
		return (int)(r.Get(1) % 12);
	case GDK_KEY_PRESS:
	case GDK_KEY_RELEASE: {
		dword k = r.Get(1);
		key.keyval = k < 128 ? k : k < 200 ? 0xff00 + r.Get(1) : r.Get(4); // ASCII, function keys, anything
		key.keycode = (int)r.Get(1);
		return Value();
	}
	case GDK_SCROLL:
		return Point((int16)r.Get(2), (int16)r.Get(2));
	case GDK_CONFIGURE:
		return r.Get(1) & 1 ? Value() : Value(Rect((int16)r.Get(2), (int16)r.Get(2), (int16)r.Get(2), (int16)r.Get(2)));
	case QEV_COMMIT: {
		WString s;
		for(int n = r.Get(1) % 4; n > 0; n--)
			s.Cat(int(r.Get(3) % 0x110000));
		return s;
	}
	default:
		return Value();
	}
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
	if(!StartDisplay() || !InitGtkApp(*argc, *argv, environ)) {
		fprintf(stderr, "gui_dispatch: no X server for GTK; every input passes untried\n");
		return 0;
	}
	SetGuiTickSource([] { return sNow; });
	SetWindowClassTest([](const Ctrl* c) { return sScene && c == &sScene->top; });
	GetWindowHooks().when_close = [](Ctrl*) {}; // the window stays: the next input needs it
	sScene = new Scene;
	return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	if(!sScene)
		return 0;
	GuiLock lock;
	Scene& s = *sScene;
	if(!s.top.IsOpen())
		s.top.CreateNativeWindow(nullptr, false);
	if(s.top.GetRect() != s.home)
		s.top.SetRect(s.home);
	s.Place();
	IterateGtkMainContext(false);
	GdkEventQueue& q = GdkQueue();
	q.Clear();
	int id = CtrlAccess::GetTop(s.top)->id;
	Reader r{data, data + size};
	for(int records = 0; r.p < r.e && records < 200; records++) {
		int type = sTypes[r.Get(1) % (sizeof(sTypes) / sizeof(sTypes[0]))];
		dword state = r.Get(2) & 0x70D;
		Point at(s.home.left + (int8_t)r.Get(1) * 4, s.home.top + (int8_t)r.Get(1) * 4);
		dword flags = r.Get(1);
		QueuedGdkEvent key;
		Value payload = Payload(type, r, key);
		QueuedGdkEvent* e = q.Add(id, type, payload);
		if(!e)
			break;
		e->keyval = key.keyval;
		e->keycode = key.keycode;
		e->state = state;
		e->mousepos = at;
		e->count = 1 + flags % 20;
		e->pen = flags & 0x80;
		e->pen_barrel = flags & 0x40;
		e->pressure = flags & 0x20 ? 0.5 : -HUGE_VAL;
		if(flags & 0x10 && s.victim) { // a control goes away between two events
			delete s.victim;
			s.victim = nullptr;
		}
		while(ProcessNextGdkEvent(nullptr, false))
			;
		sNow += r.Get(1) * 5;
		TimerProc(sNow);
	}
	Check(q.IsEmpty());
	// the dispatcher holds only live controls: the weak pointers saw to that
	FocusState& f = Focus();
	for(Ctrl* c : {(Ctrl*)f.focus_ctrl, (Ctrl*)f.capture, (Ctrl*)f.pointer_ctrl, (Ctrl*)Mouse().press_ctrl})
		Check(!c || c == &s.top || s.top.HasChildDeep(c) || c == &s.capture || c == &s.focus || c == &s.hider ||
		      c == s.victim);
	Ctrl::ReleaseCapture();
	Ctrl::StopMouseRepeat();
	Mouse().click_suppressed = Mouse().up_suppressed = false;
	KillTimeCallbacks((void*)0, (void*)~uintptr_t(0));
	return 0;
}
