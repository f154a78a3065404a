// The page heap: runs of 4 KB pages carved from 16 MiB chunks mapped from the system, longer
// runs mapped on their own. Everything here runs under the heap lock.
#include <cstdlib>
#include "HeapPrivate.h"
#include "../Panic.h"

#ifndef QEL_SYSTEM_HEAP

#include <cstdio>

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
	FreeRun* head = &freeRuns[RunList(r->pages)];
	FreeRun* f = (FreeRun*)r;
	f->next = head->next;
	f->prev = head;
	head->next->prev = f;
	head->next = f;
}

void UnlinkRun(RunHeader* r)
{
	FreeRun* f = (FreeRun*)r;
	f->prev->next = f->next;
	f->next->prev = f->prev;
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

RunHeader* MapOwnRun(size_t pages)
{
	if(pages >= (~size_t(0) >> 12) - 1)
		HeapPanic("Out of memory");
	char* m = (char*)SysAllocRaw((pages + 1) * PageSize);
	*(uint64*)m = pages;
	RunHeader* r = (RunHeader*)(m + PageSize);
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
		f.next = f.prev = &f;
	bigList.next = bigList.prev = &bigList;
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
		char* m = (char*)r - PageSize;
		size_t pages = *(uint64*)m;
		pageStats.pagesTaken -= pages;
		pageStats.hugeCount--;
		pageStats.hugeBytes -= pages * PageSize;
		SysFreeRaw(m, (pages + 1) * PageSize);
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

bool Heap::HugeTryRealloc(void* run, size_t pages)
{
	RunHeader* r = (RunHeader*)run;
	if(pages > MaxRunPages || r->pages == 0)
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
