// Images drawn through the Draw interface on painters, in pixels: the target rectangle shows the
// source part alone, scaled, with opaque edges, and nothing around it.
#include "TestPixels.h"

#include <painter/Painter.h>
#include <draw/canvas/ImageAnyDraw.h>
#include <draw/imageops/ImageOp.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

using namespace Qel;
using QelTest::Rgba;

namespace {

const RGBA sNone = Rgba(0, 0, 0, 0);

using DrawFn = std::function<void (Draw&)>;

// The same drawing on each kind of painter target.
const std::pair<const char*, Image (*)(Size, const DrawFn&)> sTargets[] = {
	{"ImagePainter", [](Size sz, const DrawFn& draw) { ImagePainter p(sz); draw(p); return Image(p); }},
	{"BufferPainter", [](Size sz, const DrawFn& draw) {
		ImageBuffer ib(sz);
		{ BufferPainter p(ib); draw(p); }
		return Image(ib);
	}},
	{"ImageAnyDraw", [](Size sz, const DrawFn& draw) { ImageAnyDraw w(sz); draw(w); return Image(w); }},
};

// An opaque part without red in a red ring; its columns differ in green, its rows in blue.
Image sRinged(Size part, int ring)
{
	ImageBuffer ib(part.cx + 2 * ring, part.cy + 2 * ring);
	for(int y = 0; y < ib.GetHeight(); y++)
		for(int x = 0; x < ib.GetWidth(); x++) {
			int px = x - ring, py = y - ring;
			ib[y][x] = px < 0 || py < 0 || px >= part.cx || py >= part.cy ? Rgba(255, 0, 0, 255)
			         : Rgba(0, 40 + 200 * px / part.cx, 250 - 200 * py / part.cy, 255);
		}
	return ib;
}

// Pixels of out that differ from what a draw of `part` into t must show: nothing outside t;
// inside, opaque pixels without red; where an axis is not shrunk, the target's edges the part's
// own edge rows and columns.
int sOffPart(const Image& out, const Rect& t, const Image& part)
{
	Size ps = part.GetSize();
	bool xs = t.right - t.left < ps.cx, ys = t.bottom - t.top < ps.cy;
	int off = 0;
	for(int y = 0; y < out.GetHeight(); y++)
		for(int x = 0; x < out.GetWidth(); x++) {
			const RGBA& c = out[y][x];
			if(!t.Contains(Point(x, y))) {
				off += !(c == sNone);
				continue;
			}
			off += c.a != 255 || c.r != 0;
			if(!ys && (y == t.top || y == t.bottom - 1))
				off += c.b != part[y == t.top ? 0 : ps.cy - 1][0].b;
			if(!xs && (x == t.left || x == t.right - 1))
				off += c.g != part[0][x == t.left ? 0 : ps.cx - 1].g;
		}
	return off;
}

bool sEmpty(const Image& m)
{
	return std::all_of(m.begin(), m.end(), [](const RGBA& c) { return c == sNone; });
}

} // namespace

TEST(PainterDrawImage, PartsAndWholeImagesShowOnlyTheirOwnPixels)
{
	Image small = sRinged(Size(2, 2), 1), large = sRinged(Size(30, 20), 5);
	Image tiny = Crop(small, Rect(1, 1, 3, 3)), wide = Crop(large, Rect(5, 5, 35, 25));
	struct Case {
		Image img;
		Rect  src;
		Size  size;
	} cases[] = {
		{small, Rect(1, 1, 3, 3), Size(48, 48)}, {small, Rect(1, 1, 3, 3), Size(5, 3)},
		{small, Rect(1, 1, 3, 3), Size(1, 1)}, {large, Rect(5, 5, 35, 25), Size(9, 7)},
		{large, Rect(5, 5, 35, 25), Size(61, 4)}, {large, Rect(5, 5, 35, 25), Size(37, 23)},
		{tiny, Rect(0, 0, 2, 2), Size(40, 40)}, {wide, Rect(0, 0, 30, 20), Size(45, 51)},
		{wide, Rect(0, 0, 30, 20), Size(7, 5)},
	};
	for(const auto& [name, paint] : sTargets)
		for(const Case& c : cases) {
			Rect t(Point(3, 4), c.size);
			Image out = paint(Size(70, 60), [&](Draw& w) { w.DrawImageOp(3, 4, c.size.cx, c.size.cy, c.img, c.src, Color()); });
			EXPECT_EQ(sOffPart(out, t, Crop(c.img, c.src)), 0)
				<< name << ": " << c.img.GetWidth() << " wide, to " << c.size.cx << "x" << c.size.cy;
		}
}

