#include "Base64.h"
#include "Panic.h"

namespace Qel {

namespace {

const char sAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

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
	StringBuffer b;
	if(end > begin)
		b.Reserve(int(min<int64>((end - begin) / 4 * 3 + 3, 2147483000)));
	dword acc = 0;
	int n = 0;
	const byte* s = (const byte*)begin;
	const byte* e = (const byte*)end;
	// Four clean characters at a time; anything else goes through the careful path below.
	while(s < e) {
		if(n == 0 && e - s >= 4) {
			dword a = sDecode.v[s[0]], c = sDecode.v[s[1]], d = sDecode.v[s[2]], f = sDecode.v[s[3]];
			if((a | c | d | f) < 64) {
				dword x = a << 18 | c << 12 | d << 6 | f;
				char t[3] = { char(x >> 16), char(x >> 8), char(x) };
				b.Cat(t, 3);
				s += 4;
				continue;
			}
		}
		dword v = sDecode.v[*s++];
		if(v == 64)
			continue;
		if(v == 65)
			break;
		acc = acc << 6 | v;
		if(++n == 4) {
			char t[3] = { char(acc >> 16), char(acc >> 8), char(acc) };
			b.Cat(t, 3);
			acc = 0;
			n = 0;
		}
	}
	if(n == 2)
		b.Cat(char(acc >> 4));
	else if(n == 3) {
		char t[2] = { char(acc >> 10), char(acc >> 2) };
		b.Cat(t, 2);
	}
	return String(b);
}

String Base64Decode(const String& text)
{
	return Base64Decode(text.Begin(), text.End());
}

} // namespace Qel
