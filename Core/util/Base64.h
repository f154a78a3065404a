// Base64 of RFC 4648 with the standard alphabet and "=" padding.
#pragma once

#include <Core/text/String.h>

namespace Qel {

// No line breaks; 4 * ceil(n / 3) characters.
String Base64Encode(const char* begin, const char* end);
String Base64Encode(const String& data);
// Characters 0..32 are skipped anywhere; the first character outside the alphabet (such as
// "=") ends the data. A lone trailing sextet is dropped.
String Base64Decode(const char* begin, const char* end);
String Base64Decode(const String& text);

} // namespace Qel