TEST(PainterDrawImage, UnscaledIsThePixelsThemselves)
{
	Image img = QelTest::RandomImage(13, 11, 7);
	// whole, a part, a part partly outside the image (drawn there: nothing), a corner pixel
	for(Rect src : {Rect(0, 0, 13, 11), Rect(4, 2, 11, 9), Rect(-3, 5, 6, 14), Rect(12, 10, 13, 11)})
		for(const auto& [name, paint] : sTargets) {
			Size sz(src.right - src.left, src.bottom - src.top);
			Image out = paint(Size(20, 20), [&](Draw& w) { w.DrawImageOp(2, 3, sz.cx, sz.cy, img, src, Color()); });
			int differ = 0;
			for(int y = 0; y < 20; y++)
				for(int x = 0; x < 20; x++) {
					Point p(x - 2 + src.left, y - 3 + src.top);
					bool shown = Rect(Point(2, 3), sz).Contains(Point(x, y)) && Rect(0, 0, 13, 11).Contains(p);
					differ += !(out[y][x] == (shown ? img[p.y][p.x] : sNone));
				}
			EXPECT_EQ(differ, 0) << name << " " << src.left << "," << src.top;
		}
}

TEST(PainterDrawImage, SourceBeyondTheImageEmptyAndColoured)
{
	const RGBA blue = Rgba(0, 0, 200, 255);
	ImageBuffer ib(4, 4);
	for(int i = 0; i < 16; i++)
		ib.Begin()[i] = i % 4 && i % 4 < 3 && i / 4 && i / 4 < 3 ? blue : sNone; // in a clear ring
	Image img(ib), plain = Crop(img, Rect(1, 1, 3, 3));
	for(const auto& [name, paint] : sTargets) {
		SCOPED_TRACE(name);
		// src twice the image, centred: the image fills the middle, sharp to its own edges
		Image out = paint(Size(60, 60), [&](Draw& w) { w.DrawImageOp(10, 10, 40, 40, plain, Rect(-1, -1, 3, 3), Color()); });
		int differ = 0;
		for(int y = 0; y < 60; y++)
			for(int x = 0; x < 60; x++)
				differ += !(out[y][x] == (Rect(20, 20, 40, 40).Contains(Point(x, y)) ? blue : sNone));
		EXPECT_EQ(differ, 0);
		// the image's edges between pixels, at 2.4 and 7.2: covered in part there, whole between
		out = paint(Size(20, 10), [&](Draw& w) { w.DrawImageOp(0, 0, 12, 10, plain, Rect(-1, 0, 4, 2), Color()); });
		EXPECT_TRUE(out[5][1] == sNone && out[5][3] == blue && out[9][6] == blue && out[5][8] == sNone);
		EXPECT_TRUE(abs(out[5][2].a - 153) <= 3 && abs(out[5][7].a - 51) <= 3) << int(out[5][2].a) << " " << int(out[5][7].a);
		// nothing of the image in src, or a src without area: nothing drawn
		for(Rect src : {Rect(2, 0, 5, 2), Rect(-5, -5, 0, 0), Rect(2, 0, 1, 2), Rect(0, 2, 2, 1), Rect(1, 0, 1, 2)})
			EXPECT_TRUE(sEmpty(paint(Size(20, 20), [&](Draw& w) { w.DrawImageOp(0, 0, 20, 20, plain, src, Color()); })));
		// coloured, the part is its own mask: the colour fills the target to its edges
		for(Size sz : {Size(40, 40), Size(5, 3), Size(2, 2)}) {
			out = paint(Size(50, 50), [&](Draw& w) { w.DrawImageOp(1, 2, sz.cx, sz.cy, img, Rect(1, 1, 3, 3), Color(255, 0, 0)); });
			differ = 0;
			for(int y = 0; y < 50; y++)
				for(int x = 0; x < 50; x++)
					differ += !(out[y][x] == (Rect(Point(1, 2), sz).Contains(Point(x, y)) ? Rgba(255, 0, 0, 255) : sNone));
			EXPECT_EQ(differ, 0) << sz.cx << "x" << sz.cy;
		}
	}
}
