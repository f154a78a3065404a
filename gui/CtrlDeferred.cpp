// The calls that drag and drop makes into the GUI core and the backend. Until it exists, no drag
// is delivered.
#include "Ctrl.h"
#include "detail/Backend.h"

namespace Qel {

bool detail::IsDropDelivering()             { return false; }

} // namespace Qel
