// The packed paragraph: a 32-bit mask of the format fields that differ from the style, those
// fields, then the parts stream: text in UTF-8 between codes that change the running character
// format, fields (3) with their own nested stream, objects (31) numbered in stream order. A
// packer that may sets long links and index entries aside as well, numbered the same way.
#include <richtext/para/RichPara.h>
#include <richtext/para/detail/PackedForm.h>

#include <type_traits>

namespace Qel {

namespace {

// Bits of the mask, in the order their values follow it.
enum {
	PACK_ALIGN, PACK_BEFORE, PACK_LM, PACK_INDENT, PACK_RM, PACK_AFTER, PACK_BULLET, PACK_KEEP,
	PACK_NEWPAGE, PACK_TABSIZE, PACK_LABEL, PACK_KEEPNEXT, PACK_ORPHAN, PACK_NUMBERING,
	PACK_LINESPACING, PACK_TABS, PACK_RULER, PACK_RULERINK, PACK_RULERSTYLE, PACK_NEWHDRFTR,
	PACK_FFLAG,
};

} // namespace

namespace detail {

bool StoresLongFields(const String& head)
{
	constexpr dword LONG_FIELDS = (1 << PACK_LABEL) | (1 << PACK_NUMBERING) | (1 << PACK_TABS) | (1 << PACK_NEWHDRFTR);
	dword mask = 0;
	if(head.GetLength() >= 4)
		memcpy(&mask, head.Begin(), 4);
	return mask & LONG_FIELDS;
}

} // namespace detail

namespace {

// A 16-bit field keeps its two bytes for 0..65534; anything else follows 0xFFFF as an int32.
void sPut16(Stream& out, int v)
{
	if(v >= 0 && v <= 65534)
		out.Put16le(word(v));
	else {
		out.Put16le(0xFFFF);
		out.Put32le(dword(v));
	}
}

// Face and height, where 0xFFFF means "as the style": other values past 65533 follow 0xFFFE.
void sPutFont16(Stream& out, int v)
{
	if(v >= 0 && v <= 65533)
		out.Put16le(word(v));
	else {
		out.Put16le(0xFFFE);
		out.Put32le(dword(v));
	}
}

void sPutString(Stream& out, const String& s)
{
	String t = s;
	out.Serialize(t);
}

void sPutWString(Stream& out, const WString& s)
{
	WString t = s;
	out.Serialize(t);
}

// A link or index entry under its code: a long one set aside (when there is a list for it) and
// named by the code after PACKED_ASIDE, a short one written in place.
template <class Text>
void sPutText(Stream& out, int code, const Text& t, Vector<Text>* aside)
{
	if(aside && t.GetLength() > detail::PACK_ASIDE_LONGER) {
		out.Put(detail::PACKED_ASIDE);
		out.Put(code);
		aside->Add(t);
		return;
	}
	out.Put(code);
	if constexpr(std::is_same_v<Text, String>)
		sPutString(out, t);
	else
		sPutWString(out, t);
}

// 3-way flag codes: on / off when the new value differs from the style's, else "as style".
void sPutFlag(Stream& out, bool o, bool n, bool s, int off, int on, int as_style)
{
	if(o != n)
		out.Put(n == s ? as_style : n ? on : off);
}

// The tab stops the form keeps: those with a position.
bool sSameTabs(const RichPara::TabList& tab, const RichPara::TabList& style)
{
	int i = 0;
	for(const RichPara::Tab& t : tab)
		if(!IsNull(t.pos) && (i >= style.GetCount() || !(style[i++] == t)))
			return false;
	return i == style.GetCount();
}

void sPackFormat(Stream& out, const RichPara::Format& f, const RichPara::Format& s)
{
	dword mask = 0;
	auto bit = [&](int i, bool differs) { if(differs) mask |= dword(1) << i; };
	bit(PACK_ALIGN, f.align != s.align);
	bit(PACK_BEFORE, f.before != s.before);
	bit(PACK_LM, f.lm != s.lm);
	bit(PACK_INDENT, f.indent != s.indent);
	bit(PACK_RM, f.rm != s.rm);
	bit(PACK_AFTER, f.after != s.after);
	bit(PACK_BULLET, f.bullet != s.bullet);
	bit(PACK_KEEP, f.keep != s.keep);
	bit(PACK_NEWPAGE, f.newpage != s.newpage);
	bit(PACK_TABSIZE, f.tabsize != s.tabsize);
	bit(PACK_LABEL, !f.label.IsEmpty());
	bit(PACK_KEEPNEXT, f.keepnext != s.keepnext);
	bit(PACK_ORPHAN, f.orphan != s.orphan);
	bit(PACK_NUMBERING, !SameNumbering(f, s));
	bit(PACK_LINESPACING, f.linespacing != s.linespacing);
	// Stops without a position are not stored, so they make no difference either.
	bit(PACK_TABS, !sSameTabs(f.tab, s.tab));
	bit(PACK_RULER, f.ruler != s.ruler);
	bit(PACK_RULERINK, f.rulerink != s.rulerink);
	bit(PACK_RULERSTYLE, f.rulerstyle != s.rulerstyle);
	// The header and footer texts count as well when both start them: they would be lost.
	bit(PACK_NEWHDRFTR, f.newhdrftr != s.newhdrftr ||
	                    (f.newhdrftr && (f.header_qtf != s.header_qtf || f.footer_qtf != s.footer_qtf)));
	bit(PACK_FFLAG, f.fflag != s.fflag);

	out.Put32le(mask);
	auto has = [&](int i) { return mask & (dword(1) << i); };
	if(has(PACK_ALIGN))
		sPut16(out, f.align);
	if(has(PACK_BEFORE))
		sPut16(out, f.before);
	if(has(PACK_LM))
		sPut16(out, f.lm);
	if(has(PACK_INDENT))
		sPut16(out, f.indent);
	if(has(PACK_RM))
		sPut16(out, f.rm);
	if(has(PACK_AFTER))
		sPut16(out, f.after);
	if(has(PACK_BULLET))
		sPut16(out, f.bullet);
	if(has(PACK_KEEP))
		out.Put(f.keep);
	if(has(PACK_NEWPAGE))
		out.Put(f.newpage);
	if(has(PACK_TABSIZE))
		sPut16(out, f.tabsize);
	if(has(PACK_LABEL))
		sPutString(out, f.label);
	if(has(PACK_KEEPNEXT))
		out.Put(f.keepnext);
	if(has(PACK_ORPHAN))
		out.Put(f.orphan);
	if(has(PACK_NUMBERING)) {
		sPutString(out, f.before_number);
		sPutString(out, f.after_number);
		out.Put(f.reset_number);
		out.Put(f.number, 8);
	}
	if(has(PACK_LINESPACING))
		out.Put(byte(f.linespacing));
	if(has(PACK_TABS)) {
		int n = 0;
		for(const RichPara::Tab& t : f.tab)
			n += !IsNull(t.pos);
		// The count has 16 bits: stops past the first 65535 are not kept.
		n = min(n, 65535);
		out.Put16le(word(n));
		for(const RichPara::Tab& t : f.tab)
			if(!IsNull(t.pos) && n-- > 0) {
				out.Put32le(dword(t.pos));
				out.Put(t.align);
				out.Put(t.fillchar);
			}
	}
	if(has(PACK_RULER))
		sPut16(out, f.ruler);
	if(has(PACK_RULERINK))
		out.Put32le(f.rulerink.GetRaw());
	if(has(PACK_RULERSTYLE))
		sPut16(out, f.rulerstyle);
	if(has(PACK_NEWHDRFTR)) {
		out.Put(f.newhdrftr);
		if(f.newhdrftr) {
			sPutString(out, f.header_qtf);
			sPutString(out, f.footer_qtf);
		}
	}
	if(has(PACK_FFLAG))
		out.Put(f.fflag);
}

} // namespace

void RichPara::PackFormat(Stream& out, const Format& f, const Format& style)
{
	sPackFormat(out, f, style);
}

void RichPara::PackCharFormat(Stream& out, const CharFormat& o, const CharFormat& n, const CharFormat& s,
                              Aside* aside)
{
	// Runs mostly differ in bold, italic, underline or strikeout only: what the rest would
	// write is nothing then.
	const uint64 styles = uint64(Font::BOLD | Font::ITALIC | Font::UNDERLINE | Font::STRIKEOUT) << 16;
	if(!((uint64(o.AsInt64()) ^ uint64(n.AsInt64())) & ~styles) && o.language == n.language &&
	   o.ink == n.ink && o.paper == n.paper && o.sscript == n.sscript && o.capitals == n.capitals &&
	   o.dashed == n.dashed && o.link == n.link && o.indexentry == n.indexentry) {
		sPutFlag(out, o.IsBold(), n.IsBold(), s.IsBold(), 12, 13, 14);
		sPutFlag(out, o.IsItalic(), n.IsItalic(), s.IsItalic(), 15, 16, 17);
		sPutFlag(out, o.IsUnderline(), n.IsUnderline(), s.IsUnderline(), 18, 19, 20);
		sPutFlag(out, o.IsStrikeout(), n.IsStrikeout(), s.IsStrikeout(), 24, 25, 26);
		return;
	}
	sPutFlag(out, o.IsBold(), n.IsBold(), s.IsBold(), 12, 13, 14);
	sPutFlag(out, o.IsItalic(), n.IsItalic(), s.IsItalic(), 15, 16, 17);
	sPutFlag(out, o.IsUnderline(), n.IsUnderline(), s.IsUnderline(), 18, 19, 20);
	sPutFlag(out, o.IsStrikeout(), n.IsStrikeout(), s.IsStrikeout(), 24, 25, 26);
	if(o.IsNonAntiAliased() != n.IsNonAntiAliased()) {
		out.Put(30);
		out.Put(n.IsNonAntiAliased() == s.IsNonAntiAliased() ? 3 : n.IsNonAntiAliased() ? 2 : 1);
	}
	sPutFlag(out, o.capitals, n.capitals, s.capitals, 21, 22, 23);
	sPutFlag(out, o.dashed, n.dashed, s.dashed, 27, 28, 29);
	if(o.sscript != n.sscript) {
		out.Put(11);
		out.Put(n.sscript);
	}
	if(o.GetFace() != n.GetFace()) {
		out.Put(4);
		if(n.GetFace() == s.GetFace())
			out.Put16le(0xFFFF);
		else
			sPutFont16(out, n.GetFace());
	}
	int nh = n.GetHeight();
	if(o.GetHeight() != nh) {
		out.Put(5);
		if(nh == s.GetHeight())
			out.Put16le(0xFFFF);
		else
			sPutFont16(out, nh);
	}
	if(o.link != n.link)
		sPutText(out, detail::PACKED_LINK, n.link, aside ? &aside->link : nullptr);
	if(o.ink != n.ink) {
		out.Put(7);
		out.Put32le(n.ink.GetRaw());
	}
	if(o.paper != n.paper) {
		out.Put(8);
		out.Put32le(n.paper.GetRaw());
	}
	if(o.language != n.language) {
		out.Put(6);
		out.Put32le(dword(n.language));
	}
	if(o.indexentry != n.indexentry)
		sPutText(out, detail::PACKED_INDEX, n.indexentry, aside ? &aside->index : nullptr);
}

void RichPara::PackParts(Stream& out, const CharFormat& chrstyle, const Array<Part>& part,
                         CharFormat& cf, Array<RichObject>& obj, Aside* aside)
{
	StringBuffer text;
	for(const Part& p : part) {
		PackCharFormat(out, cf, p.format, chrstyle, aside);
		cf = p.format;
		if(p.IsField()) {
			out.Put(detail::PACKED_FIELD);
			sPutString(out, p.field);
			sPutString(out, p.fieldparam);
			StringStream content;
			CharFormat fcf = cf;
			PackParts(content, chrstyle, p.fieldpart, fcf, obj, aside);
			sPutString(out, content.GetResult());
		}
		else if(!p.object.IsNull()) {
			out.Put(detail::PACKED_OBJECT);
			obj.Add(p.object);
		}
		else {
			text.Clear();
			detail::PackText(text, p.text.Begin(), p.text.GetLength());
			out.Put(text.Begin(), text.GetLength());
		}
	}
}

String RichPara::Pack(const Format& style, Array<RichObject>& obj, Aside* aside) const
{
	obj.Clear();
	if(aside)
		*aside = Aside();
	StringStream out;
	sPackFormat(out, format, style);
	CharFormat cf = style;
	PackParts(out, style, part, cf, obj, aside);
	// The paragraph's own character format (that of its mark) ends the stream, after the
	// parts as well: unpacking takes the last running format as it, and without these codes
	// a paragraph unpacked and packed again would lose it.
	PackCharFormat(out, cf, format, style, aside);
	return out.GetResult();
}

} // namespace Qel
