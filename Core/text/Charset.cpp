#include "Charset.h"
#include "Unicode.h"
#include "Utf.h"

#include <atomic>
#include <mutex>

namespace Qel {

namespace detail {

extern const char* const CharsetTableNames[88];
extern const word CharsetTableData[88][128];

} // namespace detail

namespace {

constexpr int COUNT = 89;     // "NONE" and the 88 sets of CharsetTables.cpp
constexpr byte NONE = 31;     // reverse lookup: the set has no byte for this code point

std::atomic<int> sDefaultCharset{CHARSET_UTF8};

byte sNonePage[128] = {
#define Q8 NONE, NONE, NONE, NONE, NONE, NONE, NONE, NONE
	Q8, Q8, Q8, Q8, Q8, Q8, Q8, Q8, Q8, Q8, Q8, Q8, Q8, Q8, Q8, Q8
#undef Q8
};

struct sCharset {
	const char* name = "";
	wchar       uni[128];            // code point of byte 128 + i; escapes where undefined
	std::once_flag reverse_once;
	const byte* page[16];            // code points 0..2047 -> byte, NONE when absent
	byte        page_data[15][128];  // pages 1..15 that hold something
	uint32      hi_key[256];         // code points from 2048 up, open addressing, 0 = empty slot
	byte        hi_byte[256];
	byte        upper[256];          // byte -> byte of its case partner (the byte itself if none)
	byte        lower[256];

	void BuildReverse();
	const sCharset& Reverse()        { std::call_once(reverse_once, [&] { BuildReverse(); }); return *this; }

	static uint32 Slot(uint32 c)     { return (c * 0x9E3779B1u) >> 24; }

	int Byte(uint32 c) const         // NONE when the set cannot hold c
	{
		if(c < 2048)
			return page[c >> 7][c & 127];
		if(IsUtfEscape(c))
			return byte(c);
		for(uint32 i = Slot(c);; i = (i + 1) & 255) {
			if(hi_key[i] == c)
				return hi_byte[i];
			if(hi_key[i] == 0)
				return NONE;
		}
	}
	int Code(byte b) const           { return b < 128 ? b : uni[b - 128]; }
};

struct sIdentity {
	byte b[128];
	constexpr sIdentity() : b() { for(int i = 0; i < 128; i++) b[i] = byte(i); }
};
constexpr sIdentity sIdentityPage;

void sCharset::BuildReverse()
{
	byte* pg[16] = {};
	int used = 0;
	memset(hi_key, 0, sizeof(hi_key));
	for(int i = 0; i < 128; i++) {
		wchar c = uni[i];
		byte b = byte(128 + i);
		if(c < 128 || IsUtfEscape(c))
			continue;
		if(c < 2048) {
			byte*& p = pg[c >> 7];
			if(!p) {
				p = page_data[used++];
				memset(p, NONE, 128);
			}
			p[c & 127] = b;
		}
		else {
			uint32 s = Slot(c);
			while(hi_key[s] && hi_key[s] != c)
				s = (s + 1) & 255;
			hi_key[s] = c;
			hi_byte[s] = b;
		}
	}
	page[0] = sIdentityPage.b;
	for(int p = 1; p < 16; p++)
		page[p] = pg[p] ? pg[p] : sNonePage;
	// Case partners that the set cannot hold leave the byte as it is.
	for(int b = 0; b < 256; b++) {
		int c = Code(byte(b));
		int u = Byte(UnicodeToUpper(c));
		int l = Byte(UnicodeToLower(c));
		upper[b] = u == NONE || IsUtfEscape(c) ? byte(b) : byte(u);
		lower[b] = l == NONE || IsUtfEscape(c) ? byte(b) : byte(l);
	}
}

struct sRegistry {
	sCharset set[COUNT];

