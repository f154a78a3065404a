// The painter benchmarks' peers that allocate with operator new: AGG (scanline AA fills,
// conv_stroke/conv_dash strokes, curve4_div flattening) and std::from_chars tokenising the SVG
// path data. Same inputs as bench_painter (painter_inputs.h). The pixel check against the
// framework's rasteriser runs once, outside the timing.
#include <painter/Painter.h>

#include "painter_inputs.h"

#include <agg_conv_dash.h>
#include <agg_conv_stroke.h>
#include <agg_curves.h>
#include <agg_path_storage.h>
#include <agg_pixfmt_rgba.h>
#include <agg_rasterizer_scanline_aa.h>
#include <agg_renderer_base.h>
#include <agg_renderer_scanline.h>
#include <agg_rendering_buffer.h>
#include <agg_scanline_p.h>

#include <benchmark/benchmark.h>

#include <charconv>
#include <cstring>

using namespace PainterBench;

namespace {

using PixFmt   = agg::pixfmt_bgra32_pre; // premultiplied, b g r a in memory like RGBA
using RenBase  = agg::renderer_base<PixFmt>;
using RenSolid = agg::renderer_scanline_aa_solid<RenBase>;

struct AggImage {
	std::vector<Qel::RGBA>      pixels;
	agg::rendering_buffer       rbuf;
	PixFmt                      pf;
	RenBase                     rb;
	RenSolid                    ren;
	agg::rasterizer_scanline_aa<> ras;
	agg::scanline_p8            sl; // packed: solid spans as runs

	AggImage()
	: pixels(1000 * 1000), rbuf((agg::int8u*)pixels.data(), 1000, 1000, 4000), pf(rbuf), rb(pf), ren(rb) {}

	void Clear() { memset((void*)pixels.data(), 0, pixels.size() * sizeof(Qel::RGBA)); }

