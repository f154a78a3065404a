// Text-to-integer readers and the text-to-double-Value reader used by the converters.
// They never throw: a failure gives the Null of the result type (all ones for the unsigned readers).
#pragma once

#include <Core/base/Defs.h>

namespace Qel {

class Value;

dword  ScanUint(const char* s, const char** endptr = nullptr, int base = 10);
uint64 ScanUint64(const char* s, const char** endptr = nullptr, int base = 10);
int    ScanInt(const char* s, const char** endptr, int base);
int    ScanInt(const char* s);
int64  ScanInt64(const char* s);

Value  ScanDoubleValue(const char* s);

} // namespace Qel
