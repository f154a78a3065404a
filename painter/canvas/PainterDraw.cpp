// The Draw operations on a Painter: integer rectangles, lines, polygons, arcs, images and text
// become paths that the painter fills or strokes. Every painter inherits these.
#include "PainterOps.h"

#include <Core/container/Buffer.h>
#include <Core/value/Value.h>
#include <draw/imageops/ImageOp.h>
#include <painter/paint/ImageSpan.h>

#include <cmath>
#include <cstring>

namespace Qel {

namespace {

void sRectPath(Painter& sw, double l, double t, double r, double b)
{
	sw.MoveOp(Pointf(l, t), false);
	sw.LineOp(Pointf(r, t), false);
	sw.LineOp(Pointf(r, b), false);
	sw.LineOp(Pointf(l, b), false);
	sw.CloseOp();
}

void sRectPath(Painter& sw, const Rect& r)
{
	sRectPath(sw, r.left, r.top, r.right, r.bottom);
}

Pointf sPt(const Point& p)
{
	return Pointf(p.x, p.y);
}

// The part alone (the image itself when it is all of it), for a painter that cannot read it
// where it lies in img.
Image sPartCopy(const Image& img, const Rect& part)
{
	// a paint-only image whose pixels are gone still goes whole to the painter that records it
	return img.HasPixels() || part == Rect(Point(0, 0), img.GetSize()) ? Crop(img, part) : Image();
}

} // namespace

void StrokePen(Painter& sw, int width, Color color)
{
	if(IsNull(width) || color.IsNull())
		return;
	static const char* const dash[] = { nullptr, "18 6", "3 3", "9 6 3 6", "9 3 3 3 3 3" };
	const char* d = nullptr;
	double w = width;
	if(width == -1)
		w = 0;
	else if(width <= 0 && width >= -6) {
		w = 1;
		if(width <= -3)
			d = dash[-width - 2];
	}
	sw.BeginOp();
	sw.LineCapOp(2);
	if(d)
		sw.Dash(d, 0);
	sw.StrokeOp(w, color.ToRGBA());
	sw.EndOp();
}

dword Painter::GetInfo() const
{
	return INFO_DOTS;
}

void Painter::OffsetOp(const Point& p)
{
	BeginOp();
	TransformOp(Xform2D::Translation(p.x, p.y));
}

bool Painter::ClipOp(const Rect& r)
{
	BeginOp();
	sRectPath(*this, r);
	ClipOp();
	return true;
}

bool Painter::ClipoffOp(const Rect& r)
{
	BeginOp();
	sRectPath(*this, r);
	ClipOp();
	TransformOp(Xform2D::Translation(r.left, r.top));
	return true;
}

bool Painter::ExcludeClipOp(const Rect& r)
{
	// Everything but r, as four bands reaching far past any target.
	const double m = 99999;
	sRectPath(*this, -m, -m, m, r.top);
	MoveOp(Pointf(-m, r.top), false);
	LineOp(Pointf(r.left, r.top), false);
	LineOp(Pointf(r.left, m), false);
	LineOp(Pointf(-m, m), false);
	CloseOp();
	MoveOp(Pointf(r.right, r.top), false);
	LineOp(Pointf(m, r.top), false);
	LineOp(Pointf(m, m), false);
	LineOp(Pointf(r.right, m), false);
	CloseOp();
	sRectPath(*this, r.left, r.bottom, r.right, m);
	ClipOp();
	return true;
}

bool Painter::IntersectClipOp(const Rect& r)
{
	sRectPath(*this, r);
	ClipOp();
	return true;
}

bool Painter::IsPaintingOp(const Rect&) const
{
	return true;
}

void Painter::DrawRectOp(int x, int y, int cx, int cy, Color color)
{
	sRectPath(*this, x, y, double(x) + cx, double(y) + cy);
	if(color == INVERT_COLOR)
		InvertOp(true);
	FillOp(color.ToRGBA());
}

void Painter::DrawImageOp(int x, int y, int cx, int cy, const Image& img, const Rect& src, Color color)
{
	double sw = double(src.right) - src.left, sh = double(src.bottom) - src.top;
	if(sw <= 0 || sh <= 0)
		return;
	// Only the part of src inside the image shows, where it lies in src; outside it, nothing.
	Rect s(max(src.left, 0), max(src.top, 0), min(src.right, img.GetWidth()), min(src.bottom, img.GetHeight()));
	if(s.left >= s.right || s.top >= s.bottom)
		return;
	double sx = cx / sw, sy = cy / sh;
	// where source column (row) v lands; src's own edges exactly on the target's
	auto place = [](int v, int v0, int v1, int t, int ct, double scale) {
		return v == v0 ? double(t) : v == v1 ? double(t) + ct : t + (double(v) - v0) * scale;
	};
	double l = place(s.left, src.left, src.right, x, cx, sx), r = place(s.right, src.left, src.right, x, cx, sx);
	double t = place(s.top, src.top, src.bottom, y, cy, sy), b = place(s.bottom, src.top, src.bottom, y, cy, sy);
	// The part alone with its edge pixels padded outward: scaled, it neither takes in the pixels
	// around it nor fades out at its edges.
	sRectPath(*this, l, t, r, b);
	Xform2D tm = Xform2D::Scale(sx, sy);
	tm.t = Pointf(l, t);
	if(color.IsNull())
		FillImagePartOp(img, s, tm);
	else // a new image anyway
		FillOp(Colorize(sPartCopy(img, s), color), tm, FILL_PAD);
}

void Painter::FillImagePartOp(const Image& img, const Rect& part, const Xform2D& m)
{
	FillOp(sPartCopy(img, part), m, FILL_PAD);
}

void Painter::DrawLineOp(int x1, int y1, int x2, int y2, int width, Color color)
{
	MoveOp(Pointf(x1, y1), false);
	LineOp(Pointf(x2, y2), false);
	StrokePen(*this, width, color);
}

void Painter::DrawPolyPolylineOp(const Point* vertices, int vertex_count, const int* counts,
                                 int count_count, int width, Color color, Color)
{
	if(!vertices || !counts)
		return;
	const Point* v = vertices;
	int left = vertex_count;
	// Counts come from recorded drawings too: never read past the vertices given.
	for(int i = 0; i < count_count; i++) {
		int n = counts[i];
		if(n <= 0)
			continue;
		if(n > left)
			break;
		MoveOp(sPt(v[0]), false);
		for(int j = 1; j < n; j++)
			LineOp(sPt(v[j]), false);
		StrokePen(*this, width, color);
		v += n;
		left -= n;
	}
}

void Painter::DrawPolyPolyPolygonOp(const Point* vertices, int vertex_count,
                                    const int* subpolygon_counts, int scc,
                                    const int* disjunct_polygon_counts, int dpcc, Color color,
                                    int width, Color outline, uint64 pattern, Color)
{
	if(!vertices || !subpolygon_counts || !disjunct_polygon_counts)
		return;
	Image fill_pattern;
	if(pattern && !color.IsNull()) {
		ImageBuffer ib(8, 8);
		RGBA c = color.ToRGBA();
		RGBA* t = ib.Begin();
		for(int i = 0; i < 64; i++)
			t[i] = (pattern >> i) & 1 ? RGBA{0, 0, 0, 0} : c;
		fill_pattern = Image(std::move(ib));
	}
	const Point* v = vertices;
	int left = vertex_count;
	int si = 0;
	for(int d = 0; d < dpcc; d++) {
		int dn = disjunct_polygon_counts[d];
		if(dn <= 0)
			continue;
		if(dn > left)
			break;
		bool stop = false;
		for(int used = 0; used < dn && si < scc;) {
			int n = subpolygon_counts[si++];
			if(n <= 0)
				continue;
			if(n > left) {
				stop = true;
				break;
			}
			MoveOp(sPt(v[0]), false);
			for(int j = 1; j < n; j++)
				LineOp(sPt(v[j]), false);
			CloseOp();
			v += n;
			left -= n;
			used += n;
		}
		if(!fill_pattern.IsEmpty())
			FillOp(fill_pattern, Xform2D(), 10);
		else if(!color.IsNull())
			FillOp(color.ToRGBA());
		if(!outline.IsNull())
			StrokePen(*this, width, outline);
		if(stop)
			break;
	}
}

void Painter::DrawArcOp(const Rect& rc, const Point& start, const Point& end, int width, Color color)
{
	if(rc.right <= rc.left || rc.bottom <= rc.top)
		return;
	Pointf r((double(rc.right) - rc.left) / 2, (double(rc.bottom) - rc.top) / 2);
	Pointf c(rc.left + r.x, rc.top + r.y);
	double a1 = std::atan2((start.y - c.y) / r.y, (start.x - c.x) / r.x);
	double a2 = std::atan2((end.y - c.y) / r.y, (end.x - c.x) / r.x);
	double d = a1 - a2;
	if(d <= 0)
		d += 2 * M_PI;
	MoveOp(Pointf(c.x + r.x * std::cos(a1), c.y + r.y * std::sin(a1)), false);
	ArcOp(c, r, a1, -d, false);
	StrokePen(*this, width, color);
}

void Painter::DrawEllipseOp(const Rect& r, Color color, int pen, Color pencolor)
{
	double rx = (double(r.right) - r.left) / 2, ry = (double(r.bottom) - r.top) / 2;
	Pointf c(r.left + rx, r.top + ry);
	MoveOp(Pointf(r.left + 2 * rx, c.y), false);
	ArcOp(c, Pointf(rx, ry), 0, 2 * M_PI, false);
	CloseOp();
	FillOp(color.ToRGBA());
	StrokePen(*this, pen, pencolor);
}

void Painter::DrawTextOp(int x, int y, int angle, const wchar* text, Font font, Color ink, int n,
                         const int* dx)
{
	if(!text)
		n = 0;
	else if(n < 0) {
		n = 0;
		while(text[n])
			n++;
	}
	BeginOp();
	EvenOddOp(true);
	TransformOp(Xform2D::Translation(x, y));
	if(angle)
		TransformOp(Xform2D::Rotation(-angle * 2 * M_PI / 3600));
	Buffer<double> ddx;
	if(dx && n) {
		ddx = Buffer<double>(n);
		for(int i = 0; i < n; i++)
			ddx[i] = dx[i];
	}
	TextOp(Pointf(0, 0), text, font, n, dx ? ddx.Get() : nullptr);
	FillOp(ink.ToRGBA());
	EndOp();
}

} // namespace Qel
