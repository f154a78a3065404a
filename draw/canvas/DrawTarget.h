// Draw: the abstract drawing target. Every painting path issues its output as calls on a Draw;
// targets replace the virtual operations they support and inherit the shared defaults.
#pragma once

#include <Core/types/Color.h>
#include <Core/types/Gtypes.h>
#include <Core/text/String.h>
#include <Core/container/Vector.h>
#include <Core/text/WString.h>

#include <draw/font/Font.h>
#include <draw/image/Image.h>

namespace Qel {

class Drawing;
class Painting;

// What a target says of itself through GetInfo.
enum : dword {
	INFO_DOTS        = 0x01, // coordinates are dots, 600 per inch
	INFO_BAND_IMAGES = 0x04, // large images are drawn in bands; paintings get a white background
	INFO_NATIVE      = 0x08, // image and data operations use the target's units directly
	INFO_BAND_DATA   = 0x10, // large data is drawn in bands
	INFO_TEXT_LINES  = 0x20, // text drawing draws underline and strikeout itself
	INFO_KEEP_INK    = 0x40, // GetDefaultInk returns the default-ink marker itself
};

// The target's default ink, resolved by GetDefaultInk.
inline constexpr Color DEFAULT_INK = Color::FromRaw(0x800000FE);
// Filling with this colour inverts what lies below instead of painting over it.
inline constexpr Color INVERT_COLOR = Color::FromRaw(0x800000FF);

class Draw {
public:
	Draw() = default;
	Draw(const Draw&) = delete;
	Draw& operator=(const Draw&) = delete;

	virtual dword GetInfo() const = 0;
	virtual Size  GetPageSize() const;
	virtual void  StartPage();
	virtual void  EndPage();

	virtual void BeginOp() = 0;
	virtual void EndOp() = 0;
	virtual void OffsetOp(const Point& p) = 0;
	virtual bool ClipOp(const Rect& r) = 0;
	virtual bool ClipoffOp(const Rect& r) = 0;
	virtual bool ExcludeClipOp(const Rect& r) = 0;
	virtual bool IntersectClipOp(const Rect& r) = 0;
	virtual bool IsPaintingOp(const Rect& r) const = 0;
	virtual Rect GetPaintRect() const;

	virtual void DrawRectOp(int x, int y, int cx, int cy, Color color) = 0;
	virtual void SysDrawImageOp(int x, int y, const Image& img, Color color);
	virtual void SysDrawImageOp(int x, int y, const Image& img, const Rect& src, Color color);
	virtual void DrawImageOp(int x, int y, int cx, int cy, const Image& img, const Rect& src, Color color);
	virtual void DrawDataOp(int x, int y, int cx, int cy, const String& data, const char* id);
	virtual void DrawLineOp(int x1, int y1, int x2, int y2, int width, Color color) = 0;
	virtual void DrawPolyPolylineOp(const Point* vertices, int vertex_count, const int* counts,
	                                int count_count, int width, Color color, Color doxor) = 0;
	virtual void DrawPolyPolyPolygonOp(const Point* vertices, int vertex_count,
	                                   const int* subpolygon_counts, int scc,
	                                   const int* disjunct_polygon_counts, int dpcc, Color color,
	                                   int width, Color outline, uint64 pattern, Color doxor) = 0;
	virtual void DrawArcOp(const Rect& rc, const Point& start, const Point& end, int width, Color color) = 0;
	virtual void DrawEllipseOp(const Rect& r, Color color, int pen, Color pencolor) = 0;
	virtual void DrawTextOp(int x, int y, int angle, const wchar* text, Font font, Color ink, int n,
	                        const int* dx) = 0;
	virtual void DrawDrawingOp(const Rect& target, const Drawing& w);
	virtual void DrawPaintingOp(const Rect& target, const Painting& w);

	virtual Size GetNativeDpi() const;
	virtual void BeginNative();
	virtual void EndNative();
	virtual int  GetClipLevel() const;
	virtual void Escape(const String& data);

	virtual ~Draw() = default;

	virtual Color GetDefaultInk() const;

	// Front operations: each builds its arguments and calls one of the operations above.
	void DrawRect(const Rect& r, Color color)                { DrawRectOp(r.left, r.top, r.right - r.left, r.bottom - r.top, color); }
	void DrawRect(int x, int y, int cx, int cy, Color color) { DrawRectOp(x, y, cx, cy, color); }

	void DrawImage(int x, int y, int cx, int cy, const Image& img);
	void DrawImage(const Rect& r, const Image& img);
	void DrawImage(int x, int y, const Image& img);
	// img as a mask painted in color; nothing when color is Null.
	void DrawImage(int x, int y, const Image& img, Color color);

