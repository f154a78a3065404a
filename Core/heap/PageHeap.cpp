// The page heap: runs of 4 KB pages carved from 16 MiB chunks mapped from the system, longer
// runs mapped on their own. Everything here runs under the heap lock.
#include <cstdlib>
#include <Core/detail/HeapPrivate.h>
#include <Core/base/Panic.h>

#ifndef QEL_SYSTEM_HEAP

#include <cstdio>
#include <sys/mman.h>
#include <utility>

namespace Qel {

using namespace detail;

namespace detail {

PageHeapStats pageStats;
constinit BigHeader bigList;
constinit FreeRun freeRuns[FreeRunLists];

} // namespace detail

namespace {

struct ChunkRecord {
	void*        chunk;
	ChunkRecord* next;
};

ChunkRecord* chunkRecords = nullptr;
ChunkRecord* freeRecords = nullptr;
bool         pageHeapReady = false;

inline RunHeader* NextRun(RunHeader* r)
{
	return (RunHeader*)((char*)r + r->pages * PageSize);
}

inline RunHeader* PrevRun(RunHeader* r)
{
	return (RunHeader*)((char*)r - r->prevPages * PageSize);
}

int RunList(size_t pages)
{
	if(pages < 16)
		return 0;
	if(pages == 16)
		return 1;
	return min(2 + (63 - __builtin_clzll(pages - 16)), FreeRunLists - 1);
}

void InsertRun(RunHeader* r)
{
	ListLinkHead(&freeRuns[RunList(r->pages)], (FreeRun*)r);
}

void UnlinkRun(RunHeader* r)
{
	ListUnlink((FreeRun*)r);
}

// Newest first within a list, smallest list first.
RunHeader* FindRun(size_t pages)
{
	for(int i = RunList(pages); i < FreeRunLists; i++) {
		FreeRun* head = &freeRuns[i];
		for(FreeRun* f = head->next; f != head; f = f->next)
			if(f->run.pages >= pages)
				return &f->run;
	}
	return nullptr;
}

// A free run of the pages behind the first ones, merged with nothing: its right neighbour is
// never free when this is called.
void SplitRun(RunHeader* r, size_t pages)
{
	RunHeader* rest = (RunHeader*)((char*)r + pages * PageSize);
	rest->prevPages = (uint16)pages;
	rest->pages = uint16(r->pages - pages);
	rest->free = 1;
	rest->last = r->last;
	if(!rest->last)
		NextRun(rest)->prevPages = rest->pages;
	InsertRun(rest);
	r->pages = (uint16)pages;
	r->last = 0;
}

void AbsorbNextRun(RunHeader* r)
{
	RunHeader* n = NextRun(r);
	UnlinkRun(n);
	r->pages += n->pages;
	r->last = n->last;
	if(!r->last)
		NextRun(r)->prevPages = r->pages;
}

void MapChunk()
{
	RunHeader* r = (RunHeader*)SysAllocRaw(ChunkBytes);
	ChunkRecord* rec = freeRecords;
	if(rec)
		freeRecords = rec->next;
	else
		rec = (ChunkRecord*)HeapInternalAlloc(sizeof(ChunkRecord));
	rec->chunk = r;
	rec->next = chunkRecords;
	chunkRecords = rec;
	pageStats.chunks++;
	pageStats.freeChunks++;
	r->prevPages = 0;
	r->pages = ChunkPages;
	r->free = 1;
	r->last = 1;
	InsertRun(r);
}

void UnmapChunk(RunHeader* r)
{
	for(ChunkRecord** p = &chunkRecords; *p; p = &(*p)->next)
		if((*p)->chunk == r) {
			ChunkRecord* rec = *p;
			*p = rec->next;
			rec->next = freeRecords;
			freeRecords = rec;
			break;
		}
	pageStats.chunks--;
	SysFreeRaw(r, ChunkBytes);
}

void TakePages(size_t pages)
{
	PageHeapStats& s = pageStats;
	s.pagesTaken += pages;
	if(s.pagesTaken <= s.pagesPeak)
		return;
	s.pagesPeak = s.pagesTaken;
	if(int64(s.pagesTaken - freePageCount) * 4 > MemoryLimitKb)
		HeapPanic("MemoryLimitKb breached!");
}

// The first page of a run mapped on its own. The mapping holds address space beyond the run, so
// the run can grow in place; the pages past "mapped" are not accessible until it does.
struct OwnMapping {
	size_t pages;    // the run's length; the page of this header is not counted in any of these
	size_t mapped;   // readable and writable
	size_t reserved; // address space held
};

// The last own mapping freed, kept with its pages for the next one asked for: a buffer that is
// grown, freed and built again (a stream, a document) does not fault its memory in every time.
OwnMapping* ownCache = nullptr;

void UnmapOwn(OwnMapping* m)
{
	SysFreeRaw(m, (m->reserved + 1) * PageSize);
}

bool SetMapped(OwnMapping* m, size_t pages)
{
	if(pages <= m->mapped)
		return true;
	char* from = (char*)m + (m->mapped + 1) * PageSize;
	if(mprotect(from, (pages - m->mapped) * PageSize, PROT_READ | PROT_WRITE))
		return false;
	m->mapped = pages;
	return true;
}

// Address space for growing to twice the length, or to 32 MiB, whichever is more; what the
// system refuses (an address-space limit) falls back to the run alone.
OwnMapping* MapOwn(size_t pages)
{
	size_t reserve = max(pages <= (~size_t(0) >> 14) ? 2 * pages : pages, OwnReservePages);
	void* p = mmap(nullptr, (reserve + 1) * PageSize, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
	if(p != MAP_FAILED) {
		OwnMapping* m = (OwnMapping*)p;
		if(mprotect(p, (pages + 1) * PageSize, PROT_READ | PROT_WRITE) == 0) {
			m->mapped = pages;
			m->reserved = reserve;
			return m;
		}
		munmap(p, (reserve + 1) * PageSize);
	}
	OwnMapping* m = (OwnMapping*)SysAllocRaw((pages + 1) * PageSize);
	m->mapped = m->reserved = pages;
	return m;
}

RunHeader* MapOwnRun(size_t pages)
{
	if(pages >= (~size_t(0) >> 12) - 1)
		HeapPanic("Out of memory");
	OwnMapping* m = ownCache;
	if(m && m->reserved >= pages && SetMapped(m, pages))
		ownCache = nullptr;
	else
		m = MapOwn(pages);
	m->pages = pages;
	RunHeader* r = (RunHeader*)((char*)m + PageSize);
	r->pages = 0;
	pageStats.hugeCount++;
	pageStats.hugeBytes += pages * PageSize;
	return r;
}

} // namespace

void detail::InitPageHeap()
{
	if(pageHeapReady)
		return;
	for(FreeRun& f : freeRuns)
		ListInit(f);
	ListInit(bigList);
	pageHeapReady = true;
}

void detail::OutOfMemoryPanic()
{
	static char text[96];
	long kb = long(pageStats.pagesTaken - freePageCount) * 4;
	snprintf(text, sizeof(text), "Out of memory!\nQel allocated memory: %ld KB", kb);
	HeapPanic(text);
}

void* Heap::HugeAlloc(size_t pages)
{
	InitPageHeap();
	RunHeader* r;
	if(pages > MaxRunPages)
		r = MapOwnRun(pages);
	else {
		r = FindRun(pages);
		if(!r) {
			if(!FreeSmallEmpty(pages, 0x7fffffff))
				MapChunk();
			r = FindRun(pages);
			if(!r)
				HeapPanic("Out of memory");
		}
		if(r->prevPages == 0 && r->last)
			pageStats.freeChunks--;
		UnlinkRun(r);
		r->free = 0;
		if(r->pages > pages)
			SplitRun(r, pages);
	}
	TakePages(pages);
	return r;
}

size_t Heap::HugeFree(void* run)
{
	RunHeader* r = (RunHeader*)run;
	if(r->pages == 0) {
		OwnMapping* m = (OwnMapping*)((char*)r - PageSize);
		size_t pages = m->pages;
		pageStats.pagesTaken -= pages;
		pageStats.hugeCount--;
		pageStats.hugeBytes -= pages * PageSize;
		if(m->mapped <= OwnCachedPages) {
			std::swap(m, ownCache);
			if(!m)
				return 0;
		}
		UnmapOwn(m);
		return 0;
	}
	pageStats.pagesTaken -= r->pages;
	if(!r->last && NextRun(r)->free)
		AbsorbNextRun(r);
	if(r->prevPages && PrevRun(r)->free) {
		RunHeader* p = PrevRun(r);
		UnlinkRun(p);
		p->pages += r->pages;
		p->last = r->last;
		r = p;
		if(!r->last)
			NextRun(r)->prevPages = r->pages;
	}
	r->free = 1;
	size_t pages = r->pages;
	if(r->prevPages == 0 && r->last) {
		if(pageStats.freeChunks >= 1) {
			UnmapChunk(r);
			return pages;
		}
		pageStats.freeChunks++;
	}
	InsertRun(r);
	return pages;
}

namespace {

// A run mapped on its own grows within its address space, then where the system can extend the
// mapping without moving it; it shrinks in place, keeping its pages mapped.
bool OwnTryRealloc(RunHeader* r, size_t pages)
{
	OwnMapping* m = (OwnMapping*)((char*)r - PageSize);
	size_t old = m->pages;
	if(pages > m->reserved) {
		// mremap takes one mapping: the hidden tail joins the rest first.
		if(pages >= (~size_t(0) >> 12) - 1 || !SetMapped(m, m->reserved))
			return false;
		if(mremap(m, (m->reserved + 1) * PageSize, (pages + 1) * PageSize, 0) == MAP_FAILED)
			return false;
		m->reserved = pages;
		if(!SetMapped(m, pages)) // the extension may take the protection of what it extends
			HeapPanic("Out of memory");
	}
	else if(!SetMapped(m, pages))
		return false;
	m->pages = pages;
	pageStats.hugeBytes += (pages - old) * PageSize;
	if(pages > old)
		TakePages(pages - old);
	else
		pageStats.pagesTaken -= old - pages;
	return true;
}

} // namespace

bool Heap::HugeTryRealloc(void* run, size_t pages)
{
	RunHeader* r = (RunHeader*)run;
	if(r->pages == 0)
		return OwnTryRealloc(r, pages);
	if(pages > MaxRunPages)
		return false;
	size_t old = r->pages;
	if(pages == old)
		return true;
	if(!r->last && NextRun(r)->free && r->pages + NextRun(r)->pages >= pages)
		AbsorbNextRun(r);
	if(r->pages < pages)
		return false;
	if(r->pages > pages)
		SplitRun(r, pages);
	if(pages > old)
		TakePages(pages - old);
	else
		pageStats.pagesTaken -= old - pages;
	return true;
}

} // namespace Qel

#endif
