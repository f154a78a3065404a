#include <Core/Core.h>

#include <gtest/gtest.h>

#include <vector>

using namespace Qel;

namespace {

// A key whose hash the test chooses, to put entries into one bucket on purpose.
struct Key {
	int   id;
	qword h;
	Key(int id = 0, qword h = 0) : id(id), h(h) {}
	qword GetHashValue() const { return h; }
	bool operator==(const Key& b) const { return id == b.id; }
};

// Exposes the hash part for inspection.
template <class T>
struct Probe : Index<T> {
	using Index<T>::Index;
	using HashBase::AdjustMap;
	using HashBase::Reindex;
	int Bucket(dword h) const { return this->map[h & this->mask]; }
	const detail::HashLink& L(int i) const { return this->links[i]; }
	bool Sentinel() const { return this->IsSentinel(); }
	// Positions of the chain that holds hash h, in chain order.
	std::vector<int> Chain(dword h) const
	{
		std::vector<int> r;
		int head = Bucket(h);
		if(head >= 0)
			for(int i = head;;) {
				r.push_back(i);
				i = this->links[i].next;
				if(i == head)
					break;
			}
		return r;
	}
};

// A key with heap storage, so a stale copy would be caught by the sanitizers.
struct HeapKey {
	using Relocatable = void;
	Vector<int> v;
	qword GetHashValue() const { return v.GetCount() ? v[0] : 0; }
	bool operator==(const HeapKey& b) const { return v == b.v; }
};

std::vector<int> Std(const Vector<int>& v) { return std::vector<int>(v.begin(), v.end()); }

} // namespace

TEST(Hash, FoldAndCombine)
{
	// a folded hash is never 0, which marks an unlinked entry
	for(qword h : std::initializer_list<qword>{ 0, 1, ~0ull, 12345, HASH_SEED })
		EXPECT_NE(FoldHash(h), 0u);
	EXPECT_NE((qword)CombineHash(5, 9), (qword)CombineHash(9, 5));
	EXPECT_EQ((qword)CombineHash().Put(5).Put(9), (qword)CombineHash(5, 9));
	EXPECT_EQ(GetHashValue(0.0), GetHashValue(-0.0)); // equal keys, equal hashes
	EXPECT_EQ(GetHashValue(Key(1, 77)), 77ull);
}

// The map keeps at least two buckets per entry and is the smallest that does (after a resize).
struct Counted {
	int v;
	qword h;
	static inline int compares = 0;
	qword GetHashValue() const { return h; }
	bool operator==(const Counted& b) const { compares++; return v == b.v; }
};

// Keys of a shared bucket are compared only when their stored hashes agree.
TEST(Index, ChainWalkComparesKeysOfEqualHashOnly)
{
	Index<Counted> x;
	for(int i = 0; i < 64; i++)
		x.Add(Counted{ i, qword(i) << 32 }); // folded hashes differ, buckets often shared
	Counted::compares = 0;
	for(int i = 64; i < 128; i++)
		EXPECT_EQ(x.Find(Counted{ i, qword(i) << 32 }), -1);
	for(int i = 0; i < 64; i++)
		EXPECT_EQ(x.Find(Counted{ i, qword(i) << 32 }), i);
	EXPECT_EQ(Counted::compares, 64);
}

static bool Roomy(dword mask, int count) { return (uint64)mask + 1 >= 2 * (uint64)count; }
static bool Smallest(dword mask, int count) { return mask == 3 || (uint64)mask + 1 < 4 * (uint64)count; }

TEST(Index, MapGrowsBeforeItFills)
{
	Probe<int> x;
	EXPECT_TRUE(x.Sentinel());
	EXPECT_EQ(x.GetMask(), 0u);
	EXPECT_EQ(x.Find(3), -1);
	x.Add(3);
	EXPECT_EQ(x.GetMask(), 3u);
	for(int i = 1; i < 1000; i++) {
		x.Add(i * 31);
		ASSERT_TRUE(Roomy(x.GetMask(), x.GetCount()));
		ASSERT_TRUE(Smallest(x.GetMask(), x.GetCount()));
		ASSERT_EQ(x.GetMask() & (x.GetMask() + 1), 0u); // a power of two buckets
	}
	for(int i = 1; i < 1000; i++)
		ASSERT_EQ(x.Find(i * 31), i);
	EXPECT_EQ(x.Find(-5), -1);

	for(int n : { 1, 2, 3, 4, 5, 17, 1000 }) {
		x.AdjustMap(n);
		EXPECT_TRUE(Roomy(x.GetMask(), n) && Smallest(x.GetMask(), n)) << n;
	}
	x.AdjustMap(0);
	EXPECT_TRUE(x.Sentinel());
	x.AdjustMap(1000);
	EXPECT_EQ(x.Find(310), 10);
}

TEST(Index, ChainsRunInJoiningOrder)
{
	Probe<Key> x;
	for(int i = 0; i < 6; i++)
		x.Add(Key(i, 42));
	x.Add(Key(2, 42)); // duplicate, joins last
	dword h = FoldHash(42);
	EXPECT_EQ(x.Chain(h), (std::vector<int>{ 0, 1, 2, 3, 4, 5, 6 }));
	EXPECT_EQ(x.Find(Key(2, 42)), 2);
	EXPECT_EQ(x.FindNext(2), 6);
	EXPECT_EQ(x.FindNext(6), -1);

	x.Unlink(2);
	EXPECT_EQ(x.Find(Key(2, 42)), 6);
	x.Set(0, Key(0, 42)); // same key: only moves to the tail
	EXPECT_EQ(x.Chain(h), (std::vector<int>{ 1, 3, 4, 5, 6, 0 }));
	EXPECT_EQ(x[0].id, 0);
	x.Reindex(x.GetCount()); // back to position order, unlinked entries stay out
	EXPECT_EQ(x.Chain(h), (std::vector<int>{ 0, 1, 3, 4, 5, 6 }));
	EXPECT_EQ(x.UnlinkKey(Key(2, 42)), 1);
	EXPECT_EQ(x.Find(Key(2, 42)), -1);
}

