// Paragraph positions: the caret of a text position and the position under a point, over the
// same lines and page breaks painting uses, so a caret always lands on what was drawn; and the
// descriptor of a position.
#include <richtext/document/RichTable.h>
#include <richtext/layout/PageContext.h>
#include <richtext/paint/RichPaint.h>
#include <richtext/position/RichPos.h>
#include <richtext/base/detail/LayoutMath.h>
#include <richtext/layout/detail/LineWalk.h>

namespace Qel {

using detail::Sat;

namespace {

// Walks the lines of a laid-out paragraph from rc's position as layout and painting place them.
// f(i, y, h) is called for each line at its top; returning true stops the walk there.
template <class F>
void sWalkLines(const RichPara::Lines& pl, const RichPara::Format& fmt, RichPageContext& rc, F f)
{
	detail::WalkLines(rc, int64(rc.py.y) + fmt.ruler + fmt.before, pl.GetCount(), fmt.orphan,
	                  [&](int i) { return int64(detail::LineHeight(pl[i])); }, f);
}

// The first character of line ln that is text: the number text is skipped, its advances
// added to x.
int sFirstText(const RichPara::Lines& pl, const RichPara::Line& ln, int64& x)
{
	int k = ln.pos;
	int end = ln.pos + ln.len;
	for(; k < end && k < pl.number_len; k++)
		x += pl.width[k];
	return k;
}

} // namespace

RichCaret RichPara::GetCaret(int pos, RichPageContext& rc) const
{
	RichCaret c;
	Lines pl = FormatLines(detail::PageWidth(rc.page), rc.number);
	pl.Justify(format);
	Font font = format;
	int ascent = font.GetAscent();
	int descent = font.GetDescent();
	bool found = false;
	sWalkLines(pl, format, rc, [&](int i, int64 y, int64 h) {
		const Line& ln = pl[i];
		c.page = rc.py.page;
		c.top = Sat(y);
		c.bottom = Sat(y + h);
		c.line_ascent = ln.ascent;
		c.line = i;
		if(int64(pos) >= int64(ln.ppos) + ln.plen)
			return false;
		int64 x = int64(rc.page.left) + ln.xpos;
		int k = sFirstText(pl, ln, x);
		int end = ln.pos + ln.len;
		if(k < end) {
			ascent = pl.height[k].ascent;
			descent = pl.height[k].descent;
		}
		// the caret takes the metrics of the character before it
		for(; k < end && pl.pos[k] < pos; k++) {
			ascent = pl.height[k].ascent;
			descent = pl.height[k].descent;
			x += pl.width[k];
		}
		c.left = Sat(x);
		c.right = Sat(x + (k < end ? pl.width[k] : 0));
		if(k < end) {
			c.object_ydelta = pl.height[k].ydelta;
			c.object_ypos = Sat(int64(pl.height[k].ascent) + pl.height[k].ydelta);
		}
		found = true;
		return true;
	});
	const Line& last = pl[found ? c.line : pl.GetCount() - 1];
	if(!found) { // past the last line: after it, to the page's right edge
		c.left = Sat(int64(rc.page.left) + last.xpos + last.cx);
		c.right = rc.page.right;
	}
	c.caret_ascent = ascent;
	c.caret_descent = Sat(min<int64>(descent, int64(c.bottom) - c.top - last.ascent));
	return c;
}

int RichPara::GetPos(int x, PagePos y, RichPageContext& rc) const
{
	if(GetLength() == 0)
		return 0;
	Lines pl = FormatLines(detail::PageWidth(rc.page), rc.number);
	pl.Justify(format);
	int result = pl.len;
	sWalkLines(pl, format, rc, [&](int i, int64 top, int64 h) {
		if(!(y < PagePos(rc.py.page, Sat(top + h))) && i + 1 < pl.GetCount())
			return false;
		const Line& ln = pl[i];
		int64 x0 = int64(rc.page.left) + ln.xpos;
		int k = sFirstText(pl, ln, x0);
		int end = ln.pos + ln.len;
		// the space a line wrapped at belongs to it: a click right of it stays on the line
		if(end > k && i + 1 < pl.GetCount() && pl.text[end - 1] == ' ')
			end--;
		for(; k < end; k++) {
			x0 += pl.width[k];
			if(x0 > x)
				break;
		}
		result = k < pl.clen ? pl.pos[k] : pl.len;
		return true;
	});
	return result;
}

void RichPara::GetRichPos(RichPos& out, int pos) const
{
	out.format = format;
	int i = 0;
	for(; i < part.GetCount() && pos >= part[i].GetLength(); i++)
		pos -= part[i].GetLength();
	if(i >= part.GetCount()) {
		out.chr = 10;
		return;
	}
	const Part& p = part[i];
	static_cast<CharFormat&>(out.format) = p.format;
	if(p.IsField()) {
		out.chr = -2;
		out.field = p.field;
		out.fieldparam = p.fieldparam;
		if(p.fieldpart.GetCount())
			out.fieldformat = p.fieldpart[0].format;
	}
	else if(!p.object.IsNull()) {
		out.chr = -1;
		out.object = p.object;
	}
	else
		out.chr = pos >= 0 ? int(p.text[pos]) : 10; // a negative position lies in no character
}

} // namespace Qel
