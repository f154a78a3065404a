// Inputs of the painter benchmarks, made from fixed seeds, so that bench_painter and
// bench_painter_peer draw exactly the same shapes.
#pragma once

#include <Core/types/Color.h>
#include <Core/types/Gtypes.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace PainterBench {

using Qel::Pointf;
using Qel::RGBA;
using Qel::byte;

struct Poly {
	std::vector<Pointf> p;
	RGBA   c;        // premultiplied
	double r, g, b, a;
};

inline void SetColor(Poly& q, double r, double g, double b, double a)
{
	q.r = r;
	q.g = g;
	q.b = b;
	q.a = a;
	int ia = (int)(a * 255 + 0.5);
	q.c = RGBA{(byte)(b * ia + 0.5), (byte)(g * ia + 0.5), (byte)(r * ia + 0.5), (byte)ia};
}

// 10,000 polygons of 3 to 8 vertices in 1000 x 1000, every other one half opaque.
inline const std::vector<Poly>& Polys()
{
	static std::vector<Poly> polys = [] {
		std::mt19937 rng(1);
		std::uniform_real_distribution<double> u(0, 1);
		std::vector<Poly> v(10000);
		for(int i = 0; i < 10000; i++) {
			Poly& q = v[i];
			double cx = 1000 * u(rng), cy = 1000 * u(rng), rad = 10 + 90 * u(rng);
			int n = 3 + i % 6;
			for(int k = 0; k < n; k++)
				q.p.push_back(Pointf(cx + rad * (2 * u(rng) - 1), cy + rad * (2 * u(rng) - 1)));
			double r = u(rng), g = u(rng), b = u(rng);
			SetColor(q, r, g, b, i & 1 ? 1.0 : 0.5);
		}
		return v;
	}();
	return polys;
}

// Eight polygons that each cover most of the 1000 x 1000 image: the fill rate of long spans.
inline const std::vector<Poly>& LargePolys()
{
	static std::vector<Poly> polys = [] {
		std::mt19937 rng(6);
		std::uniform_real_distribution<double> u(0, 1);
		std::vector<Poly> v(8);
		for(int i = 0; i < 8; i++) {
			Poly& q = v[i];
			int n = 5 + i % 4;
			double a0 = 2 * M_PI * u(rng);
			for(int k = 0; k < n; k++) {
				double a = a0 + 2 * M_PI * k / n, rad = 700 + 100 * u(rng);
				q.p.push_back(Pointf(500 + rad * std::cos(a), 500 + rad * std::sin(a)));
			}
			double r = u(rng), g = u(rng), b = u(rng);
			SetColor(q, r, g, b, i & 1 ? 1.0 : 0.5);
		}
		return v;
	}();
	return polys;
}

// 1000 random walks of 100 segments.
inline const std::vector<std::vector<Pointf>>& Polylines()
{
	static std::vector<std::vector<Pointf>> v = [] {
		std::mt19937 rng(3);
		std::uniform_real_distribution<double> u(0, 1);
		std::vector<std::vector<Pointf>> r(1000);
		for(auto& l : r) {
			Pointf p(1000 * u(rng), 1000 * u(rng));
			for(int k = 0; k <= 100; k++) {
				l.push_back(p);
				p = Pointf(std::clamp(p.x + 40 * u(rng) - 20, 0.0, 1000.0), std::clamp(p.y + 40 * u(rng) - 20, 0.0, 1000.0));
			}
		}
		return r;
	}();
	return v;
}

// 100,000 cubics, four points each.
inline const std::vector<Pointf>& CubicPoints()
{
	static std::vector<Pointf> pts = [] {
		std::mt19937 rng(2);
		std::uniform_real_distribution<double> u(0, 1000);
		std::vector<Pointf> v(400000);
		for(Pointf& p : v)
			p = Pointf(u(rng), u(rng));
		return v;
	}();
	return pts;
}

// About 10 MB of SVG path data using every command, absolute and relative, with the separators
// and number forms that files have (commas, signs, fractions, exponents now and then).
inline const std::string& SvgPathText()
{
	static std::string s = [] {
		std::mt19937 rng(5);
		std::uniform_real_distribution<double> u(-500, 500);
		std::uniform_int_distribution<int> cmd(0, 17);
		std::string t;
		t.reserve(10 << 20);
		char b[64];
		auto num = [&](bool sep) {
			double v = u(rng);
			int f = (int)(rng() % 8);
			if(f == 0)
				snprintf(b, sizeof(b), "%s%d", sep ? " " : "", (int)v);
			else if(f == 1)
				snprintf(b, sizeof(b), "%s%.3e", sep ? " " : "", v);
			else
				snprintf(b, sizeof(b), "%s%.2f", sep ? (rng() & 1 ? "," : " ") : "", v);
			t += b;
		};
		auto pts = [&](int n) { for(int i = 0; i < n; i++) { num(i > 0); num(true); } };
		t += "M0 0";
		while(t.size() < (10u << 20)) {
			static const char cmds[] = "MLHVCSQTAZmlhvcsqt";
			char c = cmds[cmd(rng)];
			t += ' ';
			t += c;
			switch(c | 0x20) {
			case 'm': case 'l': case 't': pts(1 + (int)(rng() % 3)); break;
			case 'h': case 'v': num(false); num(true); break;
			case 'c': pts(3); break;
			case 's': case 'q': pts(2); break;
			case 'a':
				snprintf(b, sizeof(b), "%d %d %d %d %d ", 10 + (int)(rng() % 90), 10 + (int)(rng() % 90),
				         (int)(rng() % 360), (int)(rng() & 1), (int)(rng() & 1));
				t += b;
				num(false);
				num(true);
				break;
			case 'z': break;
			}
		}
		return t;
	}();
	return s;
}

} // namespace PainterBench
