// Helpers of the layout tests: objects of exact size (a type nobody registered keeps the size it
// is given), line records as text, and walks that record where each part begins and ends.
#pragma once

#include <richtext/RichText.h>

#include <string>
#include <vector>

namespace QelTest {

using namespace Qel;

inline RichObject Box(int cx, int cy, int ydelta = 0)
{
	RichObject o;
	o.Read("box", "x", Size(cx, cy));
	o.SetYDelta(ydelta);
	return o;
}

// QTF of such an object.
inline std::string QtfBox(int cx, int cy)
{
	return ~Format("@@box:%d*%d(eA==)", cx, cy);
}

// Every line as "pos+len ppos+plen x=xpos cx=cx a/d/e" and " tabs" when it has tabs.
inline std::string DescribeLines(const RichPara::Lines& l)
{
	std::string s;
	for(int i = 0; i < l.GetCount(); i++) {
		const RichPara::Line& ln = l[i];
		if(i)
			s += " | ";
		s += ~Format("%d+%d %d+%d x=%d cx=%d %d/%d/%d", ln.pos, ln.len, ln.ppos, ln.plen, ln.xpos, ln.cx,
		             ln.ascent, ln.descent, ln.external);
		if(ln.withtabs)
			s += " tabs";
	}
	return s;
}

struct PartSpan {
	PagePos begin; // after any page break before the part
	PagePos end;
};

// Walks the document's parts on page from (0, 0).
inline std::vector<PartSpan> Walk(const RichText& doc, const Rect& page)
{
	std::vector<PartSpan> r;
	RichPageContext rc = doc.MakeContext(page, PagePos(0, 0));
	RichPageContext begin;
	for(int i = 0; i < doc.GetPartCount(); i++) {
		doc.Advance(i, rc, begin);
		r.push_back({begin.py, rc.py});
	}
	return r;
}

inline std::string Str(PagePos p)
{
	return ~Format("%d:%d", p.page, p.y);
}

} // namespace QelTest
