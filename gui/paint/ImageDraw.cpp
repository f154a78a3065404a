// ImageDraw: drawing with cairo into an image, with an optional opacity draw.
#include "ImageDraw.h"
#include <gui/paint/detail/CairoCache.h>

#include <cairo.h>

namespace Qel {

namespace {

// A surface of sz, or a 0 x 0 one when cairo cannot make it: drawing on that does nothing, and
// a context on it stays healthy, where one on a failed surface would be in error from the start.
cairo_surface_t* sSurface(Size sz)
{
	if(sz.cx > 0 && sz.cy > 0 && sz.cx <= detail::CAIRO_MAX_SIDE && sz.cy <= detail::CAIRO_MAX_SIDE) {
		cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, sz.cx, sz.cy);
		if(cairo_surface_status(s) == CAIRO_STATUS_SUCCESS)
			return s;
		cairo_surface_destroy(s);
	}
	return cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 0, 0);
}

Size sSurfaceSize(cairo_surface_t* s)
{
	return Size(cairo_image_surface_get_width(s), cairo_image_surface_get_height(s));
}

} // namespace

ImageDraw::ImageDraw(Size sz) : SystemDraw(nullptr), alpha(nullptr)
{
	surface = sSurface(sz);
	size = sSurfaceSize(surface);
	SetCairo(cairo_create(surface));
	owns = true;
}

ImageDraw::~ImageDraw()
{
	DropText();
	alpha.DropText();
	if(owns) {
		cairo_destroy(GetCairo());
		cairo_surface_destroy(surface);
		SetCairo(nullptr);
		if(alpha_surface) {
			cairo_destroy(alpha.GetCairo());
			cairo_surface_destroy(alpha_surface);
			alpha.SetCairo(nullptr);
		}
	}
}

SystemDraw& ImageDraw::Alpha()
{
	if(!alpha_surface) {
		alpha_surface = sSurface(size);
		alpha.SetCairo(cairo_create(alpha_surface));
	}
	return alpha;
}

Image ImageDraw::GetImage()
{
	FlushText();
	if(alpha_surface)
		alpha.FlushText();
	ImageBuffer ib;
	if(size.cx <= 0 || size.cy <= 0 || (alpha_surface && sSurfaceSize(alpha_surface) != size) || !ib.Create(size))
		return Image();
	cairo_surface_flush(surface);
	const byte* data = cairo_image_surface_get_data(surface);
	int stride = cairo_image_surface_get_stride(surface);
	const byte* adata = nullptr;
	int astride = 0;
	if(alpha_surface) {
		cairo_surface_flush(alpha_surface);
		adata = cairo_image_surface_get_data(alpha_surface);
		astride = cairo_image_surface_get_stride(alpha_surface);
	}
	for(int y = 0; y < size.cy; y++) {
		RGBA* t = ib[y];
		memcpy(t, data + int64(y) * stride, size_t(size.cx) * sizeof(RGBA));
		if(adata) {
			const byte* a = adata + int64(y) * astride + 2; // the red byte of b, g, r, a
			for(int x = 0; x < size.cx; x++)
				t[x].a = a[4 * x];
		}
		else
			for(int x = 0; x < size.cx; x++)
				t[x].a = 255;
	}
	ib.SetKind(adata ? IMAGE_ALPHA : IMAGE_OPAQUE);
	Premultiply(ib);
	return Image(ib);
}

Draw* CreateImageDraw(Size sz)
{
	return new ImageDraw(sz);
}

Image ExtractImageDraw(Draw& w)
{
	ImageDraw* d = dynamic_cast<ImageDraw*>(&w);
	return d ? d->GetImage() : Image();
}

} // namespace Qel
