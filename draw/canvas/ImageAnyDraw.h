// ImageAnyDraw: a Draw that paints into a new Image of a given size through whichever renderer
// registered its hooks (the painter module's image painter over the GUI's default). With no
// renderer registered it draws nothing and gives the empty Image.
#pragma once

#include "DrawTarget.h"

namespace Qel {

class ImageAnyDraw : public Draw {
	Draw* draw = nullptr; // owned

public:
	using CreateFn  = Draw* (*)(Size sz);      // a new heap Draw painting into an image of sz
	using ExtractFn = Image (*)(Draw& w);      // its finished Image; empty for a Draw of another kind

	// Replaces any earlier pair.
	static void Register(CreateFn create, ExtractFn extract);
	// Only while no create hook is set.
	static void RegisterDefault(CreateFn create, ExtractFn extract);
	static bool IsAvailable();

	dword GetInfo() const override;
	Size  GetPageSize() const override;
	void  BeginOp() override;
	void  EndOp() override;
	void  OffsetOp(const Point& p) override;
	bool  ClipOp(const Rect& r) override;
	bool  ClipoffOp(const Rect& r) override;
	bool  ExcludeClipOp(const Rect& r) override;
	bool  IntersectClipOp(const Rect& r) override;
	bool  IsPaintingOp(const Rect& r) const override;
	Rect  GetPaintRect() const override;

	void DrawRectOp(int x, int y, int cx, int cy, Color color) override;
	void DrawImageOp(int x, int y, int cx, int cy, const Image& img, const Rect& src, Color color) override;
	void DrawDataOp(int x, int y, int cx, int cy, const String& data, const char* id) override;
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
	void DrawDrawingOp(const Rect& target, const Drawing& w) override;
	void DrawPaintingOp(const Rect& target, const Painting& w) override;

	// The picture drawn so far; taken once drawing is finished.
	operator Image() const;

	explicit ImageAnyDraw(Size sz);
	ImageAnyDraw(int cx, int cy) : ImageAnyDraw(Size(cx, cy)) {}
	~ImageAnyDraw() override;
};

} // namespace Qel
