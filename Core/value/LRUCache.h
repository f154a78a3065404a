// LRUCache<T, K>: objects made on demand by maker objects, kept by (key, maker class) and
// dropped least recently used first. It takes no lock: the owner guards it.
#pragma once

#include <Core/container/Index.h>
#include <Core/container/Hash.h>
#include <Core/text/String.h>

#include <typeinfo>

namespace Qel {

template <class T, class K = String>
class LRUCache {
public:
	// Makes one object: Key names it (within the maker's class), Make fills it and returns its
	// cost in bytes.
	struct Maker {
		virtual K   Key() const = 0;
		virtual int Make(T& object) const = 0;
		virtual ~Maker() = default;
	};

private:
	// The maker's class is part of the key, so two makers giving the same key text do not meet.
	struct Key_ {
		static_assert(IsRelocatable<K>, "the cache's keys are moved as raw bytes");
		using Relocatable = void;
		K                     key;
		const std::type_info* type;

		bool operator==(const Key_& b) const { return *type == *b.type && key == b.key; }
		hash_t GetHashValue() const          { return CombineHash(Qel::GetHashValue(key), type->hash_code()); }
	};

	struct Item {
		int   prev = -1;
		int   next = -1;
		int64 size = 0;
		T*    data = nullptr; // null once dropped
	};

	Index<Key_>  key;
	Vector<Item> item;
	int          head = -1; // most recently used; head's prev is the least recently used
	int          count = 0;
	int64        size = 0;
	int64        found_size = 0;
	int64        made_size = 0;
	int          overhead;

	void Unlink(int i)
	{
		Item& m = item[i];
		if(m.next == i)
			head = -1;
		else {
			if(head == i)
				head = m.next;
			item[m.prev].next = m.next;
			item[m.next].prev = m.prev;
		}
		m.prev = m.next = -1;
	}

	void LinkHead(int i)
	{
		Item& m = item[i];
		if(head < 0)
			m.prev = m.next = i;
		else {
			Item& h = item[head];
			m.next = head;
			m.prev = h.prev;
			item[h.prev].next = i;
			h.prev = i;
		}
		head = i;
	}

	void Drop(int i)
	{
		Item& m = item[i];
		size -= m.size;
		delete m.data;
		m.data = nullptr;
		m.size = 0;
		Unlink(i);
		count--;
		key.Unlink(i);
	}

public:
	// The object kept for (k, type), now the most recently used; null when there is none.
	// *cost becomes the entry's size.
	T* Find(const K& k, const std::type_info& type, int64* cost = nullptr)
	{
		int i = key.Find(Key_{k, &type});
		if(i < 0)
			return nullptr;
		if(head != i) {
			Unlink(i);
			LinkHead(i);
		}
		found_size += item[i].size;
		if(cost)
			*cost = item[i].size;
		return item[i].data;
	}

	// Keeps object (taken over) for (k, type) as the most recently used; its size is
	// cost + overhead. An equal key already there stays, and Find keeps finding that one.
	T& Add(K k, const std::type_info& type, T* object, int64 cost)
	{
		int i = key.Put(Key_{std::move(k), &type});
		if(i >= item.GetCount())
			item.SetCount(i + 1);
		Item& m = item[i];
		delete m.data;
		m.data = object;
		m.size = cost + overhead;
		size += m.size;
		made_size += m.size;
		LinkHead(i);
		count++;
		return *object;
	}

	// The same as Get(maker), with the key, the class and the make step given apart. make(T&)
	// returns the cost; *cost becomes the entry's size (cost + overhead).
	template <class F>
	T& Get(K k, const std::type_info& type, F&& make, int64* cost = nullptr)
	{
		if(T* t = Find(k, type, cost))
			return *t;
		T* object = new T;
		int64 c;
		try {
			c = make(*object);
		}
		catch(...) {
			delete object;
			throw;
		}
		T& r = Add(std::move(k), type, object, c);
		if(cost)
			*cost = c + overhead;
		return r;
	}

	// The cached object, now the most recently used; made through the maker when missing.
	T& Get(const Maker& m, int64* cost = nullptr)
	{
		return Get(m.Key(), typeid(m), [&](T& x) { return m.Make(x); }, cost);
	}

	int   GetCount() const      { return count; }
	int64 GetSize() const       { return size; }
	// Sizes of the entries found and made since ClearCounters.
	int64 GetFoundSize() const  { return found_size; }
	int64 GetNewSize() const    { return made_size; }
	void  ClearCounters()       { found_size = made_size = 0; }

	// Drops the least recently used entry; nothing when empty.
	void RemoveOldest()
	{
		if(head >= 0)
			Drop(item[head].prev);
	}

	// Drops least recently used entries until both limits hold.
	void Shrink(int64 maxsize, int maxcount = 2147483647)
	{
		while(head >= 0 && (count > maxcount || size > maxsize))
			RemoveOldest();
	}

	// Drops every entry for which pred(const T&) is true; returns how many.
	template <class P>
	int Remove(P&& pred)
	{
		int n = 0;
		for(int i = 0; i < item.GetCount(); i++)
			if(item[i].data && pred(*item[i].data)) {
				Drop(i);
				n++;
			}
		return n;
	}

	// Re-costs every entry: cost(const T&) returns its new cost, or a negative number to keep
	// the one it has.
	template <class P>
	void AdjustSize(P&& cost)
	{
		for(Item& m : item)
			if(m.data) {
				int64 c = cost(*m.data);
				if(c >= 0) {
					size += c + overhead - m.size;
					m.size = c + overhead;
				}
			}
	}

	// Calls fn(const K& key, const T& object) for each entry, most recently used first.
	template <class F>
	void ForEach(F&& fn) const
	{
		if(head >= 0) {
			int i = head;
			do {
				fn(key[i].key, *item[i].data);
				i = item[i].next;
			}
			while(i != head);
		}
	}

	void Clear()
	{
		for(Item& m : item)
			delete m.data;
		item.Clear();
		key.Clear();
		head = -1;
		count = 0;
		size = 0;
	}

	// overhead is added to the cost of every entry.
	explicit LRUCache(int overhead = 0) : overhead(overhead) {}
	~LRUCache() { Clear(); }
	LRUCache(const LRUCache&) = delete;
	LRUCache& operator=(const LRUCache&) = delete;
};

} // namespace Qel
