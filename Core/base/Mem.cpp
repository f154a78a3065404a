#include "Mem.h"

#include <cstdint>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace Qel {

namespace {

#ifdef __SSE2__
using V16 = __m128i;
QEL_FORCE_INLINE V16  Load(const void* p)            { return _mm_loadu_si128((const V16*)p); }
QEL_FORCE_INLINE void Store(void* p, V16 x)          { _mm_storeu_si128((V16*)p, x); }
QEL_FORCE_INLINE void StoreAligned(void* p, V16 x)   { _mm_store_si128((V16*)p, x); }
QEL_FORCE_INLINE bool Same(V16 a, V16 b)             { return _mm_movemask_epi8(_mm_cmpeq_epi8(a, b)) == 0xffff; }
#else
using V16 = detail::Bytes16;
QEL_FORCE_INLINE V16  Load(const void* p)            { return detail::Peek<V16>(p); }
QEL_FORCE_INLINE void Store(void* p, V16 x)          { detail::Poke(p, x); }
QEL_FORCE_INLINE void StoreAligned(void* p, V16 x)   { detail::Poke(p, x); }
QEL_FORCE_INLINE bool Same(V16 a, V16 b)             { return ((a.lo ^ b.lo) | (a.hi ^ b.hi)) == 0; }
#endif

// Distance from p to the next 16-byte boundary (0 when p is aligned).
QEL_FORCE_INLINE size_t ToAligned(const void* p)
{
	return (size_t)(-(uintptr_t)p & 15);
}

} // namespace

void MemCopy(void* dst, const void* src, size_t len)
{
	if(len >= 0x400001) { // the system routine wins on runs that outgrow the caches
		memcpy(dst, src, len);
		return;
	}
	char* t = (char*)dst;
	const char* s = (const char*)src;
	V16 head = Load(s);
	V16 tail = Load(s + len - 16);
	if(len >= 33) {
		size_t off = ToAligned(t);
		char* d = t + off;
		const char* q = s + off;
		size_t rem = len - off;
		while(rem >= 64) {
			V16 x0 = Load(q), x1 = Load(q + 16), x2 = Load(q + 32), x3 = Load(q + 48);
			StoreAligned(d, x0);
			StoreAligned(d + 16, x1);
			StoreAligned(d + 32, x2);
			StoreAligned(d + 48, x3);
			d += 64;
			q += 64;
			rem -= 64;
		}
		if(rem & 32) {
			V16 x0 = Load(q), x1 = Load(q + 16);
			StoreAligned(d, x0);
			StoreAligned(d + 16, x1);
			d += 32;
			q += 32;
		}
		if(rem & 16)
			StoreAligned(d, Load(q));
	}
	Store(t, head);
	Store(t + len - 16, tail);
}

void MemSet128(void* dst, size_t len, const void* pattern)
{
	char* t = (char*)dst;
	V16 v = Load(pattern);
	Store(t + len - 16, v);
	Store(t, v);
	if(len < 33)
		return;
	size_t off = ToAligned(t);
	char* d = t + off;
	size_t rem = len - off;
	while(rem >= 128) {
		for(int i = 0; i < 8; i++)
			StoreAligned(d + 16 * i, v);
		d += 128;
		rem -= 128;
	}
	if(rem & 64) {
		for(int i = 0; i < 4; i++)
			StoreAligned(d + 16 * i, v);
		d += 64;
	}
	if(rem & 32) {
		StoreAligned(d, v);
		StoreAligned(d + 16, v);
		d += 32;
	}
	if(rem & 16)
		StoreAligned(d, v);
}

bool MemEqual32(const void* a, const void* b, size_t count)
{
	using detail::Peek;
	const char* p = (const char*)a;
	const char* q = (const char*)b;
	if(count <= 2) {
		if(count == 0)
			return true;
		return Peek<uint32>(p) == Peek<uint32>(q) &&
		       Peek<uint32>(p + 4 * count - 4) == Peek<uint32>(q + 4 * count - 4);
	}
	size_t len = 4 * count;
	if(count <= 4)
		return Peek<uint64>(p) == Peek<uint64>(q) && Peek<uint64>(p + len - 8) == Peek<uint64>(q + len - 8);
	if(!Same(Load(p), Load(q)) || !Same(Load(p + len - 16), Load(q + len - 16)))
		return false;
	if(len <= 32)
		return true;
	size_t off = ToAligned(p);
	size_t rem = len - off;
	p += off;
	q += off;
	while(rem >= 32) {
		if(!Same(Load(p), Load(q)) || !Same(Load(p + 16), Load(q + 16)))
			return false;
		p += 32;
		q += 32;
		rem -= 32;
	}
	return !(rem & 16) || Same(Load(p), Load(q));
}

namespace detail {

hash_t MemoryHashLong(const byte* s, size_t len)
{
	uint64 a = HASH_S, b = HASH_S, c = HASH_S, d = HASH_S;
	const byte* e = s + (len & ~(size_t)31);
	for(const byte* p = s; p < e; p += 32) {
		a = a * HASH_M + Peek64(p);
		b = b * HASH_M + Peek64(p + 8);
		c = c * HASH_M + Peek64(p + 16);
		d = d * HASH_M + Peek64(p + 24);
	}
	uint64 h = d + ((HASH_K + b + a * HASH_M) * HASH_M + c) * HASH_M;
	const byte* last = s + len - 8;
	for(const byte* p = e; p < last; p += 8)
		h = h * HASH_M + Peek64(p);
	return h * HASH_M + Peek64(last);
}

} // namespace detail

} // namespace Qel
