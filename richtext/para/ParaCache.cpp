#include <richtext/para/detail/ParaCache.h>

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

// Two objects of a type whose members all move as raw bytes swap as raw bytes: the cache
// hands formats over without moving them member by member.
template <class T>
void sSwapRaw(T& a, T& b)
{
	static_assert(IsRelocatable<T> && IsRelocatable<String> && IsRelocatable<WString> &&
	              IsRelocatable<RichPara::TabList>);
	alignas(T) byte t[sizeof(T)];
	memcpy(t, (void*)&a, sizeof(T));
	memcpy((void*)&a, (void*)&b, sizeof(T));
	memcpy((void*)&b, t, sizeof(T));
}

bool sClosed = false; // past exit: paragraphs destroyed later are not parked

// Newest first, in a ring, so that parking a paragraph and taking back the oldest one move no
// other slot. older is the summed length of every slot but the newest, so trimming drops
// entries from the old end without walking the list.
struct sCacheList {
	static constexpr int RING = 128; // more than the 65 entries kept, and a power of two

	sSlot   ring[RING];
	int     head = 0;
	int     count = 0;
	int64   older = 0;
	sEntry* spare = nullptr; // the emptied entry of the last hit, for the next parking

	sSlot& operator[](int i) { return ring[(head + i) & (RING - 1)]; }

	void AddNewest(const sSlot& s)
	{
		head = (head - 1) & (RING - 1);
		ring[head] = s;
		if(++count > 1)
			older += (*this)[1].length;
	}
	// Slot i leaves; the shorter side of the ring closes the gap.
	void Remove(int i)
	{
		older -= i ? (*this)[i].length : count > 1 ? (*this)[1].length : 0;
		if(i < count / 2) {
			for(int j = i; j > 0; j--)
				(*this)[j] = (*this)[j - 1];
			head = (head + 1) & (RING - 1);
		}
		else
			for(int j = i; j < count - 1; j++)
				(*this)[j] = (*this)[j + 1];
		count--;
	}

	~sCacheList()
	{
		Mutex::Lock lock(RichParaCacheMutex());
		for(int i = 0; i < count; i++)
			delete (*this)[i].entry;
		count = 0;
		delete spare;
		spare = nullptr;
		sClosed = true;
	}
};

sCacheList& sCache()
{
	static sCacheList cache;
	return cache;
}

} // namespace

Mutex& RichParaCacheMutex()
{
	static StaticMutex m;
	return m;
}

// Parts and format move under the lock (that is cheap); what the cache drops is destroyed
// outside it.
bool TakeFromParaCache(RichPara& p)
{
	Mutex::Lock lock(RichParaCacheMutex());
	if(sClosed)
		return false;
	sCacheList& c = sCache();
	for(int i = 0; i < c.count; i++)
		if(c[i].cacheid == p.cacheid) {
			sEntry* e = c[i].entry;
			p.unpacked_length = c[i].length;
			c.Remove(i);
			p.part.Clear();
			p.part.Swap(e->part);
			sSwapRaw(p.format, e->format); // e keeps p's old format until it is reused
			p.incache = false;
			if(c.spare)
				delete e; // holds only p's old format
			else
				c.spare = e;
			return true;
		}
	return false;
}

void PutToParaCache(RichPara& p)
{
	int64 length = p.unpacked_length;
	if(length < 0) {
		length = 0;
		for(const RichPara::Part& q : p.part)
			length += q.GetLength();
	}
	p.incache = true;
	sEntry* dropped[sCacheList::RING];
	int ndropped = 0;
	{
		Mutex::Lock lock(RichParaCacheMutex());
		if(sClosed)
			return;
		sCacheList& c = sCache();
		sEntry* e = c.spare ? c.spare : new sEntry;
		c.spare = nullptr;
		e->part.Clear();
		e->part.Swap(p.part);
		sSwapRaw(e->format, p.format); // p takes the spare's old format, to destroy
		c.AddNewest(sSlot{p.cacheid, length, e});
		// The older entries stay while there are at most 64 of them and their lengths sum to
		// at most 10,000: dropping from the old end keeps the longest such prefix.
		while(c.count - 1 > CACHE_OLDER || c.older > CACHE_SIZE) {
			const sSlot& last = c[c.count - 1];
			dropped[ndropped++] = last.entry;
			c.older -= last.length;
			c.count--;
		}
	}
	for(int i = 0; i < ndropped; i++)
		delete dropped[i];
}

} // namespace Qel::detail
