// Ctrl: the base of every control and window. A control lives in a tree (parent, siblings,
// children), holds frames and a logical position from which its rectangle follows, keeps small
// properties in one packed block and announces state changes to itself and its subtree. Every
// public operation takes the GUI lock.
#pragma once

#include <gui/base/GuiLock.h>
#include <gui/base/Timer.h>
#include <gui/base/LogPos.h>
#include "CtrlFrame.h"
#include <gui/base/KeyCodes.h>

#include <draw/Draw.h>

namespace Qel {

class PasteSource;
struct ClipData;
class SystemDraw;
class TopWindow;

namespace detail {
struct Top;
struct CtrlAccess;
} // namespace detail

// What a pen or touch event reports along with the point.
struct PenInfo {
	int    action = 0; // 0 move, 1 press, 2 release
	bool   barrel = false;
	double pressure = 0;
	double rotation = 0;
	double tilt_x = 0;
	double tilt_y = 0;
};

class Ctrl : public Pte<Ctrl> {
public:
	// Reasons of state notifications.
	enum {
		FOCUS      = 10,
		ACTIVATE   = 11,
		DEACTIVATE = 12,
		SHOW       = 13,
		ENABLE     = 14,
		EDITABLE   = 15,
		OPEN       = 16,
		CLOSE      = 17,
		POSITION   = 100,
		LAYOUTPOS  = 101,
	};

	// Mouse events: an action plus a button (the button part is 0 for the actions without one).
	enum {
		BUTTON      = 0x0F, // the button part of an event
		ACTION      = 0xF0, // the action part
		MIDDLE      = 0,
		LEFT        = 1,
		RIGHT       = 2,
		MOUSEENTER  = 0x10,
		MOUSEMOVE   = 0x20,
		MOUSELEAVE  = 0x30,
		CURSORIMAGE = 0x40,
		MOUSEWHEEL  = 0x50,
		MOUSEHWHEEL = 0x60,
		DOWN        = 0x80,
		UP          = 0x90,
		DOUBLE      = 0xA0,
		REPEAT      = 0xB0,
		DRAG        = 0xC0,
		HOLD        = 0xD0,
		TRIPLE      = 0xE0,
		LEFTDOWN    = LEFT | DOWN,   LEFTUP    = LEFT | UP,   LEFTDOUBLE    = LEFT | DOUBLE,
		LEFTREPEAT  = LEFT | REPEAT, LEFTDRAG  = LEFT | DRAG, LEFTHOLD      = LEFT | HOLD,
		LEFTTRIPLE  = LEFT | TRIPLE,
		RIGHTDOWN   = RIGHT | DOWN,   RIGHTUP   = RIGHT | UP,   RIGHTDOUBLE = RIGHT | DOUBLE,
		RIGHTREPEAT = RIGHT | REPEAT, RIGHTDRAG = RIGHT | DRAG, RIGHTHOLD   = RIGHT | HOLD,
		RIGHTTRIPLE = RIGHT | TRIPLE,
		MIDDLEDOWN   = MIDDLE | DOWN,   MIDDLEUP   = MIDDLE | UP,   MIDDLEDOUBLE = MIDDLE | DOUBLE,
		MIDDLEREPEAT = MIDDLE | REPEAT, MIDDLEDRAG = MIDDLE | DRAG, MIDDLEHOLD   = MIDDLE | HOLD,
		MIDDLETRIPLE = MIDDLE | TRIPLE,
	};

	// Bits of the flag word.
	enum : dword {
		UNICODEKEYS   = 1u << 0,
		FULLREFRESH   = 1u << 1,
		TRANSPARENT   = 1u << 2,
		VISIBLE       = 1u << 3,
		ENABLED       = 1u << 4,
		WANTFOCUS     = 1u << 5,
		INITFOCUS     = 1u << 6,
		EDITABLEFLAG  = 1u << 8,
		MODIFIED      = 1u << 9,
		IGNOREMOUSE   = 1u << 10,
		INFRAME       = 1u << 11,
		INLOOP        = 1u << 12,
		ISOPEN        = 1u << 13,
		POPUP         = 1u << 14,
		CONSTRUCTED   = 1u << 16, // set by the constructor, read by nothing
		AKEYS         = 1u << 18,
		DESTROYING    = 1u << 19,
		LAYOUTIDPTR   = 1u << 20,
		MULTIFRAME    = 1u << 21,
		TOPLEVEL      = 1u << 22,
		MEGARECT      = 1u << 23,
	};

