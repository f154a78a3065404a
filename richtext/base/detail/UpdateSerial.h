// The process-wide counter of paragraph update serials.
#pragma once

#include <Core/Core.h>

namespace Qel::detail {

// A new serial, never 0; any thread may draw one.
int64 NewParaUpdateSerial();

} // namespace Qel::detail
