// The process-wide heap lock and the allocator's own never-freed storage, common to both forms.
#include <Core/base/Heap.h>
#include <Core/detail/HeapPrivate.h>

#include <Core/base/Panic.h>

#include <pthread.h>
#include <cstdlib>
#include <sys/mman.h>
#include <atomic>

namespace Qel {

namespace {

// A plain mutex made recursive by a per-thread depth. The depth lives in the forking thread's
// memory, so the child of a fork can release the lock its prepare handler took.
pthread_mutex_t heapMutex = PTHREAD_MUTEX_INITIALIZER;
constinit thread_local int heapLockDepth QEL_TLS_IE = 0;
std::atomic<bool> atforkRegistered{false};

void ForkPrepare() { HeapMutexLock(); }
void ForkRelease() { HeapMutexUnlock(); }
void ForkChild()
{
#ifndef QEL_SYSTEM_HEAP
	detail::Heap::AdoptOrphans(); // the only thread left; the lock is still held from prepare
#endif
	HeapMutexUnlock();
}

QEL_NOINLINE void RegisterAtFork()
{
	static pthread_mutex_t once = PTHREAD_MUTEX_INITIALIZER;
	pthread_mutex_lock(&once);
	if(!atforkRegistered.load(std::memory_order_relaxed)) {
		pthread_atfork(ForkPrepare, ForkRelease, ForkChild);
		atforkRegistered.store(true, std::memory_order_release);
	}
	pthread_mutex_unlock(&once);
}

struct InternalArena {
	char*  ptr = nullptr;
	size_t left = 0;
};
InternalArena internalArena;

constexpr size_t InternalArenaSize = 16384;
constexpr size_t InternalOwnMapping = 10000;

} // namespace

void HeapMutexLock()
{
	if(QEL_UNLIKELY(!atforkRegistered.load(std::memory_order_acquire)))
		RegisterAtFork();
	if(heapLockDepth++ == 0)
		pthread_mutex_lock(&heapMutex);
}

void HeapMutexUnlock()
{
	if(--heapLockDepth == 0)
		pthread_mutex_unlock(&heapMutex);
}

void detail::HeapPanic(const char* text)
{
	Panic(text);
	abort(); // a nested panic returns
}

void* detail::SysAllocRaw(size_t size)
{
	void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
	if(p == MAP_FAILED)
		OutOfMemoryPanic();
	return p;
}

void detail::SysFreeRaw(void* ptr, size_t size)
{
	munmap(ptr, size);
}

void* HeapInternalAlloc(size_t size)
{
	size = (size + 15) & ~size_t(15);
	if(size > InternalOwnMapping) {
		if(size > ~size_t(0) - 4095)
			detail::OutOfMemoryPanic();
		return detail::SysAllocRaw((size + 4095) & ~size_t(4095));
	}
	detail::HeapLock lock;
	InternalArena& a = internalArena;
	if(size > a.left) {
		a.ptr = (char*)detail::SysAllocRaw(InternalArenaSize);
		a.left = InternalArenaSize;
	}
	void* p = a.ptr;
	a.ptr += size;
	a.left -= size;
	return p;
}

} // namespace Qel
