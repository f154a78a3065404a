// Documents compared part by part, as the QTF round trip must keep them: texts, character and
// paragraph formats, fields, objects (type, size, written data), tables with their formats and
// spans, styles, headers. A style key a document lacks counts as the zero key, which is what
// such a paragraph is written against. Shared by the tests and the round-trip fuzz target.
#pragma once

#include <richtext/RichText.h>

#include <string>

namespace QelTest {

using namespace Qel;

namespace detail {

struct QtfComparer {
	std::string where;
	std::string diff;

	bool Fail(const std::string& what)
	{
		if(diff.empty())
			diff = where + ": " + what;
		return false;
	}

	template <class T>
	bool Eq(const char* name, const T& a, const T& b)
	{
		return a == b || Fail(name);
	}

	bool Char(const RichPara::CharFormat& a, const RichPara::CharFormat& b)
	{
		return Eq("face", a.GetFace(), b.GetFace()) && Eq("height", a.GetHeight(), b.GetHeight()) &&
		       Eq("bold", a.IsBold(), b.IsBold()) && Eq("italic", a.IsItalic(), b.IsItalic()) &&
		       Eq("underline", a.IsUnderline(), b.IsUnderline()) &&
		       Eq("strikeout", a.IsStrikeout(), b.IsStrikeout()) &&
		       Eq("noaa", a.IsNonAntiAliased(), b.IsNonAntiAliased()) &&
		       Eq("language", a.language, b.language) && Eq("ink", a.ink, b.ink) &&
		       Eq("paper", a.paper, b.paper) && Eq("link", a.link, b.link) &&
		       Eq("indexentry", a.indexentry, b.indexentry) && Eq("sscript", int(a.sscript), int(b.sscript)) &&
		       Eq("capitals", a.capitals, b.capitals) && Eq("dashed", a.dashed, b.dashed);
	}

	bool Para(const RichPara::Format& a, const RichPara::Format& b)
	{
		bool ok = Eq("align", a.align, b.align) && Eq("ruler", a.ruler, b.ruler) &&
		          Eq("before", a.before, b.before) && Eq("lm", a.lm, b.lm) &&
		          Eq("indent", a.indent, b.indent) && Eq("rm", a.rm, b.rm) && Eq("after", a.after, b.after) &&
		          Eq("rulerink", a.rulerink, b.rulerink) && Eq("rulerstyle", a.rulerstyle, b.rulerstyle) &&
		          Eq("tabsize", a.tabsize, b.tabsize) && Eq("bullet", a.bullet, b.bullet) &&
		          Eq("linespacing", a.linespacing, b.linespacing) && Eq("newpage", a.newpage, b.newpage) &&
		          Eq("fflag", a.fflag, b.fflag) && Eq("keep", a.keep, b.keep) &&
		          Eq("keepnext", a.keepnext, b.keepnext) && Eq("orphan", a.orphan, b.orphan) &&
		          Eq("newhdrftr", a.newhdrftr, b.newhdrftr) && Eq("label", a.label, b.label) &&
		          Eq("before_number", a.before_number, b.before_number) &&
		          Eq("after_number", a.after_number, b.after_number) &&
		          Eq("reset_number", a.reset_number, b.reset_number) &&
		          (memcmp(a.number, b.number, 8) == 0 || Fail("number")) &&
		          Eq("tab count", a.tab.GetCount(), b.tab.GetCount());
		for(int i = 0; ok && i < a.tab.GetCount(); i++)
			ok = a.tab[i] == b.tab[i] || Fail("tab " + std::to_string(i));
		if(ok && a.newhdrftr)
			ok = Eq("header_qtf", a.header_qtf, b.header_qtf) && Eq("footer_qtf", a.footer_qtf, b.footer_qtf);
		return ok;
	}

	static String Written(const RichObject& o)
	{
		return o.GetType() ? o.GetType()->Write(o.GetData()) : o.GetData().ToString();
	}

	static Uuid Style(const ArrayMap<Uuid, RichStyle>& st, const Uuid& id)
	{
		return st.Find(id) >= 0 ? id : Uuid();
	}

	bool Paragraph(const RichPara& a, const RichPara& b)
	{
		if(!Para(a.format, b.format) || !Eq("part count", a.part.GetCount(), b.part.GetCount()))
			return false;
		// the mark's own format is written only for a paragraph with no parts
		if(a.part.IsEmpty() && !Char(a.format, b.format))
			return false;
		std::string at = where;
		for(int i = 0; i < a.part.GetCount(); i++) {
			const RichPara::Part& p = a.part[i];
			const RichPara::Part& q = b.part[i];
			where = at + " run " + std::to_string(i);
			if(!Char(p.format, q.format) || !Eq("field", p.field, q.field) ||
			   !Eq("fieldparam", p.fieldparam, q.fieldparam) || !Eq("is object", p.IsObject(), q.IsObject()))
				return false;
			if(p.IsObject()) {
				if(!Eq("object type", p.object.GetTypeName(), q.object.GetTypeName()) ||
				   !Eq("object size", p.object.GetSize(), q.object.GetSize()) ||
				   !Eq("object data", Written(p.object), Written(q.object)) ||
				   !Eq("keepratio", p.object.IsKeepRatio(), q.object.IsKeepRatio()) ||
				   !Eq("ydelta", p.object.GetYDelta(), q.object.GetYDelta()))
					return false;
			}
			else if(!p.IsField() && !Eq("text", ToUtf8(p.text), ToUtf8(q.text)))
				return false;
		}
		where = at;
		return true;
	}

