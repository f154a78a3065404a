// BufferPainter through ImagePainter, single-threaded and in co mode on 2, 4 and 8 threads,
// against cairo single-threaded on the same inputs: polygon fills, round-joined strokes, glyphs,
// clipped and masked rectangles, the peak memory of a large painter, and parts of an image
// drawn at their own size and scaled against whole images of the part's size.
#include <painter/Painter.h>

#include "BenchPicture.h"
#include "ProcStatus.h"

#include <Core/value/ValueCache.h>
#include <draw/imageops/ImageOp.h>

#include <benchmark/benchmark.h>
#include <cairo.h>
#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <thread>
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

struct Rct {
	double x, y, w, h;
	RGBA   c;
	double r, g, b;
};

const std::vector<Rct>& sRects()
{
	static std::vector<Rct> v = [] {
		std::mt19937 rng(4);
		std::uniform_real_distribution<double> u(0, 1);
		std::vector<Rct> r(10000);
		for(Rct& q : r) {
			q.x = 950 * u(rng);
			q.y = 950 * u(rng);
			q.w = 5 + 45 * u(rng);
			q.h = 5 + 45 * u(rng);
			q.r = u(rng);
			q.g = u(rng);
			q.b = u(rng);
			q.c = RGBA{(byte)(q.b * 255 + 0.5), (byte)(q.g * 255 + 0.5), (byte)(q.r * 255 + 0.5), 255};
		}
		return r;
	}();
	return v;
}

// threads: -1 co off, else co on with that many threads.
void sSetCo(BufferPainter& p, int threads)
{
	if(threads > 0)
		p.Co().CoThreads(threads);
}

const char* sImpl(int threads)
{
	return threads < 0 ? "Qel" : threads == 2 ? "QelCo2" : threads == 4 ? "QelCo4" : "QelCo8";
}

void sQelPolys(BufferPainter& p)
{
	for(const Poly& q : sPolys()) {
		p.Move(q.p.back());
		for(const Pointf& pt : q.p)
			p.Line(pt);
		p.Fill(q.c);
	}
}

void sCairoPolys(cairo_t* cr)
{
	cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
	for(const Poly& q : sPolys()) {
		cairo_move_to(cr, q.p[0].x, q.p[0].y);
		for(size_t k = 1; k < q.p.size(); k++)
			cairo_line_to(cr, q.p[k].x, q.p[k].y);
		cairo_close_path(cr);
		cairo_set_source_rgba(cr, q.r, q.g, q.b, q.a);
		cairo_fill(cr);
	}
}

void BM_Polygons_Qel(benchmark::State& state, int threads)
{
	sPolys();
	ImagePainter p(1000, 1000);
	sSetCo(p, threads);
	for(auto _ : state) {
		p.Clear(RGBA{0, 0, 0, 0});
		sQelPolys(p);
		p.Finish();
	}
	// The same pixels as single-threaded, and close to cairo's.
	Image co = p;
	ImagePainter s(1000, 1000);
	sQelPolys(s);
	Image single = s;
	state.counters["same_as_single"] = memcmp(co.Begin(), single.Begin(), 4000000) == 0;
	cairo_surface_t* sf = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1000, 1000);
	cairo_t* cr = cairo_create(sf);
	sCairoPolys(cr);
	cairo_surface_flush(sf);
	const byte* b = cairo_image_surface_get_data(sf);
	int stride = cairo_image_surface_get_stride(sf);
	int over4 = 0;
	for(int y = 0; y < 1000; y++)
		for(int x = 0; x < 1000; x++) {
			const byte* q = b + y * stride + 4 * x;
			const RGBA& c = single[y][x];
			int d = std::max({std::abs(c.b - q[0]), std::abs(c.g - q[1]), std::abs(c.r - q[2]), std::abs(c.a - q[3])});
			over4 += d > 4;
		}
	state.counters["pixels_off_by_more_than_4_vs_cairo"] = over4;
	cairo_destroy(cr);
	cairo_surface_destroy(sf);
}

void BM_Polygons_Cairo(benchmark::State& state)
{
	sPolys();
	cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1000, 1000);
	cairo_t* cr = cairo_create(s);
	for(auto _ : state) {
		cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
		cairo_paint(cr);
		cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
		sCairoPolys(cr);
		cairo_surface_flush(s);
		benchmark::DoNotOptimize(cairo_image_surface_get_data(s));
	}
	cairo_destroy(cr);
	cairo_surface_destroy(s);
}

