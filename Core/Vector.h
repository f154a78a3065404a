// Vector: contiguous, growable array whose elements are relocated as raw bytes.
#pragma once

#include "Defs.h"
#include "Heap.h"
#include "Mem.h"

#include <initializer_list>
#include <type_traits>

namespace Qel {

namespace detail {

constexpr int CONTAINER_MAX = 0x7fffffff;

[[noreturn]] void TooManyItems();

// Capacity after an append to a full block of alloc elements: max(alloc + 1, 1.5 × alloc).
int  VectorGrowCapacity(int alloc);
// Capacity for opening a gap of k elements in a block that cannot take it.
int  VectorInsertCapacity(int count, int alloc, int k);
// Tries to resize a block in place to n elements; on success alloc gets the new capacity.
bool VectorTryExtend(void* block, int n, int& alloc, size_t size);
// A new block for n elements; alloc gets its capacity including the allocator's slack.
void* VectorAlloc(int n, int& alloc, size_t size);

template <class T>
QEL_FORCE_INLINE void Relocate(T* dst, const T* src, int n)
{
	size_t len = (size_t)n * sizeof(T);
	if(n <= 0)
		return;
	if(len <= 32)
		MemCopySmall((void*)dst, (const void*)src, len);
	else
		memcpy((void*)dst, (const void*)src, len);
}

template <class T>
QEL_FORCE_INLINE void RelocateOverlap(T* dst, const T* src, int n)
{
	if(n > 0)
		memmove((void*)dst, (const void*)src, (size_t)n * sizeof(T));
}

template <class T>
inline void Destroy(T* p, T* e)
{
	if constexpr(!std::is_trivially_destructible_v<T>)
		while(p < e)
			(p++)->~T();
}

template <class T>
inline bool Inside(const T* p, const T* b, int n)
{
	return (uintptr_t)p >= (uintptr_t)b && (uintptr_t)p < (uintptr_t)(b + n);
}

} // namespace detail

template <class T>
class Vector {
	T*  vector = nullptr;
	int items  = 0;
	int alloc  = 0;

	template <class... A> QEL_NOINLINE T& GrowAdd(A&&... a);
	T* ReserveRaw(int n);
	void Free();

	template <class... A>
	T& Emplace(A&&... a)
	{
		if(QEL_LIKELY(items < alloc))
			return *new(vector + items++) T(std::forward<A>(a)...);
		return GrowAdd(std::forward<A>(a)...);
	}

public:
	using value_type = T;

	Vector() = default;
	Vector(const Vector& v);
	Vector(Vector&& v) noexcept : vector(v.vector), items(v.items), alloc(v.alloc) { v.vector = nullptr; v.items = v.alloc = 0; }
	Vector(std::initializer_list<T> init);
	~Vector() { Free(); }

	Vector& operator=(const Vector& v);
	Vector& operator=(Vector&& v) noexcept;

	T& Add()             { return Emplace(); }
	T& Add(const T& x)   { return Emplace(x); }
	T& Add(T&& x)        { return Emplace(std::move(x)); }
	T* AddN(int n)       { return InsertN(items, n); }
	void Append(const T* p, int n);
	void Append(const Vector& v) { Append(v.vector, v.items); }
	void Append(Vector&& v);

	// Opens a gap of k unconstructed elements at i and returns it.
	T* InsertRaw(int i, int k);
	T& Insert(int i)            { return *new(InsertRaw(i, 1)) T(); }
	T& Insert(int i, const T& x);
	T& Insert(int i, T&& x);
	T* InsertN(int i, int n);
	void Insert(int i, const T* p, int n);

	void Remove(int i, int n = 1);
	void Trim(int n);
	void Drop(int n = 1)        { Trim(items - n); }
	T    Pop()                  { T x(std::move(vector[items - 1])); Drop(); return x; }
	T&   At(int i);
	void SetCount(int n);
	void SetCount(int n, const T& init);
	void Reserve(int n);
	void Shrink();
	void Clear();
	void Swap(Vector& v) noexcept { std::swap(vector, v.vector); std::swap(items, v.items); std::swap(alloc, v.alloc); }

