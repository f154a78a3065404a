// Keys: the translation of GDK key values on injected key code maps, the double-click rule, key
// names, records through the queue to the focus chain, hooks, conversion and hot keys, the user
// log, XTEST combinations with the X11 hot-key filter, and two keyboard layouts.
#include "GuiApp.h"

#include <gui/input/detail/Keys.h>
#include <gui/gtk/detail/KeyTranslate.h>

#include <X11/XKBlib.h>
#include <X11/keysym.h>
#include <X11/extensions/XTest.h>

namespace guitest {

namespace {

using V = std::vector<std::string>;
using namespace detail;

std::string K(dword key, int count = 1) { return "Key(" + std::to_string(key) + "," + std::to_string(count) + ")"; }

KeycodeMap sLatin, sDigits;
const KeycodeMaps sMaps = {[]() -> const KeycodeMap& { return sLatin; },
                           []() -> const KeycodeMap& { return sDigits; }};

dword T(dword keyval, dword state = 0, int keycode = 0, bool release = false)
{
	return TranslateGdkKey(keyval, keycode, state, release, sMaps);
}

TEST(KeyTranslation, RulesOnInjectedKeycodeMaps)
{
	sLatin.Clear();
	sLatin.Add(54, 'C');
	sLatin.Add(54, 'c'); // the first entry of a key code counts
	sDigits.Clear();
	sDigits.Add(10, '1');
	const dword S = GDK_SHIFT_MASK, C = GDK_CONTROL_MASK, A = GDK_MOD1_MASK;
	struct { dword keyval, state; int keycode; bool release; dword want; } cases[] = {
		{'a', 0, 0, false, 0x200041}, {'a', S, 0, false, 0xA00041}, {'a', C | A, 0, false, 0x1600041},
		{'a', 0, 0, true, 0x4200041}, {'A', S, 0, false, 0xA00041},
		// a modifier key never carries its own bit
		{0xffe1, S, 0, false, 0x20ffe1}, {0xffe2, S, 0, false, 0x20ffe1}, {0xffe4, C, 0, false, 0x20ffe3},
		{0xffea, A, 0, false, 0x20ffe9}, {0xffe1, C, 0, false, 0x60ffe1},
		// the Latin key of the same place (Cyrillic_es); the digit under Ctrl or Alt only
		{0x6d3, C, 54, false, 0x600043}, {0x6d3, 0, 55, false, 0x2006d3}, {'&', 0, 10, false, 0x200026},
		{'&', C, 10, false, 0x600031}, {'&', A, 10, false, 0x1200031},
		{0x1fffff, 0, 0, false, 0x3fffff}, {0x200000, 0, 0, false, 0}, {0x1000041, 0, 0, false, 0},
	};
	for(auto c : cases)
		EXPECT_EQ(T(c.keyval, c.state, c.keycode, c.release), c.want) << std::hex << c.keyval;
	const dword table[30][2] = {
		{0xff08, 0x8}, {0xff09, 0x9}, {0xfe20, 0x9}, {0xff0d, 0xd}, {0xff1b, 0x1b}, {0x20, 0x20},
		{0xffe3, 0x20ffe3}, {0xffe4, 0x20ffe3}, {0xffe1, 0x20ffe1}, {0xffe2, 0x20ffe1}, {0xffe9, 0x20ffe9},
		{0xffea, 0x20ffe9}, {0xff80, 0x20}, {0xff89, 0x9}, {0xff8d, 0xd}, {0xff91, 0x20ffbe}, {0xff92, 0x20ffbf},
		{0xff93, 0x20ffc0}, {0xff94, 0x20ffc1}, {0xff95, 0x20ff50}, {0xff96, 0x20ff51}, {0xff97, 0x20ff52},
		{0xff98, 0x20ff53}, {0xff99, 0x20ff54}, {0xff9a, 0x20ff55}, {0xff9b, 0x20ff56}, {0xff9c, 0x20ff57},
		{0xff9d, 0x20ff50}, {0xff9e, 0x20ff63}, {0xff9f, 0x20ffff},
	};
	for(auto [keyval, code] : table)
		EXPECT_EQ(T(keyval), code) << std::hex << keyval;
}

TEST(KeyTranslation, DoubleClicksComeInPairs)
{
	SetLastClickTime(5000);
	// 249 ms apart a pair; a third quick click starts a new one; 250 ms apart two presses
	const std::pair<dword, int> clicks[] = {{6000, 0x80}, {6249, 0xA0}, {6349, 0x80}, {6599, 0x80}, {6848, 0xA0}};
	for(auto [at, action] : clicks)
		EXPECT_EQ(ClickAction(at), action) << at;
}

TEST(KeyNames, DescriptionsPrefixesAndFallBacks)
{
	for(const KeyName& n : KeyNames())
		EXPECT_EQ(GetKeyDesc(n.code), n.name ? strchr(n.name, '\v') + 1 : "") << std::hex << n.code;
	EXPECT_EQ(KeyNames().GetCount(), 26 + 10 + 12 + 38 + 1);
	// what UTF-8 cannot carry, and the byte escapes, are written as numbers like unknown keys
	const std::pair<dword, const char*> cases[] = {
		{0x20FFC2 | K_ALT | K_SHIFT | K_CTRL, "Ctrl+Alt+Shift+F5"}, {0x200041 | K_KEYUP | K_SHIFT, "UP Shift+A"},
		{0x20FFB3, "Num 3"}, {32, "Space"}, {33, "!"}, {0xE9 | K_CTRL, "Ctrl+\xC3\xA9"},
		{0x1F600, "\xF0\x9F\x98\x80"}, {0xEDFF, "\xEE\xB7\xBF"}, {0, ""}, {5, "0005"}, {0x20FFAC, "20ffac"},
		{0x40000004, "40000004"}, {0xD800, "d800"}, {0xDFFF | K_ALT, "Alt+dfff"}, {0x110000, "110000"},
		{0x1FFFFF, "1fffff"}, {0xEE41, "ee41"},
	};
	for(auto [key, text] : cases)
		EXPECT_EQ(GetKeyDesc(key), text) << std::hex << key;
}

// The names a program compares with: each is what translation delivers for its key and what
// GetKeyDesc calls it.
TEST(KeyCodes, NamesAreWhatTranslationDeliversAndWhatGetKeyDescCalls)
{
	sLatin.Clear();
	sDigits.Clear();
	const struct { dword name; dword keyval; const char* desc; } keys[] = {
		{K_A, GDK_KEY_a, "A"}, {K_M, GDK_KEY_m, "M"}, {K_Z, GDK_KEY_Z, "Z"}, {K_0, GDK_KEY_0, "0"}, {K_9, GDK_KEY_9, "9"},
		{K_F1, GDK_KEY_F1, "F1"}, {K_F7, GDK_KEY_F7, "F7"}, {K_F12, GDK_KEY_F12, "F12"}, {K_TAB, GDK_KEY_Tab, "Tab"},
		{K_SPACE, GDK_KEY_space, "Space"}, {K_ENTER, GDK_KEY_Return, "Enter"}, {K_BACKSPACE, GDK_KEY_BackSpace, "Backspace"},
		{K_ESCAPE, GDK_KEY_Escape, "Esc"}, {K_CAPSLOCK, GDK_KEY_Caps_Lock, "Caps Lock"}, {K_LEFT, GDK_KEY_Left, "Left"},
		{K_UP, GDK_KEY_Up, "Up"}, {K_RIGHT, GDK_KEY_Right, "Right"}, {K_DOWN, GDK_KEY_Down, "Down"},
		{K_PAGEUP, GDK_KEY_Page_Up, "Page Up"}, {K_PAGEDOWN, GDK_KEY_Page_Down, "Page Down"}, {K_HOME, GDK_KEY_Home, "Home"},
		{K_END, GDK_KEY_End, "End"}, {K_INSERT, GDK_KEY_Insert, "Insert"}, {K_DELETE, GDK_KEY_Delete, "Delete"},
		{K_BREAK, GDK_KEY_Break, "Break"}, {K_MULTIPLY, GDK_KEY_KP_Multiply, "Num[*]"}, {K_ADD, GDK_KEY_KP_Add, "Num[+]"},
		{K_SUBTRACT, GDK_KEY_KP_Subtract, "Num[-]"}, {K_DIVIDE, GDK_KEY_KP_Divide, "Num[/]"},
		{K_NUMPAD0, GDK_KEY_KP_0, "Num 0"}, {K_NUMPAD9, GDK_KEY_KP_9, "Num 9"}, {K_SHIFT_KEY, GDK_KEY_Shift_R, "Shift"},
		{K_CTRL_KEY, GDK_KEY_Control_L, "Ctrl"}, {K_ALT_KEY, GDK_KEY_Alt_L, "Alt"}, {K_PLUS, GDK_KEY_plus, "[+]"},
		{K_MINUS, GDK_KEY_minus, "[-]"}, {K_COMMA, GDK_KEY_comma, "[,]"}, {K_PERIOD, GDK_KEY_period, "[.]"},
		{K_SEMICOLON, GDK_KEY_semicolon, "[;]"}, {K_SLASH, GDK_KEY_slash, "[/]"}, {K_GRAVE, GDK_KEY_grave, "[`]"},
		{K_LBRACKET, GDK_KEY_bracketleft, "[[]"}, {K_BACKSLASH, GDK_KEY_backslash, "[\\]"},
		{K_RBRACKET, GDK_KEY_bracketright, "[]]"}, {K_QUOTE, GDK_KEY_quotedbl, "[']"},
	};
	for(auto k : keys) {
		EXPECT_EQ(T(k.keyval), k.name) << k.desc;
		EXPECT_EQ(GetKeyDesc(k.name), k.desc);
	}
	EXPECT_EQ(T(GDK_KEY_c, GDK_CONTROL_MASK), K_CTRL | K_C);
	EXPECT_EQ(T(GDK_KEY_Tab, GDK_SHIFT_MASK), K_SHIFT | K_TAB);
	EXPECT_EQ(T(GDK_KEY_F5, GDK_MOD1_MASK | GDK_CONTROL_MASK, 0, true), K_KEYUP | K_ALT | K_CTRL | K_F5);
	EXPECT_EQ(GetKeyDesc(K_KEYUP | K_ALT | K_SHIFT | K_CTRL | K_F5), "UP Ctrl+Alt+Shift+F5");
	EXPECT_EQ(GetKeyDesc(K_DOUBLECLICK), "[double-click]");
	EXPECT_EQ(GetKeyDesc(K_MOUSEFORWARD), "[Forward]");
	EXPECT_EQ(GetKeyDesc(K_MOUSEBACKWARD), "[Backward]");
}

bool sRecordMouse;
std::vector<std::pair<int, dword>> sMouseEvents;

// Notes what the control "leaf" gets in its view.
bool sMouseRecorder(Ctrl* c, bool inframe, int event, Point, int, dword keyflags)
{
	RecordingCtrl* r = dynamic_cast<RecordingCtrl*>(c);
	if(sRecordMouse && !inframe && r && r->id == "leaf")
		sMouseEvents.push_back({event, keyflags});
	return false;
}

bool sKeyHookOn;

bool sKeyHook(Ctrl*, dword key, int)
{
	return sKeyHookOn && key == 'h';
}

class Keys : public GuiApp {
protected:
	PaintCtrl     top{"top"};
	RecordingCtrl mid{"mid"}, leaf{"leaf"}, uni{"uni"};

