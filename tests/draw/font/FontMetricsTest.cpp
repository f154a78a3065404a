// Metrics and glyph information against FreeType itself, opened on the file the font uses.
#include <draw/Draw.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <gtest/gtest.h>

#include <atomic>

using namespace Qel;

namespace {

int FaceOf(const char* family)
{
	for(int i = 4; i < Font::GetFaceCount(); i++)
		if(Font::GetFaceName(i) == family)
			return i;
	return -1;
}

int Floor64(long x) { return x >= 0 ? int(x / 64) : -int((-x + 63) / 64); }

struct FTRef {
	FT_Library lib = nullptr;
	FT_Face    face = nullptr;

	FTRef(const char* path, int index, int height)
	{
		FT_Init_FreeType(&lib);
		if(FT_New_Face(lib, path, index, &face) == 0)
			FT_Set_Char_Size(face, height * 64, height * 64, 0, 0);
	}
	~FTRef()
	{
		if(face)
			FT_Done_Face(face);
		FT_Done_FreeType(lib);
	}
};

const Font sFonts[] = {
	Font(2, 12), Font(2, 13).Bold(), Font(1, 20), Font(3, 15), Font(3, 9).Italic(), Font(1, 33).Bold(),
};

} // namespace

TEST(FontMetrics, AgreeWithFreeType)
{
	for(Font f : sFonts) {
		FontMetrics m = f.GetMetrics();
		ASSERT_NE(m.path[0], 0) << ~f.ToString();
		FTRef ft(m.path, m.face_index, f.GetHeight());
		ASSERT_TRUE(ft.face);
		const FT_Size_Metrics& sm = ft.face->size->metrics;
		EXPECT_EQ(m.ascent, Floor64(sm.ascender));
		EXPECT_EQ(m.descent, -Floor64(sm.descender));
		EXPECT_EQ(m.external, Floor64(sm.height) + Floor64(sm.descender) - Floor64(sm.ascender));
		EXPECT_EQ(m.avewidth, int(sm.max_advance / 64));
		EXPECT_EQ(m.maxwidth, m.avewidth);
		EXPECT_EQ(m.ttf, 1);
		EXPECT_EQ(m.default_char, '?');
		EXPECT_EQ(m.fixedpitch != 0, f.GetFace() == 3) << ~f.ToString();
		EXPECT_EQ(f.GetCy(), m.ascent + m.descent);
		for(int ch : { int('A'), int('g'), int('W'), int(' '), int('.'), 0x107, 0x416, 0x25A1 }) {
			GlyphInfo gi = GetGlyphInfo(f, ch);
			FT_UInt g = FT_Get_Char_Index(ft.face, ch);
			ASSERT_NE(g, 0u);
			ASSERT_EQ(FT_Load_Glyph(ft.face, g, FT_LOAD_NO_BITMAP), 0);
			const FT_Glyph_Metrics& gm = ft.face->glyph->metrics;
			int adv = int((ft.face->glyph->advance.x + 32) >> 6);
			int left = Floor64(gm.horiBearingX);
			int right = left + -Floor64(-((gm.horiBearingX & 63) + gm.width));
			EXPECT_EQ(gi.width, adv) << ch;
			EXPECT_EQ(gi.lspc, left) << ch;
			EXPECT_EQ(gi.rspc, adv - right) << ch;
			EXPECT_EQ(gi.glyphi, g);
			EXPECT_EQ(f.GetWidth(ch), adv);
		}
	}
}

TEST(FontMetrics, MatchedFilesOfThePinnedSet)
{
	struct { Font f; const char* file; } cases[] = {
		{ Font(2, 12), "/DejaVuSans.ttf" }, { Font(2, 12).Bold(), "/DejaVuSans-Bold.ttf" },
		{ Font(1, 12), "/DejaVuSerif.ttf" }, { Font(3, 12).Bold(), "/DejaVuSansMono-Bold.ttf" },
		{ Font(2, 12).Italic(), "/DejaVuSans.ttf" }, // no oblique file in the set
	};
	for(auto& c : cases)
		EXPECT_TRUE(String(c.f.GetMetrics().path).EndsWith(c.file)) << c.f.GetMetrics().path << ' ' << ~c.f.ToString();
	// Golden values for DejaVu Sans 2.37 at 12 pixels (FreeType 2.12).
	EXPECT_EQ(Font(2, 12).GetAscent(), 12);
	EXPECT_EQ(Font(2, 12).GetDescent(), 3);
	EXPECT_EQ(Font(2, 12).GetWidth('A'), 8);
}

