// Painting and measuring looks: the painter registry, the built-in painter for colours, nine-part
// and bar images, overlaid and bordered looks, and the theme recolouring of template images.
#include "Look.h"
#include <draw/imageops/ImageMaker.h>
#include <draw/imageops/ImageOp.h>
#include <draw/canvas/NilDraw.h>
#include <draw/imageops/Rescale.h>

#include <Core/container/Map.h>

#include <algorithm>

namespace Qel {

namespace {

struct sChLookWith {
	Value look;
	Image img;
	Color color;
	Point offset;
};

struct sChBorder {
	const ColorF* border;
	Value         look;
};

Value sChLookPaint(Draw& w, const Rect& r, const Value& look, int op, Color ink);

Vector<LookPainter>& sPainters()
{
	// the built-in painter is always the first, whoever registers first
	static Vector<LookPainter> p = [] { Vector<LookPainter> v; v.Add(sChLookPaint); return v; }();
	return p;
}

const Value& sHandled()
{
	static const Value v(true);
	return v;
}

Rect sRect(int x, int y, int cx, int cy) { return Rect(x, y, x + cx, y + cy); }

// Halving that rounds toward minus infinity.
int sHalf(int x) { return x >= 0 ? x / 2 : -((1 - x) / 2); }

int sClamp(int x, int lo, int hi) { return x < lo ? lo : x > hi ? hi : x; }

// One part of an image drawn to dst: the source rectangle as it is when the sizes agree,
// else rescaled (through the cache unless told not to).
void sPart(Draw& w, const Rect& dst, const Image& img, const Rect& src, Color ink, bool nocache)
{
	int cx = dst.right - dst.left, cy = dst.bottom - dst.top;
	int sx = src.right - src.left, sy = src.bottom - src.top;
	if(cx <= 0 || cy <= 0 || sx <= 0 || sy <= 0)
		return;
	if(cx == sx && cy == sy) {
		w.DrawImageOp(dst.left, dst.top, cx, cy, img, src, ink);
		return;
	}
	Image m = nocache ? Rescale(img, Size(cx, cy), src) : CachedRescale(img, Size(cx, cy), src);
	w.DrawImageOp(dst.left, dst.top, cx, cy, m, Rect(0, 0, cx, cy), ink);
}

// Whether the centre part of an image is one colour, remembered by serial id.
bool sUniformCentre(const Image& img, const Rect& centre)
{
	static VectorMap<uint64, bool> memo;
	uint64 id = img.GetSerialId();
	int i = memo.Find(id);
	if(i >= 0)
		return memo[i];
	if(memo.GetCount() > 1000)
		memo.Clear();
	bool u = IsUniformArea(img, centre);
	memo.Add(id, u);
	return u;
}

// A bar: end caps kept, the two stretches between the caps and the centre stretched.
void sPaintBar(Draw& w, const Rect& r, const Image& img)
{
	Size isz = img.GetSize();
	bool vert = isz.cx < isz.cy;
	int t = vert ? isz.cx : isz.cy, len = vert ? isz.cy : isz.cx;
	int h = t / 2, m = max(len - 3 * h, 0); // a bar shorter than three caps has no stretches
	int src[5] = { h, m / 2, h, m - m / 2, h };
	int d = vert ? r.bottom - r.top : r.right - r.left;
	int thick = vert ? r.right - r.left : r.bottom - r.top;
	int k = d - 2 * h, j = k - h;
	int dst[5];
	if(j >= -1 && j - j / 2 >= 0) {
		int a[5] = { h, j / 2, h, j - j / 2, h };
		std::copy(a, a + 5, dst);
	}
	else {
		int cap = k < 0 ? d / 2 : h;
		int a[5] = { cap, 0, 0, k < 1 ? 0 : k, cap };
		std::copy(a, a + 5, dst);
	}
	int spos = 0, dpos = vert ? r.top : r.left;
	for(int i = 0; i < 5; i++) {
		int sl = min(src[i], len - spos); // never past the image's end
		if(sl <= 0)
			continue;
		if(dst[i] > 0 && thick > 0) {
			Rect s = vert ? Rect(0, spos, isz.cx, spos + sl) : Rect(spos, 0, spos + sl, isz.cy);
			Size sz = vert ? Size(thick, dst[i]) : Size(dst[i], thick);
			Image part = CachedRescale(img, sz, s);
			int x = vert ? r.left : dpos, y = vert ? dpos : r.top;
			w.DrawImageOp(x, y, sz.cx, sz.cy, part, Rect(0, 0, sz.cx, sz.cy), Color());
		}
		dpos += dst[i];
		spos += sl;
	}
}

struct Axis {
	int s[4]; // source cuts: 0, first part end, last part start, image size
	int d[4]; // destination cuts likewise, in the rectangle
	bool split;
};

// The parts of one axis: the image's margins, or on a too small destination the halves.
Axis sAxis(int first, int last, int size, int dsize)
{
	Axis a;
	int mid = dsize - first - (size - last);
	if(mid < 1) {
		int d1 = sClamp(dsize / 2, 0, size), d2 = sClamp(dsize - dsize / 2, 0, size);
		a.split = true;
		a.s[0] = 0; a.s[1] = d1; a.s[2] = size - d2; a.s[3] = size;
		a.d[0] = 0; a.d[1] = d1; a.d[2] = dsize - d2; a.d[3] = dsize;
		return a;
	}
	a.split = false;
	a.s[0] = 0; a.s[1] = first; a.s[2] = last; a.s[3] = size;
	a.d[0] = 0; a.d[1] = first; a.d[2] = dsize - (size - last); a.d[3] = dsize;
	return a;
}

Value sPaintImage(Draw& w, const Rect& r, const Image& img, int op, Color ink, bool nocache)
{
	Size isz = img.GetSize();
	Point h = img.GetHotSpot(), s = img.Get2ndSpot();
	if(h.x == -1000) {
		if(op == LOOK_MARGINS)
			return Rect(0, 0, 0, 0);
		if(op == LOOK_PAINT)
			sPaintBar(w, r, img);
		return op == LOOK_PAINT || op == LOOK_PAINTEDGE ? sHandled() : Value();
	}
	if(s.x == -999) {
		if(op != LOOK_MARGINS)
			h = Point(s.y, s.y);
		s = Point(0, 0);
	}
	int left, right, top, bottom, tile = 0;
	if(s == Point(0, 0)) {
		if(h.x <= isz.cx / 2) {
			left = h.x;
			right = isz.cx - h.x;
		}
		else {
			left = isz.cx - h.x - 1;
			right = h.x;
			tile |= 1;
		}
		if(h.y <= isz.cy / 2) {
			top = h.y;
			bottom = isz.cy - h.y;
		}
		else {
			top = isz.cy - h.y - 1;
			bottom = h.y;
			tile |= 2;
		}
	}
	else {
		left = min(h.x, s.x);
		right = max(h.x, s.x) + 1;
		top = min(h.y, s.y);
		bottom = max(h.y, s.y) + 1;
		tile = (s.x < h.x) | (s.y < h.y) << 1;
	}
	// spots outside the image would give parts of negative size
	left = sClamp(left, 0, isz.cx);
	right = sClamp(right, left, isz.cx);
	top = sClamp(top, 0, isz.cy);
	bottom = sClamp(bottom, top, isz.cy);
	if(op == LOOK_MARGINS)
		return Rect(left, top, isz.cx - right, isz.cy - bottom);
	if(op != LOOK_PAINT && op != LOOK_PAINTEDGE)
		return Value();

	int cx = r.right - r.left, cy = r.bottom - r.top;
	Axis ax = sAxis(left, right, isz.cx, cx), ay = sAxis(top, bottom, isz.cy, cy);
	w.ClipoffOp(r);
	for(int iy = 0; iy < 3; iy++)
		for(int ix = 0; ix < 3; ix++) {
			if(ix == 1 && iy == 1)
				continue;
			sPart(w, Rect(ax.d[ix], ay.d[iy], ax.d[ix + 1], ay.d[iy + 1]), img,
			      Rect(ax.s[ix], ay.s[iy], ax.s[ix + 1], ay.s[iy + 1]), ink, nocache);
		}
	Rect dc(ax.d[1], ay.d[1], ax.d[2], ay.d[2]), sc(ax.s[1], ay.s[1], ax.s[2], ay.s[2]);
	int dcx = dc.right - dc.left, dcy = dc.bottom - dc.top;
	int scx = sc.right - sc.left, scy = sc.bottom - sc.top;
	if(op == LOOK_PAINT && !ax.split && !ay.split && dcx > 0 && dcy > 0 && scx > 0 && scy > 0) {
		if(tile == 0) {
			RGBA c = img[sc.top][sc.left];
			if(c.a == 255 && sUniformCentre(img, sc))
				w.DrawRectOp(dc.left, dc.top, dcx, dcy, Color(c));
			else
				sPart(w, dc, img, sc, ink, nocache);
		}
		else {
			Size ts((tile & 1) ? scx : dcx, (tile & 2) ? scy : dcy);
			Image t = ts == Size(scx, scy) ? Crop(img, sc)
			        : nocache ? Rescale(img, ts, sc) : CachedRescale(img, ts, sc);
			DrawTiles(w, dc, t);
		}
	}
	w.EndOp();
	return sHandled();
}

Value sChLookPaint(Draw& w, const Rect& r, const Value& look, int op, Color ink)
{
	bool nocache = op & LOOK_NOCACHE;
	int o = op & ~LOOK_NOCACHE;
	dword type = look.GetType();
	if(type == ValueTypeNo<sChLookWith>()) {
		const sChLookWith& x = look.To<sChLookWith>();
		if(o == LOOK_MARGINS || o == LOOK_PAINTEDGE)
			return LookOp(w, r, x.look, op, ink);
		if(o != LOOK_PAINT)
			return Value();
		LookOp(w, r, x.look, op, ink);
		Size isz = x.img.GetSize();
		int ix = r.left + sHalf(r.right - r.left - isz.cx) + x.offset.x;
		int iy = r.top + sHalf(r.bottom - r.top - isz.cy) + x.offset.y;
		if(isz.cx > 0 && isz.cy > 0)
			w.DrawImageOp(ix, iy, isz.cx, isz.cy, x.img, Rect(0, 0, isz.cx, isz.cy), x.color);
		return sHandled();
	}
	if(type == ValueTypeNo<sChBorder>()) {
		const sChBorder& x = look.To<sChBorder>();
		int n = GetBorderRingCount(x.border);
		int cx = r.right - r.left, cy = r.bottom - r.top;
		switch(o) {
		case LOOK_MARGINS:
			return Rect(n, n, n, n);
		case LOOK_PAINT:
			LookOp(w, Rect(r.left + n, r.top + n, r.right - n, r.bottom - n), x.look, op, ink);
			[[fallthrough]];
		case LOOK_PAINTEDGE:
			DrawBorder(w, r.left, r.top, cx, cy, x.border);
			return sHandled();
		}
		return Value();
	}
	if(type == COLOR_V) {
		Color c = look.To<Color>();
		int cx = r.right - r.left, cy = r.bottom - r.top;
		switch(o) {
		case LOOK_PAINT:
			w.DrawRectOp(r.left, r.top, cx, cy, c);
			return sHandled();
		case LOOK_MARGINS:
			return Rect(1, 1, 1, 1);
		case LOOK_PAINTEDGE:
			DrawFrame(w, r.left, r.top, cx, cy, c);
			return sHandled();
		}
		return Value();
	}
	if(type == IMAGE_V)
		return sPaintImage(w, r, look.To<Image>(), o, ink, nocache);
	return Value();
}

} // namespace

void RegisterLookPainter(LookPainter fn)
{
	Vector<LookPainter>& p = sPainters();
	for(LookPainter q : p)
		if(q == fn)
			return;
	p.Add(fn);
}

Value LookOp(Draw& w, const Rect& r, const Value& look, int op, Color ink)
{
	if(r.right < r.left || r.bottom < r.top)
		return Rect(0, 0, 0, 0);
	if(look.IsNull())
		return Value();
	const Vector<LookPainter>& p = sPainters();
	for(int i = p.GetCount() - 1; i >= 0; i--) {
		Value v = p[i](w, r, look, op, ink);
		if(!v.IsNull())
			return v;
	}
	return Value();
}

void PaintLook(Draw& w, const Rect& r, const Value& look, Color ink)
{
	LookOp(w, r, look, LOOK_PAINT, ink);
}

void PaintLook(Draw& w, int x, int y, int cx, int cy, const Value& look, Color ink)
{
	LookOp(w, sRect(x, y, cx, cy), look, LOOK_PAINT, ink);
}

void PaintLookEdge(Draw& w, const Rect& r, const Value& look, Color ink)
{
	LookOp(w, r, look, LOOK_PAINTEDGE, ink);
}

void PaintLookEdge(Draw& w, int x, int y, int cx, int cy, const Value& look, Color ink)
{
	LookOp(w, sRect(x, y, cx, cy), look, LOOK_PAINTEDGE, ink);
}

Rect GetLookMargins(const Value& look)
{
	NilDraw w;
	const int n = INT_NULL;
	Value v = LookOp(w, Rect(n, n, n, n), look, LOOK_MARGINS);
	return v.IsNull() || v.GetType() != RECT_V ? GetNullRect() : v.To<Rect>();
}

Value MakeLookWith(const Value& look, const Image& img, Point offset)
{
	return MakeLookWith(look, img, Color(), offset);
}

Value MakeLookWith(const Value& look, const Image& img, Color tint, Point offset)
{
	return Value::MakeRaw(sChLookWith{ look, img, tint, offset });
}

void MakeLookWith(Value* look, const Image& img, const Color* color, int n)
{
	for(int i = 0; i < n; i++)
		look[i] = MakeLookWith(look[i], img, color[i], Point(0, 0));
}

Value MakeLookBorder(const Value& look, const ColorF* border)
{
	return Value::MakeRaw(sChBorder{ border, look });
}

Image MakeThemeImage(const Image& img)
{
	const Color text = ThemeTextColor(), shadow = ThemeShadowColor(), face = ThemeFaceColor();
	const Color light = ThemeLightColor(), highlight = ThemeHighlightColor(), paper = ThemePaperColor();
	auto blend = [](Color a, Color b, int w) { return Blend(a, b, sClamp(w, 0, 255)); };
	Image u = Unmultiply(img);
	ImageBuffer b(u);
	for(RGBA& p : b) {
		int r = p.r, g = p.g, bl = p.b;
		Color c;
		if(r == g && g == bl)
			c = r < 128 ? blend(text, shadow, 2 * r)
			  : r <= 191 ? blend(shadow, face, 4 * r - 512)
			  : blend(face, light, 4 * r - 768);
		else if(g == 0 && bl == 0)
			c = blend(text, highlight, 2 * r - 256);
		else if(r == 0 && g == 0)
			c = blend(text, highlight, 2 * bl - 256);
		else if(r == 0 && g == bl)
			c = blend(text, paper, bl);
		else
			continue;
		dword v = c.Get();
		p.r = byte(v);
		p.g = byte(v >> 8);
		p.b = byte(v >> 16);
	}
	Premultiply(b);
	return b;
}

} // namespace Qel
