#include "Gtypes.h"

#include <cmath>

namespace Qel {

Pointf Mid(Pointf a, Pointf b)
{
	return Pointf((a.x + b.x) * 0.5, (a.y + b.y) * 0.5);
}

Pointf Perpendicular(Pointf p)
{
	return Pointf(-p.y, p.x);
}

double Squared(Pointf p)
{
	return p.x * p.x + p.y * p.y;
}

double Length(Pointf p)
{
	return std::sqrt(Squared(p));
}

double Distance(Pointf a, Pointf b)
{
	return std::hypot(a.x - b.x, a.y - b.y);
}

double SquaredDistance(Pointf a, Pointf b)
{
	return Squared(Pointf(a.x - b.x, a.y - b.y));
}

Pointf Polar(Pointf centre, double r, double angle)
{
	return Pointf(centre.x + r * std::cos(angle), centre.y + r * std::sin(angle));
}

double Angle(Pointf p)
{
	return std::atan2(p.y, p.x);
}

Sizef GetFitSize(Sizef sz, double cx, double cy)
{
	double w = sz.cx, h = sz.cy;
	if(!(w > 0 && h > 0 && cx > 0 && cy > 0))
		return Sizef(0, 0);
	return h * cx >= w * cy ? Sizef(w * cy / h, cy) : Sizef(cx, h * cx / w);
}

} // namespace Qel