TEST(FontMetrics, HeightZeroAndNegative)
{
	EXPECT_EQ(Font(2, 0).GetAscent(), Font(2, 10).GetAscent());
	EXPECT_EQ(Font(2, -17).GetCy(), Font(2, 17).GetCy());
}

TEST(FontMetrics, MissingGlyphFallsBackToTheWhiteSquare)
{
	const int absent = 0x10FFFD; // private use, in no font of the set
	Font f(1, 17);
	GlyphInfo raw = GetGlyphInfo(f, absent);
	EXPECT_TRUE(raw.IsNoReplace());
	EXPECT_EQ(raw.width, GlyphInfo::MISSING);
	EXPECT_EQ(f.GetGlyphInfo(absent), GetGlyphInfo(Font(2, 17), 0x25A1));
	EXPECT_FALSE(HasGlyph(f, absent));
	EXPECT_TRUE(HasGlyph(f, 'x'));
}

TEST(FontMetrics, ReplacementCarriesFaceAndHeight)
{
	Font mono(FaceOf("DejaVu Sans Mono"), 14);
	Font sans(FaceOf("DejaVu Sans"), 14);
	int ch = 0;
	for(int c = 0x100; c < 0x800 && !ch; c++)
		if(!HasGlyph(mono, c) && HasGlyph(sans, c))
			ch = c;
	ASSERT_NE(ch, 0);
	GlyphInfo raw = GetGlyphInfo(mono, ch);
	ASSERT_TRUE(raw.IsReplaced());
	Font r = mono;
	r.Face(raw.lspc).Height(raw.rspc);
	EXPECT_TRUE(HasGlyph(r, ch));
	EXPECT_LE(r.GetAscent(), mono.GetAscent());
	EXPECT_LE(r.GetDescent(), mono.GetDescent());
	EXPECT_EQ(mono.GetGlyphInfo(ch), GetGlyphInfo(r, ch));
	Font out;
	ASSERT_TRUE(Replace(mono, ch, out));
	EXPECT_EQ(out, r);
	// The same pair again comes from the fitted-height cache with the same answer.
	ASSERT_TRUE(Replace(mono, ch, out));
	EXPECT_EQ(out, r);
}

TEST(FontMetrics, ReplacementHeightShrinksToFit)
{
	// A serif font that reserves little room below the line: its replacement must fit into it.
	Font serif(1, 9);
	Font out;
	int ch = 0;
	for(int c = 0x100; c < 0x800 && !ch; c++)
		if(!HasGlyph(serif, c) && HasGlyph(Font(2, 9), c))
			ch = c;
	ASSERT_NE(ch, 0);
	ASSERT_TRUE(Replace(serif, ch, out));
	EXPECT_GE(out.GetRawHeight(), 1);
	EXPECT_TRUE(out.GetRawHeight() < 2 || (out.GetAscent() <= serif.GetAscent() && out.GetDescent() <= serif.GetDescent()));
}

namespace {

struct OutlineCount : FontGlyphConsumer {
	int moves = 0, lines = 0, quads = 0, cubics = 0, closes = 0;
	double minx = 1e9, maxx = -1e9, miny = 1e9, maxy = -1e9;
	void P(Pointf p) { minx = min(minx, p.x); maxx = max(maxx, p.x); miny = min(miny, p.y); maxy = max(maxy, p.y); }
	void Move(Pointf p) override                         { moves++; P(p); }
	void Line(Pointf p) override                         { lines++; P(p); }
	void Quadratic(Pointf c, Pointf p) override          { quads++; P(c); P(p); }
	void Cubic(Pointf a, Pointf b, Pointf p) override    { cubics++; P(a); P(b); P(p); }
	void Close() override                                { closes++; }
};

} // namespace

