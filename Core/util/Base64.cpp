#include "Base64.h"
#include <Core/base/Panic.h>

namespace Qel {

namespace {

constexpr char sAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// 0..63 for the alphabet, 64 for the skipped characters 0..32, 65 for an end of the data.
struct sDecodeTable {
	byte v[256];
	constexpr sDecodeTable() : v()
	{
		for(int i = 0; i < 256; i++)
			v[i] = i <= 32 ? 64 : 65;
		for(int i = 0; i < 64; i++)
			v[(byte)sAlphabet[i]] = byte(i);
	}
};

constexpr sDecodeTable sDecode;

} // namespace

String Base64Encode(const char* begin, const char* end)
{
	int64 n = end - begin;
	if(n <= 0)
		return String();
	int64 len = (n + 2) / 3 * 4;
	if(len > 2147483647 - 64)
		Panic("Text too long for Base64Encode!");
	StringBuffer b{int(len)};
	char* t = b.Begin();
	const byte* s = (const byte*)begin;
	const byte* e = s + n / 3 * 3;
	for(; s < e; s += 3, t += 4) {
		dword x = s[0] << 16 | s[1] << 8 | s[2];
		t[0] = sAlphabet[x >> 18];
		t[1] = sAlphabet[(x >> 12) & 63];
		t[2] = sAlphabet[(x >> 6) & 63];
		t[3] = sAlphabet[x & 63];
	}
	switch(n % 3) {
	case 1:
		t[0] = sAlphabet[s[0] >> 2];
		t[1] = sAlphabet[(s[0] & 3) << 4];
		t[2] = t[3] = '=';
		break;
	case 2:
		t[0] = sAlphabet[s[0] >> 2];
		t[1] = sAlphabet[(s[0] & 3) << 4 | s[1] >> 4];
		t[2] = sAlphabet[(s[1] & 15) << 2];
		t[3] = '=';
		break;
	}
	return String(b);
}

String Base64Encode(const String& data)
{
	return Base64Encode(data.Begin(), data.End());
}

String Base64Decode(const char* begin, const char* end)
{
	if(end <= begin)
		return String();
	StringBuffer b{int(min<int64>((end - begin) / 4 * 3 + 3, 2147483000))};
	char* t0 = b.Begin();
	char* t = t0;
	dword acc = 0;
	int n = 0;
	const byte* s = (const byte*)begin;
	const byte* e = (const byte*)end;
	while(s < e) {
		if(n == 0) {
			// Four clean characters at a time; blanks and the end go the careful way below.
			while(e - s >= 4) {
				dword a = sDecode.v[s[0]], c = sDecode.v[s[1]], d = sDecode.v[s[2]], f = sDecode.v[s[3]];
				if((a | c | d | f) >= 64)
					break;
				dword x = a << 18 | c << 12 | d << 6 | f;
				t[0] = char(x >> 16);
				t[1] = char(x >> 8);
				t[2] = char(x);
				t += 3;
				s += 4;
			}
			if(s >= e)
				break;
		}
		dword v = sDecode.v[*s++];
		if(v == 64)
			continue;
		if(v == 65)
			break;
		acc = acc << 6 | v;
		if(++n == 4) {
			t[0] = char(acc >> 16);
			t[1] = char(acc >> 8);
			t[2] = char(acc);
			t += 3;
			acc = 0;
			n = 0;
		}
	}
	if(n == 2)
		*t++ = char(acc >> 4);
	else if(n == 3) {
		t[0] = char(acc >> 10);
		t[1] = char(acc >> 2);
		t += 2;
	}
	b.SetLength(int(t - t0));
	return String(b);
}

String Base64Decode(const String& text)
{
	return Base64Decode(text.Begin(), text.End());
}

} // namespace Qel
