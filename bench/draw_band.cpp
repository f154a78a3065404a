// Drawing a large image scaled down onto a Draw: the shared default image operation produces the
// picture in bands of 16 rows from a row rescaler and hands each band to the target (here one
// that only sums the pixels it receives), against cairo scaling the same pixels onto an image
// surface (cairo_scale + cairo_paint; cairo is a C library on malloc, so it sits in this program).
//
// Besides time, each case reports peak_KB: the growth of the resident set while the operation
// runs once in a fresh child process of this program (started with QEL_BENCH_PEAK=<case>), after
// the source picture is made and, for cairo, its target surface is created; /proc/self/clear_refs
// resets the peak to the current size first, so the figure is the operation's own working memory.
// target_KB tells what the target itself holds. The mean colour of both results must agree.
#include "ProcStatus.h"
#include <draw/Draw.h>

#include <benchmark/benchmark.h>
#include <cairo.h>

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>

using namespace Qel;

namespace {

const Size SRC(8000, 6000);
const Size DST(4000, 3000);

// A photo-like opaque picture: smooth shading, edges and a little noise.
const Image& Source()
{
	static Image img = [] {
		ImageBuffer b(SRC);
		dword h = 12345;
		for(int y = 0; y < SRC.cy; y++) {
			RGBA* t = b[y];
			double v = double(y) / SRC.cy;
			for(int x = 0; x < SRC.cx; x++) {
				double u = double(x) / SRC.cx;
				h = h * 1103515245 + 12345;
				int n = int(h >> 28) - 8;
				auto c = [&](double d) { return byte(min(max(int(d) + n, 0), 255)); };
				t[x] = RGBA{ c(100 + 100 * sin(3 * (u + v))), c(110 + 80 * cos(5 * v - 3 * u)),
				             c(128 + 90 * sin(6 * u + 2 * v) + (u > 0.3 && u < 0.5 ? 30 : 0)), 255 };
			}
		}
		return Image(b);
	}();
	return img;
}

// Sums what it is given: pixel count and channel totals of every image within its clip.
class CountingDraw : public Draw {
	Rect clip = Rect(0, 0, 0x3FFFFFFF, 0x3FFFFFFF);
	Point org;

public:
	int64 pixels = 0;
	int64 sum[4] = {};

	dword GetInfo() const override { return 0; }
	void BeginOp() override {}
	void EndOp() override { clip = Rect(0, 0, 0x3FFFFFFF, 0x3FFFFFFF); org = Point(); }
	void OffsetOp(const Point&) override {}
	bool ClipOp(const Rect&) override { return true; }
	bool ClipoffOp(const Rect& r) override { clip = r; org = Point(r.left, r.top); return true; }
	bool ExcludeClipOp(const Rect&) override { return true; }
	bool IntersectClipOp(const Rect&) override { return true; }
	bool IsPaintingOp(const Rect&) const override { return true; }
	void DrawRectOp(int, int, int, int, Color) override {}
	void DrawLineOp(int, int, int, int, int, Color) override {}
	void DrawPolyPolylineOp(const Point*, int, const int*, int, int, Color, Color) override {}
	void DrawPolyPolyPolygonOp(const Point*, int, const int*, int, const int*, int, Color, int, Color, uint64,
	                           Color) override {}
	void DrawArcOp(const Rect&, const Point&, const Point&, int, Color) override {}
	void DrawEllipseOp(const Rect&, Color, int, Color) override {}
	void DrawTextOp(int, int, int, const wchar*, Font, Color, int, const int*) override {}

	void SysDrawImageOp(int x, int y, const Image& img, Color) override
	{
		x += org.x;
		y += org.y;
		int x0 = max(x, clip.left), x1 = min(x + img.GetWidth(), clip.right);
		int y0 = max(y, clip.top), y1 = min(y + img.GetHeight(), clip.bottom);
		for(int ty = y0; ty < y1; ty++) {
			const RGBA* s = img[ty - y] + (x0 - x);
			for(int tx = x0; tx < x1; tx++, s++) {
				sum[0] += s->r;
				sum[1] += s->g;
				sum[2] += s->b;
				sum[3] += s->a;
			}
		}
		pixels += int64(max(x1 - x0, 0)) * max(y1 - y0, 0);
	}
};

struct Mean { double c[4]; };

Mean RunQel()
{
	CountingDraw w;
	const Image& s = Source();
	w.DrawImageOp(0, 0, DST.cx, DST.cy, s, Rect(Point(0, 0), SRC), Color());
	Mean m;
	for(int i = 0; i < 4; i++)
		m.c[i] = double(w.sum[i]) / max(w.pixels, int64(1));
	if(w.pixels != int64(DST.cx) * DST.cy) {
		fprintf(stderr, "Qel drew %lld pixels\n", (long long)w.pixels);
		abort();
	}
	return m;
}

cairo_surface_t* sCairoTarget;

void PrepareCairo()
{
	if(sCairoTarget)
		return;
	sCairoTarget = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, DST.cx, DST.cy);
	// touched, so that its pages count as the target's and not as the operation's
	memset(cairo_image_surface_get_data(sCairoTarget), 0,
	       size_t(cairo_image_surface_get_stride(sCairoTarget)) * DST.cy);
	cairo_surface_mark_dirty(sCairoTarget);
}