void BM_Strokes_Qel(benchmark::State& state, int threads)
{
	sPolylines();
	ImagePainter p(1000, 1000);
	sSetCo(p, threads);
	p.LineJoin(LINEJOIN_ROUND);
	for(auto _ : state) {
		p.Clear(RGBA{0, 0, 0, 0});
		for(const auto& l : sPolylines()) {
			p.Move(l[0]);
			for(size_t k = 1; k < l.size(); k++)
				p.Line(l[k]);
			p.Stroke(3, RGBA{0, 0, 128, 255});
		}
		p.Finish();
	}
}

void BM_Strokes_Cairo(benchmark::State& state)
{
	sPolylines();
	cairo_surface_t* sf = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1000, 1000);
	cairo_t* cr = cairo_create(sf);
	cairo_set_line_width(cr, 3);
	cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
	cairo_set_source_rgb(cr, 0.5, 0, 0);
	for(auto _ : state) {
		cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
		cairo_paint(cr);
		cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
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

// 100k glyphs in rows of 50, the same characters and pen positions on both sides.
constexpr int GLYPHS = 100000;

const std::vector<int>& sText()
{
	static std::vector<int> t = [] {
		std::mt19937 rng(5);
		std::vector<int> r(GLYPHS);
		for(int& c : r)
			c = 33 + rng() % 94;
		return r;
	}();
	return t;
}

Font sDejaVu(int px)
{
	int face = Font::FindFaceName("DejaVu Sans");
	return Font(face, px);
}

void sQelGlyphs(BufferPainter& p, int px)
{
	Font f = sDejaVu(px);
	const std::vector<int>& t = sText();
	double adv = px * 0.6;
	int perrow = 50, rows = 1000 / px;
	for(int i = 0; i < GLYPHS; i += perrow) {
		int row = (i / perrow) % rows;
		for(int k = 0; k < perrow; k++) {
			p.CharacterOp(Pointf(k * adv, row * px), t[i + k], f);
			p.DivOp();
		}
		p.Fill(RGBA{0, 0, 0, 255});
	}
}

void sDropValueCache()
{
	detail::SetValueCacheLimits(0, 0);
	ShrinkValueCache();
	AdjustValueCacheLimit();
}

void BM_Glyphs_Qel(benchmark::State& state, int px, bool cold)
{
	sText();
	ImagePainter p(1000, 1000);
	sQelGlyphs(p, px); // font set-up out of the timing
	for(auto _ : state) {
		if(cold) {
			state.PauseTiming();
			sDropValueCache();
			state.ResumeTiming();
			// a new thread starts with an empty cache of its own
			std::thread th([&] { sQelGlyphs(p, px); p.Finish(); });
			th.join();
		}
		else {
			sQelGlyphs(p, px);
			p.Finish();
		}
	}
}

void sCairoGlyphs(cairo_t* cr, FT_Face face, int px)
{
	cairo_font_face_t* ff = cairo_ft_font_face_create_for_ft_face(face, 0);
	cairo_set_font_face(cr, ff);
	cairo_set_font_size(cr, px);
	cairo_font_extents_t fe;
	cairo_font_extents(cr, &fe);
	const std::vector<int>& t = sText();
	double adv = px * 0.6;
	int perrow = 50, rows = 1000 / px;
	std::vector<cairo_glyph_t> g(perrow);
	cairo_set_source_rgb(cr, 0, 0, 0);
	for(int i = 0; i < GLYPHS; i += perrow) {
		int row = (i / perrow) % rows;
		for(int k = 0; k < perrow; k++) {
			g[k].index = FT_Get_Char_Index(face, t[i + k]);
			g[k].x = k * adv;
			g[k].y = row * px + fe.ascent;
		}
		cairo_show_glyphs(cr, g.data(), perrow);
	}
	cairo_set_font_face(cr, nullptr);
	cairo_font_face_destroy(ff);
}

void BM_Glyphs_Cairo(benchmark::State& state, int px, bool cold)
{
	sText();
	FT_Library lib;
	FT_Init_FreeType(&lib);
	const char* path = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
	FT_Face face;
	if(FT_New_Face(lib, path, 0, &face)) {
		state.SkipWithError("DejaVu Sans not found");
		return;
	}
	cairo_surface_t* sf = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1000, 1000);
	cairo_t* cr = cairo_create(sf);
	sCairoGlyphs(cr, face, px);
	for(auto _ : state) {
		if(cold) {
			// a new face is a new font to cairo: glyphs are rendered from the outlines again
			state.PauseTiming();
			FT_Face nf;
			FT_New_Face(lib, path, 0, &nf);
			state.ResumeTiming();
			sCairoGlyphs(cr, nf, px);
			cairo_surface_flush(sf);
			state.PauseTiming();
			cairo_font_face_t* ff = cairo_get_font_face(cr);
			(void)ff;
			FT_Done_Face(nf);
			state.ResumeTiming();
		}
		else {
			sCairoGlyphs(cr, face, px);
			cairo_surface_flush(sf);
		}
	}
	cairo_destroy(cr);
	cairo_surface_destroy(sf);
	FT_Done_Face(face);
	FT_Done_FreeType(lib);
}

