// Per-character Unicode tables for the code points below U+0800, where most text lives.
// Higher code points are answered by the Unicode table (Unicode.h).
#pragma once

#include <Core/base/Defs.h>

namespace Qel::detail {

extern const byte UnicodeFlags800[2048];  // 4 letter, +1 lower-case letter, +2 upper-case letter
extern const word UnicodeUpper800[2048];  // simple upper-case mapping, the code point itself if none
extern const word UnicodeLower800[2048];  // simple lower-case mapping, the code point itself if none
extern const byte UnicodeAscii800[2048];  // ASCII base character, 32 if none

} // namespace Qel::detail
