// Gradient and image fills of a 1000 x 1000 area: BufferPainter against cairo's linear, radial
// and surface patterns, side by side. Each case checks how far the two results lie apart.
#include <painter/Painter.h>

#include "BenchPicture.h"
#include "ProcStatus.h"

#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

using namespace Qel;

namespace {

constexpr int W = 1000, H = 1000;

RGBA sRGBA(int r, int g, int b) { return RGBA{(byte)b, (byte)g, (byte)r, 255}; }

const RGBA c1 = sRGBA(20, 40, 200), c2 = sRGBA(250, 220, 10), cmid = sRGBA(200, 30, 60);

// The gradients: linear from (100, 100) to (400, 250); radial around (500, 500), radius 300,
// focus (400, 450); three stops each.
const Pointf L1(100, 100), L2(400, 250);
const Pointf RC(500, 500), RF(400, 450);
const double RR = 300;

const Image& sPicture()
{
	static Image img = bench::Picture(1024, 1024, 32);
	return img;
}

// Image transforms: rotated 30 degrees about the centre and scaled 2.5; scaled 0.37; moved by
// whole pixels.
Xform2D sRotated()
{
	return Xform2D::Translation(-512, -512) * Xform2D::Scale(2.5, 2.5) * Xform2D::Rotation(M_PI / 6) *
	       Xform2D::Translation(500, 500);
}
Xform2D sShrunk() { return Xform2D::Scale(0.37, 0.37); }
Xform2D sMoved()  { return Xform2D::Translation(-12, -12); }

struct Target {
	ImageBuffer ib;
	Target() : ib(W, H) {}
};

// cairo's ARGB32 is premultiplied b, g, r, a in memory on little-endian machines, as RGBA.
struct CairoTarget {
	cairo_surface_t* s;
	cairo_t*         cr;
	CairoTarget()  { s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, W, H); cr = cairo_create(s); }
	~CairoTarget() { cairo_destroy(cr); cairo_surface_destroy(s); }
	const RGBA* Pixels() { cairo_surface_flush(s); return (const RGBA*)cairo_image_surface_get_data(s); }
};

void sCompare(benchmark::State& state, const ImageBuffer& a, const RGBA* b)
{
	int maxd = 0;
	double sum = 0;
	for(int i = 0; i < W * H; i++) {
		const RGBA& p = a.Begin()[i];
		const RGBA& q = b[i];
		int d = std::max({abs(p.r - q.r), abs(p.g - q.g), abs(p.b - q.b), abs(p.a - q.a)});
		maxd = std::max(maxd, d);
		sum += d;
	}
	state.counters["max_diff_vs_cairo"] = maxd;
	state.counters["mean_diff_vs_cairo"] = sum / (W * H);
}

void sCairoStops(cairo_pattern_t* p)
{
	cairo_pattern_add_color_stop_rgb(p, 0, c1.r / 255.0, c1.g / 255.0, c1.b / 255.0);
	cairo_pattern_add_color_stop_rgb(p, 0.5, cmid.r / 255.0, cmid.g / 255.0, cmid.b / 255.0);
	cairo_pattern_add_color_stop_rgb(p, 1, c2.r / 255.0, c2.g / 255.0, c2.b / 255.0);
}

cairo_extend_t sExtend(int style) { return style == 1 ? CAIRO_EXTEND_REPEAT : CAIRO_EXTEND_REFLECT; }

void sQelGradient(BufferPainter& p, bool radial, int style)
{
	p.Begin();
	p.ColorStopOp(0.5, cmid);
	p.RectPath(0, 0, W, H);
	if(radial)
		p.Fill(RF, c1, RC, RR, c2, style);
	else
		p.Fill(L1, c1, L2, c2, style);
	p.End();
}

cairo_pattern_t* sCairoGradient(bool radial, int style)
{
	cairo_pattern_t* pat = radial ? cairo_pattern_create_radial(RF.x, RF.y, 0, RC.x, RC.y, RR)
	                              : cairo_pattern_create_linear(L1.x, L1.y, L2.x, L2.y);
	sCairoStops(pat);
	cairo_pattern_set_extend(pat, sExtend(style));
	return pat;
}

