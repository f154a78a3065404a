// Start-up through the framework: the GDK backends, GLib's messages, the waits of the pump and
// the lock around them, the theme handlers and the glyph renderer.
#include "GuiApp.h"

#include <fcntl.h>

#include <thread>

// The backend list start-up hands to GDK (the test program wraps that call).
static std::string sBackends;
extern "C" void __real_gdk_set_allowed_backends(const char* backends);
extern "C" void __wrap_gdk_set_allowed_backends(const char* backends)
{
	sBackends = backends ? backends : "";
	__real_gdk_set_allowed_backends(backends);
}

namespace guitest {

namespace {

class App : public GuiApp {};

double MsOf(const std::function<void()>& f)
{
	auto t0 = std::chrono::steady_clock::now();
	f();
	return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

TEST(AppStart, TheWaylandFileComesFirstOnlyByItsPresence)
{
	if(!testkit::InChild()) {
		EXPECT_TRUE(testkit::RunInChild());
		EXPECT_TRUE(testkit::RunInChild({"QEL_TEST_USE_WAYLAND=1"}));
		return;
	}
	String file = ConfigFile("USE_WAYLAND");
	bool wanted = getenv("QEL_TEST_USE_WAYLAND");
	if(wanted) {
		RealizeDirectory(GetFileFolder(file));
		ASSERT_TRUE(SaveFile(file, "")); // empty: its presence is what counts
	}
	bool started = StartGui();
	FileDelete(file);
	ASSERT_TRUE(started);
	EXPECT_EQ(sBackends, wanted ? "wayland,x11" : "x11,wayland");
	EXPECT_TRUE(IsX11()); // the display offers X11 only
	EXPECT_FALSE(IsWayland());
	EXPECT_TRUE(detail::IsGuiStarted());
}

// Windows and the clipboard before start-up, or after it failed, end with a message that says
// so instead of failing inside GTK.
TEST(AppStart, GuiCallsBeforeStartUpEndWithAMessage)
{
	GTEST_FLAG_SET(death_test_style, "threadsafe"); // a child that never started the GUI
	const char* msg = "GUI has not started";
	EXPECT_DEATH({
		TopWindow w;
		w.SetRect(0, 0, 100, 100);
		w.Open();
	}, msg);
	EXPECT_DEATH({
		PaintCtrl c;
		c.SetRect(0, 0, 10, 10);
		c.PopUp();
	}, msg);
	EXPECT_DEATH(AppendClipboardUnicodeText(WString("lost")), msg);
	EXPECT_DEATH(ReadClipboardUnicodeText(), msg);
	EXPECT_DEATH({
		unsetenv("DISPLAY"); // start-up fails
		if(!StartGui())
			TopWindow().Run();
	}, msg);
}

TEST_F(App, GLibMessagesGoToTheLogNotTheTerminal)
{
	std::string err = testkit::TempFolder() + "/stderr.txt";
	int saved = dup(2);
	int fd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
	dup2(fd, 2);
	g_warning("qel probe %d", 7);
	dup2(saved, 2);
	close(fd);
	close(saved);
	EXPECT_TRUE(LoadFile(err.c_str()).IsEmpty());
	EXPECT_GE(LoadFile(StdLogFile().GetPath()).Find("qel probe 7\n"), 0);
}

TEST_F(App, WaitsAndTheLockAroundAnIteration)
{
	// the best of a few tries: a loaded machine may hold any single one back
	auto best = [](int ms) {
		double t = 1e9;
		for(int i = 0; i < 5; i++)
			t = std::min(t, MsOf([ms] { GuiWait(ms); }));
		return t;
	};
	EXPECT_LT(best(5), 60);
	EXPECT_LT(best(100), 60); // the 20 ms wake-up ends it
	// a source that is always ready does not keep the pump in GLib
	guint idle = g_idle_add([](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
	IterateGtkMainContext(false);
	g_source_remove(idle);
	EnterGuiMutex(2);
	ASSERT_EQ(GetGuiMutexDepth(), 3);
	std::atomic<bool> took{false};
	std::thread other([&] {
		GuiLock lock; // only while the GUI thread waits in GLib
		took = true;
		g_main_context_wakeup(nullptr);
	});
	for(int i = 0; i < 500 && !took; i++)
		IterateGtkMainContext(true);
	other.join();
	EXPECT_TRUE(took);
	EXPECT_EQ(GetGuiMutexDepth(), 3);
	LeaveGuiMutex();
	LeaveGuiMutex();
}

TEST_F(App, AThemeChangeReskinsEveryWindowWhenPostingIsOn)
{
	PaintCtrl top("top");
	Open(top, Rect(0, 0, 50, 50));
	detail::SetPostReSkin(true);
	CallLog().clear();
	GtkSettings* s = gtk_settings_get_default();
	gboolean dark = FALSE;
	g_object_get(s, "gtk-application-prefer-dark-theme", &dark, nullptr);
	g_object_set(s, "gtk-application-prefer-dark-theme", !dark, nullptr);
	EXPECT_TRUE(WaitFor([] {
		Ctrl::ProcessEvents();
		return !Calls("top.ApplySkin").empty();
	}));
	detail::SetPostReSkin(false); // first: switching back must leave no re-skin pending
	g_object_set(s, "gtk-application-prefer-dark-theme", dark, nullptr);
}

TEST_F(App, GlyphsAreRenderedThroughCairo)
{
	Image m = RenderGlyph(24, 3, Qel::Font(0, 20), 'W', 0, 24, Color(0, 0, 0), Color(255, 255, 255));
	ASSERT_EQ(m.GetSize(), Size(24, 24));
	int ink = 0;
	for(const RGBA& p : m)
		ink += p.r < 128;
	EXPECT_GT(ink, 20);
	EXPECT_EQ(m[23][0].r, 255); // paper where the glyph is not
}

} // namespace

} // namespace guitest