	// Property keys; derived classes use keys from ATTR_FIRST_FREE on.
	enum {
		ATTR_LAYOUTID,
		ATTR_TIP,
		ATTR_HELPLINE,
		ATTR_DESCRIPTION,
		ATTR_HELPTOPIC,
		ATTR_MEGARECT_X,
		ATTR_MEGARECT_Y,
		ATTR_FIRST_FREE,
	};

	// Virtual operations, in slot order. Those whose defaults belong to the pre-edit
	// dispatch stay neutral until that dispatch exists.
	virtual bool   Accept();
	virtual void   Reject();
	virtual void   SetData(const Value& data);
	virtual Value  GetData() const;
	virtual void   Serialize(Stream& s);
	virtual void   Jsonize(JsonIO& jio);
	virtual void   Xmlize(XmlIO& xio);
	virtual void   SetModify();
	virtual void   ClearModify();
	virtual bool   IsModified() const;
	virtual void   Paint(Draw& w);
	virtual int    OverPaint() const;
	virtual void   CancelMode();
	virtual void   Activate();
	virtual void   Deactivate();
	virtual void   DeactivateBy(Ctrl* new_top);
	virtual Image  FrameMouseEvent(int event, Point p, int zdelta, dword keyflags);
	virtual Image  MouseEvent(int event, Point p, int zdelta, dword keyflags);
	virtual void   MouseEnter(Point p, dword keyflags);
	virtual void   MouseMove(Point p, dword keyflags);
	virtual void   LeftDown(Point p, dword keyflags);
	virtual void   LeftDouble(Point p, dword keyflags);
	virtual void   LeftTriple(Point p, dword keyflags);
	virtual void   LeftRepeat(Point p, dword keyflags);
	virtual void   LeftDrag(Point p, dword keyflags);
	virtual void   LeftHold(Point p, dword keyflags);
	virtual void   LeftUp(Point p, dword keyflags);
	virtual void   RightDown(Point p, dword keyflags);
	virtual void   RightDouble(Point p, dword keyflags);
	virtual void   RightTriple(Point p, dword keyflags);
	virtual void   RightRepeat(Point p, dword keyflags);
	virtual void   RightDrag(Point p, dword keyflags);
	virtual void   RightHold(Point p, dword keyflags);
	virtual void   RightUp(Point p, dword keyflags);
	virtual void   MiddleDown(Point p, dword keyflags);
	virtual void   MiddleDouble(Point p, dword keyflags);
	virtual void   MiddleTriple(Point p, dword keyflags);
	virtual void   MiddleRepeat(Point p, dword keyflags);
	virtual void   MiddleDrag(Point p, dword keyflags);
	virtual void   MiddleHold(Point p, dword keyflags);
	virtual void   MiddleUp(Point p, dword keyflags);
	virtual void   MouseWheel(Point p, int zdelta, dword keyflags);
	virtual void   HorzMouseWheel(Point p, int zdelta, dword keyflags);
	virtual void   MouseLeave();
	virtual void   PenEvent(Point p, const PenInfo& pen, dword keyflags);
	virtual Point  GetPreedit();
	virtual Font   GetPreeditFont();
	virtual Rect   GetCaret() const;
	virtual void   DragAndDrop(Point p, PasteSource& d);
	virtual void   FrameDragAndDrop(Point p, PasteSource& d);
	virtual void   DragRepeat(Point p);
	virtual void   DragEnter();
	virtual void   DragLeave();
	virtual String GetDropData(const String& fmt) const;
	virtual String GetSelectionData(const String& fmt) const;
	virtual Image  CursorImage(Point p, dword keyflags);
	virtual bool   Key(dword key, int count);
	virtual void   GotFocus();
	virtual void   LostFocus();
	virtual bool   HotKey(dword key);
	virtual dword  GetAccessKeys() const;
	virtual void   AssignAccessKeys(dword used);
	virtual void   PostInput();
	virtual void   ChildFrameMouseEvent(Ctrl* child, int event, Point p, int zdelta, dword keyflags);
	virtual void   ChildMouseEvent(Ctrl* child, int event, Point p, int zdelta, dword keyflags);
	virtual void   ChildGotFocus();
	virtual void   ChildLostFocus();
	virtual void   ChildAdded(Ctrl* child);
	virtual void   ChildRemoved(Ctrl* child);
	virtual void   ParentChange();
	virtual void   StateChanged(int reason);
	virtual void   Layout();
	virtual Size   GetMinSize() const;
	virtual Size   GetStdSize() const;
	virtual Size   GetMaxSize() const;
	virtual bool   IsShownEnabled() const;
	virtual Rect   GetOpaqueRect() const;
	virtual Rect   GetVoidRect() const;
	virtual void   Updated();
	virtual void   Close();
	virtual bool   ExtraQuery();
	virtual String GetDesc() const;
	virtual void   SetMinSize(Size sz);
	virtual void   ApplySkin();