	void Fill(const std::vector<Poly>& polys, size_t count)
	{
		ras.filling_rule(agg::fill_non_zero);
		for(size_t i = 0; i < count; i++) {
			const Poly& q = polys[i];
			ras.reset();
			ras.move_to_d(q.p[0].x, q.p[0].y);
			for(size_t k = 1; k < q.p.size(); k++)
				ras.line_to_d(q.p[k].x, q.p[k].y);
			ras.close_polygon();
			ren.color(agg::rgba8(q.c.r, q.c.g, q.c.b, q.c.a));
			agg::render_scanlines(ras, sl, ren);
		}
	}
};

// The framework's rasteriser on the same polygons, for the pixel comparison only.
void sQelFill(std::vector<Qel::RGBA>& img, const std::vector<Poly>& polys, size_t count)
{
	Qel::Rasterizer r(1000, 1000);
	for(size_t i = 0; i < count; i++) {
		const Poly& q = polys[i];
		r.Reset();
		r.Move(q.p.back());
		for(const Pointf& p : q.p)
			r.Line(p);
		for(int y = r.GetMinY(); y <= r.GetMaxY(); y++) {
			Qel::SolidFiller f;
			f.t = img.data() + (size_t)y * 1000;
			f.c = q.c;
			r.Render(y, f, false);
		}
	}
}

void sCompare(benchmark::State& state, const std::vector<Poly>& polys, size_t count)
{
	AggImage a;
	for(auto& p : a.pixels)
		p = Qel::RGBA{255, 255, 255, 255};
	a.Fill(polys, count);
	std::vector<Qel::RGBA> q(1000 * 1000, Qel::RGBA{255, 255, 255, 255});
	sQelFill(q, polys, count);
	int maxd = 0, over2 = 0;
	for(size_t i = 0; i < q.size(); i++) {
		const Qel::RGBA& x = q[i];
		const Qel::RGBA& y = a.pixels[i];
		int d = std::max({std::abs(x.b - y.b), std::abs(x.g - y.g), std::abs(x.r - y.r), std::abs(x.a - y.a)});
		maxd = std::max(maxd, d);
		over2 += d > 2;
	}
	state.counters["max_diff_vs_qel"] = maxd;
	state.counters["pixels_off_by_more_than_2"] = over2;
}

void BM_FillPolygons_Agg(benchmark::State& state)
{
	AggImage a;
	Polys();
	for(auto _ : state) {
		a.Clear();
		a.Fill(Polys(), 10000);
		benchmark::DoNotOptimize(a.pixels.data());
	}
	sCompare(state, Polys(), 300);
}
BENCHMARK(BM_FillPolygons_Agg)->Name("FillPolygons/agg")->Unit(benchmark::kMillisecond);

void BM_FillLarge_Agg(benchmark::State& state)
{
	AggImage a;
	const std::vector<Poly>& polys = LargePolys();
	for(auto _ : state) {
		a.Clear();
		a.Fill(polys, polys.size());
		benchmark::DoNotOptimize(a.pixels.data());
	}
	state.SetItemsProcessed(state.iterations() * polys.size() * 1000 * 1000);
	sCompare(state, polys, polys.size());
}
BENCHMARK(BM_FillLarge_Agg)->Name("FillLarge/agg")->Unit(benchmark::kMillisecond);

void BM_StrokePolylines_Agg(benchmark::State& state)
{
	bool dashed = state.range(0);
	AggImage a;
	a.ren.color(agg::rgba8(128, 0, 0, 255));
	Polylines();
	for(auto _ : state) {
		for(const auto& l : Polylines()) {
			agg::path_storage ps;
			ps.move_to(l[0].x, l[0].y);
			for(size_t k = 1; k < l.size(); k++)
				ps.line_to(l[k].x, l[k].y);
			a.ras.reset();
			if(dashed) {
				agg::conv_dash<agg::path_storage> d(ps);
				d.add_dash(10, 5);
				agg::conv_stroke<agg::conv_dash<agg::path_storage>> s(d);
				s.width(3);
				s.line_join(agg::round_join);
				s.line_cap(agg::butt_cap);
				s.miter_limit(4);
				a.ras.add_path(s);
			}
			else {
				agg::conv_stroke<agg::path_storage> s(ps);
				s.width(3);
				s.line_join(agg::round_join);
				s.line_cap(agg::butt_cap);
				s.miter_limit(4);
				a.ras.add_path(s);
			}
			agg::render_scanlines(a.ras, a.sl, a.ren);
		}
		benchmark::DoNotOptimize(a.pixels.data());
	}
}
BENCHMARK(BM_StrokePolylines_Agg)->Name("StrokePolylines/agg")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_FlattenCubics_Agg(benchmark::State& state)
{
	const std::vector<Pointf>& pts = CubicPoints();
	agg::curve4_div c;
	// The framework flattens to 0.3 pixel; curve4_div's distance tolerance is 0.5 / scale.
	c.approximation_scale(0.5 / 0.3);
	long n = 0;
	for(auto _ : state) {
		n = 0;
		for(size_t i = 0; i + 3 < pts.size(); i += 4) {
			c.init(pts[i].x, pts[i].y, pts[i + 1].x, pts[i + 1].y, pts[i + 2].x, pts[i + 2].y,
			       pts[i + 3].x, pts[i + 3].y);
			double x, y;
			c.rewind(0);
			while(!agg::is_stop(c.vertex(&x, &y)))
				n++;
			n--; // the first vertex is the start point, a move
		}
		benchmark::DoNotOptimize(n);
	}
	state.counters["segments"] = n;
}
BENCHMARK(BM_FlattenCubics_Agg)->Name("Flatten100kCubics/agg")->Unit(benchmark::kMillisecond);

// Only the numbers of the path data: what any reader has to convert, without the commands.
void BM_SvgPathData_FromChars(benchmark::State& state)
{
	const std::string& text = SvgPathText();
	long count = 0;
	for(auto _ : state) {
		const char* s = text.data();
		const char* e = s + text.size();
		double sum = 0;
		count = 0;
		while(s < e) {
			char c = *s;
			if((c >= '0' && c <= '9') || c == '-' || c == '.') {
				double v;
				auto r = std::from_chars(s, e, v);
				if(r.ec != std::errc()) {
					s++;
					continue;
				}
				sum += v;
				count++;
				s = r.ptr;
			}
			else
				s++;
		}
		benchmark::DoNotOptimize(sum);
	}
	state.counters["numbers"] = count;
	state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(BM_SvgPathData_FromChars)->Name("SvgPathData10MB/from_chars")->Unit(benchmark::kMillisecond);

} // namespace
