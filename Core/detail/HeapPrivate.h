// Internals of the allocator shared by its translation units; not installed.
//
// Three tiers: 4 KB pages of small blocks owned by a thread heap (no lock in the common case),
// large blocks cut in 256-byte units from 64 KB chunks owned by a thread heap, and a process-wide
// page heap that carves runs of pages from 16 MiB chunks. Bit 4 of a block's address tells the
// small tier (clear) from the others (set).
#pragma once

#include <Core/base/Heap.h>
#include "SizeClass.h"

#include <atomic>

// Thread-local data of the heap sits in the executable's static TLS block, reached without a call.
#define QEL_TLS_IE __attribute__((tls_model("initial-exec")))

namespace Qel::detail {

struct HeapLock {
	HeapLock()  { HeapMutexLock(); }
	~HeapLock() { HeapMutexUnlock(); }
	HeapLock(const HeapLock&) = delete;
	HeapLock& operator=(const HeapLock&) = delete;
};

void* SysAllocRaw(size_t size);
void  SysFreeRaw(void* ptr, size_t size);

// "Out of memory!" with the amount the heap holds; defined by the form of the heap built.
[[noreturn]] void OutOfMemoryPanic();
// Panic that never comes back: an allocation cannot go on after it.
[[noreturn]] void HeapPanic(const char* text);

#ifndef QEL_SYSTEM_HEAP

struct Heap;

inline constexpr size_t PageSize          = 4096;
inline constexpr size_t PageHeaderSize    = 48;
inline constexpr size_t ChunkPages        = 4096;   // a page-heap chunk: 16 MiB
inline constexpr size_t ChunkBytes        = ChunkPages * PageSize;
inline constexpr size_t MaxRunPages       = 256;    // longer runs (1 MiB) are mapped on their own
inline constexpr size_t OwnReservePages   = 8192;   // least address space an own mapping holds
inline constexpr size_t OwnCachedPages    = 8192;   // largest own mapping kept once freed
inline constexpr int    FreeRunLists      = 20;
inline constexpr size_t LargeChunkPages   = 16;
inline constexpr int    LargeChunkUnits   = 255;
inline constexpr size_t LargeChunkHeader  = 64;
inline constexpr int    LargeBinCount     = 25;
inline constexpr int    CacheBytes        = 3500;   // per class, in blocks of that class
inline constexpr int    RemoteFlushBytes  = 2000;
inline constexpr int    OutgoingMax       = 251;
inline constexpr int    FreePagesKept     = 256;
inline constexpr int    FreeLargeChunksKept = 2;
inline constexpr int64  MemoryLimitKb     = 2147483647;

struct FreeLink {
	FreeLink* next;
};

// Front of every page-heap run, free or in use.
struct RunHeader {
	uint16 prevPages = 0;    // length of the run before this one in its chunk, 0 for the first
	uint16 pages = 0;        // 0: a run mapped on its own
	uint8  free = 0;
	uint8  last = 0;         // last run of its chunk
	uint16 unused = 0;
	std::atomic<Heap*> owner{nullptr}; // a small page's heap; read by other threads without the lock
};
static_assert(sizeof(RunHeader) == 16);

struct FreeRun {
	RunHeader run;
	FreeRun*  next = nullptr;
	FreeRun*  prev = nullptr;
};

// A 4 KB page of small blocks; its blocks sit at the page's end, below them this 48-byte header.
struct Page {
	RunHeader run;
	uint8     klass = 0;
	uint8     unused = 0;
	uint16    active = 0;          // blocks handed out (cached blocks count as handed out)
	FreeLink* freelist = nullptr;
	Page*     next = nullptr;
	Page*     prev = nullptr;
};
static_assert(sizeof(Page) == detail::PageHeaderSize);

// In front of a large block's data, at a 256-byte unit boundary.
struct LargeHeader {
	uint16 prevUnits = 0;    // 0 for the first block of its chunk
	uint16 units = 0;
	uint8  free = 0;
	uint8  last = 0;
	uint16 unused = 0;
	std::atomic<Heap*> heap{nullptr}; // owner; null marks a big block
};
static_assert(sizeof(LargeHeader) == 16);

// Bin links, kept in the first 16 bytes of a free large block's data.
struct LargeLink {
	LargeLink* next = nullptr;
	LargeLink* prev = nullptr;
};

struct LargeChunk {
	RunHeader   run;
	void*       unused[2] = {};
	LargeChunk* next = nullptr;
	LargeChunk* prev = nullptr;
	void*       unused2[2] = {};
};
static_assert(sizeof(LargeChunk) == detail::LargeChunkHeader);

struct BigHeader {
	RunHeader  run;
	void*      unused[2] = {};
	BigHeader* next = nullptr;
	BigHeader* prev = nullptr;
	size_t     size = 0;          // usable bytes
	void*      unused2[2] = {};
	std::atomic<Heap*> heap{nullptr}; // always null: where a large block keeps its owner
};
static_assert(sizeof(BigHeader) == detail::BigHeaderSize);

inline Page* PageOf(const void* ptr)
{
	return (Page*)((uintptr_t)ptr & ~uintptr_t(detail::PageSize - 1));
}

inline LargeHeader* LargeOf(const void* ptr)
{
	return (LargeHeader*)ptr - 1;
}

inline LargeLink* LinkOf(LargeHeader* h)
{
	return (LargeLink*)(h + 1);
}

// The large-block tier of a heap.
struct LargeHeap {
	LargeLink   bins[detail::LargeBinCount];
	LargeChunk  chunks;                 // head of the chunk list
	int         freeChunks = 0;         // wholly free chunks kept
	std::atomic<FreeLink*> largeRemote{nullptr}; // blocks freed by other threads

