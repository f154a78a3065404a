// A switch of the image span sources for their tests.
#pragma once

namespace Qel::detail {

// Tests compare the four-pixel paths of the span sources with the pixel-by-pixel ones.
void ImageSpanVector(bool on);

} // namespace Qel::detail
