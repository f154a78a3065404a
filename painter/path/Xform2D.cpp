#include "Xform2D.h"

#include <cmath>

namespace Qel {

double Xform2D::GetScale() const
{
	double d = x.x * y.y - x.y * y.x;
	return std::sqrt(std::fabs(d));
}

Xform2D Xform2D::Translation(double tx, double ty)
{
	Xform2D m;
	m.t = Pointf(tx, ty);
	return m;
}

Xform2D Xform2D::Scale(double sx, double sy)
{
	Xform2D m;
	m.x = Pointf(sx, 0);
	m.y = Pointf(0, sy);
	return m;
}

Xform2D Xform2D::Rotation(double a)
{
	Xform2D m;
	double c = std::cos(a), s = std::sin(a);
	m.x = Pointf(c, -s);
	m.y = Pointf(s, c);
	return m;
}

Xform2D Xform2D::Shear(double s)
{
	Xform2D m;
	m.y = Pointf(std::atan(s), 1);
	return m;
}

Xform2D operator*(const Xform2D& a, const Xform2D& b)
{
	Xform2D r;
	r.x.x = b.x.x * a.x.x + b.x.y * a.y.x;
	r.x.y = b.x.x * a.x.y + b.x.y * a.y.y;
	r.y.x = b.y.x * a.x.x + b.y.y * a.y.x;
	r.y.y = b.y.x * a.x.y + b.y.y * a.y.y;
	r.t = b.Transform(a.t);
	return r;
}

Xform2D Inverse(const Xform2D& m)
{
	double d = m.x.x * m.y.y - m.x.y * m.y.x;
	Xform2D r;
	if(d == 0 || !std::isfinite(d)) {
		r.x = r.y = r.t = Pointf(NAN, NAN);
		return r;
	}
	r.x = Pointf(m.y.y / d, -m.x.y / d);
	r.y = Pointf(-m.y.x / d, m.x.x / d);
	Pointf t = r.TransformVector(m.t);
	r.t = Pointf(-t.x, -t.y);
	return r;
}

bool IsFinite(const Xform2D& m)
{
	return std::isfinite(m.x.x) && std::isfinite(m.x.y) && std::isfinite(m.y.x) &&
	       std::isfinite(m.y.y) && std::isfinite(m.t.x) && std::isfinite(m.t.y);
}

} // namespace Qel
