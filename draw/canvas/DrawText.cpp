// Text on a Draw: runs of characters the font has go to the target together; every other
// character is drawn through its fallback (replacement face, base letter and mark, white square),
// so a target only ever sees characters its font has. Underline and strikeout are drawn here for
// targets that ask for it.
#include "DrawTarget.h"
#include <draw/detail/DrawInt.h>

#include <math.h>

namespace Qel {

namespace {

constexpr int MAX_RUN = 1000; // characters per DrawTextOp call
constexpr int WHITE_SQUARE = 0x25A1;

int sWidth(const GlyphInfo& gi) { return gi.IsNormal() ? gi.width : 0; }

struct TextFrame {
	int    x, y;
	double sina = 0, cosa = 1;

	Point At(double p, double d) const { return detail::TextPoint(x, y, sina, cosa, p, d); }
};

int sRoundHalfUp(double v) { return int(floor(v + 0.5)); }

} // namespace

void Draw::DrawText(int x, int y, int angle, const wchar* text, Font font, Color ink, int n, const int* dx)
{
	if(ink.IsNull())
		return;
	if(ink == DEFAULT_INK)
		ink = GetDefaultInk();
	if(n < 0)
		n = text ? WStrLen(text) : 0;
	Font lfont = font.Resolved();
	Font dfont = lfont;
	if(GetInfo() & INFO_TEXT_LINES)
		dfont.Underline(false).Strikeout(false);
	TextFrame tf{ x, y };
	if(angle)
		SinCos(angle, tf.sina, tf.cosa);

	auto one = [&](Point q, wchar c, Font f) { DrawTextOp(q.x, q.y, angle, &c, f, ink, 1, nullptr); };

	int64 p = 0; // advances are the caller's: their sum may pass int
	for(int i = 0; i < n;) {
		wchar c = text[i];
		GlyphInfo gi = GetGlyphInfo(dfont, c);
		int natural = 0;
		if(gi.IsNormal() && angle == 0 && c < 0x10000) {
			int j = i + 1;
			while(j < n && j - i < MAX_RUN && GetGlyphInfo(dfont, text[j]).IsNormal())
				j++;
			DrawTextOp(detail::ClampInt(x + p), y, 0, text + i, dfont, ink, j - i, dx ? dx + i : nullptr);
			for(; i < j; i++)
				p += dx ? dx[i] : sWidth(GetGlyphInfo(dfont, text[i]));
			continue;
		}
		if(gi.IsNormal()) {
			one(tf.At(p, 0), c, dfont);
			natural = gi.width;
		}
		else if(gi.IsComposed()) {
			ComposedGlyph cg;
			if(ComposeGlyph(dfont, c, cg)) {
				one(tf.At(p, 0), cg.basechar, dfont);
				// The mark's offset turns with the text, as the base letter does.
				one(tf.At(double(p) + cg.mark_pos.x, cg.mark_pos.y), cg.mark_char, cg.mark_font);
				natural = sWidth(GetGlyphInfo(dfont, cg.basechar));
			}
		}
		else if(gi.IsReplaced()) {
			Font r = dfont;
			r.Face(gi.lspc).Height(gi.rspc);
			GlyphInfo rg = GetGlyphInfo(r, c);
			// Baselines aligned; the shift is perpendicular to the text.
			one(tf.At(p, dfont.GetAscent() - r.GetAscent()), c, r);
			natural = rg.IsComposed() ? sWidth(GetGlyphInfo(r, rg.rspc)) : sWidth(rg);
		}
		else {
			Font f2(Font::SANSSERIF, dfont.GetHeight());
			wchar g = GetGlyphInfo(f2, WHITE_SQUARE).IsNormal() ? WHITE_SQUARE : ' ';
			GlyphInfo g2 = GetGlyphInfo(f2, g);
			if(g2.IsNormal())
				one(tf.At(p, 0), g, f2);
			natural = sWidth(g2);
		}
		p += dx ? dx[i] : natural;
		i++;
	}

	if(!(GetInfo() & INFO_TEXT_LINES) || !(lfont.IsUnderline() || lfont.IsStrikeout()))
		return;
	int ascent = lfont.GetAscent(), descent = lfont.GetDescent();
	int a = abs(ascent + descent);
	if(a == 0)
		a = 10;
	int thickness = max(lfont.IsBold() ? a / 10 : a / 20, 1);
	// Near the ends of the coordinate range the lines stop at its edge rather than wrap.
	using detail::ClampInt;
	Point o = angle ? Point(ClampInt(int64(x) + sRoundHalfUp(tf.sina * ascent)), ClampInt(int64(y) + sRoundHalfUp(tf.cosa * ascent)))
	                : Point(x, ClampInt(int64(y) + ascent));
	auto line = [&](int off) {
		if(angle == 0) {
			DrawRectOp(o.x, ClampInt(int64(o.y) + off), ClampInt(p), thickness, ink);
			return;
		}
		int x1 = ClampInt(o.x + off * tf.sina), y1 = ClampInt(o.y + off * tf.cosa);
		DrawLineOp(x1, y1, ClampInt(x1 + p * tf.cosa), ClampInt(y1 - p * tf.sina), thickness, ink);
	};
	if(lfont.IsUnderline()) {
		int u = descent > 0 ? max(descent / 2, 1) : a / 15;
		line(min(u, descent - thickness));
	}
	if(lfont.IsStrikeout())
		line(-(ascent / 3));
}

void Draw::DrawText(int x, int y, int angle, const WString& text, Font font, Color ink, const int* dx)
{
	DrawText(x, y, angle, text.Begin(), font, ink, text.GetLength(), dx);
}

void Draw::DrawText(int x, int y, int angle, const char* text, byte charset, Font font, Color ink, int n,
                    const int* dx)
{
	if(n < 0)
		n = text ? int(strlen(text)) : 0;
	WString w = ToUnicode(text, n, charset);
	DrawText(x, y, angle, w.Begin(), font, ink, w.GetLength(), dx);
}

void Draw::DrawText(int x, int y, const char* text, Font font, Color ink, int n, const int* dx)
{
	DrawText(x, y, 0, text, CHARSET_DEFAULT, font, ink, n, dx);
}

void Draw::DrawText(int x, int y, const String& text, Font font, Color ink, const int* dx)
{
	DrawText(x, y, 0, text.Begin(), CHARSET_DEFAULT, font, ink, text.GetLength(), dx);
}

Size GetTextSize(const wchar* text, Font font, int n)
{
	if(n < 0)
		n = text ? WStrLen(text) : 0;
	int cx = 0;
	for(int i = 0; i < n; i++)
		if(text[i] >= 32)
			cx += sWidth(font.GetGlyphInfo(text[i]));
	return Size(cx, font.GetCy());
}

Size GetTextSize(const WString& text, Font font)
{
	return GetTextSize(text.Begin(), font, text.GetLength());
}

Size GetTextSize(const char* text, byte charset, Font font, int n)
{
	if(n < 0)
		n = text ? int(strlen(text)) : 0;
	return GetTextSize(ToUnicode(text, n, charset), font);
}

Size GetTextSize(const char* text, Font font, int n)
{
	return GetTextSize(text, CHARSET_DEFAULT, font, n);
}

Size GetTextSize(const String& text, Font font)
{
	return GetTextSize(text.Begin(), CHARSET_DEFAULT, font, text.GetLength());
}

} // namespace Qel
