// ImageDraw: a SystemDraw painting into its own cairo image surface, whose content becomes an
// Image. A second draw, Alpha, paints the opacity: its red channel becomes the result's alpha.
// A size cairo cannot hold (a side past 32,767 pixels, or memory it could not get) draws nothing
// and gives the empty Image.
//
// Any thread may draw into its own ImageDraw, but text and cached images go through caches kept
// under the GUI lock: code that holds the GUI lock must not wait for worker jobs that draw text
// or images this way.
#pragma once

#include "SystemDraw.h"

namespace Qel {

class ImageDraw : public SystemDraw {
public:
	// The opacity draw, made on first use; where nothing is painted in it the result is
	// transparent.
	SystemDraw& Alpha();
	// What was painted so far; drawing may go on afterwards.
	Image       GetImage();

	explicit ImageDraw(Size sz);
	ImageDraw(int cx, int cy) : ImageDraw(Size(cx, cy)) {}
	// Text still pending is dropped: nobody can read the picture any more.
	~ImageDraw() override;

private:
	cairo_surface_t* surface = nullptr;
	Size             size;
	SystemDraw       alpha;
	cairo_surface_t* alpha_surface = nullptr;
	bool             owns = false;
};

// The drawing layer's image-draw hooks served by ImageDraw.
Draw* CreateImageDraw(Size sz);
Image ExtractImageDraw(Draw& w);

// A cx x cy image of paper with the character chr drawn at (x, -y) in font and ink: the glyph
// renderer of the drawing layer.
Image RenderGlyphByCairo(int cx, int x, Font font, int chr, int y, int cy, Color ink, Color paper);
// Installs the glyph renderer, once; any static initialiser may call it, in any order.
void  InitCtrlCorePackage();

} // namespace Qel
