// Bringing GTK up before the first window and giving back what it holds afterwards; the display
// tests.
#include "detail/Wnd.h"
#include <gui/ctrl/Zoom.h>
#include <gui/ctrl/detail/CtrlAccess.h>
#include <gui/gtk/GtkApp.h>

#include <gdk/gdkx.h>
#include <X11/Xlib.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace Qel {

using namespace detail;

namespace {

std::atomic<bool> sGuiStarted;

// Keeps the pump turning for timers and the caret while no input arrives.
gboolean sWakeUp(gpointer)
{
	return G_SOURCE_CONTINUE;
}

// Nothing of GLib, GDK or GTK goes to the terminal.
void sLog(const gchar*, GLogLevelFlags, const gchar* message, gpointer)
{
	try {
		String s = message ? message : "";
		s << "\n";
		StdLog().Put(s.Begin(), s.GetLength());
	}
	catch(...) {
		KeepCallbackException();
	}
}

void sThemeChanged(gpointer)
{
	Guarded([] { Ctrl::PostReSkin(); });
}

} // namespace

String detail::GdkBackendList()
{
	// the file's presence alone counts
	return FileExists(ConfigFile("USE_WAYLAND")) ? "wayland,x11" : "x11,wayland";
}

bool detail::IsGuiStarted()
{
	return sGuiStarted.load();
}

void detail::CheckGuiStarted()
{
	if(!sGuiStarted.load())
		Panic("GUI has not started: InitGtkApp was not called or it failed");
}

bool InitGtkApp(int argc, char** argv, char**)
{
	XInitThreads();
	String backends = GdkBackendList();
	gdk_set_allowed_backends(backends);
	if(!gtk_init_check(&argc, &argv)) {
		String s = Translate("Failed to initialized GTK app!");
		s << "\n";
		Cerr().Put(s.Begin(), s.GetLength());
		Cerr().Flush();
		return false;
	}
	EnterGuiMutex();
	MarkGuiThread();
	Ctrl::ReSkin();
	int scale = 1;
	SetDisplayScale(1);
	if(IsWayland()) {
		// a surface must be shown before the compositor tells its scale
		GtkWidget* probe = gtk_window_new(GTK_WINDOW_POPUP);
		gtk_window_set_default_size(GTK_WINDOW(probe), 1, 1);
		gtk_widget_show(probe);
		scale = gdk_window_get_scale_factor(gtk_widget_get_window(probe));
		gtk_widget_destroy(probe);
	}
	else if(GdkScreen* screen = gdk_screen_get_default())
		scale = gdk_window_get_scale_factor(gdk_screen_get_root_window(screen));
	SetDisplayScale(scale);
	{
		GuiLock lock;
		sGuiStarted = true;
	}
	Ctrl::ReSkin();
	g_timeout_add(20, sWakeUp, nullptr);
	InstallPanicMessageBox(GtkPanicMessageBox);
	if(IsX11())
		InstallHotKeyFilter();
	g_log_set_default_handler(sLog, nullptr);
	if(GtkSettings* settings = gtk_settings_get_default()) {
		g_signal_connect_swapped(settings, "notify::gtk-theme-name", G_CALLBACK(sThemeChanged), nullptr);
		g_signal_connect_swapped(settings, "notify::gtk-application-prefer-dark-theme", G_CALLBACK(sThemeChanged),
		                         nullptr);
	}
	return true;
}

void ExitGtkApp()
{
	LeaveGuiMutex();
}

bool IsWayland()
{
	return IsWaylandDisplay();
}

bool IsX11()
{
	// decided once there is a display to ask
	static std::atomic<int> x11{-1};
	int v = x11.load();
	if(v < 0) {
		GdkDisplay* d = gdk_display_get_default();
		if(!d)
			return false;
		x11 = v = GDK_IS_X11_DISPLAY(d);
	}
	return v;
}

bool IsWaylandSession()
{
	static const bool wayland = [] {
		const char* s = getenv("XDG_SESSION_TYPE");
		return s && strcmp(s, "wayland") == 0;
	}();
	return wayland;
}

} // namespace Qel
