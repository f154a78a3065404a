#include <Core/Core.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

using namespace Qel;

TEST(Sort, SmallNetworksSortEveryInput)
{
	// 0-1 principle: a network that sorts every 0/1 input sorts everything.
	for(int n = 0; n < 8; n++)
		for(int bits = 0; bits < (1 << n); bits++) {
			int a[8];
			for(int i = 0; i < n; i++)
				a[i] = bits >> i & 1;
			Sort(a, a + n);
			ASSERT_TRUE(std::is_sorted(a, a + n)) << n << " " << bits;
		}
	int p[7] = { 0, 1, 2, 3, 4, 5, 6 };
	do {
		int a[7];
		std::copy(p, p + 7, a);
		Sort(a, a + 7);
		ASSERT_TRUE(std::is_sorted(a, a + 7));
	}
	while(std::next_permutation(p, p + 7));
}

TEST(Sort, MatchesStdSort)
{
	std::mt19937 rng(5);
	for(int n : { 8, 9, 100, 999, 1000, 1001, 5000, 100000 })
		for(int range : { 2, 50, 1 << 30 }) {
			std::vector<int> a(n);
			for(int& x : a)
				x = (int)(rng() % range) - range / 2;
			std::vector<int> b = a;
			Sort(a.data(), a.data() + n);
			std::sort(b.begin(), b.end());
			ASSERT_EQ(a, b) << n << " " << range;
		}
	// Already ordered, reversed and organ-pipe inputs.
	std::vector<int> a(200000);
	for(int i = 0; i < (int)a.size(); i++)
		a[i] = i < 100000 ? i : 200000 - i;
	std::vector<int> b = a;
	Sort(a.data(), a.data() + a.size());
	std::sort(b.begin(), b.end());
	EXPECT_EQ(a, b);
	std::reverse(a.begin(), a.end());
	Sort(a.data(), a.data() + a.size());
	EXPECT_EQ(a, b);
}

TEST(Sort, ContainersAndOrderings)
{
	Vector<double> v = { 3.5, -1, 2, 8, 0, 7, 7, 1, 9, 4 };
	Sort(v, [](double a, double b) { return a > b; });
	EXPECT_TRUE(std::is_sorted(v.begin(), v.end(), [](double a, double b) { return a > b; }));

	Array<Vector<int>> a;
	for(int i = 0; i < 300; i++)
		a.Add(Vector<int>{ (i * 7919) % 300 });
	const Vector<int>* at = &a[5];
	int key = (*at)[0];
	Sort(a, [](const Vector<int>& x, const Vector<int>& y) { return x[0] < y[0]; });
	for(int i = 0; i < 300; i++)
		ASSERT_EQ(a[i][0], i);
	EXPECT_EQ(&a[key], at); // elements stay put, only pointers move
}
