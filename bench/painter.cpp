// Filling random polygons: the rasteriser with the solid filler vs cairo_fill, side by side.
#include <painter/Painter.h>

#include <benchmark/benchmark.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

using namespace Qel;

namespace {

struct Poly {
	std::vector<Pointf> p;
	RGBA   c;        // premultiplied
	double r, g, b, a;
};

const std::vector<Poly>& sPolys()
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
			q.r = u(rng);
			q.g = u(rng);
			q.b = u(rng);
			q.a = i & 1 ? 1.0 : 0.5;
			int a = (int)(q.a * 255 + 0.5);
			q.c = RGBA{(byte)(q.b * a + 0.5), (byte)(q.g * a + 0.5), (byte)(q.r * a + 0.5), (byte)a};
		}
		return v;
	}();
	return polys;
}

void sQelFill(RGBA* img, int w, int h, Rasterizer& r, size_t count)
{
	const auto& polys = sPolys();
	for(size_t i = 0; i < count; i++) {
		const Poly& q = polys[i];
		r.Reset();
		r.Move(q.p.back());
		for(const Pointf& p : q.p)
			r.Line(p);
		for(int y = r.GetMinY(); y <= r.GetMaxY(); y++) {
			SolidFiller f;
			f.t = img + (size_t)y * w;
			f.c = q.c;
			r.Render(y, f, false);
		}
	}
	(void)h;
}

void sCairoFill(cairo_t* cr, size_t count)
{
	const auto& polys = sPolys();
	cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
	for(size_t i = 0; i < count; i++) {
		const Poly& q = polys[i];
		cairo_move_to(cr, q.p[0].x, q.p[0].y);
		for(size_t k = 1; k < q.p.size(); k++)
			cairo_line_to(cr, q.p[k].x, q.p[k].y);
		cairo_close_path(cr);
		cairo_set_source_rgba(cr, q.r, q.g, q.b, q.a);
		cairo_fill(cr);
	}
}

void BM_FillPolygons_Qel(benchmark::State& state)
{
	std::vector<RGBA> img(1000 * 1000);
	Rasterizer r(1000, 1000);
	sPolys();
	for(auto _ : state) {
		memset((void*)img.data(), 0, img.size() * sizeof(RGBA));
		sQelFill(img.data(), 1000, 1000, r, 10000);
		benchmark::DoNotOptimize(img.data());
	}
	// Pixels against cairo on the first 300 polygons, on a white background.
	std::vector<RGBA> a(1000 * 1000, RGBA{255, 255, 255, 255});
	sQelFill(a.data(), 1000, 1000, r, 300);
	cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1000, 1000);
	cairo_t* cr = cairo_create(s);
	cairo_set_source_rgb(cr, 1, 1, 1);
	cairo_paint(cr);
	sCairoFill(cr, 300);
	cairo_surface_flush(s);
	const byte* b = cairo_image_surface_get_data(s);
	int stride = cairo_image_surface_get_stride(s);
	int maxd = 0, over2 = 0;
	for(int y = 0; y < 1000; y++)
		for(int x = 0; x < 1000; x++) {
			const byte* q = b + y * stride + 4 * x;
			const RGBA& p = a[y * 1000 + x];
			int d = std::max({std::abs(p.b - q[0]), std::abs(p.g - q[1]), std::abs(p.r - q[2]), std::abs(p.a - q[3])});
			if(d > 2 && over2++ < 12 && getenv("QEL_BENCH_DEBUG"))
				fprintf(stderr, "%d,%d qel %d %d %d %d cairo %d %d %d %d\n", x, y, p.b, p.g, p.r, p.a, q[0], q[1], q[2], q[3]);
			maxd = std::max(maxd, d);
		}
	state.counters["max_diff_vs_cairo"] = maxd;
	state.counters["pixels_off_by_more_than_2"] = over2;
	cairo_destroy(cr);
	cairo_surface_destroy(s);
}
BENCHMARK(BM_FillPolygons_Qel)->Name("FillPolygons/Qel")->Unit(benchmark::kMillisecond);