	sRegistry()
	{
		for(int n = 0; n < COUNT; n++) {
			sCharset& s = set[n];
			const word* t = detail::CharsetTableData[n ? n - 1 : 0];
			s.name = n ? detail::CharsetTableNames[n - 1] : "NONE";
			for(int i = 0; i < 128; i++)
				s.uni[i] = t[i] == NONE ? UTF_ESCAPE + 128 + i : t[i];
		}
	}
};

sRegistry& sGetRegistry()
{
	static sRegistry r;
	return r;
}

bool sIs8bit(int cs) { return cs >= 1 && cs < COUNT; }

// The set a charset argument stands for: 1..88 or 255 (253 too where allowed).
int sResolve(int cs, bool toascii = false)
{
	if(sIs8bit(cs) || cs == CHARSET_UTF8 || (toascii && cs == CHARSET_TOASCII))
		return cs;
	return sDefaultCharset.load(std::memory_order_relaxed);
}

sCharset& sSet(int cs)        { return sGetRegistry().set[cs]; }
const sCharset& sRev(int cs)  { return sGetRegistry().set[cs].Reverse(); }

QEL_FORCE_INLINE int sAscii(int c)
{
	return c < 128 ? c : UnicodeToAscii(c);
}

// Byte of c in an 8-bit set, UTF-8 (single bytes only) or ASCII transliteration; NONE when absent.
int sFromCode(int cs, uint32 c)
{
	if(c < 128)
		return c;
	if(cs == CHARSET_TOASCII)
		return IsUtfEscape(c) ? ' ' : sAscii(c);
	if(cs == CHARSET_UTF8)
		return IsUtfEscape(c) ? byte(c) : NONE;
	return sRev(cs).Byte(c);
}

} // namespace

void SetDefaultCharset(int charset)
{
	sDefaultCharset = sIs8bit(charset) ? charset : CHARSET_UTF8;
}

int GetDefaultCharset()
{
	return sDefaultCharset.load(std::memory_order_relaxed);
}

int CharsetCount()
{
	return COUNT;
}

int CharsetNameFilter(int c)
{
	if(c >= '0' && c <= '9')
		return c;
	if(c >= 'A' && c <= 'Z')
		return c + 'a' - 'A';
	if(c >= 'a' && c <= 'z')
		return c;
	return 0;
}

namespace {

// Filters a name into buf (at most n - 1 characters).
void sFilterName(char* buf, int n, const char* s)
{
	int k = 0;
	for(; s && *s && k < n - 1; s++)
		if(int c = CharsetNameFilter((byte)*s))
			buf[k++] = char(c);
	buf[k] = 0;
}

int sFindName(const char* filtered)
{
	for(int i = 1; i < COUNT; i++) {
		char buf[64];
		sFilterName(buf, sizeof(buf), sSet(i).name);
		if(strcmp(buf, filtered) == 0)
			return i;
	}
	return 0;
}

} // namespace

int CharsetByName(const char* name)
{
	char f[128];
	sFilterName(f, 64, name);
	if(strcmp(f, "utf8") == 0)
		return CHARSET_UTF8;
	if(int n = sFindName(f))
		return n;
	char w[64 / 3 * 7 + 8]; // every "win" of the filtered name may grow to "windows"
	int k = 0;
	for(const char* s = f; *s;)
		if(strncmp(s, "win", 3) == 0 && strncmp(s, "windows", 7) != 0) {
			memcpy(w + k, "windows", 7);
			k += 7;
			s += 3;
		}
		else
			w[k++] = *s++;
	w[k] = 0;
	return sFindName(w);
}

const char* detail::CharsetNameText(int charset)
{
	charset &= 255;
	if(charset == 0)
		charset = GetDefaultCharset();
	if(charset == CHARSET_UTF8)
		return "UTF-8";
	return sIs8bit(charset) ? sSet(charset).name : "";
}

int ToUnicode(int chr, int charset)
{
	chr &= 255;
	if(chr < 128)
		return chr;
	int cs = sResolve(charset);
	return cs == CHARSET_UTF8 ? UTF_ESCAPE + chr : sSet(cs).uni[chr - 128];
}

int FromUnicode(int code, int charset, int defchar)
{
	int b = sFromCode(sResolve(charset), uint32(code));
	return b == NONE && code != NONE ? defchar : b;
}

void ToUnicodeBuffer(wchar* t, const char* s, int len, int charset)
{
	int cs = sResolve(charset);
	const wchar* uni = cs == CHARSET_UTF8 ? nullptr : sSet(cs).uni;
	for(const byte* p = (const byte*)s, *e = p + len; p < e; p++) {
		byte b = *p;
		*t++ = b < 128 ? b : uni ? uni[b - 128] : UTF_ESCAPE + b;
	}
}

void FromUnicodeBuffer(char* t, const wchar* s, int len, int charset, int defchar)
{
	int cs = sResolve(charset, true);
	if(sIs8bit(cs)) {
		const sCharset& r = sRev(cs);
		for(int i = 0; i < len; i++) {
			wchar c = s[i];
			int b = c < 128 ? c : r.Byte(c);
			t[i] = char(b == NONE && c != NONE ? defchar : b);
		}
		return;
	}
	for(int i = 0; i < len; i++) {
		int b = sFromCode(cs, s[i]);
		t[i] = char(b == NONE && s[i] != NONE ? defchar : b);
	}
}

namespace {

void sConvert(char* t, int tcs, const char* s, int scs, int len, int defchar)
{
	tcs = sResolve(tcs, true);
	scs = sResolve(scs);
	const byte* p = (const byte*)s;
	if(tcs == scs) {
		memmove(t, s, len);
		return;
	}
	const wchar* uni = scs == CHARSET_UTF8 ? nullptr : sSet(scs).uni;
	for(int i = 0; i < len; i++) {
		byte b = p[i];
		if(b < 128) {
			t[i] = b;
			continue;
		}
		wchar c = uni ? uni[b - 128] : UTF_ESCAPE + b;
		int r = sFromCode(tcs, c);
		t[i] = char(r == NONE ? defchar : r);
	}
}

void sCaseBuffer(char* t, const char* s, int len, int charset, bool upper)
{
	int cs = sResolve(charset);
	const byte* p = (const byte*)s;
	if(cs == CHARSET_UTF8) {
		for(int i = 0; i < len; i++) {
			byte b = p[i];
			t[i] = b < 128 ? char(upper ? detail::UnicodeUpper800[b] : detail::UnicodeLower800[b]) : char(b);
		}
		return;
	}
	const byte* map = upper ? sRev(cs).upper : sRev(cs).lower;
	for(int i = 0; i < len; i++)
		t[i] = map[p[i]];
}

} // namespace

void ConvertCharsetBuffer(char* t, int tcharset, const char* s, int scharset, int len)
{
	sConvert(t, tcharset, s, scharset, len, DEFAULTCHAR);
}

void ToUpperBuffer(char* t, const char* s, int len, int charset)
{
	sCaseBuffer(t, s, len, charset, true);
}

void ToLowerBuffer(char* t, const char* s, int len, int charset)
{
	sCaseBuffer(t, s, len, charset, false);
}

namespace detail {

void ConvertCharsetBufferDef(char* t, int tcharset, const char* s, int scharset, int len, int defchar)
{
	sConvert(t, tcharset, s, scharset, len, defchar);
}

int ResolveCharset(int charset, bool toascii)
{
	return sResolve(charset, toascii);
}

} // namespace detail

} // namespace Qel
