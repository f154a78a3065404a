// Receivers of flattened paths (straight segments only) and the links of the path chain:
// curve flattening and the affine transformer.
#pragma once

#include "Xform2D.h"

namespace Qel {

class LinearPathConsumer {
public:
	virtual void Move(const Pointf& p) = 0;
	virtual void Line(const Pointf& p) = 0;
	virtual void End() {}
	virtual ~LinearPathConsumer() = default;
};

class LinearPathFilter : public LinearPathConsumer {
public:
	LinearPathConsumer* target = nullptr;

	void End() override { target->End(); }
};

// Emit lines approximating the curve from p1 (the current point, not emitted). tolerance2 is
// the squared allowed deviation; callers pass level 0.
void ApproximateQuadratic(LinearPathConsumer& t, const Pointf& p1, const Pointf& p2, const Pointf& p3,
                          double tolerance2, int level = 0);
void ApproximateCubic(LinearPathConsumer& t, const Pointf& p1, const Pointf& p2, const Pointf& p3,
                      const Pointf& p4, double tolerance2, int level = 0);

class Transformer : public LinearPathFilter {
public:
	const Xform2D& xform;

	void Move(const Pointf& p) override { target->Move(xform.Transform(p)); }
	void Line(const Pointf& p) override { target->Line(xform.Transform(p)); }

	Transformer(const Xform2D& m) : xform(m) {}
};

} // namespace Qel
