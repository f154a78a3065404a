// Image kinds and the row forms of premultiplying, unmultiplying and blending that every image
// operation builds on. RGBA itself (premultiplied, memory order b, g, r, a) lives with Color.
#pragma once

#include <Core/types/Color.h>

namespace Qel {

// Image kinds: what the alpha channel holds.
enum {
	IMAGE_UNKNOWN = 0, // not computed yet
	IMAGE_EMPTY   = 1, // no pixels
	IMAGE_ALPHA   = 2, // some alpha other than 255
	IMAGE_MASK    = 3, // every alpha is 0 or 255
	IMAGE_OPAQUE  = 4, // every alpha is 255
};

// Row forms; t may equal s. Each returns the kind found in the row (IMAGE_OPAQUE for n < 1).
int Premultiply(RGBA* t, const RGBA* s, int n);
// Straight colour from premultiplied; channels saturate at 255 (pixels whose colour exceeds
// their alpha come out white rather than wrapping).
int Unmultiply(RGBA* t, const RGBA* s, int n);
// Premultiplied source over target, in place; an opaque target stays opaque.
void AlphaBlend(RGBA* t, const RGBA* s, int n);

} // namespace Qel
