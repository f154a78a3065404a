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

namespace QelTest {

// A paragraph of one text run in the given style.
inline RichPara TextPara(const char* text, const Uuid& style = Uuid())
{
	RichPara p;
	p.format.styleid = style;
	if(*text)
		p.Cat(WString(text), RichPara::CharFormat());
	return p;
}

// Text of a part list: paragraph i's text parts, without the cache.
inline WString ParaText(const RichTxt& t, int i)
{
	WString s;
	for(const RichPara::Part& q : t.Get(i, ArrayMap<Uuid, RichStyle>()).part)
		s.Cat(q.text);
	return s;
}

// A table of rows x cols with equal column widths and the texts row after row ("" for none).
inline RichTable TextTable(int rows, int cols, std::initializer_list<const char*> texts = {})
{
	RichTable t;
	for(int c = 0; c < cols; c++)
		t.format.column_widths.Add(1);
	for(int r = 0; r < rows; r++)
		t.cell.Add().SetCount(cols);
	int i = 0;
	for(const char* s : texts) {
		t.cell[i / cols][i % cols].text.SetPara(0, TextPara(s), RichStyle());
		i++;
	}
	return t;
}

} // namespace QelTest
