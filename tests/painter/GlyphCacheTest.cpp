// Text drawn from the glyph coverage cache must give the pixels the outlines give: scenes of
// random text are painted with the cache and with it off (budget 0), and compared byte for byte.
#include <painter/Painter.h>
#include <painter/buffer/detail/GlyphCoverage.h>

#include "TestPixels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <thread>
#include <vector>

using namespace Qel;
using namespace QelTest;

namespace {

// Restores the budget when a test ends, however it ends.
struct BudgetGuard {
	size_t budget = detail::GetGlyphCacheBudget();
	~BudgetGuard() { detail::SetGlyphCacheBudget(budget); }
};

using Scene = std::function<void(BufferPainter&)>;

// A background of random opaque and translucent pixels, so that every blend shows.
Image Paint(const Scene& scene, bool cached, int mode = RENDER_AA, bool co = false, Size sz = Size(200, 150))
{
	BudgetGuard guard;
	if(!cached)
		detail::SetGlyphCacheBudget(0);
	ImageBuffer ib(sz);
	Image bg = RandomImage(sz.cx, sz.cy, 7);
	memcpy(ib.Begin(), bg.Begin(), sizeof(RGBA) * bg.GetLength());
	{
		BufferPainter p(ib, mode);
		p.Co(co);
		scene(p);
		p.Finish();
	}
	return ib;
}

int MaxDifference(const Image& a, const Image& b)
{
	if(a.GetSize() != b.GetSize())
		return 256;
	int d = 0;
	for(int i = 0; i < a.GetLength(); i++) {
		const RGBA& x = a.Begin()[i];
		const RGBA& y = b.Begin()[i];
		d = std::max({d, std::abs(x.r - y.r), std::abs(x.g - y.g), std::abs(x.b - y.b), std::abs(x.a - y.a)});
	}
	return d;
}

struct TextRun {
	Pointf         p;
	WString        text;
	Font           font;
	RGBA           color;
	Vector<double> dx;
};

// Runs of random characters in random faces and sizes from 6 to 96 pixels, bold and italic;
// origins and advances in steps of 'step' pixels (1: whole pixels, 0: anywhere).
std::vector<TextRun> RandomRuns(unsigned seed, double step, Size area, int count = 24)
{
	std::mt19937 rng(seed);
	auto at = [&](double v) { return step ? std::floor(v / step) * step : v; };
	const int faces[] = { Font::SANSSERIF, Font::SERIF, Font::MONOSPACE };
	std::vector<TextRun> runs;
	for(int i = 0; i < count; i++) {
		TextRun r;
		int px = 6 + rng() % 91;
		r.font = Font(faces[rng() % 3], px);
		r.font.Bold(rng() % 3 == 0).Italic(rng() % 3 == 0);
		r.p = Pointf(at(-20 + std::uniform_real_distribution<double>(0, area.cx)(rng)),
		             at(-20 + std::uniform_real_distribution<double>(0, area.cy)(rng)));
		int n = 1 + rng() % 8;
		for(int k = 0; k < n; k++) {
			r.text.Cat(rng() % 5 ? 33 + rng() % 94 : 0xC0 + rng() % 0x100); // accents too
			r.dx.Add(at(px * std::uniform_real_distribution<double>(0.3, 0.8)(rng)));
		}
		int a = rng() % 3 ? 255 : 40 + rng() % 200;
		r.color = Rgba(rng() % (a + 1), rng() % (a + 1), rng() % (a + 1), a);
		runs.push_back(r);
	}
	return runs;
}

void DrawRuns(BufferPainter& p, const std::vector<TextRun>& runs)
{
	for(const TextRun& r : runs) {
		p.Text(r.p, r.text, r.font, r.dx.begin());
		p.Fill(r.color);
	}
}

} // namespace

