// The shell command of the fatal-error box, built without allocating.
#pragma once

namespace Qel::detail {

// Writes prefix, then title, a line feed and text, then a closing double quote into buf (size
// bytes with the terminating zero). Inside the quotes '"', '\', '$' and '`' are escaped; the
// message is cut to fit, never inside an escape or a UTF-8 sequence. Returns the length.
int BuildPanicCommand(char* buf, int size, const char* prefix, const char* title, const char* text);

} // namespace Qel::detail
