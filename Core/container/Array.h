// Array: a Vector of owning pointers. Elements live in their own heap blocks and keep their
// addresses while the Array grows or opens gaps; they need not be relocatable.
#pragma once

#include "Vector.h"

namespace Qel {

template <class T>
class Array {
	Vector<T*> vector;

	void Delete(int i, int n)
	{
		for(int j = i; j < i + n; j++)
			delete vector[j];
	}

public:
	using Relocatable = void; // moved as raw bytes by the containers
	using value_type = T;

	class Iterator {
		T** p = nullptr;

	public:
		using difference_type = ptrdiff_t;
		using value_type = T;
		Iterator() = default;
		explicit Iterator(T** p) : p(p) {}
		T& operator*() const                  { return **p; }
		T* operator->() const                 { return *p; }
		Iterator& operator++()                { ++p; return *this; }
		Iterator operator++(int)              { Iterator t = *this; ++p; return t; }
		Iterator& operator--()                { --p; return *this; }
		ptrdiff_t operator-(Iterator b) const { return p - b.p; }
		Iterator operator+(ptrdiff_t n) const { return Iterator(p + n); }
		bool operator==(const Iterator&) const = default;
	};

	class ConstIterator {
		T* const* p = nullptr;

	public:
		using difference_type = ptrdiff_t;
		using value_type = T;
		ConstIterator() = default;
		explicit ConstIterator(T* const* p) : p(p) {}
		const T& operator*() const                 { return **p; }
		const T* operator->() const                { return *p; }
		ConstIterator& operator++()                { ++p; return *this; }
		ConstIterator operator++(int)              { ConstIterator t = *this; ++p; return t; }
		ConstIterator& operator--()                { --p; return *this; }
		ptrdiff_t operator-(ConstIterator b) const { return p - b.p; }
		ConstIterator operator+(ptrdiff_t n) const { return ConstIterator(p + n); }
		bool operator==(const ConstIterator&) const = default;
	};

	Array() = default;
	Array(const Array& a);
	Array(Array&& a) noexcept = default;
	Array(std::initializer_list<T> init)
	{
		vector.Reserve((int)init.size());
		for(const T& x : init)
			Add(x);
	}
	~Array() { Delete(0, vector.GetCount()); }

	Array& operator=(const Array& a)
	{
		if(this != &a) {
			Array tmp(a);
			Swap(tmp);
		}
		return *this;
	}
	Array& operator=(Array&& a) noexcept
	{
		if(this != &a) {
			Clear();
			vector = std::move(a.vector);
		}
		return *this;
	}

	// The element is created before its slot, so an argument inside this Array stays valid.
	T& Add()           { T* q = new T; vector.Add(q); return *q; }
	T& Add(const T& x) { T* q = new T(x); vector.Add(q); return *q; }
	T& Add(T&& x)      { T* q = new T(std::move(x)); vector.Add(q); return *q; }
	// Takes ownership of a heap element.
	T& Add(T* newt)    { vector.Add(newt); return *newt; }
	template <class U, class... A>
	U& Create(A&&... a) { U* q = new U(std::forward<A>(a)...); vector.Add(q); return *q; }
	void Append(const Array& a)
	{
		int n = a.GetCount(); // a may be this Array
		for(int i = 0; i < n; i++)
			Add(a[i]);
	}

	T& Insert(int i)             { T* q = new T; vector.Insert(i, q); return *q; }
	T& Insert(int i, const T& x) { T* q = new T(x); vector.Insert(i, q); return *q; }
	T& Insert(int i, T&& x)      { T* q = new T(std::move(x)); vector.Insert(i, q); return *q; }
	T& Insert(int i, T* newt)    { vector.Insert(i, newt); return *newt; }

	void Remove(int i, int n = 1) { Delete(i, n); vector.Remove(i, n); }
	// Removes element i from the Array without destroying it; the caller owns it.
	T*   Detach(int i)            { T* q = vector[i]; vector.Remove(i); return q; }
	// Replaces element i by a heap element, deleting the old one.
	T&   Set(int i, T* newt)      { delete vector[i]; vector[i] = newt; return *newt; }
	void Swap(int i, int j)       { std::swap(vector[i], vector[j]); }
	void Trim(int n)              { Delete(n, vector.GetCount() - n); vector.Trim(n); }
	void Drop(int n = 1)          { Trim(GetCount() - n); }
	T    Pop()                    { T x(std::move(Top())); Drop(); return x; }
	void SetCount(int n)
	{
		if(n < GetCount()) {
			Trim(n);
			return;
		}
		vector.Reserve(n);
		while(GetCount() < n)
			Add();
	}
	void Reserve(int n)           { vector.Reserve(n); }
	void Shrink()                 { vector.Shrink(); }
	void Clear()                  { Delete(0, vector.GetCount()); vector.Clear(); }
	void Swap(Array& a) noexcept  { vector.Swap(a.vector); }

	int  GetCount() const         { return vector.GetCount(); }
	bool IsEmpty() const          { return vector.IsEmpty(); }

	T&       operator[](int i)       { return *vector[i]; }
	const T& operator[](int i) const { return *vector[i]; }
	T&       Top()                   { return *vector.Top(); }
	const T& Top() const             { return *vector.Top(); }

	// The pointer block, for sorting or rearranging without touching the elements.
	Vector<T*>&       GetPointers()       { return vector; }
	const Vector<T*>& GetPointers() const { return vector; }

	Iterator      begin()       { return Iterator(vector.begin()); }
	Iterator      end()         { return Iterator(vector.end()); }
	ConstIterator begin() const { return ConstIterator(vector.begin()); }
	ConstIterator end() const   { return ConstIterator(vector.end()); }

	bool operator==(const Array& b) const
	{
		if(GetCount() != b.GetCount())
			return false;
		for(int i = 0; i < GetCount(); i++)
			if(!((*this)[i] == b[i]))
				return false;
		return true;
	}
};

template <class T>
Array<T>::Array(const Array& a)
{
	vector.Reserve(a.GetCount());
	for(T* p : a.vector)
		vector.Add(p ? new T(*p) : nullptr);
}

} // namespace Qel
