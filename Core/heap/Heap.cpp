// Entry points of the native allocator: dispatch by size on allocation, by bit 4 of the address
// on free. The small-block paths are inlined here; the other tiers have files of their own.
#include <Core/detail/HeapPrivate.h>
#include <Core/base/Panic.h>

#ifndef QEL_SYSTEM_HEAP

namespace Qel {

using namespace detail;

namespace {

// Keeps the size's address out of MemoryAlloc, which then needs no stack frame.
QEL_NOINLINE void* sLargeAlloc(size_t size)
{
	return LargeAlloc(size);
}

} // namespace

void* MemoryAlloc(size_t size)
{
	if(QEL_LIKELY(size <= SmallMax))
		return AllocFast(SizeClass(size));
	return sLargeAlloc(size);
}

void* MemoryAllocSz(size_t& size)
{
	if(QEL_LIKELY(size <= SmallMax)) {
		int k = SizeClass(size);
		size = ClassSize[k];
		return AllocFast(k);
	}
	return LargeAlloc(size);
}

void MemoryFree(void* ptr)
{
	if(QEL_LIKELY(((uintptr_t)ptr & 16) == 0)) {
		if(QEL_LIKELY(ptr != nullptr))
			FreeFast(ptr);
		return;
	}
	LargeFree(ptr);
}

bool MemoryTryRealloc(void* ptr, size_t& size)
{
	if(!ptr || ((uintptr_t)ptr & 16) == 0)
		return false;
	return LargeTryRealloc(ptr, size);
}

void* MemoryAlloc32()
{
	return AllocFast(0);
}

void MemoryFree32(void* ptr)
{
	FreeFast(ptr);
}

void* MemoryAllocClass(int k)
{
	if((unsigned)k >= (unsigned)HeapClassCount)
		HeapPanic("Invalid heap class");
	return AllocFast(k);
}

void MemoryFreeClass(int, void* ptr)
{
	if(ptr)
		FreeFast(ptr);
}

} // namespace Qel

#endif
