// Process-wide hooks of the drawing layer that other modules install at start-up: the glyph
// renderer and the PDF output's services.
#include "DrawHooks.h"
#include "ImageAnyDraw.h"

namespace Qel {

namespace {

RenderGlyphFn       sRenderGlyph;
DrawingToPdfFn      sDrawingToPdf;
DrawRawDataFn       sDrawRawData;
IsRawDataDrawableFn sIsRawDataDrawable;

} // namespace

void SetRenderGlyphHook(RenderGlyphFn hook) { sRenderGlyph = hook; }

Image RenderGlyph(int cx, int x, Font font, int chr, int y, int cy, Color ink, Color paper)
{
	if(sRenderGlyph)
		return sRenderGlyph(cx, x, font, chr, y, cy, ink, paper);
	if(!ImageAnyDraw::IsAvailable())
		return Image();
	ImageAnyDraw w(cx, cy);
	w.DrawRect(0, 0, cx, cy, paper);
	wchar c = chr;
	w.DrawText(x, -y, &c, font, ink, 1);
	return w;
}

void SetPdfHooks(DrawingToPdfFn topdf, DrawRawDataFn drawrawdata)
{
	sDrawingToPdf = topdf;
	sDrawRawData = drawrawdata;
}

DrawingToPdfFn      GetDrawingToPdfHook()      { return sDrawingToPdf; }
DrawRawDataFn       GetDrawRawDataHook()       { return sDrawRawData; }
IsRawDataDrawableFn GetIsRawDataDrawableHook() { return sIsRawDataDrawable; }

} // namespace Qel
