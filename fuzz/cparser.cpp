// Every CParser reader over arbitrary text: errors are expected, reading past the end is not.
#include <Core/Core.h>

#include <cstdlib>
#include <string>

using namespace Qel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	if(size == 0)
		return 0;
	std::string s((const char*)data + 1, size - 1);
	const char* begin = s.c_str();
	const char* end = begin + s.size();
	CParser p;
	p.Set(begin);
	if(data[0] & 1)
		p.NestComments();
	if(data[0] & 2)
		p.UnicodeEscape(false);
	if(data[0] & 4)
		p.SkipSpaces(false);
	int op = data[0] >> 3;
	for(size_t guard = 0; guard < 4 * size + 16 && !p.IsEof(); guard++) {
		const char* at = p.GetPtr();
		try {
			switch(op++ % 12) {
			case 0: p.ReadInt(); break;
			case 1: p.ReadDouble(); break;
			case 2: p.ReadId(); break;
			case 3: p.ReadString(true); break;
			case 4: p.ReadString('\'', false); break;
			case 5: p.SkipTerm(); break;
			case 6: p.IsInt(); p.IsDouble(); p.Char(p.PeekChar()); break;
			case 7: p.PassChar('('); break;
			case 8: p.PassId("id"); break;
			case 9: p.Spaces(); p.GetChar(); break;
			case 10: p.ReadOneString('\"', false); break;
			case 11: p.GetColumn(); p.SkipTerm(); break;
			}
		}
		catch(const CParser::Error&) {
			if(p.GetPtr() == at)
				p.GetChar();
		}
		if(p.GetPtr() < begin || p.GetPtr() > end)
			abort();
	}
	return 0;
}