	void* Alloc(size_t& size);
	void  Free(void* ptr);
	bool  TryRealloc(void* ptr, size_t& size);

	static void AdoptChunk(LargeChunk* chunk, Heap* heap);
	static void MoveChunks(Heap* from, Heap* to);

	void         InitLarge();
	LargeHeader* TakeFromBins(size_t units);
	void         InsertBin(LargeHeader* h);
	void         Split(LargeHeader* h, size_t units);
	void         TakeRemoteLarge();
	Heap*        Self() { return (Heap*)this; }
};

struct Heap : LargeHeap {
	FreeLink* cache[detail::HeapClassCount] = {};
	uint32    cacheRoom[detail::HeapClassCount] = {};
	bool      initialised = false;
	Page      work[detail::HeapClassCount];
	Page      full[detail::HeapClassCount];
	Page*     empty[detail::HeapClassCount] = {};
	void*     out[detail::OutgoingMax] = {};
	int       outPos = 0;
	int       outBytes = 0;
	std::atomic<FreeLink*> smallRemote{nullptr};
	Heap*     liveNext = nullptr;   // the registry of thread heaps in use, under the lock
	Heap*     livePrev = nullptr;

	void  Init();
	void* AllocK(int k);
	void  FreeK(void* ptr);
	void  FreeDirect(void* ptr);
	void  FreeRemote();
	void  Shutdown();
	void  MoveToShared();

	// In the child of a fork: the heaps of threads that did not survive it pass to the shared
	// heap, so that their pages neither point at memory a new thread reuses nor stay lost.
	static void AdoptOrphans();

	void  InitLists();
	void* AllocFromPages(int k);
	void  WorkPage(int k);
	Page* TakeEmpty(int k);
	Page* TakeFromShared(int k);
	void  TakeRemoteSmall();
	void  FreeOutgoing(void* ptr, int k);
	void  FreeToOwner(void* ptr);
	void  FlushOutgoing();

