// Plain geometry values: a point, a size and a rectangle over int, int64 or double.
// Just the fields and constructors here; arithmetic and Value support build on these.
#pragma once

#include <Core/base/Defs.h>

namespace Qel {

template <class T>
struct Point_ {
	T x = 0;
	T y = 0;

	constexpr Point_() = default;
	constexpr Point_(T x, T y) : x(x), y(y) {}

	constexpr bool operator==(const Point_& b) const = default;
};

template <class T>
struct Size_ {
	T cx = 0;
	T cy = 0;

	constexpr Size_() = default;
	constexpr Size_(T cx, T cy) : cx(cx), cy(cy) {}

	constexpr bool operator==(const Size_& b) const = default;
};

template <class T>
struct Rect_ {
	T left = 0;
	T top = 0;
	T right = 0;
	T bottom = 0;

	constexpr Rect_() = default;
	constexpr Rect_(T l, T t, T r, T b) : left(l), top(t), right(r), bottom(b) {}
	constexpr Rect_(Point_<T> p, Size_<T> sz) : left(p.x), top(p.y), right(p.x + sz.cx), bottom(p.y + sz.cy) {}

	constexpr bool operator==(const Rect_& b) const = default;

	// The left and top edges belong to the rectangle, the right and bottom ones do not.
	constexpr bool Contains(Point_<T> p) const
	{
		return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
	}
	// r lies wholly inside; the edges may touch.
	constexpr bool Contains(const Rect_& r) const
	{
		return r.left >= left && r.top >= top && r.right <= right && r.bottom <= bottom;
	}
	// Both are non-empty and share some area.
	constexpr bool Intersects(const Rect_& r) const
	{
		return left < right && top < bottom && r.left < r.right && r.top < r.bottom &&
		       left < r.right && r.left < right && top < r.bottom && r.top < bottom;
	}
	// Keeps the common part; an empty one is left with right == left or bottom == top at the
	// corner the two share, never turned inside out.
	constexpr void Intersect(const Rect_& r)
	{
		left = left > r.left ? left : r.left;
		top = top > r.top ? top : r.top;
		right = right < r.right ? right : r.right;
		bottom = bottom < r.bottom ? bottom : r.bottom;
		if(right < left)
			right = left;
		if(bottom < top)
			bottom = top;
	}
};

// The common part of a and b (Rect_::Intersect).
template <class T>
constexpr Rect_<T> operator&(Rect_<T> a, const Rect_<T>& b)
{
	a.Intersect(b);
	return a;
}

using Point   = Point_<int>;
using Size    = Size_<int>;
using Rect    = Rect_<int>;
using Pointf  = Point_<double>;
using Sizef   = Size_<double>;
using Rectf   = Rect_<double>;
using Point64 = Point_<int64>;
using Size64  = Size_<int64>;
using Rect64  = Rect_<int64>;

// Small vector helpers on double points, used by colour and drawing code.
Pointf Mid(Pointf a, Pointf b);
Pointf Perpendicular(Pointf p);           // (-y, x)
double Length(Pointf p);
double Squared(Pointf p);
double Distance(Pointf a, Pointf b);
double SquaredDistance(Pointf a, Pointf b);
Pointf Polar(Pointf centre, double r, double angle); // angle in radians
double Angle(Pointf p);                   // atan2(y, x)
// sz scaled to fit cx x cy with its aspect kept; (0, 0) when any of the four is not positive.
Sizef  GetFitSize(Sizef sz, double cx, double cy);

} // namespace Qel
