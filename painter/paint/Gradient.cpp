#include "Gradient.h"

#include <Core/stream/StringStream.h>

#include <cmath>

namespace Qel {

namespace {

// Pixels p0 .. p1 - 1 from a towards b; integer arithmetic so that cached and direct lines agree
// everywhere.
void sSegment(RGBA* t, int p0, const RGBA& a, int p1, const RGBA& b)
{
	int len = p1 - p0;
	t += p0;
	for(int k = 0; k < len; k++) {
		t[k].r = byte((len * a.r + k * (b.r - a.r)) / len);
		t[k].g = byte((len * a.g + k * (b.g - a.g)) / len);
		t[k].b = byte((len * a.b + k * (b.b - a.b)) / len);
		t[k].a = byte((len * a.a + k * (b.a - a.a)) / len);
	}
}

void sPutRGBA(Stream& s, const RGBA& c)
{
	s.Put(c.r);
	s.Put(c.g);
	s.Put(c.b);
	s.Put(c.a);
}

} // namespace

Image MakeGradientLine(const RGBA& c1, const GradientStop* stops, int count, const RGBA& c2, int n)
{
	ImageBuffer ib;
	if(n < 1 || !ib.Create(n, 1))
		return Image();
	RGBA* t = ib[0];
	int last = n - 1;
	int p0 = 0;
	RGBA a = c1;
	for(int i = 0; i < count; i++) {
		double pos = stops[i].pos;
		pos = pos >= 0 ? pos <= 1 ? pos : 1 : 0; // NaN counts as 0
		int p1 = int(pos * last);
		if(p1 > p0) {
			sSegment(t, p0, a, p1, stops[i].color);
			p0 = p1;
		}
		a = stops[i].color;
	}
	if(last > p0)
		sSegment(t, p0, a, last, c2);
	t[last] = c2;
	return ib;
}

String GradientImageMaker::Key() const
{
	StringStream s;
	sPutRGBA(s, color1);
	int c = count;
	s.PackNullable(c);
	for(int i = 0; i < count; i++) {
		double pos = stops[i].pos;
		s.Put(&pos, 8);
		sPutRGBA(s, stops[i].color);
	}
	sPutRGBA(s, color2);
	s.Put32le(n);
	return s.GetResult();
}

Image GradientImageMaker::Make() const
{
	return MakeGradientLine(color1, stops, count, color2, n);
}

Image GetGradientLine(const RGBA& c1, const GradientStop* stops, int count, const RGBA& c2, int n,
                      bool cache)
{
	if(!cache)
		return MakeGradientLine(c1, stops, count, c2, n);
	return MakeImage(GradientImageMaker(c1, stops, count, c2, n));
}

dword GradientImageFlags(int style)
{
	int s = style & 3;
	return (s == 0 ? 1 : s == 1 ? 2 : 3) | 4 | (style & 128);
}

} // namespace Qel
