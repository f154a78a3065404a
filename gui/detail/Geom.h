// Rectangle arithmetic of the drawing and painting code. Sums saturate at the int range: drawing
// coordinates come from recorded streams and may sit anywhere.
#pragma once

#include <Core/Core.h>

#include <climits>

namespace Qel::detail {

inline int SatAdd(int a, int b)
{
	return (int)clamp(int64(a) + b, int64(INT_MIN), int64(INT_MAX));
}

inline int SatSub(int a, int b)
{
	return (int)clamp(int64(a) - b, int64(INT_MIN), int64(INT_MAX));
}

inline bool IsEmptyRect(const Rect& r)    { return r.right <= r.left || r.bottom <= r.top; }

inline Rect OffsetRect(const Rect& r, Point p)
{
	return Rect(SatAdd(r.left, p.x), SatAdd(r.top, p.y), SatAdd(r.right, p.x), SatAdd(r.bottom, p.y));
}

inline Rect InflateRect(const Rect& r, int m)
{
	return Rect(SatAdd(r.left, -m), SatAdd(r.top, -m), SatAdd(r.right, m), SatAdd(r.bottom, m));
}

// The common part; an empty result keeps its corner inside both.
inline Rect IntersectRect(const Rect& a, const Rect& b)
{
	Rect r(max(a.left, b.left), max(a.top, b.top), min(a.right, b.right), min(a.bottom, b.bottom));
	if(r.right < r.left)
		r.right = r.left;
	if(r.bottom < r.top)
		r.bottom = r.top;
	return r;
}

// Both non-empty and sharing at least one pixel.
inline bool RectsOverlap(const Rect& a, const Rect& b)
{
	return !IsEmptyRect(a) && !IsEmptyRect(b) &&
	       a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

inline bool RectContains(const Rect& outer, const Rect& inner)
{
	return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
	       inner.bottom <= outer.bottom;
}

inline Point AddPoint(Point a, Point b)   { return Point(SatAdd(a.x, b.x), SatAdd(a.y, b.y)); }
inline Point TopLeft(const Rect& r)       { return Point(r.left, r.top); }
inline Point Neg(Point p)                 { return Point(-max(p.x, -INT_MAX), -max(p.y, -INT_MAX)); }

} // namespace Qel::detail
