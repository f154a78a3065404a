// UTF-8, UTF-16 and UTF-32 round trips: any bytes survive UTF-8 -> UTF-32 -> UTF-8, and
// UTF-32 text without escapes survives UTF-16 and UTF-8.
#include <Core/Core.h>

#include <cstdio>
#include <cstdlib>

using namespace Qel;

#define Check(x) do { if(!(x)) { fprintf(stderr, "failed: %s (line %d)\n", #x, __LINE__); abort(); } } while(0)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	if(size > 1 << 20)
		return 0;
	const char* s = (const char*)data;
	int n = (int)size;
	WString w = ToUtf32(s, n);
	Check(w.GetLength() == Utf32Len(s, n));
	String back = ToUtf8(w);
	Check(back.GetLength() == n && memcmp(back.Begin(), s, n) == 0);
	Check(Utf8Len(w.Begin(), w.GetLength()) == n);

	// Decoded text holds no surrogates, so UTF-16 keeps every character and the bytes survive.
	Vector<char16> u = ToUtf16(w);
	Check(u.GetCount() == Utf16Len(w.Begin(), w.GetLength()));
	Check(ToUtf32(u) == w);
	Check(ToUtf8(u.begin(), u.GetCount()) == back);

	// Raw 32-bit words: values beyond U+10FFFF are dropped, the rest come back.
	int k = n / 4;
	WString raw((const wchar*)data, k);
	String e = ToUtf8(raw);
	WString r = ToUtf32(e);
	int j = 0;
	for(int i = 0; i < k; i++) {
		wchar c;
		memcpy(&c, data + 4 * i, 4);
		if(c > 0x10FFFF)
			continue;
		Check(j < r.GetLength());
		// an escape becomes its byte, which may join its neighbours; a surrogate reads back as
		// three stray bytes
		if(IsUtfEscape(c) || (c >= 0xD800 && c <= 0xDFFF))
			return 0;
		Check(r[j++] == c);
	}
	return 0;
}
