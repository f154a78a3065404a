// BufferPainter: gradient and image fills. Until they are drawn, they consume the path as an
// invisible fill or stroke would.
#include "BufferPainter.h"

namespace Qel {

static const RGBA sNone = {0, 0, 0, 0};

void BufferPainter::FillOp(const Image&, const Xform2D&, dword)
{
	RenderPath(-1, nullptr, sNone);
}

void BufferPainter::FillOp(const Pointf&, const RGBA&, const Pointf&, const RGBA&, int)
{
	RenderPath(-1, nullptr, sNone);
}

void BufferPainter::FillOp(const Pointf&, const RGBA&, const Pointf&, double, const RGBA&, int)
{
	RenderPath(-1, nullptr, sNone);
}

void BufferPainter::FillOp(const RGBA&, const RGBA&, const Xform2D&, int)
{
	RenderPath(-1, nullptr, sNone);
}

void BufferPainter::FillOp(const Pointf&, const RGBA&, const RGBA&, const Xform2D&, int)
{
	RenderPath(-1, nullptr, sNone);
}

void BufferPainter::StrokeOp(double width, const Image&, const Xform2D&, dword)
{
	RenderPath(width > 0 ? width : 0, nullptr, sNone);
}

void BufferPainter::StrokeOp(double width, const Pointf&, const RGBA&, const Pointf&, const RGBA&, int)
{
	RenderPath(width > 0 ? width : 0, nullptr, sNone);
}

void BufferPainter::StrokeOp(double width, const RGBA&, const RGBA&, const Xform2D&, int)
{
	RenderPath(width > 0 ? width : 0, nullptr, sNone);
}

void BufferPainter::StrokeOp(double width, const Pointf&, const RGBA&, const Pointf&, double, const RGBA&, int)
{
	RenderPath(width > 0 ? width : 0, nullptr, sNone);
}

void BufferPainter::StrokeOp(double width, const Pointf&, const RGBA&, const RGBA&, const Xform2D&, int)
{
	RenderPath(width > 0 ? width : 0, nullptr, sNone);
}

} // namespace Qel
