#include <Core/Core.h>

#include <gtest/gtest.h>

#include <atomic>

using namespace Qel;

namespace {

// Capacity that the allocator's rounding gives a request for n elements of size bytes.
int Rounded(int n, size_t size)
{
	size_t sz = (size_t)n * size;
	void* p = MemoryAllocSz(sz);
	MemoryFree(p);
	return n + int((sz - (size_t)n * size) / size);
}

// Owns a heap block, so a bad relocation or a double destruction shows up under the sanitizers.
struct Tracked {
	using Relocatable = void;
	static inline int live = 0;
	Vector<int>* p;
	Tracked(int v = 0) : p(new Vector<int>{ v }) { live++; }
	Tracked(const Tracked& b) : p(b.p ? new Vector<int>(*b.p) : nullptr) { live++; }
	Tracked(Tracked&& b) noexcept : p(b.p) { b.p = nullptr; live++; }
	Tracked& operator=(const Tracked& b)
	{
		if(this != &b) {
			delete p;
			p = b.p ? new Vector<int>(*b.p) : nullptr;
		}
		return *this;
	}
	~Tracked() { delete p; live--; }
	int Get() const { return p && p->GetCount() ? (*p)[0] : -1; }
};

// An 8-byte handle to a shared record with an atomic count, as an image is held.
struct Record {
	std::atomic<int> refs{ 1 };
};

struct Handle {
	using Relocatable = void;
	Record* r = nullptr;
	Handle() = default;
	explicit Handle(Record* r) : r(r) {}
	Handle(const Handle& b) : r(b.r) { if(r) r->refs.fetch_add(1); }
	Handle& operator=(const Handle&) = delete;
	~Handle() { if(r) r->refs.fetch_sub(1); }
};

} // namespace

TEST(Vector, CapacityGrowsByHalfAtLeast)
{
	Vector<int> v;
	int prev = 0;
	int steps = 0;
	for(int i = 0; i < 100000; i++) {
		v.Add(i);
		ASSERT_GE(v.GetAlloc(), v.GetCount());
		if(v.GetAlloc() != prev) {
			ASSERT_GE(v.GetAlloc(), prev + prev / 2) << "after " << prev;
			prev = v.GetAlloc();
			steps++;
		}
	}
	EXPECT_LT(steps, 30); // geometric: few moves for many appends
	for(int i = 0; i < 100000; i++)
		ASSERT_EQ(v[i], i);
	// near the count limit growth stops at it rather than overflowing
	for(int n : { 0x55555553, 0x55555554, 0x7ffffffe }) {
		int c = detail::VectorGrowCapacity(n);
		EXPECT_TRUE(c > n && (c >= int64(n) + n / 2 || c == 0x7fffffff)) << n;
	}
}

TEST(VectorDeathTest, CountLimitPanics)
{
	EXPECT_DEATH(detail::VectorGrowCapacity(0x7fffffff), "Too many items in container!");
	EXPECT_DEATH({
		Vector<int> v;
		v.Add(1);
		v.InsertRaw(0, 0x7fffffff);
	}, "Too many items in container!");
	EXPECT_DEATH({
		Vector<int> v;
		v.SetCount(10);
		v.InsertRaw(5, 0x7fffffff - 9);
	}, "Too many items in container!");
	EXPECT_EQ(detail::VectorInsertCapacity(0x7ffffff0, 0x7ffffff0, 15), 0x7fffffff);
	EXPECT_EQ(detail::VectorInsertCapacity(100, 100, 1), 150);
	EXPECT_EQ(detail::VectorInsertCapacity(100, 100, 80), 180);
}

