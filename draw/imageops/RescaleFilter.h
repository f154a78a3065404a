// Filtered rescaling: a reconstruction kernel sampled once into shared fixed-point tables, and
// every target pixel the weighted mean of a window of source pixels. Rows can be spread over the
// worker pool; the result is the same either way.
#pragma once

#include <draw/image/Image.h>

#include <Core/stream/Stream.h>

namespace Qel {

// A kernel's weight at distance x (in source pixels); the second argument is the table's scale
// factor, which the built-in kernels ignore.
using RescaleKernel = double (*)(double x, double factor);

double FilterBox(double x, double);
double FilterTriangle(double x, double);
double FilterBspline(double x, double);
double FilterQuadratic(double x, double);
double FilterMitchell(double x, double);
double FilterHermite(double x, double);
double FilterLanczos2(double x, double);
double FilterLanczos3(double x, double);
double FilterLanczos4(double x, double);
double FilterLanczos5(double x, double);

// The built-in kernels by number.
enum {
	FILTER_BOX, FILTER_TRIANGLE, FILTER_BSPLINE, FILTER_QUADRATIC, FILTER_MITCHELL,
	FILTER_HERMITE, FILTER_LANCZOS2, FILTER_LANCZOS3, FILTER_LANCZOS4, FILTER_LANCZOS5,
};

struct KernelTable {
	int        a = 0;          // support of the kernel
	int        radius = 0;     // taps on each side, in source pixels
	int        shift = 0;      // fixed-point bits of positions and weights
	double     factor = 0;     // 1 << shift
	int        centre = 0;     // a << shift: the index of distance 0
	int        bound = 0;      // 2 * radius << shift
	const int* table = nullptr;// 2a << shift + 1 weights: kernel(i / factor - a) * factor

	// The weight at table index i, i clamped into the table.
	int Get(int i) const       { return table[i < 0 ? 0 : i > 2 * centre ? 2 * centre : i]; }
};

// The table description for resampling src pixels onto dst pixels; tables are shared by all
// callers and live until exit.
void GetKernelTable(KernelTable& kt, RescaleKernel kernel, int a, int src, int dst);
// A built-in kernel by number (clamped into 0 .. 9) with its own support.
void GetFilterKernel(KernelTable& kt, int number, int src, int dst);
// The same for shrinking by dx (src dx onto dst 1).
KernelTable GetFilterKernel(int number, int dx);

// Rectangle r of img (columns and rows beyond img repeat its edges) resampled to sz with the
// kernel. progress(y, sz.cy) is asked before each row (from the workers when parallel); true
// leaves the rows not yet made transparent. The empty Image when r or sz is empty.
Image RescaleFilter(const Image& img, Size sz, const Rect& r, RescaleKernel kernel, int a,
                    const Gate<int, int>& progress = {}, bool parallel = false);
// A built-in kernel by number; a Null number gives the plain Rescale.
Image RescaleFilter(const Image& img, Size sz, const Rect& r, int number,
                    const Gate<int, int>& progress = {}, bool parallel = false);

} // namespace Qel
