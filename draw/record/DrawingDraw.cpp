// The recorder: every Draw call becomes one record of the drawing's command stream.
#include "DrawingDraw.h"
#include "Painting.h"

#include <Core/text/Charset.h>

namespace Qel {

using namespace detail;

namespace {

int sLatin1()
{
	static const int cs = CharsetByName("ISO-8859-1");
	return cs;
}

} // namespace

void DrawingDraw::Create(int cx, int cy)
{
	cmd.Create();
	val = ValueArray();
	size = Size(cx, cy);
}

Drawing DrawingDraw::GetResult()
{
	Drawing w;
	w.size = size;
	w.data = cmd.GetResult();
	w.val = val;
	Create(size.cx, size.cy);
	return w;
}

void DrawingDraw::Op(int code)
{
	cmd.Put(code + 1); // the packed form of codes below 254 is one byte
}

void DrawingDraw::BeginOp()                    { Op(DRAWING_BEGIN); }
void DrawingDraw::EndOp()                      { Op(DRAWING_END); }
void DrawingDraw::OffsetOp(const Point& p)     { Op(DRAWING_OFFSET); Pt(p); }
bool DrawingDraw::ClipOp(const Rect& r)        { Op(DRAWING_CLIP); Rc(r); return true; }
bool DrawingDraw::ClipoffOp(const Rect& r)     { Op(DRAWING_CLIPOFF); Rc(r); return true; }
bool DrawingDraw::ExcludeClipOp(const Rect& r) { Op(DRAWING_EXCLUDECLIP); Rc(r); return true; }
bool DrawingDraw::IntersectClipOp(const Rect& r) { Op(DRAWING_INTERSECTCLIP); Rc(r); return true; }
bool DrawingDraw::IsPaintingOp(const Rect&) const { return true; }

void DrawingDraw::DrawRectOp(int x, int y, int cx, int cy, Color color)
{
	Op(DRAWING_RECT);
	Int(x); Int(y); Int(cx); Int(cy);
	Ink(color);
}

void DrawingDraw::SysDrawImageOp(int x, int y, const Image& img, Color color)
{
	Size sz = img.GetSize();
	DrawImageOp(x, y, sz.cx, sz.cy, img, Rect(Point(0, 0), sz), color);
}

void DrawingDraw::SysDrawImageOp(int x, int y, const Image& img, const Rect& src, Color color)
{
	DrawImageOp(x, y, int(int64(src.right) - src.left), int(int64(src.bottom) - src.top), img, src, color);
}

void DrawingDraw::DrawImageOp(int x, int y, int cx, int cy, const Image& img, const Rect& src, Color color)
{
	Op(DRAWING_IMAGE);
	Int(x); Int(y); Int(cx); Int(cy);
	val.Add(img);
	Rc(src);
	Ink(color);
}

void DrawingDraw::DrawDataOp(int x, int y, int cx, int cy, const String& data, const char* id)
{
	Op(DRAWING_DATA);
	Int(x); Int(y); Int(cx); Int(cy);
	String s = id ? String(id) : String();
	cmd % s;
	val.Add(data);
}

void DrawingDraw::DrawLineOp(int x1, int y1, int x2, int y2, int width, Color color)
{
	Op(DRAWING_LINE);
	Int(x1); Int(y1); Int(x2); Int(y2);
	Int(width);
	Ink(color);
}

void DrawingDraw::DrawPolyPolylineOp(const Point* vertices, int vertex_count, const int* counts,
                                     int count_count, int width, Color color, Color doxor)
{
	vertex_count = max(vertex_count, 0);
	count_count = max(count_count, 0);
	Op(DRAWING_POLYPOLYLINE);
	Packed(2);
	Int(width);
	Ink(color);
	Ink(doxor);
	Int(vertex_count);
	Int(count_count);
	cmd.Put(vertices, int(vertex_count * sizeof(Point)));
	cmd.Put(counts, int(count_count * sizeof(int)));
}

void DrawingDraw::DrawPolyPolyPolygonOp(const Point* vertices, int vertex_count,
                                        const int* subpolygon_counts, int scc,
                                        const int* disjunct_polygon_counts, int dpcc, Color color,
                                        int width, Color outline, uint64 pattern, Color doxor)
{
	vertex_count = max(vertex_count, 0);
	scc = max(scc, 0);
	dpcc = max(dpcc, 0);
	Op(DRAWING_POLYPOLYPOLYGON);
	Packed(2);
	Ink(color);
	Int(width);
	Ink(outline);
	cmd.Put64le(pattern);
	Ink(doxor);
	Int(vertex_count);
	Int(scc);
	Int(dpcc);
	cmd.Put(vertices, int(vertex_count * sizeof(Point)));
	cmd.Put(subpolygon_counts, int(scc * sizeof(int)));
	cmd.Put(disjunct_polygon_counts, int(dpcc * sizeof(int)));
}

void DrawingDraw::DrawArcOp(const Rect& rc, const Point& start, const Point& end, int width, Color color)
{
	Op(DRAWING_ARC);
	Rc(rc);
	Pt(start);
	Pt(end);
	Ink(color);
	Int(width);
}

void DrawingDraw::DrawEllipseOp(const Rect& r, Color color, int pen, Color pencolor)
{
	Op(DRAWING_ELLIPSE);
	Rc(r);
	Ink(color);
	Packed(pen);
	Ink(pencolor);
}

void DrawingDraw::DrawTextOp(int x, int y, int angle, const wchar* text, Font font, Color ink, int n,
                             const int* dx)
{
	n = max(n, 0);
	Op(DRAWING_TEXT);
	Int(x); Int(y); Int(angle);
	font.Serialize(cmd);
	Ink(ink);
	// the narrowest encoding that holds every character, one unit per character
	dword top = 0;
	for(int i = 0; i < n; i++)
		top = max(top, dword(text[i]));
	int latin1 = sLatin1();
	bool bytes = top < 128 || (top < 256 && latin1 > 0);
	bool wide = false; // a character beyond 16 bits, or a lone surrogate that would pair up
	if(!bytes)
		for(int i = 0; i < n && !wide; i++)
			wide = dword(text[i]) > 0xFFFF || (dword(text[i]) >= 0xD800 && dword(text[i]) <= 0xDFFF);
	Packed(n);
	if(bytes) {
		cmd.Put(latin1);
		for(int i = 0; i < n; i++)
			cmd.Put(int(text[i]));
	}
	else if(wide) {
		cmd.Put(DRAWING_TEXT_UTF32);
		for(int i = 0; i < n; i++)
			cmd.Put32le(dword(text[i]));
	}
	else {
		cmd.Put(DRAWING_TEXT_UTF16);
		for(int i = 0; i < n; i++)
			cmd.Put16le(word(text[i]));
	}
	cmd.Put(dx ? 1 : 0);
	if(dx)
		for(int i = 0; i < n; i++)
			Packed(dx[i]);
}

void DrawingDraw::DrawDrawingOp(const Rect& target, const Drawing& w)
{
	Op(DRAWING_DRAWING);
	val.Add(w);
	Rc(target);
}

void DrawingDraw::DrawPaintingOp(const Rect& target, const Painting& w)
{
	Op(DRAWING_PAINTING);
	val.Add(w);
	Rc(target);
}

void DrawingDraw::Escape(const String& data)
{
	Op(DRAWING_ESCAPE);
	val.Add(data);
}

} // namespace Qel
