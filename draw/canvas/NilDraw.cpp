#include "NilDraw.h"

namespace Qel {

dword NilDraw::GetInfo() const            { return INFO_DOTS; }
Size  NilDraw::GetPageSize() const        { return Size(0, 0); }
void  NilDraw::BeginOp()                  {}
void  NilDraw::EndOp()                    {}
void  NilDraw::OffsetOp(const Point&)     {}
bool  NilDraw::ClipOp(const Rect&)        { return false; }
bool  NilDraw::ClipoffOp(const Rect&)     { return false; }
bool  NilDraw::ExcludeClipOp(const Rect&) { return false; }
bool  NilDraw::IntersectClipOp(const Rect&) { return false; }
bool  NilDraw::IsPaintingOp(const Rect&) const { return false; }
Rect  NilDraw::GetPaintRect() const       { return Rect(0, 0, 0, 0); }

void NilDraw::DrawRectOp(int, int, int, int, Color) {}
void NilDraw::DrawImageOp(int, int, int, int, const Image&, const Rect&, Color) {}
void NilDraw::DrawDataOp(int, int, int, int, const String&, const char*) {}
void NilDraw::DrawLineOp(int, int, int, int, int, Color) {}
void NilDraw::DrawPolyPolylineOp(const Point*, int, const int*, int, int, Color, Color) {}
void NilDraw::DrawPolyPolyPolygonOp(const Point*, int, const int*, int, const int*, int, Color, int, Color,
                                    uint64, Color) {}
void NilDraw::DrawArcOp(const Rect&, const Point&, const Point&, int, Color) {}
void NilDraw::DrawEllipseOp(const Rect&, Color, int, Color) {}
void NilDraw::DrawTextOp(int, int, int, const wchar*, Font, Color, int, const int*) {}
void NilDraw::DrawDrawingOp(const Rect&, const Drawing&) {}
void NilDraw::DrawPaintingOp(const Rect&, const Painting&) {}

} // namespace Qel
