#include "Vector.h"
#include <Core/base/Panic.h>

#include <cstdlib>

namespace Qel::detail {

void TooManyItems()
{
	Panic("Too many items in container!");
	abort(); // a nested panic returns; the caller cannot go on
}

int VectorGrowCapacity(int alloc)
{
	if(alloc == CONTAINER_MAX)
		TooManyItems();
	int64 n = GrownCapacity(alloc);
	return n >= CONTAINER_MAX - 1 ? CONTAINER_MAX : max(alloc + 1, (int)n); // no last step of one
}

int VectorInsertCapacity(int count, int alloc, int k)
{
	int64 n = (int64)alloc + k;
	if(GrownCapacity(alloc) <= CONTAINER_MAX)
		n = max<int64>(n, GrownCapacity(alloc));
	n = min<int64>(n, CONTAINER_MAX);
	return (int)max<int64>(n, (int64)count + k);
}

namespace {

// The allocator rounds requests up; the rounding becomes extra elements.
int Capacity(int n, size_t requested, size_t usable, size_t size)
{
	int64 a = n + (usable > requested ? (int64)((usable - requested) / size) : 0);
	return a > CONTAINER_MAX ? CONTAINER_MAX : (int)a;
}

} // namespace

bool VectorTryExtend(void* block, int n, int& alloc, size_t size)
{
	if(!((uintptr_t)block & 16)) // only large blocks can grow in place
		return false;
	size_t req = (size_t)n * size;
	size_t got = req;
	if(!MemoryTryRealloc(block, got))
		return false;
	alloc = Capacity(n, req, got, size);
	return true;
}

void* VectorAlloc(int n, int& alloc, size_t size)
{
	size_t req = (size_t)n * size;
	size_t got = req;
	void* p = MemoryAllocSz(got);
	alloc = Capacity(n, req, got, size);
	return p;
}

} // namespace Qel::detail
