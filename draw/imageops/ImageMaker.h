// Derived images made once and kept in the process-wide value cache: an ImageMaker names an
// image by a key and makes it on a miss. A cached image costs its pixel count (plus 64), so the
// cache's size limit bounds the pixel memory it keeps.
#pragma once

#include <draw/image/Image.h>

namespace Qel {

class ImageMaker {
public:
	// Tells this image apart from others made by the same maker class.
	virtual String Key() const = 0;
	virtual Image  Make() const = 0;
	virtual ~ImageMaker() {}
};

// The maker's image, from the cache or made now. A paint-only image may later give up its
// pixels (FreePaintOnlyPixels) and is cached apart from the ordinary one.
Image MakeImage(const ImageMaker& m, bool paintonly);
inline Image MakeImage(const ImageMaker& m)          { return MakeImage(m, false); }
inline Image MakeImagePaintOnly(const ImageMaker& m) { return MakeImage(m, true); }

class SimpleImageMaker : public ImageMaker {
	Image image;
	Image (*make)(const Image&);

public:
	String Key() const override;
	Image  Make() const override;

	SimpleImageMaker(const Image& img, Image (*fn)(const Image&)) : image(img), make(fn) {}
};

// fn(img), made once per image (by serial id) and function.
Image MakeImage(const Image& img, Image (*fn)(const Image&));

// Minify through the cache; parallel does not change the result, so it is not in the key.
Image MinifyCached(const Image& img, int nx, int ny, bool parallel = false);
// r of img rescaled to sz, through the cache; a Null kernel (the int Null, the default) gives the plain Rescale, else
// RescaleFilter with that kernel number. Spots are mapped into the new size. img itself when
// nothing changes.
Image CachedRescale(const Image& img, Size sz, const Rect& r, int kernel = INT_NULL);
Image CachedRescale(const Image& img, Size sz, int kernel = INT_NULL);
// Colorize through the cache.
Image CachedColorize(const Image& img, Color color);

// The GUI backend holds its own copy of a paint-only image: free its pixels when nobody but the
// cache and the caller holds it. Cache entries are re-costed to match.
void FreePaintOnlyPixels(Image& img);
// The backend dropped its copy: remove cache entries of this image (by serial id) when it has no
// pixels left, so that the next request makes it again.
void EvictImageFromCache(const Image& img);

namespace detail {
// What an image costs in the cache: its pixel count (0 when its pixels are gone) plus 64,
// at most INT_MAX.
int ImageCacheCost(const Image& img);
} // namespace detail

} // namespace Qel
