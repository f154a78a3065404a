// Basic types and compiler helpers shared by every Qel header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

namespace Qel {

using byte   = std::uint8_t;
using int8   = std::int8_t;
using uint8  = std::uint8_t;
using int16  = std::int16_t;
using uint16 = std::uint16_t;
using word   = std::uint16_t;
using int32  = std::int32_t;
using uint32 = std::uint32_t;
using dword  = std::uint32_t;
using int64  = std::int64_t;
using uint64 = std::uint64_t;
using qword  = std::uint64_t;
using wchar  = std::uint32_t; // one Unicode code point (or an escaped byte)

#define QEL_FORCE_INLINE inline __attribute__((always_inline))
#define QEL_NOINLINE     __attribute__((noinline))
#define QEL_LIKELY(x)    __builtin_expect(!!(x), 1)
#define QEL_UNLIKELY(x)  __builtin_expect(!!(x), 0)

// The integers' Null: the one value a signed integer of that width cannot negate, so no
// count, size or coordinate ever holds it. Value's IsNull tests for these.
constexpr int   INT_NULL   = int(0x80000000);
constexpr int64 INT64_NULL = int64(0x8000000000000000ull);

template <class T> constexpr T min(T a, T b) { return a < b ? a : b; }
template <class T> constexpr T max(T a, T b) { return a < b ? b : a; }
template <class T> constexpr T clamp(T x, T lo, T hi) { return x < lo ? lo : hi < x ? hi : x; }

namespace detail {

// How strings, buffers and containers grow when full: by half, so appends cost amortised
// constant time while at most a third of a block stands empty.
constexpr int64 GrownCapacity(int64 n) { return n + n / 2; }

} // namespace detail

// Whether a T may be moved as raw bytes, as Vector, Index and VectorMap move their elements:
// trivially copyable types may, and classes that say so with `using Relocatable = void;` (they
// hold no pointer into themselves and nothing else knows their address). Array takes any type.
template <class T>
inline constexpr bool IsRelocatable = std::is_trivially_copyable_v<T> || requires { typename T::Relocatable; };
// A pair moves as raw bytes when both of its members do.
template <class A, class B>
inline constexpr bool IsRelocatable<std::pair<A, B>> = IsRelocatable<A> && IsRelocatable<B>;

} // namespace Qel
