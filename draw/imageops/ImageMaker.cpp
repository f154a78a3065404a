#include "ImageMaker.h"

#include "ImageOp.h"
#include "ImageScale.h"
#include <draw/image/DisplayMode.h>
#include "Rescale.h"
#include "RescaleFilter.h"

#include <Core/value/ValueCache.h>

#include <climits>
#include <typeinfo>

namespace Qel {

namespace {

template <class T>
void sPut(String& k, T x)
{
	k.Cat((const char*)&x, sizeof(x));
}

// The value-cache maker around an ImageMaker: every image maker class shares it, so the
// key carries the wrapped class's name, the paint-only and dark-theme flags.
struct scImageMaker : ValueMaker {
	const ImageMaker& m;
	bool              paintonly;

	String Key() const override
	{
		const char* name = typeid(m).name();
		if(*name == '*')
			name++;
		String k = name;
		k.Cat(char(paintonly));
		k.Cat(char(IsDarkTheme()));
		k.Cat(m.Key());
		return k;
	}

	int Make(Value& v) const override
	{
		Image img = m.Make();
		// Only a record nobody else sees may be marked: others would lose pixels they read.
		if(paintonly && !img.IsEmpty() && img.GetRefCount() == 1)
			const_cast<Image::Data*>(img.GetData())->paintOnly = true;
		v = img;
		return detail::ImageCacheCost(img);
	}

	scImageMaker(const ImageMaker& m, bool paintonly) : m(m), paintonly(paintonly) {}
};

// Image records leave the cache only under its lock, because FreePaintOnlyPixels counts their
// holders there. A hit takes the lock once.
bool sFindCached(const scImageMaker& m, Image& img)
{
	String key = m.Key();
	Mutex::Lock lock(ValueCacheMutex());
	if(!IsValueCacheAlive())
		return false;
	const Value* v = GetValueCache().Find(key, typeid(m));
	if(v)
		img = *v;
	return v;
}

} // namespace

int detail::ImageCacheCost(const Image& img)
{
	return int(min<int64>(img.GetLength() + 64, INT_MAX));
}

Image MakeImage(const ImageMaker& m, bool paintonly)
{
	scImageMaker sm(m, paintonly);
	Image img;
	if(sFindCached(sm, img))
		return img;
	Value v = MakeValue(sm); // not under the lock while making
	Mutex::Lock lock(ValueCacheMutex());
	img = v;
	v = Value();
	return img;
}

String SimpleImageMaker::Key() const
{
	String k;
	sPut(k, image.GetSerialId());
	sPut(k, uint64(uintptr_t(make)));
	return k;
}

Image SimpleImageMaker::Make() const
{
	return make(image);
}

Image MakeImage(const Image& img, Image (*fn)(const Image&))
{
	return MakeImage(SimpleImageMaker(img, fn));
}

namespace {

struct MinifyImageMaker : ImageMaker {
	Image image;
	int   nx, ny;
	bool  parallel;

	String Key() const override
	{
		String k;
		sPut(k, image.GetSerialId());
		sPut(k, nx);
		sPut(k, ny);
		return k;
	}

	Image Make() const override { return Minify(image, nx, ny, parallel); }

	MinifyImageMaker(const Image& img, int nx, int ny, bool parallel)
		: image(img), nx(nx), ny(ny), parallel(parallel) {}
};

struct sCachedRescale : ImageMaker {
	Size  size;
	Rect  src;
	Image image;
	int   kernel;

	String Key() const override
	{
		String k;
		for(int x : { size.cx, size.cy, src.left, src.top, src.right, src.bottom })
			sPut(k, x);
		sPut(k, image.GetSerialId());
		sPut(k, kernel);
		return k;
	}

	Image Make() const override
	{
		Image m = IsNull(kernel) ? Rescale(image, size, src) : RescaleFilter(image, size, src, kernel);
		if(m.IsEmpty())
			return m;
		int64 w = src.right - src.left, h = src.bottom - src.top;
		auto map = [&](Point p) {
			return Point(w ? int((p.x - src.left) * int64(size.cx) / w) : 0,
			             h ? int((p.y - src.top) * int64(size.cy) / h) : 0);
		};
		Point hot = map(image.GetHotSpot()), spot2 = map(image.Get2ndSpot());
		if(m.GetHotSpot() != hot || m.Get2ndSpot() != spot2)
			m = WithHotSpots(m, hot, spot2);
		return m;
	}

	sCachedRescale(const Image& img, Size sz, const Rect& r, int kernel)
		: size(sz), src(r), image(img), kernel(kernel) {}
};

struct sColorize : ImageMaker {
	Image image;
	Color color;

	String Key() const override
	{
		String k;
		sPut(k, color.GetRaw());
		sPut(k, image.GetSerialId());
		return k;
	}

	Image Make() const override { return Colorize(image, color); }

	sColorize(const Image& img, Color c) : image(img), color(c) {}
};

} // namespace

Image MinifyCached(const Image& img, int nx, int ny, bool parallel)
{
	return MakeImage(MinifyImageMaker(img, nx, ny, parallel));
}

Image CachedRescale(const Image& img, Size sz, const Rect& r, int kernel)
{
	if(sz == img.GetSize() && r == Rect(Point(0, 0), img.GetSize()))
		return img;
	return MakeImage(sCachedRescale(img, sz, r, kernel));
}

Image CachedRescale(const Image& img, Size sz, int kernel)
{
	return CachedRescale(img, sz, Rect(Point(0, 0), img.GetSize()), kernel);
}

Image CachedColorize(const Image& img, Color color)
{
	return MakeImage(sColorize(img, color));
}

namespace {

const Image* sCachedImage(const Value& v)
{
	return v.GetType() == IMAGE_V ? &v.To<Image>() : nullptr;
}

} // namespace

void FreePaintOnlyPixels(Image& img)
{
	if(!img.IsPaintOnly() || !img.HasPixels())
		return;
	Mutex::Lock lock(ValueCacheMutex());
	if(!IsValueCacheAlive())
		return;
	LRUCache<Value, String>& cache = GetValueCache();
	// Holders allowed: the caller and, when it still has the image, the cache. Any other holder
	// might be reading the pixels; copies leave the cache only under this lock.
	int holders = 1;
	cache.ForEach([&](const String&, const Value& v) {
		const Image* m = sCachedImage(v);
		if(m && m->IsSame(img))
			holders++;
	});
	if(img.GetRefCount() > holders)
		return;
	detail::FreeImagePixels(img);
	cache.AdjustSize([](const Value& v) -> int64 {
		const Image* m = sCachedImage(v);
		return m ? detail::ImageCacheCost(*m) : -1;
	});
}

void EvictImageFromCache(const Image& img)
{
	if(img.HasPixels())
		return;
	Mutex::Lock lock(ValueCacheMutex());
	if(!IsValueCacheAlive())
		return;
	uint64 serial = img.GetSerialId();
	GetValueCache().Remove([&](const Value& v) {
		const Image* m = sCachedImage(v);
		return m && m->GetSerialId() == serial;
	});
}

} // namespace Qel
