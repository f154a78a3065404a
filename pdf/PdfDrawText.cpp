// Text of a PdfDraw: real text in embedded faces, placed as the painter places its outlines.
// The baseline lies at the font's ascent below y; without given advances the glyphs follow
// their design widths, which the document states, so a viewer spaces them the same way.
#include "PdfDraw.h"
#include "detail/PdfDocument.h"

#include <algorithm>
#include <cmath>

namespace Qel {

using namespace detail;

void PdfDraw::TextLine(double x, double y, double sina, double cosa, double l, double t, double w, double h)
{
	// (l, t) in the text's own frame: along the baseline and down from the top of the line
	auto at = [&](double u, double v) {
		Pt(x + u * cosa + v * sina, y - u * sina + v * cosa);
	};
	at(l, t);
	content.Cat(" m ");
	at(l + w, t);
	content.Cat(" l ");
	at(l + w, t + h);
	content.Cat(" l ");
	at(l, t + h);
	content.Cat(" l h f\n");
}

double PdfDraw::TextOutlines(int x, int y, double sina, double cosa, const wchar* text, Font font, int n,
                             const int* dx)
{
	// Outlines come in pixels of the text's frame; each point goes turned onto the page.
	struct Path : FontGlyphConsumer {
		PdfDraw& w;
		double x, y, sina, cosa;
		Pointf last = Pointf(0, 0);
		bool any = false;

		Path(PdfDraw& w, double x, double y, double sina, double cosa) : w(w), x(x), y(y), sina(sina), cosa(cosa) {}
		void Put(Pointf p, const char* op)
		{
			w.content.Cat(' ');
			w.Pt(x + p.x * cosa + p.y * sina, y - p.x * sina + p.y * cosa);
			w.content.Cat(op);
		}
		void Move(Pointf p) override                     { Put(p, " m"); last = p; any = true; }
		void Line(Pointf p) override                     { Put(p, " l"); last = p; }
		void Quadratic(Pointf p1, Pointf p) override
		{
			Cubic(Pointf(last.x + 2 * (p1.x - last.x) / 3, last.y + 2 * (p1.y - last.y) / 3),
			      Pointf(p.x + 2 * (p1.x - p.x) / 3, p.y + 2 * (p1.y - p.y) / 3), p);
		}
		void Cubic(Pointf p1, Pointf p2, Pointf p) override
		{
			Put(p1, "");
			Put(p2, "");
			Put(p, " c");
			last = p;
		}
		void Close() override                            { w.content.Cat(" h"); }
	} path(*this, x, y, sina, cosa);

	FineWidths width(font); // as the painter places its glyphs
	double pos = 0;
	for(int i = 0; i < n && !Full(); i++) {
		font.Render(path, pos, 0, text[i]);
		content.Cat('\n');
		pos += dx ? dx[i] : width(text[i]);
	}
	if(path.any)
		content.Cat("f\n");
	return pos;
}

void PdfDraw::DrawTextOp(int x, int y, int angle, const wchar* text, Font font, Color ink, int n, const int* dx)
{
	if(n < 0)
		n = text ? WStrLen(text) : 0;
	if(!text || n <= 0 || ink.IsNull() || !Room())
		return;
	font.ResolveStd();
	int ascent = font.GetAscent(), descent = font.GetDescent();
	double sina = 0, cosa = 1;
	if(angle)
		SinCos(angle, sina, cosa);
	Fill(ink);
	double pos; // where the text ends, in dots along the baseline
	int fi = doc->FontFor(font);
	if(fi < 0) // no face that can be embedded: the glyphs' shapes
		pos = TextOutlines(x, y, sina, cosa, text, font, n, dx);
	else {
		PdfFont& pf = doc->fonts[fi];
		const TTFReader& ttf = pf.ttf;
		page_fonts.FindAdd(fi);

		int h = font.GetHeight();
		double size = h ? abs(h) : 10; // as the face is sized for drawing
		double hs = font.GetWidth() ? clamp(abs(font.GetWidth()) / size, 0.01, 100.0) : 1;
		double slant = font.IsItalic() && !ttf.IsItalic() ? 0.2 : 0;
		double em = size * hs; // dots of one text space unit along the baseline

		content.Cat("BT /F");
		PdfInt(content, fi);
		content.Cat(" 1 Tf ");
		PdfNumber(content, em * cosa, 5);
		content.Cat(' ');
		PdfNumber(content, -em * sina, 5);
		content.Cat(' ');
		PdfNumber(content, size * (slant * cosa - sina), 5);
		content.Cat(' ');
		PdfNumber(content, -size * (slant * sina + cosa), 5);
		content.Cat(' ');
		Pt(x + ascent * sina, y + ascent * cosa);
		content.Cat(" Tm [<");

		static const char hex[] = "0123456789ABCDEF";
		pos = 0;            // where the next glyph should start, in dots along the baseline
		double natural = 0; // where the document puts it without adjustment, in text units
		for(int i = 0; i < n && !Full(); i++) {
			int at = pf.Use(text[i]);
			double w = pf.widths[at];
			double adj = (natural - pos / em) * 1000;
			if(fabs(adj) >= 0.01) {
				content.Cat("> ");
				PdfNumber(content, adj, 2);
				content.Cat(" <");
			}
			int code = pf.Code(at);
			char c[4] = { hex[(code >> 12) & 15], hex[(code >> 8) & 15], hex[(code >> 4) & 15], hex[code & 15] };
			content.Cat(c, 4);
			natural = pos / em + w / 1000;
			pos += dx ? dx[i] : w / 1000 * em;
		}
		content.Cat(">] TJ ET\n");
	}

	if(font.IsUnderline() || font.IsStrikeout()) { // bars as the painter draws them
		double a = ascent;
		double t = max(a * 0.0625, 1.0);
		if(font.IsUnderline())
			TextLine(x, y, sina, cosa, min(pos, 0.0), a + t, fabs(pos), t);
		if(font.IsStrikeout())
			TextLine(x, y, sina, cosa, min(pos, 0.0), 2 * a / 3, fabs(pos), t);
	}
	if(link.GetCount()) {
		double h2 = ascent + descent;
		double px[4], py[4];
		double u[4] = { 0, pos, 0, pos }, v[4] = { 0, 0, h2, h2 };
		for(int i = 0; i < 4; i++) {
			px[i] = x + u[i] * cosa + v[i] * sina;
			py[i] = y - u[i] * sina + v[i] * cosa;
		}
		Mark(*std::min_element(px, px + 4), *std::min_element(py, py + 4),
		     *std::max_element(px, px + 4), *std::max_element(py, py + 4));
	}
}

} // namespace Qel
