// An image Value whose representation reports its end: the index of made images learns from it
// that the value cache has let go of an entry.
#pragma once

#include <draw/image/Image.h>

namespace Qel::detail {

using ImageValueEnded = void (*)(uint64 tag);

// A Value of type IMAGE_V holding img, like img's own; ended(tag) runs when its last copy goes.
Value WatchedImageValue(const Image& img, ImageValueEnded ended, uint64 tag);

} // namespace Qel::detail