TEST(Index, UnlinkAndPutReuseMostRecentFirst)
{
	Probe<int> x;
	for(int i = 0; i < 10; i++)
		x.Add(i);
	x.Unlink(5);
	x.Unlink(2);
	x.Unlink(2); // a second unlink changes nothing
	EXPECT_TRUE(x.IsUnlinked(2));
	EXPECT_EQ(x.GetHash(2), 0u);
	EXPECT_EQ(Std(x.GetUnlinked()), (std::vector<int>{ 2, 5 }));
	EXPECT_EQ(x.Find(2), -1);
	EXPECT_EQ(x[2], 2); // the key stays in place
	EXPECT_EQ(x.Put(100), 2);
	EXPECT_EQ(x.Put(101), 5);
	EXPECT_EQ(x.Put(102), 10);
	EXPECT_FALSE(x.HasUnlinked());
	EXPECT_EQ(x.Find(100), 2);
	EXPECT_EQ(x.Find(101), 5);
	EXPECT_EQ(x.Find(102), 10);
	EXPECT_EQ(x.FindPut(101), 5);

	x.Unlink(7);
	x.Set(7, 70);
	EXPECT_EQ(x.Find(70), 7);
	EXPECT_FALSE(x.HasUnlinked());
	EXPECT_EQ(x.Find(7), -1);
}

TEST(Index, CopyKeepsChainsAndUnlinkedEntries)
{
	Probe<Key> x;
	for(int i = 0; i < 20; i++)
		x.Add(Key(i, i % 3));
	x.Unlink(4);
	x.Unlink(9);
	Probe<Key> c;
	static_cast<Index<Key>&>(c) = x;
	for(int i = 0; i < 20; i++) {
		EXPECT_EQ(c.GetHash(i), x.GetHash(i));
		EXPECT_EQ(c.L(i).next, x.L(i).next);
		EXPECT_EQ(c.L(i).prev, x.L(i).prev);
	}
	EXPECT_EQ(Std(c.GetUnlinked()), (std::vector<int>{ 9, 4 }));
	EXPECT_EQ(c.Put(Key(50, 1)), 9);
	EXPECT_EQ(x.Put(Key(50, 1)), 9); // the source is independent
	Index<Key> m(std::move(c));
	EXPECT_EQ(c.GetCount(), 0);
	EXPECT_EQ(c.Find(Key(1, 1)), -1);
	EXPECT_EQ(m.Find(Key(50, 1)), 9);
	c.Add(Key(1, 1)); // a moved-from index is usable at once
	EXPECT_EQ(c.Find(Key(1, 1)), 0);
}

TEST(Index, ShrinkRehashRemoveSweep)
{
	Probe<int> x;
	x.Reserve(8);
	for(int i = 0; i < 5; i++)
		x.Add(i);
	dword m = x.GetMask();
	x.Shrink();
	EXPECT_EQ(x.GetMask(), m);
	EXPECT_EQ(x.GetAlloc(), 8); // 20 bytes round up to a 32-byte block
	int a = x.GetAlloc();
	x.Shrink();
	EXPECT_EQ(x.GetAlloc(), a);
	for(int i = 0; i < 5; i++)
		EXPECT_EQ(x.Find(i), i);

	Probe<int> y;
	for(int i = 0; i < 100; i++)
		y.Add(i);
	y.Trim(3);
	y.Shrink();
	EXPECT_TRUE(Roomy(y.GetMask(), 3) && Smallest(y.GetMask(), 3));
	EXPECT_EQ(y.Find(50), -1);
	EXPECT_EQ(y.Find(2), 2);
	y.Trim(0);
	y.Shrink();
	EXPECT_TRUE(y.Sentinel());
	y.Add(4);
	EXPECT_EQ(y.Find(4), 0);

	Vector<int> keys;
	for(int i = 0; i < 50; i++)
		keys.Add(i * 3);
	Probe<int> z(std::move(keys));
	EXPECT_TRUE(Roomy(z.GetMask(), 50) && Smallest(z.GetMask(), 50));
	EXPECT_EQ(z.Find(147), 49);
	z.Unlink(10);
	z.Unlink(20);
	z.Remove(0, 5); // positions close up, unlinked entries stay unlinked
	EXPECT_EQ(z.Find(15), 0);
	EXPECT_EQ(z.Find(30), -1);
	EXPECT_EQ(Std(z.GetUnlinked()), (std::vector<int>{ 15, 5 }));
	z.Sweep();
	EXPECT_EQ(z.GetCount(), 43);
	EXPECT_FALSE(z.HasUnlinked());
	for(int i = 0; i < z.GetCount(); i++)
		ASSERT_EQ(z.Find(z[i]), i);
	z.Rehash(false);
	EXPECT_EQ(z.Find(147), 42);
	z.Clear();
	EXPECT_TRUE(z.Sentinel());
	EXPECT_EQ(z.Find(147), -1);
}

TEST(Index, SelfAliasingAdd)
{
	Index<HeapKey> x;
	HeapKey v{ { 1, 2, 3 } };
	x.Add(v);
	EXPECT_EQ(x.FindAdd(v), 0);
	while(x.GetCount() < x.GetAlloc())
		x.Add(HeapKey{ { x.GetCount() } });
	x.Add(x[0]);
	EXPECT_EQ(x.Top(), v);
	EXPECT_EQ(x.FindNext(0), x.GetCount() - 1);
}
