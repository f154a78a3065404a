// A diagnostic snapshot of the calling thread's heap and of the process-wide tiers.
#include <Core/detail/HeapPrivate.h>

#ifndef QEL_SYSTEM_HEAP

namespace Qel {

using namespace detail;

namespace {

void ProfileSmall(MemoryProfile& m, Heap& h)
{
	for(int k = 0; k < HeapClassCount; k++) {
		int s = ClassSize[k];
		int blocks = int((PageSize - PageHeaderSize) / s);
		for(Page* p = h.work[k].next; p != &h.work[k]; p = p->next) {
			m.allocated[s / 4] += p->active;
			m.fragments[s / 4] += blocks - p->active;
		}
		for(Page* p = h.full[k].next; p != &h.full[k]; p = p->next)
			m.allocated[s / 4] += p->active;
		if(h.empty[k] && &h != &sharedHeap)
			m.freepages++;
	}
	m.freepages += freePageCount;
}

void ProfileLarge(MemoryProfile& m, Heap& h)
{
	for(LargeChunk* c = h.chunks.next; c != &h.chunks; c = c->next)
		for(LargeHeader* b = (LargeHeader*)((char*)c + LargeChunkHeader);;
		    b = (LargeHeader*)((char*)b + b->units * 256)) {
			size_t bytes = b->units * 256 - 16;
			if(b->free) {
				m.large_free_count++;
				m.large_free_total += bytes;
				m.large_free_size[b->units]++;
			}
			else {
				m.large_count++;
				m.large_total += bytes;
			}
			if(b->last)
				break;
		}
}

void ProfilePages(MemoryProfile& m)
{
	for(BigHeader* b = bigList.next; b != &bigList; b = b->next)
		if(b->run.pages) {
			m.big_count++;
			m.big_total += b->size;
		}
	for(FreeRun& head : freeRuns)
		for(FreeRun* f = head.next; f != &head; f = f->next) {
			m.free_runs++;
			m.free_run_pages += f->run.pages;
			m.free_run_size[f->run.pages]++;
		}
	m.huge_count = (int)pageStats.hugeCount;
	m.huge_total = pageStats.hugeBytes;
	m.chunks = pageStats.chunks;
}

} // namespace

MemoryProfile::MemoryProfile()
{
	Heap* h = heapPtr ? heapPtr : AttachHeap(); // outside the lock, as everywhere
	HeapLock lock;
	if(!h)
		h = &sharedHeap;
	InitPageHeap();
	if(!sharedHeap.initialised)
		sharedHeap.InitLists();
	if(!h->initialised)
		h->InitLists();
	ProfileSmall(*this, *h);
	ProfileLarge(*this, *h);
	ProfilePages(*this);
}

} // namespace Qel

#endif
