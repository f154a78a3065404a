// BufferPainter: solid fills and strokes, clearing, and placement along a path.
#include "BufferPainter.h"
#include <painter/buffer/detail/BufferPainterInt.h>

#include <cmath>
#include <cstring>

namespace Qel {

void BufferPainter::FillOp(const RGBA& color)
{
	std::unique_ptr<SpanSource> none;
	DoRenderPath(RenderKind::FILL, 0, none, color, nullptr);
}

void BufferPainter::StrokeOp(double width, const RGBA& color)
{
	std::unique_ptr<SpanSource> none;
	DoRenderPath(RenderKind::STROKE, width > 0 ? width : 0, none, color, nullptr);
}

void BufferPainter::ClearOp(const RGBA& color)
{
	Finish();
	int cy = ip->GetHeight();
	if(co && mode != RENDER_NOAA) { // cleared line by line as the pool renders
		if(!co_clear)
			co_clear.Alloc(cy);
		if(cy > 0)
			memset(co_clear, 1, cy);
		co_clear_color = color;
	}
	else
		for(RGBA& p : *ip)
			p = color;
	if(color.a == 255)
		ip->SetKind(IMAGE_OPAQUE);
}

void BufferPainter::BeginOnPathOp(double q, bool abs)
{
	if(onpath.IsEmpty()) {
		std::unique_ptr<SpanSource> none;
		DoRenderPath(RenderKind::ONPATH, 0, none, RGBA{0, 0, 0, 0}, nullptr);
	}
	BeginOp();
	if(pathlen > 0 && onpath.GetCount()) {
		double t = q * (abs ? 1.0 : pathlen);
		Pointf prev(0, 0);
		const PathLine* chosen = nullptr;
		Pointf cprev;
		double ct = 0;
		for(const PathLine& l : onpath) {
			if(l.len > 0) {
				// the last segment also takes what lies beyond the end, extended along it
				chosen = &l;
				cprev = prev;
				ct = t;
				if(l.len > t)
					break;
			}
			t -= l.len;
			prev = l.p;
		}
		if(chosen) {
			Pointf d(chosen->p.x - cprev.x, chosen->p.y - cprev.y);
			double k = ct / chosen->len;
			TransformOp(Xform2D::Translation(cprev.x + k * d.x, cprev.y + k * d.y));
			TransformOp(Xform2D::Rotation(std::atan2(d.y, d.x)));
		}
	}
	attrstack.Top().onpath = true;
	onpathstack.Add(std::move(onpath));
	pathlenstack.Add(pathlen);
	onpath.Clear();
	pathlen = 0;
}

} // namespace Qel
