// Text on a painter: runs of characters become outlines, one character after another.
#include "PainterOps.h"

#include <Core/text/Utf.h>
#include <Core/text/WString.h>

#include <cmath>

namespace Qel {

void Painter::TextOp(const Pointf& p, const wchar* text, Font fnt, int n, const double* dx)
{
	if(n <= 0 || !text) {
		MoveOp(Pointf(0, 0), false);
		return;
	}
	FineWidths width(fnt);
	double x = p.x;
	for(int i = 0; i < n; i++) {
		CharacterOp(Pointf(x, p.y), text[i], fnt);
		DivOp();
		x += dx ? dx[i] : width(text[i]);
	}
	if(fnt.IsUnderline() || fnt.IsStrikeout()) {
		double a = fnt.GetAscent();
		double t = std::max(a * 0.0625, 1.0);
		double w = x - p.x;
		auto bar = [&](double y) {
			double l = w < 0 ? p.x + w : p.x;
			double aw = std::fabs(w);
			MoveOp(Pointf(l, y), false);
			LineOp(Pointf(aw, 0), true);
			LineOp(Pointf(0, t), true);
			LineOp(Pointf(-aw, 0), true);
			CloseOp();
		};
		if(fnt.IsUnderline())
			bar(p.y + a + t);
		if(fnt.IsStrikeout())
			bar(p.y + 2 * a / 3);
	}
}

Painter& Painter::Text(const Pointf& p, const wchar* text, Font fnt, int n, const double* dx)
{
	if(!text)
		n = 0;
	else if(n < 0) {
		n = 0;
		while(text[n])
			n++;
	}
	TextOp(p, text, fnt, n, dx);
	return *this;
}

Painter& Painter::Text(const Pointf& p, const WString& text, Font fnt, const double* dx)
{
	TextOp(p, text.Begin(), fnt, text.GetCount(), dx);
	return *this;
}

Painter& Painter::Text(const Pointf& p, const String& text, Font fnt, const double* dx)
{
	return Text(p, ToUtf32(text), fnt, dx);
}

void PaintCharacter(Painter& sw, const Pointf& p, int ch, Font fnt)
{
	PaintCharPath pw;
	pw.sw = &sw;
	GlyphInfo gi = GetGlyphInfo(fnt, ch);
	ComposedGlyph cg;
	if(gi.IsNormal())
		fnt.Render(pw, p.x, p.y, ch);
	else if(gi.IsComposed()) {
		if(ComposeGlyph(fnt.Resolved(), ch, cg)) {
			fnt.Render(pw, p.x, p.y, cg.basechar);
			sw.DivOp();
			cg.mark_font.Render(pw, p.x + cg.mark_pos.x, p.y + cg.mark_pos.y, cg.mark_char);
		}
	}
	else if(gi.IsReplaced()) {
		Font rf = fnt.Resolved();
		rf.Face(gi.lspc).Height(gi.rspc);
		rf.Render(pw, p.x, p.y + fnt.GetAscent() - rf.GetAscent(), ch);
	}
	sw.EvenOddOp(true);
}

} // namespace Qel