void sQelRects(BufferPainter& p)
{
	for(const Rct& r : sRects())
		p.RectPath(r.x, r.y, r.w, r.h).Fill(r.c);
}

void sCairoRects(cairo_t* cr)
{
	for(const Rct& r : sRects()) {
		cairo_rectangle(cr, r.x, r.y, r.w, r.h);
		cairo_set_source_rgb(cr, r.r, r.g, r.b);
		cairo_fill(cr);
	}
}

void BM_ClippedRects_Qel(benchmark::State& state, int threads, bool mask)
{
	sRects();
	ImagePainter p(1000, 1000);
	sSetCo(p, threads);
	for(auto _ : state) {
		p.Clear(RGBA{0, 0, 0, 0});
		if(mask) {
			p.BeginMask();
			p.Circle(500, 500, 400).Fill(RGBA{255, 255, 255, 255});
			p.End();
			p.Begin();
		}
		else
			p.Begin().Circle(500, 500, 400).Clip();
		sQelRects(p);
		p.End();
		p.Finish();
	}
}

void BM_ClippedRects_Cairo(benchmark::State& state, bool mask)
{
	sRects();
	cairo_surface_t* sf = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1000, 1000);
	cairo_t* cr = cairo_create(sf);
	cairo_surface_t* m = cairo_image_surface_create(CAIRO_FORMAT_A8, 1000, 1000);
	cairo_t* mc = cairo_create(m);
	cairo_arc(mc, 500, 500, 400, 0, 2 * M_PI);
	cairo_fill(mc);
	cairo_surface_flush(m);
	for(auto _ : state) {
		cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
		cairo_paint(cr);
		cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
		cairo_save(cr);
		if(mask) {
			cairo_push_group(cr);
			sCairoRects(cr);
			cairo_pop_group_to_source(cr);
			cairo_mask_surface(cr, m, 0, 0);
		}
		else {
			cairo_arc(cr, 500, 500, 400, 0, 2 * M_PI);
			cairo_clip(cr);
			sCairoRects(cr);
		}
		cairo_restore(cr);
		cairo_surface_flush(sf);
		benchmark::DoNotOptimize(cairo_image_surface_get_data(sf));
	}
	cairo_destroy(mc);
	cairo_surface_destroy(m);
	cairo_destroy(cr);
	cairo_surface_destroy(sf);
}

// Peak resident memory since the last reset, in MiB.
void sResetPeak()
{
	if(FILE* f = fopen("/proc/self/clear_refs", "w")) {
		fputs("5", f);
		fclose(f);
	}
}

double sPeakMiB()
{
	return ProcStatusKB("VmHWM:") / 1024.0;
}

void sSmallCircles(const std::function<void (double, double, double)>& fn)
{
	std::mt19937 rng(6);
	std::uniform_real_distribution<double> u(0, 4096);
	for(int i = 0; i < 100000; i++)
		fn(u(rng), u(rng), 2 + (i % 7));
}

void BM_PeakMemory_Qel(benchmark::State& state, int threads)
{
	for(auto _ : state) {
		sResetPeak();
		double base = sPeakMiB();
		{
			ImagePainter p(4096, 4096);
			sSetCo(p, threads);
			sSmallCircles([&](double x, double y, double r) { p.Circle(x, y, r).Fill(RGBA{0, 0, 200, 255}); });
			p.Finish();
		}
		state.counters["peak_MiB_over_start"] = sPeakMiB() - base;
	}
}

