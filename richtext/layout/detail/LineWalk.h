// Where the lines of a paragraph fall on pages. Layout, painting and positions all walk the
// lines with these rules, so a caret lands on what was painted and the next part starts where
// layout put it: a line that does not fit goes to the next page unless it is taller than a page
// (then it stays where it falls); the first line does not stay alone at a page's foot, nor the
// last alone at a page's head, unless the paragraph allows orphans; the space after the last
// line goes to the next page's top when it does not fit.
#pragma once

#include <richtext/layout/PageContext.h>
#include <richtext/base/detail/LayoutMath.h>

namespace Qel::detail {

// A laid-out line's height as the walks take it.
inline int LineHeight(const RichPara::Line& ln)
{
	return Sat(int64(ln.ascent) + ln.descent + ln.external);
}

// Walks n lines from y, the top of the first one, down rc's pages. height(i) is the height of
// line i. before_break(i, y) is called before line i, at y, moves to the next page; at(i, y, h)
// with each line where it falls, rc.py then at its top, and returns true to stop the walk there.
// Returns where the walk ended: below the last line, or the top of the line it stopped at; rc.py
// is left there too.
template <class Height, class At, class BeforeBreak>
int64 WalkLines(RichPageContext& rc, int64 y, int n, bool orphan, Height height, At at,
                BeforeBreak before_break)
{
	for(int i = 0; i < n; i++) {
		int64 h = height(i);
		if(h < int64(rc.page.bottom) - rc.page.top) {
			bool brk = y + h > rc.page.bottom;
			if(!brk && !orphan && i + 1 < n && (i == 0 || i == n - 2))
				brk = y + h + height(i + 1) > rc.page.bottom;
			if(brk) {
				before_break(i, y);
				rc.PageBreak();
				y = rc.page.top;
			}
		}
		rc.py.y = Sat(y);
		if(at(i, y, h))
			return y;
		y += h;
		rc.py.y = Sat(y);
	}
	return y;
}

template <class Height, class At>
int64 WalkLines(RichPageContext& rc, int64 y, int n, bool orphan, Height height, At at)
{
	return WalkLines(rc, y, n, orphan, height, at, [](int, int64) {});
}

// Past the space after a paragraph whose lines end at y: rc.py is left where the next part
// starts.
inline void PassSpaceAfter(RichPageContext& rc, int64 y, int after)
{
	y += after;
	if(y > rc.page.bottom) {
		rc.PageBreak();
		y = rc.page.top;
	}
	rc.py.y = Sat(y);
}

} // namespace Qel::detail
