// Index: a Vector of keys with a hash part. Entries keep their positions; equal keys are
// found through circular bucket chains threaded through a parallel array of links.
#pragma once

#include "Hash.h"
#include "Vector.h"

namespace Qel {

namespace detail {

struct HashLink {
	int   next;
	dword hash; // folded hash of the key, 0 when the entry is unlinked
	int   prev;
};

// The map of every empty index: one empty bucket, shared and never written.
extern int hash_sentinel[1];
} // namespace detail

class HashBase {
protected:
	using HashLink = detail::HashLink;

	int*      map      = detail::hash_sentinel;
	HashLink* links    = nullptr;
	dword     mask     = 0;
	int       unlinked = -1;

	// Joins entry i to the tail of the circular chain that starts at head (-1: empty).
	QEL_FORCE_INLINE void JoinChain(int& head, int i)
	{
		HashLink& l = links[i];
		if(head < 0) {
			l.next = l.prev = i;
			head = i;
		}
		else {
			int n = head;
			int p = links[n].prev;
			l.next = n;
			l.prev = p;
			links[p].next = i;
			links[n].prev = i;
		}
	}

	// Joins entry i (with hash h already stored) to the tail of its bucket's chain.
	QEL_FORCE_INLINE void AddToBucket(int i, dword h) { JoinChain(map[h & mask], i); }

	// Links a freshly appended entry i. The map keeps at least twice as many buckets as
	// entries, so most look-ups of absent keys end at an empty bucket.
	QEL_FORCE_INLINE void Link(int i, dword h)
	{
		links[i].hash = h;
		if((dword)i >= (mask + 1) >> 1 && mask < MaxMask)
			GrowMap(i + 1);
		else
			AddToBucket(i, h);
	}

	bool IsSentinel() const { return map == detail::hash_sentinel; }
	void FreeMap();
	// Takes entry i out of whatever chain holds it (a bucket or the unlinked chain).
	void Detach(int i);
	// Puts entry i at the tail of the unlinked chain and clears its hash.
	void JoinUnlinked(int i);
	// Pops the most recently unlinked entry off the unlinked chain; -1 when there is none.
	int  TakeUnlinked();
	// Gives entry i (linked or not) the hash h and moves it to the tail of its bucket.
	void Rehook(int i, dword h);
	// The link array for alloc entries, keeping the first count records.
	void ReallocLinks(int alloc, int count);
	// Removes link records i .. i + n - 1 of count and rebuilds every chain.
	void RemoveLinks(int i, int n, int count);
	// Drops the entries from n to count - 1 out of their chains.
	void TrimLinks(int n, int count);
	// Shrinks the map to the smallest size that fits count entries, keeping it when unchanged.
	void FitMap(int count);

	void Clear();
	void CopyLinks(const HashBase& b, int count);
	// Relinks entries 0 .. count - 1 into emptied buckets, in position order.
	void Reindex(int count);
	void GrowMap(int count);
	// Sizes the map for count entries (the shared empty map for none) and relinks.
	void AdjustMap(int count);

public:
	static constexpr dword MaxMask = 0x7fffffff; // the largest map; beyond it chains grow longer

	HashBase() = default;
	HashBase(const HashBase&) = delete;
	HashBase(HashBase&& b) noexcept;
	~HashBase() { Clear(); }

	HashBase& operator=(const HashBase&) = delete;
	HashBase& operator=(HashBase&& b) noexcept;

	void Unlink(int i);
	Vector<int> GetUnlinked() const;

	bool  IsUnlinked(int i) const { return links[i].hash == 0; }
	bool  HasUnlinked() const     { return unlinked >= 0; }
	dword GetHash(int i) const    { return links[i].hash; }
	dword GetMask() const         { return mask; }
	void  Swap(HashBase& b) noexcept;
};

template <class T>
class Index : public HashBase {
	Vector<T> key;

	template <class K>
	int AddKey(K&& k, dword h)
	{
		int i = key.GetCount();
		int a = key.GetAlloc();
		key.Add(std::forward<K>(k));
		if(QEL_UNLIKELY(key.GetAlloc() != a))
			ReallocLinks(key.GetAlloc(), i);
		Link(i, h);
		return i;
	}

	int Find(const T& k, dword h) const
	{
		int i = map[h & mask];
		if(i >= 0) {
			int head = i;
			do {
				if(links[i].hash == h && key[i] == k) // the stored hash spares most key reads
					return i;
				i = links[i].next;
			}
			while(i != head);
		}
		return -1;
	}

	template <class K>
	int PutKey(K&& k, dword h)
	{
		int i = TakeUnlinked();
		if(i < 0)
			return AddKey(std::forward<K>(k), h);
		links[i].hash = h;
		AddToBucket(i, h);
		key[i] = std::forward<K>(k);
		return i;
	}

	template <class K>
	int FindAddKey(K&& k)
	{
		dword h = Hash(k);
		int i = Find(k, h);
		return i >= 0 ? i : AddKey(std::forward<K>(k), h);
	}

	template <class K>
	int FindPutKey(K&& k)
	{
		dword h = Hash(k);
		int i = Find(k, h);
		return i >= 0 ? i : PutKey(std::forward<K>(k), h);
	}

	template <class K>
	void SetKey(int i, K&& k)
	{
		Rehook(i, Hash(k));
		if(&key[i] != &k)
			key[i] = std::forward<K>(k);
	}

public:
	using Relocatable = void; // moved as raw bytes by the containers
	using value_type = T;

	static dword Hash(const T& k) { return FoldHash(GetHashValue(k)); }

