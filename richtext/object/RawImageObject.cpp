// "rawimage": the bytes of an image file of any registered format, or SVG text.
#include <richtext/object/RichObjectTypes.h>
#include <richtext/object/detail/ObjectImage.h>
#include <richtext/object/detail/ObjectText.h>

#include <painter/buffer/ImagePainter.h>
#include <painter/svg/Svg.h>

#include <limits.h>
#include <math.h>

namespace Qel {

using detail::ObjectArea;
using detail::ObjectText;
using detail::OBJECT_IMAGE_MAX_PIXELS;

namespace {

// The width and height of what the document paints, truncated; (0, 0) when it paints nothing.
Size sSvgSize(const String& svg)
{
	Rectf r = GetSVGBoundingBox(~svg);
	double cx = r.right - r.left, cy = r.bottom - r.top;
	if(!isfinite(cx) || !isfinite(cy) || cx < 0 || cy < 0)
		return Size(0, 0);
	return Size(int(min(cx, double(INT_MAX))), int(min(cy, double(INT_MAX))));
}

bool sTooLarge(Size sz)
{
	return ObjectArea(sz) == 0 || ObjectArea(sz) > OBJECT_IMAGE_MAX_PIXELS;
}

// What the document paints stretched over the whole of sz, as a picture file fills its box, on
// opaque white; empty when it paints nothing.
Image sRenderSvg(const String& svg, Size sz)
{
	Rectf r = GetSVGBoundingBox(~svg);
	double cx = r.right - r.left, cy = r.bottom - r.top;
	if(!(cx > 0 && cy > 0 && isfinite(cx) && isfinite(cy)) || ObjectArea(sz) == 0)
		return Image();
	ImagePainter p(sz);
	p.Clear(Color(255, 255, 255));
	p.Scale(sz.cx / cx, sz.cy / cy);
	p.Translate(-r.left, -r.top);
	RenderSVG(p, ~svg);
	return p.GetResult();
}

} // namespace

String RichRawImage::GetTypeName(const Value&) const
{
	return "rawimage";
}

Size RichRawImage::GetPixelSize(const Value& data) const
{
	const String* s = ObjectText(data);
	if(!s)
		return Size(0, 0);
	StringStream ss(*s);
	if(std::unique_ptr<StreamRaster> r = OpenStreamRaster(ss))
		return r->GetSize();
	return IsSVG(~*s) ? sSvgSize(*s) : Size(0, 0);
}

Size RichRawImage::GetPhysicalSize(const Value& data) const
{
	const String* s = ObjectText(data);
	if(!s)
		return Size(0, 0);
	StringStream ss(*s);
	if(std::unique_ptr<StreamRaster> r = OpenStreamRaster(ss))
		return r->GetInfo().dots;
	return IsSVG(~*s) ? detail::ObjectPixelsToDots(sSvgSize(*s)) : Size(0, 0);
}

void RichRawImage::Paint(const Value& data, Draw& w, Size sz) const
{
	const String* s = ObjectText(data);
	if(!s || ObjectArea(sz) == 0)
		return;
	StringStream ss(*s);
	if(std::unique_ptr<StreamRaster> r = OpenStreamRaster(ss)) {
		// a target that embeds image files (a PDF) takes the bytes as they are
		IsRawDataDrawableFn drawable = GetIsRawDataDrawableHook();
		DrawRawDataFn draw = GetDrawRawDataHook();
		if(drawable && draw && drawable(w, *s)) {
			draw(w, 0, 0, sz.cx, sz.cy, *s);
			return;
		}
		// beyond the image size limit the Draw scales the picture up the rest of the way
		Image img = detail::DecodeObjectRaster(*r, sz);
		if(!img.IsEmpty())
			w.DrawImage(0, 0, sz.cx, sz.cy, img);
		return;
	}
	if(IsSVG(~*s)) {
		Size isz = detail::FitObjectArea(sz, OBJECT_IMAGE_MAX_PIXELS);
		Image img = sRenderSvg(*s, isz);
		if(img.IsEmpty())
			return;
		if(isz == sz)
			w.DrawImage(0, 0, img);
		else // rendered smaller: the target scales it up the rest of the way
			w.DrawImage(0, 0, sz.cx, sz.cy, img);
	}
}

Image RichRawImage::ToImage(int64 serial_id, const Value& data, Size sz, void*) const
{
	const String* s = ObjectText(data);
	if(!s || sTooLarge(sz))
		return Image();
	StringStream ss(*s);
	if(std::unique_ptr<StreamRaster> r = OpenStreamRaster(ss)) {
		// a picture too large to be kept whole is decoded straight to the size asked for
		if(ObjectArea(r->GetSize()) > OBJECT_IMAGE_MAX_PIXELS)
			return detail::DecodeObjectRaster(*r, sz);
		Image img = MakeImage(ImgFormatLoader(serial_id, *s));
		return img.IsEmpty() ? Image() : Rescale(img, sz);
	}
	return IsSVG(~*s) ? sRenderSvg(*s, sz) : Image();
}

String ImgFormatLoader::Key() const
{
	return String((const char*)&serial_id, sizeof(serial_id));
}

Image ImgFormatLoader::Make() const
{
	StringStream ss(data);
	std::unique_ptr<StreamRaster> r = OpenStreamRaster(ss);
	if(!r)
		return Image();
	return detail::DecodeObjectRaster(*r, detail::FitObjectArea(r->GetSize(), OBJECT_IMAGE_MAX_PIXELS));
}

} // namespace Qel
