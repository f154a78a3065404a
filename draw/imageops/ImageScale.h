// Shrinking and enlarging by whole factors. With parallel, result rows are spread over the
// worker pool; the results are the same either way.
#pragma once

#include <draw/image/Image.h>

namespace Qel {

// Each result pixel is the mean of an nx x ny block (the partial blocks at the right and bottom
// edges average what they hold). Factors below 1 give the empty Image.
Image Minify(const Image& img, int nx, int ny, bool parallel = false);
// Each pixel of r (clipped to img) repeated nx x ny times. Factors below 1, and results too
// large to hold, give the empty Image.
Image Magnify(const Image& img, const Rect& r, int nx, int ny, bool parallel = false);
Image Magnify(const Image& img, int nx, int ny, bool parallel = false);
// The mean of every 3 x 3 block; spots divided by 3.
Image DownSample3x(const Image& img, bool parallel = false);

} // namespace Qel