void sCairoFill(CairoTarget& t, cairo_pattern_t* pat)
{
	cairo_set_source(t.cr, pat);
	cairo_rectangle(t.cr, 0, 0, W, H);
	cairo_fill(t.cr);
}

void BM_Gradient_Qel(benchmark::State& state, bool radial, int style)
{
	Target t;
	BufferPainter p(t.ib);
	for(auto _ : state) {
		sQelGradient(p, radial, style);
		benchmark::DoNotOptimize(t.ib[0][0]);
	}
	CairoTarget c;
	cairo_pattern_t* pat = sCairoGradient(radial, style);
	sCairoFill(c, pat);
	cairo_pattern_destroy(pat);
	sCompare(state, t.ib, c.Pixels());
}

void BM_Gradient_Cairo(benchmark::State& state, bool radial, int style)
{
	CairoTarget c;
	cairo_pattern_t* pat = sCairoGradient(radial, style);
	for(auto _ : state) {
		sCairoFill(c, pat);
		benchmark::DoNotOptimize(c.Pixels()[0]);
	}
	cairo_pattern_destroy(pat);
}

// Image fills. filter: 0 nearest, 1 bilinear; cairo gets the matching filter.
void sQelImage(BufferPainter& p, const Xform2D& m, int filter, dword flags)
{
	p.Begin();
	p.ImageFilter(filter);
	p.RectPath(0, 0, W, H);
	p.Fill(sPicture(), m, flags);
	p.End();
}

cairo_surface_t* sCairoPicture()
{
	static cairo_surface_t* s = [] {
		const Image& img = sPicture();
		cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1024, 1024);
		cairo_surface_flush(s);
		byte* d = cairo_image_surface_get_data(s);
		int stride = cairo_image_surface_get_stride(s);
		for(int y = 0; y < 1024; y++)
			memcpy(d + (size_t)y * stride, img[y], 1024 * sizeof(RGBA));
		cairo_surface_mark_dirty(s);
		return s;
	}();
	return s;
}

cairo_pattern_t* sCairoImage(const Xform2D& m, cairo_filter_t filter, cairo_extend_t extend)
{
	cairo_pattern_t* pat = cairo_pattern_create_for_surface(sCairoPicture());
	// cairo's pattern matrix maps user space to the image: the inverse of m
	Xform2D inv = Inverse(m);
	cairo_matrix_t cm;
	cairo_matrix_init(&cm, inv.x.x, inv.y.x, inv.x.y, inv.y.y, inv.t.x, inv.t.y);
	cairo_pattern_set_matrix(pat, &cm);
	cairo_pattern_set_filter(pat, filter);
	cairo_pattern_set_extend(pat, extend);
	return pat;
}

struct ImageCase {
	Xform2D        m;
	int            filter;
	dword          flags;
	cairo_filter_t cfilter;
	cairo_extend_t cextend;
};

ImageCase sCase(int k)
{
	switch(k) {
	case 0: return { sRotated(), 1, 0, CAIRO_FILTER_BILINEAR, CAIRO_EXTEND_NONE };
	case 1: return { sShrunk(), 1, FILL_REPEAT, CAIRO_FILTER_GOOD, CAIRO_EXTEND_REPEAT };
	case 2: return { sShrunk(), 1, FILL_REPEAT, CAIRO_FILTER_BILINEAR, CAIRO_EXTEND_REPEAT };
	default: return { sMoved(), 0, 0, CAIRO_FILTER_NEAREST, CAIRO_EXTEND_NONE };
	}
}

