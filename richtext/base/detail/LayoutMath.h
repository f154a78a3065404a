// Lengths of layout are summed in 64 bits and stored in ints no larger than POS_LIMIT, so that a
// sum or difference of two stored values never overflows.
#pragma once

#include <Core/Core.h>

#include <richtext/base/Zoom.h>

namespace Qel::detail {

inline constexpr int64 POS_LIMIT = 0x3FFFFFFF;

inline int Sat(int64 v)
{
	return int(v < -POS_LIMIT ? -POS_LIMIT : v > POS_LIMIT ? POS_LIMIT : v);
}

// A text-unit length of any size in device units (v * m / d, 0 for a zero divisor), held within
// POS_LIMIT like the lengths it comes from.
inline int ZoomLength(Zoom z, int64 v)
{
	if(z.d == 0)
		return 0;
	__int128 r = __int128(v) * z.m / z.d;
	return int(r < -POS_LIMIT ? -POS_LIMIT : r > POS_LIMIT ? POS_LIMIT : r);
}

// A 64-bit length held to int; page edges are the caller's and may be anything an int holds.
inline int ClipInt(int64 v)
{
	return int(clamp<int64>(v, INT_MIN, INT_MAX));
}

// The width of a page area, as layout takes it.
inline int PageWidth(const Rect& page)
{
	return ClipInt(int64(page.right) - page.left);
}

} // namespace Qel::detail
