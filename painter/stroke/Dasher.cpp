#include "Dasher.h"
#include <painter/raster/Rasterizer.h>

#include <cmath>

namespace Qel {

void Dasher::Init(const Vector<double>& pat, double start)
{
	pattern = &pat;
	sum = 0;
	int n = pat.GetCount();
	for(int i = 0; i < n; i++) {
		double v = pat[i];
		if(!std::isfinite(v) || v < 0) {
			sum = 0;
			break;
		}
		sum += v;
	}
	if(!(sum > 0) || !std::isfinite(sum))
		sum = 0;
	p0 = Pointf(0, 0);
	cuts = shown = 0;
	maxshown = MAX_CUTS;
	on = 1;
	view = Rectf(-INFINITY, -INFINITY, INFINITY, INFINITY);
	if(sum == 0)
		return;
	if(!std::isfinite(start))
		start = 0;
	double period = Period();
	start = std::fmod(start, period);
	if(start < 0) // a negative offset shifts the pattern the other way, as in SVG
		start += period;
	if(start >= period)
		start = 0;
	rem = pat[0];
	index = 1 % n;
	while(rem <= start) {
		start -= rem;
		rem = pat[index];
		index = (index + 1) % n;
		on ^= 1;
	}
	rem -= start;
}

void Dasher::Move(const Pointf& p)
{
	target->Move(p);
	p0 = p;
}

// The next pattern element: the current one ends at a cut.
inline void Dasher::Next()
{
	on ^= 1;
	rem = (*pattern)[index];
	index = (index + 1) % pattern->GetCount();
}

// Moves t over the cuts before to without making them: whole periods at once, as the pattern
// repeats, then element by element (each counted as a cut, so that the walk stays bounded however
// the numbers round). With keep, the last cut whose following piece reaches to is not passed.
void Dasher::Step(double& t, double to, bool keep)
{
	double period = Period();
	double k = std::floor((to - t) / period) - 1;
	if(k >= 1 && k < 9e15)
		t += k * period;
	while(t + rem + (keep ? (*pattern)[index] : 0) < to && cuts <= MAX_CUTS) {
		t += rem;
		Next();
		cuts++;
	}
}

void Dasher::Line(const Pointf& p)
{
	if(sum == 0 || cuts > MAX_CUTS || shown > maxshown) {
		target->Line(p);
		return;
	}
	Pointf d(p.x - p0.x, p.y - p0.y);
	double len = std::sqrt(d.x * d.x + d.y * d.y);
	// ta .. tb: the part of the segment in view, as distances from p0 (Liang-Barsky). The pieces
	// wholly before ta or after tb are not cut: what the stroker gets there is at most one line
	// over dashes and gaps, all of it out of view.
	double ta = 0, tb = len;
	if(std::isfinite(view.left) && len > 0 && std::isfinite(len)) {
		bool in = true;
		auto edge = [&](double q, double r) { // the segment's side of an edge: q * t / len <= r
			if(q == 0)
				in = in && r >= 0;
			else if(q < 0)
				ta = std::max(ta, r / q * len);
			else
				tb = std::min(tb, r / q * len);
		};
		edge(-d.x, p0.x - view.left);
		edge(d.x, view.right - p0.x);
		edge(-d.y, p0.y - view.top);
		edge(d.y, view.bottom - p0.y);
		if(!in || !(ta <= tb))
			ta = tb = -1; // nothing in view: no cut at all
	}
	double t = 0;
	if(ta < 0)
		Step(t, len, false);
	else if(ta > 0)
		Step(t, ta, true);
	while(ta >= 0) {
		double t1 = t + rem;
		if(!(t1 < len))
			break;
		Pointf q(p0.x + d.x * (t1 / len), p0.y + d.y * (t1 / len));
		if(on)
			target->Line(q);
		else
			target->Move(q);
		Next();
		t = t1;
		if(++cuts > MAX_CUTS || ++shown > maxshown || (sink && sink->IsFull())) {
			target->Line(p);
			p0 = p;
			return;
		}
		if(t > tb) {
			Step(t, len, false);
			break;
		}
	}
	if(std::isfinite(len))
		rem -= len - t;
	if(on)
		target->Line(p);
	else
		target->Move(p);
	p0 = p;
}

} // namespace Qel
