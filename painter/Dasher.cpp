#include "Dasher.h"

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
	cuts = 0;
	on = 1;
	if(sum == 0)
		return;
	if(!std::isfinite(start))
		start = 0;
	start = std::fmod(start, sum);
	if(start < 0) // a negative offset shifts the pattern the other way, as in SVG
		start += sum;
	if(start >= sum)
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

void Dasher::Line(const Pointf& p)
{
	if(sum == 0 || cuts > MAX_CUTS) {
		target->Line(p);
		return;
	}
	Pointf d(p.x - p0.x, p.y - p0.y);
	double len = std::sqrt(d.x * d.x + d.y * d.y);
	double t = 0;
	const Vector<double>& pat = *pattern;
	int n = pat.GetCount();
	for(;;) {
		double t1 = t + rem;
		if(!(t1 < len))
			break;
		Pointf q(p0.x + d.x * (t1 / len), p0.y + d.y * (t1 / len));
		if(on)
			target->Line(q);
		else
			target->Move(q);
		on ^= 1;
		rem = pat[index];
		index = (index + 1) % n;
		t = t1;
		if(++cuts > MAX_CUTS) {
			target->Line(p);
			p0 = p;
			return;
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
