#include <Core/Core.h>

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace Qel;

namespace {

struct Counted {
	static inline int alive = 0;
	int v = 0;
	Counted()  { alive++; }
	~Counted() { alive--; }
};

// Makes key * 10 at the cost it is given; counts its make calls.
struct IntMaker : LRUCache<Counted, int>::Maker {
	int  key;
	int  cost;
	int* makes;
	IntMaker(int key, int* makes, int cost = 10) : key(key), cost(cost), makes(makes) {}
	int Key() const override           { return key; }
	int Make(Counted& c) const override { ++*makes; c.v = key * 10; return cost; }
};

struct OtherIntMaker : IntMaker {
	using IntMaker::IntMaker;
	int Make(Counted& c) const override { ++*makes; c.v = -key; return cost; }
};

struct ThrowingMaker : LRUCache<Counted, int>::Maker {
	int Key() const override       { return 99; }
	int Make(Counted&) const override { throw std::runtime_error("cannot make"); }
};

Vector<int> sKeysByRecency(const LRUCache<Counted, int>& c)
{
	Vector<int> keys;
	c.ForEach([&](int k, const Counted&) { keys.Add(k); });
	return keys;
}

struct TextMaker : ValueMaker {
	String key;
	int    cost;
	std::atomic<int>* makes;
	TextMaker(const String& key, std::atomic<int>* makes, int cost = 0) : key(key), cost(cost), makes(makes) {}
	String Key() const override     { return key; }
	int    Make(Value& v) const override { ++*makes; v = "made " + key; return cost; }
};

struct OtherTextMaker : TextMaker {
	using TextMaker::TextMaker;
	int Make(Value& v) const override { ++*makes; v = 7; return cost; }
};

struct BigMaker : TextMaker {
	using TextMaker::TextMaker;
};

// Restores the limits the other tests expect.
struct LimitsGuard {
	~LimitsGuard() { AdjustValueCacheLimit(); }
};

} // namespace

TEST(LRUCache, HitsMovesToFrontAndEvictsOldest)
{
	int makes = 0;
	{
		LRUCache<Counted, int> c(100);
		for(int k = 0; k < 4; k++)
			EXPECT_EQ(c.Get(IntMaker(k, &makes)).v, k * 10);
		EXPECT_EQ(makes, 4);
		EXPECT_EQ(c.GetCount(), 4);
		EXPECT_EQ(c.GetSize(), 4 * 110);
		EXPECT_EQ(c.Get(IntMaker(1, &makes)).v, 10);
		EXPECT_EQ(makes, 4) << "a hit makes nothing";
		EXPECT_EQ(sKeysByRecency(c), Vector<int>({1, 3, 2, 0}));

		c.RemoveOldest();
		EXPECT_EQ(sKeysByRecency(c), Vector<int>({1, 3, 2}));
		c.Shrink(2 * 110);
		EXPECT_EQ(sKeysByRecency(c), Vector<int>({1, 3}));
		c.Shrink(1000, 1);
		EXPECT_EQ(sKeysByRecency(c), Vector<int>({1}));
		EXPECT_EQ(Counted::alive, 1);

		// A dropped key is made again, in a reused slot.
		EXPECT_EQ(c.Get(IntMaker(0, &makes)).v, 0);
		EXPECT_EQ(makes, 5);
		EXPECT_EQ(c.GetCount(), 2);
		c.RemoveOldest();
		c.RemoveOldest();
		c.RemoveOldest(); // empty: nothing
		EXPECT_EQ(c.GetCount(), 0);
		EXPECT_EQ(c.GetSize(), 0);
		c.Get(IntMaker(5, &makes));
	}
	EXPECT_EQ(Counted::alive, 0) << "the cache destroys what it holds";
}

TEST(LRUCache, MakerClassIsPartOfTheKey)
{
	int makes = 0;
	LRUCache<Counted, int> c;
	EXPECT_EQ(c.Get(IntMaker(3, &makes)).v, 30);
	EXPECT_EQ(c.Get(OtherIntMaker(3, &makes)).v, -3);
	EXPECT_EQ(c.Get(IntMaker(3, &makes)).v, 30);
	EXPECT_EQ(makes, 2);
	EXPECT_EQ(c.GetCount(), 2);
}

TEST(LRUCache, FailedMakeLeavesTheCacheAsItWas)
{
	int makes = 0;
	LRUCache<Counted, int> c(5);
	c.Get(IntMaker(1, &makes));
	EXPECT_THROW(c.Get(ThrowingMaker()), std::runtime_error);
	EXPECT_EQ(c.GetCount(), 1);
	EXPECT_EQ(c.GetSize(), 15);
	EXPECT_EQ(Counted::alive, 1);
}

TEST(LRUCache, CountersRemoveAndResize)
{
	int makes = 0;
	LRUCache<Counted, int> c(1);
	for(int k = 0; k < 6; k++)
		c.Get(IntMaker(k, &makes, k));
	c.Get(IntMaker(2, &makes, 2));
	EXPECT_EQ(c.GetNewSize(), 0 + 1 + 2 + 3 + 4 + 5 + 6);
	EXPECT_EQ(c.GetFoundSize(), 3);
	c.ClearCounters();
	EXPECT_EQ(c.GetNewSize() + c.GetFoundSize(), 0);

	EXPECT_EQ(c.Remove([](const Counted& x) { return x.v % 20 == 0; }), 3); // 0, 20, 40
	EXPECT_EQ(c.GetCount(), 3);
	EXPECT_EQ(c.GetSize(), 2 + 4 + 6);
	EXPECT_EQ(sKeysByRecency(c), Vector<int>({5, 3, 1}));

	c.AdjustSize([](const Counted& x) { return x.v == 30 ? 100 : -1; });
	EXPECT_EQ(c.GetSize(), 2 + 101 + 6);
	c.Shrink(50);
	EXPECT_EQ(sKeysByRecency(c), Vector<int>({5})) << "dropped oldest first until the size held";
}

