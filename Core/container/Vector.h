// Vector: contiguous, growable array whose elements are relocated as raw bytes.
#pragma once

#include <Core/base/Defs.h>
#include <Core/base/Heap.h>
#include <Core/base/Mem.h>

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
	T*     vector = nullptr;
	// Count in the low and capacity in the high 32 bits: one field of a type that element
	// stores cannot alias, so appends in a loop keep it in a register.
	uint64 ca     = 0;

	int  Items() const     { return (int)(uint32)ca; }
	int  Cap() const       { return (int)(ca >> 32); }
	void SetItems(int n)   { ca = (ca & 0xffffffff00000000ull) | (uint32)n; }
	void SetCap(int n)     { ca = (ca & 0xffffffffull) | (uint64)(uint32)n << 32; }
	T*   Construct()       { T* p = vector + Items(); ca++; return p; }

	template <class... A> QEL_NOINLINE T& AddGrow(A&&... a);
	T* ReserveRaw(int n);
	void Reallocate(int n) { if(T* old = ReserveRaw(n)) MemoryFree(old); } // elements to a block of n
	void Free();

	template <class... A>
	T& Emplace(A&&... a)
	{
		uint64 c = ca;
		if(QEL_LIKELY((int)(uint32)c < (int)(c >> 32))) {
			ca = c + 1;
			return *new(vector + (uint32)c) T(std::forward<A>(a)...);
		}
		if constexpr(sizeof...(A) == 1 && std::is_trivially_copyable_v<T> && sizeof(T) <= 16) {
			T x(std::forward<A>(a)...); // a copy for the slow path keeps the argument out of memory
			return AddGrow(std::move(x));
		}
		else
			return AddGrow(std::forward<A>(a)...);
	}

public:
	using Relocatable = void; // moved as raw bytes by the containers
	using value_type = T;

	Vector() = default;
	Vector(const Vector& v);
	Vector(Vector&& v) noexcept : vector(v.vector), ca(v.ca) { v.vector = nullptr; v.ca = 0; }
	Vector(std::initializer_list<T> init);
	~Vector()
	{
		static_assert(IsRelocatable<T>, "Vector moves its elements as raw bytes: give the type "
		              "`using Relocatable = void;` if that is safe for it, or use Array");
		Free();
	}

	Vector& operator=(const Vector& v);
	Vector& operator=(Vector&& v) noexcept;

	T& Add()             { return Emplace(); }
	T& Add(const T& x)   { return Emplace(x); }
	T& Add(T&& x)        { return Emplace(std::move(x)); }
	T* AddN(int n)       { return InsertN(Items(), n); }
	void Append(const T* p, int n);
	void Append(const Vector& v) { Append(v.vector, v.Items()); }
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
	void Drop(int n = 1)        { Trim(Items() - n); }
	T    Pop()                  { T x(std::move(vector[Items() - 1])); Drop(); return x; }
	T&   At(int i);
	void SetCount(int n);
	void SetCount(int n, const T& init);
	void Reserve(int n);
	void Shrink();
	void Clear();
	void Swap(Vector& v) noexcept { std::swap(vector, v.vector); std::swap(ca, v.ca); }

	int  GetCount() const       { return Items(); }
	int  GetAlloc() const       { return Cap(); }
	bool IsEmpty() const        { return Items() == 0; }

	T&       operator[](int i)       { return vector[i]; }
	const T& operator[](int i) const { return vector[i]; }
	T&       Top()                   { return vector[Items() - 1]; }
	const T& Top() const             { return vector[Items() - 1]; }

	T*       begin()       { return vector; }
	T*       end()         { return vector + Items(); }
	const T* begin() const { return vector; }
	const T* end() const   { return vector + Items(); }

	bool operator==(const Vector& b) const
	{
		if(Items() != b.Items())
			return false;
		for(int i = 0; i < Items(); i++)
			if(!(vector[i] == b.vector[i]))
				return false;
		return true;
	}
};

template <class T>
void Vector<T>::Free()
{
	if(vector) {
		detail::Destroy(vector, vector + Items());
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
		SetCap(0);
		return old;
	}
	int a = Cap();
	if(vector && detail::VectorTryExtend(vector, n, a, sizeof(T))) {
		SetCap(a);
		return nullptr;
	}
	T* nv = (T*)detail::VectorAlloc(n, a, sizeof(T));
	SetCap(a);
	detail::Relocate(nv, vector, Items());
	T* old = vector;
	vector = nv;
	return old;
}

// The new element is built before the old elements are moved and their block freed, so an
// argument that refers into this vector is still intact while it is read (or moved from).
template <class T>
template <class... A>
T& Vector<T>::AddGrow(A&&... a)
{
	int n = detail::VectorGrowCapacity(Cap());
	int na = Cap();
	if(vector && detail::VectorTryExtend(vector, n, na, sizeof(T))) {
		SetCap(na);
		return *new(Construct()) T(std::forward<A>(a)...);
	}
	T* nv = (T*)detail::VectorAlloc(n, na, sizeof(T));
	T* q;
#if __cpp_exceptions
	try {
		q = new(nv + Items()) T(std::forward<A>(a)...);
	}
	catch(...) {
		MemoryFree(nv);
		throw;
	}
#else
	q = new(nv + Items()) T(std::forward<A>(a)...);
#endif
	detail::Relocate(nv, vector, Items());
	if(vector)
		MemoryFree(vector);
	vector = nv;
	SetCap(na);
	ca++;
	return *q;
}