Mean RunCairo()
{
	const Image& s = Source();
	cairo_surface_t* src = cairo_image_surface_create_for_data((unsigned char*)s.Begin(), CAIRO_FORMAT_ARGB32,
	                                                           SRC.cx, SRC.cy, SRC.cx * 4);
	cairo_t* cr = cairo_create(sCairoTarget);
	cairo_scale(cr, double(DST.cx) / SRC.cx, double(DST.cy) / SRC.cy);
	cairo_set_source_surface(cr, src, 0, 0);
	cairo_paint(cr);
	cairo_destroy(cr);
	cairo_surface_destroy(src);
	cairo_surface_flush(sCairoTarget);
	const unsigned char* d = cairo_image_surface_get_data(sCairoTarget);
	int stride = cairo_image_surface_get_stride(sCairoTarget);
	int64 sum[4] = {};
	for(int y = 0; y < DST.cy; y++) {
		const RGBA* p = (const RGBA*)(d + int64(y) * stride);
		for(int x = 0; x < DST.cx; x++) {
			sum[0] += p[x].r;
			sum[1] += p[x].g;
			sum[2] += p[x].b;
			sum[3] += p[x].a;
		}
	}
	Mean m;
	for(int i = 0; i < 4; i++)
		m.c[i] = double(sum[i]) / (int64(DST.cx) * DST.cy);
	return m;
}

long MeasureHere(bool cairo)
{
	Source();
	if(cairo)
		PrepareCairo();
	FILE* f = fopen("/proc/self/clear_refs", "w");
	if(!f)
		return -1;
	fputs("5", f); // the peak becomes the current resident size
	fclose(f);
	long base = ProcStatusKB("VmRSS:");
	if(cairo)
		RunCairo();
	else
		RunQel();
	return ProcStatusKB("VmHWM:") - base;
}

const bool sPeakChild = [] {
	const char* which = getenv("QEL_BENCH_PEAK");
	if(!which)
		return false;
	printf("%ld\n", MeasureHere(!strcmp(which, "cairo")));
	fflush(stdout);
	_exit(0);
}();

long PeakKB(const char* which)
{
	std::string cmd = std::string("QEL_BENCH_PEAK=") + which + " /proc/" + std::to_string(getpid()) + "/exe";
	FILE* p = popen(cmd.c_str(), "r");
	long v = -1;
	if(p) {
		if(fscanf(p, "%ld", &v) != 1)
			v = -1;
		pclose(p);
	}
	return v;
}

void Check()
{
	static bool done = [] {
		PrepareCairo();
		Mean a = RunQel(), b = RunCairo();
		for(int i = 0; i < 4; i++)
			if(fabs(a.c[i] - b.c[i]) > 1.0) {
				fprintf(stderr, "results disagree: channel %d mean %.3f vs %.3f\n", i, a.c[i], b.c[i]);
				abort();
			}
		return true;
	}();
	(void)done;
}

void BandQel(benchmark::State& state)
{
	Check();
	for(auto _ : state)
		benchmark::DoNotOptimize(RunQel());
	state.counters["peak_KB"] = double(PeakKB("qel"));
	state.counters["target_KB"] = 0;
	state.SetItemsProcessed(state.iterations() * int64(DST.cx) * DST.cy);
}

void BandCairo(benchmark::State& state)
{
	Check();
	for(auto _ : state)
		benchmark::DoNotOptimize(RunCairo());
	state.counters["peak_KB"] = double(PeakKB("cairo"));
	state.counters["target_KB"] = double(int64(DST.cx) * DST.cy * 4 / 1024);
	state.SetItemsProcessed(state.iterations() * int64(DST.cx) * DST.cy);
}

} // namespace

BENCHMARK(BandQel)->Name("ScaledImage8000x6000To4000x3000/Qel")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BandCairo)->Name("ScaledImage8000x6000To4000x3000/cairo")->Unit(benchmark::kMillisecond)->UseRealTime();
