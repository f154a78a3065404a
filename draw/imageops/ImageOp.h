// Small image operations that the larger algorithms are built from: the row-operation driver,
// blending one image over another, solid images, hot-spot edits, cropping through the raster
// interfaces and whole-image colour operations. Images are immutable: each operation returns a
// new one, or takes the pixels into an ImageBuffer (moved when unshared) and assigns them back.
#pragma once

#include <draw/raster/RasterEncoder.h>

namespace Qel {

using ImageRowOp = void (*)(RGBA* t, const RGBA* s, int n);

// op(dest row from p, source row of srect, count) for every row of srect that lands inside dest;
// srect is clipped to src and moved along when p is negative. With parallel, the rows are spread
// over the worker pool (op must be safe for that); it returns when every row is done.
void DstSrcOp(ImageBuffer& dest, Point p, const Image& src, const Rect& srect, ImageRowOp op,
              bool parallel = false);

// Blends srect of src over dest at p, in place.
void Over(Image& dest, Point p, const Image& src, const Rect& srect);
void Over(Image& dest, const Image& src);

// Every pixel set to c; the empty Image for a size that cannot be held.
Image CreateImage(Size sz, RGBA c);
Image CreateImage(Size sz, Color c);   // Null gives transparent pixels

void  SetHotSpots(Image& m, Point hotspot, Point spot2);
Image WithHotSpots(const Image& m, Point hotspot, Point spot2);
Image WithHotSpots(const Image& m, int x1, int y1, int x2, int y2);
Image WithHotSpot(const Image& m, int x, int y);   // keeps the second spot

// IMAGE_OPAQUE when every alpha is 255, else IMAGE_ALPHA.
void  SetKindFromPixels(Image& m);

// The part of img inside r (the same Image for the whole of it).
Image Crop(const Image& img, const Rect& r);
Image Crop(const Image& img, int x, int y, int cx, int cy);
void  Crop(RasterEncoder& tgt, Raster& src, const Rect& r);

// Mixes each colour channel with the grey level by amount / 256.
Image Grayscale(const Image& img, int amount = 256);
// Every colour replaced by its dark-theme counterpart, alphas kept.
Image DarkTheme(const Image& img);
// Every pixel takes the colour and keeps its alpha.
Image Colorize(const Image& img, Color color);
// The picture with its alpha from two renderings of it, over white and over black. Renderings of
// different sizes give the empty Image.
Image RecreateAlpha(const Image& overwhite, const Image& overblack);

// The largest absolute difference of the four channels.
int   ChannelDiff(RGBA a, RGBA b);
// True when every pixel of r (clipped to img) equals its top-left pixel, or r misses img.
bool  IsUniformArea(const Image& img, const Rect& r);

} // namespace Qel
