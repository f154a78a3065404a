#include "ImageAnyDraw.h"

namespace Qel {

namespace {

ImageAnyDraw::CreateFn  sCreate;
ImageAnyDraw::ExtractFn sExtract;

} // namespace

void ImageAnyDraw::Register(CreateFn create, ExtractFn extract)
{
	sCreate = create;
	sExtract = extract;
}

void ImageAnyDraw::RegisterDefault(CreateFn create, ExtractFn extract)
{
	if(!sCreate)
		Register(create, extract);
}

bool ImageAnyDraw::IsAvailable() { return sCreate; }

ImageAnyDraw::ImageAnyDraw(Size sz)
{
	if(sCreate)
		draw = sCreate(sz);
}

ImageAnyDraw::~ImageAnyDraw() { delete draw; }

ImageAnyDraw::operator Image() const
{
	return draw && sExtract ? sExtract(*draw) : Image();
}

dword ImageAnyDraw::GetInfo() const               { return draw ? draw->GetInfo() : 0; }
Size  ImageAnyDraw::GetPageSize() const           { return draw ? draw->GetPageSize() : Size(0, 0); }
void  ImageAnyDraw::BeginOp()                     { if(draw) draw->BeginOp(); }
void  ImageAnyDraw::EndOp()                       { if(draw) draw->EndOp(); }
void  ImageAnyDraw::OffsetOp(const Point& p)      { if(draw) draw->OffsetOp(p); }
bool  ImageAnyDraw::ClipOp(const Rect& r)         { return draw && draw->ClipOp(r); }
bool  ImageAnyDraw::ClipoffOp(const Rect& r)      { return draw && draw->ClipoffOp(r); }
bool  ImageAnyDraw::ExcludeClipOp(const Rect& r)  { return draw && draw->ExcludeClipOp(r); }
bool  ImageAnyDraw::IntersectClipOp(const Rect& r) { return draw && draw->IntersectClipOp(r); }
bool  ImageAnyDraw::IsPaintingOp(const Rect& r) const { return draw && draw->IsPaintingOp(r); }
Rect  ImageAnyDraw::GetPaintRect() const          { return draw ? draw->GetPaintRect() : Rect(0, 0, 0, 0); }

void ImageAnyDraw::DrawRectOp(int x, int y, int cx, int cy, Color color)
{
	if(draw)
		draw->DrawRectOp(x, y, cx, cy, color);
}

void ImageAnyDraw::DrawImageOp(int x, int y, int cx, int cy, const Image& img, const Rect& src, Color color)
{
	if(draw)
		draw->DrawImageOp(x, y, cx, cy, img, src, color);
}

void ImageAnyDraw::DrawDataOp(int x, int y, int cx, int cy, const String& data, const char* id)
{
	if(draw)
		draw->DrawDataOp(x, y, cx, cy, data, id);
}

void ImageAnyDraw::DrawLineOp(int x1, int y1, int x2, int y2, int width, Color color)
{
	if(draw)
		draw->DrawLineOp(x1, y1, x2, y2, width, color);
}

void ImageAnyDraw::DrawPolyPolylineOp(const Point* vertices, int vertex_count, const int* counts,
                                      int count_count, int width, Color color, Color doxor)
{
	if(draw)
		draw->DrawPolyPolylineOp(vertices, vertex_count, counts, count_count, width, color, doxor);
}

void ImageAnyDraw::DrawPolyPolyPolygonOp(const Point* vertices, int vertex_count, const int* subpolygon_counts,
                                         int scc, const int* disjunct_polygon_counts, int dpcc, Color color,
                                         int width, Color outline, uint64 pattern, Color doxor)
{
	if(draw)
		draw->DrawPolyPolyPolygonOp(vertices, vertex_count, subpolygon_counts, scc, disjunct_polygon_counts,
		                            dpcc, color, width, outline, pattern, doxor);
}

void ImageAnyDraw::DrawArcOp(const Rect& rc, const Point& start, const Point& end, int width, Color color)
{
	if(draw)
		draw->DrawArcOp(rc, start, end, width, color);
}

void ImageAnyDraw::DrawEllipseOp(const Rect& r, Color color, int pen, Color pencolor)
{
	if(draw)
		draw->DrawEllipseOp(r, color, pen, pencolor);
}

void ImageAnyDraw::DrawTextOp(int x, int y, int angle, const wchar* text, Font font, Color ink, int n,
                              const int* dx)
{
	if(draw)
		draw->DrawTextOp(x, y, angle, text, font, ink, n, dx);
}

void ImageAnyDraw::DrawDrawingOp(const Rect& target, const Drawing& w)
{
	if(draw)
		draw->DrawDrawingOp(target, w);
}

void ImageAnyDraw::DrawPaintingOp(const Rect& target, const Painting& w)
{
	if(draw)
		draw->DrawPaintingOp(target, w);
}

} // namespace Qel