void BM_PeakMemory_Cairo(benchmark::State& state)
{
	for(auto _ : state) {
		sResetPeak();
		double base = sPeakMiB();
		cairo_surface_t* sf = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 4096, 4096);
		cairo_t* cr = cairo_create(sf);
		cairo_set_source_rgb(cr, 0.8, 0, 0);
		sSmallCircles([&](double x, double y, double r) {
			cairo_arc(cr, x, y, r, 0, 2 * M_PI);
			cairo_fill(cr);
		});
		cairo_surface_flush(sf);
		state.counters["peak_MiB_over_start"] = sPeakMiB() - base;
		cairo_destroy(cr);
		cairo_surface_destroy(sf);
	}
}

// Images drawn through Draw: a 300 x 200 part of an 800 x 600 picture against a whole image of
// the part's size (its copy), at its own size, up to 450 x 300 and down to 200 x 133. cairo draws
// a sub-surface of the part with its edges padded, bilinear, as the painter samples.
const Rect IMAGE_PART(250, 200, 550, 400);
const Size PART_SIZE(300, 200);
const Size IMAGE_TARGET(500, 360);

const Image& sPicture()
{
	static Image img = bench::Picture(800, 600, 16);
	return img;
}

const Image& sPartCopy()
{
	static Image img = Crop(sPicture(), IMAGE_PART);
	return img;
}

cairo_surface_t* sCairoPicture(const Image& img)
{
	Size sz = img.GetSize();
	cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, sz.cx, sz.cy);
	cairo_surface_flush(s);
	byte* d = cairo_image_surface_get_data(s);
	int stride = cairo_image_surface_get_stride(s);
	for(int y = 0; y < sz.cy; y++)
		memcpy(d + (size_t)y * stride, img[y], sz.cx * sizeof(RGBA));
	cairo_surface_mark_dirty(s);
	return s;
}

// part: the part of the picture drawn, else the whole copy of it.
void sQelImagePart(BufferPainter& p, Size to, bool part)
{
	if(part)
		p.DrawImageOp(20, 30, to.cx, to.cy, sPicture(), IMAGE_PART, Color());
	else
		p.DrawImageOp(20, 30, to.cx, to.cy, sPartCopy(), Rect(Point(0, 0), PART_SIZE), Color());
}

void sCairoImagePart(cairo_t* cr, cairo_surface_t* picture, Size to, bool part)
{
	cairo_surface_t* s = part ? cairo_surface_create_for_rectangle(picture, IMAGE_PART.left, IMAGE_PART.top,
	                                                               PART_SIZE.cx, PART_SIZE.cy)
	                          : cairo_surface_reference(picture);
	cairo_save(cr);
	cairo_translate(cr, 20, 30);
	cairo_scale(cr, double(to.cx) / PART_SIZE.cx, double(to.cy) / PART_SIZE.cy);
	cairo_set_source_surface(cr, s, 0, 0);
	cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
	cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_BILINEAR);
	cairo_rectangle(cr, 0, 0, PART_SIZE.cx, PART_SIZE.cy);
	cairo_fill(cr);
	cairo_restore(cr);
	cairo_surface_destroy(s);
}

void BM_ImagePart_Qel(benchmark::State& state, Size to, bool part)
{
	sPartCopy();
	ImagePainter p(IMAGE_TARGET);
	p.Clear(RGBA{0, 0, 0, 0});
	for(auto _ : state) {
		sQelImagePart(p, to, part);
		benchmark::DoNotOptimize(p.GetSize());
	}
	// A part shows what its copy shows, byte for byte; cairo's bilinear rounds otherwise.
	ImagePainter other(IMAGE_TARGET);
	other.Clear(RGBA{0, 0, 0, 0});
	sQelImagePart(other, to, !part);
	Image a = p, b = other;
	state.counters["same_as_" + std::string(part ? "whole" : "part")] =
		memcmp(a.Begin(), b.Begin(), a.GetLength() * sizeof(RGBA)) == 0;
	cairo_surface_t* sf = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, IMAGE_TARGET.cx, IMAGE_TARGET.cy);
	cairo_t* cr = cairo_create(sf);
	cairo_surface_t* picture = sCairoPicture(part ? sPicture() : sPartCopy());
	sCairoImagePart(cr, picture, to, part);
	cairo_surface_flush(sf);
	const byte* d = cairo_image_surface_get_data(sf);
	int stride = cairo_image_surface_get_stride(sf);
	int maxd = 0;
	double sum = 0;
	for(int y = 0; y < IMAGE_TARGET.cy; y++)
		for(int x = 0; x < IMAGE_TARGET.cx; x++) {
			const byte* q = d + y * stride + 4 * x;
			const RGBA& c = a[y][x];
			int e = std::max({std::abs(c.b - q[0]), std::abs(c.g - q[1]), std::abs(c.r - q[2]), std::abs(c.a - q[3])});
			maxd = std::max(maxd, e);
			sum += e;
		}
	state.counters["max_diff_vs_cairo"] = maxd;
	state.counters["mean_diff_vs_cairo"] = sum / IMAGE_TARGET.cx / IMAGE_TARGET.cy;
	cairo_surface_destroy(picture);
	cairo_destroy(cr);
	cairo_surface_destroy(sf);
}

