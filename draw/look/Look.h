// Looks: Values that say how to paint a background, a face or an edge (a colour, a nine-part
// image, a look with an image over it, a look inside a border), painted and measured through a
// registry of painters.
#pragma once

#include <draw/canvas/DrawTarget.h>
#include "Frame.h"

namespace Qel {

enum {
	LOOK_PAINT      = 0,
	LOOK_MARGINS    = 1,
	LOOK_PAINTEDGE  = 2,
	LOOK_NOCACHE    = 0x8000, // image parts rescaled directly, not through the image cache
};

// A painter returns a Null Value for a look it does not handle.
using LookPainter = Value (*)(Draw& w, const Rect& r, const Value& look, int op, Color ink);

// Painters are asked from the most recently registered; registering one twice does nothing.
void RegisterLookPainter(LookPainter fn);

Value LookOp(Draw& w, const Rect& r, const Value& look, int op, Color ink = Color());
void  PaintLook(Draw& w, const Rect& r, const Value& look, Color ink = Color());
void  PaintLook(Draw& w, int x, int y, int cx, int cy, const Value& look, Color ink = Color());
void  PaintLookEdge(Draw& w, const Rect& r, const Value& look, Color ink = Color());
void  PaintLookEdge(Draw& w, int x, int y, int cx, int cy, const Value& look, Color ink = Color());
// The widths of the look's edges as (left, top, right, bottom); the Null rectangle for none.
Rect  GetLookMargins(const Value& look);

// look with img centred over it (moved by offset), drawn in the tint colour when it is not Null.
Value MakeLookWith(const Value& look, const Image& img, Point offset = Point(0, 0));
Value MakeLookWith(const Value& look, const Image& img, Color tint, Point offset = Point(0, 0));
// Each of the n looks with img over it in colour i.
void  MakeLookWith(Value* look, const Image& img, const Color* color, int n);
// look inside the rings of a border table.
Value MakeLookBorder(const Value& look, const ColorF* border);

// A grey template recoloured to the theme: greys between text, shadow, face and light; pure red
// and blue between text and highlight; (0, v, v) between text and paper.
Image MakeThemeImage(const Image& img);

} // namespace Qel
