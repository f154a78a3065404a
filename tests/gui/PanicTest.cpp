// The fatal-error box: which program shows it, what the shell hands that program, and the GTK
// dialog when there is none. Every program here is a fake that writes its arguments to a file.
#include "GuiApp.h"

#include <gui/gtk/detail/Panic.h>

#include <sys/stat.h>

namespace guitest {

namespace {

// A folder with fake message programs of the given names (and `which`, which the box asks).
std::string Fakes(const std::string& name, std::initializer_list<const char*> programs)
{
	std::string dir = testkit::TempFolder() + "/" + name;
	mkdir(dir.c_str(), 0755);
	for(const char* p : programs) {
		std::string path = dir + "/" + p;
		SaveFile(path.c_str(), "#!/bin/sh\nprintf '%s\\0' \"$(basename \"$0\")\" \"$@\" > \"$QEL_PANIC_ARGS\"\n");
		chmod(path.c_str(), 0755);
	}
	symlink("/usr/bin/which", (dir + "/which").c_str());
	return dir;
}

// The arguments the last fake program got, its name first.
std::vector<std::string> Args()
{
	String s = LoadFile(getenv("QEL_PANIC_ARGS"));
	std::vector<std::string> out;
	for(int i = 0, j; (j = s.Find('\0', i)) >= 0; i = j + 1)
		out.push_back(S(s.Mid(i, j - i)));
	return out;
}

class Panic : public GuiApp {
protected:
	std::string path = getenv("PATH");

	void SetUp() override
	{
		GuiApp::SetUp();
		// a death test's child keeps the parent's file
		setenv("QEL_PANIC_ARGS", (testkit::TempFolder() + "/panic-args").c_str(), 0);
		FileDelete(getenv("QEL_PANIC_ARGS"));
	}
	void TearDown() override
	{
		setenv("PATH", path.c_str(), 1);
		GuiApp::TearDown();
	}
	void Path(const std::string& first) { setenv("PATH", (first + ":/usr/bin:/bin").c_str(), 1); }
};

TEST_F(Panic, TheCommandIsCutToFitWithoutSplittingEscapesOrCharacters)
{
	char buf[2048];
	for(const char* unit : {"x", "$", "\xC3\xA9", "\xE2\x82\xAC"}) {
		std::string text;
		while(text.size() < 5000)
			text += unit;
		int n = detail::BuildPanicCommand(buf, sizeof(buf), "xmessage -center \"", "Fatal error", text.c_str());
		ASSERT_LE(n, 2047);
		EXPECT_GE(n, 2040); // the cut leaves less than one unit of room
		EXPECT_EQ(buf[n - 1], '"');
		EXPECT_EQ(buf[n], 0);
		std::string body(buf + strlen("xmessage -center \"Fatal error\n"), buf + n - 1);
		std::string u = unit[0] == '$' ? "\\$" : unit;
		EXPECT_EQ(body.size() % u.size(), 0u) << unit;
		EXPECT_EQ(body.substr(body.size() - u.size()), u) << unit;
	}
}

TEST_F(Panic, ProgramsInOrderAndATextThatArrivesVerbatim)
{
	const char* text = "\"quoted\" $(touch RAN1) `touch RAN2` back\\slash $HOME \\$ end\\";
	Path(Fakes("both", {"gxmessage", "kdialog"}));
	GtkPanicMessageBox("Fatal error", text);
	EXPECT_EQ(Args(), (std::vector<std::string>{"gxmessage", "-center", std::string("Fatal error\n") + text}));
	EXPECT_FALSE(FileExists("RAN1"));
	EXPECT_FALSE(FileExists("RAN2"));
	Path(Fakes("kde", {"kdialog"}));
	GtkPanicMessageBox("T", "x");
	EXPECT_EQ(Args(), (std::vector<std::string>{"kdialog", "--error", "T\nx"}));
	Path(Fakes("x", {"xmessage"}));
	GtkPanicMessageBox("T", "x");
	EXPECT_EQ(Args(), (std::vector<std::string>{"xmessage", "-center", "T\nx"}));
}

TEST_F(Panic, WithoutAProgramAGtkDialogAsks)
{
	setenv("PATH", Fakes("none", {}).c_str(), 1);
	static std::string shown;
	shown.clear();
	g_timeout_add(20, [](gpointer) -> gboolean {
		GList* list = gtk_window_list_toplevels();
		for(GList* l = list; l; l = l->next)
			if(GTK_IS_MESSAGE_DIALOG(l->data) && gtk_widget_get_visible(GTK_WIDGET(l->data))) {
				gchar* text = nullptr;
				g_object_get(l->data, "text", &text, nullptr);
				shown = text ? text : "";
				g_free(text);
				gtk_dialog_response(GTK_DIALOG(l->data), GTK_RESPONSE_CLOSE);
			}
		g_list_free(list);
		return shown.empty();
	}, nullptr);
	GtkPanicMessageBox("Fatal error", "it broke");
	EXPECT_EQ(shown, "Fatal error: it broke");
}

TEST_F(Panic, APanicReachesOnlyTheFakeProgram)
{
	std::string fakes = Fakes("death", {"gxmessage", "kdialog", "xmessage"});
	GTEST_FLAG_SET(death_test_style, "threadsafe");
	EXPECT_DEATH({
		setenv("PATH", (fakes + ":/usr/bin:/bin").c_str(), 1);
		StartGui();
		Qel::Panic("it broke");
	}, "");
	EXPECT_EQ(Args(), (std::vector<std::string>{"gxmessage", "-center", "Fatal error\nit broke"}));
}

} // namespace

} // namespace guitest