	Ctrl();
	virtual ~Ctrl();
	Ctrl(const Ctrl&) = delete;
	Ctrl& operator=(const Ctrl&) = delete;

	// Tree.
	void   AddChild(Ctrl* child);
	void   RemoveChild(Ctrl* child);
	void   Remove();
	Ctrl*  GetParent() const            { return IsTopLevel() ? nullptr : parent; }
	Ctrl*  GetFirstChild() const        { return firstchild; }
	Ctrl*  GetLastChild() const         { return firstchild ? firstchild->prev : nullptr; }
	// Null past either end of the list.
	Ctrl*  GetNext() const              { Ctrl* p = GetParent(); return p && next != p->firstchild ? next : nullptr; }
	Ctrl*  GetPrev() const              { Ctrl* p = GetParent(); return p && this != p->firstchild ? prev : nullptr; }
	Ctrl*  GetTopCtrl();
	const Ctrl* GetTopCtrl() const;
	bool   HasChildDeep(Ctrl* c) const;
	Ctrl*  GetFocusChildDeep() const;
	Ctrl*  GetOwner() const;

	// Focus. A control takes it only while its window is open and it is enabled and visible up
	// to its top-level control.
	static Ctrl* GetFocusCtrl();
	bool   SetFocus();
	bool   SetWantedFocus();
	bool   HasFocusDeep() const;
	// Gives the focus to the next control after c in tree order that takes it (c's subtree
	// first, then its following siblings and those of its ancestors below top). noframe skips
	// frame-area controls, init those without the initial-focus flag, all takes any enabled one.
	static bool IterateFocusForward(Ctrl* c, Ctrl* top, bool noframe = false, bool init = false, bool all = false);
	// The mirror order: preceding siblings (children last first, then the control itself), then
	// each ancestor below top.
	static bool IterateFocusBackward(Ctrl* c, Ctrl* top, bool noframe = false, bool all = false);
	// Ends a composition of the input method that is in progress.
	static void CancelPreedit();
	// Push buttons of the widgets take the focus when clicked while this is set (off at start).
	static bool GetClickFocus();
	static void SetClickFocus(bool b);

	// Visibility, enabling and editing, each announced to the state hooks and the subtree.
	void   Show(bool show = true);
	bool   IsVisibleDeep() const;
	void   Enable(bool enable = true);
	Ctrl&  SetEditable(bool editable = true);
	void   Update();
	void   UpdateRefresh();
	void   UpdateAction();

	// Access keys: bits of AccessKeyBit, collected over the subtree and handed out again.
	dword  GetAccessKeysDeep() const;
	void   DistributeAccessKeys();
	bool   AreAccessKeysVisible() const;

	// Hooks see every event or notification before any control; the first that returns true
	// takes it. Installed for the life of the process.
	using MouseHook = bool (*)(Ctrl* ctrl, bool inframe, int event, Point p, int zdelta, dword keyflags);
	using KeyHook   = bool (*)(Ctrl* focus, dword key, int count);
	using StateHook = bool (*)(Ctrl* ctrl, int reason);
	static void InstallMouseHook(MouseHook hook);
	static void InstallKeyHook(KeyHook hook);
	static void InstallStateHook(StateHook hook);

