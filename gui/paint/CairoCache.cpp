// The cairo scaled-font and image-surface caches, and images copied into cairo surfaces.
#include "SystemDraw.h"
#include <gui/ctrl/Ctrl.h>
#include <gui/paint/detail/CairoCache.h>

#include <cairo-ft.h>
#include <fontconfig/fontconfig.h>

#include <cmath>

namespace Qel {

cairo_surface_t* ImageToCairoSurface(const Image& img, cairo_surface_t* similar)
{
	Size sz = img.GetSize();
	cairo_surface_t* s = similar ? cairo_surface_create_similar_image(similar, CAIRO_FORMAT_ARGB32, sz.cx, sz.cy)
	                             : cairo_image_surface_create(CAIRO_FORMAT_ARGB32, sz.cx, sz.cy);
	if(cairo_surface_status(s) != CAIRO_STATUS_SUCCESS)
		return s;
	cairo_surface_flush(s);
	byte* data = cairo_image_surface_get_data(s);
	int stride = cairo_image_surface_get_stride(s);
	// ARGB32 in memory is b, g, r, a: the premultiplied RGBA rows copy as they are
	if(data && img.HasPixels())
		for(int y = 0; y < sz.cy; y++)
			memcpy(data + int64(y) * stride, img[y], size_t(sz.cx) * sizeof(RGBA));
	cairo_surface_mark_dirty(s);
	return s;
}

namespace detail {

// Fonts -------------------------------------------------------------------------------------------

FontSysData::~FontSysData()
{
	if(scaled_font)
		cairo_scaled_font_destroy(scaled_font);
}

int FontDataSysMaker::Make(FontSysData& object) const
{
	Font f = font;
	f.ResolveStd();
	bool italic_face;
	FcPattern* pattern = MatchFontPattern(f, &italic_face);
	if(!pattern)
		return 1;
	cairo_font_face_t* face = cairo_ft_font_face_create_for_pattern(pattern);
	FcPatternDestroy(pattern);
	// the size the face was matched for: a zero height would make a singular matrix, a
	// negative one would turn the glyphs upside down
	int h = abs(f.GetHeight());
	if(h == 0)
		h = 10;
	cairo_matrix_t font_matrix, device_matrix;
	cairo_matrix_init_scale(&font_matrix, h, h);
	cairo_matrix_init_identity(&device_matrix);
	if(angle)
		cairo_matrix_rotate(&font_matrix, -angle * M_PI / 1800);
	if(f.IsItalic() && !italic_face) { // a face without an italic: slant the upright one
		cairo_matrix_t shear;
		cairo_matrix_init(&shear, 1, 0, -0.165, 1, 0, 0);
		cairo_matrix_multiply(&font_matrix, &shear, &font_matrix);
	}
	cairo_font_options_t* options = cairo_font_options_create();
	cairo_scaled_font_t* sf = cairo_scaled_font_create(face, &font_matrix, &device_matrix, options);
	cairo_font_options_destroy(options);
	cairo_font_face_destroy(face);
	if(cairo_scaled_font_status(sf) != CAIRO_STATUS_SUCCESS) { // never set on a context
		cairo_scaled_font_destroy(sf);
		sf = nullptr;
	}
	object.scaled_font = sf;
	return 1;
}

LRUCache<FontSysData, FontSysKey>& CairoFontCache()
{
	static LRUCache<FontSysData, FontSysKey> cache(FONT_ENTRY_OVERHEAD);
	return cache;
}

cairo_scaled_font_t* GetCairoFont(Font font, int angle)
{
	GuiLock lock;
	FontDataSysMaker m;
	m.font = font;
	m.angle = angle;
	return CairoFontCache().Get(m).scaled_font;
}

void TrimCairoFontCache()
{
	GuiLock lock;
	LRUCache<FontSysData, FontSysKey>& cache = CairoFontCache();
	while(cache.GetCount() > FONT_CACHE_MAX)
		cache.RemoveOldest();
}

// Images ------------------------------------------------------------------------------------------

namespace {

int   sPixelCounter;
int64 sBudget;

} // namespace

ImageSysData::~ImageSysData()
{
	EvictImageFromCache(image);
	if(surface)
		cairo_surface_destroy(surface);
}

int ImageSysDataMaker::Make(ImageSysData& object) const
{
	object.image = image;
	object.surface = ImageToCairoSurface(image, similar);
	if(cairo_surface_status(object.surface) == CAIRO_STATUS_SUCCESS)
		FreePaintOnlyPixels(object.image);
	return int(min(int64(image.GetWidth()) * image.GetHeight(), int64(INT_MAX)));
}

LRUCache<ImageSysData, int64>& CairoImageCache()
{
	static LRUCache<ImageSysData, int64> cache(IMAGE_ENTRY_OVERHEAD);
	return cache;
}

int SweepCairoImageCache()
{
	GuiLock lock;
	return CairoImageCache().Remove([](const ImageSysData& d) { return d.image.GetRefCount() == 1; });
}

cairo_surface_t* GetCairoImageSurface(const Image& img, cairo_surface_t* target)
{
	GuiLock lock;
	Size sz = img.GetSize();
	sPixelCounter = (int)min(int64(sPixelCounter) + int64(sz.cx) * sz.cy, int64(INT_MAX));
	if(sPixelCounter > IMAGE_SWEEP_PIXELS) {
		sPixelCounter = 0;
		SweepCairoImageCache();
	}
	if(sz.cx > CAIRO_MAX_SIDE || sz.cy > CAIRO_MAX_SIDE)
		return nullptr;
	LRUCache<ImageSysData, int64>& cache = CairoImageCache();
	ImageSysDataMaker m(img, target);
	int64 key = m.Key();
	if(ImageSysData* d = cache.Find(key, typeid(m)))
		return d->surface;
	if(!img.HasPixels()) // a paint-only image whose pixels went with an earlier surface
		return nullptr;
	// made here rather than through Get, so that a surface cairo failed to make is not kept
	ImageSysData* d = new ImageSysData;
	int cost = m.Make(*d);
	if(cairo_surface_status(d->surface) != CAIRO_STATUS_SUCCESS) {
		delete d;
		return nullptr;
	}
	return cache.Add(key, typeid(m), d, cost).surface;
}

int64 CairoImageCacheBudget()
{
	GuiLock lock;
	if(sBudget == 0) {
		Rect r = Ctrl::GetVirtualScreenArea();
		sBudget = 4 * int64(r.right - r.left) * (r.bottom - r.top);
	}
	return sBudget;
}

void TrimCairoImageCache()
{
	GuiLock lock;
	int64 budget = CairoImageCacheBudget();
	LRUCache<ImageSysData, int64>& cache = CairoImageCache();
	if(budget >= 0 && (cache.GetCount() > IMAGE_CACHE_MAX || cache.GetSize() > budget))
		cache.Shrink(budget, IMAGE_CACHE_MAX);
}

} // namespace detail

} // namespace Qel
