// Internals shared by the default Draw operations.
#pragma once

#include <Core/types/Gtypes.h>

namespace Qel {
class Draw;
class ImageBuffer;
class Painting;
}

namespace Qel::detail {

// Brackets a default image or data operation: BeginNative/EndNative and the conversion of dots
// to the target's native resolution, unless the target works in native units already or an
// outer default operation of the same target has entered them.
class NativeScope {
	Draw&       w;
	const Draw* outer = nullptr;
	bool        active = false;

public:
	NativeScope(Draw& w, int& x, int& y, int& cx, int& cy);
	~NativeScope();
	NativeScope(const NativeScope&) = delete;
	NativeScope& operator=(const NativeScope&) = delete;
};

// The part of the rectangle (x, y, cx, cy) that the target paints, as the target's painting test
// finds it (a few dozen questions), relative to (x, y); empty when nothing of it shows. Parts
// beyond the int range of coordinates never show.
Rect VisiblePart(const Draw& w, int x, int y, int cx, int cy);
// The same for a rectangle of 64-bit corners (ordered), in the target's coordinates.
Rect64 VisiblePart(const Draw& w, const Rect64& r);

// The point of a text turned by the angle whose sine and cosine are given: p along the baseline
// from (x, y) and d below it, truncated to int.
inline int ClampInt(double v)
{
	return v >= 2147483647.0 ? 2147483647 : v <= -2147483648.0 ? int(-2147483647 - 1) : v == v ? int(v) : 0;
}

inline int ClampInt(int64 v)
{
	return v > 2147483647 ? 2147483647 : v < -2147483647 - 1 ? int(-2147483647 - 1) : int(v);
}

inline Point TextPoint(int x, int y, double sina, double cosa, double p, double d)
{
	return Point(ClampInt(x + p * cosa + d * sina), ClampInt(y + d * cosa - p * sina));
}

} // namespace Qel::detail
