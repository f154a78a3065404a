#include "PainterOps.h"

#include <Core/text/CParser.h>

#include <cmath>

namespace Qel {

Vector<double> ParseDashPattern(const String& text, double& start)
{
	Vector<double> d;
	try {
		CParser p(~text);
		for(;;) {
			if(p.Char(':'))
				start = p.ReadDouble();
			else if(p.IsEof())
				break;
			else
				d.Add(p.ReadDouble());
		}
	}
	catch(const CParser::Error&) {
		// the numbers read so far stand
	}
	if(d.GetCount() & 1) {
		int n = d.GetCount();
		for(int i = 0; i < n; i++)
			d.Add(d[i]);
	}
	return d;
}

void Painter::DashOp(const String& dash, double start)
{
	Vector<double> d = ParseDashPattern(dash, start);
	DashOp(d, start);
}

static Xform2D sAlongLine(const Image& image, const Pointf& p1, const Pointf& p2)
{
	double s = Distance(p1, p2) / image.GetWidth();
	Xform2D m;
	if(p1.y == p2.y && p2.x > p1.x)
		m = Xform2D::Scale(s, s);
	else {
		double a = std::atan2(p2.y - p1.y, p2.x - p1.x);
		double c = std::cos(a), n = std::sin(a);
		m.x = Pointf(s * c, -s * n);
		m.y = Pointf(s * n, s * c);
	}
	m.t = p1;
	return m;
}

Painter& Painter::Fill(const Image& image, const Pointf& p1, const Pointf& p2, dword flags)
{
	FillOp(image, sAlongLine(image, p1, p2), flags);
	return *this;
}

Painter& Painter::Stroke(double width, const Image& image, const Pointf& p1, const Pointf& p2, dword flags)
{
	StrokeOp(width, image, sAlongLine(image, p1, p2), flags);
	return *this;
}

Painter& Painter::RectPath(double x, double y, double cx, double cy)
{
	if(cx < 0) {
		x += cx;
		cx = -cx;
	}
	if(cy < 0) {
		y += cy;
		cy = -cy;
	}
	MoveOp(Pointf(x, y), false);
	LineOp(Pointf(cx, 0), true);
	LineOp(Pointf(0, cy), true);
	LineOp(Pointf(-cx, 0), true);
	CloseOp();
	return *this;
}

Painter& Painter::RoundedRectangle(double x, double y, double cx, double cy, double rx, double ry)
{
	if(cx < 0) {
		x += cx;
		cx = -cx;
	}
	if(cy < 0) {
		y += cy;
		cy = -cy;
	}
	double l = x, t = y, r = x + cx, b = y + cy;
	Pointf rr(rx, ry);
	MoveOp(Pointf(l + rx, t), false);
	ArcOp(Pointf(l + rx, t + ry), rr, -M_PI / 2, -M_PI / 2, false);
	LineOp(Pointf(l, b - ry), false);
	ArcOp(Pointf(l + rx, b - ry), rr, M_PI, -M_PI / 2, false);
	LineOp(Pointf(r - rx, b), false);
	ArcOp(Pointf(r - rx, b - ry), rr, M_PI / 2, -M_PI / 2, false);
	LineOp(Pointf(r, t + ry), false);
	ArcOp(Pointf(r - rx, t + ry), rr, 0, -M_PI / 2, false);
	LineOp(Pointf(l + rx, t), false);
	return *this;
}

Painter& Painter::Ellipse(double x, double y, double rx, double ry)
{
	MoveOp(Pointf(x + rx, y), false);
	ArcOp(Pointf(x, y), Pointf(rx, ry), 0, 2 * M_PI, false);
	CloseOp();
	return *this;
}

Painter& Painter::Circle(double x, double y, double r)
{
	return Ellipse(x, y, r, r);
}

void ArcToCubics(Painter& sw, const Xform2D& m, double angle, double sweep)
{
	// Non-finite angles would convert to an undefined segment count or never end.
	if(!std::isfinite(angle) || !std::isfinite(sweep))
		return;
	// Whole turns beyond the second repeat the same ellipse: dropping pairs of them keeps the
	// winding's parity and sign, and a sweep of 1e300 from taking forever.
	if(std::fabs(sweep) > 8 * M_PI)
		sweep = std::copysign(std::fmod(std::fabs(sweep), 4 * M_PI) + 4 * M_PI, sweep);
	double nf = std::ceil(std::fabs(sweep) / 1.5717963267948964);
	int n = nf > 65536 ? 65536 : (int)nf;
	for(int i = 0; i < n; i++) {
		double a0 = angle + sweep * i / n;
		double a1 = angle + sweep * (i + 1) / n;
		double h = (a1 - a0) / 2;
		double sh = std::sin(h / 2);
		double k = (8.0 / 3) * sh * sh / std::sin(h);
		double c0 = std::cos(a0), s0 = std::sin(a0), c1 = std::cos(a1), s1 = std::sin(a1);
		sw.CubicOp(m.Transform(Pointf(c0 - k * s0, s0 + k * c0)),
		           m.Transform(Pointf(c1 + k * s1, s1 - k * c1)),
		           m.Transform(Pointf(c1, s1)), false);
	}
}

void AppendArc(Painter& sw, const Pointf& c, const Pointf& r, double angle, double sweep)
{
	if(!std::isfinite(r.x) || !std::isfinite(r.y) || !std::isfinite(angle) || !std::isfinite(sweep))
		return;
	sw.LineOp(Pointf(c.x + r.x * std::cos(angle), c.y + r.y * std::sin(angle)), false);
	Xform2D m;
	m.x = Pointf(r.x, 0);
	m.y = Pointf(0, r.y);
	m.t = c;
	ArcToCubics(sw, m, angle, sweep);
}

void AppendSvgArc(Painter& sw, const Pointf& r, bool large, bool sweep, const Pointf& p, const Pointf& p0, double xangle)
{
	double rx = std::fabs(r.x), ry = std::fabs(r.y);
	if(!std::isfinite(rx) || !std::isfinite(ry) || !std::isfinite(xangle))
		return;
	if(p == p0) // an arc to its own start draws nothing
		return;
	if(rx == 0 || ry == 0) { // a flat ellipse is the straight line
		sw.LineOp(p, false);
		return;
	}
	double cs = std::cos(xangle), sn = std::sin(xangle);
	double hx = (p0.x - p.x) / 2, hy = (p0.y - p.y) / 2;
	double x1 = cs * hx + sn * hy, y1 = -sn * hx + cs * hy;
	double L = x1 * x1 / (rx * rx) + y1 * y1 / (ry * ry);
	if(L > 1) {
		double q = std::sqrt(L);
		rx *= q;
		ry *= q;
	}
	auto unit = [&](const Pointf& a) {
		return Pointf((cs * a.x + sn * a.y) / rx, (-sn * a.x + cs * a.y) / ry);
	};
	Pointf u0 = unit(p0), u1 = unit(p);
	double dx = u1.x - u0.x, dy = u1.y - u0.y;
	double d2 = dx * dx + dy * dy;
	if(!(d2 > 0) || !std::isfinite(d2)) {
		sw.LineOp(p, false);
		return;
	}
	double f = std::sqrt(std::max(0.0, 1 / d2 - 0.25));
	if(large == sweep)
		f = -f;
	Pointf c((u0.x + u1.x) / 2 - f * dy, (u0.y + u1.y) / 2 + f * dx);
	double as = std::atan2(u0.y - c.y, u0.x - c.x);
	double ae = std::atan2(u1.y - c.y, u1.x - c.x);
	double s = ae - as;
	if(sweep && s < 0)
		s += 2 * M_PI;
	if(!sweep && s > 0)
		s -= 2 * M_PI;
	Xform2D m;
	m.x = Pointf(rx * cs, -ry * sn);
	m.y = Pointf(rx * sn, ry * cs);
	m.t = m.TransformVector(c);
	ArcToCubics(sw, m, as, s);
}

} // namespace Qel
