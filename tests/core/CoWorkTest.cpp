#include <Core/Core.h>

#include <gtest/gtest.h>

#include "../Sanitized.h"

#include <atomic>
#include <dirent.h>
#include <functional>
#include <memory>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace Qel;

namespace {

// Occupies every worker of the pool until the object goes, so the test decides which thread
// runs the jobs it schedules next: whatever is queued then runs only in CoWork::Finish.
class BlockedPool {
	CoWork    blockers;
	Semaphore started, gate;
	int       n;

public:
	BlockedPool() : n(CoWork::GetPoolSize())
	{
		for(int i = 0; i < n; i++)
			blockers.Schedule([this] { started.Release(); gate.Wait(); });
		for(int i = 0; i < n; i++)
			started.Wait();
	}
	~BlockedPool()
	{
		for(int i = 0; i < n; i++)
			gate.Release();
		blockers.Finish();
	}
};

int sTaskCount()
{
	int n = 0;
	if(DIR* d = opendir("/proc/self/task")) {
		while(dirent* e = readdir(d))
			n += e->d_name[0] != '.';
		closedir(d);
	}
	return n;
}

} // namespace

TEST(CoWork, PoolSizeAndWorkerIndex)
{
	int n = CoWork::GetPoolSize();
	EXPECT_EQ(n, CPUCoreCount() + 2);
	EXPECT_EQ(CoWork::GetWorkerIndex(), -1);
	std::atomic<bool> bad_index = false;
	CoWork co;
	for(int i = 0; i < 2000; i++)
		co & [&] {
			int w = CoWork::GetWorkerIndex();
			bad_index = bad_index || w < -1 || w >= n;
		};
	co.Finish();
	EXPECT_FALSE(bad_index);
}

TEST(CoWork, EveryJobRunsOnceAndFinishWaits)
{
	for(int round = 0; round < 3; round++) {
		std::atomic<int64> sum = 0;
		CoWork co;
		for(int i = 1; i <= 5000; i++)
			co & [&sum, i] { sum += i; };
		co.Finish();
		EXPECT_EQ(sum, 5000 * 5001 / 2);
		EXPECT_TRUE(co.IsFinished());
	}
	CoWork idle;
	idle.Finish(); // nothing scheduled: returns at once
}

TEST(CoWork, WaitingThreadRunsItsQueuedJobsNewestFirst)
{
	BlockedPool blocked;
	Vector<int> order;
	CoWork co;
	for(int i = 0; i < 3; i++)
		co.Schedule([&order, i] { order.Add(i); });
	co.Finish();
	ASSERT_EQ(order.GetCount(), 3);
	EXPECT_EQ(order[0], 2);
	EXPECT_EQ(order[1], 1);
	EXPECT_EQ(order[2], 0);
}

TEST(CoWork, NestedGroupsFinishWithEveryWorkerBusy)
{
	BlockedPool blocked;
	std::function<int64(int)> fib = [&](int k) -> int64 {
		if(k < 2)
			return k;
		int64 a = 0, b = 0;
		CoWork co;
		co & [&] { a = fib(k - 1); };
		co & [&] { b = fib(k - 2); };
		co.Finish();
		return a + b;
	};
	EXPECT_EQ(fib(16), 987);
}

TEST(CoWork, NestedGroupsOnThePool)
{
	std::atomic<int> leaves = 0;
	CoWork outer;
	for(int i = 0; i < 64; i++)
		outer & [&] {
			CoWork inner;
			for(int j = 0; j < 64; j++)
				inner & [&] { leaves++; };
			inner.Finish();
			CoFor(10, [&](int) { leaves++; });
		};
	outer.Finish();
	EXPECT_EQ(leaves, 64 * 74);
}

TEST(CoWork, SaturatedPoolRunsJobsOnTheCaller)
{
	BlockedPool blocked; // the blockers' slots were returned when their jobs started
	const std::thread::id me = std::this_thread::get_id();
	std::atomic<int> ran = 0, ran_here = 0;
	CoWork co;
	for(int i = 0; i < 2500; i++)
		co & [&] {
			ran++;
			ran_here += std::this_thread::get_id() == me;
		};
	EXPECT_EQ(ran, 2500 - 2048) << "the jobs beyond the 2048 slots ran before Schedule returned";
	EXPECT_EQ(ran_here, 2500 - 2048);
	co.Finish();
	EXPECT_EQ(ran, 2500);
}

TEST(CoWork, FirstExceptionReachesTheWaiterAndCancelsTheRest)
{
	BlockedPool blocked;
	CoWork co;
	std::atomic<int> ran = 0;
	for(int i = 0; i < 10; i++)
		co & [&] { ran++; };
	co & [] { throw std::runtime_error("first"); }; // newest: Finish runs it first
	try {
		co.Finish();
		FAIL() << "no exception";
	}
	catch(const std::runtime_error& e) {
		EXPECT_STREQ(e.what(), "first");
	}
	EXPECT_EQ(ran, 0) << "the queued jobs were cancelled";
	EXPECT_FALSE(co.IsCanceled());

	// The group is usable again, and the exception was taken out.
	co & [&] { ran++; };
	co.Finish();
	EXPECT_EQ(ran, 1);
}

TEST(CoWork, ExceptionsOnWorkers)
{
	for(int round = 0; round < 20; round++) {
		CoWork co;
		for(int i = 0; i < 50; i++)
			co & [i] { if(i % 7 == 3) throw Exc("job failed"); };
		EXPECT_THROW(co.Finish(), Exc);
		co.Finish(); // thrown once only
	}
	{
		CoWork co;
		co & [] { throw 1; };
		// The destructor waits and drops the exception instead of ending the program.
	}
}

