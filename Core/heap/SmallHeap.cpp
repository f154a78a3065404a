// The small-block tier: per-thread heaps of 4 KB pages, their caches, remote frees and the
// hand-off of a thread's pages to the shared heap when the thread ends.
#include <Core/detail/HeapPrivate.h>

#ifndef QEL_SYSTEM_HEAP

#include <linux/membarrier.h>
#include <new>
#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

extern "C" int __cxa_thread_atexit(void (*dtor)(void*), void* obj, void* dso);
extern "C" void* __dso_handle;

namespace Qel {

using namespace detail;

namespace detail {

constinit thread_local Heap tlsHeap QEL_TLS_IE;
constinit thread_local Heap* heapPtr QEL_TLS_IE = nullptr;
constinit Heap sharedHeap;
int freePageCount = 0;
constinit Heap* liveHeaps = nullptr;
constinit ForkState forkState;

} // namespace detail

namespace {

constinit thread_local bool heapShutdown QEL_TLS_IE = false;
constinit thread_local bool exitHookRegistered QEL_TLS_IE = false;
constinit thread_local bool forkingThread QEL_TLS_IE = false;

void HeapThreadShutdown(void*)
{
	if(heapShutdown)
		return;
	HeapLock lock;
	if(!heapPtr)
		heapPtr = &tlsHeap;
	heapPtr->Shutdown();
}

// Blocks of a fresh page, from the lowest upward; the bytes between header and lowest block idle.
void FormatPage(Page* page, int k)
{
	size_t s = ClassSize[k];
	size_t n = (PageSize - PageHeaderSize) / s;
	char* base = (char*)page;
	FreeLink* list = nullptr;
	for(size_t off = PageSize - s, i = 0; i < n; off -= s, i++) {
		FreeLink* b = (FreeLink*)(base + off);
		b->next = list;
		list = b;
	}
	page->klass = (uint8)k;
	page->active = 0;
	page->freelist = list;
}

// A page from the global free list of class k (the shared heap's empty slots head those lists).
Page* PopGlobal(int k)
{
	Page* p = sharedHeap.empty[k];
	if(p) {
		sharedHeap.empty[k] = p->next;
		freePageCount--;
	}
	return p;
}

} // namespace

Heap* detail::AttachHeap()
{
	if(heapShutdown)
		return nullptr;
	// The runtime takes the loader's lock to register the hook, so this happens outside the heap
	// lock: a library constructor holding the loader's lock may be waiting for ours.
	if(!exitHookRegistered) {
		exitHookRegistered = true;
		__cxa_thread_atexit(HeapThreadShutdown, nullptr, &__dso_handle);
	}
	return heapPtr = &tlsHeap;
}

void* detail::AllocSlow(int k)
{
	return WithHeap([k](Heap* h) { return h->AllocK(k); });
}

void detail::FreeSlow(void* ptr)
{
	WithHeap([ptr](Heap* h) { h->FreeK(ptr); });
}

// A fork is pending: unless this thread is the one forking, step back until it is done.
void Heap::EnterSlow()
{
	for(;;) {
		if(forkingThread)
			return;
		busy.store(false, std::memory_order_release);
		while(forkState.pending.load(std::memory_order_acquire)) {
			HeapMutexLock(); // held by the fork from the moment every heap is at rest
			HeapMutexUnlock();
			sched_yield();
		}
		busy.store(true, std::memory_order_relaxed);
		if(forkState.light.load(std::memory_order_relaxed))
			std::atomic_signal_fence(std::memory_order_seq_cst);
		else
			std::atomic_thread_fence(std::memory_order_seq_cst);
		if(forkState.pending.load(std::memory_order_relaxed) == 0)
			return;
	}
}

// Before the fork handlers are registered, while no fork can look at the flag yet.
void Heap::ForkSetup()
{
	forkState.light.store(syscall(SYS_membarrier, MEMBARRIER_CMD_REGISTER_PRIVATE_EXPEDITED, 0) == 0);
}

// Returns with the lock held and every other thread's heap at rest. A thread in the middle of a
// change may need the lock to finish it, so the lock is let go while waiting.
void Heap::PrepareFork()
{
	forkingThread = true;
	forkState.pending.fetch_add(1, std::memory_order_seq_cst);
	if(forkState.light.load() && syscall(SYS_membarrier, MEMBARRIER_CMD_PRIVATE_EXPEDITED, 0) != 0)
		HeapPanic("Heap: the memory barrier across threads failed");
	for(;;) {
		HeapMutexLock();
		bool rest = true;
		for(Heap* h = liveHeaps; h && rest; h = h->liveNext)
			rest = h == &tlsHeap || !h->busy.load(std::memory_order_seq_cst);
		if(rest)
			return;
		HeapMutexUnlock();
		sched_yield();
	}
}

void Heap::ForkDone(bool child)
{
	forkingThread = false;
	if(child) {
		forkState.pending.store(0, std::memory_order_relaxed); // the threads that waited are gone
		ForkSetup(); // a new process registers anew; it has one thread yet
	}
	else
		forkState.pending.fetch_sub(1, std::memory_order_release);
}

void Heap::InitLists()
{
	for(int k = 0; k < HeapClassCount; k++) {
		ListInit(work[k]);
		ListInit(full[k]);
		empty[k] = nullptr;
		cache[k] = nullptr;
		cacheRoom[k] = CacheBytes / ClassSize[k];
	}
	InitLarge();
	outPos = outBytes = 0;
	initialised = true;
}

void Heap::Init()
{
	InitLists();
	HeapLock lock;
	if(!sharedHeap.initialised)
		sharedHeap.InitLists();
	liveNext = liveHeaps;
	livePrev = nullptr;
	if(liveHeaps)
		liveHeaps->livePrev = this;
	liveHeaps = this;
}

void* Heap::AllocK(int k)
{
	if(FreeLink* p = cache[k]) {
		cache[k] = p->next;
		cacheRoom[k]++;
		return p;
	}
	if(QEL_UNLIKELY(!initialised))
		Init();
	return AllocFromPages(k);
}

// Taking a block off a page's free list leaves the page whole at every store (a block caught
// between the two is only lost to a fork's child); moving pages between lists marks the heap
// busy.
void* Heap::AllocFromPages(int k)
{
	Page* head = &work[k];
	for(;;) {
		Page* p = head->next;
		if(p == head) {
			HeapBusy changing(this);
			WorkPage(k);
			continue;
		}
		if(FreeLink* b = p->freelist) {
			p->freelist = b->next;
			p->active++;
			return b;
		}
		HeapBusy changing(this);
		ListUnlink(p);
		ListLinkHead(&full[k], p);
	}
}

Page* Heap::TakeEmpty(int k)
{
	if(this == &sharedHeap)
		return PopGlobal(k);
	Page* p = empty[k];
	empty[k] = nullptr;
	return p;
}

// Links a page with free blocks at the head of work[k].
void Heap::WorkPage(int k)
{
	Page* p = TakeEmpty(k);
	if(!p && smallRemote.load(std::memory_order_relaxed)) {
		TakeRemoteSmall();
		if(work[k].next != &work[k])
			return;
		p = TakeEmpty(k);
	}
	for(int c = 0; !p && c < HeapClassCount; c++)
		if((p = TakeEmpty(c)))
			FormatPage(p, k);
	if(!p)
		p = TakeFromShared(k);
	ListLinkHead(&work[k], p);
}

// A page of the shared heap or the page heap. It changes hands under the lock: a thread passing
// on a remote free reads the owner under the lock too.
Page* Heap::TakeFromShared(int k)
{
	HeapLock lock;
	Page* p = nullptr;
	if(this != &sharedHeap) {
		sharedHeap.TakeRemoteSmall();
		Page* head = &sharedHeap.work[k];
		if(head->next != head) {
			p = head->next;
			ListUnlink(p);
		}
		else if(!(p = PopGlobal(k)))
			for(int c = 0; !p && c < HeapClassCount; c++)
				if((p = PopGlobal(c)))
					FormatPage(p, k);
	}
	if(!p) {
		p = (Page*)HugeAlloc(1);
		FormatPage(p, k);
	}
	p->run.owner.store(this, std::memory_order_relaxed);
	return p;
}

void Heap::FreeK(void* ptr)
{
	Page* page = PageOf(ptr);
	int k = page->klass;
	if(page->run.owner.load(std::memory_order_relaxed) != this) {
		FreeOutgoing(ptr, k);
		return;
	}
	if(cacheRoom[k]) {
		FreeLink* b = (FreeLink*)ptr;
		b->next = cache[k];
		cache[k] = b;
		cacheRoom[k]--;
		return;
	}
	FreeDirect(ptr);
}

void Heap::FreeDirect(void* ptr)
{
	Page* p = PageOf(ptr);
	int k = p->klass;
	if(!p->freelist) {
		HeapBusy changing(this);
		ListUnlink(p);
		ListLinkHead(&work[k], p);
	}
	FreeLink* b = (FreeLink*)ptr;
	b->next = p->freelist;
	p->freelist = b;
	if(--p->active)
		return;
	HeapBusy changing(this);
	ListUnlink(p);
	if(this == &sharedHeap) {
		FreePage(p);
		return;
	}
	if(Page* older = empty[k]) {
		HeapLock lock;
		FreePage(older);
	}
	empty[k] = p;
}

// Under the heap lock.
void Heap::FreePage(Page* page)
{
	if(freePageCount < FreePagesKept) {
		int k = page->klass;
		page->run.owner.store(&sharedHeap, std::memory_order_relaxed);
		page->next = sharedHeap.empty[k];
		sharedHeap.empty[k] = page;
		freePageCount++;
		return;
	}
	HugeFree(page);
}

// Under the heap lock, for the page heap short of a run: hands back the global free pages one
// class at a time until one of them completes a run of the needed length.
bool Heap::FreeSmallEmpty(size_t needed, size_t max)
{
	size_t returned = 0;
	for(;;) {
		bool any = false;
		for(int k = 0; k < HeapClassCount; k++) {
			Page* p = PopGlobal(k);
			if(!p)
				continue;
			any = true;
			if(HugeFree(p) >= needed)
				return true;
			if(++returned >= max - 1)
				return true;
		}
		if(!any)
			return false;
	}
}

// Under the lock, where the owner of a page is stable (pages change hands only under it). The
// shared heap has no thread to take its remote frees, so its blocks are freed at once: pages of
// threads that have ended go back when their last block does, whoever frees it.
void Heap::FreeToOwner(void* ptr)
{
	Heap* owner = PageOf(ptr)->run.owner.load(std::memory_order_relaxed);
	if(owner == &sharedHeap) {
		sharedHeap.FreeDirect(ptr);
		return;
	}
	FreeLink* b = (FreeLink*)ptr;
	b->next = owner->smallRemote.load(std::memory_order_relaxed);
	owner->smallRemote.store(b, std::memory_order_relaxed);
}

// A block of another heap's page: batched, so that a lock is taken per 2000 bytes freed. Blocks
// of the shared heap's pages are not held back.
void Heap::FreeOutgoing(void* ptr, int k)
{
	if(this == &sharedHeap || PageOf(ptr)->run.owner.load(std::memory_order_relaxed) == &sharedHeap) {
		HeapLock lock;
		FreeToOwner(ptr);
		return;
	}
	out[outPos] = ptr;
	std::atomic_signal_fence(std::memory_order_release); // a fork's child reads only what was written
	outPos++;
	outBytes += ClassSize[k];
	if(outBytes >= RemoteFlushBytes || outPos == OutgoingMax)
		FlushOutgoing();
}

void Heap::FlushOutgoing()
{
	HeapLock lock;
	for(int i = 0; i < outPos; i++)
		FreeToOwner(out[i]);
	outPos = 0;
	outBytes = 0;
}

void Heap::TakeRemoteSmall()
{
	DrainRemote(smallRemote, [this](void* b) { FreeDirect(b); });
}

void Heap::FreeRemote()
{
	TakeRemoteSmall();
	TakeRemoteLarge();
}

// At thread exit, under the lock: everything the heap holds passes to the shared heap, whose
// owners any thread may then be.
void Heap::Shutdown()
{
	HeapLock lock;
	heapShutdown = true;
	heapPtr = nullptr;
	if(!initialised)
		Init();
	MoveToShared();
}

void Heap::AdoptOrphans()
{
	HeapLock lock;
	for(Heap* h = liveHeaps; h;) {
		Heap* next = h->liveNext;
		if(h != &tlsHeap)
			h->MoveToShared();
		h = next;
	}
}

void Heap::MoveToShared()
{
	HeapLock lock;
	if(livePrev)
		livePrev->liveNext = liveNext;
	else if(liveHeaps == this)
		liveHeaps = liveNext;
	if(liveNext)
		liveNext->livePrev = livePrev;
	FlushOutgoing();
	FreeRemote();
	Heap& s = sharedHeap;
	for(int k = 0; k < HeapClassCount; k++) {
		for(FreeLink* b = cache[k]; b;) {
			FreeLink* next = b->next;
			FreeDirect(b);
			b = next;
		}
		cache[k] = nullptr;
		while(full[k].next != &full[k]) {
			Page* p = full[k].next;
			ListUnlink(p);
			p->run.owner.store(&s, std::memory_order_relaxed);
			ListLinkHead(&s.full[k], p);
		}
		while(work[k].next != &work[k]) {
			Page* p = work[k].next;
			ListUnlink(p);
			p->run.owner.store(&s, std::memory_order_relaxed);
			ListLinkHead(p->freelist ? &s.work[k] : &s.full[k], p);
		}
		if(empty[k])
			FreePage(empty[k]);
		empty[k] = nullptr;
	}
	FlushCache();
	MoveChunks(this, &s);
	this->~Heap();
	new(this) Heap;
}

} // namespace Qel

#endif
