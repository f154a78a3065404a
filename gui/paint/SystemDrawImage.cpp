// SystemDraw images: cached surfaces for ordinary images, pixel blocks painted straight from
// memory, and large targets drawn only where they show.
#include "SystemDraw.h"
#include <gui/base/GuiLock.h>
#include <gui/paint/detail/CairoCache.h>
#include <gui/paint/detail/CairoCheck.h>
#include <gui/detail/Geom.h>

#include <cairo.h>

namespace Qel {

using namespace detail;

namespace {

// Targets up to this size are drawn as on any Draw; larger ones only where the clip shows them.
constexpr int BAND_CX = 2000;
constexpr int BAND_CY = 1500;
constexpr int PAINTING_BAND_ROWS = 100;
// Pixel blocks go to cairo in tiles of at most this side.
constexpr int TILE = 8192;
// A source past what one surface holds is first reduced to at most this side.
constexpr int REDUCED_SIDE = 4096;

Size sSize(const Rect& r)
{
	return Size(SatSub(r.right, r.left), SatSub(r.bottom, r.top));
}

} // namespace

void SystemDraw::PaintSurface(cairo_surface_t* s, int x, int y, Color color)
{
	if(color.IsNull()) {
		cairo_set_source_surface(cr, s, x, y);
		cairo_paint(cr);
	}
	else {
		SetColor(color);
		cairo_mask_surface(cr, s, x, y);
	}
}

void SystemDraw::PaintBlock(int x, int y, const RGBA* pixels, Size size, int64 stride, Color color)
{
	Rect block(x, y, SatAdd(x, size.cx), SatAdd(y, size.cy));
	// a pixel more on each side, so that filtering at the edge of what shows sees real pixels
	Rect vis = InflateRect(VisibleRect(block), 1) & block;
	if(IsEmptyRect(vis) || stride * 4 > INT_MAX)
		return;
	for(int ty = vis.top; ty < vis.bottom; ty += min(TILE, vis.bottom - ty))
		for(int tx = vis.left; tx < vis.right; tx += min(TILE, vis.right - tx)) {
			Size t(min(TILE, vis.right - tx), min(TILE, vis.bottom - ty));
			const RGBA* p = pixels + int64(ty - y) * stride + (tx - x);
			// cairo only reads a surface used as a source
			cairo_surface_t* s = cairo_image_surface_create_for_data((unsigned char*)p, CAIRO_FORMAT_ARGB32, t.cx, t.cy,
			                                                         int(stride * 4));
			if(cairo_surface_status(s) == CAIRO_STATUS_SUCCESS)
				PaintSurface(s, tx, ty, color);
			cairo_surface_destroy(s);
		}
}

void SystemDraw::SysDrawImageOp(int x, int y, const Image& img, Color color)
{
	GuiLock lock;
	CairoStatusCheck check(cr);
	FlushText();
	Size sz = img.GetSize();
	if(img.IsEmpty() || sz.cx <= 0 || sz.cy <= 0)
		return;
	if(img.GetAttr()) { // drawn from its pixels each time, never cached
		if(img.HasPixels())
			DrawPixelBlock(*this, Rect(x, y, SatAdd(x, sz.cx), SatAdd(y, sz.cy)), img.Begin(), sz, Point(0, 0));
		return;
	}
	if(cairo_surface_t* s = GetCairoImageSurface(img, cairo_get_target(cr))) {
		PaintSurface(s, x, y, color);
		TrimCairoImageCache();
	}
	else if(img.HasPixels()) // larger than a surface can be, or cairo could not make one
		PaintBlock(x, y, img.Begin(), sz, sz.cx, color);
}

void SystemDraw::DrawImageOp(int x, int y, int cx, int cy, const Image& img, const Rect& src, Color color)
{
	int64 scx = int64(src.right) - src.left, scy = int64(src.bottom) - src.top;
	if(scx != int(scx) || scy != int(scy)) // no image has a side like that
		return;
	if(cx <= BAND_CX && cy <= BAND_CY) {
		Draw::DrawImageOp(x, y, cx, cy, img, src, color);
		return;
	}
	Rect dest(x, y, SatAdd(x, cx), SatAdd(y, cy));
	Rect vis = VisibleRect(dest);
	if(vis == dest) {
		Draw::DrawImageOp(x, y, cx, cy, img, src, color);
		return;
	}
	Size ssz = sSize(src);
	if(IsEmptyRect(vis) || img.IsEmpty() || ssz.cx <= 0 || ssz.cy <= 0)
		return;
	if(ssz == Size(cx, cy)) {
		SysDrawImageOp(x, y, img, src, color);
		return;
	}
	GuiLock lock;
	CairoStatusCheck check(cr);
	FlushText();
	// cairo scales what shows; the rest of the target is never made
	Image m = img;
	Rect msrc = src;
	if(ssz.cx > CAIRO_MAX_SIDE || ssz.cy > CAIRO_MAX_SIDE) {
		if(!img.HasPixels())
			return;
		m = Rescale(img, Size(min(ssz.cx, REDUCED_SIDE), min(ssz.cy, REDUCED_SIDE)), src);
		msrc = Rect(0, 0, m.GetWidth(), m.GetHeight());
		ssz = m.GetSize();
	}
	cairo_surface_t* s = GetCairoImageSurface(m, cairo_get_target(cr));
	if(!s)
		return;
	cairo_save(cr);
	cairo_rectangle(cr, vis.left, vis.top, double(vis.right) - vis.left, double(vis.bottom) - vis.top);
	cairo_clip(cr);
	cairo_translate(cr, x, y);
	cairo_scale(cr, double(cx) / ssz.cx, double(cy) / ssz.cy);
	cairo_pattern_t* p = cairo_pattern_create_for_surface(s);
	cairo_matrix_t pm;
	cairo_matrix_init_translate(&pm, msrc.left, msrc.top);
	cairo_pattern_set_matrix(p, &pm);
	cairo_pattern_set_filter(p, CAIRO_FILTER_GOOD);
	if(color.IsNull()) {
		cairo_set_source(cr, p);
		cairo_paint(cr);
	}
	else {
		SetColor(color);
		cairo_mask(cr, p);
	}
	cairo_pattern_destroy(p);
	cairo_restore(cr);
	TrimCairoImageCache();
}

void SystemDraw::DrawPaintingOp(const Rect& target, const Painting& w)
{
	// corners far apart (or wrapped around) must not overflow the extent
	int64 cx = int64(target.right) - target.left, cy = int64(target.bottom) - target.top;
	if(cx <= 0 || cy <= 0)
		return;
	if(cx <= BAND_CX && cy <= BAND_CY) {
		Draw::DrawPaintingOp(target, w);
		return;
	}
	if(!GetPaintingRenderHook() || !GetDrawingRenderHook() || !GetPaintingImageHook())
		return;
	// bands over what shows: the painting is drawn at its full size, shifted up to each band
	Rect vis = VisibleRect(target);
	for(int y0 = vis.top; y0 < vis.bottom; y0 += PAINTING_BAND_ROWS) {
		ImageBuffer ib;
		if(!ib.Create(vis.right - vis.left, min(PAINTING_BAND_ROWS, vis.bottom - y0)))
			return;
		if(!RenderPaintingPart(ib, w, cx, cy, int64(vis.left) - target.left, int64(y0) - target.top))
			return;
		DrawImageBand(*this, vis.left, y0, Image(ib));
	}
}

void DrawPixelBlock(Draw& w, const Rect& dest, const RGBA* pixels, Size src_size, Point src_offset)
{
	Size dsz = sSize(dest);
	if(dsz.cx <= 0 || dsz.cy <= 0 || !pixels || src_offset.x < 0 || src_offset.y < 0)
		return;
	// never more than the block holds past the offset
	int cx = min(dsz.cx, src_size.cx - src_offset.x);
	int cy = min(dsz.cy, src_size.cy - src_offset.y);
	if(cx <= 0 || cy <= 0)
		return;
	const RGBA* first = pixels + int64(src_offset.y) * src_size.cx + src_offset.x;
	if(SystemDraw* sw = dynamic_cast<SystemDraw*>(&w)) {
		CairoStatusCheck check(sw->cr);
		sw->FlushText();
		sw->PaintBlock(dest.left, dest.top, first, Size(cx, cy), src_size.cx, Color());
		return;
	}
	ImageBuffer ib;
	if(!ib.Create(dsz))
		return;
	for(int y = 0; y < cy; y++)
		memcpy(ib[y], first + int64(y) * src_size.cx, size_t(cx) * sizeof(RGBA));
	w.DrawImage(dest.left, dest.top, Image(ib));
}

} // namespace Qel
