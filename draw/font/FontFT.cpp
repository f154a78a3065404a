// fontconfig matching, FreeType faces (a small most-recently-used cache), font file and table
// bytes, glyph measurement and outlines.
#include "Font.h"
#include <draw/detail/FontInt.h>

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <cstdio>

namespace Qel {

using detail::FontMutex;

namespace {

FT_Library sFTLibrary;

void sDoneFreeType()
{
	if(sFTLibrary)
		FT_Done_FreeType(sFTLibrary);
	sFTLibrary = nullptr;
}

struct FaceEntry {
	Font    font;
	FT_Face face = nullptr;
	String  path;
};

constexpr int FACE_CACHE = 37;

FaceEntry* sFaceCache()
{
	// Lives until exit: faces of other threads' fonts may still be asked for by exit handlers.
	static FaceEntry* c = [] {
		FaceEntry* e = new FaceEntry[FACE_CACHE];
		for(int i = 0; i < FACE_CACHE; i++)
			e[i].font = Font(0, -30000);
		return e;
	}();
	return c;
}

} // namespace

namespace detail {

FcPattern* MatchFcPattern(Font font)
{
	int hg = abs(font.GetHeight());
	if(hg == 0)
		hg = 10;
	String face = font.GetFace() == 0 ? String("STDFONT")
	            : font.GetFace() < 0xFFFF ? Font::GetFaceName(font.GetFace()) : String();
	FcPattern* p = FcPatternCreate();
	FcPatternAddString(p, FC_FAMILY, (const FcChar8*)~face);
	FcPatternAddInteger(p, FC_SLANT, font.IsItalic() ? 100 : 0);
	FcPatternAddInteger(p, FC_PIXEL_SIZE, hg);
	FcPatternAddInteger(p, FC_WEIGHT, font.IsBold() ? 200 : 80);
	FcPatternAddBool(p, FC_MINSPACE, true);
	FcConfigSubstitute(nullptr, p, FcMatchPattern);
	FcDefaultSubstitute(p);
	FcResult result;
	FcPattern* m = FcFontMatch(nullptr, p, &result);
	FcPatternDestroy(p);
	return m;
}

FT_Face OpenFTFace(FcPattern* pattern, String* path, int* index)
{
	if(!sFTLibrary) {
		if(FT_Init_FreeType(&sFTLibrary)) {
			sFTLibrary = nullptr;
			return nullptr;
		}
		atexit(sDoneFreeType);
	}
	FcChar8* file = nullptr;
	if(!pattern || FcPatternGetString(pattern, FC_FILE, 0, &file) != FcResultMatch || !file)
		return nullptr;
	if(path)
		*path = (const char*)file;
	double pixelsize, aspect;
	if(FcPatternGetDouble(pattern, FC_PIXEL_SIZE, 0, &pixelsize) != FcResultMatch)
		pixelsize = 16;
	if(FcPatternGetDouble(pattern, FC_ASPECT, 0, &aspect) != FcResultMatch)
		aspect = 1;
	// A collection holds several fonts: open the one fontconfig matched.
	int fi = 0;
	if(FcPatternGetInteger(pattern, FC_INDEX, 0, &fi) != FcResultMatch || fi < 0)
		fi = 0;
	if(index)
		*index = fi;
	FT_Face face;
	if(FT_New_Face(sFTLibrary, (const char*)file, fi & 0xFFFF, &face))
		return nullptr;
	FT_Set_Char_Size(face, FT_F26Dot6(pixelsize * aspect * 64), FT_F26Dot6(pixelsize * 64), 0, 0);
	return face;
}

FT_Face GetFTFace(Font font, String* path)
{
	FaceEntry* c = sFaceCache();
	if(c[0].font == font) {
		if(path)
			*path = c[0].path;
		return c[0].face;
	}
	int k = 1;
	while(k < FACE_CACHE && !(c[k].font == font))
		k++;
	if(k == FACE_CACHE) {
		k--;
		if(c[k].face) // the least recently used falls off
			FT_Done_Face(c[k].face);
		c[k].face = nullptr;
	}
	FaceEntry t = static_cast<FaceEntry&&>(c[k]);
	for(int j = k; j > 0; j--)
		c[j] = static_cast<FaceEntry&&>(c[j - 1]);
	c[0] = static_cast<FaceEntry&&>(t);
	if(c[0].font == font) {
		if(path)
			*path = c[0].path;
		return c[0].face;
	}
	FcPattern* p = MatchFcPattern(font);
	String fp;
	c[0].font = font;
	c[0].face = OpenFTFace(p, &fp);
	c[0].path = fp;
	if(p)
		FcPatternDestroy(p);
	if(path)
		*path = fp;
	return c[0].face;
}

} // namespace detail

FcPattern* MatchFontPattern(Font font, bool* italic_face)
{
	Mutex::Lock lock(FontMutex());
	FcPattern* pattern = detail::MatchFcPattern(font);
	FT_Face face = detail::GetFTFace(font, nullptr);
	*italic_face = face && (face->style_flags & FT_STYLE_FLAG_ITALIC);
	return pattern;
}

namespace {

int sFloor64(FT_Pos x) { return int(x >= 0 ? x / 64 : -((-x + 63) / 64)); }
int sCeil64(FT_Pos x)  { return -sFloor64(-x); }

} // namespace

namespace detail {

void ComputeMetrics(Font font, FontMetrics& m)
{
	memset(&m, 0, sizeof(m));
	String path;
	FT_Face face = GetFTFace(font, &path);
	if(!face)
		return;
	const FT_Size_Metrics& sm = face->size->metrics;
	m.ascent = sFloor64(sm.ascender);
	m.descent = -sFloor64(sm.descender);
	m.external = sFloor64(sm.height) + sFloor64(sm.descender) - sFloor64(sm.ascender);
	m.avewidth = m.maxwidth = int(sm.max_advance / 64);
	m.default_char = '?';
	dword info = Font::GetFaceInfo(font.GetFace());
	m.fixedpitch = (info & FACE_FIXED_PITCH) != 0;
	m.ttf = path.EndsWith(".ttf") || path.EndsWith(".otf") || path.EndsWith(".otc") || path.EndsWith(".ttc");
	if(info & FACE_COLOR) {
		int d = m.ascent + m.descent;
		m.colorimg_cy = d;
		if(d > 0) { // a damaged colour font may report no height at all
			int t = font.GetHeight() * 4 / 3;
			m.ascent = int(int64(m.ascent) * t / d);
			m.descent = t - m.ascent;
		}
	}
	if(path.GetLength() < 250)
		memcpy(m.path, ~path, path.GetLength() + 1);
	m.face_index = int(face->face_index & 0xFFFF);
}

GlyphInfo MeasureGlyph(Font font, int ch)
{
	GlyphInfo gi = { GlyphInfo::MISSING, 0, 0, 0 };
	FT_Face face = GetFTFace(font, nullptr);
	if(!face)
		return gi;
	FT_UInt g = FT_Get_Char_Index(face, ch);
	if(!g)
		return gi;
	if(FT_Load_Glyph(face, g, FT_LOAD_NO_BITMAP) && FT_Load_Glyph(face, g, FT_LOAD_DEFAULT))
		return gi;
	const FT_Glyph_Metrics& m = face->glyph->metrics;
	int advance = int((face->glyph->advance.x + 32) >> 6);
	if(Font::GetFaceInfo(font.GetFace()) & FACE_COLOR) {
		const FontMetrics& fm = font.GetMetrics();
		int cy = fm.ascent + fm.descent;
		gi.width = int16(fm.colorimg_cy > 0 ? advance * cy / fm.colorimg_cy + max(1, cy / 10) : advance);
		gi.lspc = gi.rspc = 0;
	}
	else {
		int left = sFloor64(m.horiBearingX);
		int right = left + sCeil64((m.horiBearingX & 63) + m.width);
		gi.width = int16(advance);
		gi.lspc = int16(left);
		gi.rspc = int16(advance - right);
	}
	gi.glyphi = word(g);
	return gi;
}

} // namespace detail

namespace {

dword sBE32(const byte* p) { return dword(p[0]) << 24 | dword(p[1]) << 16 | dword(p[2]) << 8 | p[3]; }

bool sReadAt(FILE* f, int64 pos, void* data, int64 len)
{
	return pos >= 0 && fseeko(f, pos, SEEK_SET) == 0 && fread(data, 1, size_t(len), f) == size_t(len);
}

// The bytes [offset, offset + size) of a file, clipped to its end.
String sReadFile(const char* path, int64 offset, int64 size)
{
	if(offset < 0 || size < 0)
		return String();
	FILE* f = fopen(path, "rb");
	if(!f)
		return String();
	String result;
	if(fseeko(f, 0, SEEK_END) == 0) {
		int64 n = min(ftello(f) - offset, size);
		if(n >= 0 && n <= INT_MAX) {
			StringBuffer b{int(n)};
			if(sReadAt(f, offset, b.Begin(), n))
				result = String(b);
		}
	}
	fclose(f);
	return result;
}

} // namespace

namespace detail {

String ReadFontTable(const char* path, int face_index, const char* table, int64 offset, int64 size)
{
	FILE* f = fopen(path, "rb");
	if(!f)
		return String();
	String result;
	byte h[12];
	int64 base = 0;
	if(sReadAt(f, 0, h, 4) && sBE32(h) == 0x74746366) { // "ttcf"
		byte n[8];
		if(sReadAt(f, 8, n, 4) && face_index >= 0 && dword(face_index) < sBE32(n) &&
		   sReadAt(f, 12 + 4 * int64(face_index), n, 4))
			base = sBE32(n);
		else
			base = -1;
	}
	fseeko(f, 0, SEEK_END);
	int64 filesize = ftello(f);
	dword version;
	if(base >= 0 && sReadAt(f, base, h, 6) &&
	   ((version = sBE32(h)) == 0x00010000 || version == 0x4F54544F || version == 0x74727565)) {
		int count = h[4] << 8 | h[5];
		dword tag = sBE32((const byte*)table);
		for(int i = 0; i < count; i++) {
			byte r[16];
			if(!sReadAt(f, base + 12 + 16 * int64(i), r, 16))
				break;
			if(sBE32(r) != tag)
				continue;
			int64 toff = int32(sBE32(r + 8)), tlen = int32(sBE32(r + 12));
			if(toff < 0 || tlen < 0 || toff + tlen > filesize || offset < 0 || size < 0)
				break;
			int64 n = min(tlen - offset, size);
			if(n < 0 || n > INT_MAX)
				break;
			StringBuffer b{int(n)};
			if(sReadAt(f, toff + offset, b.Begin(), n))
				result = String(b);
			break;
		}
	}
	fclose(f);
	return result;
}

} // namespace detail

String Font::GetData(const char* table, int64 offset, int64 size) const
{
	Mutex::Lock lock(FontMutex());
	const FontMetrics& m = GetMetrics();
	if(!table) {
		return *m.path ? sReadFile(m.path, offset, size) : String();
	}
	if(strlen(table) != 4 || !*m.path)
		return String();
	return detail::ReadFontTable(m.path, m.face_index, table, offset, size);
}

namespace {

struct OutlineWalker {
	FontGlyphConsumer& sw;
	double ox, oy, shear;