TEST(Vector, SelfAliasingAppendsOnFullVector)
{
	Vector<Tracked> v;
	v.Add(7);
	while(v.GetCount() < v.GetAlloc())
		v.Add((int)v.GetCount());
	for(int round = 0; round < 5; round++) {
		while(v.GetCount() < v.GetAlloc())
			v.Add(1);
		v.Add(v[0]); // the argument lives in the block being replaced
		EXPECT_EQ(v.Top().Get(), 7);
	}
	while(v.GetCount() < v.GetAlloc())
		v.Add(1);
	v.Add(std::move(v[0]));
	EXPECT_EQ(v.Top().Get(), 7);
	EXPECT_EQ(v[0].Get(), -1);
	v[0] = Tracked(7);

	while(v.GetCount() < v.GetAlloc())
		v.Add(1);
	v.Insert(0, v[v.GetCount() - 1]);
	v.Insert(1, v[1]);
	EXPECT_EQ(v[0].Get(), 1);
	EXPECT_EQ(v[1].Get(), 7);
	EXPECT_EQ(v[2].Get(), 7);

	int n = v.GetCount();
	v.Append(v);
	ASSERT_EQ(v.GetCount(), 2 * n);
	for(int i = 0; i < n; i++)
		ASSERT_EQ(v[i].Get(), v[i + n].Get());
	v.SetCount(v.GetAlloc() + 3, v[1]);
	EXPECT_EQ(v.Top().Get(), 7);
	v.Clear();
	EXPECT_EQ(Tracked::live, 0);
}

TEST(Vector, InsertRemoveTrimKeepOrderAndDestroy)
{
	{
		Vector<Tracked> v;
		for(int i = 0; i < 10; i++)
			v.Add(i);
		v.Insert(3, Tracked(100));
		v.InsertN(0, 2);
		v.Remove(6, 2);
		int expect[] = { 0, 0, 0, 1, 2, 100, 5, 6, 7, 8, 9 };
		ASSERT_EQ(v.GetCount(), 11);
		for(int i = 0; i < 11; i++)
			EXPECT_EQ(v[i].Get(), expect[i]);
		v.Trim(4);
		EXPECT_EQ(Tracked::live, 4);
		EXPECT_EQ(v.Pop().Get(), 1);
		EXPECT_EQ(Tracked::live, 3);
		v.Drop();
		EXPECT_EQ(v.GetCount(), 2);
	}
	EXPECT_EQ(Tracked::live, 0);
}

TEST(Vector, ReserveSetCountShrinkAndCopyCapacity)
{
	Vector<int> v;
	EXPECT_EQ(v.begin(), nullptr);
	v.SetCount(5);
	EXPECT_EQ(v.GetAlloc(), Rounded(5, sizeof(int)));
	v.SetCount(1000); // exactly the new count, no growth factor
	EXPECT_EQ(v.GetAlloc(), Rounded(1000, sizeof(int)));
	v.SetCount(10);
	EXPECT_EQ(v.GetAlloc(), Rounded(1000, sizeof(int))); // the block stays
	v.Shrink();
#ifdef QEL_SYSTEM_HEAP
	EXPECT_EQ(v.GetAlloc(), Rounded(10, sizeof(int)));
#else
	EXPECT_EQ(v.GetAlloc(), (256 - 16) / 4); // the large block shrinks in place to one unit
#endif

	Vector<int> c(v);
	EXPECT_EQ(c.GetCount(), 10);
	EXPECT_EQ(c.GetAlloc(), Rounded(10, sizeof(int)));
	v.Trim(0);
	Vector<int> e(v);
	EXPECT_EQ(e.begin(), nullptr);
	v.Shrink();
	EXPECT_EQ(v.begin(), nullptr);
	EXPECT_EQ(v.GetAlloc(), 0);

	Vector<int> a;
	a.At(4) = 9; // grows to at least double and 5 items
	EXPECT_EQ(a.GetCount(), 5);
	EXPECT_EQ(a[4], 9);
	a.At(2) = 1;
	EXPECT_EQ(a.GetCount(), 5);
	int al = a.GetAlloc();
	a.At(al) = 3;
	EXPECT_GE(a.GetAlloc(), 2 * al);
	EXPECT_EQ(a.GetCount(), al + 1);
}

