// The process-wide cache of made Values: MakeValue returns the Value that a maker of the same
// class made for the same key, or makes it. The cache keeps its total size and entry count
// below limits taken from the machine's available memory, dropping least recently used entries.
#pragma once

#include "LRUCache.h"
#include <Core/thread/Thread.h>
#include "Value.h"

namespace Qel {

using ValueMaker = LRUCache<Value, String>::Maker;

// The cached Value for the maker's key, made (with the cache unlocked) when missing.
Value MakeValue(const ValueMaker& m);
// The same; cost becomes the size the cache records for the entry (made cost + overhead).
Value MakeValue(const ValueMaker& m, int& cost);

// The cache itself, for walks over its entries; hold ValueCacheMutex() while touching it.
LRUCache<Value, String>& GetValueCache();
StaticMutex&             ValueCacheMutex();
// False once the cache has been destroyed at exit (MakeValue then makes without caching).
bool IsValueCacheAlive();

// Recomputes the limits from the available memory, then shrinks.
void  AdjustValueCacheLimit();
// Drops least recently used entries until both limits hold.
void  ShrinkValueCache();
int64 GetValueCacheMaxSize();
int   GetValueCacheMaxCount();

namespace detail {

// Sets both limits as given (tests; AdjustValueCacheLimit computes them again).
void SetValueCacheLimits(int64 maxsize, int maxcount);

// The per-thread front of MakeValueTL: a small unlocked cache in front of the shared one.
Value MakeValueTL(const ValueMaker& m);

template <class KeyFn, class MakeFn>
struct LambdaValueMaker : ValueMaker {
	const KeyFn&  key;
	const MakeFn& make;

	LambdaValueMaker(const KeyFn& key, const MakeFn& make) : key(key), make(make) {}
	String Key() const override         { return key(); }
	int    Make(Value& v) const override { return make(v); }
};

} // namespace detail

// Through a cache of the calling thread first (no lock), then MakeValue. key() returns the key
// text; make(Value&) fills the Value and returns its cost. The class of make tells apart
// callers that use the same key text.
template <class KeyFn, class MakeFn>
Value MakeValueTL(const KeyFn& key, const MakeFn& make)
{
	return detail::MakeValueTL(detail::LambdaValueMaker<KeyFn, MakeFn>(key, make));
}

} // namespace Qel
