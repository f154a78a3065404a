#include "Stroker.h"

#include <algorithm>
#include <cmath>

namespace Qel {

static const Pointf sNull(-INFINITY, -INFINITY);

static inline bool sFinite(const Pointf& p) { return std::isfinite(p.x); }
static inline Pointf operator+(const Pointf& a, const Pointf& b) { return Pointf(a.x + b.x, a.y + b.y); }
static inline Pointf operator-(const Pointf& a, const Pointf& b) { return Pointf(a.x - b.x, a.y - b.y); }
static inline Pointf operator-(const Pointf& a) { return Pointf(-a.x, -a.y); }
static inline Pointf operator*(const Pointf& a, double k) { return Pointf(a.x * k, a.y * k); }
static inline double sCross(const Pointf& u, const Pointf& w) { return u.x * w.y - u.y * w.x; }
static inline double sSq(const Pointf& p) { return p.x * p.x + p.y * p.y; }

void Stroker::Init(double width, double miterlimit, double tolerance, int linecap_, int linejoin_,
                   const Rectf& preclip_)
{
	w2 = width / 2;
	qmiter = miterlimit * w2;
	qmiter *= qmiter;
	double c = 1 - tolerance / w2;
	fid = std::acos(c < -1 ? -1 : c > 1 ? 1 : c);
	// A finite angle step keeps round joins of huge or odd widths from running without end: at
	// most 4096 lines a turn, within a third of a pixel up to a width of a million.
	if(!(fid >= 2 * M_PI / 4096))
		fid = 2 * M_PI / 4096;
	linecap = linecap_;
	linejoin = linejoin_;
	preclip = preclip_;
	if(std::isfinite(preclip.left))
		tw = 4 * std::max(miterlimit * w2, width);
	p0 = p1 = p2 = sNull;
	lines = 0;
	view = Rectf(-INFINITY, -INFINITY, INFINITY, INFINITY);
}

Pointf Stroker::Offset(const Pointf& dn) const
{
	return Pointf(-dn.y, dn.x) * (w2 / std::sqrt(sSq(dn)));
}

void Stroker::Round(const Pointf& c, const Pointf& u1, const Pointf& u2)
{
	double a = std::atan2(u1.y, u1.x);
	double b = std::atan2(u2.y, u2.x);
	if(a < b)
		a += 2 * M_PI;
	double step = fid;
	if(a - b > 8 * fid && std::isfinite(view.left)) { // (arcs of a few steps are not worth it)
		// The view wholly outside the circle, or wholly inside the octagon in it: the coarse and
		// the fine arc go round it alike, and the ground between them is out of view.
		double nx = std::clamp(c.x, view.left, view.right) - c.x, ny = std::clamp(c.y, view.top, view.bottom) - c.y;
		double fx = std::max(std::fabs(view.left - c.x), std::fabs(view.right - c.x));
		double fy = std::max(std::fabs(view.top - c.y), std::fabs(view.bottom - c.y));
		if(nx * nx + ny * ny > w2 * w2 || fx * fx + fy * fy < 0.85 * w2 * w2)
			step = M_PI / 4;
	}
	while(a > b) {
		target->Line(c + Pointf(std::cos(a), std::sin(a)) * w2);
		a -= step;
	}
}

void Stroker::Cap(const Pointf& c, const Pointf& s, const Pointf& e, const Pointf& o)
{
	target->Move(s);
	if(linecap == LINECAP_SQUARE) {
		Pointf q(-o.y, o.x);
		target->Line(s + q);
		target->Line(e + q);
	}
	else if(linecap == LINECAP_ROUND)
		Round(c, -o, o);
	target->Line(e);
}

void Stroker::Move(const Pointf& p)
{
	Finish();
	p0 = p;
	p2 = p1 = sNull;
}

void Stroker::Line(const Pointf& p)
{
	lines++;
	if(!sFinite(p0)) {
		Move(p);
		return;
	}
	if(!sFinite(p2)) {
		Pointf dn = p - p0;
		if(sSq(dn) < 1e-60)
			return;
		p2 = p;
		d0 = dn;
		o0 = Offset(dn);
		a0 = p0 + o0;
		b0 = p0 - o0;
		if(!sFinite(p1)) {
			p1 = p0;
			d1 = d0;
			o1 = o0;
			a1 = a0;
			b1 = b0;
		}
		return;
	}
	Pointf dn = p - p2;
	if(sSq(dn) < 1e-60)
		return;
	Pointf o = Offset(dn);
	Pointf a = p2 + o, b = p2 - o;
	double c = d0.y * dn.x - d0.x * dn.y;
	LinearPathConsumer& t = *target;
	if(c > 1e-30) {
		Pointf m = a0 + d0 * (sCross(a0 - a, dn) / c);
		t.Move(a0);
		if(linejoin == LINEJOIN_MITER && sSq(m - p2) <= qmiter)
			t.Line(m);
		else {
			t.Line(a0 + d0);
			if(linejoin == LINEJOIN_ROUND)
				Round(p2, o0, o);
		}
		t.Line(a);
		t.Move(b);
		t.Line(p2);
		t.Line(b0 + d0);
		t.Line(b0);
	}
	else if(c < -1e-30) {
		Pointf m = b + dn * (sCross(a - a0, d0) / c);
		t.Move(b);
		if(linejoin == LINEJOIN_MITER && sSq(m - p2) <= qmiter)
			t.Line(m);
		else {
			if(linejoin == LINEJOIN_ROUND)
				Round(p2, -o, -o0);
			t.Line(b0 + d0);
		}
		t.Line(b0);
		t.Move(a0);
		t.Line(a0 + d0);
		t.Line(p2);
		t.Line(a);
	}
	else {
		t.Move(a0);
		t.Line(a0 + d0);
		if(linejoin == LINEJOIN_ROUND)
			Round(p2, o0, o);
		t.Line(a);
		t.Move(b);
		t.Line(b0 + d0);
		t.Line(b0);
	}
	p0 = p2;
	d0 = dn;
	o0 = o;
	a0 = a;
	b0 = b;
	p2 = p;
}

void Stroker::Finish()
{
	if(!sFinite(p0) || !sFinite(p2) || !sFinite(p1))
		return;
	if(lines == 1 && std::isfinite(preclip.left)) {
		bool out = (p0.x + tw < preclip.left && p2.x + tw < preclip.left) ||
		           (p0.x - tw > preclip.right && p2.x - tw > preclip.right) ||
		           (p0.y + tw < preclip.top && p2.y + tw < preclip.top) ||
		           (p0.y - tw > preclip.bottom && p2.y - tw > preclip.bottom);
		if(out) {
			lines = 0;
			return;
		}
	}
	if(p2 == p1)
		Line(p1 + d1);
	else {
		LinearPathConsumer& t = *target;
		t.Move(a0);
		t.Line(a0 + d0);
		t.Move(b0 + d0);
		t.Line(b0);
		Cap(p1, b1, a1, o1);
		Cap(p2, a0 + d0, b0 + d0, -o0);
	}
	p0 = p1 = p2 = sNull;
	lines = 0;
}

void Stroker::End()
{
	Finish();
	target->End();
}

} // namespace Qel
