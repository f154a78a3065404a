#include "Index.h"

namespace Qel {

namespace detail {
int hash_sentinel[1] = { -1 };
} // namespace detail

namespace {

int* NewMap(dword mask)
{
	int* m = (int*)MemoryAlloc(((size_t)mask + 1) * sizeof(int));
	memset(m, 0xff, ((size_t)mask + 1) * sizeof(int)); // every bucket -1
	return m;
}

// The smallest of 3, 7, 15, ... that gives count entries twice as many buckets (up to the
// largest map).
dword MaskFor(int count)
{
	uint64 need = min<uint64>(2 * (uint64)count, uint64(HashBase::MaxMask) + 1);
	dword m = 3;
	while(m + 1 < need)
		m = m * 2 + 1;
	return m;
}

} // namespace

HashBase::HashBase(HashBase&& b) noexcept
	: map(b.map), links(b.links), mask(b.mask), unlinked(b.unlinked)
{
	b.map = detail::hash_sentinel;
	b.links = nullptr;
	b.mask = 0;
	b.unlinked = -1;
}

HashBase& HashBase::operator=(HashBase&& b) noexcept
{
	if(this != &b) {
		Clear();
		Swap(b);
	}
	return *this;
}

void HashBase::Swap(HashBase& b) noexcept
{
	std::swap(map, b.map);
	std::swap(links, b.links);
	std::swap(mask, b.mask);
	std::swap(unlinked, b.unlinked);
}

void HashBase::FreeMap()
{
	if(!IsSentinel())
		MemoryFree(map);
	map = detail::hash_sentinel;
	mask = 0;
}

void HashBase::Clear()
{
	if(links)
		MemoryFree(links);
	links = nullptr;
	FreeMap();
	unlinked = -1;
}

void HashBase::CopyLinks(const HashBase& b, int count)
{
	if(count > 0)
		memcpy(links, b.links, (size_t)count * sizeof(HashLink));
	FreeMap();
	mask = b.mask;
	unlinked = b.unlinked;
	if(!b.IsSentinel()) {
		map = (int*)MemoryAlloc(((size_t)mask + 1) * sizeof(int));
		memcpy(map, b.map, ((size_t)mask + 1) * sizeof(int));
	}
}

void HashBase::Reindex(int count)
{
	if(IsSentinel())
		return; // nothing linked, nothing to relink into
	memset(map, 0xff, ((size_t)mask + 1) * sizeof(int));
	for(int i = 0; i < count; i++)
		if(dword h = links[i].hash)
			AddToBucket(i, h);
}

void HashBase::GrowMap(int count)
{
	dword m = mask * 2 | 3;
	FreeMap();
	mask = m;
	map = NewMap(mask);
	Reindex(count);
}

void HashBase::AdjustMap(int count)
{
	FreeMap();
	if(count == 0)
		return;
	mask = MaskFor(count);
	map = NewMap(mask);
	Reindex(count);
}

void HashBase::FitMap(int count)
{
	if(count == 0) {
		FreeMap();
		return;
	}
	dword m = MaskFor(count);
	if(m != mask) {
		FreeMap();
		mask = m;
		map = NewMap(mask);
		Reindex(count);
	}
}

void HashBase::Detach(int i)
{
	HashLink& l = links[i];
	int& head = l.hash ? map[l.hash & mask] : unlinked;
	if(l.next == i) {
		head = -1;
		return;
	}
	if(head == i)
		head = l.next;
	links[l.next].prev = l.prev;
	links[l.prev].next = l.next;
}

void HashBase::Unlink(int i)
{
	if(links[i].hash == 0)
		return; // already unlinked
	Detach(i);
	JoinUnlinked(i);
}

void HashBase::JoinUnlinked(int i)
{
	JoinChain(unlinked, i);
	links[i].hash = 0;
}

int HashBase::TakeUnlinked()
{
	if(unlinked < 0)
		return -1;
	int i = links[unlinked].prev;
	Detach(i);
	return i;
}

void HashBase::Rehook(int i, dword h)
{
	Detach(i);
	links[i].hash = h;
	AddToBucket(i, h);
}

Vector<int> HashBase::GetUnlinked() const
{
	Vector<int> r;
	if(unlinked < 0)
		return r;
	int i = links[unlinked].prev;
	for(;;) {
		r.Add(i);
		if(i == unlinked)
			break;
		i = links[i].prev;
	}
	return r;
}

void HashBase::ReallocLinks(int alloc, int count)
{
	if(alloc == 0) {
		if(links)
			MemoryFree(links);
		links = nullptr;
		return;
	}
	size_t size = (size_t)alloc * sizeof(HashLink);
	if(links && ((uintptr_t)links & 16)) {
		size_t got = size;
		if(MemoryTryRealloc(links, got))
			return;
	}
	HashLink* l = (HashLink*)MemoryAlloc(size);
	if(count > 0)
		memcpy(l, links, (size_t)count * sizeof(HashLink));
	if(links)
		MemoryFree(links);
	links = l;
}

void HashBase::RemoveLinks(int i, int n, int count)
{
	memmove(links + i, links + i + n, (size_t)(count - i - n) * sizeof(HashLink));
	count -= n;
	// Positions moved: rebuild the unlinked chain in position order, then the buckets.
	unlinked = -1;
	for(int j = 0; j < count; j++)
		if(links[j].hash == 0)
			JoinUnlinked(j);
	Reindex(count);
}

void HashBase::TrimLinks(int n, int count)
{
	for(int i = count - 1; i >= n; i--)
		Detach(i);
}

} // namespace Qel