	// Windows. The active control is the top control of the focus, else the window opened last.
	static Ctrl* GetActiveCtrl();
	bool   IsForeground() const;
	void   SetForeground();
	// Presents the window and follows the desktop's idea of the active window.
	void   SetWndForeground();
	// Activation and deactivation around a focus change, and the window system's focus moving
	// in and out of a window.
	static void DeactivateTopOf(Ptr<Ctrl> old_focus, Ptr<Ctrl> new_focus);
	static void NotifyFocusChange(Ptr<Ctrl> old_focus, Ptr<Ctrl> new_focus, bool activate);
	void   WindowFocusIn();
	void   WindowFocusOut();
	// On a top control: whether the desktop takes its window for the active one.
	bool   IsWndActive() const;
	// A click in this window while the focus sits in another one makes this window active again.
	void   RecheckFocusWindow();

	// Mouse. Event codes are the mouse events above (LEFTDOWN, MOUSEMOVE...).
	// The backend's entry of a mouse event on a top-level control, p in its coordinates;
	// returns the cursor.
	Image  DispatchMouse(int event, Point p, int zdelta);
	// The capture sends every mouse event to this control until no button is held; the window
	// holds a pointer grab meanwhile. ReleaseCapture is true when a grab was given back.
	bool   SetCapture();
	static bool ReleaseCapture();
	bool   HasCapture() const;
	// On a top control: whether it holds the capture's pointer grab.
	bool   HoldsPointerGrab() const;
	// Whether the control takes mouse events: visible up to its top, enabled, open, not ignoring.
	bool   AcceptsMouse() const;
	// The control under the pointer, and whether it is this one, or one inside this one.
	static Ctrl* GetMouseCtrl();
	bool   HasMouse() const;
	bool   HasMouseDeep() const;
	// Whether the pointer is over the part of r (view coordinates) that shows on the screen.
	bool   HasMouseIn(const Rect& r) const;
	// The deepest visible control under p (this one when none), with p made relative to it; p is
	// in view coordinates when inview, else in outer ones.
	Ctrl*  ChildFromPoint(Point& p, bool inview = true);
	// Click suppression: the next press is swallowed (until the buttons are released).
	static void SuppressMouseClick();
	static void SuppressMouseUntilRelease();
	static void EndMouseSuppression();
	// Ends the auto-repeat and the pending drag and hold of the last press.
	static void StopMouseRepeat();
	// The cursor of the control under the pointer, set on its window.
	static void SyncCursor();
	static void SetNativeCursor(const Image& img);

	// Drag and drop. DoDragAndDrop drags data (format names to entries) from this control's
	// window with an icon made of sample and the allowed actions (1 copy, 2 move, 3 either); it
	// returns when the drag is over, with the action it ended with (0 none). DispatchDrop is the
	// backend's entry of a drag moving or dropping over a top control, p in its coordinates: the
	// outermost control under p that accepts a format of clip takes it and is kept informed
	// (enter, a repeat every 40 ms while the pointer rests, leave).
	int    DoDragAndDrop(const VectorMap<String, ClipData>& data, const Image& sample = Image(), dword actions = 3);
	void   DispatchDrop(Point p, PasteSource& clip);
	static void DispatchDropLeave();
	// The control whose drag is running; null when none is.
	static Ctrl* GetDragAndDropSource();
	// Makes this control the owner of the primary selection for the formats of the list: its
	// GetSelectionData answers for them while it exists.
	void   SetSelectionSource(const char* fmts);

	// Keys: the installed hooks, then the focus control and its ancestors, then hot keys of the
	// focus window. True when something took the key; count is the number of merged repeats.
	static bool DispatchKey(dword key, int count);
	// On a top control: underlines access keys while Alt is held, when the skin wants that.
	void   ShowAccessKeys(bool show);
	void   RefreshAccessKeysDeep();
	// The window that holds this control: its top control when that is a window, else the
	// window of its owner, and so on; null when none is.
	template <class W = TopWindow>
	W*     GetTopWindow() const             { return static_cast<W*>(GetTopWindow0()); }
	// The last window of the owner chain, when it is a window.
	template <class W = TopWindow>
	W*     GetMainWindow() const            { return static_cast<W*>(GetMainWindow0()); }
	// The window-list controls that are not popups.
	static Vector<Ctrl*> GetTopWindows();
	static void CloseTopCtrls();
	// Ends the control's own event loop at the end of the current pass; code becomes its
	// window's exit code.
	void   BreakLoop(int code);

