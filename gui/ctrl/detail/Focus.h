// The process-wide focus, loop and input state, under the GUI lock. Every reference to a control
// is weak: a handler may destroy any control.
#pragma once

#include <gui/ctrl/Ctrl.h>

namespace Qel::detail {

struct FocusState {
	Ptr<Ctrl>        focus_ctrl;
	Ptr<Ctrl>        focus_wnd;       // the window the framework takes for focused
	Ptr<Ctrl>        defer_focus;     // the parent of a destroyed focus control
	Array<Ptr<Ctrl>> defer_candidates;
	Ptr<Ctrl>        capture;
	Ptr<Ctrl>        pointer_ctrl;    // the control under the pointer
	Ptr<Ctrl>        loop_ctrl;       // whose event loop is innermost
	Ptr<Ctrl>        last_opened;     // stands for the active window until the desktop tells one
	Array<Ptr<Ctrl>> popup_grabs;     // open popups that hold the pointer, oldest first
	Array<Ptr<Ctrl>> popups;          // every popup opened, oldest first
	Vector<Ctrl::MouseHook> mouse_hooks;
	Vector<Ctrl::KeyHook>   key_hooks;
	Vector<Ctrl::StateHook> state_hooks;
};

FocusState& Focus();

// Whether user actions go to the log; read on every event, so the cached value when current.
inline bool UserLogOn()
{
	return IniUserLog.IsCurrent() ? IniUserLog.value : IniUserLog.Get();
}

// What windows of the window class add where the core and the backend treat windows specially;
// each is null until that class registers it.
struct WindowHooks {
	void (*set_exit_code)(Ctrl* window, int code) = nullptr;
	bool (*is_tool_window)(const Ctrl* window) = nullptr;
	void (*sync_size_hints)(Ctrl* window) = nullptr;
	// A rectangle the window system reported while the window is in its normal state.
	void (*set_overlapped)(Ctrl* window, const Rect& r) = nullptr;
	// Where the window opens next time after it closed; empty for nowhere in particular.
	Rect (*normal_rect)(const Ctrl* window) = nullptr;
	// The window's answer to the window manager's close button; Close without it.
	void (*when_close)(Ctrl* window) = nullptr;
};

WindowHooks& GetWindowHooks();
// Whether c is a window of the window class.
bool IsWindowCtrl(const Ctrl* c);

} // namespace Qel::detail
