// Paths a hostile document can ask for: far off the image, dashed into millions of pieces, of
// absurd widths, or simply too many cells. Each runs in a child under a memory and a time limit;
// what shows must still be what the picture holds.
#include <painter/Painter.h>

#include "../Hostile.h"

#include <gtest/gtest.h>

using namespace Qel;

namespace {

const RGBA sBlack = {0, 0, 0, 255};
const RGBA sWhite = {255, 255, 255, 255};

Image sDashedStroke(double to, int cap, int cx = 1000)
{
	ImagePainter p(cx, 1000);
	p.Clear(sWhite);
	p.LineCap(cap);
	p.Move(0, 50).Line(to, 50).Dash("3 1").Stroke(300, sBlack);
	return p;
}

bool sSame(const Image& a, const Image& b)
{
	if(a.GetSize() != b.GetSize())
		return false;
	for(int y = 0; y < a.GetHeight(); y++)
		if(memcmp(a[y], b[y], sizeof(RGBA) * a.GetWidth()))
			return false;
	return true;
}

// A zig-zag of n segments between (-far, -far) and (far, far), each across the image.
void sZigZag(BufferPainter& p, int n, double far)
{
	p.Move(-far, -far);
	for(int i = 1; i <= n; i++)
		p.Line(i & 1 ? far : -far, (i & 1 ? far : -far) + i * 1e-3);
}

} // namespace

// A dashed stroke ten million long that leaves the image at once: a million dashes off the image
// add no cells, and what shows is what a short one shows.
TEST(HostilePath, FarDashedStrokeShowsWhatAShortOneShows)
{
	const char* svg = "<svg><path d=\"M0 50 L-1e7 50\" stroke=\"black\" stroke-width=\"300\" "
	                  "stroke-dasharray=\"3 1\"/></svg>";
	QEL_EXPECT_BOUNDED(300, 20, sDashedStroke(-1e7, LINECAP_BUTT), RenderSVGImage(Size(1000, 1000), svg),
	                   sDashedStroke(-1e7, LINECAP_ROUND));
	for(int cap : {LINECAP_SQUARE, LINECAP_ROUND})
		EXPECT_TRUE(sSame(sDashedStroke(-1e7, cap, 300), sDashedStroke(-1000, cap, 300))) << cap;
}

// Sixteen dashed strokes a hundred and fifty orders wider than the image, on 64 x 64: every dash
// covers the image, so the first ones decide it and the rest is not made.
TEST(HostilePath, HugeWidthsOnASmallImage)
{
	PaintingPainter rec(64, 64);
	for(int i = 0; i < 16; i++) {
		rec.LineCap(i % 3);
		rec.Move(-1e6, 30 + i).Line(1e6, 34 - i).Dash(i & 1 ? "1 1" : "0.5 2 1").Stroke(1e154, sBlack);
	}
	Painting p = rec;
	auto play = [&] {
		ImagePainter ip(64, 64);
		ip.Clear(sWhite);
		PlayPainting(ip, p);
		Image m = ip;
		return m[32][32] == sBlack ? 0 : 1;
	};
	QEL_EXPECT_BOUNDED(300, 10, play() ? abort() : (void)0);
}

// A path that makes more cells than the image allows stops there and the painter says so; in co
// mode a job past its share of a batch is made again alone, with the same result as on one thread.
TEST(HostilePath, CellLimitEndsThePathAlikeInCoMode)
{
	QEL_EXPECT_BOUNDED(700, 30, [] {
		ImagePainter p(1000, 1000);
		sZigZag(p, 30000, 1e7);
		p.Stroke(3, sBlack);
		p.Finish();
		if(!p.IsCut())
			abort();
	}());
	for(int n : {500, 20000}) { // past a job's share only; past the image's limit too
		Image m[2];
		bool cut[2];
		for(int co = 0; co < 2; co++) {
			ImagePainter p(64, 64);
			p.Co(co);
			p.Clear(sWhite);
			p.RectPath(1, 1, 10, 10).Fill(sBlack); // jobs before and after keep their order
			sZigZag(p, n, 100);
			p.Stroke(0.5, RGBA{0, 0, 128, 128});
			p.RectPath(5, 5, 20, 20).Fill(RGBA{128, 0, 0, 128});
			p.Finish();
			cut[co] = p.IsCut();
			m[co] = p;
		}
		EXPECT_TRUE(sSame(m[0], m[1])) << n;
		EXPECT_EQ(cut[0], n > 10000) << n;
		EXPECT_EQ(cut[1], cut[0]) << n;
	}
}

// Data and images drawn on a painter through the shared operations are made only where they
// show on the image, however large they are.
TEST(HostilePath, PictureDataOnAPainterCostsWhatShows)
{
	// a 2 x 2 24-bit BMP: blue, green / red, white
	const unsigned char bmp[] = {
		'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0,
		0, 0, 0, 0, 16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
		0, 0, 255, 255, 255, 255, 0, 0, 255, 0, 0, 0, 0, 255, 0, 0, 0, 0};
	String data((const char*)bmp, sizeof(bmp));
	auto draw = [&](int y) {
		ImagePainter p(100, 100);
		p.DrawDataOp(0, y, 4000, 1 << 30, data, "image_data");
		return Image(p);
	};
	QEL_EXPECT_BOUNDED(300, 20, draw(-(1 << 29)), draw(0), draw(INT_MAX - 1000));
	Image top = draw(0); // the top left quarter of the picture is blue
	EXPECT_EQ(top[50][50].b, 255);
	EXPECT_EQ(top[50][50].r, 0);
	EXPECT_FALSE(ImagePainter(100, 100).IsPaintingOp(Rect(100, 0, 200, 50)));
	EXPECT_TRUE(ImagePainter(100, 100).IsPaintingOp(Rect(-100, 99, 1, 200)));
}