	int  GetCount() const       { return items; }
	int  GetAlloc() const       { return alloc; }
	bool IsEmpty() const        { return items == 0; }

	T&       operator[](int i)       { return vector[i]; }
	const T& operator[](int i) const { return vector[i]; }
	T&       Top()                   { return vector[items - 1]; }
	const T& Top() const             { return vector[items - 1]; }

	T*       begin()       { return vector; }
	T*       end()         { return vector + items; }
	const T* begin() const { return vector; }
	const T* end() const   { return vector + items; }

	bool operator==(const Vector& b) const
	{
		if(items != b.items)
			return false;
		for(int i = 0; i < items; i++)
			if(!(vector[i] == b.vector[i]))
				return false;
		return true;
	}
};

template <class T>
void Vector<T>::Free()
{
	if(vector) {
		detail::Destroy(vector, vector + items);
		MemoryFree(vector);
	}
}

// Makes the block hold exactly n (plus slack) elements; returns the old block when the caller
// has to free it (null when the block was resized in place or there was none).
template <class T>
T* Vector<T>::ReserveRaw(int n)
{
	if(n == 0) {
		T* old = vector;
		vector = nullptr;
		alloc = 0;
		return old;
	}
	if(vector && detail::VectorTryExtend(vector, n, alloc, sizeof(T)))
		return nullptr;
	T* nv = (T*)detail::VectorAlloc(n, alloc, sizeof(T));
	detail::Relocate(nv, vector, items);
	T* old = vector;
	vector = nv;
	return old;
}

// The new element is built before the old elements are moved and their block freed, so an
// argument that refers into this vector is still intact while it is read (or moved from).
template <class T>
template <class... A>
T& Vector<T>::GrowAdd(A&&... a)
{
	int n = detail::VectorGrowCapacity(alloc);
	if(vector && detail::VectorTryExtend(vector, n, alloc, sizeof(T)))
		return *new(vector + items++) T(std::forward<A>(a)...);
	int na;
	T* nv = (T*)detail::VectorAlloc(n, na, sizeof(T));
	T* q;
#if __cpp_exceptions
	try {
		q = new(nv + items) T(std::forward<A>(a)...);
	}
	catch(...) {
		MemoryFree(nv);
		throw;
	}
#else
	q = new(nv + items) T(std::forward<A>(a)...);
#endif
	detail::Relocate(nv, vector, items);
	if(vector)
		MemoryFree(vector);
	vector = nv;
	alloc = na;
	items++;
	return *q;
}

template <class T>
Vector<T>::Vector(const Vector& v)
{
	if(v.items == 0)
		return;
	vector = (T*)detail::VectorAlloc(v.items, alloc, sizeof(T));
	for(const T& x : v)
		new(vector + items++) T(x);
}

template <class T>
Vector<T>::Vector(std::initializer_list<T> init)
{
	if(init.size() == 0)
		return;
	Reserve((int)init.size());
	for(const T& x : init)
		new(vector + items++) T(x);
}

template <class T>
Vector<T>& Vector<T>::operator=(const Vector& v)
{
	if(this != &v) {
		Vector tmp(v);
		Swap(tmp);
	}
	return *this;
}

template <class T>
Vector<T>& Vector<T>::operator=(Vector&& v) noexcept
{
	if(this != &v) {
		Free();
		vector = v.vector;
		items = v.items;
		alloc = v.alloc;
		v.vector = nullptr;
		v.items = v.alloc = 0;
	}
	return *this;
}

template <class T>
T* Vector<T>::InsertRaw(int i, int k)
{
	if(k <= 0)
		return vector + i;
	if(k > detail::CONTAINER_MAX - items)
		detail::TooManyItems();
	if(items + k <= alloc)
		detail::RelocateOverlap(vector + i + k, vector + i, items - i);
	else {
		int na;
		T* nv = (T*)detail::VectorAlloc(detail::VectorInsertCapacity(items, alloc, k), na, sizeof(T));
		detail::Relocate(nv, vector, i);
		detail::Relocate(nv + i + k, vector + i, items - i);
		if(vector)
			MemoryFree(vector);
		vector = nv;
		alloc = na;
	}
	items += k;
	return vector + i;
}

template <class T>
T& Vector<T>::Insert(int i, const T& x)
{
	if(detail::Inside(&x, vector, items)) { // x would move under the gap
		T tmp(x);
		return *new(InsertRaw(i, 1)) T(std::move(tmp));
	}
	return *new(InsertRaw(i, 1)) T(x);
}

template <class T>
T& Vector<T>::Insert(int i, T&& x)
{
	if(detail::Inside(&x, vector, items)) {
		T tmp(std::move(x));
		return *new(InsertRaw(i, 1)) T(std::move(tmp));
	}
	return *new(InsertRaw(i, 1)) T(std::move(x));
}

template <class T>
T* Vector<T>::InsertN(int i, int n)
{
	T* p = InsertRaw(i, n);
	for(int j = 0; j < n; j++)
		new(p + j) T();
	return p;
}

template <class T>
void Vector<T>::Insert(int i, const T* p, int n)
{
	if(n > 0 && detail::Inside(p, vector, items)) {
		Vector tmp;
		tmp.Append(p, n);
		p = tmp.vector;
		T* q = InsertRaw(i, n);
		for(int j = 0; j < n; j++)
			new(q + j) T(p[j]);
		return;
	}
	T* q = InsertRaw(i, n);
	for(int j = 0; j < n; j++)
		new(q + j) T(p[j]);
}

template <class T>
void Vector<T>::Append(const T* p, int n)
{
	if(n <= 0)
		return;
	if(items + (int64)n > alloc && detail::Inside(p, vector, items)) {
		Vector tmp;
		tmp.Append(p, n);
		Append(std::move(tmp));
		return;
	}
	T* q = InsertRaw(items, n);
	for(int j = 0; j < n; j++)
		new(q + j) T(p[j]);
}

template <class T>
void Vector<T>::Append(Vector&& v)
{
	if(&v == this) {
		Append(v.vector, v.items);
		return;
	}
	if(items == 0) {
		*this = std::move(v);
		return;
	}
	T* q = InsertRaw(items, v.items);
	detail::Relocate(q, v.vector, v.items);
	v.items = 0;
	v.Clear();
}

template <class T>
void Vector<T>::Remove(int i, int n)
{
	if(n <= 0)
		return;
	detail::Destroy(vector + i, vector + i + n);
	detail::RelocateOverlap(vector + i, vector + i + n, items - i - n);
	items -= n;
}

template <class T>
void Vector<T>::Trim(int n)
{
	detail::Destroy(vector + n, vector + items);
	items = n;
}

template <class T>
T& Vector<T>::At(int i)
{
	if(i >= items) {
		if(i >= alloc) {
			int64 n = (int64)alloc + max<int64>((int64)i + 1 - items, alloc);
			T* old = ReserveRaw((int)min<int64>(n, detail::CONTAINER_MAX));
			if(old)
				MemoryFree(old);
		}
		while(items <= i)
			new(vector + items++) T;
	}
	return vector[i];
}

template <class T>
void Vector<T>::SetCount(int n)
{
	if(n == items)
		return;
	if(n < items) {
		Trim(n);
		return;
	}
	if(n > alloc) {
		T* old = ReserveRaw(n);
		if(old)
			MemoryFree(old);
	}
	while(items < n)
		new(vector + items++) T;
}

template <class T>
void Vector<T>::SetCount(int n, const T& init)
{
	if(n <= items) {
		Trim(n);
		return;
	}
	if(n > alloc && detail::Inside(&init, vector, items)) {
		T tmp(init);
		SetCount(n, tmp);
		return;
	}
	if(n > alloc) {
		T* old = ReserveRaw(n);
		if(old)
			MemoryFree(old);
	}
	while(items < n)
		new(vector + items++) T(init);
}

template <class T>
void Vector<T>::Reserve(int n)
{
	if(n > alloc) {
		T* old = ReserveRaw(n);
		if(old)
			MemoryFree(old);
	}
}

template <class T>
void Vector<T>::Shrink()
{
	if(items != alloc) {
		T* old = ReserveRaw(items);
		if(old)
			MemoryFree(old);
	}
}

template <class T>
void Vector<T>::Clear()
{
	Free();
	vector = nullptr;
	items = alloc = 0;
}

} // namespace Qel
