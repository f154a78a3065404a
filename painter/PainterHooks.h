// The painter module draws Paintings, Drawings and characters into images for the Draw side,
// and gives ImageAnyDraw its image painter. Including the module installs the hooks.
#pragma once

#include <draw/record/Drawing.h>
#include <draw/record/Painting.h>
#include <draw/font/Font.h>
#include <draw/image/Image.h>

namespace Qel { class Draw; }

namespace Qel {

// Once per process; later calls return at once.
void InitPainterDrawHooks();

// The hooks themselves, as registered.
// Part of a Painting: drawn scaled to sz (the whole target), shifted by -pos, into ib.
void  PaintPaintingBand(ImageBuffer& ib, const Painting& p, Size sz, Point pos, int mode);
// A Drawing scaled into the whole of ib.
void  PaintDrawingImage(ImageBuffer& ib, const Drawing& d, int mode);
// One character, its cell's top-left at (x, y), turned by angle (tenths of a degree), on a
// transparent image of size sz.
Image PaintCharacterImage(int x, int y, int angle, int chr, Font font, Color ink, Size sz);
// ImageAnyDraw's target: a new ImagePainter of sz, owned by the caller.
Draw* CreateImagePainterDraw(Size sz);
// The finished image of a Draw made by CreateImagePainterDraw; empty for any other Draw.
Image ExtractPainterImage(Draw& w);

namespace detail {
// Each unit that includes the module asks for the hooks while it starts.
[[maybe_unused]] static const bool painter_hooks_installed = (InitPainterDrawHooks(), true);
} // namespace detail

} // namespace Qel