TEST(CoWork, CancelDropsQueuedJobs)
{
	std::atomic<int> ran = 0;
	CoWork co;
	{
		BlockedPool blocked;
		for(int i = 0; i < 100; i++)
			co & [&] { ran++; };
		co.Cancel();
		EXPECT_TRUE(co.IsCanceled());
	}
	co.Finish();
	EXPECT_EQ(ran, 0);
	EXPECT_FALSE(co.IsCanceled());
}

TEST(CoWork, LoopTakesEveryItemOnce)
{
	for(int n : {0, 1, 7, 1000, 100000}) {
		std::unique_ptr<std::atomic<int>[]> hits(new std::atomic<int>[n + 1]());
		std::atomic<int> instances = 0;
		CoWork co;
		co.Loop([&] {
			instances++;
			for(int i; (i = co.Next()) < n;)
				hits[i]++;
		});
		bool once = true;
		for(int i = 0; i < n; i++)
			once = once && hits[i] == 1;
		EXPECT_TRUE(once) << n;
		EXPECT_GE(instances, 1);
		EXPECT_LE(instances, CoWork::GetPoolSize());
	}
}

TEST(CoWork, LoopRethrowsOnceAndStaysUsable)
{
	CoWork co;
	std::atomic<int> done = 0;
	EXPECT_THROW(co.Loop([&] {
		for(int i; (i = co.Next()) < 1000;)
			if(i == 500)
				throw std::logic_error("item 500");
			else
				done++;
	}), std::logic_error);
	co.Finish();
	std::atomic<int> count = 0;
	co.Loop([&] { while(co.Next() < 300) count++; });
	EXPECT_EQ(count, 300);
}

TEST(CoWork, FinishedLoopKeepsPlainJobsQueuedBeforeIt)
{
	BlockedPool blocked;
	CoWork co;
	bool plain_ran = false;
	co & [&] { plain_ran = true; };
	std::atomic<int> items = 0;
	co.Loop([&] { while(co.Next() < 50) items++; });
	EXPECT_EQ(items, 50);
	co.Finish();
	EXPECT_TRUE(plain_ran);
}

TEST(CoWork, LoopInsideAJobTakesPart)
{
	BlockedPool blocked;
	CoWork outer;
	std::atomic<int> items = 0;
	outer & [&] {
		CoWork inner;
		inner.Loop([&] { while(inner.Next() < 1000) items++; });
	};
	outer.Finish();
	EXPECT_EQ(items, 1000);
}

TEST(CoWork, CoForCoversTheRange)
{
	for(int n : {0, 1, 2, 63, 64, 65, 1000, 250000}) {
		std::unique_ptr<std::atomic<int>[]> hits(new std::atomic<int>[n + 1]());
		CoFor(n, [&](int i) { hits[i]++; });
		int wrong = 0;
		for(int i = 0; i < n; i++)
			wrong += hits[i] != 1;
		EXPECT_EQ(wrong, 0) << n;
	}
}

TEST(CoWork, ForkedChildRunsJobsItselfAndExits)
{
#ifdef QEL_TEST_SANITIZED
	// The sanitizers' allocators are not safe to use in the forked child of a threaded process
	// (their locks may be held by a thread that does not exist there): the normal build tests this.
	GTEST_SKIP() << "not under a sanitizer";
#endif
	CoWork::GetPoolSize(); // the pool exists, with its workers, before the fork
	pid_t pid = fork();
	ASSERT_GE(pid, 0);
	if(pid == 0) {
		alarm(20);
		std::atomic<int> n = 0;
		CoFor(1000, [&](int) { n++; });
		CoWork co;
		co & [&] { n++; };
		co.Finish();
		exit(n == 1001 ? 0 : 1); // runs the exit-time shutdown, which must not wait for the parent's workers
	}
	int status = 0;
	ASSERT_EQ(waitpid(pid, &status, 0), pid);
	EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

[[noreturn]] static void sUsePoolThenExit()
{
	std::atomic<int> n = 0;
	CoFor(10000, [&](int) { n++; });
	int running = sTaskCount(); // the sanitizers may keep threads of their own
	AppExit();
	bool ended = sTaskCount() == running - CoWork::GetPoolSize();
	// Jobs scheduled afterwards run on the caller.
	int w = 0;
	CoWork co;
	co & [&] { w = CoWork::GetWorkerIndex(); };
	co.Finish();
	_exit(ended && n == 10000 && w == -1 ? 0 : 1);
}

TEST(CoWorkDeathTest, ApplicationExitEndsTheWorkers)
{
	GTEST_FLAG_SET(death_test_style, "threadsafe");
	EXPECT_EXIT(sUsePoolThenExit(), ::testing::ExitedWithCode(0), "");
}

TEST(Thread, CountDropsOnlyAfterTheCapturesAreGone)
{
	struct Probe {
		std::atomic<int>* seen;
		Probe(std::atomic<int>* s) : seen(s) {}
		Probe(const Probe& p) : seen(p.seen) {}
		~Probe() { if(seen) seen->store(Thread::GetCount()); }
	};
	std::atomic<int> seen = -1;
	{
		Probe probe(&seen);
		Function<void ()> fn = [probe] {};
		Thread t;
		probe.seen = nullptr;
		t.Run(std::move(fn));
	}
	Thread::ShutdownThreads();
	EXPECT_EQ(seen, 1) << "the captures were destroyed while the thread still counted";
	EXPECT_EQ(Thread::GetCount(), 0);
}
