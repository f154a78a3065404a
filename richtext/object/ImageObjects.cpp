// "PING", "image", "PNG" and "iml": images kept as file bytes, as image strings, decoded, or
// named in an image list.
#include <richtext/object/RichObjectTypes.h>
#include <richtext/object/detail/ClipHooks.h>
#include <richtext/object/detail/ObjectImage.h>
#include <richtext/object/detail/ObjectText.h>

namespace Qel {

using detail::ObjectArea;
using detail::ObjectText;
using detail::OBJECT_DECODE_MAX_PIXELS;
using detail::OBJECT_IMAGE_MAX_PIXELS;

namespace {

// The whole image rescaled to sz; empty when that image would be too large to make.
Image sRescaled(const Image& img, Size sz)
{
	if(img.IsEmpty() || ObjectArea(sz) == 0 || ObjectArea(sz) > OBJECT_IMAGE_MAX_PIXELS)
		return Image();
	return Rescale(img, sz);
}

void sDrawScaled(Draw& w, Size sz, const Image& img)
{
	if(!img.IsEmpty())
		w.DrawImage(0, 0, sz.cx, sz.cy, img);
}

// The picture of an image string, unless it is more than may be decoded whole.
Image sLoadImageString(const Value& data)
{
	const String* s = ObjectText(data);
	if(!s || ObjectArea(GetImageStringSize(*s)) > OBJECT_DECODE_MAX_PIXELS)
		return Image();
	return LoadImageFromString(*s);
}

} // namespace

// "PING" -----------------------------------------------------------------------------------

String RichObjectTypePNGCls::GetTypeName(const Value&) const
{
	return "PING";
}

Size RichObjectTypePNGCls::GetPixelSize(const Value& data) const
{
	if(const String* s = ObjectText(data)) {
		StringStream ss(*s);
		if(std::unique_ptr<StreamRaster> r = OpenStreamRaster(ss))
			return r->GetSize();
	}
	return Size(0, 0);
}

Size RichObjectTypePNGCls::GetPhysicalSize(const Value& data) const
{
	if(const String* s = ObjectText(data)) {
		StringStream ss(*s);
		if(std::unique_ptr<StreamRaster> r = OpenStreamRaster(ss))
			return r->GetInfo().dots;
	}
	return Size(0, 0);
}

void RichObjectTypePNGCls::Paint(const Value& data, Draw& w, Size sz) const
{
	if(const String* s = ObjectText(data)) {
		StringStream ss(*s);
		if(std::unique_ptr<StreamRaster> r = OpenStreamRaster(ss)) {
			// a file that opens but does not decode is as broken as one that does not open
			Image img = detail::DecodeObjectRaster(*r, sz);
			if(!img.IsEmpty()) {
				w.DrawRect(0, 0, sz.cx, sz.cy, Color(255, 255, 255));
				w.DrawImage(0, 0, sz.cx, sz.cy, img);
				return;
			}
		}
	}
	w.DrawRect(0, 0, sz.cx, sz.cy, Color(255, 0, 0));
}

// "image" ----------------------------------------------------------------------------------

String RichImage::GetTypeName(const Value&) const
{
	return "image";
}

bool RichImage::AcceptClip(PasteSource& clip) const
{
	detail::RichImageClipHooks h = detail::GetRichImageClipHooks();
	return h.accept && h.accept(clip);
}

Value RichImage::ReadClip(PasteSource& clip) const
{
	detail::RichImageClipHooks h = detail::GetRichImageClipHooks();
	if(!h.read)
		return RichObjectType::ReadClip(clip);
	return StoreImageAsString(h.read(clip));
}

String RichImage::GetClipFormats() const
{
	detail::RichImageClipHooks h = detail::GetRichImageClipHooks();
	return h.formats ? h.formats() : String();
}

String RichImage::GetClipData(const Value& data, const String& format) const
{
	detail::RichImageClipHooks h = detail::GetRichImageClipHooks();
	if(!h.data)
		return String();
	return h.data(sLoadImageString(data), format);
}

Size RichImage::GetPixelSize(const Value& data) const
{
	const String* s = ObjectText(data);
	return s ? GetImageStringSize(*s) : Size(0, 0);
}

Size RichImage::GetPhysicalSize(const Value& data) const
{
	const String* s = ObjectText(data);
	if(!s)
		return Size(0, 0);
	Size dots = GetImageStringPhysicalSize(*s);
	if(dots.cx == 0 || dots.cy == 0)
		return detail::ObjectPixelsToDots(GetImageStringSize(*s));
	return dots;
}

void RichImage::Paint(const Value& data, Draw& w, Size sz) const
{
	sDrawScaled(w, sz, sLoadImageString(data));
}

Image RichImage::ToImage(int64, const Value& data, Size sz, void*) const
{
	if(ObjectArea(sz) == 0 || ObjectArea(sz) > OBJECT_IMAGE_MAX_PIXELS)
		return Image();
	return sRescaled(sLoadImageString(data), sz);
}

// "PNG" ------------------------------------------------------------------------------------

String RichPNG::GetTypeName(const Value& data) const
{
	return data.GetType() == IMAGE_V ? "image" : "PNG";
}

Value RichPNG::Read(const String& s) const
{
	StringStream ss(s);
	std::unique_ptr<StreamRaster> r = OpenStreamRaster(ss);
	if(r && ObjectArea(r->GetSize()) <= OBJECT_DECODE_MAX_PIXELS) {
		Image img = r->GetImage([&](int, int) { return r->IsError(); });
		if(!img.IsEmpty() && !r->IsError())
			return img;
	}
	return s;
}

String RichPNG::Write(const Value& data) const
{
	if(data.GetType() == IMAGE_V)
		return StoreImageAsString(Image(data));
	const String* s = ObjectText(data);
	return s ? *s : String();
}

// A picture without a physical size of its own takes one from its pixels, at 96 per inch.
Size RichPNG::GetPhysicalSize(const Value& data) const
{
	return data.GetType() == IMAGE_V ? Image(data).GetPhysicalSize() : Size(0, 0);
}

Size RichPNG::GetPixelSize(const Value& data) const
{
	return data.GetType() == IMAGE_V ? Image(data).GetSize() : Size(0, 0);
}

void RichPNG::Paint(const Value& data, Draw& w, Size sz) const
{
	if(data.GetType() != IMAGE_V) {
		w.DrawRect(0, 0, sz.cx, sz.cy, ThemeFaceColor());
		DrawFrame(w, 0, 0, sz.cx, sz.cy, ThemeTextColor());
		w.DrawText(2, 2, "plugin/png missing!", StdFont(), DEFAULT_INK);
		return;
	}
	// the whole box, as the "image" it is written back as: a page prints what the screen shows
	sDrawScaled(w, sz, Image(data));
}

Image RichPNG::ToImage(int64 serial_id, const Value& data, Size sz, void* context) const
{
	if(data.GetType() != IMAGE_V)
		return RichObjectType::ToImage(serial_id, data, sz, context);
	return sRescaled(Image(data), sz);
}

// "iml" ------------------------------------------------------------------------------------

namespace {

Image sImlImage(const Value& data)
{
	const String* s = ObjectText(data);
	return s ? GetImlImage(~*s) : Image();
}

} // namespace

String RichImlImage::GetTypeName(const Value&) const
{
	return "iml";
}

bool RichImlImage::IsText() const
{
	return true;
}

Size RichImlImage::GetPhysicalSize(const Value& data) const
{
	return sImlImage(data).GetSize();
}

Size RichImlImage::GetPixelSize(const Value& data) const
{
	return sImlImage(data).GetSize();
}

void RichImlImage::Paint(const Value& data, Draw& w, Size sz) const
{
	sDrawScaled(w, sz, sImlImage(data));
}

Image RichImlImage::ToImage(int64, const Value& data, Size sz, void*) const
{
	return sRescaled(sImlImage(data), sz);
}

} // namespace Qel