template <class T>
Vector<T>::Vector(const Vector& v)
{
	if(v.Items() == 0)
		return;
	int a;
	vector = (T*)detail::VectorAlloc(v.Items(), a, sizeof(T));
	SetCap(a);
	for(const T& x : v)
		new(Construct()) T(x);
}

template <class T>
Vector<T>::Vector(std::initializer_list<T> init)
{
	if(init.size() == 0)
		return;
	Reserve((int)init.size());
	for(const T& x : init)
		new(Construct()) T(x);
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
		ca = v.ca;
		v.vector = nullptr;
		v.ca = 0;
	}
	return *this;
}

template <class T>
T* Vector<T>::InsertRaw(int i, int k)
{
	if(k <= 0)
		return vector + i;
	if(k > detail::CONTAINER_MAX - Items())
		detail::TooManyItems();
	if(Items() + k <= Cap())
		detail::RelocateOverlap(vector + i + k, vector + i, Items() - i);
	else {
		int na;
		T* nv = (T*)detail::VectorAlloc(detail::VectorInsertCapacity(Items(), Cap(), k), na, sizeof(T));
		detail::Relocate(nv, vector, i);
		detail::Relocate(nv + i + k, vector + i, Items() - i);
		if(vector)
			MemoryFree(vector);
		vector = nv;
		SetCap(na);
	}
	ca += (uint32)k;
	return vector + i;
}

template <class T>
T& Vector<T>::Insert(int i, const T& x)
{
	if(detail::Inside(&x, vector, Items())) { // x would move under the gap
		T tmp(x);
		return *new(InsertRaw(i, 1)) T(std::move(tmp));
	}
	return *new(InsertRaw(i, 1)) T(x);
}

template <class T>
T& Vector<T>::Insert(int i, T&& x)
{
	if(detail::Inside(&x, vector, Items())) {
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
	if(n > 0 && detail::Inside(p, vector, Items())) {
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
	if(Items() + (int64)n > Cap() && detail::Inside(p, vector, Items())) {
		Vector tmp;
		tmp.Append(p, n);
		Append(std::move(tmp));
		return;
	}
	T* q = InsertRaw(Items(), n);
	for(int j = 0; j < n; j++)
		new(q + j) T(p[j]);
}

template <class T>
void Vector<T>::Append(Vector&& v)
{
	if(&v == this) {
		Append(v.vector, v.Items());
		return;
	}
	if(Items() == 0) {
		*this = std::move(v);
		return;
	}
	T* q = InsertRaw(Items(), v.Items());
	detail::Relocate(q, v.vector, v.Items());
	v.SetItems(0);
	v.Clear();
}

template <class T>
void Vector<T>::Remove(int i, int n)
{
	if(n <= 0)
		return;
	detail::Destroy(vector + i, vector + i + n);
	detail::RelocateOverlap(vector + i, vector + i + n, Items() - i - n);
	ca -= (uint32)n;
}

template <class T>
void Vector<T>::Trim(int n)
{
	detail::Destroy(vector + n, vector + Items());
	SetItems(n);
}

template <class T>
T& Vector<T>::At(int i)
{
	if(i >= Items()) {
		if(i >= Cap()) {
			int64 n = (int64)Cap() + max<int64>((int64)i + 1 - Items(), Cap());
			Reallocate((int)min<int64>(n, detail::CONTAINER_MAX));
		}
		while(Items() <= i)
			new(Construct()) T;
	}
	return vector[i];
}

template <class T>
void Vector<T>::SetCount(int n)
{
	if(n == Items())
		return;
	if(n < Items()) {
		Trim(n);
		return;
	}
	if(n > Cap()) {
		Reallocate(n);
	}
	while(Items() < n)
		new(Construct()) T;
}

template <class T>
void Vector<T>::SetCount(int n, const T& init)
{
	if(n <= Items()) {
		Trim(n);
		return;
	}
	if(n > Cap() && detail::Inside(&init, vector, Items())) {
		T tmp(init);
		SetCount(n, tmp);
		return;
	}
	if(n > Cap()) {
		Reallocate(n);
	}
	while(Items() < n)
		new(Construct()) T(init);
}

template <class T>
void Vector<T>::Reserve(int n)
{
	if(n > Cap()) {
		Reallocate(n);
	}
}

template <class T>
void Vector<T>::Shrink()
{
	if(Items() != Cap()) {
		Reallocate(Items());
	}
}

template <class T>
void Vector<T>::Clear()
{
	Free();
	vector = nullptr;
	ca = 0;
}

} // namespace Qel
