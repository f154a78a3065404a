#include "ValueCache.h"

#include <climits>
#include <unistd.h>

namespace Qel {

namespace {

constexpr int   ENTRY_OVERHEAD = 132;
constexpr int   MIN_MAX_COUNT = 20000;
// The per-thread front of MakeValueTL stays small: it only saves the shared lock on repeats.
constexpr int   THREAD_MAX_COUNT = 1000;
constexpr int64 THREAD_MAX_SIZE = 131072;

StaticMutex sMutex;
bool        sDestroyed;
bool        sAdjusting;
int64       sMaxSize; // 0 until first computed
int         sMaxCount = MIN_MAX_COUNT;

struct sValueCache {
	LRUCache<Value, String> cache{ENTRY_OVERHEAD};

	~sValueCache()
	{
		Mutex::Lock lock(sMutex);
		sDestroyed = true;
		cache.Clear();
	}
};

LRUCache<Value, String>& sCache()
{
	static sValueCache c;
	return c.cache;
}

void sShrink()
{
	if(sMaxSize == 0 && !sAdjusting) {
		sAdjusting = true;
		AdjustValueCacheLimit();
		sAdjusting = false;
	}
	if(!sDestroyed)
		sCache().Shrink(sMaxSize, sMaxCount);
}

Value sMakeValue(const ValueMaker& m, const String& key, int& cost)
{
	const std::type_info& type = typeid(m);
	{
		Mutex::Lock lock(sMutex);
		if(!sDestroyed) {
			int64 c;
			if(Value* v = sCache().Find(key, type, &c)) {
				Value r = *v;
				cost = int(min<int64>(c, INT_MAX));
				sShrink();
				return r;
			}
		}
	}
	// Unlocked while making: a maker may take long, and may use the cache itself.
	Value* v = new Value;
	int made;
	try {
		made = m.Make(*v);
	}
	catch(...) {
		delete v;
		throw;
	}
	cost = int(min<int64>(int64(made) + ENTRY_OVERHEAD, INT_MAX));
	Mutex::Lock lock(sMutex);
	if(sDestroyed) {
		Value r = std::move(*v);
		delete v;
		return r;
	}
	Value r = sCache().Add(key, type, v, made);
	sShrink();
	return r;
}

} // namespace

Value MakeValue(const ValueMaker& m, int& cost)
{
	return sMakeValue(m, m.Key(), cost);
}

Value MakeValue(const ValueMaker& m)
{
	int cost;
	return sMakeValue(m, m.Key(), cost);
}

LRUCache<Value, String>& GetValueCache()
{
	Mutex::Lock lock(sMutex);
	return sCache();
}

StaticMutex& ValueCacheMutex()
{
	return sMutex;
}

bool IsValueCacheAlive()
{
	Mutex::Lock lock(sMutex);
	return !sDestroyed;
}

void AdjustValueCacheLimit()
{
	Mutex::Lock lock(sMutex);
	long pages = sysconf(_SC_AVPHYS_PAGES);
	int64 avail = pages > 0 ? int64(getpagesize()) * pages : 0;
	int64 maxsize = avail / 1024;
	sMaxSize = maxsize > 0 ? maxsize : 16384;
	int64 maxcount = sMaxSize / 200;
	sMaxCount = maxcount > MIN_MAX_COUNT ? int(min<int64>(maxcount, INT_MAX)) : MIN_MAX_COUNT;
	sShrink();
}

void ShrinkValueCache()
{
	Mutex::Lock lock(sMutex);
	sShrink();
}

int64 GetValueCacheMaxSize()
{
	Mutex::Lock lock(sMutex);
	if(sMaxSize == 0)
		AdjustValueCacheLimit();
	return sMaxSize;
}

int GetValueCacheMaxCount()
{
	Mutex::Lock lock(sMutex);
	if(sMaxSize == 0)
		AdjustValueCacheLimit();
	return sMaxCount;
}

void detail::SetValueCacheLimits(int64 maxsize, int maxcount)
{
	Mutex::Lock lock(sMutex);
	sMaxSize = max<int64>(maxsize, 1);
	sMaxCount = max(maxcount, 0);
	sShrink();
}

Value detail::MakeValueTL(const ValueMaker& m)
{
	thread_local LRUCache<Value, String> cache(ENTRY_OVERHEAD);
	String key = m.Key();
	Value r = cache.Get(key, typeid(m), [&](Value& v) {
		int cost;
		v = sMakeValue(m, key, cost);
		return cost;
	});
	cache.Shrink(THREAD_MAX_SIZE, THREAD_MAX_COUNT);
	return r;
}

} // namespace Qel
