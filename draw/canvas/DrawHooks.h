// Process-wide hooks through which other modules plug drawing services into this layer: the
// glyph renderer and the PDF output's page export and raw-data drawing.
#pragma once

#include "DrawTarget.h"

namespace Qel {

template <class T> class Array;

// A cx x cy image of paper with character chr drawn at (x, -y) in font and ink: through the
// installed renderer, else through ImageAnyDraw; the empty Image when neither is there.
Image RenderGlyph(int cx, int x, Font font, int chr, int y, int cy, Color ink, Color paper);
using RenderGlyphFn = Image (*)(int cx, int x, Font font, int chr, int y, int cy, Color ink, Color paper);
void SetRenderGlyphHook(RenderGlyphFn hook);

// PDF output: the pages (one Drawing each) as a PDF document, and raw image file data drawn
// directly into a rectangle of a target that can take it.
using DrawingToPdfFn    = String (*)(const Array<Drawing>& pages);
using DrawRawDataFn     = void (*)(Draw& w, int x, int y, int cx, int cy, const String& data);
using IsRawDataDrawableFn = bool (*)(Draw& w, const String& data);
void SetPdfHooks(DrawingToPdfFn topdf, DrawRawDataFn drawrawdata);
DrawingToPdfFn      GetDrawingToPdfHook();
DrawRawDataFn       GetDrawRawDataHook();
IsRawDataDrawableFn GetIsRawDataDrawableHook(); // no module sets one: null

} // namespace Qel
