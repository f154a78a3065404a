#include "CParser.h"
#include "FormatInt.h"
#include <Core/detail/FormatBuf.h>
#include "Charset.h"
#include "FormatDouble.h"

#include <climits>
#include <cmath>

namespace Qel {

namespace {

QEL_FORCE_INLINE bool sIsAlpha(int c)  { return (unsigned)((c | 0x20) - 'a') < 26u; }
QEL_FORCE_INLINE bool sIsDigit(int c)  { return (unsigned)(c - '0') < 10u; }
QEL_FORCE_INLINE bool sIsAlNum_(int c) { return sIsAlpha(c) || sIsDigit(c) || c == '_'; }

int sHex(int c)
{
	if(sIsDigit(c))
		return c - '0';
	c |= 0x20;
	return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

void sPutUtf8(detail::FormatBuf& out, dword c)
{
	char b[4];
	int n;
	if(c < 0x80) {
		b[0] = char(c);
		n = 1;
	}
	else if(c < 0x800) {
		b[0] = char(0xC0 | (c >> 6));
		b[1] = char(0x80 | (c & 0x3F));
		n = 2;
	}
	else if(c < 0x10000) {
		b[0] = char(0xE0 | (c >> 12));
		b[1] = char(0x80 | ((c >> 6) & 0x3F));
		b[2] = char(0x80 | (c & 0x3F));
		n = 3;
	}
	else {
		b[0] = char(0xF0 | (c >> 18));
		b[1] = char(0x80 | ((c >> 12) & 0x3F));
		b[2] = char(0x80 | ((c >> 6) & 0x3F));
		b[3] = char(0x80 | (c & 0x3F));
		n = 4;
	}
	out.Cat(b, n);
}


} // namespace

void CParser::Set(const char* s)
{
	if(!s)
		s = "";
	term = wspc = lineptr = s;
	line = 1;
	fn.Clear();
	skipspaces = skipcomments = uescape = true;
	nestcomments = false;
	if((byte)*s < 33 || *s == '/')
		Spaces();
}

// A byte 2 starts a marker: a file name, optionally a byte 3 and a line number, and a closing
// byte 2. An unterminated marker runs to the end of the text and stops there.
void CParser::Marker()
{
	const char* p = ++term;
	while(*p && *p != 2 && *p != 3)
		p++;
	fn = String(term, int(p - term));
	if(*p == 3) {
		p++;
		while(*p == ' ' || (*p >= '\t' && *p <= '\r')) // the blanks strtol passes over
			p++;
		bool neg = false;
		if(*p == '+' || *p == '-')
			neg = *p++ == '-';
		int64 n = 0;
		while(sIsDigit(*p)) {
			if(n <= INT_MAX)
				n = n * 10 + (*p - '0');
			p++;
		}
		if(neg)
			n = -n;
		line = (int)clamp<int64>(n, INT_MIN, INT_MAX);
	}
	while(*p && *p != 2)
		p++;
	term = *p ? p + 1 : p;
}

bool CParser::Spaces()
{
	if(!term)
		return false;
	if((byte)*term >= 33 && !(skipcomments && term[0] == '/' && (term[1] == '/' || term[1] == '*')))
		return false;
	for(;;) {
		byte c = *term;
		if(c == '/' && skipcomments && term[1] == '/') {
			while(*term && *term != '\n')
				term++;
		}
		else if(c == '/' && skipcomments && term[1] == '*') {
			term += 2;
			int level = 1;
			for(;;) {
				if(!*term)
					return true;
				if(term[0] == '*' && term[1] == '/') {
					term += 2;
					if(!nestcomments || --level == 0)
						break;
				}
				else if(nestcomments && term[0] == '/' && term[1] == '*') {
					term += 2;
					level++;
				}
				else {
					if(*term == '\n')
						NewLine(term);
					term++;
				}
			}
		}
		else if(c == 2)
			Marker();
		else if(c >= 33 || c == 0)
			break;
		else {
			if(c == '\n')
				NewLine(term);
			term++;
		}
	}
	return true;
}

void CParser::DoSpaces()
{
	if(skipspaces) {
		wspc = term;
		if((byte)*term < 33 || *term == '/')
			Spaces();
	}
}

bool CParser::Char(int c)
{
	if((byte)*term != c || c == 0)
		return false;
	term++;
	DoSpaces();
	return true;
}

bool CParser::Id(const char* s)
{
	const char* p = term;
	while(*s && *p == *s) {
		p++;
		s++;
	}
	if(*s || sIsAlNum_((byte)*p))
		return false;
	term = p;
	DoSpaces();
	return true;
}

void CParser::ThrowMissing(const char* what) const
{
	detail::FormatBuf b;
	b.Cat("missing '");
	b.Cat(what);
	b.Cat('\'');
	b.Cat('\0');
	ThrowError(b.Begin());
}

void CParser::PassId(const char* s)
{
	if(!Id(s))
		ThrowMissing(s);
}

void CParser::PassChar(int c)
{
	if(!Char(c)) {
		char h[2] = { char(c), 0 };
		ThrowMissing(h);
	}
}

namespace {

// Skips what may stand between a sign (or a point) and the digit after it.
const char* sSkipFill(const char* p)
{
	while(*p && ((byte)*p <= 32 || (byte)*p >= 128))
		p++;
	return p;
}

} // namespace

bool CParser::IsInt() const
{
	const char* p = term;
	if(*p == '+' || *p == '-')
		p = sSkipFill(p + 1);
	return sIsDigit(*p);
}

bool CParser::IsDouble() const
{
	const char* p = term;
	if(*p == '+' || *p == '-')
		p = sSkipFill(p + 1);
	if(*p == '.')
		p = sSkipFill(p + 1);
	return sIsDigit(*p);
}

bool CParser::IsId() const
{
	int c = (byte)*term;
	return sIsAlpha(c) || c == '_' || c == '$';
}

int CParser::ReadInt()
{
	const char* p = term;
	bool neg = false;
	if(*p == '+' || *p == '-') {
		neg = *p == '-';
		p = sSkipFill(p + 1);
	}
	if(!sIsDigit(*p))
		ThrowError("missing number");
	uint64 n = 0;
	while(sIsDigit(*p)) {
		n = n * 10 + (*p++ - '0');
		if(n > (uint64)INT_MAX + 1)
			ThrowError("number is too big");
	}
	if(!neg && n > INT_MAX)
		ThrowError("number is too big");
	term = p;
	DoSpaces();
	return neg ? int(0u - (unsigned)n) : int(n);
}

double CParser::ReadDouble()
{
	double d;
	const char* p = ScanDoubleText(&d, term, '.', true);
	if(!p)
		ThrowError("missing number");
	if(!std::isfinite(d))
		ThrowError("invalid number");
	term = p;
	DoSpaces();
	return d;
}

String CParser::ReadId()
{
	if(!IsId())
		ThrowError("missing id");
	const char* b = term;
	while(sIsAlNum_((byte)*term) || *term == '$')
		term++;
	String id(b, int(term - b));
	DoSpaces();
	return id;
}

int CParser::GetChar()
{
	int c = (byte)*term;
	if(c) {
		if(c == '\n')
			NewLine(term);
		term++;
	}
	return c;
}

String CParser::ReadOneString(int delim, bool chkend)
{
	if((byte)*term != delim || delim == 0)
		ThrowError("missing string");
	term++;
	detail::FormatBuf out;
	for(;;) {
		int c = (byte)*term;
		if(c == delim) {
			term++;
			break;
		}
		if(c == '\\') {
			c = (byte)term[1];
			if(c == 0) { // a backslash right before the end: the text ends there
				term++;
				if(chkend)
					ThrowError("Unterminated string");
				return String(out.Begin(), out.GetLength());
			}
			term += 2;
			switch(c) {
			case 'a': out.Cat('\a'); break;
			case 'b': out.Cat('\b'); break;
			case 'f': out.Cat('\f'); break;
			case 'n': out.Cat('\n'); break;
			case 'r': out.Cat('\r'); break;
			case 't': out.Cat('\t'); break;
			case 'v': out.Cat('\v'); break;
			case 'x': {
				unsigned v = 0;
				int h;
				while((h = sHex((byte)*term)) >= 0) {
					v = (v << 4 | h) & 0xFF;
					term++;
				}
				out.Cat(char(v));
				break;
			}
			case '0': case '1': case '2': case '3': case '4': case '5': case '6': case '7': {
				unsigned v = c - '0';
				for(int i = 0; i < 2 && (unsigned)(*term - '0') < 8u; i++)
					v = v * 8 + (*term++ - '0');
				out.Cat(char(v & 0xFF));
				break;
			}
			case 'u':
			case 'U':
				if(uescape) {
					auto hexn = [&](int n) {
						dword v = 0;
						for(int i = 0; i < n; i++) {
							int h = sHex((byte)*term);
							if(h < 0)
								ThrowError("Incomplete universal character");
							v = v << 4 | h;
							term++;
						}
						return v;
					};
					dword cp;
					if(c == 'u') {
						cp = hexn(4);
						if(cp >= 0xD800 && cp < 0xDC00) {
							if(term[0] != '\\' || term[1] != 'u')
								ThrowError("Invalid UTF-16 surrogate pair");
							term += 2;
							dword lo = hexn(4);
							if(lo < 0xDC00 || lo > 0xDFFF)
								ThrowError("Invalid UTF-16 surrogate pair");
							cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
						}
					}
					else {
						cp = hexn(8);
						if(cp > 0x10FFFF)
							ThrowError("Universal character is out of unicode range");
					}
					sPutUtf8(out, cp);
					break;
				}
				[[fallthrough]];
			default:
				out.Cat(char(c));
				if(c == '\n')
					NewLine(term - 1);
				break;
			}
		}
		else if(c < 32 && c != '\t') {
			if(chkend)
				ThrowError("Unterminated string");
			if(c == 0)
				return String(out.Begin(), out.GetLength());
			if(c == '\n')
				NewLine(term);
			out.Cat(char(c));
			term++;
		}
		else {
			// plain run up to the next special character
			const char* b = term++;
			while((byte)*term >= 32 && (byte)*term != delim && *term != '\\')
				term++;
			out.Cat(b, term - b);
		}
	}
	DoSpaces();
	return String(out.Begin(), out.GetLength());
}

String CParser::ReadString(int delim, bool chkend)
{
	String s = ReadOneString(delim, chkend);
	while((byte)*term == delim && delim)
		s.Cat(ReadOneString(delim, chkend));
	return s;
}

void CParser::SkipTerm()
{
	int c = (byte)*term;
	if(sIsAlpha(c) || c == '_' || c == '$') {
		while(sIsAlNum_((byte)*term) || *term == '$')
			term++;
	}
	else if(sIsDigit(c)) {
		while(sIsDigit(*term))
			term++;
	}
	else if(c == '\"')
		ReadString('\"', true);
	else if(c == '\'')
		ReadString('\'', false);
	else if(c) {
		if(c == '\n')
			NewLine(term);
		term++;
	}
	DoSpaces();
}

int CParser::GetColumn() const
{
	int col = 1;
	for(const char* p = lineptr; p < term; p++) {
		if(*p == 2) { // marker sections take no room
			p++;
			while(p < term && *p != 2)
				p++;
			continue;
		}
		col = *p == '\t' ? ((col + 3) & ~3) + 1 : col + 1;
	}
	return col;
}

void CParser::ThrowError(const char* message) const
{
	detail::FormatBuf b;
	b.Cat(~fn, fn.GetLength());
	char h[32];
	char* p = h;
	*p++ = '(';
	p = PutDecimal(p, line);
	*p++ = ',';
	p = PutDecimal(p, GetColumn());
	*p++ = ')';
	*p++ = ':';
	*p++ = ' ';
	b.Cat(h, p - h);
	b.Cat(message);
	throw Error(String(b.Begin(), b.GetLength()));
}

namespace {

// Length of a valid UTF-8 sequence at s (below end) that encodes a character above U+FFFF, else 0.
// Everything else is written as its own bytes, so only these forms need decoding.
int sUtf8Astral(const byte* s, const byte* end, dword& cp)
{
	if(s[0] < 0xF0 || s[0] > 0xF4 || end - s < 4)
		return 0;
	for(int i = 1; i < 4; i++)
		if((s[i] & 0xC0) != 0x80)
			return 0;
	cp = (dword(s[0] & 7) << 18) | (dword(s[1] & 0x3F) << 12) | (dword(s[2] & 0x3F) << 6) | (s[3] & 0x3F);
	return cp >= 0x10000 && cp <= 0x10FFFF ? 4 : 0;
}

void sPutU(detail::FormatBuf& out, dword v)
{
	static const char hex[] = "0123456789ABCDEF";
	char* p = out.Reserve(6);
	p[0] = '\\';
	p[1] = 'u';
	p[2] = hex[(v >> 12) & 15];
	p[3] = hex[(v >> 8) & 15];
	p[4] = hex[(v >> 4) & 15];
	p[5] = hex[v & 15];
	out.Advance(6);
}

} // namespace

String AsCString(const char* s, const char* lim, int linemax, const char* linepfx, int flags)
{
	detail::FormatBuf out;
	out.Cat('\"');
	int linestart = out.GetLength();
	byte prev = 0;
	// an 8-bit character set has nothing beyond U+FFFF, so its bytes are always copied
	bool utf8 = (flags & ASCSTRING_JSON) && GetDefaultCharset() == CHARSET_UTF8;
	const byte* p = (const byte*)s;
	const byte* end = (const byte*)lim;
	while(p < end) {
		if(out.GetLength() - linestart > linemax && (!(flags & ASCSTRING_SMART) || prev == ' ' || prev == '\n')) {
			out.Cat("\"\r\n", 3);
			if(linepfx)
				out.Cat(linepfx);
			out.Cat('\"');
			linestart = out.GetLength();
		}
		byte c = *p;
		prev = c;
		switch(c) {
		// JSON has no escapes for bell and vertical tab: they take the "\u" form below
		case '\a': if(flags & ASCSTRING_JSON) sPutU(out, c); else out.Cat("\\a", 2); break;
		case '\b': out.Cat("\\b", 2); break;
		case '\t': out.Cat("\\t", 2); break;
		case '\n': out.Cat("\\n", 2); break;
		case '\v': if(flags & ASCSTRING_JSON) sPutU(out, c); else out.Cat("\\v", 2); break;
		case '\f': out.Cat("\\f", 2); break;
		case '\r': out.Cat("\\r", 2); break;
		case '\"': out.Cat("\\\"", 2); break;
		case '\\': out.Cat("\\\\", 2); break;
		default:
			if(c >= 32 && c <= 126)
				out.Cat(char(c));
			else if(flags & ASCSTRING_JSON) {
				dword cp;
				int n;
				if(c < 128)
					sPutU(out, c);
				else if(utf8 && (n = sUtf8Astral(p, end, cp)) != 0) {
					cp -= 0x10000;
					sPutU(out, 0xD800 + (cp >> 10));
					sPutU(out, 0xDC00 + (cp & 0x3FF));
					p += n;
					continue;
				}
				else
					out.Cat(char(c));
			}
			else if(c >= 128 && c < 255 && !(flags & ASCSTRING_OCTALHI))
				out.Cat(char(c));
			else {
				char* o = out.Reserve(4);
				o[0] = '\\';
				o[1] = char('0' + (c >> 6));
				o[2] = char('0' + ((c >> 3) & 7));
				o[3] = char('0' + (c & 7));
				out.Advance(4);
			}
		}
		p++;
	}
	out.Cat('\"');
	return String(out.Begin(), out.GetLength());
}

String AsCString(const String& s, int linemax, const char* linepfx, int flags)
{
	return AsCString(~s, ~s + s.GetLength(), linemax, linepfx, flags);
}

} // namespace Qel
