// Random numbers from a per-thread xoshiro256** generator, seeded from /dev/urandom on a
// thread's first draw and again in a child process after fork.
#pragma once

#include "Defs.h"

namespace Qel {

// Uniform in 0 .. n - 1; 0 when n < 1.
int   Random(int n);
// n successive 64-bit outputs; nothing when n < 1.
void  RandomFill64(qword* t, int n);
qword Random64();

namespace detail {

// One step of xoshiro256** over the state s; returns the output.
QEL_FORCE_INLINE qword Xoshiro256ss(qword* s)
{
	auto rotl = [](qword x, int k) { return (x << k) | (x >> (64 - k)); };
	qword result = rotl(s[1] * 5, 7) * 9;
	qword t = s[1] << 17;
	s[2] ^= s[0];
	s[3] ^= s[1];
	s[1] ^= s[2];
	s[0] ^= s[3];
	s[2] ^= t;
	s[3] = rotl(s[3], 45);
	return result;
}

// Fills the four state words from /dev/urandom, or, when that cannot be read, from a mix of
// clocks, process and thread ids and addresses; never all zero.
void RandomSeed(qword* s);

} // namespace detail

} // namespace Qel
