// SystemDraw: the Draw that paints through a cairo context, on screen and into cairo image
// surfaces. Text is collected into glyph runs shown with one cairo call each; images are painted
// from cairo surfaces cached by image. It keeps its own stacks of offsets and clips so that it
// can tell whether a rectangle is being painted without asking cairo.
#pragma once

#include <draw/Draw.h>

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace Qel {

class SystemDraw : public Draw {
public:
	dword GetInfo() const override;
	void  BeginOp() override;
	// An EndOp without a matching level does nothing: cairo would fail for good, or undo a save
	// that the context's owner made.
	void  EndOp() override;
	void  OffsetOp(const Point& p) override;
	bool  ClipOp(const Rect& r) override;
	bool  ClipoffOp(const Rect& r) override;
	// These two narrow cairo's clip only; IsPaintingOp still sees the wider one.
	bool  ExcludeClipOp(const Rect& r) override;
	bool  IntersectClipOp(const Rect& r) override;
	bool  IsPaintingOp(const Rect& r) const override;
	Rect  GetPaintRect() const override;

	void DrawRectOp(int x, int y, int cx, int cy, Color color) override;
	using Draw::SysDrawImageOp;
	void SysDrawImageOp(int x, int y, const Image& img, Color color) override;
	// Large targets are drawn only where the clip lets them show.
	void DrawImageOp(int x, int y, int cx, int cy, const Image& img, const Rect& src, Color color) override;
	void DrawLineOp(int x1, int y1, int x2, int y2, int width, Color color) override;
	void DrawPolyPolylineOp(const Point* vertices, int vertex_count, const int* counts, int count_count,
	                        int width, Color color, Color doxor) override;
	void DrawPolyPolyPolygonOp(const Point* vertices, int vertex_count, const int* subpolygon_counts,
	                           int scc, const int* disjunct_polygon_counts, int dpcc, Color color, int width,
	                           Color outline, uint64 pattern, Color doxor) override;
	void DrawArcOp(const Rect& rc, const Point& start, const Point& end, int width, Color color) override;
	void DrawEllipseOp(const Rect& r, Color color, int pen, Color pencolor) override;
	void DrawTextOp(int x, int y, int angle, const wchar* text, Font font, Color ink, int n,
	                const int* dx) override;
	void DrawPaintingOp(const Rect& target, const Painting& w) override;

	// Draws and clears the pending glyph run. Code that changes the context behind this draw's
	// back calls it first.
	void     FlushText();
	// Closes every level still open, so that a borrowed context is handed back as it came even
	// after a paint that threw.
	void     EndAllOps()                    { while(!level.IsEmpty()) EndOp(); }
	cairo_t* GetCairo() const               { return cr; }
	// The rectangles the current paint request covers, in the coordinates the draw started
	// with; while there is none, everything is painted.
	void     AddPaintArea(const Rect& r)    { paint_area.Add(r); }

	explicit SystemDraw(cairo_t* cr);
	~SystemDraw() override;

protected:
	void  SetCairo(cairo_t* c)              { cr = c; }
	Point TopOffset() const                 { return offset.IsEmpty() ? Point(0, 0) : offset.Top(); }
	// Forgets the pending glyph run without drawing it.
	void  DropText()                        { glyphs.Clear(); }

private:
	struct GlyphRec {
		int x, y, index;
	};
	// A level of BeginOp, OffsetOp, ClipOp or ClipoffOp: an offset level saves the context only
	// once a clip would change it, and is otherwise undone by moving back.
	struct Level {
		Point translate;
		bool  saved;
	};

	Vector<Point>    offset;
	Vector<Rect>     clip;
	Vector<Rect>     paint_area;
	cairo_t*         cr;
	Font             text_font = Font::FromInt64(0);
	Color            text_ink;
	int              text_angle = 0;
	Vector<GlyphRec> glyphs;
	Vector<Level>    level;

	void  Push(bool save = true);
	void  Pop();
	void  SaveLevel();
	Rect  TopClip() const;
	Rect  DeviceSafe(const Rect& r) const;
	void  Rectangle(const Rect& r);
	void  SetColor(Color c);
	void  StrokeWithPen(int width);
	// What of r (in the current coordinates) the context's clip lets show.
	Rect  VisibleRect(const Rect& r) const;
	// Pixels at (x, y), stride pixels from row to row, painted or (with a colour) used as a mask;
	// blocks past what one cairo surface holds go in tiles over their visible part.
	void  PaintBlock(int x, int y, const RGBA* pixels, Size size, int64 stride, Color color);
	void  PaintSurface(cairo_surface_t* s, int x, int y, Color color);

	friend class ImageDraw;
	friend void DrawPixelBlock(Draw& w, const Rect& dest, const RGBA* pixels, Size src_size, Point src_offset);
};

// A SystemDraw over an off-screen buffer that paints a part of the control tree for another
// target: rectangles outside the buffer are never painted, the rest as the target says.
class BackDraw : public SystemDraw {
public:
	bool IsPaintingOp(const Rect& r) const override;

	BackDraw(cairo_t* cr, Size buffer, Draw* target = nullptr, Point target_offset = Point(0, 0));
	~BackDraw() override;

private:
	Size  size;
	Draw* painting;
	Point painting_offset;
};

// Premultiplied pixels drawn at dest on any Draw: src_size is the block's size, src_offset where
// in it dest's corner starts.
void DrawPixelBlock(Draw& w, const Rect& dest, const RGBA* pixels, Size src_size, Point src_offset);

// A new ARGB32 surface (the caller owns it) with a copy of img's pixels, made similar to the
// given surface when there is one. Check cairo_surface_status: sizes cairo cannot hold fail.
cairo_surface_t* ImageToCairoSurface(const Image& img, cairo_surface_t* similar = nullptr);

} // namespace Qel
