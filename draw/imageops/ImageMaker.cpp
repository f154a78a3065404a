#include "ImageMaker.h"

#include "ImageOp.h"
#include "ImageScale.h"
#include <draw/image/DisplayMode.h>
#include "Rescale.h"
#include "RescaleFilter.h"

#include <Core/value/ValueCache.h>

#include <draw/detail/ImageValueInt.h>

#include <atomic>
#include <climits>
#include <new>
#include <pthread.h>
#include <typeinfo>

namespace Qel {

namespace {

template <class T>
void sPut(String& k, T x)
{
	k.Cat((const char*)&x, sizeof(x));
}

// Made images are asked for on every paint, from many threads. Beside the value cache, which
// owns them, an index by (maker class, flags, maker key) serves those requests: split in shards
// with a lock each, it finds an image without the value cache's mutex, without building the
// cache's key and with one reference count added for the copy it returns. Each cached image
// Value tells the index when the cache has let go of it, and the index forgets the image.
// Images found through the index are marked, and the marks passed on to the value cache's
// recency order on the next miss, so that the cache does not take them for unused.

// Held for a lookup or an update of one shard: a handful of instructions. A plain mutex: under
// contention a waiting thread sleeps rather than spin against the holder.
struct sLock {
	pthread_mutex_t m = PTHREAD_MUTEX_INITIALIZER;

	void Enter() { pthread_mutex_lock(&m); }
	void Leave() { pthread_mutex_unlock(&m); }
};

struct sMadeKey {
	using Relocatable = void;
	const std::type_info* type;
	int                   flags; // paint-only 1, dark theme 2
	String                key;   // the maker's
	qword                 hash;

	bool  operator==(const sMadeKey& b) const { return type == b.type && flags == b.flags && key == b.key; }
	qword GetHashValue() const                { return hash; }

	sMadeKey(const ImageMaker& m, bool paintonly)
		: type(&typeid(m)), flags(paintonly | IsDarkTheme() << 1), key(m.Key())
	{
		hash = CombineHash(Qel::GetHashValue(key), qword(uintptr_t(type))).Put(flags);
	}
};

struct sMadeItem {
	using Relocatable = void;
	Image  image;
	String cachekey; // the value cache's key, to refresh the entry's recency
	uint32 stamp = 0;
	bool   hot = false;
};

constexpr int MADE_SHARDS = 32; // FreePaintOnlyPixels holds them all at once, with the cache mutex

struct alignas(64) sMadeShard {
	sLock             lock;
	Index<sMadeKey>   key;
	Vector<sMadeItem> item;
	Vector<uint64>    hot; // tags of items found since the last miss
};

struct sMadeIndex {
	sMadeShard         shard[MADE_SHARDS];
	std::atomic<uint32> stamp{0};
	std::atomic<bool>   anyhot{false};
};

// Never destroyed: the value cache, torn down at exit, still reports to it.
sMadeIndex& sMade()
{
	alignas(sMadeIndex) static unsigned char buffer[sizeof(sMadeIndex)];
	static sMadeIndex* index = new(buffer) sMadeIndex;
	return *index;
}

int sShardOf(qword hash)
{
	return int(hash >> 58) & (MADE_SHARDS - 1);
}

// An item's tag: its stamp, shard and slot; the stamp tells a reused slot apart.
uint64 sTag(uint32 stamp, int shard, int slot)
{
	return stamp | uint64(shard) << 32 | uint64(slot) << 40;
}

sMadeItem* sTagged(sMadeShard& s, uint64 tag)
{
	int slot = int(tag >> 40);
	if(slot >= s.item.GetCount() || s.key.IsUnlinked(slot) || s.item[slot].stamp != uint32(tag))
		return nullptr;
	return &s.item[slot];
}

// The value cache let go of an image Value.
void sMadeEnded(uint64 tag)
{
	sMadeShard& s = sMade().shard[(tag >> 32) & (MADE_SHARDS - 1)];
	Image gone;
	s.lock.Enter();
	if(sMadeItem* m = sTagged(s, tag)) {
		gone = std::move(m->image);
		m->cachekey.Clear();
		s.key.Unlink(int(tag >> 40));
	}
	s.lock.Leave();
}

bool sFindMade(const sMadeKey& k, Image& img)
{
	sMadeIndex& x = sMade();
	int si = sShardOf(k.hash);
	sMadeShard& s = x.shard[si];
	s.lock.Enter();
	int i = s.key.Find(k);
	if(i >= 0) {
		sMadeItem& m = s.item[i];
		img = m.image;
		if(!m.hot) {
			m.hot = true;
			s.hot.Add(sTag(m.stamp, si, i));
			x.anyhot.store(true, std::memory_order_relaxed);
		}
	}
	s.lock.Leave();
	return i >= 0;
}

// Registers a made image; the tag goes into the Value the cache keeps.
uint64 sAddMade(const sMadeKey& k, const Image& img, const String& cachekey)
{
	sMadeIndex& x = sMade();
	int si = sShardOf(k.hash);
	sMadeShard& s = x.shard[si];
	uint32 stamp = x.stamp.fetch_add(1, std::memory_order_relaxed);
	s.lock.Enter();
	int i = s.key.Put(k);
	if(i >= s.item.GetCount())
		s.item.SetCount(i + 1);
	sMadeItem& m = s.item[i];
	m.image = img;
	m.cachekey = cachekey;
	m.stamp = stamp;
	m.hot = false;
	s.lock.Leave();
	return sTag(stamp, si, i);
}

// The value-cache maker around an ImageMaker: every image maker class shares it, so the
// key carries the wrapped class's name, the paint-only and dark-theme flags.
struct scImageMaker : ValueMaker {
	const ImageMaker& m;
	const sMadeKey&   made;

