// Co mode renders on the worker pool; its output must equal the single-threaded one byte for byte.
#include "TestPixels.h"

#include <painter/Painter.h>

#include <Core/text/Exc.h>
#include <Core/container/Index.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>

using namespace Qel;

namespace {

const RGBA Black = {0, 0, 0, 255};

using Scene = std::function<void (BufferPainter&)>;

// threads < 0: co off; 0: the whole pool.
Image Paint(int cx, int cy, int mode, int threads, const Scene& scene)
{
	ImagePainter p(cx, cy, mode);
	if(threads >= 0)
		p.Co().CoThreads(threads);
	scene(p);
	return p;
}

bool SameBytes(const Image& a, const Image& b)
{
	return a.GetSize() == b.GetSize() &&
	       memcmp(a.Begin(), b.Begin(), (size_t)a.GetLength() * sizeof(RGBA)) == 0;
}

RGBA RandomColor(std::mt19937& rng)
{
	int a = rng() % 4 == 0 ? 255 : (int)(rng() % 256);
	auto ch = [&] { return (byte)(rng() % (a + 1)); };
	return RGBA{ch(), ch(), ch(), (byte)a};
}

// A scene of many overlapping paths touching every kind of work the pool does.
void RandomScene(BufferPainter& p, unsigned seed, int cx, int cy)
{
	std::mt19937 rng(seed);
	auto u = [&](double a, double b) { return a + (b - a) * (rng() % 10001) / 10000.0; };
	p.Clear(RGBA{40, 30, 20, 255});
	for(int i = 0; i < 400; i++) {
		switch(rng() % 12) {
		case 0: case 1: case 2: {
			int n = 3 + rng() % 5;
			p.Move(u(-10, cx + 10), u(-10, cy + 10));
			for(int k = 0; k < n; k++)
				p.Line(u(-10, cx + 10), u(-10, cy + 10));
			p.EvenOdd(rng() % 2).Fill(RandomColor(rng));
			break;
		}
		case 3:
			p.Circle(u(0, cx), u(0, cy), u(1, 30)).Div().Circle(u(0, cx), u(0, cy), u(1, 10)).Fill(RandomColor(rng));
			break;
		case 4:
			p.Move(u(0, cx), u(0, cy)).Cubic(Pointf(u(0, cx), u(0, cy)), Pointf(u(0, cx), u(0, cy)), Pointf(u(0, cx), u(0, cy)))
			 .LineJoin(LINEJOIN_ROUND).LineCap(LINECAP_ROUND).Stroke(u(0.5, 8), RandomColor(rng));
			break;
		case 5:
			p.Dash("4 2 1 2", u(0, 5)).Move(u(0, cx), u(0, cy)).Line(u(0, cx), u(0, cy)).Line(u(0, cx), u(0, cy))
			 .Stroke(u(0.5, 3), RandomColor(rng)).Dash(Vector<double>(), 0);
			break;
		case 6:
			p.Begin();
			p.Opacity(u(0, 1));
			p.Translate(u(0, cx / 2), u(0, cy / 2)).Rotate(u(0, 3)).Scale(u(0.5, 2), u(0.5, 2));
			p.RoundedRectangle(0, 0, u(5, 40), u(5, 40), 4).Fill(RandomColor(rng)).Stroke(1, RandomColor(rng));
			p.End();
			break;
		case 7:
			if(rng() % 4 == 0) {
				p.End();
				break;
			}
			p.Begin();
			p.Ellipse(u(0, cx), u(0, cy), u(5, cx), u(5, cy)).Clip();
			break;
		case 8:
			p.Begin().Invert().RectPath(u(0, cx), u(0, cy), u(1, 20), u(1, 20)).Fill(Black).End();
			break;
		case 9:
			if(rng() % 8 == 0) {
				p.BeginMask();
				p.Circle(u(0, cx), u(0, cy), u(5, 40)).Fill(RGBA{200, 200, 200, 255});
				p.End();
			}
			else if(rng() % 16 == 0)
				p.Clear(RandomColor(rng));
			break;
		case 10:
			p.Move(0, 0).Line(u(0, cx), u(0, cy)).BeginOnPath(u(0, 1));
			p.RectPath(-2, -2, 4, 4).Fill(RandomColor(rng));
			p.End();
			break;
		case 11:
			p.Begin().Translate(u(0, cx), u(0, cy));
			p.CharacterOp(Pointf(0, 0), "aQ&g"[rng() % 4], SansSerif(8 + rng() % 30));
			p.Fill(RandomColor(rng)).End();
			break;
		}
	}
}

} // namespace

