// Cutting text into parts, joining parts, filtering text character by character.
#pragma once

#include "String.h"
#include <Core/container/Vector.h>

namespace Qel {

// A character c (as an unsigned byte) separates parts when filter(c) is non-zero. At most
// maxcount parts are made; the rest of the text is dropped. ignoreempty drops empty parts.
Vector<String> Split(int maxcount, int (*filter)(int), const char* text, bool ignoreempty = true);
Vector<String> Split(int maxcount, int chr, const char* text, bool ignoreempty = true);
Vector<String> Split(const char* text, int chr, bool ignoreempty = true);
Vector<String> Split(const char* text, int (*filter)(int), bool ignoreempty = true);

String Join(const Vector<String>& parts, const String& delim, bool ignoreempty = false);

// Each byte c becomes filter(c) (its low 8 bits); a result of 0 drops the byte.
String Filter(const char* text, int (*filter)(int));

// Keeps the characters from U+0020 to U+10FFFE, 0 for the others.
int CharFilterUnicode(int c);

} // namespace Qel
