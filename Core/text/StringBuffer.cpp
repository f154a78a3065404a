#include "String.h"
#include <Core/base/Panic.h>

#include <cstdlib>

namespace Qel {

namespace {

[[noreturn]] void BufferTooBig()
{
	Panic("StringBuffer is too big (>2GB)!");
	abort(); // a nested panic returns; the caller cannot go on
}

} // namespace

// Above 31 characters a buffer carries the shared String header, so a String can adopt it as is.
char* StringBuffer::Alloc(int count, int& capacity)
{
	if(count > 31) {
		detail::StringHeader* h = (detail::StringHeader*)MemoryAlloc((size_t)count + 9);
		h->refcount = 1;
		h->capacity = count;
		capacity = count;
		return (char*)(h + 1);
	}
	capacity = 31;
	return (char*)MemoryAlloc32();
}

void StringBuffer::Free()
{
	if(pbegin == buffer)
		return;
	if(limit - pbegin == 31)
		MemoryFree32(pbegin);
	else
		MemoryFree(pbegin - sizeof(detail::StringHeader));
}

StringBuffer::StringBuffer(String& s)
{
	s.UnShare();
	int len = s.GetLength();
	if(s.IsSmall()) {
		pbegin = (char*)MemoryAlloc32();
		memcpy(pbegin, s.chr, 16);
		pend = pbegin + len;
		limit = pbegin + 31;
		return;
	}
	pbegin = s.ptr;
	pend = pbegin + len;
	limit = pbegin + (s.Kind() == String0::MEDIUM ? 31 : s.Header()->capacity);
	s.Zero();
}

void StringBuffer::Realloc(uint64 newcap, const char* cat, int n)
{
	newcap = min(newcap, (uint64)0x7fffffff);
	int64 len = GetLength();
	if(cat && (n < 0 || len + n > 0x7fffffff))
		BufferTooBig();
	int cap = GetAlloc();
	char* header = pbegin - sizeof(detail::StringHeader);
	if(cap >= 801 && pbegin != buffer && ((uintptr_t)header & 16)) { // a large or big block may grow in place
		size_t sz = (size_t)newcap + 9;
		if(MemoryTryRealloc(header, sz)) {
			int c = (int)min(sz - 9, (size_t)0x7fffffff);
			((detail::StringHeader*)header)->capacity = c;
			limit = pbegin + c;
			if(pend > limit)
				pend = limit;
			if(cat) {
				memcpy(pend, cat, (size_t)n);
				pend += n;
			}
			return;
		}
	}
	int c;
	char* p = Alloc((int)newcap, c);
	size_t keep = (size_t)min((uint64)len, newcap);
	memcpy(p, pbegin, keep);
	if(cat) // before the old block goes: the text may come from it
		memcpy(p + keep, cat, (size_t)n);
	Free();
	pbegin = p;
	pend = p + keep + (cat ? n : 0);
	limit = p + c;
}

void StringBuffer::Expand()
{
	Realloc((uint64)detail::GrownCapacity(GetLength()));
	if(pend == limit)
		Panic("StringBuffer is too big!");
}

void StringBuffer::SetLength(int n)
{
	n = max(n, 0);
	if(n > GetAlloc())
		Realloc((uint64)n);
	pend = pbegin + n;
}

void StringBuffer::CatSlow(const char* s, int n)
{
	int len = GetLength();
	Realloc((uint64)len + (uint64)max(len, n), s, n);
}

void StringBuffer::Cat(int c, int count)
{
	if(count <= 0)
		return;
	if(count > limit - pend) {
		int len = GetLength();
		if((int64)len + count > 0x7fffffff)
			BufferTooBig();
		Realloc((uint64)len + (uint64)max(len, count));
	}
	memset(pend, c, (size_t)count);
	pend += count;
}

} // namespace Qel
