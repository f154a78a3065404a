#include "RadialSpan.h"

#include <cmath>
#include <cstring>

namespace Qel {

PainterRadialSpan::PainterRadialSpan(const Xform2D& m, const Pointf& c_, double r_, const Pointf& f,
                                     int style_, const Image& line_)
{
	xform = Inverse(m);
	c = c_;
	r = r_;
	fc = Pointf(f.x - c.x, f.y - c.y);
	style = style_ & 3;
	line = line_;
	C = fc.x * fc.x + fc.y * fc.y - r * r;
	if(r > 0 && std::isfinite(r) && std::isfinite(C) && IsFinite(xform) &&
	   line.GetWidth() >= LINE && line.GetHeight() >= 1)
		pixels = line.Begin();
}

void PainterRadialSpan::Get(RGBA* span, int x, int y, unsigned len)
{
	if(!pixels) {
		memset((void *)span, 0, len * sizeof(RGBA));
		return;
	}
	double fx = c.x + fc.x, fy = c.y + fc.y;
	Pointf p = xform.Transform(Pointf(x, y));
	double px = p.x - fx, py = p.y - fy;
	double sx = xform.x.x, sy = xform.y.x;
	for(unsigned i = 0; i < len; i++) {
		// p = focus + d; the ray focus + t d meets the circle at |fc + t d| = r, whose positive
		// root is t = (sqrt(B^2 - C A) - B) / A with A = |d|^2, B = fc . d
		double dx = px + i * sx, dy = py + i * sy;
		int h;
		if(dx == 0 && dy == 0)
			h = 0;
		else {
			double B = fc.x * dx + fc.y * dy;
			double A = dx * dx + dy * dy;
			double t = (std::sqrt(B * B - C * A) - B) / A;
			// a NaN t (the focus outside the circle, and the ray missing it) takes the last colour
			h = t >= 0.001 ? int(min(2047 / t, 1e9)) : 2047;
		}
		if(style == 2)
			h = ((h & 2048) ? 2047 - h : h) & 2047;
		else
		if(style == 1)
			h &= 2047;
		else
			h = h < 0 ? 0 : h > 2047 ? 2047 : h;
		span[i] = pixels[h];
	}
}

} // namespace Qel
