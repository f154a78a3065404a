// The input method and the pre-edit popup: GTK's simple input method composing with
// Ctrl+Shift+U at the caret and committing through the key dispatch, a focus control without a
// caret cancelling, typed text reaching Key as characters, the popup's placement and pixels, and
// a real popup holding the pointer.
#include "GuiApp.h"

#include <gui/input/detail/Preedit.h>

#include <X11/keysym.h>

// Where the windows tell the input method the caret is (GDK units, relative to the window).
GdkRectangle sImCursor = {-1, -1, -1, -1};

extern "C" void __real_gtk_im_context_set_cursor_location(GtkIMContext* c, const GdkRectangle* r);
extern "C" void __wrap_gtk_im_context_set_cursor_location(GtkIMContext* c, const GdkRectangle* r)
{
	sImCursor = *r;
	__real_gtk_im_context_set_cursor_location(c, r);
}

namespace guitest {

namespace {

using detail::GetPreeditCtrl;
using detail::PreeditCtrl;

// The key codes a control received, in order.
std::vector<unsigned> Keys(const std::string& id)
{
	std::vector<unsigned> out;
	for(const std::string& c : Calls(id + ".Key("))
		out.push_back((unsigned)std::stoul(c.substr(id.size() + 5)));
	return out;
}

class Preedit : public GuiApp {
protected:
	PaintCtrl win{"win"};
	PaintCtrl ed{"ed"};

