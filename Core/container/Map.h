// VectorMap and ArrayMap: an Index of keys with the values at the same positions, in a
// Vector (values relocate) or an Array (values keep their addresses).
#pragma once

#include "Array.h"
#include "Index.h"
#include <Core/base/Panic.h>

#include <cstdlib>

namespace Qel {

namespace detail {

template <class K, class V, class C>
class MapBase {
protected:
	Index<K> key;
	C        value; // declared after the keys, so values are destroyed first

	template <class KK, class... A>
	V& AddWith(KK&& k, A&&... a)
	{
		key.Add(std::forward<KK>(k));
		return value.Add(std::forward<A>(a)...);
	}

	template <class KK, class... A>
	int FindAddWith(KK&& k, A&&... a)
	{
		int n = key.GetCount();
		int i = key.FindAdd(std::forward<KK>(k));
		if(i >= n)
			value.Add(std::forward<A>(a)...);
		return i;
	}

	template <class KK, class... A>
	int PutWith(KK&& k, A&&... a)
	{
		int n = key.GetCount();
		int i = key.Put(std::forward<KK>(k));
		if(i >= n)
			value.Add(std::forward<A>(a)...);
		else
			value[i] = V(std::forward<A>(a)...);
		return i;
	}

	template <class KK, class... A>
	int FindPutWith(KK&& k, A&&... a)
	{
		int i = key.Find(k);
		return i >= 0 ? i : PutWith(std::forward<KK>(k), std::forward<A>(a)...);
	}

public:
	using Relocatable = void; // moved as raw bytes by the containers
	MapBase() = default;
	MapBase(std::initializer_list<std::pair<K, V>> init)
	{
		for(const auto& x : init)
			Add(x.first, x.second);
	}

	// Appends an entry without searching; keys may repeat.
	V& Add(const K& k)               { return AddWith(k); }
	V& Add(K&& k)                    { return AddWith(std::move(k)); }
	V& Add(const K& k, const V& x)   { return AddWith(k, x); }
	V& Add(const K& k, V&& x)        { return AddWith(k, std::move(x)); }
	V& Add(K&& k, const V& x)        { return AddWith(std::move(k), x); }
	V& Add(K&& k, V&& x)             { return AddWith(std::move(k), std::move(x)); }

	int Find(const K& k) const       { return key.Find(k); }
	int FindNext(int i) const        { return key.FindNext(i); }
	// Position of k; a missing key is appended with an empty value (or a copy of init).
	int FindAdd(const K& k)                 { return FindAddWith(k); }
	int FindAdd(K&& k)                      { return FindAddWith(std::move(k)); }
	int FindAdd(const K& k, const V& init)  { return FindAddWith(k, init); }
	int FindAdd(K&& k, const V& init)       { return FindAddWith(std::move(k), init); }

	// Like Add, but reuses the most recently unlinked position.
	int Put(const K& k, const V& x)         { return PutWith(k, x); }
	int Put(const K& k, V&& x)              { return PutWith(k, std::move(x)); }
	int FindPut(const K& k)                 { return FindPutWith(k); }
	int FindPut(const K& k, const V& init)  { return FindPutWith(k, init); }

	V* FindPtr(const K& k)             { int i = Find(k); return i < 0 ? nullptr : &value[i]; }
	const V* FindPtr(const K& k) const { int i = Find(k); return i < 0 ? nullptr : &value[i]; }
	V& Get(const K& k)
	{
		int i = Find(k);
		if(i < 0) {
			Panic("Key not found in map!");
			abort(); // a nested panic returns
		}
		return value[i];
	}
	const V& Get(const K& k) const { return const_cast<MapBase*>(this)->Get(k); }
	const V& Get(const K& k, const V& def) const { int i = Find(k); return i < 0 ? def : value[i]; }
	V& GetAdd(const K& k)                   { return value[FindAdd(k)]; }
	V& GetAdd(const K& k, const V& init)    { return value[FindAdd(k, init)]; }
	V& GetPut(const K& k)                   { return value[FindPut(k)]; }

	void SetKey(int i, const K& k)   { key.Set(i, k); }
	void SetKey(int i, K&& k)        { key.Set(i, std::move(k)); }
	void Unlink(int i)               { key.Unlink(i); }
	int  UnlinkKey(const K& k)       { return key.UnlinkKey(k); }
	bool IsUnlinked(int i) const     { return key.IsUnlinked(i); }
	bool HasUnlinked() const         { return key.HasUnlinked(); }
	Vector<int> GetUnlinked() const  { return key.GetUnlinked(); }
	void Sweep()
	{
		int n = key.GetCount();
		int j = 0;
		for(int i = 0; i < n; i++)
			if(!key.IsUnlinked(i)) {
				if(i != j)
					std::swap(value[j], value[i]);
				j++;
			}
		value.Trim(j);
		key.Sweep();
	}
	void Remove(int i, int n = 1)    { key.Remove(i, n); value.Remove(i, n); }
	int  RemoveKey(const K& k)
	{
		int n = 0;
		for(int i; (i = Find(k)) >= 0; n++)
			Remove(i);
		return n;
	}
	void Trim(int n)                 { key.Trim(n); value.Trim(n); }
	void Drop(int n = 1)             { Trim(GetCount() - n); }
	void Reserve(int n)              { key.Reserve(n); value.Reserve(n); }
	void Shrink()                    { key.Shrink(); value.Shrink(); }
	void Clear()                     { value.Clear(); key.Clear(); }

	int  GetCount() const            { return key.GetCount(); }
	bool IsEmpty() const             { return key.IsEmpty(); }
	const K& GetKey(int i) const     { return key[i]; }
	V&       operator[](int i)       { return value[i]; }
	const V& operator[](int i) const { return value[i]; }
	V&       Top()                   { return value.Top(); }
	const V& Top() const             { return value.Top(); }

	const Index<K>& GetIndex() const { return key; }
	const Vector<K>& GetKeys() const { return key.GetKeys(); }
	C&       GetValues()             { return value; }
	const C& GetValues() const       { return value; }
	Index<K> PickIndex()             { value.Clear(); Index<K> r = std::move(key); key.Clear(); return r; }
	C        PickValues()            { key.Clear(); C r = std::move(value); value.Clear(); return r; }

	bool operator==(const MapBase& b) const { return key.GetKeys() == b.key.GetKeys() && value == b.value; }
};

} // namespace detail

template <class K, class V>
class VectorMap : public detail::MapBase<K, V, Vector<V>> {
	using B = detail::MapBase<K, V, Vector<V>>;

public:
	using B::B;
	VectorMap() = default;
	void Swap(VectorMap& b) noexcept { this->key.Swap(b.key); this->value.Swap(b.value); }
};

template <class K, class V>
class ArrayMap : public detail::MapBase<K, V, Array<V>> {
	using B = detail::MapBase<K, V, Array<V>>;

public:
	using B::B;
	using B::Add;
	ArrayMap() = default;

	// Takes ownership of a heap value.
	V& Add(const K& k, V* newt) { this->key.Add(k); return this->value.Add(newt); }
	template <class U, class... A>
	U& Create(const K& k, A&&... a)
	{
		this->key.Add(k);
		return this->value.template Create<U>(std::forward<A>(a)...);
	}
	// Removes value i and its key; the caller owns the returned value.
	V* Detach(int i) { this->key.Remove(i); return this->value.Detach(i); }
	void Swap(ArrayMap& b) noexcept { this->key.Swap(b.key); this->value.Swap(b.value); }
};

} // namespace Qel