	void OpenChain()
	{
		top.AddChild(&mid);
		mid.SetRect(10, 10, 200, 150);
		mid.AddChild(&leaf);
		leaf.SetRect(10, 10, 100, 100);
		mid.AddChild(&uni);
		uni.SetRect(120, 10, 50, 50);
		uni.UnicodeKeys();
		Open(top, Rect(100, 100, 400, 300));
		ASSERT_TRUE(leaf.SetFocus());
	}
	// Queues a record for the window as the capture would, with the given modifier state.
	QueuedGdkEvent& Push(int type, const Value& v = Value(), dword state = 0)
	{
		EnqueueGdkEvent(TopOf(top)->id, type, v, nullptr);
		QueuedGdkEvent& e = GdkQueue()[GdkQueue().GetCount() - 1];
		e.state = state;
		e.mousepos = Point(150, 150); // inside leaf
		return e;
	}
	QueuedGdkEvent& PushKey(int type, dword keyval, dword state = 0)
	{
		EnqueueGdkKey(TopOf(top)->id, type, keyval, 38, nullptr);
		QueuedGdkEvent& e = GdkQueue()[GdkQueue().GetCount() - 1];
		e.state = state;
		e.mousepos = Point(150, 150);
		return e;
	}
	void Drain()
	{
		while(ProcessNextGdkEvent(nullptr, false))
			;
	}
	// Ctrl and the key at the place of keysym, with the key code maps of the layout in force.
	void CtrlKeyOnLayout(KeySym at, dword want)
	{
		testkit::Focus(XidOf(top));
		ASSERT_TRUE(WaitFor([&] { return top.IsWndActive(); }, testkit::WAIT_MS, "the window to be active"));
		::Display* d = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
		KeyCode ctrl = XKeysymToKeycode(d, XK_Control_L), key = XKeysymToKeycode(d, at);
		XTestFakeKeyEvent(d, ctrl, True, 0);
		XTestFakeKeyEvent(d, key, True, 0);
		XSync(d, False);
		EXPECT_TRUE(PumpFor("leaf." + K(want))) << (Calls("leaf.Key").empty() ? "" : Calls("leaf.Key").back());
		XTestFakeKeyEvent(d, key, False, 0);
		XTestFakeKeyEvent(d, ctrl, False, 0);
		XSync(d, False);
	}
};

TEST_F(Keys, RecordsThroughTheQueueToTheFocusChain)
{
	OpenChain();
	CallLog().clear();
	GdkQueue().Clear();
	for(int i = 0; i < 12; i++)
		PushKey(GDK_KEY_PRESS, 'a');
	PushKey(GDK_KEY_PRESS, 'a', GDK_SHIFT_MASK); // another state: a run of its own
	PushKey(GDK_KEY_RELEASE, 'a');
	PushKey(GDK_KEY_PRESS, 0x200000); // no key
	Drain();
	EXPECT_EQ(Calls("leaf.Key"), (V{"leaf." + K(0x200041, 12), "leaf." + K(0xA00041), "leaf." + K(0x4200041)}));
	EXPECT_EQ(Calls("mid.Key").size(), 3u);
	EXPECT_EQ(Calls("top.HotKey"), (V{"top.HotKey(2097217)", "top.HotKey(10485825)", "top.HotKey(69206081)"}));
	EXPECT_EQ(Calls("leaf.HotKey").size(), 3u); // the hot key visits the whole window
	EXPECT_EQ(Calls("top.PostInput").size(), 4u);

	// the extra buttons are keys, the wheel goes vertical first, committed text per character
	CallLog().clear();
	Push(GDK_BUTTON_PRESS, 8);
	Push(GDK_BUTTON_RELEASE, 8);
	Push(GDK_BUTTON_PRESS, 9);
	Push(GDK_SCROLL, Point(-120, 240));
	Push(GDK_DELETE); // not a window: nothing
	Push(QEV_COMMIT, WString("h\u00e9"));
	QueuedGdkEvent& pen = Push(GDK_MOTION_NOTIFY, Value(), GDK_BUTTON1_MASK);
	pen.pen = true;
	Drain();
	EXPECT_EQ(Calls("leaf.Key"), (V{"leaf." + K(0x40000003), "leaf." + K(0x44000003), "leaf." + K(0x40000002),
	                                "leaf." + K('h'), "leaf." + K(0xE9)}));
	EXPECT_EQ(Calls("leaf.MouseWheel"), (V{"leaf.MouseWheel(30,30,240)"}));
	EXPECT_EQ(Calls("leaf.HorzMouseWheel"), (V{"leaf.HorzMouseWheel(30,30,-120)"}));
	EXPECT_EQ(Calls("leaf.PenEvent"), (V{"leaf.PenEvent(30,30,0,8)"}));
	EXPECT_EQ(Calls("leaf.MouseMove").size(), 1u); // the pen's motion is a mouse move too
	EXPECT_TRUE(Calls("top.Close").empty());

	// a hot key of the system takes the press; its release goes on
	CallLog().clear();
	int hits = 0;
	HotKeyTable().Add().key = 0x600043;
	HotKeyTable().Top().callback = [&] { hits++; };
	PushKey(GDK_KEY_PRESS, 'c', GDK_CONTROL_MASK);
	PushKey(GDK_KEY_RELEASE, 'c', GDK_CONTROL_MASK);
	Drain();
	HotKeyTable().Clear();
	EXPECT_EQ(hits, 1);
	EXPECT_EQ(Calls("leaf.Key"), (V{"leaf." + K(0x4600043)}));
}

// The names of mouse events and key flags, and of the extra buttons, are what comes of records.
TEST_F(Keys, NamedEventsAreWhatDispatchDelivers)
{
	static bool installed = (Ctrl::InstallMouseHook(sMouseRecorder), true);
	(void)installed;
	TestClock clock; // stands still: quick clicks pair
	OpenChain();
	CallLog().clear();
	GdkQueue().Clear();
	const dword S = GDK_SHIFT_MASK, B1 = GDK_BUTTON1_MASK;
	Push(GDK_MOTION_NOTIFY);
	Push(GDK_BUTTON_PRESS, 1);
	Push(GDK_BUTTON_RELEASE, 1);
	Push(GDK_BUTTON_PRESS, 1, S | B1);
	Push(GDK_BUTTON_RELEASE, 1);
	Push(GDK_BUTTON_PRESS, 3);
	Push(GDK_BUTTON_RELEASE, 3);
	Push(GDK_BUTTON_PRESS, 2);
	Push(GDK_BUTTON_RELEASE, 2);
	Push(GDK_BUTTON_PRESS, 1, B1);
	Push(GDK_BUTTON_RELEASE, 1);
	Push(GDK_SCROLL, Point(-120, 240));
	Push(GDK_BUTTON_PRESS, 9);
	Push(GDK_BUTTON_RELEASE, 8);
	sMouseEvents.clear();
	sRecordMouse = true;
	Drain();
	sRecordMouse = false;
	std::vector<int> events;
	for(const auto& e : sMouseEvents)
		events.push_back(e.first);
	EXPECT_EQ(events, (std::vector<int>{Ctrl::MOUSEENTER, Ctrl::MOUSEMOVE, Ctrl::LEFTDOWN, Ctrl::LEFTUP,
	                                    Ctrl::LEFTDOUBLE, Ctrl::LEFTUP, Ctrl::RIGHTDOWN, Ctrl::RIGHTUP,
	                                    Ctrl::MIDDLEDOUBLE, Ctrl::MIDDLEUP, Ctrl::LEFTTRIPLE, Ctrl::LEFTUP,
	                                    Ctrl::MOUSEWHEEL, Ctrl::MOUSEHWHEEL}));
	ASSERT_EQ(sMouseEvents.size(), 14u);
	EXPECT_EQ(sMouseEvents[4].second, K_SHIFT | K_MOUSELEFT | K_MOUSEDOUBLE);
	EXPECT_EQ(sMouseEvents[10].second, K_MOUSELEFT | K_MOUSETRIPLE);
	EXPECT_EQ(Calls("leaf.Key"), (V{"leaf." + K(K_MOUSEFORWARD), "leaf." + K(K_KEYUP | K_MOUSEBACKWARD)}));
}

TEST_F(Keys, HooksConversionHotKeysAndTheUserLog)
{
	static bool installed = (Ctrl::InstallKeyHook(sKeyHook), true);
	(void)installed;
	OpenChain();
	mid.access_keys = AccessKeyBit('M');
	SaveFile(ConfigFile("q.ini"), "user_log = 1\n");
	InvalidateIni();
	CallLog().clear();
	sKeyHookOn = true; // the hook hides the key from everyone
	EXPECT_TRUE(Ctrl::DispatchKey('h', 1));
	sKeyHookOn = false;
	EXPECT_TRUE(Calls("leaf.").empty() && Calls("top.").empty());
	mid.Enable(false); // skipped, its ancestors still get the key
	EXPECT_FALSE(Ctrl::DispatchKey(0x20FFC2, 1));
	mid.Enable(true);
	EXPECT_EQ(Calls("leaf.Key").size() + Calls("top.Key").size(), 2u);
	EXPECT_TRUE(Calls("mid.Key").empty());
	mid.hot_key = 0x20FFC3;
	EXPECT_TRUE(Ctrl::DispatchKey(0x20FFC3, 1));
	leaf.take_keys = true;
	EXPECT_TRUE(Ctrl::DispatchKey(0x20FFC2 | K_KEYUP, 1));
	EXPECT_TRUE(Ctrl::DispatchKey(0xE9, 1));
	leaf.take_keys = false;
	String log = LoadFile(StdLogFile().GetPath());
	for(const char* line : {"KEY F6\n", "  HOT-> ", "  KEYUP F5\n", "  CHAR '\xC3\xA9' (233)\n", "  -> "})
		EXPECT_GE(log.Find(line), 0) << line;
	SaveFile(ConfigFile("q.ini"), "");
	InvalidateIni();

	// a text-editing control takes code points, the others the default character set; the
	// whole character field is replaced, so a code past 0xFFFF leaves no trace of itself
	CallLog().clear();
	SetDefaultCharset(CharsetByName("windows-1252"));
	Ctrl::DispatchKey(0x20AC, 1);
	Ctrl::DispatchKey(0x1F600 | K_ALT, 1);
	ASSERT_TRUE(uni.SetFocus());
	Ctrl::DispatchKey(0x20AC, 1);
	SetDefaultCharset(CHARSET_UTF8);
	EXPECT_EQ(Calls("leaf.Key"), (V{"leaf." + K(0x80), "leaf." + K(K_ALT | 31)}));
	EXPECT_EQ(Calls("uni.Key"), (V{"uni." + K(0x20AC)}));

	// without a focus control nobody gets the key, not even as a hot key
	CallLog().clear();
	Focus().focus_ctrl = nullptr;
	EXPECT_FALSE(Ctrl::DispatchKey(0x20FFC3, 1));
	EXPECT_TRUE(Calls("mid.HotKey").empty());

	// Alt held underlines the access keys of the active window, and releasing it hides them
	ASSERT_TRUE(leaf.SetFocus());
	RefreshProbe probe;
	CallLog().clear();
	CurrentGdkEvent().state = GDK_MOD1_MASK;
	Ctrl::DispatchKey(0x20FFE9, 1);
	EXPECT_EQ(Calls("mid.Refresh(").size(), 1u);
	CurrentGdkEvent().state = 0;
	Ctrl::DispatchKey(0x20FFE9 | K_KEYUP, 1);
	EXPECT_EQ(Calls("mid.Refresh(").size(), 2u);
	EXPECT_TRUE(Calls("leaf.Refresh(").empty());
}

TEST_F(Keys, XTestCombinationsButtonsAndTheHotKeyFilter)
{
	OpenChain();
	testkit::Focus(XidOf(top));
	ASSERT_TRUE(WaitFor([&] { return top.IsWndActive(); }, testkit::WAIT_MS, "the window to be active"));
	::Display* d = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
	auto code = [&](KeySym s) { return XKeysymToKeycode(d, s); };
	auto key = [&](KeySym s, bool down) {
		XTestFakeKeyEvent(d, code(s), down, 0);
		XSync(d, False);
	};
	// a chord sent at once, dispatched after the server forgot it: the modifiers are those the
	// events carried
	auto chord = [&](KeySym mod, KeySym k, dword want) {
		for(bool down : {true, false}) {
			key(down ? mod : k, down);
			key(down ? k : mod, down);
		}
		ASSERT_TRUE(PumpFor("leaf." + K(K_KEYUP | (mod == XK_Alt_L ? 0x20FFE9 : 0x20FFE3))));
		EXPECT_EQ(Calls("leaf." + K(want)).size(), 1u) << std::hex << want;
	};
	chord(XK_Control_L, XK_c, 0x600043);
	chord(XK_Alt_L, XK_F1, 0x120FFBE);
	key(XK_F5, true);
	key(XK_F5, false);
	ASSERT_TRUE(PumpFor("leaf." + K(0x420FFC2)));
	EXPECT_EQ(Calls("leaf." + K(0x20FFC2)).size(), 1u);

	// the server's pointer may have the extra buttons; they arrive as keys
	unsigned char map[32];
	if(XGetPointerMapping(d, map, 32) >= 9) {
		CallLog().clear();
		testkit::MoveTo(150, 150);
		testkit::ButtonDown(9);
		testkit::ButtonUp(9);
		ASSERT_TRUE(PumpFor("leaf." + K(0x44000002)));
		EXPECT_EQ(Calls("leaf.Key"), (V{"leaf." + K(0x40000002), "leaf." + K(0x44000002)}));
	}

	// a system hot key grabs its key on the root window (the grab stands in for a registration):
	// the filter takes the press before GTK sees it
	int hits = 0;
	HotKeyEntry& h = HotKeyTable().Add();
	h.x_keycode = code(XK_c);
	h.x_modifiers = ControlMask;
	h.callback = [&] { hits++; };
	XGrabKey(d, code(XK_c), ControlMask, DefaultRootWindow(d), False, GrabModeAsync, GrabModeAsync);
	CallLog().clear();
	key(XK_Control_L, true);
	key(XK_c, true);
	key(XK_c, false);
	key(XK_Control_L, false);
	ASSERT_TRUE(PumpFor("leaf." + K(0x20FFE3 | K_KEYUP)));
	XUngrabKey(d, code(XK_c), ControlMask, DefaultRootWindow(d));
	HotKeyTable().Clear();
	EXPECT_EQ(hits, 1);
	EXPECT_TRUE(Calls("leaf." + K(0x600043)).empty());
}

// Sets a layout on this process's own display and waits until GDK knows it.
void SetLayout(const char* layout, KeySym probe)
{
	pid_t pid = testkit::Spawn({"setxkbmap", "-display", testkit::DisplayName(), "-layout", layout});
	int status = 0;
	ASSERT_TRUE(testkit::WaitExit(pid, testkit::WAIT_MS, &status));
	ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
	GdkKeymap* keymap = gdk_keymap_get_for_display(gdk_display_get_default());
	ASSERT_TRUE(WaitFor([&] {
		GdkKeymapKey* keys = nullptr;
		gint n = 0;
		bool has = gdk_keymap_get_entries_for_keyval(keymap, (guint)probe, &keys, &n);
		g_free(keys);
		return has;
	}, testkit::WAIT_MS, "the new layout"));
}

// Each layout in a process of its own: the key code maps are built once per process.
TEST_F(Keys, RussianGroupGivesTheLatinKeyFrenchDigitRowTheDigit)
{
	if(!testkit::InChild()) {
		testkit::DisplayOptions o;
		EXPECT_TRUE(testkit::RunInChild({"QEL_TEST_LAYOUT=us,ru"}, &o));
		EXPECT_TRUE(testkit::RunInChild({"QEL_TEST_LAYOUT=fr"}, &o));
		return;
	}
	bool ru = strcmp(getenv("QEL_TEST_LAYOUT"), "fr") != 0;
	SetLayout(getenv("QEL_TEST_LAYOUT"), ru ? XK_Cyrillic_es : XK_eacute);
	::Display* d = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
	if(ru) { // the second group locked: the keys type Cyrillic
		XkbLockGroup(d, XkbUseCoreKbd, 1);
		XSync(d, False);
	}
	OpenChain();
	CallLog().clear();
	CtrlKeyOnLayout(ru ? XK_c : XK_ampersand, ru ? 0x600043 : 0x600031);
}

} // namespace

} // namespace guitest