void BM_FillPolygons_Cairo(benchmark::State& state)
{
	cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1000, 1000);
	cairo_t* cr = cairo_create(s);
	sPolys();
	for(auto _ : state) {
		cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
		cairo_paint(cr);
		cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
		sCairoFill(cr, 10000);
		cairo_surface_flush(s);
		benchmark::DoNotOptimize(cairo_image_surface_get_data(s));
	}
	cairo_destroy(cr);
	cairo_surface_destroy(s);
}
BENCHMARK(BM_FillPolygons_Cairo)->Name("FillPolygons/cairo")->Unit(benchmark::kMillisecond);

void BM_FlattenCubics_Qel(benchmark::State& state)
{
	struct Count : LinearPathConsumer {
		long n = 0;
		void Move(const Pointf&) override {}
		void Line(const Pointf&) override { n++; }
	} c;
	std::mt19937 rng(2);
	std::uniform_real_distribution<double> u(0, 1000);
	std::vector<Pointf> pts(400000);
	for(Pointf& p : pts)
		p = Pointf(u(rng), u(rng));
	for(auto _ : state) {
		for(size_t i = 0; i + 3 < pts.size(); i += 4)
			ApproximateCubic(c, pts[i], pts[i + 1], pts[i + 2], pts[i + 3], 0.09);
		benchmark::DoNotOptimize(c.n);
	}
}
BENCHMARK(BM_FlattenCubics_Qel)->Name("Flatten100kCubics/Qel")->Unit(benchmark::kMillisecond);

const std::vector<std::vector<Pointf>>& sPolylines()
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

void BM_StrokePolylines_Qel(benchmark::State& state)
{
	bool dashed = state.range(0);
	std::vector<RGBA> img(1000 * 1000);
	Rasterizer r(1000, 1000);
	Vector<double> pat = {10, 5};
	sPolylines();
	for(auto _ : state) {
		for(const auto& l : sPolylines()) {
			r.Reset();
			Stroker s;
			s.target = &r;
			s.Init(3, 4, 0.3, LINECAP_BUTT, LINEJOIN_ROUND, Rectf(0, 0, 1000, 1000));
			Dasher d;
			d.target = &s;
			d.Init(pat, 0);
			LinearPathConsumer& head = dashed ? (LinearPathConsumer&)d : (LinearPathConsumer&)s;
			head.Move(l[0]);
			for(size_t k = 1; k < l.size(); k++)
				head.Line(l[k]);
			head.End();
			for(int y = r.GetMinY(); y <= r.GetMaxY(); y++) {
				SolidFiller f;
				f.t = img.data() + (size_t)y * 1000;
				f.c = RGBA{0, 0, 128, 255};
				r.Render(y, f, false);
			}
		}
		benchmark::DoNotOptimize(img.data());
	}
}
BENCHMARK(BM_StrokePolylines_Qel)->Name("StrokePolylines/Qel")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_StrokePolylines_Cairo(benchmark::State& state)
{
	bool dashed = state.range(0);
	cairo_surface_t* sf = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1000, 1000);
	cairo_t* cr = cairo_create(sf);
	cairo_set_line_width(cr, 3);
	cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
	cairo_set_source_rgb(cr, 0.5, 0, 0);
	double dash[2] = {10, 5};
	if(dashed)
		cairo_set_dash(cr, dash, 2, 0);
	sPolylines();
	for(auto _ : state) {
		for(const auto& l : sPolylines()) {
			cairo_move_to(cr, l[0].x, l[0].y);
			for(size_t k = 1; k < l.size(); k++)
				cairo_line_to(cr, l[k].x, l[k].y);
			cairo_stroke(cr);
		}
		cairo_surface_flush(sf);
		benchmark::DoNotOptimize(cairo_image_surface_get_data(sf));
	}
	cairo_destroy(cr);
	cairo_surface_destroy(sf);
}
BENCHMARK(BM_StrokePolylines_Cairo)->Name("StrokePolylines/cairo")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