	bool Txt(const RichTxt& a, const ArrayMap<Uuid, RichStyle>& sa, const RichTxt& b,
	         const ArrayMap<Uuid, RichStyle>& sb)
	{
		if(!Eq("parts", a.GetPartCount(), b.GetPartCount()))
			return false;
		std::string at = where;
		for(int i = 0; i < a.GetPartCount(); i++) {
			where = at + " part " + std::to_string(i);
			if(!Eq("is table", a.IsTable(i), b.IsTable(i)))
				return false;
			if(a.IsTable(i)) {
				if(!Table(a.GetTable(i), sa, b.GetTable(i), sb))
					return false;
				continue;
			}
			RichPara p = a.Get(i, sa);
			RichPara q = b.Get(i, sb);
			if(!Eq("style", Style(sa, p.format.styleid), Style(sb, q.format.styleid)) || !Paragraph(p, q))
				return false;
		}
		where = at;
		return true;
	}

	bool Table(const RichTable& a, const ArrayMap<Uuid, RichStyle>& sa, const RichTable& b,
	           const ArrayMap<Uuid, RichStyle>& sb)
	{
		const RichTable::Format& f = a.format;
		const RichTable::Format& g = b.format;
		if(!(Eq("t.before", f.before, g.before) && Eq("t.left_margin", f.left_margin, g.left_margin) &&
		     Eq("t.right_margin", f.right_margin, g.right_margin) && Eq("t.after", f.after, g.after) &&
		     Eq("frame_width", f.frame_width, g.frame_width) && Eq("frame_color", f.frame_color, g.frame_color) &&
		     Eq("grid_width", f.grid_width, g.grid_width) && Eq("grid_color", f.grid_color, g.grid_color) &&
		     Eq("column_widths", f.column_widths, g.column_widths) && Eq("header_rows", f.header_rows, g.header_rows) &&
		     Eq("t.keep", f.keep, g.keep) && Eq("new_page", f.new_page, g.new_page) &&
		     Eq("new_header_footer", f.new_header_footer, g.new_header_footer) &&
		     Eq("t.header_qtf", f.header_qtf, g.header_qtf) && Eq("t.footer_qtf", f.footer_qtf, g.footer_qtf) &&
		     Eq("rows", a.GetRows(), b.GetRows())))
			return false;
		std::string at = where;
		for(int r = 0; r < a.GetRows(); r++) {
			if(!Eq("cells", a.cell[r].GetCount(), b.cell[r].GetCount()))
				return false;
			for(int c = 0; c < a.cell[r].GetCount(); c++) {
				const RichCell& x = a.cell[r][c];
				const RichCell& y = b.cell[r][c];
				where = at + " cell " + std::to_string(r) + "," + std::to_string(c);
				const RichCell::Format& p = x.format;
				const RichCell::Format& q = y.format;
				if(!(Eq("border", p.border, q.border) && Eq("margin", p.margin, q.margin) &&
				     Eq("valign", p.valign, q.valign) && Eq("min_height", p.min_height, q.min_height) &&
				     Eq("color", p.color, q.color) && Eq("border_color", p.border_color, q.border_color) &&
				     Eq("c.keep", p.keep, q.keep) && Eq("round", p.round, q.round) &&
				     Eq("vspan", x.vspan, y.vspan) && Eq("hspan", x.hspan, y.hspan) &&
				     Txt(x.text, sa, y.text, sb)))
					return false;
			}
		}
		where = at;
		return true;
	}

	bool Doc(const RichText& a, const RichText& b)
	{
		const ArrayMap<Uuid, RichStyle>& sa = a.GetStyles();
		const ArrayMap<Uuid, RichStyle>& sb = b.GetStyles();
		where = "document";
		if(!Eq("header_qtf", a.header_qtf, b.header_qtf) || !Eq("footer_qtf", a.footer_qtf, b.footer_qtf) ||
		   !Eq("style count", sa.GetCount(), sb.GetCount()))
			return false;
		for(int i = 0; i < sa.GetCount(); i++) {
			where = "style " + std::to_string(i);
			int j = sb.Find(sa.GetKey(i));
			if(j < 0)
				return Fail("missing");
			if(!Para(sa[i].format, sb[j].format) || !Char(sa[i].format, sb[j].format) ||
			   !Eq("name", sa[i].name, sb[j].name) || !Eq("next", sa[i].next, sb[j].next))
				return false;
		}
		where = "body";
		return Txt(a, sa, b, sb);
	}
};

} // namespace detail

// Empty when the documents are equal part by part, else where and what differs.
inline std::string QtfDifference(const RichText& a, const RichText& b)
{
	detail::QtfComparer c;
	c.Doc(a, b);
	return c.diff;
}

// The round trip of one QTF text q: W(P(q)) == W(P(W(P(q)))) byte for byte and P(q), P(W(P(q)))
// equal part by part. Empty when it holds, else what broke.
inline std::string QtfRoundTripFault(const char* q, int options = QTF_OPT_BODY)
{
	RichText p1 = ParseQtf(q);
	String w1 = AsQTF(p1, CHARSET_UTF8, options);
	RichText p2 = ParseQtf(w1);
	String w2 = AsQTF(p2, CHARSET_UTF8, options);
	if(w1 != w2)
		return "written texts differ:\n" + std::string(~w1, w1.GetLength()) + "\n---\n" +
		       std::string(~w2, w2.GetLength());
	std::string d = QtfDifference(p1, p2);
	return d.empty() ? d : d + "\nwritten: " + std::string(~w1, w1.GetLength());
}

} // namespace QelTest
