#include <Core/Core.h>

#include <gtest/gtest.h>

#include <vector>

using namespace Qel;

namespace {

std::vector<byte> Pattern(size_t n, int seed)
{
	std::vector<byte> v(n);
	for(size_t i = 0; i < n; i++)
		v[i] = (byte)(i * 131 + seed * 17 + (i >> 8));
	return v;
}

// The hash written straight from its definition, word by word, for cross-checking.
uint64 Word(const byte* p, int n)
{
	uint64 w = 0;
	for(int i = n - 1; i >= 0; i--)
		w = w << 8 | p[i];
	return w;
}

uint64 ReferenceHash(const byte* s, size_t len)
{
	const uint64 M = 0xc85abc8da7534a4dULL, S = 0xf7c21089bee7c0a5ULL, K = 0x193a9814f2f7c16dULL;
	if(len == 0)
		return S;
	if(len == 1)
		return 0xcf79254d81e3a3a1ULL + s[0];
	if(len <= 4)
		return K + M * Word(s, 2) + Word(s + len - 2, 2);
	if(len <= 7)
		return K + M * (uint64)(int64)(int32)Word(s, 4) + (uint64)(int64)(int32)Word(s + len - 4, 4);
	uint64 h = S;
	size_t r = 0;
	if(len >= 32) {
		uint64 lane[4] = {S, S, S, S};
		for(; r + 32 <= len; r += 32)
			for(int k = 0; k < 4; k++)
				lane[k] = lane[k] * M + Word(s + r + 8 * k, 8);
		h = lane[3] + ((K + lane[1] + lane[0] * M) * M + lane[2]) * M;
	}
	for(; r < len - 8; r += 8)
		h = h * M + Word(s + r, 8);
	return h * M + Word(s + len - 8, 8);
}

} // namespace

TEST(Mem, CopyEveryLengthAndAlignment)
{
	std::vector<byte> src = Pattern(400, 1);
	for(size_t len = 16; len <= 300; len++)
		for(int so = 0; so < 16; so += 5)
			for(int d = 0; d < 16; d += 3) {
				std::vector<byte> dst(400, 0xee);
				MemCopy(dst.data() + d, src.data() + so, len);
				ASSERT_EQ(memcmp(dst.data() + d, src.data() + so, len), 0) << len;
				ASSERT_EQ(dst[d + len], 0xee) << len; // nothing written past the end
				if(d) {
					ASSERT_EQ(dst[d - 1], 0xee);
				}
			}
	std::vector<byte> big = Pattern(0x400001 + 7, 2), out(big.size());
	MemCopy(out.data(), big.data(), big.size());
	EXPECT_EQ(out, big);
}

TEST(Mem, SetRepeatsThePattern)
{
	const uint32 pattern[4] = {0x11223344, 0x11223344, 0x11223344, 0x11223344};
	for(size_t words = 4; words <= 90; words++)
		for(int d = 0; d < 16; d += 4) {
			std::vector<uint32> v(100, 7);
			uint32* t = (uint32*)((byte*)v.data() + d) + 1;
			MemSet128(t, words * 4, pattern);
			for(size_t i = 0; i < words; i++)
				ASSERT_EQ(t[i], 0x11223344u) << words << " " << i;
			ASSERT_EQ(t[words], 7u);
			ASSERT_EQ(t[-1], 7u);
		}
}

TEST(Mem, Equal32FindsEveryDifference)
{
	std::vector<uint32> a(80), b;
	for(size_t i = 0; i < a.size(); i++)
		a[i] = (uint32)(i * 2654435761u);
	for(size_t count = 0; count <= 70; count++)
		for(int off = 0; off < 4; off++) {
			b = a;
			EXPECT_TRUE(MemEqual32(a.data() + off, b.data() + off, count));
			for(size_t k = 0; k < count; k++) {
				b[off + k] ^= 0x100;
				ASSERT_FALSE(MemEqual32(a.data() + off, b.data() + off, count)) << count << " " << k;
				b[off + k] ^= 0x100;
			}
		}
}

TEST(Mem, HashMatchesItsDefinition)
{
	EXPECT_EQ(MemoryHash(nullptr, 0), 0xf7c21089bee7c0a5ULL);
	EXPECT_EQ(MemoryHash("\xff", 1), 0xcf79254d81e3a3a1ULL + 255);
	std::vector<byte> v = Pattern(300, 3);
	v[5] = 0x80; // exercise the sign extension of the 5..7-byte words
	for(size_t len = 0; len <= 300; len++)
		for(int off = 0; off < 3; off++)
			if(off + len <= v.size()) {
				ASSERT_EQ(MemoryHash(v.data() + off, len), ReferenceHash(v.data() + off, len)) << len;
			}
}

TEST(Mem, FoldHashSetsTheTopBit)
{
	EXPECT_EQ(FoldHash(0), 0x80000000u);
	EXPECT_EQ(FoldHash(1), (dword)__builtin_bswap64(0x8642b0fe3e86671bULL) | 0x80000000u);
	// The empty wide text's stored hash, a value other modules pin.
	EXPECT_EQ(FoldHash(MemoryHash(nullptr, 0)), 0x83cc6101u);
}
