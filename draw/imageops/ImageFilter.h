// 3 x 3 neighbourhood filters run row by row through the raster interfaces, with rows and
// columns beyond the edges replaced by the nearest edge ones; and the conversions between
// normal and double resolution.
#pragma once

#include <draw/raster/RasterEncoder.h>

namespace Qel {

class ImageFilter9 {
public:
	// Three rows (top, middle, bottom), each pointing at three pixels: left, centre, right.
	virtual RGBA operator()(const RGBA** mx) = 0;
	virtual ~ImageFilter9() {}
};

// The etched look of disabled images, over straight (unmultiplied) colours: dark pixels become
// mid grey, pixels below-right of dark ones white, the rest transparent.
class EtchFilter : public ImageFilter9 {
public:
	RGBA operator()(const RGBA** mx) override;
};

// One output row of w pixels from three source rows.
void  FilterRow(RGBA* t, const RGBA* top, const RGBA* mid, const RGBA* bottom, int w, ImageFilter9& f);
void  Filter(RasterEncoder& target, Raster& src, ImageFilter9& f);
Image Filter(const Image& img, ImageFilter9& f);

// Double size: edge-directed interpolation with the alpha recovered from renderings over white
// and black; images with a second spot are pixel-doubled so that their edges stay hard.
Image Upscale2x(const Image& img);
// The edge-directed doubling alone; every output pixel keeps its source pixel's alpha.
Image Upscale2xOpaque(const Image& img);
// Half size, filtered.
Image Downscale2x(const Image& img);

} // namespace Qel
