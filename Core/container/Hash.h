// Hash values of keys: 64-bit per-type hashes, combining of parts and the 32-bit fold
// that Index stores.
#pragma once

#include <Core/base/Defs.h>
#include <Core/base/Mem.h>

#include <concepts>
#include <type_traits>

namespace Qel {

// Multiplier, seed and seed × multiplier² of the memory hash; key hashes share them so that a
// combined key hashes like a block of its parts.
constexpr qword HASH_MUL  = detail::HASH_M;
constexpr qword HASH_SEED = detail::HASH_S;
constexpr qword HASH_KEY  = detail::HASH_K;

template <std::integral T>
constexpr qword GetHashValue(T x)
{
	if constexpr(std::is_signed_v<T>)
		return (qword)(int64)x;
	else
		return (qword)x;
}

template <class T>
	requires std::is_enum_v<T>
constexpr qword GetHashValue(T x)
{
	return GetHashValue((std::underlying_type_t<T>)x);
}

inline qword GetHashValue(double x)
{
	if(x == 0)
		x = 0; // -0.0 equals 0.0, so it must hash the same
	qword q;
	memcpy(&q, &x, sizeof(q));
	return q;
}

inline qword GetHashValue(float x) { return GetHashValue((double)x); }

template <class T>
qword GetHashValue(T* ptr)
{
	return (qword)(uintptr_t)ptr;
}

// Any other key type brings its own hash as a member.
template <class T>
	requires requires(const T& x) { { x.GetHashValue() } -> std::convertible_to<qword>; }
qword GetHashValue(const T& x)
{
	return x.GetHashValue();
}

// Hash of a key made of several parts: start from the seed and fold in each part's hash,
// so two parts give HASH_KEY + HASH_MUL × h1 + h2.
class CombineHash {
	qword h = HASH_SEED;

public:
	constexpr CombineHash() = default;
	constexpr CombineHash(qword h1) { Put(h1); }
	constexpr CombineHash(qword h1, qword h2) { Put(h1); Put(h2); }

	constexpr CombineHash& Put(qword part) { h = h * HASH_MUL + part; return *this; }
	constexpr operator qword() const        { return h; }
};

} // namespace Qel
