// SystemDraw text: characters become glyph records, and a run of them with one font, ink and
// angle is shown with one cairo call when anything else happens.
#include "SystemDraw.h"
#include <gui/base/GuiLock.h>
#include <gui/paint/detail/CairoCache.h>
#include <gui/paint/detail/CairoCheck.h>

#include <climits>

namespace Qel {

using namespace detail;

void SystemDraw::DrawTextOp(int x, int y, int angle, const wchar* text, Font font, Color ink, int n,
                            const int* dx)
{
	GuiLock lock;
	if(!glyphs.IsEmpty() &&
	   (font.AsInt64() != text_font.AsInt64() || ink.GetRaw() != text_ink.GetRaw() || angle != text_angle))
		FlushText();
	text_font = font;
	text_ink = ink;
	text_angle = angle;
	if(n <= 0)
		return;
	double a = font.GetAscent();
	double sina = 0, cosa = 1;
	if(angle)
		SinCos(angle, sina, cosa);
	auto trunc = [](double v) { return int(clamp(v, double(INT_MIN), double(INT_MAX))); };
	GlyphRec* g = glyphs.AddN(n);
	double pos = 0;
	for(int i = 0; i < n; i++) {
		g[i].index = GetGlyphInfo(font, text[i]).glyphi;
		g[i].x = trunc(x + pos * cosa + a * sina);
		g[i].y = trunc(y + a * cosa - pos * sina);
		pos += dx ? dx[i] : font.GetWidth(text[i]);
	}
}

void SystemDraw::FlushText()
{
	if(glyphs.IsEmpty())
		return;
	GuiLock lock;
	CairoStatusCheck check(cr);
	cairo_scaled_font_t* sf = GetCairoFont(text_font, text_angle);
	if(sf && !text_ink.IsNull()) {
		int n = glyphs.GetCount();
		Buffer<cairo_glyph_t> cg(n);
		for(int i = 0; i < n; i++) {
			const GlyphRec& g = glyphs[i];
			cg[i].index = g.index;
			cg[i].x = g.x;
			cg[i].y = g.y;
		}
		cairo_set_scaled_font(cr, sf);
		SetColor(text_ink);
		cairo_show_glyphs(cr, cg, n);
	}
	TrimCairoFontCache();
	glyphs.Clear();
}

} // namespace Qel
