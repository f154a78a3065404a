// Helpers of the rich-text tests: byte strings written as lists, and paragraphs compared as
// the packed form keeps them.
#pragma once

#include <richtext/RichText.h>

#include <initializer_list>
#include <string>

namespace QelTest {

using namespace Qel;

// Bytes from a list of values 0..255, or of characters.
inline String Bytes(std::initializer_list<int> b)
{
	String s;
	for(int c : b)
		s.Cat(char(c));
	return s;
}

// The bytes as hexadecimal, for readable failures.
inline std::string Hex(const String& s) { return ~HexString(s); }

// The character-format items the packed form keeps (font flags bold, italic, underline,
// strikeout and no anti-aliasing; not the width or the other flags).
bool SameKeptFormat(const RichPara::CharFormat& a, const RichPara::CharFormat& b);
std::string DescribeFormat(const RichPara::CharFormat& f);

} // namespace QelTest