	void SetUp() override
	{
		GuiApp::SetUp();
		detail::InstallImResetHook(); // as the event loop does
		ed.caret = Rect(30, 10, 31, 30);
		ed.SetRect(10, 10, 200, 40);
		win.AddChild(&ed);
		Open(win, Rect(100, 100, 500, 300));
		ASSERT_TRUE(ed.SetFocus());
		testkit::Focus(XidOf(win));
		ASSERT_TRUE(Pump([&] { return win.IsWndActive(); }, "the window to be active"));
	}
	bool PreeditShows(const char* text)
	{
		PreeditCtrl& p = GetPreeditCtrl();
		return Pump([&] { return p.IsOpen() && p.text == WString(String(text).ToWString()); }, text);
	}
};

TEST_F(Preedit, ComposesAtTheCaretAndCommitsOneCharacter)
{
	testkit::KeyChord({XK_Control_L, XK_Shift_L, XK_u});
	testkit::Type("e9");
	ASSERT_TRUE(PreeditShows("ue9"));
	PreeditCtrl& p = GetPreeditCtrl();
	// at the caret's top-right: the window, the control and the caret, one pixel up
	Rect r = p.GetRect();
	EXPECT_EQ(r.left, 100 + 10 + 31);
	EXPECT_EQ(r.top, 100 + 10 + 10 - 1);
	EXPECT_EQ(r.bottom - r.top, 1 + ed.GetPreeditFont().GetCy());
	EXPECT_EQ(r.right - r.left, GetTextSize(p.text, p.font).cx + 4);
	EXPECT_EQ(p.cursor, 3);
	EXPECT_EQ(detail::GetPreeditOwner(), &win);
	// the input method was told the same place, relative to the window
	EXPECT_EQ(sImCursor.x, 10 + 31);
	EXPECT_EQ(sImCursor.y, 10 + 10 - 1);
	EXPECT_EQ(sImCursor.width, 0);
	EXPECT_EQ(sImCursor.height, r.bottom - r.top);
	CallLog().clear();
	testkit::KeyTap(XK_space);
	ASSERT_TRUE(Pump([&] { return !Keys("ed").empty() && !p.IsOpen(); }, "the commit"));
	// the keys the input method took never arrive as key presses, only the committed character
	std::vector<unsigned> presses;
	for(unsigned k : Keys("ed"))
		if(!(k & 0x4000000))
			presses.push_back(k);
	EXPECT_EQ(presses, (std::vector<unsigned>{0xE9}));
	EXPECT_EQ(detail::GetPreeditOwner(), nullptr);
}

TEST_F(Preedit, WithoutACaretCompositionIsCancelled)
{
	ed.caret = Rect();
	EXPECT_TRUE(IsNull(ed.GetPreedit().x));
	EXPECT_TRUE(IsNull(detail::GetPreeditRect(&win).left));
	testkit::KeyChord({XK_Control_L, XK_Shift_L, XK_u});
	testkit::Type("e9");
	testkit::KeyTap(XK_space);
	// the space's release comes last; by then the reset has ended the composition unseen
	ASSERT_TRUE(Pump([&] {
		std::vector<unsigned> k = Keys("ed");
		return std::find(k.begin(), k.end(), 0x4000020u) != k.end();
	}, "the space's release"));
	EXPECT_FALSE(GetPreeditCtrl().IsOpen());
	std::vector<unsigned> k = Keys("ed");
	EXPECT_EQ(std::find(k.begin(), k.end(), 0xE9u), k.end());
	std::vector<unsigned> chars;
	for(unsigned c : k)
		if(c < 0x200000 && c != 0x20)
			chars.push_back(c);
	EXPECT_EQ(chars, (std::vector<unsigned>{'e', '9'})); // typed as they are once it ended
}

TEST_F(Preedit, TypedTextReachesKeyAsCharacters)
{
	testkit::Type("a\xC3\xA9\xE2\x82\xAC\xD0\x96");
	std::vector<unsigned> chars;
	ASSERT_TRUE(Pump([&] {
		chars.clear();
		for(unsigned k : Keys("ed"))
			if(k < 0x200000)
				chars.push_back(k);
		return chars.size() >= 4;
	}, "four characters"));
	EXPECT_EQ(chars, (std::vector<unsigned>{'a', 0xE9, 0x20AC, 0x416}));
}

TEST_F(Preedit, PlacementNearTheEdgeAndTheFont)
{
	// a caret near the right edge of the work area: the popup ends left of the caret
	win.SetRect(Rect(1100, 100, 1280, 300));
	Settle(win);
	ed.SetRect(0, 10, 180, 40);
	ed.caret = Rect(170, 3, 171, 6); // 3 pixels high
	detail::ShowPreedit(&win, WString(String("long composition").ToWString()), 2);
	PreeditCtrl& p = GetPreeditCtrl();
	ASSERT_TRUE(p.IsOpen());
	Rect r = p.GetRect();
	int caret_x = win.GetScreenView().left + 171;
	EXPECT_EQ(r.right, caret_x - 2);
	EXPECT_EQ(r.right - r.left, GetTextSize(p.text, p.font).cx + 4);
	// a tiny caret still gets a font for 7 pixels; the search keeps it below the target
	Qel::Font f = ed.GetPreeditFont();
	EXPECT_LT(f.GetCy(), 7);
	EXPECT_GE(StdFont().Height(f.GetHeight() + 1).GetCy(), 7);
	detail::ShowPreedit(&win, WString(), 0);
	EXPECT_FALSE(p.IsOpen());
}

TEST(PreeditPaint, CaretColumnAtTheCursorFullHeight)
{
	GuiLock lock;
	PreeditCtrl p;
	p.text = WString(String("abc").ToWString());
	p.font = StdFont().Height(14);
	p.SetRect(0, 0, 60, 20);
	auto paint = [&](int cursor) {
		p.cursor = cursor;
		ImageDraw w(60, 20);
		p.Paint(w);
		return w.GetImage();
	};
	Image plain = paint(INT_MAX), at1 = paint(1), negative = paint(-5);
	int x = 2 + GetTextSize(p.text.Begin(), p.font, 1).cx;
	int cy = p.GetSize().cy; // inside the frame
	for(int y = 0; y < cy; y++) {
		const RGBA& a = plain[y][x];
		const RGBA& b = at1[y][x];
		EXPECT_EQ(b.r, 255 - a.r) << y;     // the whole column inverted
		EXPECT_EQ(at1[y][x + 1].r, plain[y][x + 1].r) << y;
		EXPECT_EQ(negative[y][2].r, 255 - plain[y][2].r) << y; // negative counts as 0
	}
	Image past = paint(3);
	for(int y = 0; y < cy; y++)
		for(int i = 0; i < 60; i++)
			ASSERT_EQ(past[y][i].r, plain[y][i].r); // a cursor at the end draws no caret
}

TEST_F(Preedit, APopupHoldsThePointer)
{
	TopWindow owner;
	PaintCtrl inner("inner");
	inner.SetRect(0, 0, 300, 200);
	owner.AddChild(&inner);
	owner.SetRect(600, 100, 300, 200);
	owner.Open(nullptr);
	ASSERT_TRUE(Pump([&] { return inner.paints > 0; }, "the window's paint"));
	testkit::Focus(XidOf(owner));
	ASSERT_TRUE(Pump([&] { return owner.IsWndActive(); }, "the owner to be active"));
	PaintCtrl pop("pop");
	pop.SetRect(650, 150, 100, 50);
	pop.PopUp(&inner);
	ASSERT_TRUE(pop.IsOpen() && pop.IsPopUp());
	ASSERT_TRUE(Pump([&] { return pop.paints > 0; }, "the popup's paint"));
	EXPECT_EQ(detail::PopupGrabCtrl(), &pop);
	EXPECT_EQ(Ctrl::GetFocusCtrl(), &pop);
	EXPECT_EQ(detail::Focus().popups.Top(), &pop);
	CallLog().clear();
	testkit::Click(670, 160);
	ASSERT_TRUE(PumpFor("pop.LeftUp"));
	EXPECT_EQ(Calls("pop.LeftDown").size(), 1u);
	// a press outside every popup reaches nobody, and the popup's window takes the focus back
	testkit::Click(850, 250);
	// (to the control that had it last)
	ASSERT_TRUE(Pump([&] { return Ctrl::GetFocusCtrl() == &inner; }, "the focus back"));
	EXPECT_TRUE(Calls("inner.LeftDown").empty());
	pop.Close();
	EXPECT_EQ(detail::PopupGrabCtrl(), nullptr);
}

} // namespace

} // namespace guitest