TEST(ValueCache, SecondMakeIsAHitAndClassesStayApart)
{
	std::atomic<int> makes = 0;
	int cost = 0;
	Value a = MakeValue(TextMaker("hit-a", &makes, 5), cost);
	EXPECT_EQ(a, Value("made hit-a"));
	EXPECT_EQ(cost, 5 + 132);
	cost = 0;
	Value b = MakeValue(TextMaker("hit-a", &makes, 999), cost);
	EXPECT_EQ(b, a);
	EXPECT_EQ(cost, 5 + 132) << "the recorded cost of the entry";
	EXPECT_EQ(makes, 1);

	EXPECT_EQ(MakeValue(OtherTextMaker("hit-a", &makes)), Value(7));
	EXPECT_EQ(makes, 2);
	EXPECT_TRUE(IsValueCacheAlive());
}

TEST(ValueCache, CountLimitDropsTheLeastRecentlyUsed)
{
	LimitsGuard guard;
	std::atomic<int> makes = 0;
	detail::SetValueCacheLimits(int64(1) << 40, 0); // empties the cache
	detail::SetValueCacheLimits(int64(1) << 40, 3);
	for(const char* k : {"lru-1", "lru-2", "lru-3"})
		MakeValue(TextMaker(k, &makes));
	MakeValue(TextMaker("lru-1", &makes)); // now the most recent
	MakeValue(TextMaker("lru-4", &makes)); // drops lru-2
	EXPECT_EQ(makes, 4);
	EXPECT_EQ(GetValueCache().GetCount(), 3);
	MakeValue(TextMaker("lru-1", &makes));
	MakeValue(TextMaker("lru-3", &makes));
	EXPECT_EQ(makes, 4);
	MakeValue(TextMaker("lru-2", &makes));
	EXPECT_EQ(makes, 5);
}

TEST(ValueCache, SizesBeyondTwoGigabytesStillEvict)
{
	LimitsGuard guard;
	std::atomic<int> makes = 0;
	const int big = 2000000000;
	detail::SetValueCacheLimits(int64(5) * big / 2, 1000);
	MakeValue(BigMaker("big-1", &makes, big));
	MakeValue(BigMaker("big-2", &makes, big));
	EXPECT_GT(GetValueCache().GetSize(), int64(2) * big) << "both fit: the total is not cut to 32 bits";
	MakeValue(BigMaker("big-3", &makes, big)); // over the limit now: big-1 goes
	EXPECT_LE(GetValueCache().GetSize(), int64(5) * big / 2);
	MakeValue(BigMaker("big-1", &makes, big));
	EXPECT_EQ(makes, 4);
	// A zero-cost entry still counts its overhead.
	detail::SetValueCacheLimits(0, 1000);
	EXPECT_EQ(GetValueCache().GetCount(), 0);
}

TEST(ValueCache, LimitsFollowAvailableMemory)
{
	AdjustValueCacheLimit();
	int64 size = GetValueCacheMaxSize();
	EXPECT_GT(size, 0);
	EXPECT_EQ(GetValueCacheMaxCount(), max<int64>(20000, size / 200));
}

TEST(ValueCache, MakerMayUseTheCache)
{
	std::atomic<int> makes = 0;
	struct Outer : ValueMaker {
		std::atomic<int>* makes;
		explicit Outer(std::atomic<int>* m) : makes(m) {}
		String Key() const override { return "outer"; }
		int Make(Value& v) const override
		{
			v = MakeValue(TextMaker("inner", makes)).ToString() + "!";
			return 1;
		}
	};
	EXPECT_EQ(MakeValue(Outer(&makes)), Value("made inner!"));
	EXPECT_EQ(makes, 1);
}

TEST(ValueCache, ThreadFrontCache)
{
	std::atomic<int> makes = 0;
	auto key = [] { return String("tl-key"); };
	auto make = [&](Value& v) { makes++; v = 42; return 8; };
	EXPECT_EQ(MakeValueTL(key, make), Value(42));
	EXPECT_EQ(MakeValueTL(key, make), Value(42));
	EXPECT_EQ(makes, 1);
	// Another thread has its own front but shares the cache behind it.
	std::thread([&] { EXPECT_EQ(MakeValueTL(key, make), Value(42)); }).join();
	EXPECT_EQ(makes, 1);
	auto other = [&](Value& v) { makes++; v = 1; return 0; };
	EXPECT_EQ(MakeValueTL(key, other), Value(1)) << "another maker with the same key text";
	EXPECT_EQ(makes, 2);
}

TEST(ValueCache, ManyThreads)
{
	std::atomic<int> makes = 0;
	std::atomic<bool> wrong = false;
	std::vector<std::thread> threads;
	for(int t = 0; t < 8; t++)
		threads.emplace_back([&, t] {
			for(int i = 0; i < 2000; i++) {
				String k = "mt-" + FormatInt64((i * 7 + t) % 300);
				if(MakeValue(TextMaker(k, &makes)) != Value("made " + k))
					wrong = true;
				if(i % 500 == 0)
					ShrinkValueCache();
			}
		});
	for(auto& t : threads)
		t.join();
	EXPECT_FALSE(wrong);
	EXPECT_GE(makes, 300);
}