	Pointf Map(FT_Vector v) const
	{
		return Pointf(ox + v.x / 64.0 + shear * v.y / 64.0, oy - v.y / 64.0);
	}
	static Pointf Mid(Pointf a, Pointf b) { return Pointf((a.x + b.x) / 2, (a.y + b.y) / 2); }

	// False when the contour starts on a cubic control: the glyph ends there.
	bool Contour(const FT_Outline& o, int first, int last)
	{
		auto tag = [&](int i) { return FT_CURVE_TAG(o.tags[i]); };
		Pointf start;
		int i = first;
		if(tag(first) == FT_CURVE_TAG_ON)
			start = Map(o.points[i++]);
		else if(tag(first) == FT_CURVE_TAG_CONIC) {
			if(tag(last) == FT_CURVE_TAG_ON)
				start = Map(o.points[last--]);
			else
				start = Mid(Map(o.points[first]), Map(o.points[last]));
		}
		else
			return false;
		sw.Move(start);
		int pending = 0; // 1: one conic control, 2/3: cubic controls
		Pointf c1, c2;
		for(; i <= last; i++) {
			Pointf p = Map(o.points[i]);
			switch(tag(i)) {
			case FT_CURVE_TAG_ON:
				if(pending == 1)
					sw.Quadratic(c1, p);
				else if(pending == 3)
					sw.Cubic(c1, c2, p);
				else
					sw.Line(p);
				pending = 0;
				break;
			case FT_CURVE_TAG_CONIC:
				if(pending == 1) {
					Pointf m = Mid(c1, p);
					sw.Quadratic(c1, m);
				}
				c1 = p;
				pending = 1;
				break;
			default: // cubic control
				if(pending == 2) {
					c2 = p;
					pending = 3;
				}
				else {
					c1 = p;
					pending = 2;
				}
			}
		}
		if(pending == 1)
			sw.Quadratic(c1, start);
		else if(pending == 3)
			sw.Cubic(c1, c2, start);
		sw.Close();
		return true;
	}
};

} // namespace

void Font::Render(FontGlyphConsumer& sw, double x, double y, int ch) const
{
	Mutex::Lock lock(FontMutex());
	Font fnt = Resolved();
	FT_Face face = detail::GetFTFace(fnt, nullptr);
	if(!face)
		return;
	FT_UInt g = FT_Get_Char_Index(face, ch);
	if(!g || FT_Load_Glyph(face, g, FT_LOAD_DEFAULT))
		return;
	int ascent = fnt.GetAscent();
	face = detail::GetFTFace(fnt, nullptr); // the metrics may have used the cache
	FT_Load_Glyph(face, g, FT_LOAD_DEFAULT);
	bool synth = fnt.IsItalic() && !(face->style_flags & FT_STYLE_FLAG_ITALIC);
	OutlineWalker w{ sw, x, y + ascent, synth ? 0.2 : 0.0 };
	const FT_Outline& o = face->glyph->outline;
	int first = 0;
	for(int c = 0; c < o.n_contours; c++) {
		int last = o.contours[c];
		if(last < first || last >= o.n_points)
			break;
		if(!w.Contour(o, first, last))
			break;
		first = last + 1;
	}
}

} // namespace Qel
