// Subsets against FreeType: the glyphs a document uses keep their outlines and advances; damaged
// tables never lead a read outside them.
#include <pdf/Pdf.h>
#include <pdf/detail/Sfnt.h>

#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <random>

using namespace Qel;
using namespace Qel::detail;

namespace {

struct FtFace {
	FT_Library lib = nullptr;
	FT_Face    face = nullptr;
	String     data; // memory faces read it as long as they live

	explicit FtFace(const String& program) : data(program)
	{
		FT_Init_FreeType(&lib);
		if(FT_New_Memory_Face(lib, (const FT_Byte*)data.Begin(), data.GetLength(), 0, &face))
			face = nullptr;
	}
	explicit FtFace(const char* path)
	{
		FT_Init_FreeType(&lib);
		if(FT_New_Face(lib, path, 0, &face))
			face = nullptr;
	}
	~FtFace() { if(face) FT_Done_Face(face); FT_Done_FreeType(lib); }

	// Outline points, tags and contour ends in font units, composites resolved, and the advance.
	std::vector<long> Glyph(int g, bool* composite = nullptr) const
	{
		std::vector<long> r;
		if(composite) {
			*composite = !FT_Load_Glyph(face, g, FT_LOAD_NO_SCALE | FT_LOAD_NO_RECURSE) &&
			             face->glyph->format == FT_GLYPH_FORMAT_COMPOSITE;
		}
		if(FT_Load_Glyph(face, g, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING))
			return r;
		const FT_Outline& o = face->glyph->outline;
		for(int i = 0; i < o.n_points; i++)
			r.insert(r.end(), { o.points[i].x, o.points[i].y, long(o.tags[i] & 3) });
		r.insert(r.end(), o.contours, o.contours + o.n_contours);
		r.push_back(face->glyph->metrics.horiAdvance);
		return r;
	}
};

} // namespace

TEST(TTFReader, SubsetKeepsGlyphs)
{
	Font font(Font::SANSSERIF, 20);
	TTFReader r;
	ASSERT_TRUE(r.Open(font));
	EXPECT_FALSE(r.IsCFF());
	EXPECT_EQ(r.GetPostScriptName(), "DejaVuSans");
	EXPECT_EQ(r.GetUnitsPerEm(), 2048);
	FtFace face(font.GetMetrics().path);
	ASSERT_TRUE(face.face);
	int wrong = 0;
	for(int ch = 0; ch < 0x30000; ch++)
		wrong += r.GetGlyph(ch) != int(FT_Get_Char_Index(face.face, ch));
	EXPECT_EQ(wrong, 0) << "the glyph map differs from the face's own";

	// letters with marks are composite glyphs here: their parts come along
	WString text = WString("AÅǺåǻÉžŽ fiώЙ→ЁЇ") + WString(0x1F600, 1);
	Vector<int> glyphs;
	int composites = 0;
	for(wchar c : text) {
		glyphs.Add(r.GetGlyph(c));
		bool composite;
		face.Glyph(glyphs.Top(), &composite);
		composites += composite;
	}
	EXPECT_GE(composites, 4);
	FtFace sub(r.Subset(glyphs));
	ASSERT_TRUE(sub.face);
	EXPECT_GT(sub.face->num_glyphs, glyphs.GetCount()) << "composite parts follow the glyphs";
	EXPECT_LT(sub.face->num_glyphs, 60);
	for(int i = 0; i < glyphs.GetCount(); i++) {
		std::vector<long> a = face.Glyph(glyphs[i]), b = sub.Glyph(i + 1);
		EXPECT_FALSE(a.empty());
		EXPECT_EQ(a, b) << "glyph of " << int(text[i]);
	}
	EXPECT_EQ(face.Glyph(0), sub.Glyph(0));
}

namespace {

// The tables of a font program, read from its directory.
Function<String (const char*)> Tables(const String& font)
{
	return [=](const char* tag) {
		for(int i = 0; i < BE16(font, 4); i++)
			if(font.Mid(12 + 16 * i, 4) == tag)
				return font.Mid(BE32(font, 12 + 16 * i + 8), BE32(font, 12 + 16 * i + 12));
		return String();
	};
}

// The tables every face needs: n glyphs of 1000 units to the em, glyph i 100 (i + 1) wide.
VectorMap<String, String> MinimalFace(int n)
{
	StringBuffer head(54), hhea(36), maxp(6), hmtx;
	memset(head.Begin(), 0, 54);
	memset(hhea.Begin(), 0, 36);
	memset(maxp.Begin(), 0, 6);
	PutBE16(head.Begin() + 18, 1000);
	PutBE16(head.Begin() + 50, 1);
	PutBE16(hhea.Begin() + 34, n);
	PutBE16(maxp.Begin() + 4, n);
	for(int i = 0; i < n; i++) {
		CatBE16(hmtx, 100 * (i + 1));
		CatBE16(hmtx, 0);
	}
	VectorMap<String, String> t;
	t.Add("head", String(head));
	t.Add("hhea", String(hhea));
	t.Add("maxp", String(maxp));
	t.Add("hmtx", String(hmtx));
	return t;
}

} // namespace

