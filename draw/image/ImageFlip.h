// Flips, quarter turns and mirrors about a diagonal. Each returns a new Image; W x H is the
// source size. The hot spot and second spot are mapped like pixels and then taken as the
// corners of a rectangle (smaller x and y for the hot spot, larger for the second spot). The
// operations that swap width and height swap the physical size too.
#pragma once

#include "Image.h"

namespace Qel {

Image MirrorHorizontal(Image img);    // (x, y) -> (W-1-x, y)
Image Rotate180(const Image& img);    // (x, y) -> (W-1-x, H-1-y)
Image MirrorVertical(Image img);      // (x, y) -> (x, H-1-y)
Image Transpose(const Image& img);    // (x, y) -> (y, x), H x W
Image RotateClockwise(const Image& img);     // (x, y) -> (H-1-y, x), H x W
Image Transverse(const Image& img);          // (x, y) -> (H-1-y, W-1-x), H x W
Image RotateAntiClockwise(const Image& img); // (x, y) -> (y, W-1-x), H x W

// Turns a decoded picture upright: orientation is the EXIF value minus 1 (1 mirror left to
// right, 2 half turn, 3 mirror top to bottom, 4 transpose, 5 clockwise, 6 transverse,
// 7 anticlockwise); any other value returns img unchanged.
Image ApplyOrientation(Image img, int orientation);

} // namespace Qel
