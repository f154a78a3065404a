// Conversions between String, WString and the character sets.
#include "Charset.h"
#include "String.h"
#include "Unicode.h"
#include "Utf.h"
#include "WString.h"

namespace Qel {

String CharsetName(int charset)
{
	return detail::CharsetNameText(charset);
}

WString ToUnicode(const char* s, int len, int charset)
{
	if(!s || len <= 0)
		return WString();
	int cs = detail::ResolveCharset(charset, false);
	if(cs == CHARSET_UTF8)
		return ToUtf32(s, len);
	WStringBuffer b(len);
	ToUnicodeBuffer(b.Begin(), s, len, cs);
	return WString(b);
}

WString ToUnicode(const String& s, int charset)
{
	return ToUnicode(s.Begin(), s.GetLength(), charset);
}

String FromUnicode(const wchar* s, int len, int charset, int defchar)
{
	if(!s || len <= 0)
		return String();
	int cs = detail::ResolveCharset(charset, true);
	if(cs == CHARSET_UTF8)
		return ToUtf8(s, len);
	StringBuffer b(len);
	FromUnicodeBuffer(b.Begin(), s, len, cs, defchar);
	return String(b);
}

String FromUnicode(const WString& s, int charset, int defchar)
{
	return FromUnicode(s.Begin(), s.GetLength(), charset, defchar);
}

String ToCharset(int tcharset, const String& s, int scharset, int defchar)
{
	int tcs = detail::ResolveCharset(tcharset, true);
	int scs = detail::ResolveCharset(scharset, false);
	if(tcs == scs)
		return s;
	if(scs == CHARSET_UTF8)
		return FromUnicode(ToUtf32(s), tcs, defchar);
	if(tcs == CHARSET_UTF8)
		return ToUtf8(ToUnicode(s, scs));
	StringBuffer b(s.GetLength());
	detail::ConvertCharsetBufferDef(b.Begin(), tcs, s.Begin(), scs, s.GetLength(), defchar);
	return String(b);
}

namespace {

template <class F>
WString sMapCase(const WString& s, F map)
{
	const wchar* p = s.Begin();
	const wchar* e = s.End();
	while(p < e && (wchar)map(*p) == *p)
		p++;
	if(p == e)
		return s; // nothing changes: share the text
	WStringBuffer b(s.GetLength());
	wchar* t = b.Begin();
	memcpy(t, s.Begin(), (p - s.Begin()) * sizeof(wchar));
	t += p - s.Begin();
	while(p < e)
		*t++ = map(*p++);
	return WString(b);
}

String sMapCase(const String& s, int charset, bool upper)
{
	int cs = detail::ResolveCharset(charset, false);
	if(cs == CHARSET_UTF8) {
		WString w = ToUtf32(s);
		return ToUtf8(upper ? ToUpper(w) : ToLower(w));
	}
	StringBuffer b(s.GetLength());
	(upper ? ToUpperBuffer : ToLowerBuffer)(b.Begin(), s.Begin(), s.GetLength(), cs);
	return String(b);
}

} // namespace

WString ToUpper(const WString& s)
{
	return sMapCase(s, [](wchar c) { return (wchar)UnicodeToUpper(c); });
}

WString ToLower(const WString& s)
{
	return sMapCase(s, [](wchar c) { return (wchar)UnicodeToLower(c); });
}

String ToUpper(const char* s, int charset)
{
	return ToUpper(String(s), charset);
}

String ToLower(const char* s, int charset)
{
	return ToLower(String(s), charset);
}

String ToUpper(const String& s, int charset)
{
	return sMapCase(s, charset, true);
}

String ToLower(const String& s, int charset)
{
	return sMapCase(s, charset, false);
}

// WString members that need the character sets and String.

WString::WString(const char* s)
{
	if(s)
		*this = ToUnicode(s, (int)strlen(s), CHARSET_DEFAULT);
}

WString::WString(const char* s, int len)
{
	if(s)
		*this = ToUnicode(s, len, CHARSET_DEFAULT);
}

WString::WString(const String& s)
{
	*this = ToUnicode(s.Begin(), s.GetLength(), CHARSET_DEFAULT);
}

String WString::ToString() const
{
	return FromUnicode(*this, CHARSET_DEFAULT, DEFAULTCHAR);
}

uint64 WString::GetHashValue() const
{
	return MemoryHash(ptr, size_t(length) * sizeof(wchar));
}

WString String::ToWString() const
{
	return ToUnicode(Begin(), GetLength(), CHARSET_DEFAULT);
}

} // namespace Qel
