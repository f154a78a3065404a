// Buffer: one owned heap block of plain elements, without a count.
#pragma once

#include <Core/base/Defs.h>
#include <Core/base/Heap.h>

#include <type_traits>

namespace Qel {

template <class T>
class Buffer {
	static_assert(std::is_trivially_destructible_v<T>, "Buffer holds plain elements only");

	T* ptr = nullptr;

	static T* Make(size_t n) { return n ? (T*)MemoryAlloc(n * sizeof(T)) : nullptr; }

public:
	using Relocatable = void; // moved as raw bytes by the containers
	Buffer() = default;
	explicit Buffer(size_t n) : ptr(Make(n)) {}
	Buffer(size_t n, const T& init) : ptr(Make(n)) { for(size_t i = 0; i < n; i++) ptr[i] = init; }
	Buffer(Buffer&& b) noexcept : ptr(b.ptr) { b.ptr = nullptr; }
	Buffer(const Buffer&) = delete;
	~Buffer() { Clear(); }

	Buffer& operator=(Buffer&& b) noexcept { if(this != &b) { Clear(); ptr = b.ptr; b.ptr = nullptr; } return *this; }
	Buffer& operator=(const Buffer&) = delete;

	// Replaces the block by a new one of n elements (contents not initialised).
	void Alloc(size_t n)                { Clear(); ptr = Make(n); }
	void Alloc(size_t n, const T& init) { Alloc(n); for(size_t i = 0; i < n; i++) ptr[i] = init; }
	void Clear()                        { if(ptr) MemoryFree(ptr); ptr = nullptr; }
	// Gives up ownership of the block (to be freed with MemoryFree).
	T*   Detach()                       { T* p = ptr; ptr = nullptr; return p; }

	T*       Get()                   { return ptr; }
	const T* Get() const             { return ptr; }
	operator T*()                    { return ptr; }
	operator const T*() const        { return ptr; }
};

// A Buffer that knows its size.
template <class T>
class SizedBuffer {
	int       size = 0;
	Buffer<T> buffer;

public:
	SizedBuffer() = default;
	explicit SizedBuffer(int n) : size(n), buffer(n) {}
	SizedBuffer(int n, const T& init) : size(n), buffer(n, init) {}
	SizedBuffer(SizedBuffer&& b) noexcept : size(b.size), buffer(std::move(b.buffer)) { b.size = 0; }
	SizedBuffer& operator=(SizedBuffer&& b) noexcept
	{
		if(this != &b) {
			buffer = std::move(b.buffer);
			size = b.size;
			b.size = 0;
		}
		return *this;
	}

	void Alloc(int n)                { buffer.Alloc(n); size = n; }
	void Alloc(int n, const T& init) { buffer.Alloc(n, init); size = n; }
	void Clear()                     { buffer.Clear(); size = 0; }

	int      GetCount() const        { return size; }
	T*       Get()                   { return buffer.Get(); }
	const T* Get() const             { return buffer.Get(); }
	operator T*()                    { return buffer.Get(); }
	operator const T*() const        { return buffer.Get(); }
	T*       begin()                 { return buffer.Get(); }
	T*       end()                   { return buffer.Get() + size; }
	const T* begin() const           { return buffer.Get(); }
	const T* end() const             { return buffer.Get() + size; }
};

} // namespace Qel
