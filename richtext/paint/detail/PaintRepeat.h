// Decorations repeated along a line (dashes, dotted rules, tab leaders, page-break marks) are
// drawn only where the target paints, and no more than MAX_REPEAT of them at once: a line of
// stored text may reach far past any page, and each copy costs a drawing call.
#pragma once

#include <draw/Draw.h>

namespace Qel::detail {

inline constexpr int MAX_REPEAT = 4096;

// f(p) for p = from, from + step, ... while p < to, each copy reach wide.
template <class F>
void PaintRepeat(const Draw& w, int64 from, int64 to, int64 step, int64 reach, F f)
{
	if(step <= 0 || from >= to)
		return;
	Rect clip = w.GetPaintRect();
	int64 k = 0;
	if(clip.left - reach > from) // the copies left of the paint area are skipped
		k = (clip.left - reach - from) / step;
	for(int n = 0; n < MAX_REPEAT; n++, k++) {
		int64 p = from + k * step;
		if(p >= to || p >= clip.right)
			break;
		f(int(p));
	}
}

} // namespace Qel::detail
