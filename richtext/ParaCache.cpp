#include "detail/ParaCache.h"

namespace Qel::detail {

namespace {

constexpr int   CACHE_OLDER = 64;     // entries kept besides the newest
constexpr int64 CACHE_SIZE  = 10000;  // positions the older entries may hold together

struct sEntry {
	Array<RichPara::Part> part;
	RichPara::Format      format;
};

struct sSlot {
	int64   cacheid;
	int64   length;
	sEntry* entry;
};

bool sClosed = false; // past exit-time destruction: paragraphs destroyed later are not parked

// Newest first. Entries are destroyed outside the lock.
Vector<sSlot>& sCache();

struct sCacheOwner { // frees the entries at exit
	~sCacheOwner()
	{
		Mutex::Lock __(RichParaCacheMutex());
		for(sSlot& s : sCache())
			delete s.entry;
		sCache().Clear();
		sClosed = true;
	}
};

Vector<sSlot>& sCache()
{
	static Vector<sSlot> cache;
	static sCacheOwner owner; // made after the list, so it runs before the list is destroyed
	return cache;
}

} // namespace

Mutex& RichParaCacheMutex()
{
	static StaticMutex m;
	return m;
}

bool TakeFromParaCache(RichPara& p)
{
	sEntry* e = nullptr;
	{
		Mutex::Lock __(RichParaCacheMutex());
		if(sClosed)
			return false;
		Vector<sSlot>& cache = sCache();
		for(int i = 0; i < cache.GetCount(); i++)
			if(cache[i].cacheid == p.cacheid) {
				e = cache[i].entry;
				cache.Remove(i);
				break;
			}
	}
	if(!e)
		return false;
	p.part = std::move(e->part);
	p.format = std::move(e->format);
	p.incache = false;
	delete e;
	return true;
}

void PutToParaCache(RichPara& p)
{
	sEntry* e = new sEntry{std::move(p.part), std::move(p.format)};
	int64 length = 0;
	for(const RichPara::Part& q : e->part)
		length += q.GetLength();
	p.incache = true;
	Vector<sEntry*> dropped;
	{
		Mutex::Lock __(RichParaCacheMutex());
		if(sClosed) {
			p.part = std::move(e->part);
			delete e;
			return;
		}
		Vector<sSlot>& cache = sCache();
		cache.Insert(0, sSlot{p.cacheid, length, e});
		int64 sum = 0;
		for(int i = 1; i < cache.GetCount(); i++) {
			sum += cache[i].length;
			if(i > CACHE_OLDER || sum > CACHE_SIZE) {
				for(int j = i; j < cache.GetCount(); j++)
					dropped.Add(cache[j].entry);
				cache.Trim(i);
				break;
			}
		}
	}
	for(sEntry* d : dropped)
		delete d;
}

} // namespace Qel::detail
