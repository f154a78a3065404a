// Font: a 64-bit font value (face index, style flags, pixel height, width) over a process-wide
// face list built from fontconfig; its metrics and per-character glyph information come from
// FreeType, cached per thread without locks and process-wide behind the font mutex.
#pragma once

#include <Core/Core.h>

typedef struct _FcPattern FcPattern;

namespace Qel {

class FontGlyphConsumer;
struct FontMetrics;
struct GlyphInfo;

// Face bits of the face list.
enum : dword {
	FACE_FIXED_PITCH = 1,
	FACE_SCALABLE    = 2,
	FACE_SYMBOL      = 16,
	FACE_SERIF       = 32,
	FACE_SCRIPT      = 64,
	FACE_COLOR       = 128,
};

class Font {
public:
	enum : word {
		BOLD = 0x8000, ITALIC = 0x4000, UNDERLINE = 0x2000, STRIKEOUT = 0x1000, NOAA = 0x800, TTONLY = 0x400,
	};
	enum : int { STDFONT = 0, SERIF = 1, SANSSERIF = 2, MONOSPACE = 3, NULL_FACE = 0xFFFF };
	static constexpr int STD_HEIGHT = -32000; // marker: the standard font's height

	constexpr Font() = default; // Null
	constexpr Font(int face, int height) : face(word(face)), flags(0), height(int16(height)), width(0) {}
	Font(const Value& v);

	static constexpr Font FromInt64(int64 w)
	{
		Font f;
		f.face = word(w); f.flags = word(w >> 16); f.height = int16(w >> 32); f.width = int16(w >> 48);
		return f;
	}
	constexpr int64 AsInt64() const
	{
		return int64(uint64(face) | uint64(flags) << 16 | uint64(word(height)) << 32 | uint64(word(width)) << 48);
	}

	// Face list
	static int    GetFaceCount();
	static String GetFaceName(int index);
	static dword  GetFaceInfo(int index);
	static int    FindFaceName(const String& name);

	// The standard font: a real face and height, never the markers.
	static Font GetStdFont();
	static void SetStdFont(Font font);

	constexpr bool IsNull() const       { return face == NULL_FACE; }
	constexpr int  GetFace() const      { return face; }
	int            GetHeight() const;
	constexpr int  GetRawHeight() const { return height; }
	constexpr int  GetWidth() const     { return width; }
	constexpr int  GetFlags() const     { return flags; }
	constexpr bool IsBold() const       { return flags & BOLD; }
	constexpr bool IsItalic() const     { return flags & ITALIC; }
	constexpr bool IsUnderline() const  { return flags & UNDERLINE; }
	constexpr bool IsStrikeout() const  { return flags & STRIKEOUT; }
	constexpr bool IsNonAntiAliased() const { return flags & NOAA; }
	constexpr bool IsTrueTypeOnly() const   { return flags & TTONLY; }
	String         GetFaceName() const;
	dword          GetFaceInfo() const;

	constexpr Font& Face(int n)         { face = word(n); return *this; }
	constexpr Font& Height(int n)       { height = int16(n); return *this; }
	constexpr Font& Width(int n)        { width = int16(n); return *this; }
	constexpr Font& Flags(int n)        { flags = word(n); return *this; }
	constexpr Font& Bold(bool b = true)      { return SetFlag(BOLD, b); }
	constexpr Font& Italic(bool b = true)    { return SetFlag(ITALIC, b); }
	constexpr Font& Underline(bool b = true) { return SetFlag(UNDERLINE, b); }
	constexpr Font& Strikeout(bool b = true) { return SetFlag(STRIKEOUT, b); }
	constexpr Font& NonAntiAliased(bool b = true) { return SetFlag(NOAA, b); }
	constexpr Font& TrueTypeOnly(bool b = true)   { return SetFlag(TTONLY, b); }

	// Replaces the markers (Null, face 0, standard height) by the standard font's fields.
	Font& ResolveStd();
	Font  Resolved() const { Font f = *this; return f.ResolveStd(); }

	// Metrics: a copy kept per thread, valid until the thread's next font call.
	const FontMetrics& GetMetrics() const;
	int GetAscent() const;
	int GetDescent() const;
	int GetCy() const;
	int GetExternal() const;
	int GetAveWidth() const;
	int GetMaxWidth() const;
	bool IsFixedPitch() const;

	// Glyphs after the fallbacks (replacement face, composed letter, white square, space).
	GlyphInfo GetGlyphInfo(int ch) const;
	int GetWidth(int ch) const;
	int GetLeftSpace(int ch) const;
	int GetRightSpace(int ch) const;

	// Bytes of the font file, or of one of its tables when a four-letter tag is given.
	String GetData(const char* table = nullptr, int64 offset = 0, int64 size = INT_MAX) const;
	// Sends the outline of ch to the consumer, with (x, y) the top left of the text line.
	void Render(FontGlyphConsumer& sw, double x, double y, int ch) const;

	// Stored forms
	void   Serialize(Stream& s);
	void   Xmlize(XmlIO& xio);
	void   Jsonize(JsonIO& jio);
	String FlagsToText() const;
	static int FlagsFromText(const String& text);
	String ToString() const;

	hash_t GetHashValue() const
	{
		return CombineHash().Put(width).Put(flags).Put(height).Put(face);
	}
	constexpr bool operator==(const Font& b) const
	{
		return face == b.face && flags == b.flags && height == b.height && width == b.width;
	}
	operator Value() const;

private:
	word  face = NULL_FACE;
	word  flags = 0;
	int16 height = 0;
	int16 width = 0;

