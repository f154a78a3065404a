// Shared default bodies of the Draw operations, the image and geometry front operations, band
// drawing of large images and the hooks through which recorded paintings are rendered.
#include "DrawTarget.h"
#include <draw/theme/Theme.h>
#include <draw/detail/DrawInt.h>
#include <draw/imageops/Rescale.h>
#include <draw/record/Painting.h>

#include <math.h>

namespace Qel {

namespace {

// Images above this are produced and drawn in bands of BAND_ROWS rows, so that no single call
// holds the whole rescaled picture.
constexpr int BAND_CX = 2000;
constexpr int BAND_CY = 1500;
constexpr int BAND_ROWS = 16;
constexpr int PAINTING_BAND_ROWS = 100;
constexpr int PIECE_CX = 2000;     // widest image piece sent to a target
constexpr int WHITE_RUN_MIN = 16;  // narrower white runs stay in the image data

PaintingRenderFn sPaintingRender;
DrawingRenderFn  sDrawingRender;
PaintingImageFn  sPaintingImage;

thread_local const Draw* sNativeTarget;

bool sWhiteColumn(const Image& m, int x)
{
	for(int y = 0; y < m.GetHeight(); y++) {
		RGBA p = m[y][x];
		if((p.r & p.g & p.b & p.a) != 255)
			return false;
	}
	return true;
}

// Band pieces of an image already in the target's native units: straight to the target's
// image blit when the default image operation asked for them, else through DrawImageOp.
void sDrawImageBand(Draw& w, int x, int y, const Image& m, bool direct)
{
	int cx = m.GetWidth(), cy = m.GetHeight();
	if(cx <= 0 || cy <= 0)
		return;
	Buffer<bool> done(cx, false);
	if(w.GetInfo() & INFO_DOTS)
		for(int c = 0; c < cx; c++) {
			int start = c;
			while(c < cx && sWhiteColumn(m, c))
				c++;
			if(c - start >= WHITE_RUN_MIN) {
				w.DrawRectOp(x + start, y, c - start, cy, Color(255, 255, 255));
				for(int i = start; i < c; i++)
					done[i] = true;
			}
		}
	for(int c = 0; c < cx;) {
		if(done[c]) {
			c++;
			continue;
		}
		int start = c;
		while(c < cx && !done[c] && c - start < PIECE_CX)
			c++;
		Rect src(start, 0, c, cy);
		if(direct)
			w.SysDrawImageOp(x + start, y, m, src, Color());
		else
			w.DrawImageOp(x + start, y, c - start, cy, m, src, Color());
	}
}

} // namespace

namespace detail {

NativeScope::NativeScope(Draw& w, int& x, int& y, int& cx, int& cy) : w(w)
{
	dword info = w.GetInfo();
	// A default operation nested in another one of the same target is in native units already.
	if((info & INFO_NATIVE) || sNativeTarget == &w)
		return;
	w.BeginNative();
	active = true;
	outer = sNativeTarget;
	sNativeTarget = &w;
	if(info & INFO_DOTS) {
		Size dpi = w.GetNativeDpi();
		if(dpi.cx != 600) {
			x = ScaleInt(x, dpi.cx, 600);
			cx = ScaleInt(cx, dpi.cx, 600);
		}
		if(dpi.cy != 600) {
			y = ScaleInt(y, dpi.cy, 600);
			cy = ScaleInt(cy, dpi.cy, 600);
		}
	}
}

// Each edge by bisection: a rectangle that grows from one side towards the other is painted
// from some size on.
Rect64 VisiblePart(const Draw& w, const Rect64& rc)
{
	int64 l = max<int64>(rc.left, INT_MIN), t = max<int64>(rc.top, INT_MIN);
	int64 r = min<int64>(rc.right, INT_MAX), b = min<int64>(rc.bottom, INT_MAX);
	if(l >= r || t >= b || !w.IsPaintingOp(Rect(int(l), int(t), int(r), int(b))))
		return Rect64(0, 0, 0, 0);
	// the first n in lo .. hi for which f(n) holds, f false below it and true from it on
	auto first = [](int64 lo, int64 hi, auto f) {
		while(lo < hi) {
			int64 m = lo + (hi - lo) / 2;
			if(f(m))
				hi = m;
			else
				lo = m + 1;
		}
		return lo;
	};
	auto paints = [&](int64 a, int64 b_, int64 c, int64 d) { return w.IsPaintingOp(Rect(int(a), int(b_), int(c), int(d))); };
	int64 top = first(t, b - 1, [&](int64 n) { return paints(l, t, r, n + 1); });
	int64 bottom = first(top + 1, b, [&](int64 n) { return !paints(l, n, r, b); });
	int64 left = first(l, r - 1, [&](int64 n) { return paints(l, top, n + 1, bottom); });
	int64 right = first(left + 1, r, [&](int64 n) { return !paints(n, top, r, bottom); });
	return Rect64(left, top, right, bottom);
}

Rect VisiblePart(const Draw& w, int x, int y, int cx, int cy)
{
	Rect64 v = VisiblePart(w, Rect64(x, y, int64(x) + max(cx, 0), int64(y) + max(cy, 0)));
	if(v.left >= v.right)
		return Rect(0, 0, 0, 0);
	return Rect(int(v.left - x), int(v.top - y), int(v.right - x), int(v.bottom - y));
}

} // namespace detail

bool RenderPaintingPart(ImageBuffer& ib, const Painting& p, int64 cx, int64 cy, int64 x, int64 y)
{
	if(!sPaintingRender || cx <= 0 || cy <= 0 || x < 0 || y < 0 || x > INT_MAX || y > INT_MAX)
		return false;
	Size s((int)min<int64>(cx, INT_MAX), (int)min<int64>(cy, INT_MAX));
	if(s.cx == cx && s.cy == cy) {
		sPaintingRender(ib, p, s, Point(int(x), int(y)), 0);
		return true;
	}
	Painting q = p;
	q.size.cx = p.size.cx * s.cx / cx;
	q.size.cy = p.size.cy * s.cy / cy;
	sPaintingRender(ib, q, s, Point(int(x), int(y)), 0);
	return true;
}

namespace detail {

NativeScope::~NativeScope()
{
	if(!active)
		return;
	sNativeTarget = outer;
	w.EndNative();
}

} // namespace detail

Size Draw::GetPageSize() const { return Size(0x3FFFFFFF, 0x3FFFFFFF); }
void Draw::StartPage() {}
void Draw::EndPage() {}
Rect Draw::GetPaintRect() const { return Rect(-1073741823, -1073741823, 1073741823, 1073741823); }
void Draw::SysDrawImageOp(int, int, const Image&, Color) {}

void Draw::SysDrawImageOp(int x, int y, const Image& img, const Rect& src, Color color)
{
	if(src == Rect(Point(0, 0), img.GetSize())) {
		SysDrawImageOp(x, y, img, color);
		return;
	}
	using detail::ClampInt;
	ClipoffOp(Rect(x, y, ClampInt(int64(x) + src.right - src.left), ClampInt(int64(y) + src.bottom - src.top)));
	SysDrawImageOp(ClampInt(-int64(src.left)), ClampInt(-int64(src.top)), img, color);
	EndOp();
}

void Draw::DrawImageOp(int x, int y, int cx, int cy, const Image& img, const Rect& src, Color color)
{
	detail::NativeScope native(*this, x, y, cx, cy);
	int64 scx = int64(src.right) - src.left, scy = int64(src.bottom) - src.top;
	if(cx <= 0 || cy <= 0 || scx <= 0 || scy <= 0 || img.IsEmpty())
		return;
	if(cx <= BAND_CX && cy <= BAND_CY) {
		if(scx == cx && scy == cy)
			SysDrawImageOp(x, y, img, src, color);
		else if(img.HasPixels()) { // a paint-only image whose pixels are gone cannot be rescaled
			Image m = Rescale(img, Size(cx, cy), src);
			SysDrawImageOp(x, y, m, Rect(Point(0, 0), m.GetSize()), color);
		}
		return;
	}
	// Bands on every target, whatever it says of itself: memory stays bounded by the band. Only
	// the part that shows is rescaled, so the work is bounded by the target, not by the size.
	Rect v = detail::VisiblePart(*this, x, y, cx, cy);
	ImageRaster raster(img);
	Rescaler rescaler;
	if(v.left >= v.right || !img.HasPixels() || !rescaler.Create(raster, Size(cx, cy), src, v))
		return;
	for(int y0 = v.top; y0 < v.bottom; y0 += BAND_ROWS) {
		ImageBuffer ib; // the rescaler writes every pixel of every row
		if(!detail::CreateUninitialized(ib, Size(v.right - v.left, min(BAND_ROWS, v.bottom - y0))))
			return;
		for(int i = 0; i < ib.GetHeight(); i++)
			rescaler.GetLine(ib[i]);
		Image band(ib);
		if(color.IsNull())
			sDrawImageBand(*this, x + v.left, y + y0, band, true);
		else
			SysDrawImageOp(x + v.left, y + y0, band, Rect(Point(0, 0), band.GetSize()), color);
	}
}

void Draw::DrawPaintingOp(const Rect& r, const Painting& p)
{
	if(!sPaintingRender || !sDrawingRender || !sPaintingImage)
		return;
	// corners far apart (or wrapped around) must not overflow the extent
	int64 cx = int64(r.right) - r.left, cy = int64(r.bottom) - r.top;
	if(cx <= 0 || cy <= 0)
		return;
	RGBA paper = (GetInfo() & INFO_BAND_IMAGES ? Color(255, 255, 255) : Color()).ToRGBA();
	if(cx <= BAND_CX && cy <= BAND_CY) {
		Size s((int)cx, (int)cy);
		ImageBuffer ib;
		if(!ib.Create(s))
			return;
		for(RGBA& q : ib)
			q = paper;
		sPaintingRender(ib, p, s, Point(0, 0), 0);
		Image m(ib);
		DrawImageOp(r.left, r.top, s.cx, s.cy, m, Rect(Point(0, 0), s), Color());
		return;
	}
	// Bands over the part that shows only: the work is bounded by the target, not by the size.
	Rect64 v = detail::VisiblePart(*this, Rect64(r.left, r.top, r.right, r.bottom));
	for(int64 y0 = v.top; y0 < v.bottom; y0 += PAINTING_BAND_ROWS) {
		ImageBuffer ib;
		if(!ib.Create(int(v.right - v.left), int(min<int64>(PAINTING_BAND_ROWS, v.bottom - y0))))
			return;
		for(RGBA& q : ib)
			q = paper;
		if(!RenderPaintingPart(ib, p, cx, cy, v.left - r.left, y0 - r.top))
			return;
		DrawImageBand(*this, int(v.left), int(y0), Image(ib));
	}
}

Size Draw::GetNativeDpi() const { return GetInfo() & INFO_DOTS ? Size(600, 600) : Size(96, 96); }
void Draw::BeginNative() {}
void Draw::EndNative() {}
int  Draw::GetClipLevel() const { return 0; }
void Draw::Escape(const String&) {}

Color Draw::GetDefaultInk() const
{
	dword info = GetInfo();
	if(info & INFO_KEEP_INK)
		return DEFAULT_INK;
	if(info & INFO_DOTS)
		return Color(0, 0, 0);
	return ThemeTextColor();
}

void Draw::DrawImage(int x, int y, int cx, int cy, const Image& img)
{
	DrawImageOp(x, y, cx, cy, img, Rect(Point(0, 0), img.GetSize()), Color());
}

void Draw::DrawImage(const Rect& r, const Image& img)
{
	DrawImage(r.left, r.top, r.right - r.left, r.bottom - r.top, img);
}

void Draw::DrawImage(int x, int y, const Image& img)
{
	Size sz = img.GetSize();
	DrawImageOp(x, y, sz.cx, sz.cy, img, Rect(Point(0, 0), sz), Color());
}

void Draw::DrawImage(int x, int y, const Image& img, Color color)
{
	if(color.IsNull())
		return;
	Size sz = img.GetSize();
	DrawImageOp(x, y, sz.cx, sz.cy, img, Rect(Point(0, 0), sz), color);
}

void Draw::DrawPolygon(const Vector<Point>& vertices, Color color, int width, Color outline, uint64 pattern,
                       Color doxor)
{
	if(color == DEFAULT_INK)
		color = GetDefaultInk();
	int n = vertices.GetCount();
	DrawPolyPolyPolygonOp(vertices.begin(), n, &n, 1, &n, 1, color, width, outline, pattern, doxor);
}

void Draw::DrawEllipse(const Rect& r, Color color, int pen, Color pencolor)
{
	if(color == DEFAULT_INK)
		color = GetDefaultInk();
	if(pencolor == DEFAULT_INK)
		pencolor = GetDefaultInk();
	DrawEllipseOp(r, color, pen, pencolor);
}

void DrawImageBand(Draw& w, int x, int y, const Image& img)
{
	sDrawImageBand(w, x, y, img, false);
}

void RegisterPaintingRenderer(PaintingRenderFn render, DrawingRenderFn drawing, PaintingImageFn image)
{
	sPaintingRender = render;
	sDrawingRender = drawing;
	sPaintingImage = image;
}

PaintingRenderFn GetPaintingRenderHook() { return sPaintingRender; }
DrawingRenderFn  GetDrawingRenderHook()  { return sDrawingRender; }
PaintingImageFn  GetPaintingImageHook()  { return sPaintingImage; }

void SinCos(int angle, double& sina, double& cosa)
{
	angle %= 3600;
	switch(angle) {
	case 0:    sina = 0; cosa = 1; return;
	case 900:  sina = 1; cosa = 0; return;
	case 1800: sina = 0; cosa = -1; return;
	case 2700: sina = -1; cosa = 0; return;
	}
	double a = angle * M_PI / 1800;
	sina = sin(a);
	cosa = cos(a);
}

} // namespace Qel