// A face of three glyphs: 0 empty, 1 and 2 composites of each other, 2 also of a glyph that is
// not there.
TEST(TTFReader, CompositePartsRenumbered)
{
	auto composite = [](std::initializer_list<int> parts) {
		StringBuffer g;
		CatBE16(g, -1);
		for(int i = 0; i < 4; i++)
			CatBE16(g, 0);
		int n = 0;
		for(int p : parts) {
			CatBE16(g, ++n < int(parts.size()) ? 0x20 : 0); // more parts follow; byte offsets
			CatBE16(g, p);
			CatBE16(g, 0);
		}
		return String(g);
	};
	VectorMap<String, String> t = MinimalFace(3);
	StringBuffer loca;
	for(int o : { 0, 0, 16, 16 + 22 })
		CatBE32(loca, o);
	t.Add("loca", String(loca));
	t.Add("glyf", composite({ 2 }) + composite({ 1, 7 }));
	TTFReader r;
	ASSERT_TRUE(r.Open([&](const char* tag) { return t.Get(tag, String()); }));
	String sub = r.Subset(Vector<int>{ 2 });
	TTFReader s;
	ASSERT_TRUE(s.Open(Tables(sub)));
	EXPECT_EQ(s.GetGlyphCount(), 3);
	EXPECT_EQ(s.GetAdvance(1), 300);
	EXPECT_EQ(s.GetAdvance(2), 200);
	EXPECT_TRUE(FtFace(sub).face);
	// glyph 1 of the subset is the face's 2: parts 2 (the face's 1) and 0 (7 is not there)
	EXPECT_NE(sub.Find(composite({ 2, 0 })), -1);
	EXPECT_NE(sub.Find(composite({ 1 })), -1);
	// only empty glyphs: still a font program with its glyph table
	String empty = r.Subset(Vector<int>());
	EXPECT_TRUE(s.Open(Tables(empty)));
	EXPECT_TRUE(FtFace(empty).face);
}

// A CID-keyed CFF: its charset gives the CID of each glyph.
TEST(TTFReader, CidKeyedCff)
{
	String name = String("\x00\x01\x01\x01\x02", 5) + "A";
	// ROS (three operands), then the charset at offset 26
	String dict = String("\x8B\x8B\x8B\x0C\x1E\x1C\x00\x1A\x0F", 9);
	String top = String("\x00\x01\x01\x01", 4) + String(char(1 + dict.GetCount()), 1) + dict;
	String charset = String("\x02\x00\x64\x00\x01", 5); // glyphs 1 and 2 are CIDs 100 and 101
	String cff = String("\x01\x00\x04\x01", 4) + name + top + String(0, 2) + charset;
	ASSERT_EQ(4 + name.GetCount() + top.GetCount() + 2, 26);
	VectorMap<String, String> t = MinimalFace(3);
	t.Add("CFF ", cff);
	TTFReader r;
	ASSERT_TRUE(r.Open([&](const char* tag) { return t.Get(tag, String()); }));
	EXPECT_TRUE(r.IsCFF());
	EXPECT_EQ(r.GetCid(0), 0);
	EXPECT_EQ(r.GetCid(1), 100);
	EXPECT_EQ(r.GetCid(2), 101);
	// without ROS the glyphs are their own numbers
	t.GetAdd("CFF ") = String("\x01\x00\x04\x01", 4) + name + String("\x00\x01\x01\x01\x04\x1C\x00\x1B\x0F", 9) + String(0, 2) + charset;
	ASSERT_TRUE(r.Open([&](const char* tag) { return t.Get(tag, String()); }));
	EXPECT_EQ(r.GetCid(2), 2);
}

TEST(TTFReader, DamagedTables)
{
	Font font(Font::SERIF, 20);
	VectorMap<String, String> t;
	for(const char* tag : { "head", "hhea", "maxp", "hmtx", "loca", "glyf", "cmap", "name", "post", "OS/2" })
		t.Add(tag, font.GetData(tag));
	std::mt19937 rng(7);
	int opened = 0;
	for(int round = 0; round < 400; round++) {
		VectorMap<String, String> d = t;
		for(int k = 0; k < 1 + int(rng() % 3); k++) {
			String& s = d[rng() % d.GetCount()];
			if(rng() % 3 == 0)
				s.Trim(s.GetCount() ? int(rng() % s.GetCount()) : 0);
			else
				for(int n = 0; n < 8 && s.GetCount(); n++)
					s.Set(int(rng() % min(s.GetCount(), 4000)), int(rng()));
		}
		TTFReader r;
		if(!r.Open([&](const char* tag) { return d.Get(tag, String()); }))
			continue;
		opened++;
		Vector<int> glyphs;
		for(int ch : { int('A'), int('g'), 0xE9, 0x3A9, 0x416, int(rng() % 0x3000) })
			glyphs.Add(r.GetGlyph(ch));
		glyphs.Add(int(rng() % 70000) - 1000);
		for(int g : glyphs)
			EXPECT_GE(r.GetAdvance(g), 0);
		FtFace sub(r.Subset(glyphs));
		EXPECT_TRUE(sub.face) << round;
	}
	EXPECT_GT(opened, 200);
}
