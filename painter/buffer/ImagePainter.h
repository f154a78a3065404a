// ImagePainter: a BufferPainter that owns the image it paints into.
#pragma once

#include "BufferPainter.h"

namespace Qel {

namespace detail {
struct ImagePainterBuffer {
	ImageBuffer ib;
	ImagePainterBuffer(int cx, int cy) : ib(cx, cy) {}
};
} // namespace detail

class ImagePainter : private detail::ImagePainterBuffer, public BufferPainter {
public:
	// Finishes the painting and hands over the pixels; the buffer is left empty.
	Image GetResult();
	operator Image()                    { return GetResult(); }

	ImagePainter(Size sz, int mode = RENDER_AA);
	ImagePainter(int cx, int cy, int mode = RENDER_AA);
};

} // namespace Qel
