// Composition of U+0100-U+017F, checked against the canonical decompositions.
#include <draw/Draw.h>

#include <gtest/gtest.h>

#ifdef QEL_TEST_ICU
#include <unicode/normalizer2.h>
#endif

using namespace Qel;

namespace {

int FaceOf(const char* family)
{
	for(int i = 4; i < Font::GetFaceCount(); i++)
		if(Font::GetFaceName(i) == family)
			return i;
	return -1;
}

} // namespace

#ifdef QEL_TEST_ICU
TEST(FontCompose, WholeTableAgreesWithCanonicalDecompositions)
{
	// Combining marks and the spacing accents drawn for them.
	const std::pair<int, int> spacing[] = {
		{ 0x304, 0xAF }, { 0x306, 0x2D8 }, { 0x328, 0x2DB }, { 0x301, 0xB4 }, { 0x302, 0x2C6 },
		{ 0x307, 0x2D9 }, { 0x30C, 0x2C7 }, { 0x327, 0xB8 }, { 0x303, 0x2DC }, { 0x30B, 0x2DD },
		{ 0x30A, 0x2DA }, { 0x308, 0xA8 },
	};
	UErrorCode err = U_ZERO_ERROR;
	const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(err);
	ASSERT_TRUE(U_SUCCESS(err));
	Font f(2, 20);
	int composed = 0;
	for(int c = 0x100; c < 0x180; c++) {
		ComposedGlyph cg;
		bool ok = ComposeGlyph(f, c, cg);
		icu::UnicodeString d;
		bool has = nfd->getDecomposition(c, d);
		if(!ok)
			continue;
		composed++;
		if(has && d.length() == 2 && c != 0x10F && c != 0x13D && c != 0x13E && c != 0x165) {
			EXPECT_EQ(cg.basechar, d.char32At(0)) << std::hex << c;
			int mark = 0;
			for(auto& s : spacing)
				if(s.first == d.char32At(1))
					mark = s.second;
			EXPECT_EQ(cg.mark_char, mark) << std::hex << c;
		}
		else if(!has) { // stroke letters and the middle-dot L: the letter itself is the base
			EXPECT_TRUE(cg.mark_char == '-' || cg.mark_char == 0xB7) << std::hex << c;
			EXPECT_EQ(UnicodeToUpper(c) == c, cg.basechar < 'a') << std::hex << c;
		}
	}
	EXPECT_EQ(composed, 128 - 10);
}
#endif

TEST(FontCompose, Placements)
{
	Font f(2, 20);
	int h = 20;
	ComposedGlyph cg;
	ASSERT_TRUE(ComposeGlyph(f, 0x107, cg)); // c acute: centred, same font
	int bw = f.GetWidth('c'), aw = f.GetWidth(0xB4);
	EXPECT_EQ(cg.basechar, 'c');
	EXPECT_EQ(cg.mark_char, 0xB4);
	EXPECT_EQ(cg.mark_pos, Point((bw - aw) / 2, 0));
	EXPECT_EQ(cg.mark_font, f);

	ASSERT_TRUE(ComposeGlyph(f, 0x165, cg)); // t caron: a raised comma
	EXPECT_EQ(cg.mark_char, ',');
	EXPECT_EQ(cg.mark_pos, Point(4 * f.GetWidth('t') / 10, -(3 * h / 4)));

	ASSERT_TRUE(ComposeGlyph(f, 0x104, cg)); // A ogonek: at the base line
	EXPECT_EQ(cg.mark_pos, Point((f.GetWidth('A') - f.GetWidth(0x2DB)) / 2, 0));

	ASSERT_TRUE(ComposeGlyph(f, 0x100, cg)); // A macron: smaller mark, raised a tenth
	EXPECT_EQ(cg.mark_font, Font(2, 18));
	EXPECT_EQ(cg.mark_pos, Point((f.GetWidth('A') - Font(2, 18).GetWidth(0xAF)) / 2, -2));

	ASSERT_TRUE(ComposeGlyph(f, 0x10F, cg)); // d caron: comma after the letter
	EXPECT_EQ(cg.mark_char, ',');
	EXPECT_EQ(cg.mark_pos, Point(f.GetWidth('d') - f.GetWidth(',') / 4, -(2 * h / 3)));
	ASSERT_TRUE(ComposeGlyph(f, 0x13D, cg)); // L caron
	EXPECT_EQ(cg.mark_pos, Point(f.GetWidth('L') - f.GetWidth(',') / 2, -(2 * h / 3)));

	Font mono(FaceOf("DejaVu Sans Mono"), 20);
	ASSERT_TRUE(ComposeGlyph(mono, 0x10F, cg)); // fixed pitch: a centred caron
	EXPECT_EQ(cg.mark_char, 0x2C7);
	EXPECT_EQ(cg.mark_pos, Point((mono.GetWidth('d') - mono.GetWidth(0x2C7)) / 2, 0));

	Font it = Font(f).Italic();
	ASSERT_TRUE(ComposeGlyph(it, 0x107, cg));
	EXPECT_EQ(cg.mark_pos.x, (it.GetWidth('c') - it.GetWidth(0xB4)) / 2 + it.GetWidth(0xB4) / 5);

	EXPECT_FALSE(ComposeGlyph(f, 0x180, cg));
	EXPECT_FALSE(ComposeGlyph(f, 0xFF, cg));
	EXPECT_FALSE(ComposeGlyph(f, 0x131, cg));
}

