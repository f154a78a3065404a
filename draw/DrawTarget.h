// Draw: the abstract drawing target. Every painting path issues its output as calls on a Draw;
// targets replace the virtual operations they support and inherit the shared defaults.
#pragma once

#include <Core/Color.h>
#include <Core/Gtypes.h>
#include <Core/String.h>
#include <Core/Vector.h>

#include "Font.h"
#include "Image.h"

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
};

} // namespace Qel
