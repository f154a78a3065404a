#include <Core/Core.h>

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace Qel;

namespace {

// Counts live copies of the stored callable, so the test sees when the wrapper is destroyed.
struct Tracked {
	static inline int live = 0;
	static inline int destroyed = 0;
	std::string* out;

	explicit Tracked(std::string* out) : out(out) { live++; }
	Tracked(const Tracked& t) : out(t.out) { live++; }
	~Tracked() { live--; destroyed++; }
	void operator()() const { *out += "t"; }
};

struct Base {
	virtual ~Base() = default;
	virtual int Value(int x) { return x; }
};

struct Derived : Base {
	int Value(int x) override { return 10 * x; }
};

} // namespace

TEST(Function, JoinedCallbacksRunInOrder)
{
	std::string out;
	Function<void ()> f;
	f << [&] { out += "a"; };
	f << [&] { out += "b"; } << Function<void ()>() << [&] { out += "c"; };
	f();
	EXPECT_EQ(out, "abc");

	Function<void ()> g = f;
	g << [&] { out += "d"; };
	out.clear();
	f();
	EXPECT_EQ(out, "abc") << "joining onto a copy leaves the original alone";
	out.clear();
	g();
	EXPECT_EQ(out, "abcd");
}

TEST(Function, CopiesShareOneWrapperDestroyedOnce)
{
	std::string out;
	Tracked::live = Tracked::destroyed = 0;
	{
		Function<void ()> f = Tracked(&out);
		EXPECT_EQ(Tracked::live, 1);
		int destroyed = Tracked::destroyed;
		Function<void ()> g = f, h;
		h = g;
		Function<void ()> joined;
		joined << f << [&] { out += "x"; };
		f.Clear();
		g = nullptr;
		EXPECT_EQ(Tracked::live, 1);
		h();
		joined();
		EXPECT_EQ(out, "ttx");
		h.Clear();
		EXPECT_EQ(Tracked::live, 1) << "the join still holds the callable";
		EXPECT_EQ(Tracked::destroyed, destroyed);
	}
	EXPECT_EQ(Tracked::live, 0);
}

TEST(Function, EmptyCallDoesNothing)
{
	Function<void ()> v;
	v();
	Function<int (int)> i;
	EXPECT_FALSE(i);
	EXPECT_EQ(i(5), 0);
	Function<std::string ()> s;
	EXPECT_EQ(s(), "");
	int (*none)(int) = nullptr;
	EXPECT_FALSE(Function<int (int)>(none));
}

TEST(Function, ResultsArgumentsAndMembers)
{
	Function<int (int, int)> add = [](int a, int b) { return a + b; };
	EXPECT_EQ(add(2, 3), 5);
	Function<int (int)> twice = [](int a) { return 2 * a; };
	twice << [](int a) { return 3 * a; };
	EXPECT_EQ(twice(7), 21) << "a join returns the last callback's result";

	Derived d;
	Function<int (int)> member(static_cast<Base*>(&d), &Base::Value);
	EXPECT_EQ(member(4), 40) << "a virtual member calls the override";

	Function<void ()> ignoring = [] { return 42; };
	ignoring();
}

int Triple(int x)
{
	return 3 * x;
}

TEST(Function, JoinsPassArgumentsToBoth)
{
	// By value: the first callback works on its own copy, the second still gets the argument.
	std::string out;
	Function<void (std::string)> by_value = [&out](std::string s) { out += s; s = "spoilt"; };
	by_value << [&out](std::string s) { out += "|" + s; };
	by_value("long enough to live in a heap block, not inline");
	EXPECT_EQ(out, "long enough to live in a heap block, not inline|long enough to live in a heap block, not inline");

	// References reach both callbacks as the same object.
	int n = 0;
	Function<void (int&)> by_ref = [](int& x) { x += 1; };
	by_ref << [](int& x) { x *= 10; };
	by_ref(n);
	EXPECT_EQ(n, 10);
	Function<void (std::string&&)> by_rvalue = [&out](std::string&& s) { out = s; };
	by_rvalue << [&out](std::string&& s) { out += s; };
	by_rvalue(std::string("ab"));
	EXPECT_EQ(out, "abab");

	Function<int (int)> named = Triple;
	EXPECT_EQ(named(2), 6);
}

TEST(Function, CallbackReplacingItselfRunsToItsEnd)
{
	Function<void ()> f;
	std::string out;
	std::string tail = "a long enough text that lives in the lambda's own heap block";
	f = [&f, &out, tail] {
		f = [&out] { out += "[new]"; };
		out += tail; // the old lambda's capture, still alive while it runs
	};
	f();
	EXPECT_EQ(out, tail);
	f();
	EXPECT_EQ(out, tail + "[new]");

	// The same when the replaced Function is a join: the second callback still runs.
	out.clear();
	Function<void ()> g;
	g << [&g, &out, tail] { g.Clear(); out += tail.substr(0, 1); } << [&out, tail] { out += tail.substr(1, 1); };
	g();
	EXPECT_EQ(out, "a ");
	EXPECT_FALSE(g);
}

// A wrapper cleared from inside a nested call of itself lives until the outermost call ends, and
// dies once, also when that call leaves by an exception.
TEST(Function, ClearedDuringNestedCallDiesOnceAfterOutermost)
{
	std::string out;
	Tracked::live = 0;
	Tracked::destroyed = 0;
	Function<void (int)> f;
	Tracked t(&out);
	f = [&f, t](int depth) {
		if(depth < 2)
			f(depth + 1);
		else
			f.Clear();
		t();
		if(depth == 0)
			throw std::runtime_error("x");
	};
	int before = Tracked::destroyed;
	EXPECT_THROW(f(0), std::runtime_error);
	EXPECT_EQ(out, "ttt");
	EXPECT_FALSE(f);
	EXPECT_EQ(Tracked::destroyed - before, 1);
	EXPECT_EQ(Tracked::live, 1); // only t itself
}

TEST(Function, ExceptionLeavesCountsIntact)
{
	std::string out;
	Tracked::live = 0;
	{
		Function<void ()> f = Tracked(&out);
		f << [] { throw std::runtime_error("x"); };
		EXPECT_THROW(f(), std::runtime_error);
		EXPECT_THROW(f(), std::runtime_error);
		EXPECT_EQ(out, "tt");
	}
	EXPECT_EQ(Tracked::live, 0);
}

TEST(Function, CopiesOnManyThreads)
{
	std::atomic<int> calls = 0;
	{
		Function<void ()> shared = [&calls] { calls++; };
		std::vector<std::thread> threads;
		for(int t = 0; t < 4; t++)
			threads.emplace_back([shared] {
				for(int i = 0; i < 1000; i++) {
					Function<void ()> copy = shared;
					copy();
				}
			});
		for(auto& t : threads)
			t.join();
	}
	EXPECT_EQ(calls, 4000);
}
