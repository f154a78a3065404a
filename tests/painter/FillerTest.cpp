#include <painter/Painter.h>
#include "TestPixels.h"

#include <Core/base/Heap.h>

#include <gtest/gtest.h>

#include <cstring>

#include <vector>

using namespace Qel;
using QelTest::Rgba;
using QelTest::RandomImage;

namespace {


std::vector<byte> sClipBytes(ClipFiller& f, int cx, const std::vector<std::pair<int, int>>& runs, uintptr_t* kind = nullptr)
{
	f.Clear();
	for(auto [v, n] : runs)
		f.Render(v, n);
	byte* r = f.Finish();
	if(kind)
		*kind = (uintptr_t)r;
	std::vector<byte> out;
	if(ClipFiller::IsClipBlock(r)) {
		// decode length by walking the code
		int x = 0;
		const byte* p = r;
		while(x < cx) {
			if(*p) { out.push_back(*p++); x++; continue; }
			out.push_back(*p++);
			int n = *p;
			out.push_back(*p++);
			x += n < 128 ? n + 1 : n - 127;
		}
		MemoryFree(r);
	}
	return out;
}

} // namespace

TEST(SolidFiller, Blends)
{
	RGBA line[4] = {Rgba(0, 0, 0, 255), Rgba(0, 0, 0, 255), Rgba(0, 0, 0, 255), Rgba(9, 9, 9, 255)};
	SolidFiller f;
	f.t = line;
	f.c = Rgba(255, 255, 255, 255);
	f.Start(0, 3);
	f.Render(128);
	f.Render(256, 1);
	f.Render(0, 1);
	EXPECT_TRUE(line[0] == Rgba(127, 127, 127, 255));
	EXPECT_TRUE(line[1] == Rgba(255, 255, 255, 255));
	EXPECT_TRUE(line[2] == Rgba(0, 0, 0, 255));
	f.t = line;
	f.invert = true;
	f.Start(3, 3);
	f.Render(256, 1);
	EXPECT_TRUE(line[3] == Rgba(246, 246, 246, 255));
}

TEST(SolidFiller, SpansBlendAsSinglePixels)
{
	// Spans of every length, over random premultiplied pixels, match pixel-by-pixel blending.
	uint32 seed = 12345;
	auto rnd = [&] { seed = seed * 1664525 + 1013904223; return int(seed >> 24); };
	for(int len = 1; len < 23; len++)
		for(int k = 0; k < 40; k++) {
			std::vector<RGBA> a(len + 2), b;
			for(RGBA& x : a) {
				int al = rnd();
				x = Rgba(rnd() * al / 255, rnd() * al / 255, rnd() * al / 255, al);
			}
			b = a;
			int al = k % 5 == 0 ? 255 : rnd();
			RGBA c = Rgba(rnd() * al / 255, rnd() * al / 255, rnd() * al / 255, al);
			int val = k % 3 == 0 ? 256 : rnd() + 1;
			SolidFiller f;
			f.t = a.data() + 1;
			f.c = c;
			f.Render(val, len);
			EXPECT_EQ(f.t, a.data() + 1 + len);
			for(int i = 1; i <= len; i++)
				AlphaBlendCover(b[i], c, val);
			for(int i = 0; i < len + 2; i++)
				ASSERT_TRUE(a[i] == b[i]) << len << " " << k << " " << i;
		}
}

TEST(SpanFiller, FullyCoveredSpansBlendAsSinglePixels)
{
	// Sources mixing opaque, transparent and partial pixels, at every span length and offset.
	uint32 seed = 777;
	auto rnd = [&] { seed = seed * 1664525 + 1013904223; return int(seed >> 24); };
	struct Src : SpanSource {
		std::vector<RGBA> px;
		void Get(RGBA* s, int x, int, unsigned len) override { memcpy((void*)s, px.data() + x, len * sizeof(RGBA)); }
	} src;
	for(int len = 1; len < 23; len++)
		for(int k = 0; k < 40; k++) {
			std::vector<RGBA> a(len + 2), b;
			src.px.assign(len + 2, RGBA());
			for(int i = 0; i < len + 2; i++) {
				int al = rnd();
				a[i] = Rgba(rnd() * al / 255, rnd() * al / 255, rnd() * al / 255, al);
				int sa = k % 4 == 0 ? 255 : k % 4 == 1 && rnd() < 128 ? 255 : rnd();
				src.px[i] = Rgba(rnd() * sa / 255, rnd() * sa / 255, rnd() * sa / 255, sa);
			}
			b = a;
			RGBA buffer[32];
			SpanFiller f;
			f.ss = &src;
			f.buffer = buffer;
			f.t = a.data();
			f.Start(1, len);
			f.Render(256, len);
			for(int i = 1; i <= len; i++)
				AlphaBlendCover(b[i], src.px[i], 256);
			for(int i = 0; i < len + 2; i++)
				ASSERT_TRUE(a[i] == b[i]) << len << " " << k << " " << i;
		}
}

