// Xform2D: a 2-D affine transform; rows x and y of the matrix and the translation t.
#pragma once

#include <Core/types/Gtypes.h>

namespace Qel {

struct Xform2D {
	Pointf x = Pointf(1, 0);
	Pointf y = Pointf(0, 1);
	Pointf t = Pointf(0, 0);

	Pointf Transform(const Pointf& p) const {
		return Pointf(x.x * p.x + x.y * p.y + t.x, y.x * p.x + y.y * p.y + t.y);
	}
	// The matrix part only (directions and offsets).
	Pointf TransformVector(const Pointf& p) const {
		return Pointf(x.x * p.x + x.y * p.y, y.x * p.x + y.y * p.y);
	}
	double GetScale() const; // geometric mean of the axis scales

	static Xform2D Identity() { return Xform2D(); }
	static Xform2D Translation(double x, double y);
	static Xform2D Scale(double sx, double sy);
	static Xform2D Scale(double s) { return Scale(s, s); }
	static Xform2D Rotation(double a);
	static Xform2D Shear(double s);

	bool operator==(const Xform2D&) const = default;
};

// a first, then b.
Xform2D operator*(const Xform2D& a, const Xform2D& b);

// The transform that undoes m. A singular m gives non-finite fields (see IsFinite).
Xform2D Inverse(const Xform2D& m);
// All six fields finite.
bool    IsFinite(const Xform2D& m);

} // namespace Qel
