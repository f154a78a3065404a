// The large-block tier (993..65,264 bytes in 256-byte units from 64 KB chunks of a thread heap)
// and big blocks (whole page runs, under the heap lock).
#include <Core/detail/HeapPrivate.h>
#include <Core/base/Panic.h>

#ifndef QEL_SYSTEM_HEAP

namespace Qel {

using namespace detail;

namespace {

constexpr uint8 BinBound[LargeBinCount] = {
	0, 4, 5, 6, 7, 8, 9, 11, 13, 15, 18, 22, 27, 33, 40, 49, 60, 73, 89, 109, 134, 164, 201, 225, 255,
};

struct BinTables {
	uint8 first[256] = {}; // first bin to search for n units: all its blocks are long enough
	uint8 of[256] = {};    // bin of a free block of n units

	constexpr BinTables()
	{
		for(int n = 0; n < 256; n++) {
			int b = 0;
			while(BinBound[b] < n)
				b++;
			first[n] = (uint8)b;
			b = 0;
			for(int i = 1; i < LargeBinCount; i++)
				if(BinBound[i] <= n)
					b = i;
			of[n] = (uint8)b;
		}
	}
};
constexpr BinTables binTables;

inline LargeHeader* NextBlock(LargeHeader* h)
{
	return (LargeHeader*)((char*)h + h->units * 256);
}

inline LargeHeader* PrevBlock(LargeHeader* h)
{
	return (LargeHeader*)((char*)h - h->prevUnits * 256);
}

inline LargeHeader* FirstBlock(LargeChunk* c)
{
	return (LargeHeader*)((char*)c + LargeChunkHeader);
}

inline void UnlinkBin(LargeHeader* h)
{
	ListUnlink(LinkOf(h));
}

inline Heap* CurrentHeap()
{
	return heapPtr;
}

LargeChunk* ChunkOf(LargeHeader* h)
{
	while(h->prevUnits)
		h = PrevBlock(h);
	return (LargeChunk*)((char*)h - LargeChunkHeader);
}

// A free block absorbs a free right neighbour.
void AbsorbNext(LargeHeader* h)
{
	LargeHeader* n = NextBlock(h);
	UnlinkBin(n);
	h->units += n->units;
	h->last = n->last;
	if(!h->last)
		NextBlock(h)->prevUnits = h->units;
}

void* BigAlloc(size_t& size)
{
	size_t pages = BigPages(size);
	if(pages == 0)
		HeapPanic("Out of memory");
	HeapLock lock;
	BigHeader* b = (BigHeader*)Heap::HugeAlloc(pages);
	ListLinkHead(&bigList, b);
	b->size = pages * PageSize - BigHeaderSize;
	b->heap.store(nullptr, std::memory_order_relaxed);
	pageStats.bigBytes += b->size;
	pageStats.bigCount++;
	size = b->size;
	return (char*)b + BigHeaderSize;
}

// Under the lock.
void BigFree(void* ptr)
{
	BigHeader* b = (BigHeader*)((char*)ptr - BigHeaderSize);
	pageStats.bigBytes -= b->size;
	pageStats.bigCount--;
	ListUnlink(b);
	Heap::HugeFree(b);
}

// Under the lock.
bool BigTryRealloc(void* ptr, size_t& size)
{
	BigHeader* b = (BigHeader*)((char*)ptr - BigHeaderSize);
	size_t pages = BigPages(size);
	if(pages == 0 || !Heap::HugeTryRealloc(b, pages))
		return false;
	size_t usable = pages * PageSize - BigHeaderSize;
	pageStats.bigBytes += usable - b->size;
	b->size = usable;
	size = usable;
	return true;
}

} // namespace

void LargeHeap::InitLarge()
{
	for(LargeLink& b : bins)
		ListInit(b);
	ListInit(chunks);
	freeChunks = 0;
	for(FreeLink*& c : lcache)
		c = nullptr;
	cacheBytes = 0;
	usedBytes = 0;
}

// An eighth of what the thread holds in large blocks, within bounds: a thread that lets go of
// its blocks lets go of the cache too. The shared heap, reached only under the lock by threads
// passing through, keeps none.
int64 LargeHeap::CacheBudget() const
{
	if(this == &sharedHeap)
		return 0;
	return min(max(usedBytes >> 3, LargeCacheMin), LargeCacheMax);
}

void LargeHeap::InsertBin(LargeHeader* h)
{
	ListLinkTail(&bins[binTables.of[h->units]], LinkOf(h));
}

// The rest behind the first units becomes a free block of this heap.
void LargeHeap::Split(LargeHeader* h, size_t units)
{
	if(h->units <= units)
		return;
	LargeHeader* r = (LargeHeader*)((char*)h + units * 256);
	r->prevUnits = (uint16)units;
	r->units = uint16(h->units - units);
	r->free = 1;
	r->last = h->last;
	r->heap.store(static_cast<Heap*>(this), std::memory_order_relaxed);
	if(!r->last)
		NextBlock(r)->prevUnits = r->units;
	InsertBin(r);
	h->units = (uint16)units;
	h->last = 0;
}

// The most recently freed block of the first bin whose blocks all fit, split to size.
LargeHeader* LargeHeap::TakeFromBins(size_t units)
{
	for(int b = binTables.first[units]; b < LargeBinCount; b++) {
		LargeLink* head = &bins[b];
		if(head->prev == head)
			continue;
		LargeHeader* h = LargeOf(head->prev);
		if(h->units == LargeChunkUnits && static_cast<Heap*>(this) != &sharedHeap)
			freeChunks--;
		UnlinkBin(h);
		h->free = 0;
		Split(h, units);
		h->heap.store(static_cast<Heap*>(this), std::memory_order_relaxed);
		return h;
	}
	return nullptr;
}

void LargeHeap::TakeRemoteLarge()
{
	DrainRemote(largeRemote, [this](void* b) { Release(b); });
}

void* LargeHeap::Alloc(size_t& size)
{
	Heap* self = Self();
	if(QEL_UNLIKELY(!self->initialised))
		self->Init();
	size_t units = LargeBlockUnits(size);
	size = units * 256 - 16;
	if(QEL_UNLIKELY(largeRemote.load(std::memory_order_relaxed) != nullptr))
		TakeRemoteLarge();
	usedBytes += units * 256;
	int c = LargeClassOf.of[units];
	if(c < LargeCacheClasses)
		if(FreeLink* b = lcache[c]) {
			lcache[c] = b->next;
			cacheBytes -= units * 256;
			return b;
		}
	HeapBusy changing(self);
	return AllocFromBins(units);
}

void* LargeHeap::AllocFromBins(size_t units)
{
	Heap* self = Self();
	if(LargeHeader* h = TakeFromBins(units))
		return h + 1;
	if(self != &sharedHeap) {
		HeapLock lock;
		sharedHeap.TakeRemoteLarge();
		if(LargeHeader* h = sharedHeap.TakeFromBins(units)) {
			AdoptChunk(ChunkOf(h), self);
			return h + 1;
		}
	}
	LargeChunk* c;
	{
		HeapLock lock;
		c = (LargeChunk*)Heap::HugeAlloc(LargeChunkPages);
	}
	// The chunk's block is whole before the chunk is linked: a walk of the list never meets
	// a header left over from what the pages held before.
	LargeHeader* h = FirstBlock(c);
	h->prevUnits = 0;
	h->units = LargeChunkUnits;
	h->free = 0;
	h->last = 1;
	h->heap.store(self, std::memory_order_relaxed);
	ListLinkHead(&chunks, c);
	Split(h, units);
	return h + 1;
}

// A block of this heap freed by its owner: a block of a cached class waits for the next request
// of that class while the cache has room; anything else merges into the bins.
void LargeHeap::Release(void* ptr)
{
	LargeHeader* h = LargeOf(ptr);
	int64 bytes = h->units * 256;
	usedBytes -= bytes;
	int c = LargeClassOf.of[h->units];
	if(c < LargeCacheClasses && LargeClassUnits[c] == h->units && cacheBytes + bytes <= CacheBudget()) {
		FreeLink* b = (FreeLink*)ptr;
		b->next = lcache[c];
		lcache[c] = b;
		cacheBytes += bytes;
		return;
	}
	HeapBusy changing(Self());
	Free(ptr);
	if(cacheBytes > CacheBudget()) // the thread holds less than it did
		TrimCache();
}

// Largest classes first: they hold the most and are the least likely to be asked for again.
void LargeHeap::TrimCache()
{
	int64 budget = CacheBudget();
	for(int c = LargeCacheClasses - 1; c >= 0 && cacheBytes > budget; c--)
		while(FreeLink* b = lcache[c]) {
			if(cacheBytes <= budget)
				break;
			lcache[c] = b->next;
			cacheBytes -= LargeClassUnits[c] * 256;
			Free(b);
		}
}

void LargeHeap::FlushCache()
{
	for(int c = 0; c < LargeCacheClasses; c++)
		while(FreeLink* b = lcache[c]) {
			lcache[c] = b->next;
			Free(b);
		}
	cacheBytes = 0;
}

// A block growing in place finds its neighbour just freed: looked for near the top of its class
// list (the most recent frees), taken out and put into the bins to be absorbed.
bool LargeHeap::TakeCached(LargeHeader* h)
{
	int c = LargeClassOf.of[h->units];
	if(c >= LargeCacheClasses || LargeClassUnits[c] != h->units)
		return false;
	FreeLink* target = (FreeLink*)(h + 1);
	FreeLink** at = &lcache[c];
	for(int i = 0; *at && i < 8; i++, at = &(*at)->next)
		if(*at == target) {
			*at = target->next;
			cacheBytes -= h->units * 256;
			Free(target);
			return true;
		}
	return false;
}

// A block of this heap, by its owning thread (or any thread for the shared heap, under the lock).
void LargeHeap::Free(void* ptr)
{
	Heap* self = static_cast<Heap*>(this);
	LargeHeader* h = LargeOf(ptr);
	if(!h->last && NextBlock(h)->free)
		AbsorbNext(h);
	if(h->prevUnits && PrevBlock(h)->free) {
		LargeHeader* p = PrevBlock(h);
		UnlinkBin(p);
		p->units += h->units;
		p->last = h->last;
		h = p;
		if(!h->last)
			NextBlock(h)->prevUnits = h->units;
	}
	h->free = 1;
	InsertBin(h);
	if(h->units != LargeChunkUnits)
		return;
	if(self != &sharedHeap && freeChunks < FreeLargeChunksKept) {
		freeChunks++;
		return;
	}
	UnlinkBin(h);
	LargeChunk* c = ChunkOf(h);
	ListUnlink(c);
	HeapLock lock;
	Heap::HugeFree(c);
}

bool LargeHeap::TryRealloc(void* ptr, size_t& size)
{
	if(size > LargeMax)
		return false;
	HeapBusy changing(Self());
	LargeHeader* h = LargeOf(ptr);
	size_t units = LargeBlockUnits(size);
	size_t old = h->units;
	if(units != old) {
		if(!h->last) {
			LargeHeader* n = NextBlock(h);
			if(units > old && !n->free && old + n->units >= units)
				TakeCached(n);
			if(n->free && old + n->units >= units)
				AbsorbNext(h);
		}
		if(h->units < units)
			return false;
		Split(h, units);
		usedBytes += (int64(units) - int64(old)) * 256;
	}
	size = units * 256 - 16;
	return true;
}

// Under the lock: the chunk and its blocks, free ones included, pass to heap.
void LargeHeap::AdoptChunk(LargeChunk* chunk, Heap* heap)
{
	ListUnlink(chunk);
	ListLinkHead(&heap->chunks, chunk);
	for(LargeHeader* h = FirstBlock(chunk);; h = NextBlock(h)) {
		h->heap.store(heap, std::memory_order_relaxed);
		if(h->free) {
			UnlinkBin(h);
			heap->InsertBin(h);
		}
		else // its owner's frees now come here
			heap->usedBytes += h->units * 256;
		if(h->last)
			break;
	}
}

// Under the lock, at thread exit. Wholly free chunks go back to the page heap rather than wait
// in the shared heap for a thread that wants them.
void LargeHeap::MoveChunks(Heap* from, Heap* to)
{
	while(from->chunks.next != &from->chunks) {
		LargeChunk* c = from->chunks.next;
		LargeHeader* h = FirstBlock(c);
		if(h->free && h->last) {
			UnlinkBin(h);
			ListUnlink(c);
			Heap::HugeFree(c);
			continue;
		}
		AdoptChunk(c, to);
	}
	from->freeChunks = 0;
}

void* detail::LargeAlloc(size_t& size)
{
	if(size > LargeMax)
		return BigAlloc(size);
	return WithHeap([&size](Heap* h) { return h->Alloc(size); });
}

void detail::LargeFree(void* ptr)
{
	LargeHeader* h = LargeOf(ptr);
	Heap* self = CurrentHeap();
	// Only this thread hands its own chunks on, so a match read without the lock stays true.
	if(self && h->heap.load(std::memory_order_relaxed) == self) {
		self->Release(ptr);
		return;
	}
	HeapLock lock;
	Heap* owner = h->heap.load(std::memory_order_relaxed);
	if(!owner) {
		BigFree(ptr);
		return;
	}
	if(owner == &sharedHeap) { // an ended thread's chunk: nobody would take a remote free
		sharedHeap.Free(ptr);
		return;
	}
	FreeLink* b = (FreeLink*)ptr;
	b->next = owner->largeRemote.load(std::memory_order_relaxed);
	owner->largeRemote.store(b, std::memory_order_relaxed);
}

bool detail::LargeTryRealloc(void* ptr, size_t& size)
{
	LargeHeader* h = LargeOf(ptr);
	Heap* self = CurrentHeap();
	if(self && h->heap.load(std::memory_order_relaxed) == self)
		return self->TryRealloc(ptr, size);
	HeapLock lock;
	Heap* owner = h->heap.load(std::memory_order_relaxed);
	if(!owner)
		return BigTryRealloc(ptr, size);
	if(!self && owner == &sharedHeap)
		return sharedHeap.TryRealloc(ptr, size);
	return false;
}

} // namespace Qel

#endif
