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

inline Point AddPoint(Point a, Point b)   { return Point(SatAdd(a.x, b.x), SatAdd(a.y, b.y)); }
inline Point TopLeft(const Rect& r)       { return Point(r.left, r.top); }
inline Point Neg(Point p)                 { return Point(-max(p.x, -INT_MAX), -max(p.y, -INT_MAX)); }

} // namespace Qel::detail
