// The harness itself: a real GTK window of this process is found, typed into, clicked, read
// back and used as a clipboard peer; message programs are the fake ones; children get their
// own display.
#include <testkit/Testkit.h>

#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <gdk/gdkx.h>
#include <X11/keysym.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

struct Probe {
	GtkWidget* window;
	GtkWidget* entry;
	GtkWidget* button;
	GtkWidget* area;
	int        draws = 0;
	int        clicks = 0;
};

gboolean sDraw(GtkWidget*, cairo_t* cr, gpointer p)
{
	cairo_set_source_rgb(cr, 0x20 / 255.0, 0x80 / 255.0, 0xC0 / 255.0);
	cairo_paint(cr);
	static_cast<Probe*>(p)->draws++;
	return TRUE;
}

void sOpen(Probe& p, const char* title)
{
	testkit::InitGtk();
	p.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
	gtk_window_set_title(GTK_WINDOW(p.window), title);
	GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
	p.entry = gtk_entry_new();
	p.button = gtk_button_new_with_label("Press");
	p.area = gtk_drawing_area_new();
	gtk_widget_set_size_request(p.area, 40, 40);
	g_signal_connect(p.area, "draw", G_CALLBACK(sDraw), &p);
	g_signal_connect(p.button, "clicked", G_CALLBACK(+[](GtkButton*, gpointer q) { static_cast<Probe*>(q)->clicks++; }), &p);
	gtk_box_pack_start(GTK_BOX(box), p.entry, FALSE, FALSE, 0);
	gtk_box_pack_start(GTK_BOX(box), p.button, FALSE, FALSE, 0);
	gtk_box_pack_start(GTK_BOX(box), p.area, FALSE, FALSE, 0);
	gtk_container_add(GTK_CONTAINER(p.window), box);
	gtk_widget_show_all(p.window);
}

// The centre of a widget in root coordinates.
void sCentre(GtkWidget* w, int& x, int& y)
{
	GtkAllocation a;
	gtk_widget_get_allocation(w, &a);
	int ox, oy;
	gdk_window_get_origin(gtk_widget_get_window(w), &ox, &oy);
	x = ox + a.x + a.width / 2;
	y = oy + a.y + a.height / 2;
}

TEST(Testkit, RealWindowFoundTypedClickedAndReadBack)
{
	Probe p;
	sOpen(p, "Testkit probe");
	unsigned long xw = testkit::FindWindow("Testkit probe");
	ASSERT_NE(xw, 0u);
	ASSERT_EQ(xw, GDK_WINDOW_XID(gtk_widget_get_window(p.window)));

	testkit::Focus(xw);
	ASSERT_TRUE(testkit::PumpUntil([&] { return gtk_window_is_active(GTK_WINDOW(p.window)); }));
	gtk_widget_grab_focus(p.entry);
	testkit::Type("h\xC3\xA9llo \xD0\xB6!"); // non-ASCII: é from Latin-1, ж from a spare key code
	EXPECT_TRUE(testkit::PumpUntil([&] { return strcmp(gtk_entry_get_text(GTK_ENTRY(p.entry)), "h\xC3\xA9llo \xD0\xB6!") == 0; }))
		<< gtk_entry_get_text(GTK_ENTRY(p.entry));
	testkit::KeyTap(XK_BackSpace);
	EXPECT_TRUE(testkit::PumpUntil([&] { return strcmp(gtk_entry_get_text(GTK_ENTRY(p.entry)), "h\xC3\xA9llo \xD0\xB6") == 0; }));

	int x, y;
	sCentre(p.button, x, y);
	testkit::Click(x, y);
	EXPECT_TRUE(testkit::PumpUntil([&] { return p.clicks == 1; }));

	ASSERT_TRUE(testkit::PumpUntil([&] { return p.draws > 0; }));
	gdk_display_sync(gdk_display_get_default());
	GtkAllocation a;
	gtk_widget_get_allocation(p.area, &a);
	std::vector<unsigned> px = testkit::ReadPixels(xw, a.x + 5, a.y + 5, 4, 4);
	ASSERT_EQ(px.size(), 16u);
	for(unsigned c : px)
		EXPECT_EQ(c, 0x2080C0u);

	gtk_widget_destroy(p.window);
	testkit::PumpPending();
}

TEST(Testkit, ClipboardBothWays)
{
	testkit::InitGtk();
	GtkClipboard* cb = gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
	gtk_clipboard_set_text(cb, "from GTK \xC3\xA9", -1);
	EXPECT_EQ(testkit::GetSelection("clipboard"), "from GTK \xC3\xA9");

	ASSERT_TRUE(testkit::SetSelection("from xclip \xC3\xB8", "primary"));
	std::string got;
	bool done = false;
	gtk_clipboard_request_text(gtk_clipboard_get(GDK_SELECTION_PRIMARY),
	                           +[](GtkClipboard*, const gchar* text, gpointer data) {
		                           auto* r = static_cast<std::pair<std::string*, bool*>*>(data);
		                           *r->first = text ? text : "";
		                           *r->second = true;
		                           delete r;
	                           },
	                           new std::pair<std::string*, bool*>(&got, &done));
	EXPECT_TRUE(testkit::PumpUntil([&] { return done; }));
	EXPECT_EQ(got, "from xclip \xC3\xB8");
}

TEST(Testkit, EnvironmentIsPrivate)
{
	EXPECT_STREQ(getenv("GDK_BACKEND"), "x11");
	EXPECT_STREQ(getenv("DISPLAY"), testkit::DisplayName());
	EXPECT_EQ(getenv("WAYLAND_DISPLAY"), nullptr);
	EXPECT_EQ(getenv("DBUS_SESSION_BUS_ADDRESS"), nullptr);
	EXPECT_EQ(std::string(getenv("HOME")).rfind(testkit::TempFolder(), 0), 0u);
	// a message box never blocks: the program found first only records its arguments
	ASSERT_EQ(system("gxmessage -title 'Fatal error' 'it broke'"), 0);
	std::ifstream log(testkit::MessageLog());
	std::stringstream text;
	text << log.rdbuf();
	EXPECT_NE(text.str().find("gxmessage -title Fatal error it broke"), std::string::npos) << text.str();
}

TEST(Testkit, ChildRunsOnItsOwnDisplay)
{
	if(!testkit::InChild()) {
		testkit::DisplayOptions o;
		o.width = 640;
		o.height = 480;
		o.window_manager = true;
		EXPECT_TRUE(testkit::RunInChild({"QEL_PROBE=7"}, &o));
		return;
	}
	EXPECT_STREQ(getenv("QEL_PROBE"), "7");
	testkit::InitGtk();
	GdkRectangle r;
	gdk_monitor_get_geometry(gdk_display_get_monitor(gdk_display_get_default(), 0), &r);
	EXPECT_EQ(r.width, 640);
	EXPECT_EQ(r.height, 480);
	EXPECT_FALSE(testkit::RootProperty("_NET_SUPPORTING_WM_CHECK").empty());
}

} // namespace
