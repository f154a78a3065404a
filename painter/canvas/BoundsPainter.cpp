#include "BoundsPainter.h"

#include <cmath>
#include <limits>

namespace Qel {

Rectf BoundsPainter::NullRect()
{
	double n = -std::numeric_limits<double>::infinity();
	return Rectf(n, n, n, n);
}

bool BoundsPainter::IsEmpty(const Rectf& r)
{
	return !std::isfinite(r.left);
}

static void sAdd(Rectf& r, const Pointf& p)
{
	if(!std::isfinite(p.x) || !std::isfinite(p.y))
		return;
	if(BoundsPainter::IsEmpty(r)) {
		r = Rectf(p.x, p.y, p.x, p.y);
		return;
	}
	r.left = std::min(r.left, p.x);
	r.right = std::max(r.right, p.x);
	r.top = std::min(r.top, p.y);
	r.bottom = std::max(r.bottom, p.y);
}

BoundsPainter::BoundsPainter(Painter& target)
:	target(target), pathbox(NullRect()), bounds(NullRect())
{
	mtx.Add(Xform2D());
}

void BoundsPainter::Add(const Pointf& p)
{
	sAdd(pathbox, p);
}

// Curve extrema only widen a box that already holds the end points, so one axis at a time.
void BoundsPainter::AddX(double x)
{
	if(std::isfinite(x) && !IsEmpty(pathbox)) {
		pathbox.left = std::min(pathbox.left, x);
		pathbox.right = std::max(pathbox.right, x);
	}
}

void BoundsPainter::AddY(double y)
{
	if(std::isfinite(y) && !IsEmpty(pathbox)) {
		pathbox.top = std::min(pathbox.top, y);
		pathbox.bottom = std::max(pathbox.bottom, y);
	}
}

bool BoundsPainter::Inside(const Pointf& p) const
{
	return !IsEmpty(pathbox) && p.x >= pathbox.left && p.x <= pathbox.right &&
	       p.y >= pathbox.top && p.y <= pathbox.bottom;
}

void BoundsPainter::BeginOp()
{
	mtx.Add(Xform2D(mtx.Top()));
	pathbox = NullRect();
	target.BeginOp();
}

void BoundsPainter::EndOp()
{
	if(mtx.GetCount() > 1)
		mtx.Drop();
	target.EndOp();
}

// Relative points are resolved against the current point for measuring (shape paths such as
// RectPath build with relative lines); the target gets them as they came.
void BoundsPainter::MoveOp(const Pointf& p, bool rel)
{
	target.MoveOp(p, rel);
	start = current = qcontrol = ccontrol = Abs(p, rel);
}

void BoundsPainter::LineOp(const Pointf& p, bool rel)
{
	target.LineOp(p, rel);
	Pointf a = Abs(p, rel);
	Add(current);
	Add(a);
	current = qcontrol = ccontrol = a;
}

void BoundsPainter::AddQuadratic(const Pointf& c, const Pointf& p)
{
	Pointf p0 = current;
	Add(p0);
	Add(p);
	if(!Inside(c)) {
		double a = p0.x - 2 * c.x + p.x;
		if(a != 0) {
			double t = (p0.x - c.x) / a;
			if(t > 0 && t < 1)
				AddX(p0.x + 2 * t * (c.x - p0.x) + t * t * a);
		}
		a = p0.y - 2 * c.y + p.y;
		if(a != 0) {
			double t = (p0.y - c.y) / a;
			if(t > 0 && t < 1)
				AddY(p0.y + 2 * t * (c.y - p0.y) + t * t * a);
		}
	}
	qcontrol = c;
	ccontrol = current = p;
}

void BoundsPainter::QuadraticOp(const Pointf& p1, const Pointf& p, bool rel)
{
	Pointf c = Abs(p1, rel), e = Abs(p, rel);
	target.QuadraticOp(c, e, false);
	AddQuadratic(c, e);
}

void BoundsPainter::SmoothQuadraticOp(const Pointf& p, bool rel)
{
	Pointf c(2 * current.x - qcontrol.x, 2 * current.y - qcontrol.y);
	QuadraticOp(c, Abs(p, rel), false);
}

// Roots of a t^2 + b t + c in the stable form: curves whose derivative is nearly linear give a
// tiny a, where the textbook formula loses the small root to cancellation.
static int sSolveQuadratic(double a, double b, double c, double* t)
{
	if(a == 0) {
		if(b == 0)
			return 0;
		t[0] = -c / b;
		return 1;
	}
	double d = b * b - 4 * a * c;
	if(d < 0)
		return 0;
	double q = -0.5 * (b + std::copysign(std::sqrt(d), b));
	t[0] = q / a;
	if(q == 0)
		return 1;
	t[1] = c / q;
	return 2;
}

static double sCubicAt(double p0, double c1, double c2, double p, double t)
{
	double u = 1 - t;
	return u * u * u * p0 + 3 * t * u * u * c1 + 3 * t * t * u * c2 + t * t * t * p;
}

void BoundsPainter::AddCubic(const Pointf& c1, const Pointf& c2, const Pointf& p)
{
	Pointf p0 = current;
	Add(p0);
	Add(p);
	if(!(Inside(c1) && Inside(c2))) {
		for(int axis = 0; axis < 2; axis++) {
			double a0 = axis ? p0.y : p0.x, a1 = axis ? c1.y : c1.x;
			double a2 = axis ? c2.y : c2.x, a3 = axis ? p.y : p.x;
			double t[2];
			int n = sSolveQuadratic(3 * (-a0 + 3 * a1 - 3 * a2 + a3), 6 * (a0 - 2 * a1 + a2),
			                        3 * (a1 - a0), t);
			for(int i = 0; i < n; i++)
				if(t[i] > 0 && t[i] < 1) {
					double v = sCubicAt(a0, a1, a2, a3, t[i]);
					if(axis)
						AddY(v);
					else
						AddX(v);
				}
		}
	}
	ccontrol = c2;
	qcontrol = current = p;
}

void BoundsPainter::CubicOp(const Pointf& p1, const Pointf& p2, const Pointf& p, bool rel)
{
	Pointf c1 = Abs(p1, rel), c2 = Abs(p2, rel), e = Abs(p, rel);
	target.CubicOp(c1, c2, e, false);
	AddCubic(c1, c2, e);
}

void BoundsPainter::SmoothCubicOp(const Pointf& p2, const Pointf& p, bool rel)
{
	Pointf c1(2 * current.x - ccontrol.x, 2 * current.y - ccontrol.y);
	CubicOp(c1, Abs(p2, rel), Abs(p, rel), false);
}

void BoundsPainter::ArcOp(const Pointf& c, const Pointf& r, double angle, double sweep, bool rel)
{
	AppendArc(*this, Abs(c, rel), r, angle, sweep);
	// a smooth curve after an arc reflects nothing: its control is the current point
	qcontrol = ccontrol = current;
}

void BoundsPainter::SvgArcOp(const Pointf& r, double xangle, bool large, bool sweep, const Pointf& p, bool rel)
{
	AppendSvgArc(*this, r, large, sweep, Abs(p, rel), current, xangle);
	qcontrol = ccontrol = current;
}

// A close returns the pen to the sub-path's start, where the target's pen goes too: segments
// after it (an arc, a relative line) start there.
void BoundsPainter::CloseOp()
{
	target.CloseOp();
	current = qcontrol = ccontrol = start;
}

void BoundsPainter::DivOp()
{
	target.DivOp();
	current = qcontrol = ccontrol = start;
}

void BoundsPainter::ClipOp()
{
	target.ClipOp();
}

// The even-odd switch that PaintCharacter sets stays here: the target keeps its own fill rule.
void BoundsPainter::CharacterOp(const Pointf& p, int ch, Font fnt)
{
	PaintCharacter(*this, p, ch, fnt);
}

void BoundsPainter::TextOp(const Pointf& p, const wchar* text, Font fnt, int n, const double* dx)
{
	Painter::TextOp(p, text, fnt, n, dx);
}

void BoundsPainter::TransformOp(const Xform2D& m)
{
	mtx.Top() = m * mtx.Top();
	target.TransformOp(m);
}

void BoundsPainter::Bounds(double width)
{
	if(!compute_bounds || IsEmpty(pathbox))
		return;
	double h = width / 2;
	const Xform2D& m = mtx.Top();
	// All four corners: under a rotation the two diagonal ones alone miss the box.
	double l = pathbox.left - h, t = pathbox.top - h, r = pathbox.right + h, b = pathbox.bottom + h;
	sAdd(bounds, m.Transform(Pointf(l, t)));
	sAdd(bounds, m.Transform(Pointf(r, t)));
	sAdd(bounds, m.Transform(Pointf(l, b)));
	sAdd(bounds, m.Transform(Pointf(r, b)));
}

} // namespace Qel