TEST(FontCmap, ParseBoundsAndGroups)
{
	// A format-12 table: one good group, one reversed, one running past U+10FFFF, and a count
	// that claims far more groups than the table holds.
	auto be32 = [](String& s, dword v) { s.Cat(v >> 24); s.Cat(v >> 16); s.Cat(v >> 8); s.Cat(v); };
	auto be16 = [](String& s, int v) { s.Cat(v >> 8); s.Cat(v); };
	String t;
	be16(t, 0); be16(t, 1);
	be16(t, 3); be16(t, 10); be32(t, 12);
	be16(t, 12); be16(t, 0); be32(t, 0); be32(t, 0); be32(t, 0x7FFFFFFF);
	be32(t, 0x41); be32(t, 0x5A); be32(t, 3);
	be32(t, 0x200); be32(t, 0x100); be32(t, 9);
	be32(t, 0x10FFF0); be32(t, 0xFFFFFFF0); be32(t, 7);
	Vector<int> got;
	EXPECT_TRUE(ParseCmap(~t, t.GetLength(), [&](int a, int b, int g) { got.Add(a); got.Add(b); got.Add(g); }));
	ASSERT_EQ(got.GetCount(), 6);
	EXPECT_EQ(got[0], 0x41);
	EXPECT_EQ(got[1], 0x5A);
	EXPECT_EQ(got[2], 3);
	EXPECT_EQ(got[4], 0x10FFFF);
	EXPECT_FALSE(ParseCmap(~t, 4, [](int, int, int) {}));
	// A subtable offset beyond the table ends the parse.
	String u = t;
	u.Set(8, 0x7F);
	EXPECT_FALSE(ParseCmap(~u, u.GetLength(), [](int, int, int) {}));
}

TEST(FontCmap, RealTableCoversWhatFreeTypeHas)
{
	Font f(2, 12);
	int ranges = 0;
	bool a = false, cyr = false;
	ASSERT_TRUE(ReadCmapTable(f, [&](int lo, int hi, int) {
		ranges++;
		a |= lo <= 'A' && 'A' <= hi;
		cyr |= lo <= 0x416 && 0x416 <= hi;
	}));
	EXPECT_GT(ranges, 10);
	EXPECT_TRUE(a);
	EXPECT_TRUE(cyr);
	// With glyphs: every character maps to FreeType's glyph index.
	int checked = 0;
	ReadCmapTable(f, [&](int lo, int hi, int g) {
		if(lo == hi && lo >= 0x20 && lo < 0x2600 && checked < 200) { // emoji go to a replacement
			EXPECT_EQ(GetGlyphInfo(f, lo).glyphi, g) << lo;
			checked++;
		}
	}, CMAP_GLYPHS);
}

#include <draw/detail/FontReplaceInt.h>

TEST(FontReplaceTable, FaceRecordsComputeAsTheBuiltInRows)
{
	// The rows for these families were fixed in advance; the computation from the font files
	// of the pinned set must give them back exactly.
	int n;
	const detail::ReplaceRecord* t = detail::BuiltinReplaceTable(n);
	EXPECT_EQ(n, 124);
	for(const char* family : { "DejaVu Sans", "DejaVu Serif", "DejaVu Sans Mono" }) {
		const detail::ReplaceRecord* row = nullptr;
		for(int i = 0; i < n; i++)
			if(strcmp(t[i].name, family) == 0)
				row = &t[i];
		ASSERT_TRUE(row);
		detail::ReplaceRecord r;
		ASSERT_TRUE(detail::ComputeReplaceRecord(Font::FindFaceName(family), r));
		EXPECT_EQ(memcmp(r.panose, row->panose, 10), 0) << family;
		EXPECT_EQ(memcmp(r.coverage, row->coverage, 32), 0) << family;
	}
}

TEST(FontReplaceTable, CoverageMarksTheBlockOfARangeEnd)
{
	dword cov[8] = {};
	detail::SetCoverage(cov, 60, 70); // crosses from block 0 into block 1
	EXPECT_TRUE(detail::HasCoverage(cov, 0));
	EXPECT_TRUE(detail::HasCoverage(cov, 127));
	EXPECT_FALSE(detail::HasCoverage(cov, 128));
	dword big[8] = {};
	detail::SetCoverage(big, 0x2F000, 0x7FFFFFFF); // clamped, and quick
	EXPECT_TRUE(detail::HasCoverage(big, 0x30000));
	EXPECT_TRUE(detail::HasCoverage(big, 0x10FFFF));
}
