#include "XmlParser.h"
#include <Core/text/Charset.h>
#include <Core/text/Utf.h>

#include <cstring>
#include <utility>

namespace Qel {

namespace {

enum : byte {
	C_STOP  = 1, // ends a run of character data: zero, '<', '&'
	C_SOLID = 2, // a byte above 32, which makes character data a text token
	C_NAME  = 4, // may be part of a tag or entity name
};

struct CharClass {
	byte t[256];
	constexpr CharClass() : t()
	{
		for(int c = 33; c < 256; c++)
			t[c] |= C_SOLID;
		for(int c = 128; c < 256; c++) // names in UTF-8 and 8-bit sets
			t[c] |= C_NAME;
		for(int c = 'a'; c <= 'z'; c++)
			t[c] |= C_NAME;
		for(int c = 'A'; c <= 'Z'; c++)
			t[c] |= C_NAME;
		for(int c = '0'; c <= '9'; c++)
			t[c] |= C_NAME;
		for(int c : { int('-'), int('.'), int(':'), int('_') })
			t[c] |= C_NAME;
		for(int c : { int(0), int('<'), int('&') })
			t[c] = C_STOP;
	}
};

constexpr CharClass sClass;

inline bool sIsName(int c)  { return sClass.t[byte(c)] & C_NAME; }
inline bool sIsBlank(int c) { return byte(c) <= 32; }

int sHexDigit(int c)
{
	if(c >= '0' && c <= '9')
		return c - '0';
	c |= 0x20;
	if(c >= 'a' && c <= 'f')
		return c - 'a' + 10;
	return -1;
}

const char* sSkipName(const char* s)
{
	while(sIsName(*s))
		s++;
	return s;
}

bool sHasSolid(const String& s)
{
	for(byte c : s)
		if(c > 32)
			return true;
	return false;
}

} // namespace

XmlParser::XmlParser(const char* s)
:	term(s)
{
	entity.Add("lt", "<");
	entity.Add("gt", ">");
	entity.Add("amp", "&");
	entity.Add("apos", "'");
	entity.Add("quot", "\"");
	out_charset = detail::ResolveCharset(GetDefaultCharset(), false);
	doc_charset = CHARSET_UTF8;
	convert = out_charset != doc_charset;
}

void XmlParser::SetCharset(int cs)
{
	doc_charset = cs;
	convert = out_charset != doc_charset;
}

bool XmlParser::KeepsText() const
{
	return preserve || retain_all;
}

void XmlParser::AppendRaw(String& out, const char* b, const char* e)
{
	if(b == e)
		return;
	if(convert)
		out.Cat(ToCharset(out_charset, String(b, e), doc_charset));
	else
		out.Cat(b, e);
}

void XmlParser::AppendCode(uint32 code, String& out)
{
	// a reference names a character, not a byte of the document: it goes straight to the
	// output set
	if(code > 0x10FFFF)
		return;
	if(out_charset == CHARSET_UTF8) {
		char h[8];
		wchar c = code;
		out.Cat(h, detail::Utf32ToUtf8(h, &c, 1));
	}
	else
		out.Cat(FromUnicode(int(code), out_charset));
}

void XmlParser::Entity(const char*& s, String& out)
{
	// s stands after the '&'
	const char* p = s;
	if(*p == '#') {
		p++;
		uint32 code = 0;
		bool any = false;
		if((*p | 0x20) == 'x' && sHexDigit(p[1]) >= 0) {
			p++;
			for(int d; (d = sHexDigit(*p)) >= 0; p++) {
				code = code > 0x10FFFF ? 0x110000 : code * 16 + d;
				any = true;
			}
		}
		else
			for(; *p >= '0' && *p <= '9'; p++) {
				code = code > 0x10FFFF ? 0x110000 : code * 10 + (*p - '0');
				any = true;
			}
		if(any) {
			if(*p == ';')
				p++;
			AppendCode(code, out);
			s = p;
			return;
		}
		p = s;
	}
	// the name ends at the first byte that cannot belong to one, so text full of '&' stays linear
	const char* e = sSkipName(p);
	if(*e == ';' && e > p) {
		int i = entity.Find(String(p, e));
		if(i >= 0) {
			out.Cat(entity[i]);
			s = e + 1;
			return;
		}
	}
	if(!lenient)
		throw XmlError("Unknown entity");
	out.Cat('&');
}

// Gathers character data up to the next markup; true when it makes a text token.
bool XmlParser::Gather(String& out)
{
	const char* s = term;
	bool solid = false;
	for(;;) {
		const char* b = s;
		byte c;
		byte acc = 0;
		int lines = 0;
		while(!((acc |= sClass.t[c = byte(*s)]) & C_STOP)) {
			lines += c == '\n';
			s++;
		}
		line += lines;
		solid |= acc & C_SOLID;
		AppendRaw(out, b, s);
		if(c == '&') {
			s++;
			Entity(s, out);
			solid = true;
			continue;
		}
		if(c == '<' && s[1] == '!' && strncmp(s, "<![CDATA[", 9) == 0) {
			s += 9;
			const char* e = strstr(s, "]]>");
			if(!e) {
				term = s + strlen(s);
				throw XmlError("Unterminated CDATA");
			}
			for(const char* q = s; q < e; q++)
				line += *q == '\n';
			AppendRaw(out, s, e);
			s = e + 3;
			solid = true;
			continue;
		}
		term = s;
		return solid;
	}
}

void XmlParser::ReadToken()
{
	primed = true;
	Next();
}

void XmlParser::Next()
{
	scanned.Clear();
	if(pending_end) {
		// the end of a self-closing tag carries the tag's name, so it matches its own start
		pending_end = false;
		text.Clear();
		type = XT_END;
		return;
	}
	tagtext.Clear();
	type = INT_NULL;
	text.Clear();
	bool solid = Gather(text);
	if(*term == 0) {
		// data right before the end of input is still a token: the next read gives the end
		type = solid || (!text.IsEmpty() && KeepsText()) ? XT_TEXT : XT_EOF;
		return;
	}
	if(solid || (!text.IsEmpty() && KeepsText())) {
		type = XT_TEXT;
		return;
	}
	Markup();
}

void XmlParser::EncodingFromPI()
{
	const char* s = tagtext;
	if(strncmp(s, "xml", 3) != 0 || !sIsBlank(s[3]) || s[3] == 0)
		return;
	const char* e = strstr(s, "encoding");
	if(!e)
		return;
	e += 8;
	// either quote may delimit the name
	while(*e && *e != '\"' && *e != '\'')
		e++;
	if(!*e)
		return;
	char q = *e++;
	const char* x = strchr(e, q);
	if(!x)
		return;
	int cs = CharsetByName(String(e, x));
	if(cs)
		SetCharset(cs);
}

void XmlParser::Markup()
{
	const char* s = term + 1; // past '<'
	if(*s == '?') {
		s++;
		const char* e = strstr(s, "?>");
		if(!e) {
			term = s + strlen(s);
			throw XmlError("Unterminated processing info");
		}
		for(const char* q = s; q < e; q++)
			line += *q == '\n';
		tagtext = String(s, e);
		term = e + 2;
		type = XT_PI;
		EncodingFromPI();
		return;
	}
	if(*s == '/') {
		s++;
		const char* e = sSkipName(s);
		tagtext = String(s, e);
		// blanks may stand before the '>'
		while(*e && sIsBlank(*e))
			line += *e++ == '\n';
		if(*e != '>') {
			term = e;
			throw XmlError("Unterminated end-tag");
		}
		term = e + 1;
		type = XT_END;
		return;
	}
	if(*s == '!') {
		s++;
		if(s[0] == '-' && s[1] == '-') {
			s += 2;
			const char* e = strstr(s, "-->");
			if(!e) {
				term = s + strlen(s);
				throw XmlError("Unterminated comment");
			}
			for(const char* q = s; q < e; q++)
				line += *q == '\n';
			tagtext = String(s, e);
			term = e + 3;
			type = XT_COMMENT;
			return;
		}
		const char* e = s;
		for(;;) {
			if(*e == 0) {
				term = e;
				throw XmlError("Unterminated declaration");
			}
			if(*e == '>')
				break;
			if(*e == '[') {
				// an internal subset ends at "]>", blanks allowed between the two
				for(;;) {
					e++;
					if(*e == 0) {
						term = e;
						throw XmlError("Unterminated declaration");
					}
					line += *e == '\n';
					if(*e == ']') {
						const char* q = e + 1;
						while(*q && sIsBlank(*q))
							q++;
						if(*q == '>') {
							tagtext = String(s, e + 1);
							for(const char* k = e + 1; k < q; k++)
								line += *k == '\n';
							term = q + 1;
							type = XT_DECL;
							return;
						}
					}
				}
			}
			line += *e == '\n';
			e++;
		}
		tagtext = String(s, e);
		term = e + 1;
		type = XT_DECL;
		return;
	}
	term = s;
	ScanStartTag();
}

void XmlParser::ScanAttrValue(String& out)
{
	const char* s = term;
	if(*s == '\"' || *s == '\'') {
		char q = *s++;
		const char* b = s;
		for(;;) {
			char c = *s;
			if(c == q || c == 0)
				break;
			if(c == '&') {
				AppendRaw(out, b, s);
				s++;
				Entity(s, out);
				b = s;
				continue;
			}
			line += c == '\n';
			s++;
		}
		AppendRaw(out, b, s);
		if(*s)
			s++;
	}
	else {
		const char* b = s;
		for(;;) {
			char c = *s;
			if(sIsBlank(c) || c == '/' || c == '>')
				break;
			if(c == '&') {
				AppendRaw(out, b, s);
				s++;
				Entity(s, out);
				b = s;
				continue;
			}
			s++;
		}
		AppendRaw(out, b, s);
	}
	term = s;
}

void XmlParser::ScanStartTag()
{
	const char* s = term;
	const char* e = sSkipName(s);
	tagtext = String(s, e);
	s = e;
	type = XT_START;
	for(;;) {
		while(sIsBlank(*s)) {
			if(*s == 0) {
				term = s;
				throw XmlError("Unterminated tag");
			}
			line += *s++ == '\n';
		}
		if(s[0] == '/' && s[1] == '>') {
			pending_end = true;
			term = s + 2;
			return;
		}
		if(*s == '>') {
			term = s + 1;
			return;
		}
		const char* n = s;
		while(!sIsBlank(*s) && *s != '=' && *s != '>')
			s++;
		const char* ne = s;
		while(*s && sIsBlank(*s))
			line += *s++ == '\n';
		if(*s != '=')
			continue; // a name without a value is dropped
		s++;
		while(*s && sIsBlank(*s))
			line += *s++ == '\n';
		term = s;
		String value;
		ScanAttrValue(value);
		s = term;
		String name(n, ne);
		if(name == "xml:space" && value == "preserve")
			preserve = true;
		scanned.Add(std::move(name), std::move(value));
	}
}

void XmlParser::Attrs::Add(String&& name, String&& value)
{
	int i = 2 * count++;
	if(i < pair.GetCount()) {
		pair[i] = std::move(name);
		pair[i + 1] = std::move(value);
	}
	else {
		pair.Add(std::move(name));
		pair.Add(std::move(value));
	}
}

String XmlParser::ReadText()
{
	Prime();
	String r = std::move(text);
	text.Clear();
	if(type == XT_TEXT)
		ReadToken();
	return r;
}

String XmlParser::EnterTag(bool advance)
{
	Prime();
	if(type != XT_START)
		throw XmlError("Expected tag");
	String name = tagtext;
	if(advance) {
		if(!flat)
			stack.Add({ name, preserve });
		std::swap(attr, scanned);
		ReadToken();
	}
	return name;
}

bool XmlParser::EnterTagIf(const char* tag)
{
	Prime();
	if(type == XT_START && tagtext == tag) {
		EnterTag();
		return true;
	}
	return false;
}

bool XmlParser::LeaveTag()
{
	Prime();
	if(type == XT_END) {
		if(!flat) {
			if(stack.IsEmpty())
				throw XmlError(String("Unexpected end-tag: </") << tagtext << ">");
			if(stack.Top().name != tagtext && !lenient)
				throw XmlError(String("Tag/end-tag mismatch: <") << stack.Top().name << "> </" << tagtext << ">");
			stack.Drop();
			preserve = stack.IsEmpty() ? false : stack.Top().preserve;
		}
		ReadToken();
		return true;
	}
	if(type == XT_EOF) {
		if(lenient)
			return true;
		throw XmlError("Unexpected end of file");
	}
	return false;
}

void XmlParser::RequireLeave()
{
	if(!LeaveTag())
		throw XmlError("Expected '" + (stack.IsEmpty() ? String() : stack.Top().name) + "' end-tag");
}

void XmlParser::SkipElement()
{
	Prime();
	if(type == XT_EOF)
		throw XmlError("Unexpected end of file");
	// blank data before markup is dropped with the token, so every call moves on
	if(type != XT_TEXT)
		text.Clear();
	if(type != XT_START || flat) {
		ReadToken();
		return;
	}
	// nested elements are tracked here rather than by recursion: nesting depth is unbounded
	Vector<String> open;
	open.Add(EnterTag());
	while(!open.IsEmpty()) {
		if(LeaveTag()) {
			open.Drop();
			continue;
		}
		if(type == XT_EOF)
			throw XmlError("Unexpected end of file expected when skipping tag '" + open.Top() + "'");
		if(type != XT_TEXT)
			text.Clear();
		if(type == XT_START && !flat)
			open.Add(EnterTag());
		else
			ReadToken();
	}
}

// The text of a declaration, processing instruction or comment, checked against the kind expected.
String XmlParser::TakeTagText(int kind, const char* error, bool advance)
{
	Prime();
	if(type != kind)
		throw XmlError(error);
	String r = tagtext;
	if(advance)
		ReadToken();
	return r;
}

String XmlParser::TakeDeclaration(bool advance)
{
	return TakeTagText(XT_DECL, "Declaration expected", advance);
}

String XmlParser::TakeProcessingInfo(bool advance)
{
	return TakeTagText(XT_PI, "Processing info expected", advance);
}

String XmlParser::TakeComment(bool advance)
{
	return TakeTagText(XT_COMMENT, "Comment expected", advance);
}

String XmlParser::Attr(const char* id) const
{
	for(int i = 0; i < attr.count; i++)
		if(attr.pair[2 * i] == id)
			return attr.pair[2 * i + 1];
	return String();
}

XmlNode ParseXmlTree(XmlParser& p, dword style)
{
	XmlNode doc;
	// The open elements, innermost last: building never recurses, however deep the nesting.
	// Children gather in one shared list and move into their parent, exactly sized, when it
	// closes.
	struct Open {
		XmlNode* node;
		int      first; // its first child in kids
	};
	Vector<Open> open;
	Vector<XmlNode*> kids;
	open.Add({ &doc, 0 });
	auto add = [&](int type) -> XmlNode& {
		XmlNode* n = new XmlNode;
		kids.Add(n);
		n->type = type;
		return *n;
	};
	auto close = [&](Open& o) {
		int n = kids.GetCount() - o.first;
		if(n) {
			Vector<XmlNode*>& v = o.node->node.GetPointers();
			v.Reserve(v.GetCount() + n);
			v.Append(kids.begin() + o.first, n);
			kids.Trim(o.first);
		}
	};
	try {
		p.Prime();
		for(;;) {
			bool top = open.GetCount() == 1;
			if(top) {
				if(p.type == XT_EOF)
					break;
			}
			else if(p.LeaveTag()) {
				close(open.Top());
				open.Top().node->Compact();
				open.Drop();
				continue;
			}
			int t = p.type;
			if((t == XT_DECL && (style & XT_SKIP_DECLS)) || (t == XT_PI && (style & XT_SKIP_PIS)) ||
			   (t == XT_COMMENT && (style & XT_SKIP_COMMENTS))) {
				p.SkipElement();
				continue;
			}
			if(t == XT_START) {
				XmlNode& n = add(XT_START);
				n.text = p.EnterTag();
				int count = p.attr.count;
				if(count) {
					n.attr = new VectorMap<String, String>;
					n.attr->Reserve(count);
					for(int i = 0; i < count; i++)
						n.attr->Add(std::move(p.attr.pair[2 * i]), std::move(p.attr.pair[2 * i + 1]));
				}
				open.Add({ &n, kids.GetCount() });
				continue;
			}
			if(t == XT_DECL || t == XT_PI || t == XT_COMMENT) {
				add(t).text = p.tagtext;
				p.ReadToken();
				continue;
			}
			bool node = !p.text.IsEmpty() && (p.KeepsText() || sHasSolid(p.text));
			if(node)
				add(XT_TEXT).text = std::move(p.text);
			p.text.Clear();
			if(t == XT_TEXT)
				p.ReadToken();
			if(!node && top) {
				if(!p.lenient)
					throw XmlError("Unexpected text");
				if(t != XT_TEXT)
					p.SkipElement();
			}
		}
		close(open.Top());
	}
	catch(...) {
		// hand the gathered nodes to their parents, so that the partial tree frees them
		while(!open.IsEmpty()) {
			close(open.Top());
			open.Drop();
		}
		throw;
	}
	return doc;
}

XmlNode ParseXmlTree(const char* text, dword style)
{
	XmlParser p(text);
	return ParseXmlTree(p, style);
}

} // namespace Qel
