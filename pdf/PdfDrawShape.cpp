// Rectangles, lines, polygons, arcs and ellipses of a PdfDraw, drawn as the painter draws them:
// the pen rule below, round caps, polygons filled by the non-zero rule.
#include "PdfDraw.h"
#include "detail/PdfDocument.h"

#include <cmath>

namespace Qel {

using namespace detail;

namespace {

constexpr dword PATTERN_FILL = 0xFFFFFFFE; // the fill is a pattern, not a colour
const char* const sDash[] = { "[18 6] 0 d", "[3 3] 0 d", "[9 6 3 6] 0 d", "[9 3 3 3 3 3] 0 d" };

void sRgb(StringBuffer& b, dword c, const char* op)
{
	PdfChannel(b, c & 255);
	b.Cat(' ');
	PdfChannel(b, (c >> 8) & 255);
	b.Cat(' ');
	PdfChannel(b, (c >> 16) & 255);
	b.Cat(op);
}

} // namespace

void PdfDraw::Pt(double x, double y)
{
	PdfNumber(content, x);
	content.Cat(' ');
	PdfNumber(content, y);
}

void PdfDraw::Re(int64 x, int64 y, int64 cx, int64 cy)
{
	Pt(double(x), double(y));
	content.Cat(' ');
	Pt(double(cx), double(cy));
	content.Cat(" re");
}

void PdfDraw::Fill(Color c)
{
	dword v = c.Get();
	if(Top().fill != v) {
		sRgb(content, v, " rg\n");
		Top().fill = v;
	}
}

void PdfDraw::Stroke(Color c)
{
	dword v = c.Get();
	if(Top().stroke != v) {
		sRgb(content, v, " RG\n");
		Top().stroke = v;
	}
}

// Pen widths: Null and -1 draw nothing, 0 and -2 one dot, -3 to -6 one dot dashed, other
// negative widths one dot, positive widths themselves.
bool PdfDraw::Pen(int width, Color c)
{
	if(c.IsNull() || width == INT_NULL || width == -1)
		return false;
	Stroke(c);
	int dash = width <= -3 && width >= -6 ? -3 - width : -1;
	double w = width > 0 ? width : 1;
	Level& l = Top();
	if(l.width != w) {
		PdfNumber(content, w);
		content.Cat(" w\n");
		l.width = w;
	}
	if(l.dash != dash) {
		content.Cat(dash < 0 ? "[] 0 d" : sDash[dash]);
		content.Cat('\n');
		l.dash = dash;
	}
	return true;
}

void PdfDraw::DrawRectOp(int x, int y, int cx, int cy, Color color)
{
	if(color.IsNull() || !Room())
		return;
	if(color == INVERT_COLOR) { // white in difference blending turns what is below over
		page_gstate = doc->InvertState();
		content.Cat("q /GI gs 1 1 1 rg ");
		Re(x, y, cx, cy);
		content.Cat(" f Q\n");
	}
	else {
		Fill(color);
		Re(x, y, cx, cy);
		content.Cat(" f\n");
	}
	Mark(x, y, double(x) + cx, double(y) + cy);
}

void PdfDraw::DrawLineOp(int x1, int y1, int x2, int y2, int width, Color color)
{
	if(!Room() || !Pen(width, color))
		return;
	Pt(x1, y1);
	content.Cat(" m ");
	Pt(x2, y2);
	content.Cat(" l S\n");
	double h = max(width, 1) / 2.0;
	Mark(min(x1, x2) - h, min(y1, y2) - h, max(x1, x2) + h, max(y1, y2) + h);
}

void PdfDraw::DrawPolyPolylineOp(const Point* v, int vertex_count, const int* counts, int count_count,
                                 int width, Color color, Color)
{
	if(!v || !counts || vertex_count < 2 || !Room() || !Pen(width, color))
		return;
	int left = vertex_count;
	bool any = false;
	double l = INT_MAX, t = INT_MAX, r = INT_MIN, b = INT_MIN;
	for(int i = 0; i < count_count && !Full(); i++) {
		int n = counts[i];
		if(n <= 0)
			continue;
		if(n > left)
			break;
		for(int j = 0; j < n && ((j & 4095) || !Full()); j++) {
			Pt(v[j]);
			content.Cat(j ? " l\n" : " m\n");
			l = min(l, double(v[j].x)); t = min(t, double(v[j].y));
			r = max(r, double(v[j].x)); b = max(b, double(v[j].y));
		}
		any = true;
		v += n;
		left -= n;
	}
	if(!any)
		return;
	content.Cat("S\n");
	double h = max(width, 1) / 2.0;
	Mark(l - h, t - h, r + h, b + h);
}

void PdfDraw::Pattern(uint64 pattern, Color c)
{
	int i = doc->PatternFor(pattern, c, Point(int(clamp<int64>(Top().offset.x, INT_MIN, INT_MAX)),
	                                         int(clamp<int64>(Top().offset.y, INT_MIN, INT_MAX))), pagesize.cy);
	page_patterns.FindAdd(i);
	content.Cat("/Pattern cs /P");
	PdfInt(content, i);
	content.Cat(" scn\n");
	Top().fill = PATTERN_FILL;
}

void PdfDraw::DrawPolyPolyPolygonOp(const Point* v, int vertex_count, const int* subpolygon_counts, int scc,
                                    const int* disjunct_polygon_counts, int dpcc, Color color, int width,
                                    Color outline, uint64 pattern, Color)
{
	if(!v || !subpolygon_counts || !disjunct_polygon_counts || !Room())
		return;
	bool fill = !color.IsNull();
	if(fill && pattern)
		Pattern(pattern, color);
	else if(fill)
		Fill(color);
	bool stroke = !outline.IsNull() && Pen(width, outline);
	if(!fill && !stroke)
		return;
	int left = vertex_count;
	int si = 0;
	double l = INT_MAX, t = INT_MAX, r = INT_MIN, b = INT_MIN;
	// Each disjunct polygon takes whole sub-polygons until its vertices are used.
	for(int d = 0; d < dpcc && !Full(); d++) {
		int dn = disjunct_polygon_counts[d];
		if(dn <= 0)
			continue;
		if(dn > left)
			break;
		bool any = false, stop = false;
		for(int used = 0; used < dn && si < scc && !Full();) {
			int n = subpolygon_counts[si++];
			if(n <= 0)
				continue;
			if(n > left) {
				stop = true;
				break;
			}
			for(int j = 0; j < n && ((j & 4095) || !Full()); j++) {
				Pt(v[j]);
				content.Cat(j ? " l\n" : " m\n");
				l = min(l, double(v[j].x)); t = min(t, double(v[j].y));
				r = max(r, double(v[j].x)); b = max(b, double(v[j].y));
			}
			content.Cat("h\n");
			any = true;
			v += n;
			left -= n;
			used += n;
		}
		if(any)
			content.Cat(fill && stroke ? "B\n" : fill ? "f\n" : "S\n");
		if(stop)
			break;
	}
	double h = stroke ? max(width, 1) / 2.0 : 0;
	if(l <= r)
		Mark(l - h, t - h, r + h, b + h);
}

void PdfDraw::Arc(double cx, double cy, double rx, double ry, double a0, double sweep, bool move)
{
	int n = max(1, int(ceil(fabs(sweep) / (M_PI / 2) - 1e-9)));
	double d = sweep / n;
	double k = 4.0 / 3 * tan(d / 4);
	double a = a0;
	double x = cx + rx * cos(a), y = cy + ry * sin(a);
	if(move) {
		Pt(x, y);
		content.Cat(" m\n");
	}
	for(int i = 0; i < n; i++) {
		double b = a + d;
		double x2 = cx + rx * cos(b), y2 = cy + ry * sin(b);
		Pt(x - k * rx * sin(a), y + k * ry * cos(a));
		content.Cat(' ');
		Pt(x2 + k * rx * sin(b), y2 - k * ry * cos(b));
		content.Cat(' ');
		Pt(x2, y2);
		content.Cat(" c\n");
		a = b;
		x = x2;
		y = y2;
	}
}

void PdfDraw::DrawArcOp(const Rect& rc, const Point& start, const Point& end, int width, Color color)
{
	if(rc.right <= rc.left || rc.bottom <= rc.top || !Room() || !Pen(width, color))
		return;
	double rx = (double(rc.right) - rc.left) / 2, ry = (double(rc.bottom) - rc.top) / 2;
	double cx = rc.left + rx, cy = rc.top + ry;
	double a1 = atan2((start.y - cy) / ry, (start.x - cx) / rx);
	double a2 = atan2((end.y - cy) / ry, (end.x - cx) / rx);
	double d = a1 - a2;
	if(d <= 0)
		d += 2 * M_PI;
	// From start to end against the clock as the page shows it: angles fall with y down.
	Arc(cx, cy, rx, ry, a1, -d, true);
	content.Cat("S\n");
	double h = max(width, 1) / 2.0;
	Mark(rc.left - h, rc.top - h, rc.right + h, rc.bottom + h);
}

void PdfDraw::DrawEllipseOp(const Rect& r, Color color, int pen, Color pencolor)
{
	if(!Room())
		return;
	bool fill = !color.IsNull();
	if(fill)
		Fill(color);
	bool stroke = Pen(pen, pencolor);
	if(!fill && !stroke)
		return;
	double rx = (double(r.right) - r.left) / 2, ry = (double(r.bottom) - r.top) / 2;
	Arc(r.left + rx, r.top + ry, rx, ry, 0, 2 * M_PI, true);
	content.Cat(fill && stroke ? "h B\n" : fill ? "h f\n" : "h S\n");
	double h = stroke ? max(pen, 1) / 2.0 : 0;
	Mark(r.left - h, r.top - h, r.right + h, r.bottom + h);
}

} // namespace Qel
