// The framework's allocator: every container, string and (in the native build) every global
// new/delete comes here. Small requests cost a thread-local list pop; nothing returns null.
#pragma once

#include "Defs.h"

namespace Qel {

// A block of at least size bytes (0 counts as 1).
void* MemoryAlloc(size_t size);
// As MemoryAlloc, and size becomes the usable size of the block: the size class up to 992 bytes,
// units * 256 - 16 for large blocks, pages * 4096 - 80 for big ones.
void* MemoryAllocSz(size_t& size);
// Null is ignored.
void  MemoryFree(void* ptr);
// Resizes a large or big block (bit 4 of its address set) in place; on success size becomes the
// new usable size. False leaves the block as it was.
bool  MemoryTryRealloc(void* ptr, size_t& size);

// 32-byte blocks, the size of a short string's body.
void* MemoryAlloc32();
void  MemoryFree32(void* ptr);

// Blocks of a known size class: 0..16 are 32..992 bytes, 18 is 16 bytes. A class 18 block may
// have bit 4 set, so it goes back only through MemoryFreeClass.
void* MemoryAllocClass(int k);
void  MemoryFreeClass(int k, void* ptr);

// Memory for records that live until the process ends; never freed.
void* HeapInternalAlloc(size_t size);

// The one process-wide heap lock (recursive).
void HeapMutexLock();
void HeapMutexUnlock();

// Snapshot of the calling thread's heap and the process-wide tiers, for diagnostics. It is large
// (about 600 KB): allocate it rather than putting it on a thread's stack.
struct MemoryProfile {
	int    allocated[1024] = {};   // small blocks in use, by block size / 4
	int    fragments[1024] = {};   // free blocks inside used small pages, by block size / 4
	int    freepages = 0;          // empty small pages kept for reuse
	int    large_count = 0;        // large blocks in use
	size_t large_total = 0;
	int    large_free_count = 0;
	size_t large_free_total = 0;
	int    large_free_size[2048] = {}; // free large blocks by length in 256-byte units
	int    big_count = 0;          // big blocks served from page-heap chunks
	size_t big_total = 0;
	int    free_runs = 0;          // free page-heap runs
	size_t free_run_pages = 0;
	int    free_run_size[65536] = {}; // free runs by length in pages
	int    huge_count = 0;         // blocks mapped on their own
	size_t huge_total = 0;
	int    chunks = 0;             // page-heap chunks mapped

	MemoryProfile();
};

} // namespace Qel
