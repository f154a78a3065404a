// The calls that the pre-edit and the input method make into the GUI core and the backend. Until
// those exist, they act as nothing does: no composition runs.
#include "Ctrl.h"
#include "detail/Backend.h"

namespace Qel {

Point Ctrl::GetPreedit()                    { return Point(INT_NULL, INT_NULL); }
Font  Ctrl::GetPreeditFont()                { return StdFont(); }

void detail::ClosePreedit()                 {}
void detail::ResetGtkIm(Top*)               {}
void detail::SyncImCursorLocation(Ctrl*)    {}
void detail::InstallImResetHook()           {}

} // namespace Qel
