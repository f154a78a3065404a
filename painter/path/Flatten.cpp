#include "LinearPath.h"

namespace Qel {

static inline Pointf sMid(const Pointf& a, const Pointf& b) { return Pointf((a.x + b.x) / 2, (a.y + b.y) / 2); }
static inline double sDot(const Pointf& a, const Pointf& b) { return a.x * b.x + a.y * b.y; }

// Is the control point e (relative to the start) within tolerance of the chord d, projecting
// strictly inside it? Points projecting outside force a split, so curves turning back get detail.
static inline bool sNearChord(const Pointf& d, double l, const Pointf& e, double tolerance2)
{
	double u = sDot(e, d) / l;
	if(!(u > 0 && u < 1))
		return false;
	double dx = d.x * u - e.x, dy = d.y * u - e.y;
	return dx * dx + dy * dy <= tolerance2;
}

void ApproximateQuadratic(LinearPathConsumer& t, const Pointf& p1, const Pointf& p2, const Pointf& p3,
                          double tolerance2, int level)
{
	Pointf d(p3.x - p1.x, p3.y - p1.y);
	double l = sDot(d, d);
	if(level > 15 || l <= 1e-30 || sNearChord(d, l, Pointf(p2.x - p1.x, p2.y - p1.y), tolerance2)) {
		t.Line(p3);
		return;
	}
	Pointf m1 = sMid(p1, p2), m2 = sMid(p2, p3), m = sMid(m1, m2);
	ApproximateQuadratic(t, p1, m1, m, tolerance2, level + 1);
	ApproximateQuadratic(t, m, m2, p3, tolerance2, level + 1);
}

void ApproximateCubic(LinearPathConsumer& t, const Pointf& p1, const Pointf& p2, const Pointf& p3,
                      const Pointf& p4, double tolerance2, int level)
{
	Pointf d(p4.x - p1.x, p4.y - p1.y);
	double l = sDot(d, d);
	if(level > 15 || l < 1e-30 ||
	   (sNearChord(d, l, Pointf(p2.x - p1.x, p2.y - p1.y), tolerance2) &&
	    sNearChord(d, l, Pointf(p3.x - p1.x, p3.y - p1.y), tolerance2))) {
		t.Line(p4);
		return;
	}
	Pointf m12 = sMid(p1, p2), m23 = sMid(p2, p3), m34 = sMid(p3, p4);
	Pointf m123 = sMid(m12, m23), m234 = sMid(m23, m34), m = sMid(m123, m234);
	ApproximateCubic(t, p1, m12, m123, m, tolerance2, level + 1);
	ApproximateCubic(t, m, m234, m34, p4, tolerance2, level + 1);
}

} // namespace Qel