	// The native window of a top-level control, in device pixels throughout.
	void   CreateNativeWindow(Ctrl* owner, bool popup);
	// Opens the control as an undecorated popup of owner's window (of the active window without
	// owner); activate gives it the focus and lets it hold the pointer while it is open.
	void   PopUp(Ctrl* owner = nullptr, bool savebits = true, bool activate = true, bool dropshadow = false,
	             bool topmost = false);
	// Null while no native window is open.
	Rect   GetWndScreenRect() const;
	// Hands every window's pending repaint rectangles to the window system.
	static void FlushInvalid();
	void   SetAlpha(byte alpha);

	// The event loop: with null until no window is left, else until ctrl closes or its loop is
	// broken. Loops nest.
	static void EventLoop(Ctrl* ctrl = nullptr);
	static Ctrl* GetLoopCtrl();

	Function<void ()> WhenAction;
	void   Action();

	// Flags.
	dword  GetFlags() const             { return flags; }
	bool   IsVisible() const            { return flags & VISIBLE; }
	bool   IsEnabled() const            { return flags & ENABLED; }
	bool   IsEditable() const           { return flags & EDITABLEFLAG; }
	bool   IsTransparent() const        { return flags & TRANSPARENT; }
	bool   IsWantFocus() const          { return flags & WANTFOCUS; }
	bool   IsInitFocus() const          { return flags & INITFOCUS; }
	bool   IsIgnoreMouse() const        { return flags & IGNOREMOUSE; }
	bool   IsUnicodeKeys() const        { return flags & UNICODEKEYS; }
	bool   InFrame() const              { return flags & INFRAME; }
	bool   InView() const               { return !(flags & INFRAME); }
	bool   IsTopLevel() const           { return flags & TOPLEVEL; }
	bool   IsPopUp() const              { return flags & POPUP; }
	bool   IsDestroying() const         { return flags & DESTROYING; }
	bool   IsOpen() const;
	bool   InLoop() const               { return flags & INLOOP; }
	Ctrl&  Transparent(bool b = true)   { GuiLock lock; SetFlag(TRANSPARENT, b); return *this; }
	Ctrl&  NoTransparent()              { return Transparent(false); }
	Ctrl&  IgnoreMouse(bool b = true)   { GuiLock lock; SetFlag(IGNOREMOUSE, b); return *this; }
	Ctrl&  WantFocus(bool b = true)     { GuiLock lock; SetFlag(WANTFOCUS, b); return *this; }
	Ctrl&  InitFocus(bool b = true)     { GuiLock lock; SetFlag(INITFOCUS, b); return *this; }
	// Text-editing controls receive typed characters as code points, not in the default
	// character set.
	Ctrl&  UnicodeKeys(bool b = true)   { GuiLock lock; SetFlag(UNICODEKEYS, b); return *this; }

	// Properties.
	Ctrl&   SetLayoutId(const char* id);
	String  GetLayoutId() const;
	Ctrl&   SetTip(const char* text)            { SetTextAttr(ATTR_TIP, text); return *this; }
	Ctrl&   SetHelpLine(const char* text)       { SetTextAttr(ATTR_HELPLINE, text); return *this; }
	Ctrl&   SetDescription(const char* text)    { SetTextAttr(ATTR_DESCRIPTION, text); return *this; }
	Ctrl&   SetHelpTopic(const char* text)      { SetTextAttr(ATTR_HELPTOPIC, text); return *this; }
	String  GetTip() const                      { return GetTextAttr(ATTR_TIP); }
	String  GetHelpLine() const                 { return GetTextAttr(ATTR_HELPLINE); }
	String  GetDescription() const              { return GetTextAttr(ATTR_DESCRIPTION); }
	String  GetHelpTopic() const                { return GetTextAttr(ATTR_HELPTOPIC); }
	void    SetTextAttr(int key, const char* text);
	void    SetTextAttr(int key, const String& text);
	String  GetTextAttr(int key) const;
	void    SetIntAttr(int key, int v);
	int     GetIntAttr(int key, int def = INT_NULL) const;
	void    SetColorAttr(int key, Color c);
	Color   GetColorAttr(int key) const;
	void    SetFontAttr(int key, Font f);
	Font    GetFontAttr(int key) const;
	void    SetVoidPtrAttr(int key, const void* p);
	void*   GetVoidPtrAttr(int key) const;

