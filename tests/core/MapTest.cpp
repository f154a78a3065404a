#include <Core/Core.h>

#include <gtest/gtest.h>

#include <string>

using namespace Qel;

namespace {

std::string order; // destruction log

struct Logged {
	using Relocatable = void;
	char tag = '?';
	Vector<int> payload = { 1 };
	Logged() = default;
	Logged(char tag) : tag(tag) {}
	~Logged() { order += tag; }
	bool operator==(const Logged& b) const { return tag == b.tag; }
	qword GetHashValue() const { return tag; }
};

// The two maps differ only in where values live: every other behaviour is tested on both.
struct VectorMaps {
	template <class K, class V> using Map = VectorMap<K, V>;
};
struct ArrayMaps {
	template <class K, class V> using Map = ArrayMap<K, V>;
};

template <class T>
class Maps : public testing::Test {};
using MapKinds = testing::Types<VectorMaps, ArrayMaps>;
TYPED_TEST_SUITE(Maps, MapKinds);

} // namespace

TYPED_TEST(Maps, FindAddKeepsExistingValue)
{
	typename TypeParam::template Map<int, Vector<int>> m;
	m.Add(1, Vector<int>{ 10 });
	m.Add(2, Vector<int>{ 20 });
	EXPECT_EQ(m.FindAdd(1), 0);
	EXPECT_EQ(m[0], Vector<int>{ 10 });
	EXPECT_EQ(m.FindAdd(3), 2);
	EXPECT_TRUE(m[2].IsEmpty());
	EXPECT_EQ(m.FindAdd(4, Vector<int>{ 7 }), 3);
	EXPECT_EQ(m.FindAdd(4, Vector<int>{ 8 }), 3);
	EXPECT_EQ(m[3], Vector<int>{ 7 });
	EXPECT_EQ(m.GetKey(3), 4);

	EXPECT_EQ(m.Get(2), Vector<int>{ 20 });
	Vector<int> def = { -1 };
	EXPECT_EQ(m.Get(9, def), def);
	EXPECT_EQ(m.FindPtr(9), nullptr);
	m.GetAdd(9).Add(90);
	EXPECT_EQ(*m.FindPtr(9), Vector<int>{ 90 });

	m.Add(1, Vector<int>{ 11 }); // Add does not search
	EXPECT_EQ(m.Find(1), 0);
	EXPECT_EQ(m.FindNext(0), 5);
	while(m.GetCount() < 300)
		m.Add(100 + m.GetCount());
	m.FindAdd(77, m[0]); // a value of the map itself, while its storage may grow
	EXPECT_EQ(m.Top(), Vector<int>{ 10 });
}

TEST(MapDeathTest, GetOfMissingKeyPanics)
{
	VectorMap<int, int> m;
	m.Add(1, 2);
	EXPECT_DEATH(m.Get(12345), "Key not found in map!");
}

TYPED_TEST(Maps, UnlinkPutSweepRemove)
{
	using M = typename TypeParam::template Map<int, int>;
	M m;
	for(int i = 0; i < 10; i++)
		m.Add(i, i * 10);
	m.Unlink(3);
	m.UnlinkKey(7);
	EXPECT_EQ(m.Find(3), -1);
	EXPECT_EQ(m.Put(70, 700), 7);
	EXPECT_EQ(m[7], 700);
	EXPECT_EQ(m.FindPut(30, 300), 3);
	EXPECT_EQ(m.FindPut(40, 400), 10);
	m.Unlink(0);
	m.Unlink(5);
	m.Sweep();
	EXPECT_EQ(m.GetCount(), 9);
	for(int i = 0; i < m.GetCount(); i++) {
		int k = m.GetKey(i);
		EXPECT_EQ(m[i], k * 10);
		EXPECT_EQ(m.Find(k), i);
	}
	EXPECT_EQ(m.RemoveKey(70), 1);
	EXPECT_EQ(m.Find(70), -1);
	EXPECT_EQ(m.Get(8, -1), 80);
	m.SetKey(0, 1000);
	EXPECT_EQ(m.Get(1000, -1), 10);
	M c = m;
	EXPECT_TRUE(c == m);
	c.Clear();
	EXPECT_TRUE(c.IsEmpty());
	EXPECT_EQ(c.Find(1000), -1);
	M init = { { 1, 2 }, { 3, 4 } };
	EXPECT_EQ(init.Get(3, 0), 4);
}

TYPED_TEST(Maps, DestroysValuesThenKeys)
{
	order.clear();
	{
		typename TypeParam::template Map<Logged, Logged> m;
		m.Add(Logged('a'), Logged('x'));
		m.Add(Logged('b'), Logged('y'));
		order.clear();
	}
	EXPECT_EQ(order, "xyab");
}

TEST(ArrayMap, ValuesKeepAddresses)
{
	ArrayMap<int, Vector<int>> m;
	Vector<int>& first = m.Add(1);
	first.Add(5);
	for(int i = 2; i < 500; i++)
		m.Add(i).Add(i);
	EXPECT_EQ(&m[0], &first);
	EXPECT_EQ(&m.Get(1), &first);
	m.Add(7, new Vector<int>{ 77 });
	EXPECT_EQ(m.Find(7), 6);
	EXPECT_EQ(m.FindNext(6), 499);
	Vector<int>* d = m.Detach(0);
	EXPECT_EQ(d, &first);
	delete d;
	EXPECT_EQ(m.Find(1), -1);
	EXPECT_EQ(m.Find(2), 0);
}
