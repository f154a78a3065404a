// Counts of the cairo calls the drawing code makes, taken by wrapping those functions at link
// time, and small helpers shared by the drawing tests.
#pragma once

#include <gui/Gui.h>
#include <gui/paint/SystemDraw.h>
#include <gui/paint/ImageDraw.h>

#include <cairo.h>
#include <gtest/gtest.h>

#include <initializer_list>

namespace guitest {

using namespace Qel;

struct CairoCounts {
	int show_glyphs = 0;
	int glyphs = 0; // glyphs shown, over all runs
	int save = 0;
	int restore = 0;
	int fonts_made = 0;
	int fonts_destroyed = 0;
	int surfaces_made = 0;
	int surfaces_destroyed = 0;
};

// Since the last Reset.
CairoCounts& Counted();
inline void  ResetCounts() { Counted() = CairoCounts(); }

// The pixel at (x, y) as 0xAARRGGBB (premultiplied).
inline unsigned Pixel(const Image& m, int x, int y)
{
	RGBA p = m[y][x];
	return unsigned(p.a) << 24 | unsigned(p.r) << 16 | unsigned(p.g) << 8 | p.b;
}

struct At {
	int      x, y;
	unsigned pixel;
};

// Every listed pixel, with its place in the message when it differs.
inline void ExpectPixels(const Image& m, std::initializer_list<At> list)
{
	for(const At& a : list)
		EXPECT_EQ(Pixel(m, a.x, a.y), a.pixel) << "at " << a.x << "," << a.y;
}

inline bool Healthy(SystemDraw& w)
{
	return cairo_status(w.GetCairo()) == CAIRO_STATUS_SUCCESS;
}

// DejaVu Sans of the private font set at a pixel height.
inline Font DejaVu(int height)
{
	return Font(Font::FindFaceName("DejaVu Sans"), height);
}

} // namespace guitest
