// Text on a painter: runs of characters become outlines, one character after another.
#include "PainterOps.h"

#include <cmath>

namespace Qel {

void Painter::TextOp(const Pointf& p, const wchar* text, Font fnt, int n, const double* dx)
{
	if(n <= 0 || !text) {
		MoveOp(Pointf(0, 0), false);
		return;
	}
	// Integer advances of small fonts are coarse: measure with a larger copy and scale back.
	Font mf = fnt;
	double q = 1;
	if(!dx) {
		int h = fnt.GetHeight();
		if(h < 50) {
			mf.Height(100 * h);
			q = 0.01;
		}
		else if(h <= 499) {
			mf.Height(10 * h);
			q = 0.1;
		}
	}
	double x = p.x;
	for(int i = 0; i < n; i++) {
		CharacterOp(Pointf(x, p.y), text[i], fnt);
		DivOp();
		x += dx ? dx[i] : mf.GetWidth(text[i]) * q;
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

} // namespace Qel