TEST(BufferPainterCo, SameBytesAsSingleThreaded)
{
	struct Case {
		int cx, cy, mode;
	} cases[] = {
		{120, 90, RENDER_AA},
		{97, 61, RENDER_SUBPIXEL},
		{80, 50, RENDER_NOAA},
		{200, 3, RENDER_AA},       // fewer rows than workers
		{50, 1, RENDER_SUBPIXEL},
	};
	for(const Case& c : cases)
		for(unsigned seed = 1; seed <= 3; seed++) {
			auto scene = [&](BufferPainter& p) { RandomScene(p, seed, c.cx, c.cy); };
			Image single = Paint(c.cx, c.cy, c.mode, -1, scene);
			for(int threads : {1, 2, 4, 8, 0})
				EXPECT_TRUE(SameBytes(single, Paint(c.cx, c.cy, c.mode, threads, scene)))
					<< c.cx << "x" << c.cy << " mode " << c.mode << " seed " << seed << " threads " << threads;
		}
}

TEST(BufferPainterCo, ManyOverlappingFillsKeepTheirOrder)
{
	auto scene = [](BufferPainter& p) {
		for(int i = 0; i < 300; i++)
			p.Circle(20 + i % 60, 20 + i / 10, 15).Fill(RGBA{(byte)(i * 7), (byte)(i * 13), (byte)(i * 3), 255});
	};
	Image single = Paint(100, 70, RENDER_AA, -1, scene);
	EXPECT_TRUE(SameBytes(single, Paint(100, 70, RENDER_AA, 4, scene)));
	// transparent fills draw nothing but still count toward the batch
	auto empties = [](BufferPainter& p) {
		for(int i = 0; i < 600; i++)
			p.Circle(i % 50, i % 30, 5).Fill(i % 3 ? RGBA{0, 0, 0, 0} : RGBA{(byte)i, 0, 0, 255});
	};
	EXPECT_TRUE(SameBytes(Paint(60, 40, RENDER_AA, -1, empties), Paint(60, 40, RENDER_AA, 2, empties)));
}

TEST(BufferPainterCo, ImagePartsDrawnScaled)
{
	// Parts of an image up, down (the large part shrunk on the pool when not cached), at their
	// own size, beyond the image and coloured, and the whole image down.
	Image img = QelTest::RandomImage(240, 150, 3);
	for(bool cache : {true, false}) {
		auto scene = [&](BufferPainter& p) {
			p.ImageCache(cache);
			p.DrawImageOp(0, 0, 37, 23, img, Rect(20, 10, 220, 140), Color());
			p.DrawImageOp(40, 0, 60, 45, img, Rect(3, 4, 9, 10), Color());
			p.DrawImageOp(0, 30, 13, 11, img, Rect(100, 100, 113, 111), Color());
			p.DrawImageOp(20, 50, 50, 30, img, Rect(-5, 140, 20, 160), Color(0, 0, 255));
			p.DrawImageOp(70, 50, 29, 37, img, Rect(0, 0, 240, 150), Color());
		};
		Image single = Paint(100, 90, RENDER_AA, -1, scene);
		for(int threads : {1, 2, 4, 0})
			EXPECT_TRUE(SameBytes(single, Paint(100, 90, RENDER_AA, threads, scene))) << cache << " " << threads;
	}
}

TEST(BufferPainterCo, SubpixelBuffersComeWithCoSwitchedOnLater)
{
	auto scene = [](BufferPainter& p) {
		for(int i = 0; i < 50; i++)
			p.Circle(10 + i, 20, 12).Fill(RGBA{(byte)(i * 5), 0, 0, 255});
	};
	Image single = Paint(80, 40, RENDER_SUBPIXEL, -1, scene);
	ImagePainter p(80, 40, RENDER_SUBPIXEL);
	p.RectPath(0, 0, 1, 1).Fill(RGBA{0, 0, 0, 0});
	p.Co();
	scene(p);
	EXPECT_TRUE(SameBytes(single, p));
}

