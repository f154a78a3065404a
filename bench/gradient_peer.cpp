// The same gradients as bench/gradient.cpp, filled by AGG's span_gradient (which allocates with
// operator new, so it runs here, off the framework's heap).
#include <benchmark/benchmark.h>

#include <agg_basics.h>
#include <agg_color_rgba.h>
#include <agg_gradient_lut.h>
#include <agg_pixfmt_rgba.h>
#include <agg_rasterizer_scanline_aa.h>
#include <agg_renderer_base.h>
#include <agg_renderer_scanline.h>
#include <agg_rendering_buffer.h>
#include <agg_scanline_u.h>
#include <agg_span_allocator.h>
#include <agg_span_gradient.h>
#include <agg_span_interpolator_linear.h>
#include <agg_trans_affine.h>

#include <cmath>
#include <vector>

namespace {

constexpr int W = 1000, H = 1000;

using PixFmt = agg::pixfmt_bgra32_pre;
using Color = agg::rgba8;
using Lut = agg::gradient_lut<agg::color_interpolator<Color>, 1024>;
using Interpolator = agg::span_interpolator_linear<>;

void sStops(Lut& lut)
{
	lut.remove_all();
	lut.add_color(0, Color(20, 40, 200));
	lut.add_color(0.5, Color(200, 30, 60));
	lut.add_color(1, Color(250, 220, 10));
	lut.build_lut();
}

template <class Gradient>
void sFill(agg::rendering_buffer& rb, const Gradient& g, const agg::trans_affine& mtx, double d2, const Lut& lut)
{
	PixFmt pf(rb);
	agg::renderer_base<PixFmt> base(pf);
	agg::rasterizer_scanline_aa<> ras;
	agg::scanline_u8 sl;
	agg::span_allocator<Color> alloc;
	Interpolator inter(const_cast<agg::trans_affine&>(mtx));
	agg::span_gradient<Color, Interpolator, const Gradient, const Lut> sg(inter, g, lut, 0, d2);
	ras.move_to_d(0, 0);
	ras.line_to_d(W, 0);
	ras.line_to_d(W, H);
	ras.line_to_d(0, H);
	agg::render_scanlines_aa(ras, sl, base, alloc, sg);
}

// Linear from (100, 100) to (400, 250): gradient_x along the axis, in gradient units 0..d2.
template <template <class> class Adaptor>
void BM_Linear(benchmark::State& state)
{
	std::vector<unsigned char> buf(W * H * 4);
	agg::rendering_buffer rb(buf.data(), W, H, W * 4);
	Lut lut;
	sStops(lut);
	double dx = 300, dy = 150, len = std::sqrt(dx * dx + dy * dy);
	agg::trans_affine mtx;
	mtx *= agg::trans_affine_rotation(std::atan2(dy, dx));
	mtx *= agg::trans_affine_translation(100, 100);
	mtx.invert();
	agg::gradient_x gx;
	Adaptor<agg::gradient_x> g(gx);
	for(auto _ : state) {
		sFill(rb, g, mtx, len, lut);
		benchmark::DoNotOptimize(buf[0]);
	}
}

// Radial around (500, 500), radius 300, focus (400, 450).
template <template <class> class Adaptor>
void BM_Radial(benchmark::State& state)
{
	std::vector<unsigned char> buf(W * H * 4);
	agg::rendering_buffer rb(buf.data(), W, H, W * 4);
	Lut lut;
	sStops(lut);
	agg::trans_affine mtx;
	mtx *= agg::trans_affine_translation(500, 500);
	mtx.invert();
	agg::gradient_radial_focus gf(300, -100, -50);
	Adaptor<agg::gradient_radial_focus> g(gf);
	for(auto _ : state) {
		sFill(rb, g, mtx, 300, lut);
		benchmark::DoNotOptimize(buf[0]);
	}
}

} // namespace

BENCHMARK(BM_Linear<agg::gradient_repeat_adaptor>)->Name("LinearRepeat/agg")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Linear<agg::gradient_reflect_adaptor>)->Name("LinearReflect/agg")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Radial<agg::gradient_repeat_adaptor>)->Name("RadialRepeat/agg")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Radial<agg::gradient_reflect_adaptor>)->Name("RadialReflect/agg")->Unit(benchmark::kMillisecond);