	// Diagnostics: the type and layout path with the address, and the user-log description.
	static String Name(const Ctrl* c);
	static String Desc(const Ctrl* c);
	String  Name() const                        { return Name(this); }

	// Frames.
	Ctrl&   InsertFrame(int i, CtrlFrame& f);
	Ctrl&   AddFrame(CtrlFrame& f);
	Ctrl&   SetFrame(int i, CtrlFrame& f);
	Ctrl&   SetFrame(CtrlFrame& f)              { return SetFrame(0, f); }
	CtrlFrame& GetFrame(int i = 0) const;
	int     GetFrameCount() const;
	Size    AddFrameSize(int cx, int cy) const;
	Size    AddFrameSize(Size sz) const         { return AddFrameSize(sz.cx, sz.cy); }

	// Geometry.
	LogPos  GetPos() const;
	Rect    GetRect() const;
	Rect    GetView() const;
	Size    GetSize() const;
	Rect    GetScreenRect() const;
	Rect    GetScreenView() const;
	Rect    GetVisibleScreenRect() const;
	// The rectangle of position p in an extent of the given size, the extent's origin at 0, 0.
	Rect    CalcRect(LogPos p, Size extent) const;
	Rect    GetWorkArea() const;
	// The work area of the monitor that holds c's top control (the primary one without c).
	static Rect GetWorkArea(const Ctrl* c);

	static Rect GetVirtualScreenArea();
	static Rect GetPrimaryWorkArea();
	static Rect GetWorkArea(Point pt);

	Ctrl&   SetPos(LogPos p, bool inframe);
	Ctrl&   SetPos(LogPos p)                    { return SetPos(p, false); }
	Ctrl&   SetPos(LogPosAxis x, LogPosAxis y)  { return SetPos(LogPos(x, y)); }
	Ctrl&   SetRect(int x, int y, int cx, int cy);
	Ctrl&   SetRect(const Rect& r);
	Ctrl&   SetLeftPos(int a, int size)         { return SetPosX(LogPosAxis(LogPosAxis::LEFT, a, size)); }
	Ctrl&   SetRightPos(int a, int size)        { return SetPosX(LogPosAxis(LogPosAxis::RIGHT, a, size)); }
	Ctrl&   SetTopPos(int a, int size)          { return SetPosY(LogPosAxis(LogPosAxis::TOP, a, size)); }
	Ctrl&   SetBottomPos(int a, int size)       { return SetPosY(LogPosAxis(LogPosAxis::BOTTOM, a, size)); }
	Ctrl&   SetHorzSizePos(int l, int r)        { return SetPosX(LogPosAxis(LogPosAxis::SIZE, l, r)); }
	Ctrl&   SetVertSizePos(int t, int b)        { return SetPosY(LogPosAxis(LogPosAxis::SIZE, t, b)); }
	Ctrl&   SetSizePos()                        { return SetHorzSizePos(0, 0).SetVertSizePos(0, 0); }
	Ctrl&   SetHorzCenterPos(int size, int delta = 0) { return SetPosX(LogPosAxis(LogPosAxis::CENTER, delta, size)); }
	Ctrl&   SetVertCenterPos(int size, int delta = 0) { return SetPosY(LogPosAxis(LogPosAxis::CENTER, delta, size)); }
	Ctrl&   SetLeftPosZoomed(int a, int size);
	Ctrl&   SetTopPosZoomed(int a, int size);
	Ctrl&   SetHorzSizePosZoomed(int l, int r);

	// Recomputes the rectangle from the logical position (and lays out with sync).
	void    UpdateRect(bool sync = true);
	// The same, then the whole area is refreshed.
	void    UpdateRectRefresh();
	// 0 lays out what changed, 1 also announces the layout, 2 also lays out every descendant.
	void    SyncLayout(int level = 0);
	// Adds the frames to sz (written back) and makes that the minimum size.
	void    SetMinSizeWithFrames(Size& sz);
	// Moves and sizes an open top-level control's native window (device pixels).
	void    WndSetPos(const Rect& r);

