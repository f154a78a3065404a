// The QTF reader's main loop: text, verbatim blocks, paragraphs, nested texts and errors.
#include <richtext/qtf/Qtf.h>
#include <richtext/qtf/detail/QtfParser.h>
#include <richtext/para/detail/PackedForm.h>
#include <richtext/qtf/detail/QtfTables.h>

#include <cstring>
#include <utility>

namespace Qel {

using detail::QTF_NESTING_TOO_DEEP;

namespace {

// The nesting of the QTF text being parsed on this thread, and whether a nested parse ran
// past the bound: the outer text fails with it too, so the bound cannot be hidden in a header.
thread_local int  tDepth = 0;
thread_local bool tTooDeep = false;

} // namespace

namespace detail {

RichQtfParser::RichQtfParser(RichText& target, void* context, int depth)
:	target(target), context(context), depth(depth)
{
	fstack.Reserve(3); // two blocks open at once move no stack; three levels still take a small block
	fstack.Add().para = ++para_versions;
	SetCharset(GetDefaultCharset());
}

void RichQtfParser::Pending::Grow(int k)
{
	int64 want = max<int64>(int64(n) + k, 2 * int64(cap));
	if(want > INT_MAX)
		Panic("Too many items in container!");
	want = max<int64>(want, 256);
	char* q = (char*)MemoryAlloc(size_t(want));
	if(n)
		memcpy(q, p, n);
	MemoryFree(p);
	src = p = q;
	cap = int(want);
}

void RichQtfParser::Pending::Own()
{
	const char* s = src;
	int k = n;
	n = 0;
	src = p;
	if(k > cap)
		Grow(k);
	memcpy(p, s, k);
	n = k;
}

void RichQtfParser::Pending::Append(const wchar* s, int k)
{
	for(int i = 0; i < k; i++)
		if(s[i] >= 32 || s[i] == '\t')
			Add(s[i]);
}

void RichQtfParser::Pending::AppendPackedCopy(const char* s, int k, int chars_)
{
	if(src != p)
		Own();
	if(n + k > cap)
		Grow(k);
	memcpy(p + n, s, k);
	n += k;
	chars += chars_;
}

void RichQtfParser::OwnParaFormat()
{
	if(took_level >= 0) {
		const Level& l = fstack[took_level];
		if(pformat_para == l.para)
			static_cast<RichPara::CharFormat&>(pformat) = l.format;
		else
			pformat = l.format;
		pformat_para = l.para;
		pformat_header_off = l.header_off;
		took_level = -1;
	}
}

void RichQtfParser::PushFormat()
{
	int d = level + 1;
	if(d > MAX_BLOCKS)
		Error(QTF_NESTING_TOO_DEEP);
	if(d == fstack.GetCount())
		fstack.Add().para = ++para_versions;
	else if(took_level == d) // a block ended since the paragraph took its format
		OwnParaFormat();
	Level& l = fstack[d];
	const Level& parent = fstack[level];
	if(l.para == parent.para)
		static_cast<RichPara::CharFormat&>(l.format) = parent.format;
	else
		l.format = parent.format;
	l.para = parent.para;
	l.header_off = parent.header_off;
	l.charset = charset;
	l.serial = ++block_serial;
	level = d;
}

void RichQtfParser::PopFormat()
{
	int cs = fstack[level].charset;
	if(cs != charset) // most blocks keep it
		SetCharset(cs);
	level--;
}

void RichQtfParser::SetCharset(int cs)
{
	charset = cs;
	utf8 = ResolveCharset(cs, false) == CHARSET_UTF8;
}

void RichQtfParser::Error(const char* message)
{
	if(strcmp(message, QTF_NESTING_TOO_DEEP) == 0)
		tTooDeep = true;
	String s = "ERROR: ";
	s.Cat(message);
	if(*term) {
		int n = 0;
		while(n < 20 && term[n])
			n++;
		// a character cut by the limit would show as a stray byte
		if(utf8 && term[n])
			for(int k = 0; k < 3 && n > 0 && (byte(term[n]) & 0xC0) == 0x80; k++)
				n--;
		s.Cat(": ");
		for(int i = 0; i < n; i++)
			if(byte(term[i]) >= 32)
				s.Cat(term[i]);
	}
	else
		s.Cat('.');
	// a table closed before the error is complete: it stays, unless it sits in one still open
	if(istable && table.IsEmpty())
		target.SetTable(target.GetPartCount(), *waiting);
	istable = false;
	RichPara::CharFormat f;
	f.Face(Font::SANSSERIF).Height(84).Bold().Underline();
	f.ink = Color(128, 0, 0);
	f.paper = Color();
	WString w = ToUnicode(s, charset);
	CatText(w.Begin(), w.GetLength(), f);
	CatPara(target);
	FinishStyles();
	throw Exc();
}

void RichQtfParser::Flush()
{
	if(!text.IsEmpty()) {
		CatPacked(text.begin(), text.GetLength(), text.GetChars(), Cur());
		text.Clear();
	}
}

void RichQtfParser::BeginPart()
{
	uint64 para = took_level < 0 ? pformat_para : fstack[took_level].para;
	if(packed.HasParts() && para == parts_para) // the paragraph's fields, its style among them, are as they were
		return;
	parts_para = para;
	const Uuid& id = ParaFormat().styleid;
	if(!packed.HasParts())
		packed.Begin(id, StyleFormat(id));
	else if(packed.GetStyle() != id)
		packed.Restyle(id, StyleFormat(packed.GetStyle()), StyleFormat(id));
}

void RichQtfParser::CatText(const wchar* s, int n, const RichPara::CharFormat& f)
{
	BeginPart();
	packed.Text(s, n, f);
}

void RichQtfParser::CatPacked(const char* s, int bytes, int chars, const RichPara::CharFormat& f)
{
	BeginPart();
	packed.Packed(s, bytes, chars, f);
}

void RichQtfParser::CatPart(RichPara::Part& p)
{
	BeginPart();
	packed.Part(p);
}

void RichQtfParser::CatPara(RichTxt& txt)
{
	const RichStyle& style = GetStyle(target.GetStyles(), ParaFormat().styleid);
	// A format taken before its style was defined may lack the header the style starts: the
	// paragraph takes it, as it always has, unless "tp" turned its header off.
	bool header_off = took_level < 0 ? pformat_header_off : fstack[took_level].header_off;
	if(style.format.newhdrftr && !ParaFormat().newhdrftr && !header_off) {
		OwnParaFormat();
		pformat_para = ++para_versions;
		pformat.newhdrftr = true;
		pformat.header_qtf = style.format.header_qtf;
		pformat.footer_qtf = style.format.footer_qtf;
	}
	const RichPara::Format& pf = ParaFormat();
	const RichPara::Format& st = style.format;
	if(packed.HasParts() && packed.GetStyle() != pf.styleid)
		packed.Restyle(pf.styleid, StyleFormat(packed.GetStyle()), st);
	uint64 para = took_level < 0 ? pformat_para : fstack[took_level].para;
	detail::PackedParaWriter::Para p = packed.End(pf, st, para, styles_serial);
	txt.SetPackedPara(txt.GetPartCount(), p.head, std::move(p.content), std::move(p.objects), std::move(p.aside), pf,
	                  p.length);
}

void RichQtfParser::EndPart()
{
	para_serial = block_serial;
	para_took = false;
	if(std::exchange(over_closed, false) && !istable && !packed.HasParts() && text.IsEmpty())
		return;
	if(istable) {
		if(!packed.HasParts() && text.IsEmpty()) {
			RichTxt& txt = table.GetCount() ? table.Top().text : target;
			txt.SetTable(txt.GetPartCount(), *waiting);
		}
		else {
			packed.Clear();
			text.Clear();
		}
		istable = false;
		return;
	}
	Flush();
	if(table.GetCount())
		CatPara(table.Top().text);
	else {
		if(breakpage && !ParaFormat().newpage) {
			OwnParaFormat();
			pformat_para = ++para_versions;
			pformat.newpage = true;
		}
		CatPara(target);
	}
	TakeFormat();
	breakpage = false;
}

// Content of any kind places a table that waits for the paragraph end before it, as text
// does; otherwise the paragraph end would drop both.
void RichQtfParser::PlaceWaiting()
{
	if(istable)
		EndPart();
}

void RichQtfParser::AddChar(wchar c)
{
	if(accesskey) {
		int a = UnicodeToAscii(c);
		if(a >= 'a' && a <= 'z')
			a -= 'a' - 'A';
		if(a == accesskey) {
			Flush();
			CurrentChanges();
			CharFmt().Underline(!Cur().IsUnderline());
			text.Add(c);
			Flush();
			CharFmt().Underline(!Cur().IsUnderline());
			accesskey = 0;
			return;
		}
	}
	if(c >= 32)
		text.Add(c);
}


wchar RichQtfParser::DecodeUtf8()
{
	const byte* s = (const byte*)term;
	int c = s[0];
	auto cont = [](int b) { return (b & 0xC0) == 0x80; };
	wchar code;
	int len;
	if(c >= 0xC2 && c <= 0xDF && cont(s[1])) {
		code = (c & 0x1F) << 6 | (s[1] & 0x3F);
		len = 2;
	}
	else if(c >= 0xE0 && c <= 0xEF && cont(s[1]) && cont(s[2])) {
		code = (c & 0x0F) << 12 | (s[1] & 0x3F) << 6 | (s[2] & 0x3F);
		len = code >= 0x800 && (code < 0xEE00 || code > 0xEEFF) ? 3 : 0;
	}
	else if(c >= 0xF0 && c <= 0xF7 && cont(s[1]) && cont(s[2]) && cont(s[3])) {
		code = (c & 0x07) << 18 | (s[1] & 0x3F) << 12 | (s[2] & 0x3F) << 6 | (s[3] & 0x3F);
		len = code >= 0x10000 && code <= 0x10FFFF ? 4 : 0;
	}
	else
		len = 0;
	if(!len) {
		term++;
		Error("Invalid UTF-8 sequence");
	}
	term += len;
	return code;
}

namespace {

QEL_FORCE_INLINE bool sCont(byte b) { return (b & 0xC0) == 0x80; }

// The bits set in each byte value.
constexpr struct BitCounts {
	byte n[256] = {};
	constexpr BitCounts()
	{
		for(int i = 1; i < 256; i++)
			n[i] = byte(n[i / 2] + (i & 1));
	}
	int operator[](unsigned i) const { return n[i]; }
} sBits;

// The end of the run at p of text that QTF and the packed paragraph form both hold as the same
// bytes: plain ASCII and well-formed UTF-8 but for surrogates and U+EE00 to U+EEFF, and, unless
// nbsp, U+00A0 (which QTF writes as "_"). The text ends in a NUL; none lies before e, and bytes
// from lo (at most p) to e are read sixteen at a time, those past e one by one. extra counts
// the continuation bytes passed, so the run holds (end - p) - extra characters.
QEL_FORCE_INLINE const char* sPlainRun(const char* lo, const char* p, const char* e, bool nbsp, int& extra)
{
	static constexpr QtfPlainTable plain_ascii = [] {
		QtfPlainTable t;
		for(int c = 128; c < 256; c++)
			t.flag[c] = false;
		return t;
	}();
	const byte* s = (const byte*)p;
	int ext = 0; // not extra itself, which the bytes read might alias
	for(;;) {
#ifdef __SSE2__
		// most of a text sixteen bytes at a time. Near the end the last sixteen bytes are read
		// again, as long as they lie from lo on.
		while(e - (const char*)s > 0) {
			const byte* q = s;
			int seen = 0;
			if(e - (const char*)s < 16) {
				if(e - lo < 16)
					break;
				q = (const byte*)e - 16;
				seen = int(s - q);
			}
			unsigned tail;
			unsigned ok = QtfPlainChunk(_mm_loadu_si128((const __m128i*)q), seen, tail);
			if(ok == 0xFFFF) { // the common case: the next address does not wait for this one
				ext += sBits[tail & 255] + sBits[tail >> 8];
				s = q + 16;
				continue;
			}
			int n = __builtin_ctz(~ok);
			tail &= (1u << n) - 1;
			ext += sBits[tail & 255] + sBits[tail >> 8];
			s = q + n;
			break;
		}
#endif
		byte c = *s;
		if(plain_ascii.flag[c]) {
			s++;
			continue;
		}
		if(c < 0xC2)
			break;
		if(c <= 0xDF) {
			if(!sCont(s[1]) || (!nbsp && c == 0xC2 && s[1] == 0xA0))
				break;
			s += 2;
			ext += 1;
		}
		else if(c <= 0xEF) {
			if(!sCont(s[1]) || !sCont(s[2]))
				break;
			wchar code = (c & 0x0F) << 12 | (s[1] & 0x3F) << 6;
			if(code < 0x800 || (code >= 0xD800 && code <= 0xDFFF) || (code >= 0xEE00 && code <= 0xEEFF))
				break;
			s += 3;
			ext += 2;
		}
		else if(c <= 0xF4) {
			if(!sCont(s[1]) || !sCont(s[2]) || !sCont(s[3]))
				break;
			wchar code = (c & 0x07) << 18 | (s[1] & 0x3F) << 12;
			if(code < 0x10000 || code > 0x10FFFF)
				break;
			s += 4;
			ext += 3;
		}
		else
			break;
	}
	extra += ext;
	return (const char*)s;
}

} // namespace

// Text up to the next byte that may start a command: runs that pack as they stand are copied
// at once.
void RichQtfParser::TextRun()
{
	static constexpr QtfPlainTable plain_ascii = [] {
		QtfPlainTable t;
		for(int c = 128; c < 256; c++)
			t.flag[c] = false;
		return t;
	}();
	PlaceWaiting();
	TakeFormat();
	bool first = true;
	for(;;) {
		if(!accesskey) {
			const char* b = term;
			int extra = 0;
			if(utf8) {
				if(term_end - term < 4096 && *term_end)
					term_end += strnlen(term_end, 65536);
				// past term_end, which no NUL ends, the run goes on a character at a time
				term = sPlainRun(term_begin, term, term_end, true, extra);
			}
			else
				while(plain_ascii.flag[byte(*term)])
					term++;
			if(term > b) {
				text.AppendPacked(b, int(term - b), int(term - b) - extra);
				first = false;
			}
		}
		int c = byte(*term);
		if(!first && !IsQtfPlain(c))
			return;
		first = false;
		wchar w;
		if(c < 128) {
			term++;
			w = c;
		}
		else if(utf8)
			w = DecodeUtf8();
		else {
			term++;
			w = ToUnicode(c, charset);
		}
		AddChar(w);
	}
}

void RichQtfParser::Verbatim()
{
	term++;
	PlaceWaiting();
	TakeFormat();
	for(;;) {
		int c = byte(*term);
		if(c == 0)
			return;
		if(c == 1) {
			term++;
			return;
		}
		if(c >= 32) {
			const char* b = term;
			while(byte(*term) >= 32)
				term++;
			WString w = ToUnicode(b, int(term - b), charset);
			text.Append(w.Begin(), w.GetLength());
			continue;
		}
		term++;
		if(c == '\n')
			EndPart();
		else if(c == '\t')
			text.Add('\t');
	}
}

void RichQtfParser::FinishStyles()
{
	for(int i = 0; i < styleid.GetCount(); i++) {
		int q = stylenext.Find(styleid.GetKey(i));
		if(q < 0)
			continue;
		int n = styleid.Find(stylenext[q]);
		int s = target.OwnStyles().Find(styleid[i]);
		if(n >= 0 && s >= 0)
			target.style[s].next = styleid[n];
	}
}

String RichQtfParser::ReadNested()
{
	String s;
	for(;;) {
		int c = byte(*term);
		if(c == 0)
			break;
		if(c == '^' && term[1] == '^') {
			term += 2;
			break;
		}
		if(c == '`' && !*++term)
			break;
		s.Cat(*term++);
	}
	return s;
}

void RichQtfParser::Nested(RichTextValue* slot, const String& qtf)
{
	if(qtf.IsEmpty()) {
		if(slot)
			SetHeaderQtf(*slot, qtf);
		return;
	}
	if(depth >= MAX_DEPTH)
		Error(QTF_NESTING_TOO_DEEP);
	struct Restore {
		int depth;
		~Restore() { tDepth = depth; }
	} restore{tDepth};
	tDepth = depth + 1;
	tTooDeep = false;
	if(slot)
		SetHeaderQtf(*slot, qtf);
	else
		ParseQtf(qtf);
	if(tTooDeep) {
		if(slot) // what failed is no header
			SetHeaderQtf(*slot, String());
		Error(QTF_NESTING_TOO_DEEP);
	}
}

void RichQtfParser::Parse(const char* qtf, int accesskey_)
{
	accesskey = accesskey_;
	term = term_begin = term_end = qtf ? qtf : "";
	while(*term)
		if(!Command())
			TextRun();
	CloseAll();
	EndPart();
	FinishStyles();
}

// The command at term, read; false when term starts text.
bool RichQtfParser::Command()
{
	int c = byte(*term);
	int d = byte(term[1]);
	switch(c) {
	case 1:
		Verbatim();
		return true;
	case '$':
		if(d == '$') {
			ReadStyle();
			return true;
		}
		return false;
	case '&':
		term++;
		TakeFormat();
		EndPart();
		return true;
	case '+':
		if(d == '+') {
			term += 2;
			if(InGrid())
				CloseGrid();
			else
				OpenGrid();
			return true;
		}
		return false;
	case '-':
		if(d == '|') {
			term += 2;
			PlaceWaiting();
			TakeFormat();
			text.Add('\t');
			return true;
		}
		if(d == '-') {
			term += 2;
			EndRow();
			return true;
		}
		return false;
	case ':':
		if(d == ':') {
			term += 2;
			NextCell();
			return true;
		}
		return false;
	case '@':
		if(d == '$') {
			term += 2;
			CharCode();
			return true;
		}
		if(d == '@') {
			term += 2;
			ReadObject();
			return true;
		}
		return false;
	case '[':
		term++;
		Flush();
		PushFormat();
		ReadFormat();
		return true;
	case ']':
		term++;
		CloseBlock();
		return true;
	case '`':
	case '\\':
		term++;
		Escaped();
		return true;
	case '^':
		if(d == 'H' || d == 'F') {
			term += 2;
			HeaderFooter(d == 'H');
			return true;
		}
		if(d == '^') {
			term += 2;
			EndPart();
			breakpage = true;
			return true;
		}
		return false;
	case '_':
		term++;
		PlaceWaiting();
		TakeFormat();
		text.Add(0xA0);
		return true;
	case '{':
		if(d == ':') {
			term += 2;
			ReadField();
			return true;
		}
		if(d == '{') {
			term += 2;
			OpenTable();
			return true;
		}
		return false;
	case '|':
		if(d == '|') {
			term += 2;
			EndCell();
			return true;
		}
		return false;
	case '}':
		if(d == '}') {
			term += 2;
			if(InGrid())
				Error("}} in ++ table");
			CloseTable();
			return true;
		}
		return false;
	default:
		if(c < 32) {
			term++;
			return true;
		}
		return false;
	}
}

// "@$" read: a character by its hexadecimal code, ended by ';' or by what is no digit.
void RichQtfParser::CharCode()
{
	uint32 code = 0;
	for(;;) {
		int h = byte(*term);
		int v = h >= '0' && h <= '9' ? h - '0' : h >= 'A' && h <= 'F' ? h - 'A' + 10
		      : h >= 'a' && h <= 'f' ? h - 'a' + 10 : -1;
		if(v < 0)
			break;
		code = code * 16 + v;
		term++;
	}
	if(*term == ';')
		term++;
	if(code >= 32 && code <= 0x10FFFF) {
		PlaceWaiting();
		AddChar(code);
	}
	TakeFormat();
}

// ']' read: the end of a format block.
void RichQtfParser::CloseBlock()
{
	bool empty = text.IsEmpty() && !packed.HasParts();
	Flush();
	if(level == 0)
		Error("Unmatched ']'");
	// An empty paragraph has nothing else to take the format of the block it stands
	// in: without this, the last paragraph of a text or cell would get the previous
	// one's. It is the innermost block opened since the paragraph began.
	if(empty && !istable && !para_took && fstack[level].serial > para_serial) {
		TakeFormat();
		para_took = true;
	}
	PopFormat();
}

// '`' or '\' read: the next character as text; a control character is dropped.
void RichQtfParser::Escaped()
{
	int c = byte(*term);
	if(c == 0)
		return;
	if(c < 32) {
		term++;
		return;
	}
	PlaceWaiting();
	TakeFormat();
	if(c >= 128 && utf8)
		AddChar(DecodeUtf8());
	else {
		term++;
		AddChar(c < 128 ? c : ToUnicode(c, charset));
	}
}

// "^H" or "^F" read: the document's page header or footer, kept only if it reads.
void RichQtfParser::HeaderFooter(bool header)
{
	String s = ReadNested();
	Nested(header ? &target.header : &target.footer, s);
	(header ? target.header_qtf : target.footer_qtf) = s;
}

} // namespace detail

RichText ParseQtf(const char* qtf, int accesskey, void* context)
{
	RichText doc;
	{
		detail::RichQtfParser p(doc, context, tDepth);
		try {
			p.Parse(qtf, accesskey);
		}
		catch(const detail::RichQtfParser::Exc&) {
		}
	}
	return doc;
}

void SetHeaderQtf(RichTextValue& slot, const String& qtf)
{
	slot.Clear();
	if(!qtf.IsEmpty())
		slot.Set(ParseQtf(qtf));
}

} // namespace Qel
