// PdfDraw: a Draw that writes a PDF document. Coordinates are dots (600 per inch) from the top
// left of the page; text becomes real text in embedded font subsets, images are stored once per
// document, and "url:" escapes make link areas. The whole document is built in memory and
// handed over by Finish.
#pragma once

#include <Core/Core.h>
#include <draw/Draw.h>

#include <memory>

namespace Qel {

namespace detail { class PdfDocument; }

class PdfDraw : public Draw {
public:
	// Pages of sz dots (5100 x 6600 is US Letter), each side held within 1..120000 (200 inches,
	// the most a page may have).
	explicit PdfDraw(Size pagesize);
	PdfDraw(int cx, int cy) : PdfDraw(Size(cx, cy)) {}
	~PdfDraw() override;

	// Ends an open page and gives the document, one empty page when nothing was drawn; then
	// the target starts a new, empty document. Empty when the document grew beyond what one
	// String holds.
	String Finish();

	dword GetInfo() const override;
	Size  GetPageSize() const override;
	// Drawing outside a page opens one; StartPage on an open page ends it first.
	void  StartPage() override;
	void  EndPage() override;

	void BeginOp() override;
	void EndOp() override;
	void OffsetOp(const Point& p) override;
	bool ClipOp(const Rect& r) override;
	bool ClipoffOp(const Rect& r) override;
	bool ExcludeClipOp(const Rect& r) override;
	bool IntersectClipOp(const Rect& r) override;
	bool IsPaintingOp(const Rect& r) const override;

	void DrawRectOp(int x, int y, int cx, int cy, Color color) override;
	void DrawImageOp(int x, int y, int cx, int cy, const Image& img, const Rect& src, Color color) override;
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

	// "data:" and a JPEG file: the next image operation shows those bytes instead of its pixels.
	// "url:" and an address: what is drawn up to the next "url:" command becomes a link.
	void Escape(const String& data) override;

private:
	friend String DrawingToPdf(const Array<Drawing>& pages);

	// The graphics state of one Begin, Offset or Clip level and the values the content stream
	// last set in it (restored with the level).
	struct Level {
		Point64 offset;       // origin in page dots
		Rect64  clip;         // page dots
		dword  fill = 0xFFFFFFFF, stroke = 0xFFFFFFFF;
		double width = -1;
		int    dash = -1;
	};

	std::unique_ptr<detail::PdfDocument> doc;
	Size          pagesize;
	bool          page_open = false;
	StringBuffer  content;
	Vector<Level> level;     // level[0] is the page's own
	String        jpeg;      // raw data for the next image operation
	String        link;      // the open link's address
	Rect64        link_area; // page dots; empty: nothing drawn yet
	Vector<String> annots;   // the page's link annotations
	Index<int>    page_fonts, page_images, page_patterns;
	int           page_gstate = 0;

	// A page's content beyond this fails the document rather than the process.
	static constexpr int MAX_CONTENT = 1200000000;
	static constexpr int MAX_SIDE = 120000; // dots: 200 inches

	void   Reset();
	void   Page()                          { if(!page_open) StartPage(); }
	bool   Full() const                    { return content.GetLength() > MAX_CONTENT; }
	Level& Top()                           { return level.Top(); }
	void   Push();
	void   PageSize(Size sz);

	void   Fill(Color c);
	void   Stroke(Color c);
	bool   Pen(int width, Color c);        // sets the pen; false: nothing to stroke
	// The area drawn, in current coordinates, for the open link.
	void   Mark(double l, double t, double r, double b);
	void   CloseLink();
	void   Pt(double x, double y);
	void   Pt(Point p)                     { Pt(p.x, p.y); }
	void   Re(int64 x, int64 y, int64 cx, int64 cy);
	void   Arc(double cx, double cy, double rx, double ry, double a0, double sweep, bool move);
	void   Pattern(uint64 pattern, Color c); // the fill: a tile of the pattern's clear bits in c
	// Text as the filled outlines of its glyphs, for faces no document can embed; the advance
	// of the whole text.
	double TextOutlines(int x, int y, double sina, double cosa, const wchar* text, Font font, int n,
	                    const int* dx);
	// A filled bar of text lines, (l, t, w, h) in the frame of text at (x, y) turned by the angle.
	void   TextLine(double x, double y, double sina, double cosa, double l, double t, double w, double h);
	// Opens a page when none is; false once the document has failed.
	bool   Room();
};

// The pages as a PDF document, one page per Drawing at its size in dots, each played 1:1.
// Empty for no pages or a page side outside 1..120000 dots.
String DrawingToPdf(const Array<Drawing>& pages);

// Raw image file data drawn into a rectangle: a PdfDraw takes JPEG data as it is; every target
// shows a placeholder (and PdfDraw shows it too when the data is no JPEG it can take).
void PdfDrawRawData(Draw& w, int x, int y, int cx, int cy, const String& data);

// Gives the drawing layer the export and the raw-data drawing; once, from any thread.
void InitPdfDrawHooks();

} // namespace Qel
