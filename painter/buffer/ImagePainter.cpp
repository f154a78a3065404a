#include "ImagePainter.h"

namespace Qel {

ImagePainter::ImagePainter(int cx, int cy, int mode)
:	detail::ImagePainterBuffer(cx, cy), BufferPainter(ib, mode)
{
}

ImagePainter::ImagePainter(Size sz, int mode)
:	ImagePainter(sz.cx, sz.cy, mode)
{
}

Image ImagePainter::GetResult()
{
	Finish();
	RestoreMasked();
	Image img(ib);
	Create(ib, GetMode()); // the painter now paints into the empty buffer: nothing
	return img;
}

} // namespace Qel