	// Refresh requests; they reach the screen only through an open window. A whole-view refresh
	// holds back every further one of the control until it is painted.
	void    Refresh();
	// r in view coordinates.
	void    Refresh(const Rect& r);
	void    Refresh(int x, int y, int cx, int cy) { Refresh(Rect(x, y, x + cx, y + cy)); }
	void    RefreshFrame();
	// r in frame coordinates (0, 0 is the outer corner, frames included).
	void    RefreshFrame(const Rect& r);
	// Paints what is pending in the window now.
	void    Sync();

	// Painting, clip in frame coordinates. UpdateArea is the window's paint request (nothing in
	// panic mode); PaintTree paints the whole tree; CtrlPaint one control with its frames and
	// children, later children over earlier ones.
	void    UpdateArea(SystemDraw& w, const Rect& clip);
	void    PaintTree(SystemDraw& w, const Rect& clip);
	void    CtrlPaint(Draw& w, const Rect& clip);

	// State notifications: hooks first, then the subtree and the control itself.
	void    NotifyState(int reason);
	void    StateDeep(int reason);

	// Member timers: the identity is the control's address plus id, which must stay below the
	// size of Ctrl so that destruction removes it.
	void    SetTimeCallback(int delay_ms, Function<void ()> cb, int id = 0);
	void    KillTimeCallback(int id = 0);
	bool    ExistsTimeCallback(int id = 0) const;

	// Cross-thread call: runs cb on the GUI thread and returns after it ran; an exception that
	// cb throws is thrown again here.
	static void Call(Function<void ()> cb);
	// At exit, on the GUI thread: returns once no counted worker thread runs.
	static void ShutdownThreads();
	static void ProcessEvents(bool* quit = nullptr);
	// Reports an error Value (true) or tells that the value is none (false).
	static bool (*&ErrorValueHook())(const Value& v);

	// Caret blink, run once per pass of the event loop, and refresh of the old and new caret.
	static void BlinkCaret();
	static void RefreshCaret();
	static void SyncCaret();
	static void CheckMouseCtrl();
	static void SyncRefreshFlags();
	static Vector<Ctrl*> GetTopCtrls();

	// The theme: re-skin of every window, the skin table, and the theme-change request.
	static void ReSkin();
	static void SetSkin(void (* const* skin)());
	static void PostReSkin();

private:
	struct FrameRec {
		CtrlFrame* frame;
		int16      left, top, right, bottom;

		Rect GetRect() const   { return Rect(left, top, right, bottom); }
		void SetRect(const Rect& r);
	};
	struct FrameArray {
		FrameRec* frames;
		dword     alloc;
		dword     count;
	};

	union {
		FrameRec   frame;
		FrameArray multi;
	};
	LogPos      pos;
	int16       rect[4] = {};
	union {
		Ctrl*        parent;
		detail::Top* top;
	};
	Ctrl*       prev = nullptr;
	Ctrl*       next = nullptr;
	Ctrl*       firstchild = nullptr;
	union {
		PackedData  attrs;
		const char* layout_id_literal;
	};
	byte        overpaint = 0;
	dword       flags = 0;

	friend struct detail::CtrlAccess;