// Whole-pixel origins: byte for byte, whichever way the cached glyph reaches the pixels (blended
// directly, or through the rasteriser under a clip, a gradient, inversion, other render modes,
// co mode), glyphs crossing the edges and lying wholly outside included.
TEST(GlyphCache, SameBytesAsOutlinesAtWholePixels)
{
	for(unsigned seed = 1; seed <= 6; seed++) {
		std::vector<TextRun> runs = RandomRuns(seed, 1, Size(240, 190));
		Scene plain = [&](BufferPainter& p) { DrawRuns(p, runs); };
		Scene moved = [&](BufferPainter& p) { p.Translate(3, -2); DrawRuns(p, runs); };
		Scene clipped = [&](BufferPainter& p) {
			p.RectPath(20, 10, 130, 100).Clip();
			p.Opacity(0.6);
			DrawRuns(p, runs);
		};
		Scene shaded = [&](BufferPainter& p) {
			for(const TextRun& r : runs) {
				p.Text(r.p, r.text, r.font, r.dx.begin());
				p.Fill(Pointf(0, 0), Rgba(200, 0, 0, 255), Pointf(200, 150), Rgba(0, 0, 90, 160));
			}
		};
		Scene inverted = [&](BufferPainter& p) { p.Invert(true); DrawRuns(p, runs); };
		for(const Scene* s : {&plain, &moved, &clipped, &shaded, &inverted})
			EXPECT_EQ(MaxDifference(Paint(*s, true), Paint(*s, false)), 0) << seed;
		for(int mode : {RENDER_NOAA, RENDER_SUBPIXEL})
			EXPECT_EQ(MaxDifference(Paint(plain, true, mode), Paint(plain, false, mode)), 0) << seed << " " << mode;
		EXPECT_EQ(MaxDifference(Paint(plain, true, RENDER_AA, true), Paint(plain, false)), 0) << seed;
		EXPECT_EQ(MaxDifference(Paint(clipped, true, RENDER_AA, true), Paint(clipped, false)), 0) << seed;
	}
}

// Text through Draw is blended as it comes and its path made only when rendered again: the
// pixels and what later operations do with the path are those of the outlines at whole-pixel
// origins, and those of the painter's own text elsewhere.
TEST(GlyphCache, DrawTextLeavesThePathAsItWas)
{
	for(unsigned seed = 21; seed <= 26; seed++) {
		bool whole = seed & 1;
		std::vector<TextRun> runs = RandomRuns(seed, 1, Size(230, 180), 10);
		auto draw = [&](BufferPainter& p, bool own) {
			for(const TextRun& r : runs) {
				Vector<int> dx;
				for(double d : r.dx)
					dx.Add((int)d);
				Color ink(r.color.r, r.color.g, r.color.b);
				int x = (int)r.p.x, y = (int)r.p.y, n = r.text.GetCount();
				if(own)
					p.DrawTextOp(x, y, 0, r.text.begin(), r.font, ink, n, whole ? dx.begin() : nullptr);
				else
					p.Painter::DrawTextOp(x, y, 0, r.text.begin(), r.font, ink, n, whole ? dx.begin() : nullptr);
			}
		};
		auto scenes = [&](bool own) {
			return std::vector<Scene>{
				[&, own](BufferPainter& p) { draw(p, own); },
				[&, own](BufferPainter& p) {
					p.Translate(2, 1);
					p.Opacity(0.7);
					draw(p, own);
					p.Opacity(0.5);
					p.Stroke(1, Rgba(0, 120, 0, 255)); // the last run's path, again
				},
				[&, own](BufferPainter& p) { draw(p, own); p.Fill(Rgba(0, 120, 0, 255)); },
				[&, own](BufferPainter& p) {
					draw(p, own);
					p.BeginOnPath(0.5);
					p.RectPath(-3, -3, 6, 6).Fill(Rgba(200, 0, 0, 255));
					p.End();
				},
			};
		};
		std::vector<Scene> fast = scenes(true), painter = scenes(false);
		for(size_t k = 0; k < fast.size(); k++) {
			Image a = Paint(fast[k], true);
			EXPECT_EQ(MaxDifference(a, Paint(painter[k], true)), 0) << seed << " " << k;
			if(whole) {
				EXPECT_EQ(MaxDifference(a, Paint(painter[k], false)), 0) << seed << " " << k;
			}
		}
	}
}