TEST(FontMetrics, RenderOutlines)
{
	Font f(2, 40);
	OutlineCount o;
	f.Render(o, 10, 20, 'O');
	EXPECT_EQ(o.moves, 2); // outer and inner contour
	EXPECT_EQ(o.closes, 2);
	EXPECT_GT(o.quads, 4);
	EXPECT_EQ(o.cubics, 0);
	// y is the top of the line: the letter sits between it and the baseline.
	EXPECT_GE(o.miny, 20);
	EXPECT_LE(o.maxy, 20 + f.GetAscent() + 1);
	EXPECT_GE(o.minx, 10);

	OutlineCount upright, slanted;
	f.Render(upright, 0, 0, 'l');
	Font(f).Italic().Render(slanted, 0, 0, 'l'); // no oblique file: sheared here
	EXPECT_GT(slanted.maxx - slanted.minx, upright.maxx - upright.minx + 4);

	OutlineCount none;
	f.Render(none, 0, 0, 0x10FFFD);
	EXPECT_EQ(none.moves + none.closes, 0);
}

TEST(FontMetrics, GetData)
{
	Font f(2, 12);
	String file = f.GetData();
	ASSERT_GT(file.GetLength(), 1000);
	EXPECT_EQ(file.Mid(0, 4), String("\0\1\0\0", 4));
	String cmap = f.GetData("cmap");
	ASSERT_GT(cmap.GetLength(), 4);
	// The table record in the file says where the table lies.
	const byte* p = (const byte*)~file;
	int n = p[4] << 8 | p[5];
	int found = -1;
	for(int i = 0; i < n; i++)
		if(memcmp(p + 12 + 16 * i, "cmap", 4) == 0)
			found = i;
	ASSERT_GE(found, 0);
	const byte* r = p + 12 + 16 * found;
	int off = r[8] << 24 | r[9] << 16 | r[10] << 8 | r[11];
	EXPECT_EQ(cmap, file.Mid(off, cmap.GetLength()));
	EXPECT_EQ(f.GetData("cmap", 2, 6), cmap.Mid(2, 6));
	EXPECT_EQ(f.GetData("cmap", -1, 6), "");
	EXPECT_EQ(f.GetData("cmap", 0, -1), "");
	EXPECT_EQ(f.GetData("cmap", int64(cmap.GetLength()) + 1, 4), "");
	EXPECT_EQ(f.GetData("cmap", int64(1) << 40, 4), "");
	EXPECT_EQ(f.GetData("none"), "");
	EXPECT_EQ(f.GetData("cma"), "");
	EXPECT_EQ(f.GetData(nullptr, 4, 8), file.Mid(4, 8));
	EXPECT_EQ(f.GetData(nullptr, -4, 8), "");
}

TEST(FontMetrics, EightThreadsMeasureAlike)
{
	WString text;
	for(int i = 0; i < 2000; i++)
		text.Cat(32 + (i * 7919) % 0x3A0);
	Font fonts[] = { Font(2, 12), Font(1, 15).Bold(), Font(3, 11), StdFont() };
	Vector<int64> expect;
	for(Font f : fonts) {
		int64 w = 0;
		for(int c : text)
			w += f.GetWidth(c) + f.GetAscent();
		expect.Add(w);
	}
	std::atomic<int> bad{0};
	Thread t[8];
	for(int k = 0; k < 8; k++)
		t[k].Run([&, k] {
			for(int round = 0; round < 20; round++) {
				int i = (k + round) % 4;
				int64 w = 0;
				for(int c : text)
					w += fonts[i].GetWidth(c) + fonts[i].GetAscent();
				if(w != expect[i])
					bad++;
			}
		});
	for(auto& x : t)
		x.Wait();
	EXPECT_EQ(bad, 0);
}
