// Conversions with any charset numbers: never crash, keep lengths of the 8-bit paths, and
// 8-bit text comes back from Unicode as bytes with the same code points.
#include <Core/Core.h>

#include <cstdio>
#include <cstdlib>

using namespace Qel;

#define Check(x) do { if(!(x)) { fprintf(stderr, "failed: %s (line %d)\n", #x, __LINE__); abort(); } } while(0)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	if(size < 3 || size > 1 << 16)
		return 0;
	int cs1 = data[0];
	int cs2 = data[1] | (data[2] & 1 ? 0x100 : 0);
	String s((const char*)data + 3, (int)size - 3);
	int n = s.GetLength();

	String t = ToCharset(cs1, s, cs2, '?');
	WString w = ToUnicode(s, cs2);
	String f = FromUnicode(w, cs1, '?');
	ToUpper(s, cs1);
	ToLower(s, cs2);
	ToUpper(w);
	ToLower(w);
	CharsetName(cs1);
	SetDefaultCharset(cs1 & 0x80 ? 255 : cs1);

	int a = cs2;
	if(a >= 1 && a <= 88) {
		Check(w.GetLength() == n);
		// Through WString every byte survives (through a UTF-8 String two neighbouring escaped
		// bytes may form a valid sequence, so that path is not a round trip).
		String back = FromUnicode(ToUnicode(s, a), a, '?');
		Check(back.GetLength() == n);
		for(int i = 0; i < n; i++)
			Check(ToUnicode(back[i], a) == ToUnicode(s[i], a));
		Check(ToUpper(s, a).GetLength() == n && ToLower(s, a).GetLength() == n);
		char buf[256];
		int m = min(n, 256);
		ConvertCharsetBuffer(buf, cs1, s.Begin(), a, m);
	}
	for(int i = 0; i < w.GetLength(); i++)
		FromUnicode(w[i], cs1, 0);
	SetDefaultCharset(CHARSET_UTF8);
	return 0;
}
