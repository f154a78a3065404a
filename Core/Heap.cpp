#include "Heap.h"
#include "Panic.h"

#include <cstdlib>

namespace Qel {

// Least form until the size-class rounding lands: plain malloc/free.
void* MemoryAlloc(size_t size)
{
	void* p = malloc(size ? size : 1);
	if(!p)
		Panic("Out of memory!");
	return p;
}

void* MemoryAllocSz(size_t& size) { return MemoryAlloc(size); }
void  MemoryFree(void* ptr)       { free(ptr); }
bool  MemoryTryRealloc(void*, size_t&) { return false; }
void* MemoryAlloc32()             { return MemoryAlloc(32); }
void  MemoryFree32(void* ptr)     { free(ptr); }
void* MemoryAllocClass(int)       { return MemoryAlloc(56); }
void  MemoryFreeClass(int, void* ptr) { free(ptr); }

} // namespace Qel
