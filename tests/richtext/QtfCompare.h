// Documents compared part by part, as the QTF round trip must keep them: paragraphs through
// their packed form (texts, character and paragraph formats, fields, headers of paragraphs),
// objects by type, size and written data, tables with their formats and spans, styles and the
// document's header and footer. A paragraph's mark (its own character format) is compared as
// well; a style key the document lacks counts as the zero key, which such a paragraph is
// written against. Documents written without styles are
// compared without them: each paragraph by its whole format. Shared with the round-trip fuzz
// target.
#pragma once

#include <richtext/RichText.h>

#include <algorithm>
#include <string>
#include <vector>

namespace QelTest {

using namespace Qel;

namespace detail {

inline String QtfPackedForm(const RichPara& p, const RichPara::Format& base, Array<RichObject>& obj)
{
	return p.Pack(base, obj);
}

inline std::string QtfTxtDifference(const RichTxt& a, const ArrayMap<Uuid, RichStyle>& sa,
                                    const RichTxt& b, const ArrayMap<Uuid, RichStyle>& sb, bool styles);

inline std::string QtfTableDifference(const RichTable& a, const ArrayMap<Uuid, RichStyle>& sa,
                                      const RichTable& b, const ArrayMap<Uuid, RichStyle>& sb, bool styles)
{
	const RichTable::Format& f = a.format;
	const RichTable::Format& g = b.format;
	if(f.before != g.before || f.left_margin != g.left_margin || f.right_margin != g.right_margin ||
	   f.after != g.after || f.frame_width != g.frame_width || f.frame_color != g.frame_color ||
	   f.grid_width != g.grid_width || f.grid_color != g.grid_color || f.column_widths != g.column_widths ||
	   f.header_rows != g.header_rows || f.keep != g.keep || f.new_page != g.new_page ||
	   f.new_header_footer != g.new_header_footer || f.header_qtf != g.header_qtf ||
	   f.footer_qtf != g.footer_qtf || a.GetRows() != b.GetRows())
		return "table format";
	for(int r = 0; r < a.GetRows(); r++) {
		if(a.cell[r].GetCount() != b.cell[r].GetCount())
			return "row " + std::to_string(r);
		for(int c = 0; c < a.cell[r].GetCount(); c++) {
			const RichCell& x = a.cell[r][c];
			const RichCell& y = b.cell[r][c];
			const RichCell::Format& p = x.format;
			const RichCell::Format& q = y.format;
			std::string at = "cell " + std::to_string(r) + "," + std::to_string(c);
			if(p.border != q.border || p.margin != q.margin || p.valign != q.valign ||
			   p.min_height != q.min_height || p.color != q.color || p.border_color != q.border_color ||
			   p.keep != q.keep || p.round != q.round || x.vspan != y.vspan || x.hspan != y.hspan)
				return at + " format";
			// a covered cell is empty in the style under the zero key, which is not written
			// without styles
			if(!styles && a.IsCovered(r, c))
				continue;
			std::string d = QtfTxtDifference(x.text, sa, y.text, sb, styles);
			if(!d.empty())
				return at + ": " + d;
		}
	}
	return std::string();
}

inline std::string QtfTxtDifference(const RichTxt& a, const ArrayMap<Uuid, RichStyle>& sa,
                                    const RichTxt& b, const ArrayMap<Uuid, RichStyle>& sb, bool styles)
{
	if(a.GetPartCount() != b.GetPartCount())
		return "part count";
	auto style = [](const ArrayMap<Uuid, RichStyle>& s, const Uuid& id) { return s.Find(id) >= 0 ? id : Uuid(); };
	// Both paragraphs packed against one format tell whether they are equal: against the one
	// before, what neighbours share is not written out for each again. Labels and tab stops,
	// which neighbours mostly share, are compared apart: shared ones need no walk.
	RichPara::Format base;
	String last_label[2];
	RichPara::TabList last_tab[2];
	for(int i = 0; i < a.GetPartCount(); i++) {
		std::string at = "part " + std::to_string(i);
		if(a.IsTable(i) != b.IsTable(i))
			return at + " kind";
		if(a.IsTable(i)) {
			std::string d = QtfTableDifference(a.GetTable(i), sa, b.GetTable(i), sb, styles);
			if(!d.empty())
				return at + ": " + d;
			continue;
		}
		RichPara p = a.Get(i, sa);
		RichPara q = b.Get(i, sb);
		if(styles && style(sa, p.format.styleid) != style(sb, q.format.styleid))
			return at + " style";
		RichPara::Format& f = p.format;
		RichPara::Format& g = q.format;
		if(!((f.label == last_label[0] && g.label == last_label[1]) || f.label == g.label) ||
		   !((f.tab == last_tab[0] && g.tab == last_tab[1]) || f.tab == g.tab))
			return at + " paragraph";
		last_label[0] = f.label;
		last_label[1] = g.label;
		last_tab[0] = f.tab;
		last_tab[1] = g.tab;
		f.label.Clear();
		g.label.Clear();
		f.tab.Clear();
		g.tab.Clear();
		Array<RichObject> po, qo;
		if(QtfPackedForm(p, base, po) != QtfPackedForm(q, base, qo) || po.GetCount() != qo.GetCount())
			return at + " paragraph";
		base = f;
		for(int k = 0; k < po.GetCount(); k++) {
			auto written = [](const RichObject& o) { return o.GetType() ? o.GetType()->Write(o.GetData()) : o.GetData().ToString(); };
			if(po[k].GetTypeName() != qo[k].GetTypeName() || po[k].GetSize() != qo[k].GetSize() ||
			   written(po[k]) != written(qo[k]) || po[k].IsKeepRatio() != qo[k].IsKeepRatio() ||
			   po[k].GetYDelta() != qo[k].GetYDelta())
				return at + " object " + std::to_string(k);
		}
	}
	return std::string();
}

} // namespace detail

// Empty when the documents are equal part by part (with their styles, or by whole formats
// alone), else where they differ.
inline std::string QtfDifference(const RichText& a, const RichText& b, bool styles = true)
{
	if(a.header_qtf != b.header_qtf || a.footer_qtf != b.footer_qtf)
		return "header or footer";
	const ArrayMap<Uuid, RichStyle>& sa = a.GetStyles();
	const ArrayMap<Uuid, RichStyle>& sb = b.GetStyles();
	if(!styles)
		return detail::QtfTxtDifference(a, sa, b, sb, false);
	if(sa.GetCount() != sb.GetCount())
		return "style count";
	static const RichPara::Format def;
	for(int i = 0; i < sa.GetCount(); i++) {
		int j = sb.Find(sa.GetKey(i));
		RichPara p, q;
		p.format = sa[i].format;
		Array<RichObject> o;
		if(j < 0 || (q.format = sb[j].format, p.Pack(def, o) != q.Pack(def, o)) || sa[i].name != sb[j].name ||
		   sa[i].next != sb[j].next)
			return "style " + std::to_string(i);
	}
	return detail::QtfTxtDifference(a, sa, b, sb, true);
}

// The round trip of document p1 written in charset with options: W(p1) == W(P(W(p1))) byte for
// byte and p1, P(W(p1)) equal part by part (without styles, by whole formats). Empty when it
// holds, else what broke.
inline std::string QtfWrittenRoundTripFault(const RichText& p1, int options = QTF_OPT_BODY, int charset = CHARSET_UTF8)
{
	String w1 = AsQTF(p1, charset, options);
	RichText p2 = ParseQtf(w1);
	String w2 = AsQTF(p2, charset, options);
	std::string d = w1 == w2 ? QtfDifference(p1, p2, !(options & QTF_OPT_NO_STYLES))
	                         : "written texts differ:\n" + std::string(~w2, w2.GetLength());
	return d.empty() ? d : d + "\nfirst written: " + std::string(~w1, w1.GetLength());
}

// The same for the document read from QTF text q.
inline std::string QtfRoundTripFault(const char* q, int options = QTF_OPT_BODY, int charset = CHARSET_UTF8)
{
	return QtfWrittenRoundTripFault(ParseQtf(q), options, charset);
}

// The forms a round trip is checked in, with options: with styles in UTF-8 first, then without
// styles, and both in an 8-bit set.
struct QtfForm {
	int options;
	int charset;
};

inline int QtfEightBitCharset()
{
	static const int cs = CharsetByName("windows-1252");
	return cs;
}

inline std::vector<QtfForm> QtfForms(int options = QTF_OPT_BODY)
{
	std::vector<QtfForm> r;
	for(int cs : {CHARSET_UTF8, QtfEightBitCharset()})
		for(int o : {options, options | QTF_OPT_NO_STYLES})
			r.push_back({o, cs});
	return r;
}

} // namespace QelTest
