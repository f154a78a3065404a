// The calls that mouse and key dispatch, activation, the pre-edit and the input method make
// into the GUI core and the backend. Until those exist, they act as nothing does: no control
// holds the mouse, events reach no control, and no composition runs.
#include "Ctrl.h"
#include "detail/Backend.h"

namespace Qel {

void Ctrl::CheckMouseCtrl()         {}
void Ctrl::CancelPreedit()          {}
bool Ctrl::ReleaseCapture()         { return false; }
void Ctrl::DispatchGdkEvent()       {}
void Ctrl::WindowFocusIn()          {}
void Ctrl::WindowFocusOut()         {}

void Ctrl::DeactivateTopOf(Ptr<Ctrl>, Ptr<Ctrl>)         {}
void Ctrl::NotifyFocusChange(Ptr<Ctrl>, Ptr<Ctrl>, bool) {}

Image Ctrl::DispatchMouse(int, Point, int)          { return Image(); }
Image Ctrl::FrameMouseEvent(int, Point, int, dword) { return Image(); }
Image Ctrl::MouseEvent(int, Point, int, dword)      { return Image(); }
Image Ctrl::CursorImage(Point, dword)               { return Image(); }
void  Ctrl::MouseWheel(Point, int, dword)           {}
void  Ctrl::HorzMouseWheel(Point, int, dword)       {}
bool  Ctrl::HotKey(dword)                           { return false; }
Point Ctrl::GetPreedit()                            { return Point(INT_NULL, INT_NULL); }
Font  Ctrl::GetPreeditFont()                        { return StdFont(); }

void detail::ClosePreedit()                 {}
void detail::ResetGtkIm(Top*)               {}
void detail::SyncImCursorLocation(Ctrl*)    {}
void detail::InstallImResetHook()           {}
void detail::InstallHotKeyFilter()          {}

} // namespace Qel