TEST(Vector, CopyMoveAndCompare)
{
	Vector<Tracked> v;
	for(int i = 0; i < 5; i++)
		v.Add(i);
	Vector<Tracked> c = v;
	EXPECT_EQ(c[4].Get(), 4);
	EXPECT_NE(c[4].p, v[4].p);
	Vector<Tracked> m = std::move(c);
	EXPECT_EQ(c.GetCount(), 0);
	EXPECT_EQ(m.GetCount(), 5);
	Vector<Tracked>& self = m;
	m = self;
	EXPECT_EQ(m.GetCount(), 5);
	m = v;
	v.Clear();
	EXPECT_EQ(Tracked::live, 5);

	Vector<int> a = { 1, 2, 3 }, b = { 1, 2, 3 };
	EXPECT_EQ(a, b);
	b.Add(4);
	EXPECT_FALSE(a == b);
}

TEST(Array, ElementsKeepAddressesAndOwnership)
{
	{
		Array<Tracked> a;
		Tracked& first = a.Add(5);
		const Tracked* addr = &first;
		for(int i = 0; i < 1000; i++)
			a.Add(i);
		a.Insert(0, Tracked(9));
		EXPECT_EQ(&a[1], addr);
		EXPECT_EQ(a[1].Get(), 5);
		a.Add(a[1]);
		EXPECT_EQ(a.Top().Get(), 5);

		Tracked* d = a.Detach(0);
		EXPECT_EQ(d->Get(), 9);
		delete d;
		a.Set(0, new Tracked(3));
		EXPECT_EQ(a[0].Get(), 3);
		a.Remove(1, 10);
		int sum = 0;
		for(const Tracked& t : a)
			sum += t.Get();
		EXPECT_EQ(sum, 3 + (10 + 999) * 990 / 2 + 5);
		a.GetPointers().Add(nullptr); // null slots are skipped on destruction and copy
		Array<Tracked> c(a);
		EXPECT_EQ(c.GetCount(), a.GetCount());
		EXPECT_EQ(c[1].Get(), a[1].Get());
		c.Drop();
		a.Drop();
		a.SetCount(3);
		a.SetCount(6);
		EXPECT_EQ(a[5].Get(), 0);
	}
	EXPECT_EQ(Tracked::live, 0);
}

TEST(Buffer, OwnsOneBlock)
{
	Buffer<int> b(100, 7);
	EXPECT_EQ(b[99], 7);
	Buffer<int> m(std::move(b));
	EXPECT_EQ(b.Get(), nullptr);
	EXPECT_EQ(m[0], 7);
	m.Alloc(0);
	EXPECT_EQ(m.Get(), nullptr);

	SizedBuffer<byte> s(16, 1);
	EXPECT_EQ(s.GetCount(), 16);
	int sum = 0;
	for(byte x : s)
		sum += x;
	EXPECT_EQ(sum, 16);
	s.Clear();
	EXPECT_EQ(s.GetCount(), 0);
	EXPECT_EQ(s.Get(), nullptr);
}

TEST(Vector, SharedHandlesCountOnCopyAndMoveBitwiseOnGrowth)
{
	static_assert(sizeof(Handle) == 8);
	Record rec;
	{
		Vector<Handle> v;
		Handle h(&rec);
		for(int i = 0; i < 100; i++) // many growths: relocation must not touch the counts
			v.Add(h);
		EXPECT_EQ(rec.refs.load(), 101);
		v.Add(v[0]); // the source lives in the block being replaced
		EXPECT_EQ(rec.refs.load(), 102);
		v.Trim(50);
		EXPECT_EQ(rec.refs.load(), 51);
		h.r = nullptr;
		rec.refs.fetch_sub(1);
	}
	EXPECT_EQ(rec.refs.load(), 0);
}