// Elsewhere the origin is taken to the nearest quarter pixel: the glyphs are those the outlines
// give at that origin, and at most a quarter-pixel shift away from the exact one.
TEST(GlyphCache, OtherOriginsGoToTheNearestQuarterPixel)
{
	for(unsigned seed = 11; seed <= 14; seed++) {
		std::vector<TextRun> runs = RandomRuns(seed, 0, Size(220, 170));
		std::vector<TextRun> quarter;
		for(const TextRun& r : runs) // one character per run, so each origin is the run's
			for(int k = 0; k < r.text.GetCount(); k++) {
				TextRun q = r;
				double x = r.p.x;
				for(int j = 0; j < k; j++)
					x += r.dx[j];
				q.text = WString(r.text[k], 1);
				q.dx.Clear();
				q.dx.Add(0);
				q.p = Pointf(x, r.p.y);
				quarter.push_back(q);
			}
		// (glyphs across the target's edges go the outline's way, at their exact origin)
		Size sz(1000, 400);
		for(TextRun& r : quarter)
			r.p = Pointf(r.p.x + 100, r.p.y + 120);
		std::vector<TextRun> rounded = quarter;
		for(TextRun& r : rounded)
			r.p = Pointf(std::floor(r.p.x * 4 + 0.5) / 4, std::floor(r.p.y * 4 + 0.5) / 4);
		auto paint = [&](const std::vector<TextRun>& runs, bool cached) {
			return Paint([&](BufferPainter& p) { DrawRuns(p, runs); }, cached, RENDER_AA, false, sz);
		};
		Image cached = paint(quarter, true);
		EXPECT_EQ(MaxDifference(cached, paint(rounded, false)), 0) << seed;
		EXPECT_EQ(MaxDifference(cached, paint(rounded, true)), 0) << seed;
		// pixels move by an eighth of a pixel at most, in either direction
		int shift = MaxDifference(cached, paint(quarter, false));
		EXPECT_GT(shift, 0) << seed;
		EXPECT_LE(shift, 2 * 256 / 8) << seed;
	}
}

// However many glyphs pass through, the cache holds no more than its budget.
TEST(GlyphCache, StaysWithinItsBudget)
{
	BudgetGuard guard;
	const size_t budget = 256 << 10;
	detail::SetGlyphCacheBudget(budget);
	EXPECT_LE(detail::GetGlyphCacheBytes(), budget);
	ImageBuffer ib(300, 300);
	BufferPainter p(ib);
	int distinct = 0;
	size_t most = 0;
	for(int px = 8; distinct < 10000; px++)
		for(int ch = 33; ch < 33 + 160 && distinct < 10000; ch++, distinct++) {
			p.Character(Pointf(10 + ch % 7, 10 + ch % 5), ch, Font(Font::SANSSERIF, 8 + px % 60).Bold(px & 1));
			p.Fill(Rgba(0, 0, 0, 255));
			if(distinct % 97 == 0)
				most = std::max(most, detail::GetGlyphCacheBytes());
		}
	most = std::max(most, detail::GetGlyphCacheBytes());
	EXPECT_LE(most, budget);
	EXPECT_GT(most, budget / 4); // it was used
}

// Threads painting text at once, on painters of their own and in co mode, while a small budget
// keeps dropping glyphs that others are drawing.
TEST(GlyphCache, ThreadsShareTheCache)
{
	BudgetGuard guard;
	std::vector<std::vector<TextRun>> runs;
	std::vector<Image> expected;
	for(unsigned t = 0; t < 6; t++) {
		runs.push_back(RandomRuns(100 + t, 1, Size(200, 150), 12));
		expected.push_back(Paint([&](BufferPainter& p) { DrawRuns(p, runs[t]); }, false));
	}
	detail::SetGlyphCacheBudget(64 << 10);
	std::vector<int> diff(runs.size(), -1);
	std::vector<std::thread> threads;
	for(size_t t = 0; t < runs.size(); t++)
		threads.emplace_back([&, t] {
			int d = 0;
			for(int round = 0; round < 4; round++) {
				ImageBuffer ib(200, 150);
				Image bg = RandomImage(200, 150, 7);
				memcpy(ib.Begin(), bg.Begin(), sizeof(RGBA) * bg.GetLength());
				{
					BufferPainter p(ib);
					p.Co(t % 2);
					DrawRuns(p, runs[t]);
					p.Finish();
				}
				d = std::max(d, MaxDifference(ib, expected[t]));
			}
			diff[t] = d;
		});
	for(auto& th : threads)
		th.join();
	for(size_t t = 0; t < runs.size(); t++)
		EXPECT_EQ(diff[t], 0) << t;
}
