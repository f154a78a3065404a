// Entry points of the framework's allocator. Strings and containers call these directly.
#pragma once

#include "Defs.h"

namespace Qel {

void* MemoryAlloc(size_t size);
void* MemoryAllocSz(size_t& size);
void  MemoryFree(void* ptr);
bool  MemoryTryRealloc(void* ptr, size_t& size);

void* MemoryAlloc32();
void  MemoryFree32(void* ptr);

void* MemoryAllocClass(int k);
void  MemoryFreeClass(int k, void* ptr);

} // namespace Qel
