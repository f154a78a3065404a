// The program's global operator new and delete, served by the framework's allocator. This file
// is linked into every executable as an object of its own (see Core/CMakeLists.txt), so the
// linker cannot leave it out and fall back to the runtime's operators.
#include <Core/detail/HeapPrivate.h>

#include <new>

#ifndef QEL_SYSTEM_HEAP

namespace {

using Qel::MemoryAlloc;
using Qel::MemoryFree;

// Alignments the allocator does not give by itself: a block over-allocated by the alignment,
// with the start of the underlying block stored just in front of the aligned address.
constexpr size_t NaturalAlign = 16;

void* AlignedAlloc(size_t size, std::align_val_t al)
{
	size_t a = (size_t)al;
	if(a <= NaturalAlign)
		return MemoryAlloc(size);
	if(size > ~size_t(0) - a - sizeof(void*))
		Qel::detail::HeapPanic("Out of memory");
	char* raw = (char*)MemoryAlloc(size + a + sizeof(void*));
	char* p = (char*)(((uintptr_t)raw + sizeof(void*) + a - 1) & ~(uintptr_t)(a - 1));
	((void**)p)[-1] = raw;
	return p;
}

void AlignedFree(void* ptr, std::align_val_t al)
{
	if(ptr && (size_t)al > NaturalAlign)
		ptr = ((void**)ptr)[-1];
	MemoryFree(ptr);
}

} // namespace

void* operator new(size_t size) { return MemoryAlloc(size); }
void* operator new[](size_t size) { return MemoryAlloc(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return MemoryAlloc(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return MemoryAlloc(size); }

void operator delete(void* ptr) noexcept { MemoryFree(ptr); }
void operator delete[](void* ptr) noexcept { MemoryFree(ptr); }
void operator delete(void* ptr, const std::nothrow_t&) noexcept { MemoryFree(ptr); }
void operator delete[](void* ptr, const std::nothrow_t&) noexcept { MemoryFree(ptr); }
void operator delete(void* ptr, size_t) noexcept { MemoryFree(ptr); }
void operator delete[](void* ptr, size_t) noexcept { MemoryFree(ptr); }

void* operator new(size_t size, std::align_val_t al) { return AlignedAlloc(size, al); }
void* operator new[](size_t size, std::align_val_t al) { return AlignedAlloc(size, al); }
void* operator new(size_t size, std::align_val_t al, const std::nothrow_t&) noexcept
{
	return AlignedAlloc(size, al);
}
void* operator new[](size_t size, std::align_val_t al, const std::nothrow_t&) noexcept
{
	return AlignedAlloc(size, al);
}

void operator delete(void* ptr, std::align_val_t al) noexcept { AlignedFree(ptr, al); }
void operator delete[](void* ptr, std::align_val_t al) noexcept { AlignedFree(ptr, al); }
void operator delete(void* ptr, std::align_val_t al, const std::nothrow_t&) noexcept { AlignedFree(ptr, al); }
void operator delete[](void* ptr, std::align_val_t al, const std::nothrow_t&) noexcept { AlignedFree(ptr, al); }
void operator delete(void* ptr, size_t, std::align_val_t al) noexcept { AlignedFree(ptr, al); }
void operator delete[](void* ptr, size_t, std::align_val_t al) noexcept { AlignedFree(ptr, al); }

#endif