TEST(SpanFiller, ScalesByAlpha)
{
	struct Src : SpanSource {
		void Get(RGBA* s, int x, int, unsigned len) override { for(unsigned i = 0; i < len; i++) s[i] = Rgba(x + i, 0, 0, 255); }
	} src;
	RGBA line[4] = {};
	RGBA buf[4];
	SpanFiller f;
	f.t = line;
	f.buffer = buf;
	f.ss = &src;
	f.alpha = 128;
	f.Start(1, 3);
	f.Render(256);
	f.Render(0, 1);
	f.Render(256, 1);
	EXPECT_EQ(line[1].a, 127);
	EXPECT_EQ(line[2].a, 0);
	EXPECT_EQ(line[3].r, 1);
}

TEST(ClipFiller, Encodings)
{
	ClipFiller f(300);
	uintptr_t k;
	EXPECT_EQ(sClipBytes(f, 300, {{0, 300}}, &k).size(), 0u);
	EXPECT_EQ(k, 0u);
	sClipBytes(f, 300, {{256, 300}}, &k);
	EXPECT_EQ(k, 1u);
	// 300 invisible columns after a literal: (0,127) (0,127) (0,43)
	ClipFiller g(301);
	EXPECT_EQ(sClipBytes(g, 301, {{5, 1}, {0, 300}}), (std::vector<byte>{5, 0, 127, 0, 127, 0, 43}));
	// full runs continue their count byte; partial line is padded with an empty run
	EXPECT_EQ(sClipBytes(g, 301, {{256, 2}, {256, 3}, {7, 1}}), (std::vector<byte>{0, 132, 7, 0, 127, 0, 127, 0, 38}));
}

// Render(val, 0) used to write a pair decoding as 128 visible columns and spoil "full".
TEST(ClipFiller, EmptyRunWritesNothing)
{
	ClipFiller f(10);
	uintptr_t k;
	sClipBytes(f, 10, {{256, 4}, {0, 0}, {256, 6}}, &k);
	EXPECT_EQ(k, 1u);
	f.Clear();
	f.Start(0, 9); // Start with minx 0 is an empty run of zero columns
	f.Render(256, 10);
	EXPECT_EQ((uintptr_t)f.Finish(), 1u);
}

TEST(MaskFillerFilter, AppliesClipLine)
{
	ClipFiller c(8);
	c.Clear();
	c.Render(0, 2);
	c.Render(128);
	c.Render(256, 5);
	byte* mask = c.Finish();
	ASSERT_TRUE(ClipFiller::IsClipBlock(mask));
	RGBA line[8] = {};
	SolidFiller s;
	s.t = line;
	s.c = Rgba(0, 0, 0, 255);
	MaskFillerFilter m;
	m.Set(&s, mask);
	m.Start(1, 7);
	m.Render(256, 2);
	m.Render(200);
	m.Render(256, 4);
	m.End();
	EXPECT_EQ(line[0].a, 0);
	EXPECT_EQ(line[1].a, 0);
	EXPECT_EQ(line[2].a, 127);
	EXPECT_EQ(line[3].a, 200 * 255 / 256);
	EXPECT_EQ(line[7].a, 255);
	MemoryFree(mask);
}

TEST(NoAAFillerFilter, Thresholds)
{
	RGBA line[2] = {};
	SolidFiller s;
	s.t = line;
	s.c = Rgba(0, 0, 0, 255);
	NoAAFillerFilter n;
	n.t = &s;
	n.Start(0, 1);
	n.Render(127);
	n.Render(128);
	EXPECT_EQ(line[0].a, 0);
	EXPECT_EQ(line[1].a, 255);
}

TEST(SubpixelFiller, FringesAndTransparentTarget)
{
	// Pixels 1..3 (columns 3..11) fully covered, on opaque white and on transparent.
	for(bool opaque : {true, false}) {
		RGBA line[6];
		for(RGBA& p : line)
			p = opaque ? Rgba(255, 255, 255, 255) : Rgba(0, 0, 0, 0);
		std::vector<int16> sb(3 * 6 + 30);
		SubpixelFiller f;
		f.sbuffer = sb.data();
		f.t = line;
		f.end = line + 6;
		f.color = Rgba(0, 0, 0, 255);
		f.Start(3, 11);
		f.Render(256, 9);
		f.End();
		if(opaque) {
			EXPECT_TRUE(line[2] == Rgba(0, 0, 0, 255));
			// the filter tails: the left neighbour's blue is darker than its red, and the reverse
			EXPECT_LT(line[0].b, line[0].r);
			EXPECT_LT(line[4].r, line[4].b);
			EXPECT_EQ(line[0].a, 255);
			EXPECT_EQ(line[5].r, 255);
		}
		else {
			EXPECT_EQ(line[2].a, 255);
			EXPECT_EQ(line[0].r, 0);
			EXPECT_EQ(line[0].a, line[4].a); // grey average on transparent targets
			EXPECT_GT(line[0].a, 0);
		}
	}
}
