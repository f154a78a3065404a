// The process-wide caches of cairo scaled fonts (by font and angle) and of cairo image surfaces
// (by image serial id). They have no lock of their own: every use is under the GUI lock.
#pragma once

#include <Core/Core.h>
#include <draw/Draw.h>

#include <cairo.h>

namespace Qel::detail {

// What an entry costs on top of what its maker reports.
constexpr int FONT_ENTRY_OVERHEAD  = 132;
constexpr int IMAGE_ENTRY_OVERHEAD = 120;
// The font cache keeps at most this many scaled fonts after each glyph run.
constexpr int FONT_CACHE_MAX       = 128;
// Images drawn (in pixels) between two sweeps of surfaces that only the cache still holds.
constexpr int IMAGE_SWEEP_PIXELS   = 40000;
constexpr int IMAGE_CACHE_MAX      = 1000;
// The largest side of a cairo image surface.
constexpr int CAIRO_MAX_SIDE       = 32767;

struct FontSysData {
	cairo_scaled_font_t* scaled_font = nullptr; // null when no face was found

	FontSysData() = default;
	FontSysData(const FontSysData&) = delete;
	~FontSysData();
};

struct FontSysKey {
	Font font;
	int  angle = 0;

	bool   operator==(const FontSysKey& b) const { return font == b.font && angle == b.angle; }
	hash_t GetHashValue() const                  { return CombineHash(font.GetHashValue(), angle); }
};

struct FontDataSysMaker : LRUCache<FontSysData, FontSysKey>::Maker {
	Font font;
	int  angle = 0;

	FontSysKey Key() const override { return FontSysKey{font, angle}; }
	int        Make(FontSysData& object) const override;
};

struct ImageSysData {
	Image            image;
	cairo_surface_t* surface = nullptr;

	ImageSysData() = default;
	ImageSysData(const ImageSysData&) = delete;
	~ImageSysData();
};

struct ImageSysDataMaker : LRUCache<ImageSysData, int64>::Maker {
	// by reference: a copy held here would keep a paint-only image from giving up its pixels
	const Image&     image;
	cairo_surface_t* similar = nullptr;

	int64 Key() const override { return (int64)image.GetSerialId(); }
	// Leaves object.surface in an error state when cairo could not make it; the image keeps
	// its pixels then.
	int   Make(ImageSysData& object) const override;

	ImageSysDataMaker(const Image& image, cairo_surface_t* similar) : image(image), similar(similar) {}
};

LRUCache<FontSysData, FontSysKey>& CairoFontCache();
LRUCache<ImageSysData, int64>&     CairoImageCache();

// The scaled font for (font, angle), made on first use; null when none could be made. It stays
// valid until the font cache is trimmed.
cairo_scaled_font_t* GetCairoFont(Font font, int angle);
void                 TrimCairoFontCache();

// The image's surface from the cache (made similar to target on a miss), after the pixel
// counter's sweep; null when cairo cannot hold it (then nothing is cached).
cairo_surface_t* GetCairoImageSurface(const Image& img, cairo_surface_t* target);
// Keeps the cache within its count and the byte budget (4 bytes per pixel of the virtual
// screen, learned on first use).
void             TrimCairoImageCache();
// Drops every surface whose image nothing but the cache holds; returns how many.
int              SweepCairoImageCache();
int64            CairoImageCacheBudget();

} // namespace Qel::detail