	void DrawPolygon(const Vector<Point>& vertices, Color color, int width = 0, Color outline = Color(),
	                 uint64 pattern = 0, Color doxor = Color());
	// A Null pen width draws no outline.
	void DrawEllipse(const Rect& r, Color color = DEFAULT_INK, int pen = INT_NULL,
	                 Color pencolor = DEFAULT_INK);

	void Offset(int x, int y)                             { OffsetOp(Point(x, y)); }
	bool ClipOff(int x, int y, int cx, int cy)            { return ClipoffOp(Rect(x, y, x + cx, y + cy)); }
	bool ExcludeClip(int x, int y, int cx, int cy)        { return ExcludeClipOp(Rect(x, y, x + cx, y + cy)); }
	void DrawDrawing(int x, int y, int cx, int cy, const Drawing& w) { DrawDrawingOp(Rect(x, y, x + cx, y + cy), w); }

	// Text with its top-left corner at (x, y), angle in tenths of a degree counter-clockwise,
	// n < 0 up to the terminating zero, dx the advance of each character (null: the font's).
	// Characters the font lacks are drawn through their fallbacks.
	void DrawText(int x, int y, int angle, const wchar* text, Font font = StdFont(), Color ink = DEFAULT_INK,
	              int n = -1, const int* dx = nullptr);
	void DrawText(int x, int y, const wchar* text, Font font = StdFont(), Color ink = DEFAULT_INK,
	              int n = -1, const int* dx = nullptr)
	{ DrawText(x, y, 0, text, font, ink, n, dx); }
	void DrawText(int x, int y, int angle, const WString& text, Font font = StdFont(), Color ink = DEFAULT_INK,
	              const int* dx = nullptr);
	void DrawText(int x, int y, const WString& text, Font font = StdFont(), Color ink = DEFAULT_INK,
	              const int* dx = nullptr)
	{ DrawText(x, y, 0, text, font, ink, dx); }
	// 8-bit text in a character set (CHARSET_UTF8 is UTF-8).
	void DrawText(int x, int y, int angle, const char* text, byte charset, Font font = StdFont(),
	              Color ink = DEFAULT_INK, int n = -1, const int* dx = nullptr);
	void DrawText(int x, int y, const char* text, Font font = StdFont(), Color ink = DEFAULT_INK,
	              int n = -1, const int* dx = nullptr);
	void DrawText(int x, int y, const String& text, Font font = StdFont(), Color ink = DEFAULT_INK,
	              const int* dx = nullptr);
};

// The painter module renders recorded paintings and drawings into pixels through these.
// A Painting into ib: drawn scaled to sz, shifted by -pos, in the given quality mode.
using PaintingRenderFn = void (*)(ImageBuffer& ib, const Painting& p, Size sz, Point pos, int mode);
// A Drawing scaled into the whole of ib.
using DrawingRenderFn  = void (*)(ImageBuffer& ib, const Drawing& d, int mode);
// One character at (x, y) and an angle into a transparent image of size sz.
using PaintingImageFn  = Image (*)(int x, int y, int angle, int chr, Font font, Color ink, Size sz);

// Set once at start-up; paintings are drawn only when all three are set.
void RegisterPaintingRenderer(PaintingRenderFn render, DrawingRenderFn drawing, PaintingImageFn image);
PaintingRenderFn GetPaintingRenderHook();
DrawingRenderFn  GetDrawingRenderHook();
PaintingImageFn  GetPaintingImageHook();
// The painting hook on the part of painting p drawn at cx x cy whose top left is at (x, y) of
// it, the part as large as ib. Sizes beyond int are carried by the painting's own size, which the
// hook scales onto the size it is given. False, with nothing done, when the hook is not set or the
// place lies beyond int.
bool RenderPaintingPart(ImageBuffer& ib, const Painting& p, int64 cx, int64 cy, int64 x, int64 y);

// Draws one band of image rows at (x, y): on dot targets, runs of 16 or more all-white columns
// become white rectangles; the rest goes out in pieces at most 2000 columns wide.
void DrawImageBand(Draw& w, int x, int y, const Image& img);

// Sine and cosine of an angle in tenths of a degree; the right angles exactly.
void SinCos(int angle, double& sina, double& cosa);

// One line of text without a Draw: the advances of the characters from 32 up, and ascent plus
// descent. n < 0: up to the terminating zero.
Size GetTextSize(const wchar* text, Font font, int n = -1);
Size GetTextSize(const WString& text, Font font);
Size GetTextSize(const char* text, byte charset, Font font, int n = -1);
Size GetTextSize(const char* text, Font font, int n = -1);
Size GetTextSize(const String& text, Font font);

} // namespace Qel
