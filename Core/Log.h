// The process log. For now a plain sink on standard error; the log file with its
// line buffering, prefixes and rotation replaces the body of StdLogPut, not its callers.
#pragma once

namespace Qel {

// Writes the bytes to the process log as they are: no line buffering, no prefix.
// Safe in any state of the process (no allocation, no lock), so Panic can use it.
void StdLogPut(const char* text, int length);
void StdLogPut(const char* text);

} // namespace Qel
