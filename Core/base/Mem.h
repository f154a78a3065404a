// Bulk memory helpers used by strings and containers: copies and fills of 16 bytes and more,
// equality of 32-bit word arrays and the 64-bit memory hash. Every unaligned access goes through
// memcpy, which compilers turn into plain (unaligned) loads and stores.
#pragma once

#include "Defs.h"

namespace Qel {

using hash_t = uint64;

namespace detail {

constexpr uint64 HASH_M = 0xc85abc8da7534a4dULL; // multiplier of every hash step
constexpr uint64 HASH_S = 0xf7c21089bee7c0a5ULL; // start value
constexpr uint64 HASH_SM = HASH_S * HASH_M;       // 0xcf79254d81e3a3a1
constexpr uint64 HASH_K = HASH_SM * HASH_M;       // 0x193a9814f2f7c16d

// The short-copy ladders pick their widths by length at run time; after inlining, gcc sometimes
// checks a wide branch against a small buffer that never takes it, and warns about bounds.
#pragma GCC diagnostic push
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Warray-bounds"
#pragma GCC diagnostic ignored "-Wstringop-overread"
#endif

template <class T>
QEL_FORCE_INLINE T Peek(const void* p)
{
	T x;
	memcpy(&x, p, sizeof(T));
	return x;
}

template <class T>
QEL_FORCE_INLINE void Poke(void* p, T x)
{
	memcpy(p, &x, sizeof(T));
}

#pragma GCC diagnostic pop

struct Bytes16 {
	uint64 lo, hi;
};

QEL_FORCE_INLINE uint64 Peek64(const void* p) { return Peek<uint64>(p); }

} // namespace detail

// Copies len >= 16 bytes between regions that do not overlap.
void MemCopy(void* dst, const void* src, size_t len);

// Fills len >= 16 bytes with the 16-byte pattern. The head, the tail and the aligned body are
// stored independently, so this serves element fills: the element size divides 16, and dst
// and len are whole elements.
void MemSet128(void* dst, size_t len, const void* pattern);

// True when the two arrays of count 32-bit words are equal.
bool MemEqual32(const void* a, const void* b, size_t count);

// Copies a run of n <= 16 bytes with overlapping head and tail moves; all loads happen before
// the stores, so a source directly adjacent to the target is fine.
QEL_FORCE_INLINE void MemCopyShort(void* dst, const void* src, size_t n)
{
	using namespace detail;
	char* t = (char*)dst;
	const char* s = (const char*)src;
	if(n <= 4) {
		if(n >= 2) {
			uint16 a = Peek<uint16>(s), b = Peek<uint16>(s + n - 2);
			Poke(t, a);
			Poke(t + n - 2, b);
		}
		else if(n)
			*t = *s;
	}
	else if(n <= 8) {
		uint32 a = Peek<uint32>(s), b = Peek<uint32>(s + n - 4);
		Poke(t, a);
		Poke(t + n - 4, b);
	}
	else {
		uint64 a = Peek<uint64>(s), b = Peek<uint64>(s + n - 8);
		Poke(t, a);
		Poke(t + n - 8, b);
	}
}

// Copies a run of n bytes of any length between regions that do not overlap; runs above 16
// bytes take the out-of-line routine, which keeps inlined callers small.
QEL_FORCE_INLINE void MemCopySmall(void* dst, const void* src, size_t n)
{
	if(n <= 16)
		MemCopyShort(dst, src, n);
	else
		MemCopy(dst, src, n);
}

namespace detail {
hash_t MemoryHashLong(const byte* s, size_t len);
}

// 64-bit hash of a memory block; the same function hashes String texts, so it must stay stable.
inline hash_t MemoryHash(const void* ptr, size_t len)
{
	using namespace detail;
	const byte* s = (const byte*)ptr;
	if(len < 8) {
		if(len >= 5)
			return HASH_K + HASH_M * (uint64)(int64)Peek<int32>(s) + (uint64)(int64)Peek<int32>(s + len - 4);
		if(len >= 2)
			return HASH_K + HASH_M * Peek<uint16>(s) + Peek<uint16>(s + len - 2);
		return len ? HASH_SM + *s : HASH_S;
	}
	if(len >= 32)
		return MemoryHashLong(s, len);
	uint64 h = HASH_S;
	const byte* last = s + len - 8;
	for(const byte* p = s; p < last; p += 8)
		h = h * HASH_M + Peek64(p);
	return h * HASH_M + Peek64(last);
}

// Folds a 64-bit hash to the 32 bits that hashed containers store; bit 31 is always set, so
// a stored 0 can mean "no entry".
QEL_FORCE_INLINE constexpr dword FoldHash(hash_t h)
{
	return (dword)__builtin_bswap64(h * 0x8642b0fe3e86671bULL) | 0x80000000u;
}

} // namespace Qel
