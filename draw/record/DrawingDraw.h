// DrawingDraw: a Draw target that records the calls it receives as a Drawing. Objects (images,
// nested drawings, paintings, data, escapes) go into the drawing's value list, so they are
// shared, not copied into the command stream.
#pragma once

#include <Core/stream/StringStream.h>

#include <draw/canvas/DrawTarget.h>
#include "Drawing.h"

namespace Qel {

class DrawingDraw : public Draw {
public:
	DrawingDraw()                      { Create(0, 0); }
	DrawingDraw(int cx, int cy)        { Create(cx, cy); }
	explicit DrawingDraw(Size sz)      { Create(sz.cx, sz.cy); }

	// Starts a new recording of an area of cx x cy.
	void Create(int cx, int cy);
	void Create(Size sz)               { Create(sz.cx, sz.cy); }
	Size GetSize() const               { return size; }

	// The recording so far; the recorder then starts over, empty, with the same size.
	Drawing GetResult();
	operator Drawing()                 { return GetResult(); }

	// The default ink stays a marker in the record, so playback gives each target its own.
	dword GetInfo() const override     { return INFO_KEEP_INK; }
	Size  GetPageSize() const override { return size; }

	void BeginOp() override;
	void EndOp() override;
	void OffsetOp(const Point& p) override;
	bool ClipOp(const Rect& r) override;
	bool ClipoffOp(const Rect& r) override;
	bool ExcludeClipOp(const Rect& r) override;
	bool IntersectClipOp(const Rect& r) override;
	bool IsPaintingOp(const Rect& r) const override;

	void DrawRectOp(int x, int y, int cx, int cy, Color color) override;
	void SysDrawImageOp(int x, int y, const Image& img, Color color) override;
	void SysDrawImageOp(int x, int y, const Image& img, const Rect& src, Color color) override;
	void DrawImageOp(int x, int y, int cx, int cy, const Image& img, const Rect& src, Color color) override;
	void DrawDataOp(int x, int y, int cx, int cy, const String& data, const char* id) override;
	void DrawLineOp(int x1, int y1, int x2, int y2, int width, Color color) override;
	void DrawPolyPolylineOp(const Point* vertices, int vertex_count, const int* counts,
	                        int count_count, int width, Color color, Color doxor) override;
	void DrawPolyPolyPolygonOp(const Point* vertices, int vertex_count,
	                           const int* subpolygon_counts, int scc,
	                           const int* disjunct_polygon_counts, int dpcc, Color color,
	                           int width, Color outline, uint64 pattern, Color doxor) override;
	void DrawArcOp(const Rect& rc, const Point& start, const Point& end, int width, Color color) override;
	void DrawEllipseOp(const Rect& r, Color color, int pen, Color pencolor) override;
	void DrawTextOp(int x, int y, int angle, const wchar* text, Font font, Color ink, int n,
	                const int* dx) override;
	void DrawDrawingOp(const Rect& target, const Drawing& w) override;
	void DrawPaintingOp(const Rect& target, const Painting& w) override;
	void Escape(const String& data) override;

private:
	StringStream cmd;
	ValueArray   val;
	Size         size;

	void Op(int code);
	void Int(int x)                    { cmd.Put32le(dword(x)); }
	void Ink(Color c)                  { cmd.Put32le(c.GetRaw()); }
	void Packed(int x)                 { cmd.PackNullable(x); }
	void Pt(const Point& p)            { Int(p.x); Int(p.y); }
	void Rc(const Rect& r)             { Int(r.left); Int(r.top); Int(r.right); Int(r.bottom); }
};

} // namespace Qel
