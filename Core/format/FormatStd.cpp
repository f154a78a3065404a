// The standard formatters of Format.
#include "Format.h"
#include <Core/detail/FormatBuf.h>
#include <Core/text/CParser.h>
#include "Convert.h"
#include <Core/text/FormatDouble.h>
#include <Core/text/FormatInt.h>

#include <climits>
#include <cmath>
#include <cstdio>

namespace Qel {

namespace {

QEL_FORCE_INLINE bool sIsDigit(char c) { return (unsigned)(c - '0') < 10u; }

// Largest width or precision passed on to printf; a larger number in the option text is
// dropped rather than allowed to ask for an enormous text.
constexpr int sMaxPrintfNumber = 100000;

// Writes "%", the part of the option text that printf understands ([-+ #0]*[0-9]*(\.[0-9]*)?)
// and the conversion; everything else of the option text is dropped.
void sPrintfSpec(char* p, const String& option, const char* conv)
{
	const char* s = ~option;
	*p++ = '%';
	int flags = 0;
	for(; *s && strchr("-+ #0", *s); s++)
		if(flags++ < 8)
			*p++ = *s;
	auto number = [&] {
		int64 n = -1;
		for(; sIsDigit(*s); s++)
			n = min<int64>(max<int64>(n, 0) * 10 + (*s - '0'), INT_MAX);
		if(n >= 0 && n <= sMaxPrintfNumber)
			p += snprintf(p, 8, "%d", (int)n);
	};
	number();
	if(*s == '.') {
		*p++ = *s++;
		number();
	}
	strcpy(p, conv);
}

template <class T>
String sPrintf(const Formatting& f, const char* conv, T value)
{
	char pattern[64];
	sPrintfSpec(pattern, f.format, conv);
	char h[256];
	int n = snprintf(h, sizeof(h), pattern, value);
	if(n < 0)
		return String();
	if(n < (int)sizeof(h))
		return String(h, n);
	detail::FormatBuf b;
	char* p = b.Reserve(n + 1);
	snprintf(p, n + 1, pattern, value);
	return String(p, n);
}

String sPrintfInt(const Formatting& f)
{
	const String& id = f.id;
	int v = f.arg.ToInt();
	if(id[0] == 'l')
		return sPrintf(f, ~id, (long)v);
	return sPrintf(f, ~id, v);
}

String sPrintfInt64(const Formatting& f)
{
	return sPrintf(f, ~f.id, (long long)f.arg.ToInt64());
}

String sPrintfDouble(const Formatting& f)
{
	String s = sPrintf(f, ~f.id, f.arg.ToDouble());
	if(strchr(~s, ','))
		s.Replace(",", 1, ".", 1);
	return s;
}

String sChoice(const Formatting& f)
{
	int n = f.arg.ToInt();
	int sel = n;
	const char* s = ~f.format;
	for(;;) {
		int k = 0;
		while(sIsDigit(*s)) {
			k = k > 100000000 ? INT_MAX / 2 : k * 10 + (*s - '0');
			s++;
		}
		char c = *s;
		if(c == '%') {
			sel = k < 2 ? 0 : n % k;
			s++;
		}
		else if(c == ',' || c == ':') {
			if(sel == k) {
				while(*s && *s != ':')
					s++;
				if(!*s)
					return String();
				const char* b = ++s;
				while(*s && *s != ';')
					s++;
				return String(b, int(s - b));
			}
			s++;
			if(c == ':') {
				while(*s && *s != ';')
					s++;
				if(!*s)
					return String();
				s++;
			}
		}
		else if(c == '\0')
			return String();
		else
			return String(s);
	}
}

String sNameOf(const Formatting& f, int what, int n)
{
	String s = detail::FormatName(what, n, f.language);
	const char* id = ~f.id;
	if(id[1] >= 'A' && id[1] <= 'Z')
		return detail::FormatToCase(s, true, f.language);
	if(id[0] >= 'a' && id[0] <= 'z')
		return detail::FormatToCase(s, false, f.language);
	return s;
}

// Months count from 1; the int Null names no month.
int sMonthIndex(const Formatting& f)    { int n = f.arg.ToInt(); return n == INT_NULL ? -1 : n - 1; }

String sMonth(const Formatting& f)      { return sNameOf(f, 0, sMonthIndex(f)); }
String sShortMonth(const Formatting& f) { return sNameOf(f, 1, sMonthIndex(f)); }
String sDay(const Formatting& f)        { return sNameOf(f, 2, f.arg.ToInt()); }
String sShortDay(const Formatting& f)   { return sNameOf(f, 3, f.arg.ToInt()); }

// Twelve-hour dial: 0 and 12 are 12, 13 is 1.
String sTwelve(const Formatting& f)
{
	if(f.arg.IsNull())
		return String();
	int h = f.arg.ToInt() % 12;
	if(h == 0)
		h = 12;
	char b[16];
	int n = snprintf(b, sizeof(b), f.format[0] == '0' ? "%02d" : "%d", h);
	return String(b, n);
}

// Number of decimals or significant digits that the number forms are asked for at most.
constexpr int sMaxPrecision = 1000;

String sNumberN(const Formatting& f)
{
	if(f.arg.IsNull())
		return String();
	double x = f.arg.ToDouble();
	const char* s = ~f.format;
	dword flags = 0;
	int prec = 6;
	if(*s == '+') {
		flags |= DF_SIGN_PLUS;
		s++;
	}
	if(sIsDigit(*s) || (*s == '-' && sIsDigit(s[1]))) {
		bool neg = *s == '-';
		s += neg;
		prec = 0;
		for(; sIsDigit(*s); s++)
			prec = min(prec * 10 + (*s - '0'), sMaxPrecision);
		if(neg)
			prec = -prec;
	}
	if(*s == '@') {
		flags |= 0x100;
		s++;
	}
	if(*s == ',') {
		flags |= DF_COMMA;
		s++;
	}
	if(*s == '!') {
		flags |= DF_KEEP_ZEROS;
		s++;
	}
	if(s[0] == '^' && s[1] == '+')
		flags |= DF_EXP_SIGN;
	const char* id = ~f.id;
	bool lang = id[1] == 'l';
	char form = id[1 + lang];
	if(form == 'f')
		flags |= DF_FIXED;
	if(form == 'e')
		flags |= DF_EXPONENT;
	double a = std::fabs(x);
	if(id[0] == 'n' && a >= 1e-15 && a <= 1e15)
		flags |= DF_FIXED;
	prec = max(prec, 0);
	if(!lang)
		return FormatDouble(x, prec, flags & ~dword(0x100));
	String point, thousands;
	detail::FormatSeparators(f.language, point, thousands);
	return detail::FormatDoubleSeparated(x, prec, flags & ~dword(DF_COMMA | 0x100),
	                                     flags & 0x100 ? "" : ~thousands,
	                                     flags & DF_COMMA ? "," : ~point);
}

String sNumberM(const Formatting& f)
{
	const char* id = ~f.id;
	dword flags = DF_SPECIALS | DF_EXP_SIGN | DF_MINUS_ZERO;
	if(id[0] == 'M')
		flags |= DF_CAPITAL_E;
	bool lang = id[1] == 'l';
	char form = id[1 + lang];
	if(form == 'E')
		flags = 0x204E;
	else if(form == 'e')
		flags |= DF_EXPONENT;
	else if(form == 'f')
		flags |= DF_FIXED | DF_KEEP_ZEROS;
	int width = 0;
	int prec = 6;
	bool zero = false;
	bool left = false;
	bool inprec = false;
	for(const char* s = ~f.format; *s;) {
		char c = *s;
		if(sIsDigit(c)) {
			int64 n = 0;
			if(!inprec && c == '0')
				zero = true;
			for(; sIsDigit(*s); s++)
				n = min<int64>(n * 10 + (*s - '0'), INT_MAX);
			if(inprec ? n > 100 : n > 1000)
				return String();
			(inprec ? prec : width) = (int)n;
			continue;
		}
		switch(c) {
		case '.': flags &= ~DF_COMMA; inprec = true; break;
		case ',': flags |= DF_COMMA; inprec = true; break;
		case ' ': flags |= DF_SIGN_SPACE; break;
		case '!': flags |= DF_KEEP_ZEROS; break;
		case '#': flags |= DF_ALWAYS_POINT | DF_KEEP_ZEROS; break;
		case '&': flags |= DF_SHORT_EXP; break;
		case '+': flags |= DF_SIGN_PLUS; break;
		case '-': left = true; break;
		case '?': flags &= ~DF_SPECIALS; break;
		case '^': flags &= ~DF_EXP_SIGN; break;
		case '_': flags &= ~DF_MINUS_ZERO; break;
		}
		s++;
	}
	String s = FormatDouble(f.arg.ToDouble(), prec, flags);
	if(lang) {
		int q = s.Find('.');
		if(q >= 0) {
			String point, thousands;
			detail::FormatSeparators(f.language, point, thousands);
			s = s.Mid(0, q) + point + s.Mid(q + 1);
		}
	}
	int len = s.GetLength();
	if(width <= len)
		return s;
	detail::FormatBuf b;
	int pad = width - len;
	if(zero && !left && !f.arg.IsNull()) {
		int at = len && !sIsDigit(s[0]) ? 1 : 0;
		b.Cat(~s, at);
		b.Cat('0', pad);
		b.Cat(~s + at, len - at);
	}
	else if(left) {
		b.Cat(~s, len);
		b.Cat(' ', pad);
	}
	else {
		b.Cat(' ', pad);
		b.Cat(~s, len);
	}
	return String(b.Begin(), b.GetLength());
}

String sAlpha(const Formatting& f)  { return FormatAlpha(f.arg.ToInt(), f.id[0] == 'A'); }
String sRoman(const Formatting& f)  { return FormatRoman(f.arg.ToInt(), f.id[0] == 'R'); }

String sDateTime(const Formatting& f)
{
	return detail::FormatDateTime(f.arg, f.language);
}

String sAnyType(const Formatting& f)
{
	String s = StdFormat(f.arg);
	return s.GetLength() ? s : f.format;
}

} // namespace

String detail::StdIntFormatter(const Formatting& f)
{
	if(f.id.GetLength() && f.format.GetLength())
		return sPrintfInt(f);
	int v = f.arg.IsNull() ? INT_NULL : f.arg.ToInt();
	if(v == INT_NULL)
		return String();
	char b[16];
	return String(b, snprintf(b, sizeof(b), "%d", v));
}

// "s" with a text: an optional "-" (left justify), width and "." with a precision.
String detail::StdTextFormatter(const Formatting& f)
{
	String s = f.arg.IsNull() ? String() : f.arg.ToString();
	if(f.format.GetLength() == 0 && f.id == "s")
		return s;
	CParser p(~f.format);
	bool left = p.Char('-');
	int width = 0;
	int prec = INT_MAX;
	if(p.IsInt())
		width = p.ReadInt();
	if(p.Char('.') && p.IsInt())
		prec = p.ReadInt();
	int count = s.GetCharCount();
	if(prec < count) {
		TrimCharCount(s, prec);
		count = s.GetCharCount();
	}
	if(width > count && width - count <= sMaxPrintfNumber) {
		detail::FormatBuf b;
		if(!left)
			b.Cat(' ', width - count);
		b.Cat(~s, s.GetLength());
		if(left)
			b.Cat(' ', width - count);
		return String(b.Begin(), b.GetLength());
	}
	return s;
}

namespace {

void sRegisterNumberFamilies(int type)
{
	for(const char* id : { "n", "ne", "nf", "nl", "nle", "nlf", "v", "ve", "vf", "vl", "vle", "vlf" })
		RegisterFormatter(type, id, &sNumberN);
	for(const char* id : { "m", "me", "mf", "ml", "mle", "mlf", "M", "mE", "Ml", "mlE" })
		RegisterFormatter(type, id, &sNumberM);
	RegisterFormatter(type, "a", &sAlpha);
	RegisterFormatter(type, "A", &sAlpha);
	RegisterFormatter(type, "r", &sRoman);
	RegisterFormatter(type, "R", &sRoman);
}

} // namespace

void RegisterNumberFormatters(int type)
{
	RegisterFormatter(type, "", &detail::StdIntFormatter);
	RegisterFormatter(type, "d", &detail::StdIntFormatter);
	for(const char* id : { "c", "i", "o", "x", "X", "ld", "li", "lo", "lx", "lX" })
		RegisterFormatter(type, id, &sPrintfInt);
	for(const char* id : { "lld", "lli", "llo", "llx", "llX" })
		RegisterFormatter(type, id, &sPrintfInt64);
	for(const char* id : { "e", "E", "f", "g", "G" })
		RegisterFormatter(type, id, &sPrintfDouble);
	RegisterFormatter(type, "s", &sChoice);
	for(const char* id : { "month", "Month", "MONTH" })
		RegisterFormatter(type, id, &sMonth);
	for(const char* id : { "mon", "Mon", "MON" })
		RegisterFormatter(type, id, &sShortMonth);
	for(const char* id : { "day", "Day", "DAY" })
		RegisterFormatter(type, id, &sDay);
	for(const char* id : { "dy", "Dy", "DY" })
		RegisterFormatter(type, id, &sShortDay);
	RegisterFormatter(type, "tw", &sTwelve);
	sRegisterNumberFamilies(type);
}


void detail::RegisterStdFormattersBody()
{
	for(int type : { 11, 1, 10, 2, 13 })
		RegisterNumberFormatters(type);
	for(int type : { 0, 6 })
		sRegisterNumberFamilies(type);
	for(int type : { 3, 8, 0, 6 })
		RegisterFormatter(type, "s", &detail::StdTextFormatter);
	for(int type : { 0, 6, 4, 5 })
		RegisterFormatter(type, "", &sDateTime);
	RegisterFormatter(7, "vt", &sAnyType);
	RegisterFormatter(7, "", &sAnyType);
}

String detail::FormatDoubleSeparated(double x, int precision, dword flags, const char* thousands,
                                     const char* decimal_point)
{
	if(!std::isfinite(x))
		return String();
	String s = FormatDouble(x, precision, flags);
	detail::FormatBuf b;
	const char* p = ~s;
	auto group = [&] {
		while(*p && !sIsDigit(*p))
			b.Cat(*p++);
		const char* e = p;
		while(sIsDigit(*e))
			e++;
		int n = int(e - p);
		int first = n ? (n - 1) % 3 + 1 : 0;
		b.Cat(p, first);
		for(p += first; p < e; p += 3) {
			b.Cat(thousands);
			b.Cat(p, 3);
		}
	};
	group();
	if(*p == '.') {
		b.Cat(decimal_point);
		p++;
		while(sIsDigit(*p))
			b.Cat(*p++);
	}
	group();
	b.Cat(p);
	return String(b.Begin(), b.GetLength());
}

} // namespace Qel
