// SystemDraw: state levels, clips, rectangles, lines, polygons, arcs and ellipses on cairo.
#include "SystemDraw.h"
#include <gui/paint/detail/CairoCheck.h>
#include <gui/detail/Geom.h>

#include <cairo.h>

#include <cmath>

namespace Qel {

using namespace detail;

namespace {

constexpr int  BOX        = 999999;     // the clip of an empty clip stack reaches this far
constexpr int  FAR        = 99999;      // ExcludeClipOp covers the plane this far out
// cairo keeps device coordinates in 24.8 fixed point; its clipping code breaks past that
constexpr int  DEVICE_MAX = 1 << 22;

} // namespace

SystemDraw::SystemDraw(cairo_t* cr) : cr(cr) {}

SystemDraw::~SystemDraw()
{
	FlushText();
}

dword SystemDraw::GetInfo() const
{
	return INFO_TEXT_LINES;
}

Rect SystemDraw::GetPaintRect() const
{
	return Rect(0, 0, INT_MAX, INT_MAX);
}

// r cut to where device coordinates stay within cairo's range: far outside any surface, so what
// is drawn or clipped does not change.
Rect SystemDraw::DeviceSafe(const Rect& r) const
{
	Point o = TopOffset();
	auto cut = [](int v, int off) {
		return (int)clamp(int64(v), int64(-DEVICE_MAX) - off, int64(DEVICE_MAX) - off);
	};
	return Rect(cut(r.left, o.x), cut(r.top, o.y), cut(r.right, o.x), cut(r.bottom, o.y));
}

void SystemDraw::Rectangle(const Rect& r)
{
	Rect q = DeviceSafe(r);
	cairo_rectangle(cr, q.left, q.top, double(q.right) - q.left, double(q.bottom) - q.top);
}

Rect SystemDraw::TopClip() const
{
	return clip.IsEmpty() ? Rect(-BOX, -BOX, BOX, BOX) : clip.Top();
}

void SystemDraw::Push(bool save)
{
	if(save)
		cairo_save(cr);
	Point o = TopOffset();
	Rect c = TopClip();
	offset.Add(o);
	clip.Add(c);
	level.Add(Level{ Point(0, 0), save });
}

void SystemDraw::Pop()
{
	Level l = level.Pop();
	offset.Drop();
	clip.Drop();
	if(l.saved)
		cairo_restore(cr);
	else if(l.translate.x || l.translate.y)
		cairo_translate(cr, -double(l.translate.x), -double(l.translate.y));
}

void SystemDraw::SaveLevel()
{
	if(level.IsEmpty() || level.Top().saved)
		return;
	Level& l = level.Top();
	cairo_translate(cr, -double(l.translate.x), -double(l.translate.y));
	cairo_save(cr);
	cairo_translate(cr, l.translate.x, l.translate.y);
	l.saved = true;
}

void SystemDraw::BeginOp()
{
	CairoStatusCheck check(cr);
	FlushText();
	Push();
}

void SystemDraw::EndOp()
{
	CairoStatusCheck check(cr);
	FlushText();
	if(!level.IsEmpty())
		Pop();
}

void SystemDraw::OffsetOp(const Point& p)
{
	CairoStatusCheck check(cr);
	FlushText();
	// nothing else of the context changes at this level unless a clip comes: the save waits
	Push(false);
	offset.Top() = AddPoint(offset.Top(), p);
	level.Top().translate = p;
	if(p.x || p.y)
		cairo_translate(cr, p.x, p.y);
}

bool SystemDraw::ClipOp(const Rect& r)
{
	CairoStatusCheck check(cr);
	FlushText();
	Push();
	clip.Top().Intersect(OffsetRect(r, offset.Top()));
	Rectangle(r);
	cairo_clip(cr);
	return true;
}

bool SystemDraw::ClipoffOp(const Rect& r)
{
	CairoStatusCheck check(cr);
	FlushText();
	Push();
	Rectangle(r);
	cairo_clip(cr);
	clip.Top().Intersect(OffsetRect(r, offset.Top()));
	offset.Top() = AddPoint(offset.Top(), TopLeft(r));
	if(r.left || r.top)
		cairo_translate(cr, r.left, r.top);
	return true;
}

bool SystemDraw::ExcludeClipOp(const Rect& r)
{
	CairoStatusCheck check(cr);
	FlushText();
	SaveLevel();
	// the four rectangles reach only so far: so far is all of r that matters
	int l = clamp(r.left, -FAR, FAR), t = clamp(r.top, -FAR, FAR);
	int rt = clamp(r.right, -FAR, FAR), b = clamp(r.bottom, -FAR, FAR);
	Rectangle(Rect(-FAR, -FAR, FAR, t));
	Rectangle(Rect(-FAR, t, l, FAR));
	Rectangle(Rect(rt, t, FAR, FAR));
	Rectangle(Rect(l, b, rt, FAR));
	cairo_clip(cr);
	return true;
}

bool SystemDraw::IntersectClipOp(const Rect& r)
{
	CairoStatusCheck check(cr);
	FlushText();
	SaveLevel();
	Rectangle(r);
	cairo_clip(cr);
	return true;
}

bool SystemDraw::IsPaintingOp(const Rect& r) const
{
	Rect q = OffsetRect(r, TopOffset()) & TopClip();
	if(IsEmptyRect(q))
		return false;
	if(paint_area.IsEmpty())
		return true;
	for(const Rect& a : paint_area)
		if(a.Intersects(q))
			return true;
	return false;
}

Rect SystemDraw::VisibleRect(const Rect& r) const
{
	double x1, y1, x2, y2;
	cairo_clip_extents(cr, &x1, &y1, &x2, &y2);
	auto to_int = [](double v) { return (int)clamp(v, double(INT_MIN), double(INT_MAX)); };
	return r & Rect(to_int(floor(x1)), to_int(floor(y1)), to_int(ceil(x2)), to_int(ceil(y2)));
}

void SystemDraw::SetColor(Color c)
{
	dword rgb = c.Get();
	cairo_set_source_rgb(cr, (rgb & 255) / 255.0, ((rgb >> 8) & 255) / 255.0, ((rgb >> 16) & 255) / 255.0);
}

void SystemDraw::StrokeWithPen(int width)
{
	static const double dash[] = { 18, 6 };
	static const double dot[] = { 3, 3 };
	static const double dashdot[] = { 9, 6, 3, 6 };
	static const double dashdotdot[] = { 9, 3, 3, 3, 3, 3 };
	if(width == INT_NULL || width == -1)
		return;
	if(width >= 0) {
		cairo_set_line_width(cr, width);
		cairo_stroke(cr);
		return;
	}
	switch(width) {
	case -3: cairo_set_dash(cr, dash, 2, 0); break;
	case -4: cairo_set_dash(cr, dot, 2, 0); break;
	case -5: cairo_set_dash(cr, dashdot, 4, 0); break;
	case -6: cairo_set_dash(cr, dashdotdot, 6, 0); break;
	}
	cairo_set_line_width(cr, 1);
	cairo_stroke(cr);
	cairo_set_dash(cr, nullptr, 0, 0);
}

void SystemDraw::DrawRectOp(int x, int y, int cx, int cy, Color color)
{
	if(color.IsNull())
		return;
	CairoStatusCheck check(cr);
	FlushText();
	Rectangle(Rect(x, y, SatAdd(x, cx), SatAdd(y, cy)));
	if(color == INVERT_COLOR) {
		cairo_set_source_rgb(cr, 1, 1, 1);
		cairo_set_operator(cr, CAIRO_OPERATOR_DIFFERENCE);
		cairo_fill(cr);
		cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
	}
	else {
		SetColor(color);
		cairo_fill(cr);
	}
	cairo_new_path(cr);
}

void SystemDraw::DrawLineOp(int x1, int y1, int x2, int y2, int width, Color color)
{
	if(width == INT_NULL || color.IsNull())
		return;
	CairoStatusCheck check(cr);
	FlushText();
	SetColor(color);
	int w = width == 0 || width == -2 ? 1 : width;
	// straight solid lines are filled rectangles: cheaper than strokes, and crisp
	if(w >= 0 && y1 == y2) {
		DrawRect(x1, SatAdd(y1, -(w / 2)), SatSub(x2, x1), w, color);
		return;
	}
	if(w >= 0 && x1 == x2) {
		DrawRect(SatAdd(x1, -(w / 2)), y1, w, SatSub(y2, y1), color);
		return;
	}
	double h = w >= 0 ? w / 2.0 : 0.5;
	if(x1 == x2) {
		cairo_move_to(cr, x1 + h, min(y1, y2) + 0.5);
		cairo_line_to(cr, x1 + h, max(y1, y2) - 0.5);
	}
	else if(y1 == y2) {
		cairo_move_to(cr, min(x1, x2) + 0.5, y1 + h);
		cairo_line_to(cr, max(x1, x2) - 0.5, y1 + h);
	}
	else {
		cairo_move_to(cr, x1, y1);
		cairo_line_to(cr, x2, y2);
	}
	StrokeWithPen(w);
	cairo_new_path(cr);
}

void SystemDraw::DrawPolyPolylineOp(const Point* vertices, int vertex_count, const int* counts, int count_count,
                                    int width, Color color, Color)
{
	if(vertex_count < 2 || color.IsNull())
		return;
	CairoStatusCheck check(cr);
	FlushText();
	SetColor(color);
	int at = 0;
	for(int i = 0; i < count_count; i++) {
		int n = counts[i];
		if(n < 1)
			continue;
		if(n > vertex_count - at)
			break;
		const Point* p = vertices + at;
		cairo_move_to(cr, p[0].x, p[0].y);
		for(int j = 1; j < n; j++)
			cairo_line_to(cr, p[j].x, p[j].y);
		StrokeWithPen(width);
		at += n;
	}
	cairo_new_path(cr);
}

void SystemDraw::DrawPolyPolyPolygonOp(const Point* vertices, int vertex_count, const int* subpolygon_counts,
                                       int scc, const int* disjunct_polygon_counts, int dpcc, Color color,
                                       int width, Color outline, uint64 pattern, Color)
{
	CairoStatusCheck check(cr);
	FlushText();
	cairo_surface_t* pattern_surface = nullptr;
	if(pattern && !color.IsNull()) {
		ImageBuffer ib(8, 8);
		RGBA fill = color.ToRGBA();
		fill.a = 255;
		for(int i = 0; i < 64; i++)
			ib.Begin()[i] = (pattern >> i) & 1 ? RGBA{ 0, 0, 0, 0 } : fill;
		pattern_surface = ImageToCairoSurface(Image(ib));
	}
	int at = 0, sub = 0;
	for(int d = 0; d < dpcc; d++) {
		int dn = disjunct_polygon_counts[d];
		if(dn < 1)
			continue;
		if(dn > vertex_count - at)
			break;
		// this disjunct's subpolygons, up to its share of the vertices
		int end = at + dn;
		while(at < end && sub < scc) {
			int n = subpolygon_counts[sub++];
			if(n < 1)
				continue;
			if(n > vertex_count - at) {
				at = vertex_count;
				break;
			}
			const Point* p = vertices + at;
			cairo_move_to(cr, p[0].x, p[0].y);
			for(int j = 1; j < n; j++)
				cairo_line_to(cr, p[j].x, p[j].y);
			cairo_close_path(cr);
			at += n;
		}
		if(pattern_surface) {
			Push();
			cairo_set_source_surface(cr, pattern_surface, 0, 0);
			cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_REPEAT);
			cairo_fill_preserve(cr);
			Pop();
		}
		else if(!color.IsNull()) {
			SetColor(color);
			cairo_fill_preserve(cr);
		}
		if(!outline.IsNull()) {
			SetColor(outline);
			StrokeWithPen(width);
		}
	}
	if(pattern_surface)
		cairo_surface_destroy(pattern_surface);
	cairo_new_path(cr);
}