	static void  FreePage(Page* page);
	static bool  FreeSmallEmpty(size_t needed, size_t max);
	static void* HugeAlloc(size_t pages);
	static size_t HugeFree(void* run);
	static bool  HugeTryRealloc(void* run, size_t pages);
};

// Frees the blocks other threads handed to a heap: the list is detached under the lock, its
// blocks freed outside it by the owning thread.
template <class Fn>
void DrainRemote(std::atomic<FreeLink*>& remote, Fn free)
{
	while(remote.load(std::memory_order_relaxed)) {
		FreeLink* list;
		{
			HeapLock lock;
			list = remote.exchange(nullptr, std::memory_order_relaxed);
		}
		while(list) {
			FreeLink* next = list->next;
			free(list);
			list = next;
		}
	}
}

// Circular lists through next and prev members, headed by a node of the same type: pages,
// chunks, free runs, bins and big blocks.
template <class T>
inline void ListInit(T& head)
{
	head.next = head.prev = &head;
}

template <class T>
inline void ListUnlink(T* p)
{
	p->prev->next = p->next;
	p->next->prev = p->prev;
}

template <class T>
inline void ListLinkHead(T* head, T* p)
{
	p->next = head->next;
	p->prev = head;
	head->next->prev = p;
	head->next = p;
}

template <class T>
inline void ListLinkTail(T* head, T* p)
{
	p->prev = head->prev;
	p->next = head;
	head->prev->next = p;
	head->prev = p;
}

// This thread's heap: used in place by the fast paths (its caches are empty until it is
// attached), reached through heapPtr by the rest.
extern constinit thread_local Heap tlsHeap QEL_TLS_IE;
extern constinit thread_local Heap* heapPtr QEL_TLS_IE;
extern constinit Heap sharedHeap;
extern int freePageCount;           // pages on the global free lists

// Page-heap statistics, under the heap lock.
struct PageHeapStats {
	size_t pagesTaken = 0;
	size_t pagesPeak = 0;
	int    chunks = 0;
	int    freeChunks = 0;
	size_t hugeCount = 0;
	size_t hugeBytes = 0;
	size_t bigCount = 0;
	size_t bigBytes = 0;
};
extern PageHeapStats pageStats;
extern BigHeader bigList;
extern FreeRun freeRuns[FreeRunLists];

// Attaches the calling thread's own heap; null once the thread has shut it down.
Heap* AttachHeap();

// Runs fn on the calling thread's heap. A thread past its shut-down borrows the shared heap,
// under the lock.
template <class Fn>
QEL_FORCE_INLINE auto WithHeap(Fn fn)
{
	if(Heap* h = heapPtr)
		return fn(h);
	if(Heap* h = AttachHeap())
		return fn(h);
	HeapLock lock;
	if(!sharedHeap.initialised)
		sharedHeap.InitLists();
	return fn(&sharedHeap);
}

void* AllocSlow(int k);
void  FreeSlow(void* ptr);
void* LargeAlloc(size_t& size);
void  LargeFree(void* ptr);
bool  LargeTryRealloc(void* ptr, size_t& size);
void  InitPageHeap();

QEL_FORCE_INLINE void* AllocFast(int k)
{
	Heap& h = tlsHeap;
	FreeLink* p = h.cache[k];
	if(QEL_LIKELY(p)) {
		h.cache[k] = p->next;
		h.cacheRoom[k]++;
		return p;
	}
	return AllocSlow(k);
}

QEL_FORCE_INLINE void FreeFast(void* ptr)
{
	Page* page = PageOf(ptr);
	int k = page->klass;
	Heap& h = tlsHeap;
	if(QEL_LIKELY(page->run.owner.load(std::memory_order_relaxed) == &h && h.cacheRoom[k])) {
		FreeLink* b = (FreeLink*)ptr;
		b->next = h.cache[k];
		h.cache[k] = b;
		h.cacheRoom[k]--;
		return;
	}
	FreeSlow(ptr);
}

#endif // QEL_SYSTEM_HEAP

} // namespace Qel::detail
