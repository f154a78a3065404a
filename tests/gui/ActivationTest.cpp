// Activation under a window manager: focus moves within a window and across windows, the
// desktop's active window followed by the framework, a click that makes its window take the
// focus back, a window closed by the window manager, and handlers that move the focus.
#include "GuiApp.h"

#include <gui/input/detail/Keys.h>

#include <X11/keysym.h>
#include <memory>

namespace guitest {

namespace {

using V = std::vector<std::string>;

// A window whose activation may send the focus elsewhere.
struct RedirectCtrl : PaintCtrl {
	Ctrl* redirect = nullptr;
	using PaintCtrl::PaintCtrl;
	void Activate() override
	{
		PaintCtrl::Activate();
		if(redirect)
			redirect->SetFocus();
	}
};

bool IsPaintCtrl(const Ctrl* c) { return dynamic_cast<const PaintCtrl*>(c); }

int Count(const std::string& call)
{
	return (int)std::count(CallLog().begin(), CallLog().end(), call);
}

class Activation : public GuiApp {
protected:
	// A click in the middle of c, over after its release arrived (the window manager may hold the
	// press back while it activates the window).
	void Click(PaintCtrl& c, const testkit::SourceLocation& where = testkit::SourceLocation::current())
	{
		Rect r = c.GetScreenRect();
		size_t n = Calls(c.id + ".LeftUp").size();
		testkit::Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
		EXPECT_TRUE(Pump([&] { return Calls(c.id + ".LeftUp").size() > n; }, "the release of a click", where));
	}
	bool Active(Ctrl& c, const testkit::SourceLocation& where = testkit::SourceLocation::current())
	{
		return Pump([&] { return c.IsWndActive() && Ctrl::GetFocusCtrl() && Ctrl::GetFocusCtrl()->GetTopCtrl() == &c; },
		            "the window to be active with the focus", where);
	}
};

TEST_F(Activation, TwoWindowsUnderAWindowManager)
{
	if(!testkit::InChild()) {
		testkit::DisplayOptions o;
		o.window_manager = true;
		EXPECT_TRUE(testkit::RunInChild({}, &o));
		return;
	}
	RedirectCtrl A("A");
	PaintCtrl B("B");
	RecordingCtrl a1("a1"), a2("a2"), b1("b1");
	A.AddChild(&a1);
	a1.SetRect(10, 10, 50, 50);
	A.AddChild(&a2);
	a2.SetRect(70, 10, 50, 50);
	B.AddChild(&b1);
	b1.SetRect(10, 10, 50, 50);
	Open(A, Rect(50, 100, 350, 300));
	Open(B, Rect(450, 100, 750, 300));
	ASSERT_TRUE(a1.SetFocus());
	ASSERT_TRUE(Active(A));

	// within one window: no activation, only the focus notices (the window in front, nothing
	// waits in between)
	ASSERT_TRUE(a1.SetFocus());
	CallLog().clear();
	ASSERT_TRUE(a2.SetFocus());
	V notices;
	for(const std::string& c : Calls("a"))
		if(c.find("GetCaret") == std::string::npos)
			notices.push_back(c);
	EXPECT_EQ(notices, (V{"a1.StateChanged(10)", "a1.LostFocus", "a2.GotFocus", "a2.StateChanged(10)"}));
	EXPECT_EQ(Calls("A.Child"), (V{"A.ChildLostFocus", "A.ChildGotFocus"}));
	EXPECT_TRUE(Calls("A.Activate").empty() && Calls("A.Deactivate").empty());

	// the desktop activates B on a click: A is deactivated by it, B activated with the focus
	CallLog().clear();
	Click(B);
	ASSERT_TRUE(Active(B));
	EXPECT_EQ(Calls("A.De"), (V{"A.DeactivateBy(null)", "A.Deactivate"})); // the desktop took it away first
	EXPECT_EQ(Count("B.Activate"), 1);
	EXPECT_EQ(Count("a2.LostFocus"), 1);
	detail::SetWindowClassTest(IsPaintCtrl);
	EXPECT_EQ(GetActiveTopWindow<PaintCtrl>(), &B);
	detail::SetWindowClassTest(nullptr);

	// a click in the focus window while the focus sits in another window takes it back
	Click(A);
	ASSERT_TRUE(Active(A));
	detail::Focus().focus_ctrl = &b1;
	CallLog().clear();
	Click(A);
	ASSERT_TRUE(Pump([&] { return Ctrl::GetFocusCtrl() == &A; }));
	EXPECT_EQ(Count("B.Deactivate"), 1);
	EXPECT_EQ(Count("A.Activate"), 1);

	// an activation handler that moves the focus elsewhere: the first target hears nothing
	Click(B);
	ASSERT_TRUE(Active(B));
	A.redirect = &a2;
	CallLog().clear();
	ASSERT_TRUE(a1.SetFocus());
	A.redirect = nullptr;
	EXPECT_EQ(Ctrl::GetFocusCtrl(), &a2);
	EXPECT_TRUE(Calls("a1.GotFocus").empty());
	EXPECT_EQ(Count("a2.GotFocus"), 1);
	ASSERT_TRUE(Active(A)); // the desktop catches up

	// the focus leaving for a window of another program: keys reach nobody then
	GtkWidget* stranger = gtk_window_new(GTK_WINDOW_TOPLEVEL);
	gtk_window_move(GTK_WINDOW(stranger), 400, 500);
	gtk_widget_show(stranger);
	gtk_window_present(GTK_WINDOW(stranger));
	CallLog().clear();
	ASSERT_TRUE(Pump([&] { return !A.IsWndActive() && !Ctrl::GetFocusCtrl(); }));
	// (the desktop may pass the focus through more than one window on its way)
	EXPECT_GE(Count("A.Deactivate"), 1);
	EXPECT_FALSE(Ctrl::DispatchKey('x', 1));
	EXPECT_TRUE(Calls("a2.Key").empty() && Calls("A.Key").empty());
	gtk_widget_destroy(stranger);
}

// Destroying the control that has the focus: real keys still reach the window.
void KeysAfterTheFocusControlIsDestroyed(GuiApp& app)
{
	TopWindow w;
	auto a = std::make_unique<RecordingCtrl>("a");
	RecordingCtrl b("b"), c("c"), p("p");
	w.AddChild(a.get());
	a->SetRect(10, 10, 50, 50);
	w.AddChild(&p);
	p.SetRect(70, 10, 50, 50);
	p.AddChild(&c);
	c.SetRect(0, 0, 20, 20);
	w.AddChild(&b);
	b.SetRect(130, 10, 50, 50);
	w.SetRect(100, 100, 300, 200);
	w.Open(nullptr);
	testkit::Focus(XidOf(w));
	ASSERT_TRUE(a->SetFocus());
	ASSERT_TRUE(app.Pump([&] { return w.IsWndActive() && Ctrl::GetFocusCtrl() == a.get(); }, "a with the focus"));
	a.reset();
	testkit::KeyTap(XK_Tab);
	ASSERT_TRUE(app.Pump([&] { return Ctrl::GetFocusCtrl() == &p; }, "Tab to reach p"));
	testkit::Type("x");
	EXPECT_TRUE(app.PumpFor("p.Key(120,"));

	// a parent that cannot take the focus passes it on to the next control that wants it, and
	// with none, the window keeps it
	{
		RecordingCtrl d("d");
		c.AddChild(&d);
		ASSERT_TRUE(d.SetFocus());
		c.Show(false);
	}
	Ctrl::DispatchKey('y', 1);
	EXPECT_EQ(Ctrl::GetFocusCtrl(), &b);
	EXPECT_EQ(Calls("b.Key"), (std::vector<std::string>{"b.Key(121,1)"}));
	{
		RecordingCtrl d("d");
		b.AddChild(&d);
		ASSERT_TRUE(d.SetFocus());
		b.Show(false);
		p.WantFocus(false);
	}
	Ctrl::ProcessEvents();
	EXPECT_EQ(Ctrl::GetFocusCtrl(), &w);
}

TEST_F(Activation, TheKeyboardOutlivesTheFocusControl)
{
	if(!testkit::InChild()) {
		KeysAfterTheFocusControlIsDestroyed(*this);
		testkit::DisplayOptions o;
		o.window_manager = true;
		EXPECT_TRUE(testkit::RunInChild({}, &o));
		return;
	}
	KeysAfterTheFocusControlIsDestroyed(*this);
}

} // namespace

} // namespace guitest