void SystemDraw::DrawArcOp(const Rect& rc, const Point& start, const Point& end, int width, Color color)
{
	if(IsEmptyRect(rc))
		return;
	CairoStatusCheck check(cr);
	FlushText();
	double rx = (double(rc.right) - rc.left) / 2, ry = (double(rc.bottom) - rc.top) / 2;
	Pointf c(rc.left + rx, rc.top + ry);
	double a0 = Angle(Pointf((start.x - c.x) / rx, (start.y - c.y) / ry));
	double a1 = Angle(Pointf((end.x - c.x) / rx, (end.y - c.y) / ry));
	if(a0 == a1) // start and end on one ray: a full turn
		a0 -= 1e-6;
	cairo_move_to(cr, c.x + rx * cos(a0), c.y + ry * sin(a0));
	cairo_save(cr);
	cairo_translate(cr, c.x, c.y);
	cairo_scale(cr, rx, ry);
	cairo_arc_negative(cr, 0, 0, 1, a0, a1);
	cairo_restore(cr);
	if(!color.IsNull()) {
		SetColor(color);
		StrokeWithPen(width);
	}
	cairo_new_path(cr);
}

void SystemDraw::DrawEllipseOp(const Rect& r, Color color, int pen, Color pencolor)
{
	// scaling by zero would put the context into an error it never leaves
	if(IsEmptyRect(r))
		return;
	CairoStatusCheck check(cr);
	FlushText();
	double rx = (double(r.right) - r.left) / 2, ry = (double(r.bottom) - r.top) / 2;
	cairo_save(cr);
	cairo_translate(cr, r.left + rx, r.top + ry);
	cairo_scale(cr, rx, ry);
	cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
	cairo_restore(cr);
	if(!color.IsNull()) {
		SetColor(color);
		cairo_fill_preserve(cr);
	}
	if(!pencolor.IsNull()) {
		SetColor(pencolor);
		StrokeWithPen(pen);
	}
	cairo_new_path(cr);
}

// BackDraw ----------------------------------------------------------------------------------------

BackDraw::BackDraw(cairo_t* cr, Size buffer, Draw* target, Point target_offset)
	: SystemDraw(cr), size(buffer), painting(target), painting_offset(target_offset)
{
}

BackDraw::~BackDraw() = default;

bool BackDraw::IsPaintingOp(const Rect& r) const
{
	if(IsEmptyRect(r))
		return false;
	Rect q = OffsetRect(r, TopOffset());
	if(q.right < 1 || q.left >= size.cx || q.bottom < 1 || q.top >= size.cy || size.cx < 1 || size.cy < 1)
		return false;
	return !painting || painting->IsPaintingOp(OffsetRect(q, painting_offset));
}

} // namespace Qel
