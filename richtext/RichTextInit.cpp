// The rich-text start-up initialiser. It is linked into every program that links Qel::RichText
// (not through the archive, where nothing would pull it in) and makes the module's
// registrations, before main, in this order.
#include <richtext/RichText.h>

#include <plugin/png/png.h>

namespace {

using namespace Qel;

[[maybe_unused]] const bool sRegistered = [] {
	// objects read while the program starts may hold PNG data
	RegisterPNGRaster();
	RichTextInitOnce();
	static RichObjectTypeDrawingCls drawing;
	static RichObjectTypePNGCls ping;
	RichObject::Register("Drawing", &drawing);
	RichObject::Register("PING", &ping);
	InitPainterDrawHooks();
	static RichImage image;
	static RichPNG png;
	static RichRawImage rawimage;
	static RichImlImage iml;
	RichObject::Register("image", &image);
	RichObject::Register("PNG", &png);
	RichObject::Register("rawimage", &rawimage);
	RichObject::Register("iml", &iml);
	RichTextImg::Iml(); // registers the marks' list as "RichTextImg"
	RichPara::Register("VALUE", GetRichNumberField());
	return true;
}();

} // namespace
