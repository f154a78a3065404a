// Font metrics and glyph information: per-thread slots in front, the font mutex and the value
// cache behind them, and the fallback order for characters a font lacks.
#include "Font.h"
#include <draw/detail/FontInt.h>

namespace Qel {

using detail::FontMutex;

namespace {

// A key no resolved font has: face 0 is always resolved away.
constexpr Font NO_FONT = Font::FromInt64(int64(0x7fff7fff00000000LL));

struct MetricSlot {
	Font        font = NO_FONT;
	FontMetrics metrics;
};

struct GlyphSlot {
	Font      font = NO_FONT;
	GlyphInfo info;
	int       ch;
};

struct FontThreadCache {
	Font        last = NO_FONT;
	Font        last_std;
	FontMetrics last_metrics;
	MetricSlot  metric[63];
	GlyphSlot   glyph[512];
};

FontThreadCache& sThreadCache()
{
	// The library is linked statically into programs, so the initial-exec model holds and
	// saves a call per access on the hot path.
	static thread_local FontThreadCache c __attribute__((tls_model("initial-exec")));
	return c;
}

inline dword sFontHash(Font f)
{
	uint64 h = uint64(f.AsInt64()) * 0x9E3779B97F4A7C15ull;
	return dword(h >> 32);
}

inline dword sGlyphHash(Font f, int ch)
{
	uint64 h = (uint64(f.AsInt64()) ^ (uint64(dword(ch)) * 0xC2B2AE3D27D4EB4Full)) * 0x9E3779B97F4A7C15ull;
	return dword(h >> 55);
}

struct CharEntry {
	Font      font;
	GlyphInfo info;
	int       ch;
};

struct GlyphInfoMaker : ValueMaker {
	Font font;
	int  ch;

	String Key() const override
	{
		char h[12];
		int64 w = font.AsInt64();
		memcpy(h, &w, 8);
		memcpy(h + 8, &ch, 4);
		return String(h, 12);
	}

	int Make(Value& v) const override
	{
		Mutex::Lock lock(FontMutex());
		CharEntry e{ font, {}, ch };
		e.info = Make();
		v = Value(new RawValueRep<CharEntry>(e), ValueTypeNo<CharEntry>());
		return 24;
	}

	GlyphInfo Make() const
	{
		GlyphInfo missing = { GlyphInfo::MISSING, 0, 0, 0 };
		Font rf;
		if(detail::IsEmojiChar(ch) && !(Font::GetFaceInfo(font.GetFace()) & FACE_COLOR) &&
		   Replace(font, ch, rf) && !(rf == font)) {
			missing.lspc = int16(rf.GetFace());
			missing.rspc = int16(rf.GetRawHeight());
			return missing;
		}
		GlyphInfo gi = detail::MeasureGlyph(font, ch);
		if(gi.IsNormal())
			return gi;
		ComposedGlyph cg;
		if(ComposeGlyph(font, ch, cg)) {
			missing.lspc = -1;
			missing.rspc = int16(cg.basechar);
			return missing;
		}
		if(Replace(font, ch, rf)) {
			missing.lspc = int16(rf.GetFace());
			missing.rspc = int16(rf.GetRawHeight());
		}
		else
			missing.lspc = -2;
		return missing;
	}
};

} // namespace

namespace detail {

bool IsEmojiChar(int ch)
{
	return (ch >= 0x1F300 && ch <= 0x1FAF6) || (ch >= 0x2600 && ch <= 0x27EF) || (ch >= 0x1F004 && ch <= 0x1F251);
}

} // namespace detail

const FontMetrics& Font::GetMetrics() const
{
	FontThreadCache& c = sThreadCache();
	Font std = GetStdFont();
	if(!(std == c.last_std)) {
		c.last = NO_FONT;
		c.last_std = std;
	}
	if(*this == c.last)
		return c.last_metrics;
	Font f = Resolved();
	MetricSlot& s = c.metric[sFontHash(f) % 63];
	if(!(s.font == f)) {
		Mutex::Lock lock(FontMutex());
		detail::ComputeMetrics(f, s.metrics);
		s.font = f;
	}
	c.last_metrics = s.metrics;
	c.last = *this;
	return c.last_metrics;
}

int  Font::GetAscent() const    { return GetMetrics().ascent; }
int  Font::GetDescent() const   { return GetMetrics().descent; }
int  Font::GetCy() const        { const FontMetrics& m = GetMetrics(); return m.ascent + m.descent; }
int  Font::GetExternal() const  { return GetMetrics().external; }
int  Font::GetAveWidth() const  { return GetMetrics().avewidth; }
int  Font::GetMaxWidth() const  { return GetMetrics().maxwidth; }
bool Font::IsFixedPitch() const { return GetMetrics().fixedpitch; }

GlyphInfo GetGlyphInfo(Font font, int ch)
{
	font.ResolveStd();
	GlyphSlot& s = sThreadCache().glyph[sGlyphHash(font, ch)];
	if(s.font == font && s.ch == ch)
		return s.info;
	GlyphInfoMaker m;
	m.font = font;
	m.ch = ch;
	Value v;
	{
		Mutex::Lock lock(FontMutex());
		v = MakeValue(m);
	}
	const CharEntry& e = v.To<CharEntry>();
	s.font = font;
	s.ch = ch;
	s.info = e.info;
	return e.info;
}

GlyphInfo Font::GetGlyphInfo(int ch) const
{
	Font f = Resolved();
	GlyphInfo gi = Qel::GetGlyphInfo(f, ch);
	if(gi.IsNormal())
		return gi;
	if(gi.IsNoReplace()) {
		Font f2(SANSSERIF, f.GetRawHeight());
		GlyphInfo sq = Qel::GetGlyphInfo(f2, 0x25A1);
		return sq.IsNormal() ? sq : Qel::GetGlyphInfo(f2, ' ');
	}
	if(gi.IsReplaced()) {
		Font r = f;
		r.Face(gi.lspc).Height(gi.rspc);
		gi = Qel::GetGlyphInfo(r, ch);
	}
	if(gi.IsComposed())
		return Qel::GetGlyphInfo(f, word(gi.rspc));
	return gi;
}

int Font::GetWidth(int ch) const      { return GetGlyphInfo(ch).width; }
int Font::GetLeftSpace(int ch) const  { return GetGlyphInfo(ch).lspc; }
int Font::GetRightSpace(int ch) const { return GetGlyphInfo(ch).rspc; }

bool HasGlyph(Font font, int ch)
{
	Mutex::Lock lock(FontMutex());
	return detail::MeasureGlyph(font.Resolved(), ch).IsNormal();
}

} // namespace Qel