	void      SetFlag(dword bit, bool b)     { if(b) flags |= bit; else flags &= ~bit; }
	Rect      GetRect0() const               { return Rect(rect[0], rect[1], rect[2], rect[3]); }
	void      SetRect0(const Rect& r);
	Point     GetMegaOffset() const;
	PackedData& Attrs();
	const FrameRec* FrameData() const    { return flags & MULTIFRAME ? multi.frames : &frame; }
	FrameRec* FrameData()                { return flags & MULTIFRAME ? multi.frames : &frame; }
	int       FrameCount0() const        { return flags & MULTIFRAME ? (int)multi.count : frame.frame ? 1 : 0; }
	Rect      GetView0() const
	{
		int n = FrameCount0();
		return n ? FrameData()[n - 1].GetRect() : Rect(0, 0, rect[2] - rect[0], rect[3] - rect[1]);
	}
	Rect      CalcRect0(LogPos p, Size extent) const;
	void      SyncLayout0(int level);
	FrameRec* GrowFrameArray(int i);
	FrameRec* InsertFrameRec(int i);
	Ctrl&     SetPosX(LogPosAxis x);
	Ctrl&     SetPosY(LogPosAxis y);
	Rect      GetVisibleScreenView() const;
	struct MegaOffset {
		bool  on = false;
		Point offset;
	};
	void      SetPos0(LogPos p, bool inframe, const MegaOffset* mega);
	Ctrl&     SetPos1(LogPos p, bool inframe, const MegaOffset* mega);
	static MegaOffset RectPos(int& x, int& y, int& cx, int& cy);
	// Applies the native window's pending configure events before it is moved.
	void      SyncPendingConfigure();
	// A window synchronises its size hints and tells the window manager's frame margins
	// (left, top) here; other controls have none.
	Point     SyncWindowFrame();
	void      UnlinkChild(Ctrl* child);
	void      CancelModeDeep();
	void      ClearFullRefreshDeep();
	Ctrl*     GetTopWindow0() const;
	Ctrl*     GetMainWindow0() const;
	static bool SetFocus0(Ctrl* ctrl, bool activate);
	// A focus control destroyed left its window without one: the parent it recorded takes the
	// focus, else the next control of that window that wants it, else the window itself. Run
	// once the destruction is over, when the window still holds the focus.
	static void TakeDeferredFocus();
	// The focus-loss notices of the old focus control.
	static void LostFocusNotices(Ctrl* old);
	// Destroys the native window of a top-level control.
	void      WndDestroy();
	// Takes r (screen, device pixels) as a left/top position without moving the native window.
	void      AdoptWndRect(const Rect& r);
	// Runs the current backend event on this top control.
	void      DispatchBackendEvent();
	// Mouse dispatch below DispatchMouse: to the capture or down the tree; enter and leave and
	// the split between view and frame; hooks, the log and the parent's notice; the event itself.
	Image     DispatchMouseEvent(int event, Point p, int zdelta);
	Image     DeliverMouseEvent(int event, Point p, int zdelta);
	Image     SendViewMouseEvent(int event, Point p, int zdelta, dword keyflags);
	Image     SendFrameMouseEvent(int event, Point p, int zdelta, dword keyflags);
	Image     InvokeMouseEvent(int event, Point p, int zdelta, dword keyflags);
	// The child under p (outer coordinates, made relative to the child); null when none.
	Ctrl*     ChildAtPoint(Point& p);
	// Passes a wheel event up to the parent's view when p lies there.
	void      PassWheelUp(int event, Point p, int zdelta, dword keyflags);
	// The window becomes the focus window with the focus on itself, announced.
	void      ActivateWnd();
	void      ExcludeDHCtrls(SystemDraw& w, const Rect& clip, Point off);
	void      SyncScroll();
	void      ApplySkinDeep();
	void      ReleaseFocusAndCapture();
	void      SyncFrames(bool& changed);
	int       SpecialSize(int v, bool horz) const;
};

// 0 for no character, 2 << (c - 'A') for 'A' to 'Z' (bits 1 to 26), 1 for any other.
dword AccessKeyBit(int c);

// The mouse buttons held and the pointer's screen position, as the event being dispatched saw
// them.
bool  GetMouseLeft();
bool  GetMouseRight();
Point GetMousePos();

// The standard arrow (every control's cursor unless it says otherwise), and the cursor that
// replaces every control's own while it is not empty.
Image ArrowCursorImage();
Image OverrideCursorImage();

// A key code as menus and tips show it: "Ctrl+Shift+F5", "Num 3", "Enter".
String GetKeyDesc(dword key);

// The window that holds the active control; null when there is none.
template <class W = TopWindow>
W* GetActiveTopWindow()
{
	Ctrl* a = Ctrl::GetActiveCtrl();
	return a ? a->GetTopWindow<W>() : nullptr;
}

// Disables every window of the list that exists, is enabled, is not except and is not owned by
// it (through any chain of owners); returns those it disabled.
Array<Ptr<Ctrl>> DisableOtherWindows(const Array<Ptr<Ctrl>>& list, Ctrl* except);

// The application's title as prompts show it: the executable's name.
String GetAppTitle();

} // namespace Qel
