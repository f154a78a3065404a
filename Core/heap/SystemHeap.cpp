// The system form of the allocator: blocks come from malloc/free, so sanitizers and valgrind see
// every allocation. Sizes are rounded as in the native form, so capacities do not depend on it.
#include <Core/detail/HeapPrivate.h>
#include <Core/base/Panic.h>

#ifdef QEL_SYSTEM_HEAP

#include <cstdlib>

namespace Qel {

namespace {

QEL_NOINLINE void* SystemAlloc(size_t size)
{
	if(detail::BigPages(size) == 0) // beyond any address space: fail as the native heap does
		detail::HeapPanic("Out of memory");
	void* p = malloc(size);
	if(!p)
		detail::OutOfMemoryPanic();
	return p;
}

// The usable size of a request, the same as the native heap reports.
size_t UsableSize(size_t size)
{
	using namespace detail;
	if(size <= SmallMax)
		return ClassSize[SizeClass(size)];
	if(size <= LargeMax)
		return LargeBlockUnits(size) * 256 - 16;
	size_t pages = BigPages(size);
	if(pages == 0)
		detail::HeapPanic("Out of memory");
	return pages * 4096 - BigHeaderSize;
}

} // namespace

void detail::OutOfMemoryPanic()
{
	detail::HeapPanic("Out of memory!");
	abort(); // a nested panic returns; the caller cannot go on
}

void* MemoryAlloc(size_t size)
{
	return SystemAlloc(size ? size : 1);
}

void* MemoryAllocSz(size_t& size)
{
	size = UsableSize(size);
	return SystemAlloc(size);
}

void MemoryFree(void* ptr)
{
	free(ptr);
}

bool MemoryTryRealloc(void*, size_t&)
{
	return false;
}

void* MemoryAlloc32()
{
	return SystemAlloc(32);
}

void MemoryFree32(void* ptr)
{
	free(ptr);
}

void* MemoryAllocClass(int k)
{
	return SystemAlloc(detail::ClassSize[k]);
}

void MemoryFreeClass(int, void* ptr)
{
	free(ptr);
}

MemoryProfile::MemoryProfile() = default;

} // namespace Qel

#endif