void BM_ImagePart_Cairo(benchmark::State& state, Size to, bool part)
{
	cairo_surface_t* sf = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, IMAGE_TARGET.cx, IMAGE_TARGET.cy);
	cairo_t* cr = cairo_create(sf);
	cairo_surface_t* picture = sCairoPicture(part ? sPicture() : sPartCopy());
	for(auto _ : state) {
		sCairoImagePart(cr, picture, to, part);
		cairo_surface_flush(sf);
		benchmark::DoNotOptimize(cairo_image_surface_get_data(sf));
	}
	cairo_surface_destroy(picture);
	cairo_destroy(cr);
	cairo_surface_destroy(sf);
}

const int sThreads[] = {-1, 2, 4, 8};

int sRegister = [] {
	for(int t : sThreads) {
		String impl = sImpl(t);
		benchmark::RegisterBenchmark(~("Polygons/" + impl), BM_Polygons_Qel, t)->Unit(benchmark::kMillisecond)->UseRealTime();
		benchmark::RegisterBenchmark(~("Strokes/" + impl), BM_Strokes_Qel, t)->Unit(benchmark::kMillisecond)->UseRealTime();
		benchmark::RegisterBenchmark(~("ClipRects/" + impl), BM_ClippedRects_Qel, t, false)->Unit(benchmark::kMillisecond)->UseRealTime();
		benchmark::RegisterBenchmark(~("MaskRects/" + impl), BM_ClippedRects_Qel, t, true)->Unit(benchmark::kMillisecond)->UseRealTime();
	}
	benchmark::RegisterBenchmark("Polygons/cairo", BM_Polygons_Cairo)->Unit(benchmark::kMillisecond)->UseRealTime();
	benchmark::RegisterBenchmark("Strokes/cairo", BM_Strokes_Cairo)->Unit(benchmark::kMillisecond)->UseRealTime();
	benchmark::RegisterBenchmark("ClipRects/cairo", BM_ClippedRects_Cairo, false)->Unit(benchmark::kMillisecond)->UseRealTime();
	benchmark::RegisterBenchmark("MaskRects/cairo", BM_ClippedRects_Cairo, true)->Unit(benchmark::kMillisecond)->UseRealTime();
	for(int px : {12, 48})
		for(bool cold : {false, true}) {
			String c = Format("Glyphs%d%s", px, cold ? "Cold" : "Warm");
			benchmark::RegisterBenchmark(~(c + "/Qel"), BM_Glyphs_Qel, px, cold)->Unit(benchmark::kMillisecond)->UseRealTime();
			benchmark::RegisterBenchmark(~(c + "/cairo"), BM_Glyphs_Cairo, px, cold)->Unit(benchmark::kMillisecond)->UseRealTime();
		}
	benchmark::RegisterBenchmark("PeakMemory4096/Qel", BM_PeakMemory_Qel, -1)->Unit(benchmark::kMillisecond)->Iterations(1);
	benchmark::RegisterBenchmark("PeakMemory4096/QelCo4", BM_PeakMemory_Qel, 4)->Unit(benchmark::kMillisecond)->Iterations(1);
	benchmark::RegisterBenchmark("PeakMemory4096/cairo", BM_PeakMemory_Cairo)->Unit(benchmark::kMillisecond)->Iterations(1);
	for(Size to : {Size(300, 200), Size(450, 300), Size(200, 133)})
		for(bool part : {false, true}) {
			String c = Format("Image%s%dx%d", part ? "Part" : "Whole", to.cx, to.cy);
			benchmark::RegisterBenchmark(~(c + "/Qel"), BM_ImagePart_Qel, to, part)->Unit(benchmark::kMicrosecond)->UseRealTime();
			benchmark::RegisterBenchmark(~(c + "/cairo"), BM_ImagePart_Cairo, to, part)->Unit(benchmark::kMicrosecond)->UseRealTime();
		}
	return 0;
}();

} // namespace