	Index() = default;
	Index(const Index& b);
	Index(Index&& b) noexcept = default;
	Index(std::initializer_list<T> init) { for(const T& k : init) Add(k); }
	// Takes the keys over and links them all.
	explicit Index(Vector<T>&& keys) : key(std::move(keys)) { Rehash(true); }

	Index& operator=(const Index& b)
	{
		if(this != &b) {
			Index tmp(b);
			Swap(tmp);
		}
		return *this;
	}
	Index& operator=(Index&& b) noexcept
	{
		if(this != &b) {
			key = std::move(b.key);
			HashBase::operator=(std::move(b));
		}
		return *this;
	}
	Index& operator=(Vector<T>&& keys)
	{
		key = std::move(keys);
		Rehash(true);
		return *this;
	}

	// Appends without searching; equal keys may repeat.
	int Add(const T& k) { return AddKey(k, Hash(k)); }
	int Add(T&& k)      { dword h = Hash(k); return AddKey(std::move(k), h); }

	int Find(const T& k) const { return Find(k, Hash(k)); }
	// The next entry after i with a key equal to key i, in chain order; -1 at the end.
	int FindNext(int i) const;
	int FindAdd(const T& k) { return FindAddKey(k); }
	int FindAdd(T&& k)      { return FindAddKey(std::move(k)); }

	// Like Add, but reuses the most recently unlinked position when there is one.
	int Put(const T& k)     { return PutKey(k, Hash(k)); }
	int Put(T&& k)          { dword h = Hash(k); return PutKey(std::move(k), h); }
	int FindPut(const T& k) { return FindPutKey(k); }
	int FindPut(T&& k)      { return FindPutKey(std::move(k)); }

	// Replaces key i and rehashes it; an unlinked entry becomes findable again.
	void Set(int i, const T& k) { SetKey(i, k); }
	void Set(int i, T&& k)      { SetKey(i, std::move(k)); }

	// Unlinks every entry equal to k; returns how many there were.
	int  UnlinkKey(const T& k);
	// Removes the unlinked entries; the positions of the others close up.
	void Sweep();
	void Remove(int i, int n = 1);
	void Trim(int n)            { TrimLinks(n, key.GetCount()); key.Trim(n); }
	void Drop(int n = 1)        { Trim(key.GetCount() - n); }
	void Reserve(int n);
	void Shrink();
	void Clear()                { key.Clear(); HashBase::Clear(); }
	// Relinks every key after the key vector was filled or changed in bulk; adjust resizes the map.
	void Rehash(bool adjust);
	void Swap(Index& b) noexcept { HashBase::Swap(b); key.Swap(b.key); }

	int  GetCount() const                 { return key.GetCount(); }
	int  GetAlloc() const                 { return key.GetAlloc(); }
	bool IsEmpty() const                  { return key.IsEmpty(); }
	const T& operator[](int i) const      { return key[i]; }
	const T& Top() const                  { return key.Top(); }
	const Vector<T>& GetKeys() const      { return key; }
	Vector<T> PickKeys()                  { Vector<T> r = std::move(key); Clear(); return r; }

	const T* begin() const { return key.begin(); }
	const T* end() const   { return key.end(); }
};

template <class T>
Index<T>::Index(const Index& b) : HashBase(), key(b.key)
{
	if(key.GetAlloc())
		ReallocLinks(key.GetAlloc(), 0);
	CopyLinks(b, key.GetCount());
}

template <class T>
int Index<T>::FindNext(int i) const
{
	dword h = links[i].hash;
	if(h == 0)
		return -1;
	int head = map[h & mask];
	const T& k = key[i];
	for(int j = links[i].next; j != head; j = links[j].next)
		if(links[j].hash == h && key[j] == k)
			return j;
	return -1;
}

// Unlinks in position order, so that Put reuses the slots in a predictable order.
template <class T>
int Index<T>::UnlinkKey(const T& k)
{
	Vector<int> found;
	for(int i = Find(k); i >= 0; i = FindNext(i)) {
		int j = found.GetCount();
		found.Add(i);
		for(; j > 0 && found[j - 1] > i; j--)
			found[j] = found[j - 1];
		found[j] = i;
	}
	for(int i : found)
		Unlink(i);
	return found.GetCount();
}

template <class T>
void Index<T>::Sweep()
{
	int n = key.GetCount();
	int j = 0;
	for(int i = 0; i < n; i++)
		if(links[i].hash) {
			if(i != j) {
				key[j] = std::move(key[i]);
				links[j].hash = links[i].hash;
			}
			j++;
		}
	key.Trim(j);
	unlinked = -1;
	Reindex(j);
}

template <class T>
void Index<T>::Remove(int i, int n)
{
	if(n <= 0)
		return;
	RemoveLinks(i, n, key.GetCount());
	key.Remove(i, n);
}

template <class T>
void Index<T>::Reserve(int n)
{
	int a = key.GetAlloc();
	key.Reserve(n);
	if(key.GetAlloc() != a)
		ReallocLinks(key.GetAlloc(), key.GetCount());
}

template <class T>
void Index<T>::Shrink()
{
	int a = key.GetAlloc();
	key.Shrink();
	if(key.GetAlloc() == a)
		return;
	ReallocLinks(key.GetAlloc(), key.GetCount());
	FitMap(key.GetCount());
}

template <class T>
void Index<T>::Rehash(bool adjust)
{
	int n = key.GetCount();
	ReallocLinks(key.GetAlloc(), 0);
	unlinked = -1;
	for(int i = 0; i < n; i++)
		links[i].hash = Hash(key[i]);
	if(adjust || (IsSentinel() && n))
		AdjustMap(n);
	else
		Reindex(n);
}

} // namespace Qel
