#include "Sha256.h"
#include "Util.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#define QEL_SHA_NI 1
#endif

namespace Qel {

namespace {

const dword sK[64] = {
	0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
	0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
	0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
	0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
	0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
	0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
	0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
	0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

const dword sInit[8] = {
	0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19,
};

QEL_FORCE_INLINE dword sRor(dword x, int n) { return (x >> n) | (x << (32 - n)); }

QEL_FORCE_INLINE dword sLoadBE(const byte* p)
{
	dword x;
	memcpy(&x, p, 4);
	return __builtin_bswap32(x);
}

QEL_FORCE_INLINE void sStoreBE(byte* p, dword x)
{
	x = __builtin_bswap32(x);
	memcpy(p, &x, 4);
}

void sTransformPlain(dword* state, const byte* data, size_t n)
{
	for(; n; n--, data += 64) {
		dword w[64];
		for(int i = 0; i < 16; i++)
			w[i] = sLoadBE(data + 4 * i);
		for(int i = 16; i < 64; i++) {
			dword s0 = sRor(w[i - 15], 7) ^ sRor(w[i - 15], 18) ^ (w[i - 15] >> 3);
			dword s1 = sRor(w[i - 2], 17) ^ sRor(w[i - 2], 19) ^ (w[i - 2] >> 10);
			w[i] = w[i - 16] + s0 + w[i - 7] + s1;
		}
		dword a = state[0], b = state[1], c = state[2], d = state[3];
		dword e = state[4], f = state[5], g = state[6], h = state[7];
		for(int i = 0; i < 64; i++) {
			dword t1 = h + (sRor(e, 6) ^ sRor(e, 11) ^ sRor(e, 25)) + ((e & f) ^ (~e & g)) + sK[i] + w[i];
			dword t2 = (sRor(a, 2) ^ sRor(a, 13) ^ sRor(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
			h = g;
			g = f;
			f = e;
			e = d + t1;
			d = c;
			c = b;
			b = a;
			a = t1 + t2;
		}
		state[0] += a; state[1] += b; state[2] += c; state[3] += d;
		state[4] += e; state[5] += f; state[6] += g; state[7] += h;
	}
}

#ifdef QEL_SHA_NI
// The same compression on the processor's SHA extensions: state is kept as the two halves
// ABEF and CDGH that the round instruction works on, four rounds per group of 4 words.
__attribute__((target("sha,sse4.1,ssse3")))
void sTransformShaNi(dword* state, const byte* data, size_t n)
{
	const __m128i bswap = _mm_set_epi64x(0x0c0d0e0f08090a0bll, 0x0405060700010203ll);
	__m128i t = _mm_shuffle_epi32(_mm_loadu_si128((const __m128i*)&state[0]), 0xB1); // CDAB
	__m128i s1 = _mm_shuffle_epi32(_mm_loadu_si128((const __m128i*)&state[4]), 0x1B); // HGFE
	__m128i s0 = _mm_alignr_epi8(t, s1, 8);    // ABEF
	s1 = _mm_blend_epi16(s1, t, 0xF0);         // CDGH
	for(; n; n--, data += 64) {
		__m128i abef = s0, cdgh = s1;
		__m128i m[4];
#pragma GCC unroll 16
		for(int g = 0; g < 16; g++) {
			__m128i& cur = m[g & 3];
			if(g < 4)
				cur = _mm_shuffle_epi8(_mm_loadu_si128((const __m128i*)(data + 16 * g)), bswap);
			__m128i msg = _mm_add_epi32(cur, _mm_loadu_si128((const __m128i*)&sK[4 * g]));
			s1 = _mm_sha256rnds2_epu32(s1, s0, msg);
			if(g >= 3 && g < 15) { // the words of the next group
				__m128i& next = m[(g + 1) & 3];
				next = _mm_add_epi32(next, _mm_alignr_epi8(cur, m[(g + 3) & 3], 4));
				next = _mm_sha256msg2_epu32(next, cur);
			}
			msg = _mm_shuffle_epi32(msg, 0x0E);
			s0 = _mm_sha256rnds2_epu32(s0, s1, msg);
			if(g >= 1 && g <= 12)
				m[(g + 3) & 3] = _mm_sha256msg1_epu32(m[(g + 3) & 3], cur);
		}
		s0 = _mm_add_epi32(s0, abef);
		s1 = _mm_add_epi32(s1, cdgh);
	}
	t = _mm_shuffle_epi32(s0, 0x1B);           // FEBA
	s1 = _mm_shuffle_epi32(s1, 0xB1);          // DCHG
	s0 = _mm_blend_epi16(t, s1, 0xF0);         // DCBA
	s1 = _mm_alignr_epi8(s1, t, 8);            // HGFE
	_mm_storeu_si128((__m128i*)&state[0], s0);
	_mm_storeu_si128((__m128i*)&state[4], s1);
}
#endif

using sTransformFn = void (*)(dword*, const byte*, size_t);

sTransformFn sPickTransform()
{
#ifdef QEL_SHA_NI
	unsigned a, b, c, d;
	bool sse = __get_cpuid(1, &a, &b, &c, &d) && (c & bit_SSE4_1) && (c & bit_SSSE3);
	bool sha = __get_cpuid_count(7, 0, &a, &b, &c, &d) && (b & (1u << 29));
	if(sse && sha)
		return sTransformShaNi;
#endif
	return sTransformPlain;
}

} // namespace

void detail::Sha256Transform(dword* state, const byte* data, size_t n)
{
	static const sTransformFn fn = sPickTransform();
	fn(state, data, n);
}

void detail::Sha256TransformPortable(dword* state, const byte* data, size_t n)
{
	sTransformPlain(state, data, n);
}

Sha256Stream::Sha256Stream()
{
	Reset();
}

Sha256Stream::~Sha256Stream()
{
	Cleanup();
}

void Sha256Stream::Reset()
{
	memcpy(state, sInit, sizeof(state));
	count = 0;
	bits_lo = bits_hi = 0;
}

void Sha256Stream::Cleanup()
{
	// The context may hold key material: it does not outlive its use.
	volatile byte* p = block;
	for(size_t i = 0; i < sizeof(block); i++)
		p[i] = 0;
	volatile dword* s = state;
	for(int i = 0; i < 8; i++)
		s[i] = 0;
	count = bits_lo = bits_hi = 0;
}

void Sha256Stream::Out(const void* data, dword size)
{
	const byte* s = (const byte*)data;
	auto addbits = [&](qword nbytes) {
		qword bits = (qword(bits_hi) << 32 | bits_lo) + nbytes * 8;
		bits_lo = dword(bits);
		bits_hi = dword(bits >> 32);
	};
	if(count) {
		dword n = min(64 - count, size);
		memcpy(block + count, s, n);
		count += n;
		s += n;
		size -= n;
		if(count < 64)
			return;
		detail::Sha256Transform(state, block, 1);
		addbits(64);
		count = 0;
	}
	if(size >= 64) {
		size_t nblocks = size / 64;
		detail::Sha256Transform(state, s, nblocks);
		addbits(qword(nblocks) * 64);
		s += nblocks * 64;
		size -= dword(nblocks * 64);
	}
	memcpy(block, s, size);
	count = size;
}

void Sha256Stream::Finish(byte* hash32)
{
	Flush();
	qword bits = (qword(bits_hi) << 32 | bits_lo) + qword(count) * 8;
	block[count] = 0x80;
	if(count > 55) {
		memset(block + count + 1, 0, 63 - count);
		detail::Sha256Transform(state, block, 1);
		memset(block, 0, 56);
	}
	else
		memset(block + count + 1, 0, 55 - count);
	sStoreBE(block + 56, dword(bits >> 32));
	sStoreBE(block + 60, dword(bits));
	detail::Sha256Transform(state, block, 1);
	for(int i = 0; i < 8; i++)
		sStoreBE(hash32 + 4 * i, state[i]);
	Cleanup();
	Reset();
}

String Sha256Stream::FinishString()
{
	byte h[32];
	Finish(h);
	return String((const char*)h, 32);
}

String Sha256String(const void* data, int length)
{
	Sha256Stream s;
	s.Put(data, max(length, 0));
	byte h[32];
	s.Finish(h);
	return HexString(h, 32);
}

String Sha256String(const String& data)
{
	return Sha256String(data.Begin(), data.GetLength());
}

} // namespace Qel
