// The GTK 3 backend's start-up and shut-down, its main-loop pump, the panic message box and the
// desktop queries. A program runs, in order:
//     AppInit(argc, argv, envp);
//     if(!InitGtkApp(argc, argv, envp)) return -1;
//     AppExecute(body);
//     Ctrl::CloseTopCtrls(); Ctrl::ShutdownThreads(); ExitGtkApp();
//     AppExit(); return GetExitCode();
#pragma once

#include <draw/Draw.h>

namespace Qel {

// Brings GTK up on the calling thread, which becomes the GUI thread and keeps one level of the
// GUI lock until ExitGtkApp. X11 is preferred; a file named "USE_WAYLAND" in the configuration
// folder puts Wayland first. False (after a message on standard error) when GTK cannot start.
bool InitGtkApp(int argc, char** argv, char** envp);
void ExitGtkApp();

// Whether the display is a Wayland or an X11 one (both false without a display), and whether
// the desktop session is a Wayland one; each decided on the first question.
bool IsWayland();
bool IsX11();
bool IsWaylandSession();
// No X11 in use and a KDE session.
bool IsKdeDesktop();

// One GLib main-context iteration and then every further ready one, with the GUI lock released
// meanwhile and given back at the same depth. An exception that a GTK callback threw during it
// is thrown here.
void IterateGtkMainContext(bool may_block);
// Waits for GUI events for about ms milliseconds at most (a pass of the loop ends within 20 ms
// anyway).
void GuiWait(int ms);

// The window manager's frame margins (left, top, right, bottom as the rectangle's fields); 8,
// 32, 8, 8 until some window measured them.
Rect GetFrameMargins();

// Shows a fatal message through the first of gxmessage, kdialog and xmessage found, else a GTK
// dialog; returns when the user dismissed it. Installed as the panic message box at start-up.
void GtkPanicMessageBox(const char* title, const char* text);

// The text-insertion and pointing-hand cursors.
Image IBeamCursorImage();
Image HandCursorImage();

} // namespace Qel