namespace {

struct sSpan : SpanSource {
	bool* deleted;
	bool  fail;
	explicit sSpan(bool* d, bool fail = false) : deleted(d), fail(fail) {}
	~sSpan() override { *deleted = true; }
	void Get(RGBA* span, int, int, unsigned len) override
	{
		if(fail)
			throw Exc("span failed");
		for(unsigned i = 0; i < len; i++)
			span[i] = RGBA{0, 0, 255, 255};
	}
};

} // namespace

TEST(BufferPainterCo, SpanSourceLivesUntilItsBatchHasRendered)
{
	bool deleted = false;
	ImagePainter p(20, 20);
	p.Co();
	p.RectPath(0, 0, 5, 5).Div().RectPath(10, 10, 5, 5).Div().RectPath(0, 10, 5, 5);
	p.RenderPath(-1, std::make_unique<sSpan>(&deleted), RGBA{0, 0, 0, 0});
	EXPECT_FALSE(deleted);
	p.Finish();
	EXPECT_TRUE(deleted);
	Image img = p;
	EXPECT_EQ(img[12][12].r, 255);
	EXPECT_EQ(img[12][2].r, 255);
	EXPECT_EQ(img[7][7].a, 0);
}

TEST(BufferPainterCo, JobExceptionReachesFinishOnce)
{
	for(int threads : {1, 4}) {
		bool deleted = false;
		ImagePainter p(30, 30);
		p.Co().CoThreads(threads);
		p.RectPath(0, 0, 30, 30); p.RenderPath(-1, std::make_unique<sSpan>(&deleted, true), RGBA{0, 0, 0, 0});
		p.RectPath(0, 0, 30, 30).Fill(Black);
		EXPECT_THROW(p.Finish(), Exc);
		EXPECT_TRUE(deleted);
		EXPECT_NO_THROW(p.Finish());
		p.RectPath(0, 0, 30, 30).Fill(Black); // the painter goes on
		Image img = p;
		EXPECT_EQ(img[15][15].a, 255);
	}
	// a failure nobody asks for is logged by the destructor, never thrown
	bool deleted = false;
	EXPECT_NO_THROW({
		ImagePainter p(30, 30);
		p.Co();
		p.RectPath(0, 0, 30, 30); p.RenderPath(-1, std::make_unique<sSpan>(&deleted, true), RGBA{0, 0, 0, 0});
	});
	EXPECT_TRUE(deleted);
	// without co mode the failure comes out of the operation itself
	ImagePainter q(10, 10);
	q.RectPath(0, 0, 10, 10);
	EXPECT_THROW(q.RenderPath(-1, std::make_unique<sSpan>(&deleted, true), RGBA{0, 0, 0, 0}), Exc);
}

TEST(BufferPainterCo, PreClipSkipsOnlyWhatLiesOutside)
{
	auto scene = [](BufferPainter& p) {
		for(int i = 0; i < 40; i++)
			p.Circle(-50 + 8 * i, 20, 10).Stroke(3, RGBA{(byte)(i * 6), 100, 0, 255});
		p.Translate(30, 0).Scale(2).Circle(-100, -100, 5).Fill(Black); // wholly outside
	};
	Image plain = Paint(100, 40, RENDER_AA, -1, scene);
	for(int threads : {-1, 4}) {
		ImagePainter p(100, 40);
		p.PreClip();
		if(threads >= 0)
			p.Co().CoThreads(threads);
		scene(p);
		EXPECT_TRUE(SameBytes(plain, p)) << threads;
	}
}

TEST(BufferPainterCo, RandomScenesDrawSomething)
{
	Image img = Paint(120, 90, RENDER_AA, -1, [](BufferPainter& p) { RandomScene(p, 1, 120, 90); });
	Index<dword> colors;
	for(const RGBA& c : img) {
		dword w;
		memcpy(&w, &c, 4);
		colors.FindAdd(w);
	}
	EXPECT_GT(colors.GetCount(), 100);
}