	String Key() const override
	{
		const char* name = typeid(m).name();
		if(*name == '*')
			name++;
		String k = name;
		k.Cat(char(made.flags & 1));
		k.Cat(char(made.flags >> 1));
		k.Cat(made.key);
		return k;
	}

	int Make(Value& v) const override
	{
		Image img = m.Make();
		// Only a record nobody else sees may be marked: others would lose pixels they read.
		if((made.flags & 1) && !img.IsEmpty() && img.GetRefCount() == 1)
			const_cast<Image::Data*>(img.GetData())->paintOnly = true;
		v = detail::WatchedImageValue(img, sMadeEnded, sAddMade(made, img, Key()));
		return detail::ImageCacheCost(img);
	}

	scImageMaker(const ImageMaker& m, const sMadeKey& made) : m(m), made(made) {}
};

// Images found through the index since the last miss become recent in the value cache.
void sRefreshHot()
{
	sMadeIndex& x = sMade();
	if(!x.anyhot.exchange(false, std::memory_order_relaxed))
		return;
	Vector<String> keys;
	for(sMadeShard& s : x.shard) {
		s.lock.Enter();
		for(uint64 tag : s.hot)
			if(sMadeItem* m = sTagged(s, tag)) {
				m->hot = false;
				keys.Add(m->cachekey);
			}
		s.hot.Clear();
		s.lock.Leave();
	}
	Mutex::Lock lock(ValueCacheMutex());
	if(!IsValueCacheAlive())
		return;
	LRUCache<Value, String>& cache = GetValueCache();
	for(const String& k : keys)
		cache.Find(k, typeid(scImageMaker));
}

// Image records leave the cache only under its lock, because FreePaintOnlyPixels counts their
// holders there.
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
	sMadeKey k(m, paintonly);
	Image img;
	if(sFindMade(k, img))
		return img;
	sRefreshHot();
	scImageMaker sm(m, k);
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
	// Holders allowed: the caller and, when they still have the image, the cache and the index
	// of made images. Any other holder might be reading the pixels; copies leave the cache only
	// under this lock, and the index only under its shards' locks.
	int holders = 1;
	cache.ForEach([&](const String&, const Value& v) {
		const Image* m = sCachedImage(v);
		if(m && m->IsSame(img))
			holders++;
	});
	sMadeIndex& x = sMade();
	for(sMadeShard& s : x.shard) {
		s.lock.Enter();
		for(int i = 0; i < s.item.GetCount(); i++)
			if(!s.key.IsUnlinked(i) && s.item[i].image.IsSame(img))
				holders++;
	}
	bool free = img.GetRefCount() <= holders;
	if(free)
		detail::FreeImagePixels(img);
	for(sMadeShard& s : x.shard)
		s.lock.Leave();
	if(!free)
		return;
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
	// The index forgets the image with its last cached Value, which a thread finishing a request
	// may still hold for a moment: the next request must not find it there.
	Vector<Image> gone;
	for(sMadeShard& s : sMade().shard) {
		s.lock.Enter();
		for(int i = 0; i < s.item.GetCount(); i++)
			if(!s.key.IsUnlinked(i) && s.item[i].image.GetSerialId() == serial && !s.item[i].image.IsEmpty()) {
				gone.Add(std::move(s.item[i].image));
				s.item[i].cachekey.Clear();
				s.key.Unlink(i);
			}
		s.lock.Leave();
	}
}

} // namespace Qel
