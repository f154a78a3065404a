#include <Core/Core.h>

#include <gtest/gtest.h>

#include <cstdint>

using namespace Qel;

namespace {

size_t Usable(size_t n)
{
	size_t sz = n;
	void* p = MemoryAllocSz(sz);
	EXPECT_NE(p, nullptr);
	EXPECT_GE(sz, n);
	memset(p, 0xA5, sz);
	MemoryFree(p);
	return sz;
}

} // namespace

TEST(Heap, UsableSizesFollowTheTiers)
{
	EXPECT_EQ(Usable(0), 32u);
	EXPECT_EQ(Usable(1), 32u);
	EXPECT_EQ(Usable(33), 64u);
	EXPECT_EQ(Usable(384), 384u);
	EXPECT_EQ(Usable(385), 448u);
	EXPECT_EQ(Usable(449), 576u);
	EXPECT_EQ(Usable(577), 672u);
	EXPECT_EQ(Usable(673), 800u);
	EXPECT_EQ(Usable(801), 992u);
	EXPECT_EQ(Usable(992), 992u);
	EXPECT_EQ(Usable(993), 1008u);
	EXPECT_EQ(Usable(1008), 1008u);
	EXPECT_EQ(Usable(1009), 1264u);
	EXPECT_EQ(Usable(65264), 65264u);
	EXPECT_EQ(Usable(65265), 16 * 4096u - 80);
	EXPECT_EQ(Usable(16 * 4096 - 80), 16 * 4096u - 80);
	EXPECT_EQ(Usable(16 * 4096 - 79), 17 * 4096u - 80);
	EXPECT_EQ(Usable(4096 * 4096 - 80), 4096 * 4096u - 80);
	EXPECT_EQ(Usable(4096 * 4096), 4097 * 4096u - 80);
}

TEST(Heap, SizeClassBlocks)
{
	for(int k : {0, 1, 11, 16, 18}) {
		void* p = MemoryAllocClass(k);
		memset(p, k, k == 18 ? 16 : 32);
		MemoryFreeClass(k, p);
	}
	void* p = MemoryAlloc32();
	memset(p, 1, 32);
	MemoryFree32(p);
	MemoryFree(nullptr);
}

TEST(Heap, InternalAllocIsAlignedAndDistinct)
{
	char* a = (char*)HeapInternalAlloc(10);
	char* b = (char*)HeapInternalAlloc(10000);
	char* c = (char*)HeapInternalAlloc(20000);
	for(char* p : {a, b, c})
		EXPECT_EQ((uintptr_t)p % 16, 0u);
	memset(a, 1, 10);
	memset(b, 2, 10000);
	memset(c, 3, 20000);
	EXPECT_EQ(a[9], 1);
	EXPECT_EQ(b[9999], 2);
}

TEST(HeapDeathTest, SizeBeyondAddressSpacePanics)
{
	size_t n = ~size_t(0) - 10;
	EXPECT_DEATH(MemoryAllocSz(n), "Out of memory");
}
