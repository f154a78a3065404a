// Internals of the allocator shared by its translation units; not part of the public surface.
#pragma once

#include "../Heap.h"
#include "SizeClass.h"

// Thread-local data of the heap sits in the executable's static TLS block, reached without a call.
#define QEL_TLS_IE __attribute__((tls_model("initial-exec")))

namespace Qel {

struct HeapLock {
	HeapLock()  { HeapMutexLock(); }
	~HeapLock() { HeapMutexUnlock(); }
	HeapLock(const HeapLock&) = delete;
	HeapLock& operator=(const HeapLock&) = delete;
};

namespace detail {

void* SysAllocRaw(size_t size);
void  SysFreeRaw(void* ptr, size_t size);

// "Out of memory!" with the amount the heap holds; defined by the form of the heap built.
[[noreturn]] void OutOfMemoryPanic();

} // namespace detail
} // namespace Qel
