// Gradient lines: the colour ramp of a gradient drawn into a one-pixel-high image, which the
// image and radial span sources then sample. Lines are cached by their colours, stops and length.
#pragma once

#include <draw/imageops/ImageMaker.h>

namespace Qel {

struct GradientStop {
	double pos;   // 0..1 along the line
	RGBA   color;
};

// n pixels (at least 1) running from c1 through the stops (ascending by position) to c2; the
// last pixel is c2 exactly. Each stop sits at pixel int(pos * (n - 1)); a stop that does not
// move past the one before gives a hard edge there. The empty Image for n < 1.
Image MakeGradientLine(const RGBA& c1, const GradientStop* stops, int count, const RGBA& c2, int n);

class GradientImageMaker : public ImageMaker {
public:
	RGBA                color1;
	const GradientStop* stops;
	int                 count;
	RGBA                color2;
	int                 n;

	String Key() const override;
	Image  Make() const override;

	GradientImageMaker(const RGBA& c1, const GradientStop* stops, int count, const RGBA& c2, int n)
	: color1(c1), stops(stops), count(count), color2(c2), n(n) {}
};

// The line through the image-maker cache, or made directly when cache is false.
Image GetGradientLine(const RGBA& c1, const GradientStop* stops, int count, const RGBA& c2, int n,
                      bool cache);

// Image fill flags of a linear gradient style: horizontally pad, repeat or reflect by style & 3,
// vertically always pad, with the fast bit (128) kept.
dword GradientImageFlags(int style);

} // namespace Qel