	constexpr Font& SetFlag(word bit, bool b) { flags = b ? flags | bit : flags & ~bit; return *this; }
};

static_assert(sizeof(Font) == 8);

// Advances of text placed at fractional positions (painted outlines, PDF pages): the integer
// advances of a small font are coarse, so they are measured in a copy 100 times (below 50) or
// 10 times (below 500) as high and scaled back.
class FineWidths {
public:
	explicit FineWidths(Font f)
	{
		int h = f.GetHeight();
		if(h > 0 && h < 50) {
			f.Height(100 * h);
			q = 0.01;
		}
		else if(h >= 50 && h <= 499) {
			f.Height(10 * h);
			q = 0.1;
		}
		font = f;
	}
	double operator()(int ch) const { return font.GetWidth(ch) * q; }

private:
	Font   font;
	double q = 1;
};

template <> inline dword ValueTypeNo<Font>()        { return FONT_V; }
template <> inline constexpr bool IsSmallValue<Font> = true;

// A Font held in a representation (other code may make one) behaves as the inline one.
template <>
struct RichValueTraits<Font> : RichValueForms {
	static bool   IsNull(const Font& x)                  { return x.IsNull(); }
	static hash_t Hash(const Font& x)                    { return x.GetHashValue(); }
	static bool   Equal(const Font& a, const Font& b)    { return a == b; }
	static bool   PolyEqual(const Font&, const Value&)   { return false; }
	static String Text(const Font& x)                    { return x.ToString(); }
	static int    Compare(const Font&, const Font&)      { return 0; }
	static int    PolyCompare(const Font&, const Value&) { return 0; }
};

const Font& NullFontRef();

// The standard font itself: standard face at the standard height, following later changes.
constexpr Font StdFont()             { return Font(0, Font::STD_HEIGHT); }
inline Font StdFont(int height)      { return Font(0, height); }
inline Font Serif(int height = Font::STD_HEIGHT)     { return Font(Font::SERIF, height); }
inline Font SansSerif(int height = Font::STD_HEIGHT) { return Font(Font::SANSSERIF, height); }
inline Font Monospace(int height = Font::STD_HEIGHT) { return Font(Font::MONOSPACE, height); }

// (average width, ascent + descent) of the standard font. The high-resolution flag of the
// image lists (IsHiDpiMode) is on while the second is 25 or more.
Size GetStdFontSize();

// Called after each change of the standard font (twice, see SetStdFont); re-entry is guarded.
void SetStdFontChangeHook(void (*hook)());

struct FontMetrics {
	int  ascent;
	int  descent;
	int  external;
	int  internal;
	int  overhang;
	int  avewidth;
	int  maxwidth;
	int  firstchar;
	int  charcount;
	int  default_char;
	int  spacebefore;
	int  spaceafter;
	byte fixedpitch;
	byte scaleable;
	byte ttf;
	int  colorimg_cy; // design ascent + descent of a colour face, else 0
	char path[256];
	int  face_index;
};

struct GlyphInfo {
	enum : int16 { MISSING = -32768 };
	int16 width;
	int16 lspc;   // for a missing glyph: the replacement face, or -1 composed, -2 none
	int16 rspc;   // for a missing glyph: the replacement height, or the base character
	word  glyphi;

	bool IsMissing() const    { return width == MISSING; }
	bool IsNormal() const     { return width != MISSING; }
	bool IsReplaced() const   { return width == MISSING && lspc >= 0; }
	bool IsComposed() const   { return width == MISSING && lspc == -1; }
	bool IsNoReplace() const  { return width == MISSING && lspc == -2; }
	bool operator==(const GlyphInfo&) const = default;
};

static_assert(sizeof(GlyphInfo) == 8);

// The raw glyph information of ch, without fallbacks.
GlyphInfo GetGlyphInfo(Font font, int ch);
// True when the resolved font's own face has a glyph for ch.
bool HasGlyph(Font font, int ch);

// The fontconfig pattern the resolved font matches, for renderers that open the face on their
// own (the caller destroys it; null when nothing matched), and whether the face found is an
// italic one.
FcPattern* MatchFontPattern(Font font, bool* italic_face);

// Receives glyph outlines, in pixels.
class FontGlyphConsumer {
public:
	virtual void Move(Pointf p) = 0;
	virtual void Line(Pointf p) = 0;
	virtual void Quadratic(Pointf p1, Pointf p) = 0;
	virtual void Cubic(Pointf p1, Pointf p2, Pointf p) = 0;
	virtual void Close() = 0;
	virtual ~FontGlyphConsumer() = default;
};

// A Latin letter of U+0100-U+017F drawn as its base letter and an accent mark.
struct ComposedGlyph {
	int  basechar;
	Point mark_pos;
	int  mark_char;
	Font mark_font;
};

bool ComposeGlyph(Font font, int ch, ComposedGlyph& cg);
// Another installed face that has ch and looks most like font, fitted into its height.
bool Replace(Font font, int ch, Font& out);

enum { CMAP_GLYPHS = 1, CMAP_ALLOW_SYMBOL = 2 };
// Runs fn(first, last, glyph) over the character ranges of a TrueType "cmap" table.
bool ParseCmap(const char* data, int len, Function<void (int, int, int)> fn, dword flags = 0);
bool ReadCmapTable(Font font, Function<void (int, int, int)> fn, dword flags = 0);

} // namespace Qel
