// Frames, borders and edges: everything goes through DrawRectOp and DrawImageOp, so every
// target draws them.
#include "Frame.h"
#include <draw/imageops/ImageFilter.h>
#include <draw/imageops/ImageMaker.h>

namespace Qel {

namespace {

Color sBlack() { return Color(0, 0, 0); }

#define RINGS(n) reinterpret_cast<ColorF>(intptr_t(n))

const ColorF sTextColorBorder[] = {
	RINGS(1), ThemeTextColor, ThemeTextColor, ThemeTextColor, ThemeTextColor,
};
const ColorF sOutsetBorder[] = {
	RINGS(2), ThemeFaceColor, ThemeFaceColor, sBlack, sBlack,
	ThemeLightColor, ThemeLightColor, ThemeShadowColor, ThemeShadowColor,
};
const ColorF sThinOutsetBorder[] = {
	RINGS(1), ThemeLightColor, ThemeLightColor, ThemeShadowColor, ThemeShadowColor,
};
const ColorF sThinInsetBorder[] = {
	RINGS(1), ThemeShadowColor, ThemeShadowColor, ThemeLightColor, ThemeLightColor,
};

#undef RINGS

} // namespace

const ColorF* TextColorBorder()  { return sTextColorBorder; }
const ColorF* OutsetBorder()     { return sOutsetBorder; }
const ColorF* ThinOutsetBorder() { return sThinOutsetBorder; }
const ColorF* ThinInsetBorder()  { return sThinInsetBorder; }

void DrawFatFrame(Draw& w, int x, int y, int cx, int cy, Color color, int n)
{
	if(n < 0) {
		x += n;
		y += n;
		cx -= 2 * n;
		cy -= 2 * n;
		n = -n;
	}
	w.DrawRectOp(x, y, cx, n, color);
	w.DrawRectOp(x, y + n, n, cy - n, color);
	w.DrawRectOp(x + cx - n, y + n, n, cy - n, color);
	w.DrawRectOp(x + n, y + cy - n, cx - 2 * n, n, color);
}

void DrawFatFrame(Draw& w, const Rect& r, Color color, int n)
{
	DrawFatFrame(w, r.left, r.top, (r.right - r.left), (r.bottom - r.top), color, n);
}

void DrawFrame(Draw& w, int x, int y, int cx, int cy, Color color)
{
	w.DrawRectOp(x, y, cx - 1, 1, color);
	w.DrawRectOp(x, y, 1, cy - 1, color);
	w.DrawRectOp(x + cx - 1, y, 1, cy, color);
	w.DrawRectOp(x, y + cy - 1, cx, 1, color);
}

void DrawFrame(Draw& w, const Rect& r, Color color)
{
	DrawFrame(w, r.left, r.top, (r.right - r.left), (r.bottom - r.top), color);
}

void DrawBorder(Draw& w, int x, int y, int cx, int cy, const ColorF* table)
{
	int n = GetBorderRingCount(table);
	if(n <= 0)
		return;
	const ColorF* c = table + 1;
	for(int i = 0; i < n && cx >= 1 && cy >= 1; i++, c += 4) {
		w.DrawRectOp(x, y, cx - 1, 1, c[1]());
		w.DrawRectOp(x, y, 1, cy - 1, c[0]());
		w.DrawRectOp(x + cx - 1, y, 1, cy, c[2]());
		w.DrawRectOp(x, y + cy - 1, cx, 1, c[3]());
		x++;
		y++;
		cx -= 2;
		cy -= 2;
	}
}

void DrawBorder(Draw& w, const Rect& r, const ColorF* (*table)())
{
	DrawBorder(w, r.left, r.top, (r.right - r.left), (r.bottom - r.top), table ? table() : nullptr);
}

void DrawTiles(Draw& w, int x, int y, int cx, int cy, const Image& img)
{
	Size sz = img.GetSize();
	if(cx <= 0 || cy <= 0 || sz.cx <= 0 || sz.cy <= 0)
		return;
	w.ClipOp(Rect(x, y, x + cx, y + cy));
	for(int yy = y; yy < y + cy; yy += sz.cy)
		for(int xx = x; xx < x + cx; xx += sz.cx)
			w.DrawImageOp(xx, yy, sz.cx, sz.cy, img, Rect(0, 0, sz.cx, sz.cy), Color());
	w.EndOp();
}

void DrawTiles(Draw& w, const Rect& r, const Image& img)
{
	DrawTiles(w, r.left, r.top, (r.right - r.left), (r.bottom - r.top), img);
}

namespace {

Image sEtched(const Image& img)
{
	EtchFilter etch;
	return Premultiply(Filter(Unmultiply(img), etch));
}

} // namespace

void DrawHighlightImage(Draw& w, int x, int y, const Image& img, bool highlight, bool enabled, Color mask)
{
	Size sz = img.GetSize();
	Rect src(0, 0, sz.cx, sz.cy);
	if(highlight && !mask.IsNull()) {
		static const Point around[] = { Point(1, 0), Point(-1, 0), Point(0, 1), Point(0, -1) };
		for(Point d : around)
			w.DrawImageOp(x + d.x, y + d.y, sz.cx, sz.cy, img, src, mask);
	}
	if(enabled)
		w.DrawImageOp(x, y, sz.cx, sz.cy, img, src, Color());
	else
		w.DrawImageOp(x, y, sz.cx, sz.cy, MakeImage(SimpleImageMaker(img, sEtched), false), src, Color());
}

namespace {

Color B(Color a, Color b, int weight) { return Blend(a, b, weight); }

void sDeflate(Rect& r)
{
	r.left++;
	r.top++;
	r.right--;
	r.bottom--;
}

void sPixel(Draw& w, int x, int y, Color c) { w.DrawRectOp(x, y, 1, 1, c); }

// A corner pixel of a ring too small for its soft corners stays inside the ring.
void sPixelIn(Draw& w, const Rect& r, int x, int y, Color c)
{
	if(x >= r.left && x < r.right && y >= r.top && y < r.bottom)
		sPixel(w, x, y, c);
}

// One ring with soft corners; corner holds the corner colours (top-left, top-right,
// bottom-right, bottom-left), which become those of the next ring inside.
void DrawRoundedRing(Draw& w, Rect& r, Color left, Color top, Color right, Color bottom, Color* corner)
{
	int cx = (r.right - r.left), cy = (r.bottom - r.top);
	if(cx <= 0 || cy <= 0)
		return;
	int x0 = r.left, y0 = r.top, x1 = r.right - 1, y1 = r.bottom - 1;
	struct Corner { int x, y, dx, dy; Color horz, vert; };
	// each corner with the directions towards its horizontal and vertical neighbours
	const Corner cs[4] = {
		{ x0, y0, 1, 1, top, left },
		{ x1, y0, -1, 1, top, right },
		{ x1, y1, -1, -1, bottom, right },
		{ x0, y1, 1, -1, bottom, left },
	};
	for(int i = 0; i < 4; i++) {
		const Corner& c = cs[i];
		sPixelIn(w, r, c.x, c.y, corner[i]);
		Color h1 = B(corner[i], c.horz, 160);
		Color v1 = B(corner[i], c.vert, 160);
		sPixelIn(w, r, c.x + c.dx, c.y, h1);
		sPixelIn(w, r, c.x + 2 * c.dx, c.y, B(h1, c.horz, 128));
		sPixelIn(w, r, c.x, c.y + c.dy, v1);
		sPixelIn(w, r, c.x, c.y + 2 * c.dy, B(v1, c.vert, 128));
		corner[i] = B(h1, v1, 128);
	}
	if(cx > 6) {
		w.DrawRectOp(x0 + 3, y0, cx - 6, 1, top);
		w.DrawRectOp(x0 + 3, y1, cx - 6, 1, bottom);
	}
	if(cy > 6) {
		w.DrawRectOp(x0, y0 + 3, 1, cy - 6, left);
		w.DrawRectOp(x1, y0 + 3, 1, cy - 6, right);
	}
	sDeflate(r);
}

// c tinted; a Null tint leaves it as it is.
Color sTint(Color c, Color tint, int weight)
{
	return tint.IsNull() ? c : B(c, tint, weight);
}

} // namespace

void DrawRoundedEdge(Draw& w, Rect& r, dword style)
{
	const Color L = ThemeLightColor(), S = ThemeShadowColor(), F = ThemeFaceColor();
	const Color H = ThemeHighlightColor(), T = ThemeTextColor(), D = ThemeDisabledColor();
	int kind = style & 15;
	bool sideways = style & 0x100, v200 = style & 0x200, v400 = style & 0x400, v800 = style & 0x800;

	Color a1 = B(S, F, 128), a2 = L, frame = B(H, T, 128), p = L, q = S;
	Color tint;
	int weight = 0;
	Color corner[4] = { F, F, F, F };
	if(v200)
		frame = B(H, L, 128);
	if(v400) {
		frame = D;
		p = B(F, L, 128);
	}
	if(v800) {
		a1 = a2 = q = F;
		frame = B(H, S, 128);
	}
	switch(kind) {
	case 1:
		tint = B(Color::FromRaw(0x800000), L, 128);
		weight = 130;
		break;
	case 2:
		if(!v800) {
			tint = B(Color::FromRaw(0x00FFFF), Color::FromRaw(0x0000FF), 100);
			weight = 130;
		}
		break;
	case 3:
		p = q = B(H, F, 235);
		break;
	case 4:
		frame = D;
		a1 = a2 = p = q = F;
		break;
	case 5:
		p = q = v400 ? L : B(H, F, 128);
		break;
	}

	if(!v200) {
		if(!v400)
			DrawRoundedRing(w, r, a1, a1, a2, a2, corner);
		DrawRoundedRing(w, r, frame, frame, frame, frame, corner);
		Color bl = sTint(p, tint, weight), br = sTint(q, tint, weight);
		DrawRoundedRing(w, r, bl, bl, br, br, corner);
		if((kind == 1 || kind == 2) && r.right > r.left && r.bottom > r.top) {
			Color tl = sTint(bl, tint, 130), rb = sTint(br, tint, 130);
			int x = r.left, y = r.top, cx = (r.right - r.left), cy = (r.bottom - r.top);
			w.DrawRectOp(x, y, cx - 1, 1, tl);
			w.DrawRectOp(x, y, 1, cy - 1, tl);
			w.DrawRectOp(x + cx - 1, y, 1, cy, rb);
			w.DrawRectOp(x, y + cy - 1, cx, 1, rb);
			sDeflate(r);
		}
	}
	else if(r.right > r.left && r.bottom > r.top) {
		DrawFrame(w, r, frame);
		p = B(frame, L, 128);
		q = B(frame, S, 128);
		sPixel(w, r.left, r.top, p);
		sPixel(w, r.right - 1, r.top, p);
		sPixel(w, r.left, r.bottom - 1, p);
		sPixel(w, r.right - 1, r.bottom - 1, p);
		sDeflate(r);
		if(kind == 3)
			p = q = B(H, F, 128);
		else if(kind == 2) {
			p = B(p, L, 128);
			q = B(q, L, 128);
		}
	}

	if(v800) {
		if(kind == 2)
			p = q = B(L, H, 40);
		else if(kind == 3)
			p = q = B(F, H, 128);
		else {
			p = B(L, H, 80);
			q = B(F, H, 80);
		}
	}

	int n = sideways ? (r.right - r.left) : (r.bottom - r.top);
	if(n <= 0 || (r.right - r.left) <= 0 || (r.bottom - r.top) <= 0)
		return;
	int split = 4 * n / 5;
	Color m = B(p, q, 80), e = B(q, F, 128);
	for(int i = 0; i < n; i++) {
		Color c = i < split ? B(p, m, i * 255 / split) : B(m, e, (i - split) * 255 / (n - split));
		if(sideways)
			w.DrawRectOp(r.left + i, r.top, 1, (r.bottom - r.top), c);
		else
			w.DrawRectOp(r.left, r.top + i, (r.right - r.left), 1, c);
	}
}

} // namespace Qel
