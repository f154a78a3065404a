// The QTF writer: formats as differences (paragraphs against their style, runs against the
// paragraph's style, cells against the previous cell), so ordinary documents stay short. What
// neighbours share and is long (a label, tab stops, a header text, a link) is written once for
// them, so a text written back stays in proportion to the one read.
#include <richtext/qtf/Qtf.h>
#include <richtext/qtf/detail/QtfWriter.h>
#include <richtext/qtf/detail/QtfTables.h>

#include <algorithm>

namespace Qel {

using namespace detail;

namespace {

void sCatUnsigned(String& out, uint32 u)
{
	char b[12];
	char* e = b + sizeof(b);
	char* p = e;
	do
		*--p = char('0' + u % 10);
	while(u /= 10);
	out.Cat(p, int(e - p));
}

void sCatInt(String& out, int v)
{
	if(v < 0)
		out.Cat('-');
	sCatUnsigned(out, v < 0 ? 0u - uint32(v) : uint32(v));
}

bool sIsAlNum(int c)
{
	return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// A text argument: as QtfEscape, but a line feed stays one (after a backtick), since "&" in an
// argument is only an ampersand. A NUL would end the whole text, so it goes.
void sEscapeArg(String& out, const char* s, int len)
{
	for(const char* e = s + len; s < e; s++) {
		int c = byte(*s);
		if(c == 0)
			continue;
		if((c >= 33 && c <= 127 && !sIsAlNum(c)) || c == '\n')
			out.Cat('`');
		out.Cat(c);
	}
}

void sEscapeArg(String& out, const String& s)
{
	sEscapeArg(out, s.Begin(), s.GetLength());
}

// A nested QTF text (header, footer): the reader ends it at the first "^^" and takes a
// backtick as an escape, so backticks are doubled and carets escaped.
void sNested(String& out, const String& qtf)
{
	for(int c : qtf)
		if(c == '`' || c == '^') {
			out.Cat('`');
			out.Cat(c);
		}
		else if(c)
			out.Cat(c);
}

void sCatUtf8(String& out, uint32 c)
{
	if(c < 0x80)
		out.Cat(c);
	else if(c < 0x800) {
		out.Cat(0xC0 | c >> 6);
		out.Cat(0x80 | (c & 0x3F));
	}
	else if(c < 0x10000) {
		out.Cat(0xE0 | c >> 12);
		out.Cat(0x80 | ((c >> 6) & 0x3F));
		out.Cat(0x80 | (c & 0x3F));
	}
	else {
		out.Cat(0xF0 | c >> 18);
		out.Cat(0x80 | ((c >> 12) & 0x3F));
		out.Cat(0x80 | ((c >> 6) & 0x3F));
		out.Cat(0x80 | (c & 0x3F));
	}
}

void sCatCode(String& out, uint32 c)
{
	char b[12];
	static const char hex[] = "0123456789ABCDEF";
	int n = 0;
	do {
		b[n++] = hex[c & 15];
		c >>= 4;
	}
	while(c || n < 4);
	out.Cat("@$");
	while(n)
		out.Cat(b[--n]);
	out.Cat(';');
}

const RichPara::Format& sDefaultFormat()
{
	static const RichPara::Format f;
	return f;
}

void sLineBreak(String& out, int options)
{
	if(options & QTF_OPT_LINE_BREAKS)
		out.Cat("\r\n");
}

bool sSameTabList(const RichPara::TabList& a, const RichPara::TabList& b)
{
	return a == b; // at once when they share the list
}

} // namespace

void QtfColor(String& out, Color c)
{
	if(c.IsNull()) {
		out.Cat('N');
		return;
	}
	Color rgb(c.GetR(), c.GetG(), c.GetB());
	for(int i = 0; i < 10; i++)
		if(QtfDigitColor[i] == rgb) {
			out.Cat('0' + i);
			return;
		}
	out.Cat('(');
	sCatInt(out, rgb.GetR());
	if(rgb.GetR() != rgb.GetG() || rgb.GetG() != rgb.GetB()) {
		out.Cat('.');
		sCatInt(out, rgb.GetG());
		out.Cat('.');
		sCatInt(out, rgb.GetB());
	}
	out.Cat(')');
}

void QtfLanguage(String& out, int lang, int old)
{
	lang = QtfWrittenLanguage(lang);
	if(lang == QtfWrittenLanguage(old))
		return;
	out.Cat('%');
	if(lang == LNG_ENGLISH)
		out.Cat('%');
	else
		QtfCatLanguageCode(out, lang);
}

void QtfNumberCommand(String& out, int letter, int old, int n)
{
	if(old == n)
		return;
	out.Cat(letter);
	sCatInt(out, n);
	out.Cat(';');
}

namespace {

// A character of text as QtfEscape writes it.
void sEscapeChar(String& out, wchar c)
{
	if(c == '\n')
		out.Cat('&');
	else if(c == '\t')
		out.Cat("-|");
	else if(c < 32)
		; // dropped, as the reader would drop it; byte 1 would open a verbatim block
	else if(c < 128) {
		if(c > 32 && !sIsAlNum(c))
			out.Cat('`');
		out.Cat(c);
	}
	else if(IsUtfEscape(c) || c > 0x10FFFF) // the reader refuses these in UTF-8
		sCatCode(out, c);
	else
		sCatUtf8(out, c);
}

} // namespace

void QtfEscape(String& out, const char* s, int len)
{
	for(const char* e = s + len; s < e;) {
		if(byte(*s) < 128) {
			sEscapeChar(out, byte(*s++));
			continue;
		}
		// Bytes beyond ASCII as the characters they are in UTF-8: a byte that is no part of a
		// sequence goes as the character that stands for it, and reads back as that.
		const char* b = s;
		while(s < e && byte(*s) >= 128)
			s++;
		for(wchar c : ToUtf32(b, int(s - b)))
			sEscapeChar(out, c);
	}
}

void QtfCharFormat(String& out, const RichPara::CharFormat& o, const RichPara::CharFormat& n)
{
	if(o.IsBold() != n.IsBold())
		out.Cat('*');
	if(o.IsItalic() != n.IsItalic())
		out.Cat('/');
	if(o.IsUnderline() != n.IsUnderline())
		out.Cat('_');
	if(o.IsStrikeout() != n.IsStrikeout())
		out.Cat('-');
	if(o.IsNonAntiAliased() != n.IsNonAntiAliased())
		out.Cat('T');
	if(o.capitals != n.capitals)
		out.Cat('c');
	if(o.dashed != n.dashed)
		out.Cat('d');
	if(o.sscript != n.sscript)
		out.Cat((n.sscript ? n.sscript : o.sscript) == 1 ? '`' : ',');
	if(o.GetFace() != n.GetFace()) {
		int f = n.GetFace();
		if(f >= 0 && f < 4)
			out.Cat("GRAC"[f]);
		else {
			out.Cat('!');
			sEscapeArg(out, Font::GetFaceName(f));
			out.Cat('!');
		}
	}
	if(o.link != n.link) {
		out.Cat('^');
		sEscapeArg(out, n.link);
		out.Cat('^');
	}
	if(o.indexentry != n.indexentry) {
		out.Cat('I');
		sEscapeArg(out, ToUtf8(n.indexentry));
		out.Cat(';');
	}
	if(o.ink != n.ink) {
		out.Cat('@');
		QtfColor(out, n.ink);
	}
	if(o.paper != n.paper) {
		out.Cat('$');
		QtfColor(out, n.paper);
	}
	int h = n.GetHeight();
	if(o.GetHeight() != h) {
		int d = QtfHeightDigit(h);
		if(d >= 0) {
			if(QtfEndsInDigit(out))
				out.Cat(';');
			out.Cat('0' + d);
		}
		else {
			out.Cat('+');
			sCatInt(out, h);
		}
	}
}

void detail::WriteTabStop(String& out, const RichPara::Tab& t)
{
	out.Cat('~');
	if(t.align == RichPara::RIGHT)
		out.Cat('>');
	else if(t.align == RichPara::CENTER)
		out.Cat('=');
	if(t.fillchar >= 1 && t.fillchar <= 3)
		out.Cat(".-_"[t.fillchar - 1]);
	// a minus here would read as the hyphen fill: a negative position goes as the unsigned
	// number the reader wraps back to it
	sCatUnsigned(out, uint32(t.pos));
}

bool detail::TabsAdded(const RichPara::Format& o, const RichPara::Format& n)
{
	int k = o.tab.GetCount();
	return k && k < n.tab.GetCount() && std::equal(o.tab.begin(), o.tab.end(), n.tab.begin());
}

bool detail::QtfStopBudget::Take(const String& out, int64 stops)
{
	const char* b = out.Begin();
	breaks += std::count(b + scanned, b + out.GetLength(), '\r');
	scanned = out.GetLength();
	// a line break is two bytes a reader may not see, and a bare label loses its first bytes
	int64 read = max<int64>(0, scanned - start - 2 * breaks - 16);
	if(copied + stops > 3 * read + 65536)
		return false;
	copied += stops;
	return true;
}

void QtfParaFormat(String& out, const RichPara::Format& o, const RichPara::Format& n)
{
	WriteParaFormat(out, o, n, false);
}

void detail::WriteParaFormat(String& out, const RichPara::Format& o, const RichPara::Format& n, bool add_stops)
{
	if(o.align != n.align && n.align >= 1 && n.align <= 4)
		out.Cat("<>=#"[n.align - 1]);
	QtfNumberCommand(out, 'l', o.lm, n.lm);
	QtfNumberCommand(out, 'r', o.rm, n.rm);
	QtfNumberCommand(out, 'i', o.indent, n.indent);
	QtfNumberCommand(out, 'H', o.ruler, n.ruler);
	if(o.rulerink != n.rulerink) {
		out.Cat('h');
		QtfColor(out, n.rulerink);
	}
	QtfNumberCommand(out, 'L', o.rulerstyle, n.rulerstyle);
	QtfNumberCommand(out, 'b', o.before, n.before);
	QtfNumberCommand(out, 'a', o.after, n.after);
	if(o.newpage != n.newpage)
		out.Cat('P');
	if(o.fflag != n.fflag)
		out.Cat('F');
	if(o.keep != n.keep)
		out.Cat('k');
	if(o.keepnext != n.keepnext)
		out.Cat('K');
	if(o.orphan != n.orphan)
		out.Cat('Q');
	if(o.linespacing != n.linespacing)
		out.Cat(QtfLineSpacingCode(n.linespacing));
	if(o.bullet != n.bullet) {
		out.Cat('O');
		out.Cat(QtfBulletChar(n.bullet));
		out.Cat(';');
	}
	if(o.label != n.label) { // "::" clears it
		out.Cat(':');
		sEscapeArg(out, n.label);
		out.Cat(':');
	}
	// "tP" sets the texts whenever it is read, so they are written when they are what differs;
	// "tp" turns off a header in force (the texts of a paragraph without one are not read)
	if(o.newhdrftr && !n.newhdrftr)
		out.Cat("tp");
	else if(o.newhdrftr != n.newhdrftr ||
	        (n.newhdrftr && (o.header_qtf != n.header_qtf || o.footer_qtf != n.footer_qtf))) {
		out.Cat("tP");
		sNested(out, n.header_qtf);
		out.Cat("^^");
		sNested(out, n.footer_qtf);
		out.Cat("^^");
	}
	if(!SameNumbering(o, n)) {
		if(o.before_number != n.before_number) {
			out.Cat('n');
			sEscapeArg(out, n.before_number);
			out.Cat(';');
		}
		if(o.after_number != n.after_number) {
			out.Cat('m');
			sEscapeArg(out, n.after_number);
			out.Cat(';');
		}
		out.Cat('N');
		int last = 7;
		while(last >= 0 && !n.number[last])
			last--;
		for(int i = 0; i <= last; i++)
			out.Cat(QtfNumberChar(n.number[i]));
		out.Cat(n.reset_number ? '!' : ';');
	}
	QtfNumberCommand(out, 't', o.tabsize, n.tabsize);
	if(add_stops) { // stops in force and more: the more only
		for(int i = o.tab.GetCount(); i < n.tab.GetCount(); i++)
			WriteTabStop(out, n.tab[i]);
		out.Cat(';');
	}
	else if(!sSameTabList(o.tab, n.tab)) {
		out.Cat("~~");
		for(const RichPara::Tab& t : n.tab)
			WriteTabStop(out, t);
		if(n.tab.GetCount())
			out.Cat(';');
	}
}

namespace {

// True when the object ends in its text data's closing backtick: a backtick right after that
// would read as one of the data (a line break between is left out of account, so that a text is
// written alike with line breaks and without).
bool sObject(String& out, const RichObject& o, int options)
{
	sLineBreak(out, options);
	const RichObjectType* type = o.GetType();
	out.Cat("@@");
	// letters, digits and "_" as they are, any other byte after a backtick; a NUL would end the
	// text, so it goes
	for(int c : type ? type->GetTypeName(o.GetData()) : o.GetTypeName())
		if(c) {
			if(!sIsAlNum(c) && c != '_')
				out.Cat('`');
			out.Cat(c);
		}
	out.Cat(':');
	Size sz = o.GetSize();
	sCatInt(out, sz.cx);
	out.Cat(o.IsKeepRatio() ? '&' : '*');
	sCatInt(out, sz.cy);
	if(o.GetYDelta()) {
		out.Cat('/');
		sCatInt(out, o.GetYDelta());
	}
	String data = type ? type->Write(o.GetData()) : o.GetData().ToString();
	// a NUL would end the text: such data goes in the binary form
	bool text = type && type->IsText() && data.Find('\0') < 0;
	if(text) {
		out.Cat('`');
		for(int c : data) {
			if(c == '`')
				out.Cat('`');
			out.Cat(c);
		}
		out.Cat('`');
	}
	else {
		sLineBreak(out, options);
		out.Cat('(');
		out.Cat(Base64Encode(data));
		out.Cat(')');
	}
	sLineBreak(out, options);
	return text;
}

// after_data: the text follows an object's text data, which a backtick would continue.
void sText(String& out, const WString& text, bool colon_follows, bool after_data, int charset, int options,
           int& line_start)
{
	const wchar* s = text.Begin();
	int n = text.GetLength();
	bool breaks = options & QTF_OPT_LINE_BREAKS;
	for(int i = 0; i < n; i++) {
		if(!breaks && s[i] < 128 && IsQtfPlain(s[i])) { // a run of plain text at once
			char buf[128];
			int k = 0;
			do
				buf[k++] = char(s[i++]);
			while(i < n && k < 128 && s[i] < 128 && IsQtfPlain(s[i]));
			out.Cat(buf, k);
			if(i == n)
				break;
		}
		wchar c = s[i];
		if(c < 128) {
			if(IsQtfPlain(c))
				out.Cat(c);
			else if(c == ':' && (i + 1 < n ? s[i + 1] != ':' : !colon_follows))
				out.Cat(':');
			else if(c == '\t')
				out.Cat("-|");
			else {
				if(i == 0 && after_data)
					out.Cat("@$;"); // a character of no code: nothing, but the data ends
				out.Cat('`');
				out.Cat(c);
			}
		}
		else if(c == 0xA0)
			out.Cat('_');
		else if(charset == CHARSET_UTF8) {
			// the reader refuses these in UTF-8
			if((c >= 0xEE00 && c <= 0xEEFF) || c > 0x10FFFF)
				sCatCode(out, c);
			else
				sCatUtf8(out, c);
		}
		else {
			int b = FromUnicode(c, charset, 0);
			if(b >= 128 && ToUnicode(b, charset) == int(c))
				out.Cat(b);
			else
				sCatCode(out, c);
		}
		if(breaks) {
			int len = out.GetLength() - line_start;
			if((c == ' ' && len >= 61) || len > 80) {
				out.Cat("\r\n");
				line_start = out.GetLength();
			}
		}
	}
}

} // namespace

namespace {

// A link or an index entry is long and mostly spans runs of several formats (a bold word in
// a link): the link most stretches of runs have is written once in the paragraph's format,
// and a stretch of runs under another one once in a block around them, not in every run.
// The base's own link, when it has one (set by a block around neighbours), holds unless
// another one weighs more, or always when fixed. Runs are written against cb; grp[i] is the
// first run of run i's stretch when the stretch has a block, else -1.
void sLinkStretches(const RichPara& p, const RichPara::CharFormat& base, RichPara::CharFormat& cb, Vector<int>& grp,
                    bool fixed)
{
	int n = p.part.GetCount();
	grp.Clear();
	grp.SetCount(n, -1);
	bool any = false;
	for(const RichPara::Part& q : p.part)
		if(!SameLink(q.format, base)) {
			any = true;
			break;
		}
	if(!any)
		return;
	Vector<int> start;
	for(int i = 0; i < n; i++)
		if(i == 0 || !SameLink(p.part[i].format, p.part[i - 1].format))
			start.Add(i);
	// the link of most stretches, by what restating it would cost
	VectorMap<String, int> count;
	int base_count = 0;
	for(int i : start) {
		const RichPara::CharFormat& f = p.part[i].format;
		if(SameLink(f, base))
			base_count++;
		else
			count.GetAdd(LinkKey(f), 0)++;
	}
	int64 best = HasLink(base) ? int64(base_count) * LinkKey(base).GetLength() : 0;
	int   best_at = -1;
	for(int i : start) {
		const RichPara::CharFormat& f = p.part[i].format;
		if(SameLink(f, base))
			continue;
		String key = LinkKey(f);
		int c = count.Get(key);
		int64 w = int64(c) * key.GetLength();
		if(c >= 2 && w > best) {
			best = w;
			best_at = i;
		}
	}
	if(best_at >= 0 && !fixed) {
		cb.link = p.part[best_at].format.link;
		cb.indexentry = p.part[best_at].format.indexentry;
	}
	start.Add(n);
	for(int k = 0; k + 1 < start.GetCount(); k++) {
		int b = start[k];
		int e = start[k + 1];
		if(SameLink(p.part[b].format, cb))
			continue;
		for(int i = b + 1; i < e; i++)
			if(!SameReadFormat(p.part[i].format, p.part[b].format)) { // more than one block
				for(int j = b; j < e; j++)
					grp[j] = b;
				break;
			}
	}
}

} // namespace

bool detail::SameReadFormat(const RichPara::CharFormat& a, const RichPara::CharFormat& b, int blang)
{
	return (a.language == blang || QtfWrittenLanguage(a.language) == QtfWrittenLanguage(blang)) &&
	       SameCharFormatButLanguage(a, b);
}

void detail::WriteParagraph(String& out, const RichPara& p, const RichPara::Format& parabase,
                            const RichPara::Format& base, int language, int charset, int options,
                            QtfParaEnd end, QtfStopBudget* stops)
{
	int line_start = out.GetLength();
	WriteParaFormat(out, parabase, p.format, AddStops(stops, out, parabase, p.format));
	RichPara::CharFormat cb = base;
	Vector<int> grp;
	sLinkStretches(p, base, cb, grp, false);
	int plang;
	// The mark (the paragraph's own character format) is what the reader takes at the "&" that
	// ends the paragraph, or at its last run when nothing ends it. Where that is not the mark,
	// the mark is the format of the paragraph's block, and the runs are written against it.
	bool mark = p.part.IsEmpty();
	if(!mark) {
		const RichPara::CharFormat& pm = p.format;
		mark = (end != QtfParaEnd::LAST && !SameReadFormat(pm, cb, p.part.Top().format.language)) ||
		       (end != QtfParaEnd::AMPERSAND && !SameReadFormat(pm, p.part.Top().format));
		if(mark) {
			cb = pm;
			sLinkStretches(p, cb, cb, grp, true);
		}
	}
	if(mark) {
		QtfCharFormat(out, base, p.format);
		plang = p.format.language;
	}
	else {
		QtfCharFormat(out, base, cb);
		plang = p.part.Top().format.language;
	}
	QtfLanguage(out, plang, language);
	out.Cat(' ');
	// Each run's format against the base; neighbours of the same format share one block, as
	// the reader would join them anyway.
	auto group_format = [&](int g) {
		RichPara::CharFormat f = cb;
		f.link = p.part[g].format.link;
		f.indexentry = p.part[g].format.indexentry;
		return f;
	};
	Vector<String> fmt;
	fmt.SetCount(p.part.GetCount());
	for(int i = 0; i < p.part.GetCount(); i++) {
		QtfLanguage(fmt[i], p.part[i].format.language, plang);
		QtfCharFormat(fmt[i], grp[i] >= 0 ? group_format(grp[i]) : cb, p.part[i].format);
	}
	const String* open = nullptr;
	int open_grp = -1;
	int data_end = -1; // where the text data of an object ended
	for(int i = 0; i < p.part.GetCount(); i++) {
		const RichPara::Part& part = p.part[i];
		if(grp[i] != open_grp) {
			if(open && !open->IsEmpty())
				out.Cat(']');
			open = nullptr;
			if(open_grp >= 0)
				out.Cat(']');
			open_grp = grp[i];
			if(open_grp >= 0) {
				out.Cat('[');
				QtfCharFormat(out, cb, group_format(open_grp));
				out.Cat(' ');
			}
		}
		if(!open || fmt[i] != *open) {
			if(open && !open->IsEmpty())
				out.Cat(']');
			if(!fmt[i].IsEmpty()) {
				out.Cat('[');
				out.Cat(fmt[i]);
				out.Cat(' ');
			}
			open = &fmt[i];
		}
		if(part.IsField()) {
			sLineBreak(out, options);
			out.Cat("{:");
			sEscapeArg(out, part.field);
			out.Cat(':');
			sEscapeArg(out, part.fieldparam);
			out.Cat(":}");
			sLineBreak(out, options);
		}
		else if(part.IsObject()) {
			if(sObject(out, part.object, options))
				data_end = out.GetLength();
		}
		else {
			// a ":" ending the run is followed by the next run's text when that goes in the
			// same block; "::" would end a table cell
			bool colon_follows = false;
			if(i + 1 < p.part.GetCount()) {
				const RichPara::Part& next = p.part[i + 1];
				colon_follows = fmt[i + 1] == fmt[i] && grp[i + 1] == grp[i] && !next.IsField() &&
				                !next.IsObject() && next.text.GetLength() && next.text[0] == ':';
			}
			sText(out, part.text, colon_follows, out.GetLength() == data_end, charset, options, line_start);
		}
	}
	bool in_block = (open && !open->IsEmpty()) || open_grp >= 0;
	if(open && !open->IsEmpty())
		out.Cat(']');
	if(open_grp >= 0)
		out.Cat(']');
	// a character of no code: nothing, but the paragraph takes the format in force, its mark
	if(in_block && mark && end != QtfParaEnd::AMPERSAND)
		out.Cat("@$;");
}

void QtfParagraph(String& out, const RichPara& p, const RichPara::Format& base, int language,
                  int charset, int options)
{
	WriteParagraph(out, p, base, base, language, charset, options, QtfParaEnd::EITHER);
}

void detail::WriteTable(String& out, const RichTable& t, const ArrayMap<Uuid, RichStyle>& styles,
                        const Index<Uuid>& style_index, int language, int charset, int options,
                        const QtfOuterFormat* outer)
{
	static const RichTable::Format def_table;
	static const RichCell::Format def_cell;
	const RichTable::Format& f = t.format;
	out.Cat("{{");
	for(int i = 0; i < f.column_widths.GetCount(); i++) {
		if(i)
			out.Cat(':');
		if(!IsNull(f.column_widths[i]))
			sCatInt(out, f.column_widths[i]);
	}
	QtfNumberCommand(out, '<', def_table.left_margin, f.left_margin);
	QtfNumberCommand(out, '>', def_table.right_margin, f.right_margin);
	QtfNumberCommand(out, 'B', def_table.before, f.before);
	QtfNumberCommand(out, 'A', def_table.after, f.after);
	QtfNumberCommand(out, 'f', def_table.frame_width, f.frame_width);
	if(f.keep)
		out.Cat('K');
	if(f.new_page)
		out.Cat('P');
	if(f.new_header_footer) {
		out.Cat('T');
		sNested(out, f.header_qtf);
		out.Cat("^^");
		sNested(out, f.footer_qtf);
		out.Cat("^^");
	}
	if(f.frame_color != def_table.frame_color) {
		out.Cat('F');
		QtfColor(out, f.frame_color);
	}
	QtfNumberCommand(out, 'g', def_table.grid_width, f.grid_width);
	if(f.grid_color != def_table.grid_color) {
		out.Cat('G');
		QtfColor(out, f.grid_color);
	}
	QtfNumberCommand(out, 'h', def_table.header_rows, f.header_rows);
	// Without styles a covered cell, which the reader resets whatever it holds, is written as the
	// same empty paragraph: its own, empty in the style under the zero key, has that style's
	// format, which is not written.
	const RichCell::Format* prev = &def_cell;
	bool first = true;
	for(int r = 0; r < t.GetRows(); r++)
		for(int k = 0; k < t.cell[r].GetCount(); k++) {
			const RichCell& cell = t.cell[r][k];
			if(!first) {
				sLineBreak(out, options);
				out.Cat("::");
			}
			first = false;
			const RichCell::Format& c = cell.format;
			if(c.valign != prev->valign)
				out.Cat(c.valign == 1 ? '^' : c.valign == 2 ? 'v' : '=');
			auto side = [&](int letter, int b, int pb, int m, int pm) {
				if(b == pb && m == pm)
					return;
				out.Cat(letter);
				if(b != pb)
					sCatInt(out, b);
				out.Cat('/');
				sCatInt(out, m);
			};
			side('l', c.border.left, prev->border.left, c.margin.left, prev->margin.left);
			side('r', c.border.right, prev->border.right, c.margin.right, prev->margin.right);
			side('t', c.border.top, prev->border.top, c.margin.top, prev->margin.top);
			side('b', c.border.bottom, prev->border.bottom, c.margin.bottom, prev->margin.bottom);
			QtfNumberCommand(out, 'H', prev->min_height, c.min_height);
			if(c.color != prev->color) {
				out.Cat('@');
				QtfColor(out, c.color);
			}
			if(c.border_color != prev->border_color) {
				out.Cat('R');
				QtfColor(out, c.border_color);
			}
			if(cell.hspan) {
				out.Cat('-');
				sCatInt(out, cell.hspan);
			}
			if(cell.vspan) {
				out.Cat('|');
				sCatInt(out, cell.vspan);
			}
			if(c.keep)
				out.Cat('k');
			if(c.round)
				out.Cat('o');
			out.Cat(' ');
			if((options & QTF_OPT_NO_STYLES) && t.IsCovered(r, k))
				out.Cat("[ ]");
			else
				WriteParts(out, cell.text, styles, style_index, language, charset, options, outer);
			prev = &c;
		}
	out.Cat("}}");
}

String AsQTF(const RichText& text, int charset, int options)
{
	String out;
	if(!text.header_qtf.IsEmpty()) {
		out.Cat("^H");
		sNested(out, text.header_qtf);
		out.Cat("^^\r\n");
	}
	if(!text.footer_qtf.IsEmpty()) {
		out.Cat("^F");
		sNested(out, text.footer_qtf);
		out.Cat("^^\r\n");
	}
	const ArrayMap<Uuid, RichStyle>& styles = text.GetStyles();
	Index<Uuid> style_index;
	for(int i = 0; i < styles.GetCount(); i++)
		style_index.Add(styles.GetKey(i));
	if(!(options & QTF_OPT_NO_STYLES))
		for(int k = 1; k <= styles.GetCount(); k++) {
			int i = k % styles.GetCount(); // the style under index 0 last
			const RichStyle& s = styles[i];
			out.Cat('[');
			QtfParaFormat(out, sDefaultFormat(), s.format);
			QtfCharFormat(out, sDefaultFormat(), s.format);
			out.Cat(" $$");
			sCatInt(out, i);
			out.Cat(',');
			sCatInt(out, max(style_index.Find(s.next), 0));
			out.Cat('#');
			out.Cat(styles.GetKey(i).ToString());
			out.Cat(':');
			sEscapeArg(out, s.name);
			out.Cat(']');
			sLineBreak(out, options);
		}
	if(!(options & QTF_OPT_BODY) || text.GetPartCount() == 0)
		return out;

	// The most frequent language of the first paragraphs, the first met on a tie. A paragraph's
	// language is the one it is written with (that of its last part, if it has parts), which
	// is what reading it back gives.
	VectorMap<int, int> count;
	for(int i = 0; i < min(text.GetPartCount(), 30); i++)
		if(text.IsPara(i)) {
			RichPara p = text.Get(i, styles);
			count.GetAdd(QtfWrittenLanguage(p.part.GetCount() ? p.part.Top().format.language : p.format.language), 0)++;
		}
	int language = 0;
	int best = 0;
	for(int i = 0; i < count.GetCount(); i++)
		if(count[i] > best) {
			best = count[i];
			language = count.GetKey(i);
		}

	int body = out.GetLength();
	// the text and a little for formats: growing a large result step by step copies it over
	out.Reserve(int(min<int64>(INT_MAX / 2, text.GetLength() + int64(text.GetLength()) / 4 + 16 * text.GetPartCount())));
	out.Cat('[');
	if(!(options & QTF_OPT_NO_CHARSET)) {
		out.Cat('{');
		out.Cat(QtfCharsetCode(charset));
		out.Cat('}');
	}
	if(!(options & QTF_OPT_NO_LANGUAGE) && language) {
		out.Cat('%');
		QtfCatLanguageCode(out, language);
	}
	out.Cat(' ');
	sLineBreak(out, options);
	QtfParts(out, text, styles, style_index, language, charset, options);
	out.Cat(']');

	// Bare text for labels: "[ " ... "]" goes while the opening bracket is the one the final
	// one closes. That is the body's own pair, and then the part list's when it holds a single
	// part; with more parts the list's first bracket closes at the first "&]".
	if((options & QTF_OPT_NO_STYLES) && body == 0) {
		int pairs = text.GetPartCount() == 1 ? 2 : 1;
		while(pairs-- && out.StartsWith("[ ") && out.EndsWith("]"))
			out = out.Mid(2, out.GetLength() - 3);
	}
	return out;
}

} // namespace Qel
