#include "PainterHooks.h"
#include <painter/buffer/ImagePainter.h>
#include <painter/record/PaintingPainter.h>

#include <Core/thread/Thread.h>
#include <draw/canvas/ImageAnyDraw.h>

#include <atomic>
#include <cmath>

namespace Qel {

namespace {

bool sPositive(double cx, double cy)
{
	return cx > 0 && cy > 0 && std::isfinite(cx) && std::isfinite(cy);
}

std::atomic<bool> sHooksInstalled;
StaticMutex       sHooksLock;

} // namespace

void PaintPaintingBand(ImageBuffer& ib, const Painting& p, Size sz, Point pos, int mode)
{
	// a painting without a size of its own cannot be scaled to the target
	if(!sPositive(p.size.cx, p.size.cy) || ib.IsEmpty())
		return;
	BufferPainter sw(ib, mode);
	sw.TransformOp(Xform2D::Translation(-pos.x, -pos.y));
	sw.TransformOp(Xform2D::Scale(sz.cx / p.size.cx, sz.cy / p.size.cy));
	PlayPainting(sw, p);
}

void PaintDrawingImage(ImageBuffer& ib, const Drawing& d, int mode)
{
	Size dsz = d.GetSize();
	if(!sPositive(dsz.cx, dsz.cy) || dsz.cx == INT_NULL || ib.IsEmpty())
		return;
	BufferPainter sw(ib, mode);
	sw.TransformOp(Xform2D::Scale(double(ib.GetWidth()) / dsz.cx, double(ib.GetHeight()) / dsz.cy));
	sw.DrawDrawing(0, 0, dsz.cx, dsz.cy, d);
}

Image PaintCharacterImage(int x, int y, int angle, int chr, Font font, Color ink, Size sz)
{
	ImageBuffer ib;
	if(!ib.Create(sz))
		return Image();
	{
		BufferPainter sw(ib, RENDER_AA);
		sw.ClearOp(RGBA{0, 0, 0, 0});
		wchar text[1] = { (wchar)chr };
		sw.DrawText(x, y, angle, text, font, ink, 1, nullptr);
	}
	// the painter's pixels are premultiplied already
	return ib;
}

Draw* CreateImagePainterDraw(Size sz)
{
	return new ImagePainter(sz, RENDER_AA);
}

Image ExtractPainterImage(Draw& w)
{
	ImagePainter* ip = dynamic_cast<ImagePainter*>(&w);
	return ip ? ip->GetResult() : Image();
}

void InitPainterDrawHooks()
{
	if(sHooksInstalled.load(std::memory_order_acquire))
		return;
	Mutex::Lock lock(sHooksLock);
	if(sHooksInstalled.load(std::memory_order_relaxed))
		return;
	RegisterPaintingRenderer(PaintPaintingBand, PaintDrawingImage, PaintCharacterImage);
	ImageAnyDraw::Register(CreateImagePainterDraw, ExtractPainterImage);
	sHooksInstalled.store(true, std::memory_order_release);
}

} // namespace Qel