void BM_Image_Qel(benchmark::State& state, int k)
{
	ImageCase c = sCase(k);
	Target t;
	BufferPainter p(t.ib);
	sPicture();
	long rss = ProcStatusKB("VmRSS:");
	sQelImage(p, c.m, c.filter, c.flags); // the first fill makes what later ones reuse
	state.counters["first_fill_rss_growth_kb"] = double(ProcStatusKB("VmRSS:") - rss);
	for(auto _ : state) {
		sQelImage(p, c.m, c.filter, c.flags);
		benchmark::DoNotOptimize(t.ib[0][0]);
	}
	CairoTarget ct;
	cairo_pattern_t* pat = sCairoImage(c.m, c.cfilter, c.cextend);
	sCairoFill(ct, pat);
	cairo_pattern_destroy(pat);
	sCompare(state, t.ib, ct.Pixels());
	if(k == 1) {
		// the shrunk copy that bilinear sampling reads instead of the picture itself
		PainterImageSpan s(c.flags, c.m, sPicture(), false, true, c.filter);
		state.counters["minified_kb"] = double(s.GetImage().GetLength() * sizeof(RGBA)) / 1024;
		state.counters["picture_kb"] = double(sPicture().GetLength() * sizeof(RGBA)) / 1024;
	}
}

void BM_Image_Cairo(benchmark::State& state, int k)
{
	ImageCase c = sCase(k);
	CairoTarget ct;
	cairo_pattern_t* pat = sCairoImage(c.m, c.cfilter, c.cextend);
	long rss = ProcStatusKB("VmRSS:");
	sCairoFill(ct, pat);
	state.counters["first_fill_rss_growth_kb"] = double(ProcStatusKB("VmRSS:") - rss);
	for(auto _ : state) {
		sCairoFill(ct, pat);
		benchmark::DoNotOptimize(ct.Pixels()[0]);
	}
	cairo_pattern_destroy(pat);
}

// Fast-path span sources alone, one 1000-pixel row at a time, without rasterising.
void BM_SpanRows_Qel(benchmark::State& state, bool radial)
{
	Image line = MakeGradientLine(c1, nullptr, 0, c2, radial ? 2048 : 335);
	PainterImageSpan ls(GradientImageFlags(2), Xform2D::Scale(1, 1) * Xform2D::Rotation(0.46) * Xform2D::Translation(100, 100), line, false, true, 1);
	PainterRadialSpan rs(Xform2D(), RC, RR, RF, 2, line);
	SpanSource& s = radial ? (SpanSource&)rs : (SpanSource&)ls;
	Buffer<RGBA> row(W);
	for(auto _ : state) {
		for(int y = 0; y < H; y++)
			s.Get(row, 0, y, W);
		benchmark::DoNotOptimize(row[0]);
	}
}

} // namespace

BENCHMARK_CAPTURE(BM_Gradient_Qel, linear_repeat, false, 1)->Name("LinearRepeat/Qel")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Gradient_Cairo, linear_repeat, false, 1)->Name("LinearRepeat/cairo")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Gradient_Qel, linear_reflect, false, 2)->Name("LinearReflect/Qel")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Gradient_Cairo, linear_reflect, false, 2)->Name("LinearReflect/cairo")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Gradient_Qel, radial_repeat, true, 1)->Name("RadialRepeat/Qel")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Gradient_Cairo, radial_repeat, true, 1)->Name("RadialRepeat/cairo")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Gradient_Qel, radial_reflect, true, 2)->Name("RadialReflect/Qel")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Gradient_Cairo, radial_reflect, true, 2)->Name("RadialReflect/cairo")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Image_Qel, rotated, 0)->Name("ImageRotated2.5Bilinear/Qel")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Image_Cairo, rotated, 0)->Name("ImageRotated2.5Bilinear/cairo")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Image_Qel, shrunk_good, 1)->Name("ImageScaled0.37/Qel")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Image_Cairo, shrunk_good, 1)->Name("ImageScaled0.37/cairo_good")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Image_Cairo, shrunk_bilinear, 2)->Name("ImageScaled0.37/cairo_bilinear")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Image_Qel, moved, 3)->Name("ImageScale1Fast/Qel")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Image_Cairo, moved, 3)->Name("ImageScale1Fast/cairo")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SpanRows_Qel, linear, false)->Name("SpanRowsLinearReflect/Qel")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SpanRows_Qel, radial, true)->Name("SpanRowsRadialReflect/Qel")->Unit(benchmark::kMillisecond);
