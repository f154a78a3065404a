// Shared default bodies of the Draw operations.
#include "DrawTarget.h"
#include "Drawing.h"

namespace Qel {

Size Draw::GetPageSize() const { return Size(0x3FFFFFFF, 0x3FFFFFFF); }
void Draw::StartPage() {}
void Draw::EndPage() {}
Rect Draw::GetPaintRect() const { return Rect(-1073741823, -1073741823, 1073741823, 1073741823); }
void Draw::SysDrawImageOp(int, int, const Image&, Color) {}
void Draw::SysDrawImageOp(int, int, const Image&, const Rect&, Color) {}
void Draw::DrawImageOp(int, int, int, int, const Image&, const Rect&, Color) {}
void Draw::DrawDataOp(int, int, int, int, const String&, const char*) {}
void Draw::DrawDrawingOp(const Rect& target, const Drawing& w) { PlayDrawing(*this, target, w); }
void Draw::DrawPaintingOp(const Rect&, const Painting&) {}
Size Draw::GetNativeDpi() const { return GetInfo() & INFO_DOTS ? Size(600, 600) : Size(96, 96); }
void Draw::BeginNative() {}
void Draw::EndNative() {}
int  Draw::GetClipLevel() const { return 0; }
void Draw::Escape(const String&) {}
Color Draw::GetDefaultInk() const
{
	dword info = GetInfo();
	if(info & INFO_KEEP_INK)
		return DEFAULT_INK;
	return Color(0, 0, 0); // theme text colour when not in dots: comes with the theme colours
}

} // namespace Qel
