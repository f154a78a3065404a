// Rescaling, integer scaling and palettes against C peers that sit in this program (they
// allocate with malloc): stb_image_resize, pixman (bilinear and separable convolution) and
// libimagequant.
//
// Besides time, the plain rescale cases report peak_KB: the resident memory a fresh process
// adds while it runs the operation once into a target that is already allocated (measured in a
// child process of this program, started with QEL_BENCH_PEAK=<case>). The Rescaler keeps a few
// rows only, so its figure must not grow with the image. The filtered cases run Qel on 1, 2, 4
// and 8 CPUs (every thread of the process confined to that many); the peers run on one.
// Palette cases report the mean squared error per pixel (sum over r, g, b); libimagequant runs
// at speed 8 without dithering.
#define STB_IMAGE_RESIZE_IMPLEMENTATION
#define STBIR_MALLOC(size, c) ((void)(c), malloc(size))
#define STBIR_FREE(ptr, c) ((void)(c), free(ptr))
#include "ProcStatus.h"
#include <stb/stb_image_resize.h>

#include <draw/Draw.h>

#include <benchmark/benchmark.h>

#include <dirent.h>
#include <libimagequant.h>
#include <math.h>
#include <pixman.h>
#include <sched.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace Qel;

namespace {

void Check(bool ok, const char* what)
{
	if(!ok) {
		fprintf(stderr, "results disagree: %s\n", what);
		abort();
	}
}

// A photo-like picture: smooth shading, a few edges, a little noise; opaque.
Image Photo(int cx, int cy)
{
	ImageBuffer b(cx, cy);
	dword h = 12345;
	for(int y = 0; y < cy; y++)
		for(int x = 0; x < cx; x++) {
			double u = double(x) / cx, v = double(y) / cy;
			h = h * 1103515245 + 12345;
			int n = int(h >> 27) - 16;
			double r = 128 + 90 * sin(6 * u + 2 * v) + 30 * sin(40 * u * v);
			double g = 110 + 80 * cos(5 * v - 3 * u) + (u > 0.3 && u < 0.5 && v > 0.2 ? 40 : 0);
			double bl = 100 + 100 * sin(3 * (u + v)) * cos(7 * v);
			auto c = [&](double q) { return byte(std::clamp(int(q) + n, 0, 255)); };
			b[y][x] = RGBA{ c(bl), c(g), c(r), 255 };
		}
	return Image(b);
}

const Image& Source(Size sz)
{
	static Image big = Photo(4000, 3000), mid = Photo(3000, 2000), small = Photo(640, 480);
	return sz.cx == 4000 ? big : sz.cx == 3000 ? mid : small;
}

struct Case {
	const char* name;
	Size src, dst;
};

const Case cases[] = {
	{ "area", Size(4000, 3000), Size(1000, 750) },
	{ "ratio1.5", Size(3000, 2000), Size(2000, 1333) },
	{ "enlarge", Size(640, 480), Size(1920, 1440) },
};

// Every thread of the process on the first n CPUs (0: all again).
void Confine(int n)
{
	cpu_set_t set;
	CPU_ZERO(&set);
	int all = CPUCoreCount();
	for(int i = 0; i < (n ? n : all); i++)
		CPU_SET(i % all, &set);
	if(DIR* d = opendir("/proc/self/task")) {
		while(dirent* e = readdir(d))
			if(e->d_name[0] != '.')
				sched_setaffinity(atoi(e->d_name), sizeof(set), &set);
		closedir(d);
	}
}

// The rescalers, each writing into t (dst.cx * dst.cy pixels), single-threaded.
void QelRescaler(const Image& s, Size dst, RGBA* t)
{
	ImageRaster r(s);
	Rescaler rs;
	rs.Create(r, dst, Rect(Point(0, 0), s.GetSize()));
	for(int y = 0; y < dst.cy; y++)
		rs.GetLine(t + int64(y) * dst.cx);
}

void StbResize(const Image& s, Size dst, RGBA* t, stbir_filter f)
{
	int ok = stbir_resize_uint8_generic((const unsigned char*)s.Begin(), s.GetWidth(), s.GetHeight(), 0,
	                                    (unsigned char*)t, dst.cx, dst.cy, 0, 4, 3, STBIR_FLAG_ALPHA_PREMULTIPLIED,
	                                    STBIR_EDGE_CLAMP, f, STBIR_COLORSPACE_LINEAR, nullptr);
	Check(ok, "stb failed");
}

void PixmanScale(const Image& s, Size dst, RGBA* t, pixman_filter_t filter,
                 pixman_kernel_t reconstruct = PIXMAN_KERNEL_IMPULSE, pixman_kernel_t sample = PIXMAN_KERNEL_BOX)
{
	Size ssz = s.GetSize();
	pixman_image_t* src = pixman_image_create_bits(PIXMAN_a8r8g8b8, ssz.cx, ssz.cy, (uint32_t*)s.Begin(), ssz.cx * 4);
	pixman_image_t* d = pixman_image_create_bits(PIXMAN_a8r8g8b8, dst.cx, dst.cy, (uint32_t*)t, dst.cx * 4);
	pixman_transform_t tr;
	double sx = double(ssz.cx) / dst.cx, sy = double(ssz.cy) / dst.cy;
	pixman_transform_init_scale(&tr, pixman_double_to_fixed(sx), pixman_double_to_fixed(sy));
	pixman_image_set_transform(src, &tr);
	pixman_image_set_repeat(src, PIXMAN_REPEAT_PAD);
	if(filter == PIXMAN_FILTER_SEPARABLE_CONVOLUTION) {
		int n = 0;
		pixman_fixed_t* params = pixman_filter_create_separable_convolution(
			&n, pixman_double_to_fixed(sx), pixman_double_to_fixed(sy), reconstruct, reconstruct, sample, sample, 4, 4);
		pixman_image_set_filter(src, filter, params, n);
		free(params);
	}
	else
		pixman_image_set_filter(src, filter, nullptr, 0);
	pixman_image_composite32(PIXMAN_OP_SRC, src, nullptr, d, 0, 0, 0, 0, 0, 0, dst.cx, dst.cy);
	pixman_image_unref(src);
	pixman_image_unref(d);
}

struct Impl {
	const char* name;
	void (*run)(const Image&, Size, RGBA*);
};

const Impl impls[] = {
	{ "Qel", QelRescaler },
	{ "stb", [](const Image& s, Size d, RGBA* t) { StbResize(s, d, t, STBIR_FILTER_DEFAULT); } },
	{ "stb_box", [](const Image& s, Size d, RGBA* t) { StbResize(s, d, t, STBIR_FILTER_BOX); } },
	{ "pixman_bilinear", [](const Image& s, Size d, RGBA* t) { PixmanScale(s, d, t, PIXMAN_FILTER_BILINEAR); } },
	{ "pixman_separable", [](const Image& s, Size d, RGBA* t) {
		bool up = d.cx > s.GetWidth();
		PixmanScale(s, d, t, PIXMAN_FILTER_SEPARABLE_CONVOLUTION, up ? PIXMAN_KERNEL_LINEAR : PIXMAN_KERNEL_IMPULSE,
		            up ? PIXMAN_KERNEL_IMPULSE : PIXMAN_KERNEL_BOX);
	} },
};

// In the child: prepare, then run once and report the growth of the resident set.
long MeasureHere(const Case& c, const Impl& impl)
{
	const Image& s = Source(c.src);
	std::vector<RGBA> t(size_t(c.dst.cx) * c.dst.cy, RGBA{ 1, 1, 1, 1 });
	FILE* f = fopen("/proc/self/clear_refs", "w");
	if(!f)
		return -1;
	fputs("5", f); // the peak becomes the current resident size
	fclose(f);
	long base = ProcStatusKB("VmRSS:");
	impl.run(s, c.dst, t.data());
	return ProcStatusKB("VmHWM:") - base;
}

const bool sPeakChild = [] {
	const char* which = getenv("QEL_BENCH_PEAK");
	if(!which)
		return false;
	for(const Case& c : cases)
		for(const Impl& i : impls)
			if(std::string(c.name) + "/" + i.name == which) {
				printf("%ld\n", MeasureHere(c, i));
				fflush(stdout);
				_exit(0);
			}
	_exit(1);
}();

long PeakKB(const Case& c, const Impl& impl)
{
	std::string cmd = std::string("QEL_BENCH_PEAK='") + c.name + "/" + impl.name + "' /proc/" +
	                  std::to_string(getpid()) + "/exe";
	FILE* p = popen(cmd.c_str(), "r");
	long v = -1;
	if(p) {
		if(fscanf(p, "%ld", &v) != 1)
			v = -1;
		pclose(p);
	}
	return v;
}

void Plain(benchmark::State& state, int ci, int ii)
{
	const Case& c = cases[ci];
	const Impl& impl = impls[ii];
	const Image& s = Source(c.src);
	std::vector<RGBA> t(size_t(c.dst.cx) * c.dst.cy);
	for(auto _ : state) {
		impl.run(s, c.dst, t.data());
		benchmark::DoNotOptimize(t.data());
	}
	state.counters["peak_KB"] = double(PeakKB(c, impl));
	state.SetItemsProcessed(state.iterations() * int64(c.dst.cx) * c.dst.cy);
}

// Filtered rescaling: Qel on n CPUs, the peers on one.
void Filtered(benchmark::State& state, int ci, int filter, const char* who)
{
	const Case& c = cases[ci];
	const Image& s = Source(c.src);
	std::vector<RGBA> t(size_t(c.dst.cx) * c.dst.cy);
	int cpus = int(state.range(0));
	if(!strcmp(who, "Qel")) {
		Confine(cpus);
		Image r;
		for(auto _ : state) {
			r = RescaleFilter(s, c.dst, Rect(Point(0, 0), c.src), filter, {}, cpus > 1);
			benchmark::DoNotOptimize(r.Begin());
		}
		Confine(0);
	}
	else {
		bool lanczos = filter == FILTER_LANCZOS3;
		for(auto _ : state) {
			if(!strcmp(who, "stb"))
				StbResize(s, c.dst, t.data(), lanczos ? STBIR_FILTER_DEFAULT : STBIR_FILTER_MITCHELL);
			else
				PixmanScale(s, c.dst, t.data(), PIXMAN_FILTER_SEPARABLE_CONVOLUTION,
				            lanczos ? PIXMAN_KERNEL_LANCZOS3 : PIXMAN_KERNEL_CUBIC, PIXMAN_KERNEL_BOX);
			benchmark::DoNotOptimize(t.data());
		}
	}
	state.SetItemsProcessed(state.iterations() * int64(c.dst.cx) * c.dst.cy);
}

// Integer shrinking against stb's box filter (the same averages for whole ratios).
void Shrink(benchmark::State& state, int mode, bool stb)
{
	// whole blocks only, so that stb's box filter averages the same pixels
	static Image src3 = Photo(3000, 1998);
	const Image& s = mode == 0 ? Source(Size(3000, 2000)) : src3;
	Size dst = mode == 0 ? Size(750, 500) : Size(1000, 666);
	std::vector<RGBA> t(size_t(dst.cx) * dst.cy);
	Image r;
	for(auto _ : state) {
		if(stb)
			StbResize(s, dst, t.data(), STBIR_FILTER_BOX);
		else
			r = mode == 0 ? Minify(s, 4, 4, false) : DownSample3x(s, false);
		benchmark::DoNotOptimize(t.data());
		benchmark::DoNotOptimize(r.Begin());
	}
	if(!stb) {
		StbResize(s, dst, t.data(), STBIR_FILTER_BOX);
		int worst = 0;
		for(int i = 0; i < r.GetLength(); i++)
			worst = std::max(worst, ChannelDiff(r.Begin()[i], t[i]));
		state.counters["max_diff_vs_stb"] = worst;
	}
	state.SetItemsProcessed(state.iterations() * s.GetLength());
}

double Mse(const Image& img, const RGBA* pal, const byte* index)
{
	double e = 0;
	for(int64 i = 0; i < img.GetLength(); i++) {
		RGBA a = img.Begin()[i], b = pal[index[i]];
		e += (a.r - b.r) * (a.r - b.r) + (a.g - b.g) * (a.g - b.g) + (a.b - b.b) * (a.b - b.b);
	}
	return e / double(img.GetLength());
}

void QelPalette(benchmark::State& state)
{
	static Image img = Photo(1920, 1080);
	std::vector<byte> index(size_t(img.GetLength()));
	RGBA pal[256];
	for(auto _ : state) {
		ImageRaster r(img);
		CreatePalette(r, pal, 256);
		PaletteCv cv;
		CreatePaletteCv(pal, 256, cv);
		const RGBA* s = img.Begin();
		for(size_t i = 0; i < index.size(); i++)
			index[i] = cv.Get(s[i]);
		benchmark::DoNotOptimize(index.data());
	}
	state.counters["mse"] = Mse(img, pal, index.data());
	state.SetItemsProcessed(state.iterations() * img.GetLength());
}

void LiqPalette(benchmark::State& state)
{
	static Image img = Photo(1920, 1080);
	// libimagequant reads r, g, b, a bytes
	std::vector<byte> rgba(size_t(img.GetLength()) * 4);
	for(int64 i = 0; i < img.GetLength(); i++) {
		RGBA c = img.Begin()[i];
		rgba[4 * i] = c.r, rgba[4 * i + 1] = c.g, rgba[4 * i + 2] = c.b, rgba[4 * i + 3] = c.a;
	}
	std::vector<byte> index(size_t(img.GetLength()));
	RGBA pal[256] = {};
	for(auto _ : state) {
		liq_attr* attr = liq_attr_create();
		liq_set_max_colors(attr, 256);
		liq_set_speed(attr, 8); // its default (4) takes seconds per picture here
		liq_image* li = liq_image_create_rgba(attr, rgba.data(), img.GetWidth(), img.GetHeight(), 0);
		liq_result* res = nullptr;
		Check(liq_image_quantize(li, attr, &res) == LIQ_OK, "libimagequant failed");
		liq_set_dithering_level(res, 0);
		liq_write_remapped_image(res, li, index.data(), index.size());
		const liq_palette* p = liq_get_palette(res);
		for(unsigned i = 0; i < p->count; i++)
			pal[i] = RGBA{ p->entries[i].b, p->entries[i].g, p->entries[i].r, p->entries[i].a };
		liq_result_destroy(res);
		liq_image_destroy(li);
		liq_attr_destroy(attr);
		benchmark::DoNotOptimize(index.data());
	}
	state.counters["mse"] = Mse(img, pal, index.data());
	state.SetItemsProcessed(state.iterations() * img.GetLength());
}

const bool sRegistered = [] {
	for(int ci = 0; ci < 3; ci++)
		for(int ii = 0; ii < int(sizeof(impls) / sizeof(impls[0])); ii++)
			benchmark::RegisterBenchmark((std::string("Rescale_") + cases[ci].name + "/" + impls[ii].name).c_str(),
			                             [=](benchmark::State& s) { Plain(s, ci, ii); })->Unit(benchmark::kMillisecond);
	for(int ci : { 0, 2 })
		for(int f : { FILTER_LANCZOS3, FILTER_MITCHELL })
			for(const char* who : { "Qel", "stb", "pixman" }) {
				std::string name = std::string("RescaleFilter_") + (f == FILTER_LANCZOS3 ? "lanczos3_" : "bicubic_") +
				                   cases[ci].name + "/" + who;
				auto* b = benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State& s) { Filtered(s, ci, f, who); });
				b->Unit(benchmark::kMillisecond)->ArgName("cpus");
				if(!strcmp(who, "Qel"))
					b->Arg(1)->Arg(2)->Arg(4)->Arg(8);
				else
					b->Arg(1);
			}
	benchmark::RegisterBenchmark("Minify4/Qel", [](benchmark::State& s) { Shrink(s, 0, false); })->Unit(benchmark::kMillisecond);
	benchmark::RegisterBenchmark("Minify4/stb_box", [](benchmark::State& s) { Shrink(s, 0, true); })->Unit(benchmark::kMillisecond);
	benchmark::RegisterBenchmark("DownSample3x/Qel", [](benchmark::State& s) { Shrink(s, 1, false); })->Unit(benchmark::kMillisecond);
	benchmark::RegisterBenchmark("DownSample3x/stb_box", [](benchmark::State& s) { Shrink(s, 1, true); })->Unit(benchmark::kMillisecond);
	benchmark::RegisterBenchmark("Palette256/Qel", QelPalette)->Unit(benchmark::kMillisecond);
	benchmark::RegisterBenchmark("Palette256/libimagequant", LiqPalette)->Unit(benchmark::kMillisecond);
	return true;
}();

} // namespace
