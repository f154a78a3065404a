// Bounds and decoding shared by the object types. Stored objects are untrusted (smart-text
// labels carry them, and a PNG of a few hundred bytes can declare 60,000 x 60,000 pixels), so
// pictures are decoded whole only up to a limit and object images are kept to a size.
#pragma once

#include <draw/Draw.h>

namespace Qel::detail {

// No picture larger than this is decoded whole.
inline constexpr int64 OBJECT_DECODE_MAX_PIXELS = int64(64) << 20;
// No object image (decoded, rescaled or painted) is made larger than this.
inline constexpr int64 OBJECT_IMAGE_MAX_PIXELS = int64(16) << 20;

// cx * cy, 0 unless both are positive.
inline int64 ObjectArea(Size sz)
{
	return sz.cx > 0 && sz.cy > 0 ? int64(sz.cx) * sz.cy : 0;
}

// sz shrunk in proportion until it has at most max pixels; at least 1 x 1. Empty sizes stay.
Size  FitObjectArea(Size sz, int64 max);
// Pixels to document units at 96 pixels per inch, clamped to the int range.
Size  ObjectPixelsToDots(Size px);
// a * num / den of each coordinate in 64 bits, clamped to the int range.
Size  ScaleObjectSize(Size sz, int num, int den);

// The picture of a raster for a target of sz: whole when it has no more pixels than the target
// and at most OBJECT_IMAGE_MAX_PIXELS, otherwise rescaled while decoding to sz made to fit
// that. Empty when decoding fails.
Image DecodeObjectRaster(Raster& r, Size sz);

} // namespace Qel::detail
