// TopWindow: the application's top-level window. It keeps a title, icons, a background, size
// hints, the control that last had its focus, and the actions that end its modal loop with a
// code; Run shows it and waits in that loop, with the windows it must not compete with disabled.
#pragma once

#include <gui/ctrl/Ctrl.h>

namespace Qel {

namespace detail {
struct TopWindowAccess;
} // namespace detail

class TopWindow : public Ctrl {
public:
	// Codes of the standard actions; DefaultClose picks among them.
	enum {
		IDOK     = 1,
		IDCANCEL = 2,
		IDYES    = 6,
		IDNO     = 7,
		IDEXIT   = 9999,
	};
	// Window states.
	enum {
		MINIMIZED  = 0,
		MAXIMIZED  = 1,
		OVERLAPPED = 2,
		FULLSCREEN = 99,
	};
	// Where a window that opens at 0, 0 is placed.
	enum {
		CENTER_NONE   = 0,
		CENTER_OWNER  = 1,
		CENTER_SCREEN = 2,
	};

	// An action that ends the loop; the window's BreakCallback makes them.
	struct Abreak : Pte<Abreak> {
		int        id = 0;
		TopWindow* dlg = nullptr;
	};

	bool   Accept() override;
	void   Reject() override;
	void   Paint(Draw& w) override;
	void   Activate() override;
	void   Deactivate() override;
	bool   Key(dword key, int count) override;
	void   ChildGotFocus() override;
	Size   GetMinSize() const override;
	Size   GetStdSize() const override;
	bool   IsShownEnabled() const override;
	void   Close() override;
	String GetDesc() const override;
	void   SetMinSize(Size sz) override;
	// Left to derived windows.
	virtual void Slot86Hook();

	TopWindow();
	~TopWindow() override;

	// Opens the window when it is not open (owned by the active window), shows it and runs its
	// loop; returns the code of the action that ended it. appmodal disables every other window.
	int    Run(bool appmodal = false);
	int    RunAppModal()                    { return Run(true); }
	void   Open();
	void   Open(Ctrl* owner);
	// A callback that ends the loop with id; the id also counts as an action for DefaultClose.
	Function<void ()> BreakCallback(int id);
	// What closing does while the loop runs: cancel when there is a cancel or no action (or
	// closing rejects), else accept.
	void   DefaultClose();
	// Serialises the window's data, which Reject loads back.
	void   Backup();

	TopWindow& Title(const WString& text);
	TopWindow& Title(const String& text)    { return Title(text.ToWString()); }
	TopWindow& Title(const char* text)      { return Title(String(text)); }
	const WString& GetTitle() const         { return title; }
	TopWindow& Icon(const Image& small);
	TopWindow& Icon(const Image& small, const Image& large);
	TopWindow& LargeIcon(const Image& large);
	TopWindow& Background(const DisplayedValue& v);
	TopWindow& Sizeable(bool b = true);
	TopWindow& NoSizeable()                 { return Sizeable(false); }
	TopWindow& FrameLess(bool b = true);
	TopWindow& Urgent(bool b = true);
	TopWindow& CloseRejects(bool b = true)  { closerejects = b; return *this; }
	TopWindow& ToolWindow(bool b = true)    { toolwindow = b; return *this; }
	TopWindow& AutoAccessKeys(bool b = true) { autoaccesskeys = b; return *this; }
	// Opens full screen; on an open window it takes effect with SyncState.
	TopWindow& FullScreen(bool b = true)    { fullscreen = b; if(b) state = FULLSCREEN; return *this; }
	TopWindow& Center(int mode)             { center = mode & 3; return *this; }
	TopWindow& NoCenter()                   { return Center(CENTER_NONE); }
	TopWindow& CenterOwner()                { return Center(CENTER_OWNER); }
	TopWindow& CenterScreen()               { return Center(CENTER_SCREEN); }
	bool   IsSizeable() const               { return sizeable; }
	bool   IsFrameLess() const              { return noframe; }
	bool   IsUrgent() const                 { return urgent; }
	bool   IsToolWindow() const             { return toolwindow; }
	bool   IsFullScreen() const             { return fullscreen; }

	// The title, icons, decoration and urgency; the size hints (min and max, or the current
	// size when not sizeable), applied to the native window.
	void   SyncTitle();
	void   SyncCaption();
	void   SyncSizeHints();

	// Placement when the window opens: the rectangle made at least the minimum size (centred in
	// the work area at 0, 0), or the cascade of GetDefaultWindowRect when it is empty; then,
	// with an owner (or centring on the screen), centred and fitted between the frame margins.
	void   CenterRect(Ctrl* owner);
	void   CenterOnOpen(Ctrl* owner);

	// The state (MINIMIZED, MAXIMIZED, OVERLAPPED, FULLSCREEN): as the window manager last
	// reported it, or as asked for; SyncState moves the native window there.
	int    GetState() const;
	void   SyncState(int state);
	bool   IsMaximized() const              { return GetState() == MAXIMIZED; }
	bool   IsMinimized() const              { return GetState() == MINIMIZED; }
	bool   IsOverlapped() const             { return GetState() == OVERLAPPED; }
	// The rectangle of the last time the window was in its normal state.
	Rect   GetOverlappedRect() const;
	void   SyncTopMost();
	TopWindow& SetTopMost(bool topmost = true, bool = false);
	bool   IsTopMost() const;
	// The code the last Run ended with (Null while it waits).
	int    GetExitCode() const              { return exitcode; }

	// Called with the window on the window manager's close request; by default Close, which
	// ends a running loop through DefaultClose.
	Function<void ()> WhenClose;

	// The look that windows paint unless it is Null; the skin sets it, a theme change resets it.
	static Value& StyleLook();

private:
	Array<Abreak>  action;
	Ptr<Ctrl>      activefocus;
	String         backup;
	DisplayedValue background;
	Size           minsize = Size(80, 20);
	byte           center = CENTER_OWNER;
	int            exitcode = 0;
	Rect           overlapped;
	WString        title;
	bool           sizeable = false;
	bool           noframe = false;
	bool           urgent = false;
	bool           closerejects = false;
	bool           fullscreen = false;
	bool           topmost = false;
	bool           toolwindow = false;
	bool           autoaccesskeys = false;
	byte           state = OVERLAPPED;
	Image          icon, largeicon;
	// The GdkPixbufs of the icons and the serial ids they were made from.
	void*          iconpixbuf[2] = {};
	uint64         iconserial[2] = {};
	const Value*   style = nullptr;

	Abreak* FindAction(int id);
	// Learns the window manager's frame margins from the open native window.
	void   SyncFrameMargins();
	void   FreeIcons();

	friend struct detail::TopWindowAccess;
};

// Two thirds of the primary work area, each call 10 pixels further down and right than the last
// (back to the corner once it would leave the work area): where windows without a rectangle open.
Rect GetDefaultWindowRect();

} // namespace Qel
