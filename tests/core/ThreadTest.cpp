#include <Core/Core.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <sched.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

using namespace Qel;

namespace {

// Used from a static initialiser that runs before sLateMutex's place in this file.
extern StaticMutex sLateMutex;
int sEarlyValue = [] {
	Mutex::Lock lock(sLateMutex);
	Mutex::Lock again(sLateMutex);
	return 42;
}();
StaticMutex sLateMutex;

static_assert(std::is_trivially_destructible_v<StaticMutex>, "a StaticMutex must outlive exit-time destructors");

Semaphore* sReleaseOnShutdown;
std::atomic<int> sShutdownHookCalls;
std::atomic<bool> sSawShutdownFlag;

void ShutdownHook()
{
	sShutdownHookCalls++;
	if(Thread::IsShutdownThreads())
		sSawShutdownFlag = true;
	if(sReleaseOnShutdown)
		sReleaseOnShutdown->Release();
}

std::atomic<int> sSignals;
void CountSignal(int) { sSignals++; }

} // namespace

TEST(Thread, CountedThreadsAndShutdown)
{
	EXPECT_EQ(Thread::GetCount(), 0);
	EXPECT_TRUE(Thread::IsMain());

	Semaphore go, done;
	std::atomic<bool> worker_is_main = true;
	Thread counted, uncounted;
	ASSERT_TRUE(counted.Run([&] { worker_is_main = Thread::IsMain(); go.Wait(); }));
	ASSERT_TRUE(uncounted.Run([&] { done.Wait(); }, true));
	EXPECT_EQ(Thread::GetCount(), 1) << "only the counted thread counts";
	EXPECT_TRUE(Thread::IsMain());

	sShutdownHookCalls = 0;
	sReleaseOnShutdown = &go;
	Thread::AtShutdown(ShutdownHook);
	Thread::ShutdownThreads(); // returns only once the hook has let the counted thread end
	sReleaseOnShutdown = nullptr;
	EXPECT_EQ(Thread::GetCount(), 0);
	EXPECT_GE(sShutdownHookCalls, 1);
	EXPECT_TRUE(sSawShutdownFlag);
	EXPECT_FALSE(Thread::IsShutdownThreads());
	EXPECT_FALSE(worker_is_main);
	counted.Wait();
	EXPECT_FALSE(counted.IsOpen());

	int calls = sShutdownHookCalls;
	Thread::ShutdownThreads();
	EXPECT_EQ(sShutdownHookCalls, calls) << "no counted thread: no hook, no wait";
	done.Release();
	uncounted.Wait();
}

TEST(Thread, ExitExceptionsEndThreadQuietly)
{
	Thread a, b;
	bool after = false;
	ASSERT_TRUE(a.Run([] { throw ExitExc(); }));
	ASSERT_TRUE(b.Run([&] { throw ThreadExitExc(); after = true; }));
	a.Wait();
	b.Wait();
	EXPECT_FALSE(after);
	EXPECT_EQ(Thread::GetCount(), 0);
}

TEST(Thread, SecondRunDetachesFirstAndStackSizeIsUsed)
{
	Semaphore first_done, second_done;
	std::atomic<size_t> stack = 0;
	Thread t;
	t.StackSize(4 << 20);
	ASSERT_TRUE(t.Run([&] { first_done.Release(); }));
	ASSERT_TRUE(t.Run([&] {
		pthread_attr_t attr;
		size_t size = 0;
		if(pthread_getattr_np(pthread_self(), &attr) == 0) {
			pthread_attr_getstacksize(&attr, &size);
			pthread_attr_destroy(&attr);
		}
		stack = size;
	}));
	t.Wait();
	EXPECT_TRUE(first_done.Wait(-1));
	EXPECT_GE(stack.load(), size_t(4 << 20));
}

TEST(Thread, RunIdleSchedulesIdle)
{
	Semaphore started;
	std::atomic<int> policy = -1;
	Thread t;
	ASSERT_TRUE(t.RunIdle([&] { started.Wait(); policy = sched_getscheduler(0); }));
	started.Release();
	t.Wait();
	EXPECT_EQ(policy, SCHED_IDLE);
}

TEST(ThreadDeathTest, FailedRunUndoesTheCount)
{
	GTEST_FLAG_SET(death_test_style, "threadsafe");
	// Room for no 1 GB stack: pthread_create fails, and the count must not stay raised.
	EXPECT_EXIT({
		long pages = 0;
		if(FILE* f = fopen("/proc/self/statm", "r")) {
			if(fscanf(f, "%ld", &pages) != 1)
				pages = 0;
			fclose(f);
		}
		rlimit limit;
		limit.rlim_cur = limit.rlim_max = (rlim_t)pages * getpagesize() + (64 << 20);
		setrlimit(RLIMIT_AS, &limit);
		static bool freed;
		struct Body {
			bool owner = true;
			Body() = default;
			Body(const Body&) = default;
			Body(Body&& b) : owner(b.owner) { b.owner = false; }
			~Body() { if(owner) freed = true; }
			void operator()() const {}
		};
		Thread t;
		t.StackSize(1 << 30);
		bool ran = t.Run(Body());
		// The start record, and with it the callable, is gone too.
		_exit(!ran && !t.IsOpen() && Thread::GetCount() == 0 && freed ? 0 : 1);
	}, testing::ExitedWithCode(0), "");
}

TEST(ThreadDeathTest, MainIsTheInitialThreadWhoeverStartsFirst)
{
	// A fresh process, whose first Thread starts on a thread of its own.
	GTEST_FLAG_SET(death_test_style, "threadsafe");
	EXPECT_EXIT({
		bool worker_main = true;
		bool inner_main = true;
		std::thread other([&] {
			Thread t;
			t.Run([&] { inner_main = Thread::IsMain(); });
			t.Wait();
			worker_main = Thread::IsMain();
		});
		other.join();
		_exit(Thread::IsMain() && !worker_main && !inner_main ? 0 : 1);
	}, testing::ExitedWithCode(0), "");
}

TEST(Thread, SleepAndCoreCount)
{
	// Past a second the whole seconds go apart from the nanoseconds, or nanosleep refuses.
	auto t0 = std::chrono::steady_clock::now();
	Sleep(1001);
	EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(1000));

	int cores = CPUCoreCount();
	EXPECT_GE(cores, 1);
	EXPECT_EQ(CPUCoreCount(), cores);
}

TEST(Mutex, RecursiveAndExclusive)
{
	Mutex m;
	m.Enter();
	m.Enter();
	std::atomic<int> other = -1;
	Thread t;
	t.Run([&] { other = m.TryEnter(); });
	t.Wait();
	EXPECT_EQ(other, 0);
	m.Leave();
	m.Leave();
	t.Run([&] { other = m.TryEnter(); if(other) m.Leave(); });
	t.Wait();
	EXPECT_EQ(other, 1);
}

TEST(Mutex, GuardsSharedCounter)
{
	static StaticMutex lock;
	long counter = 0; // local, so the test also passes when repeated
	Thread threads[8];
	for(Thread& t : threads)
		t.Run([&counter] {
			for(int i = 0; i < 10000; i++) {
				Mutex::Lock l(lock);
				counter++;
			}
		});
	for(Thread& t : threads)
		t.Wait();
	EXPECT_EQ(counter, 80000);
	EXPECT_EQ(sEarlyValue, 42);
	EXPECT_TRUE(sLateMutex.TryEnter());
	sLateMutex.Leave();
}

TEST(Semaphore, TimeOuts)
{
	Semaphore s;
	EXPECT_FALSE(s.Wait(0));
	s.Release();
	EXPECT_TRUE(s.Wait(0));
	auto t0 = std::chrono::steady_clock::now();
	EXPECT_FALSE(s.Wait(30));
	EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(25));
	s.Release();
	s.Release();
	EXPECT_TRUE(s.Wait(1500)) << "a pending release returns at once, also past a whole second";
	EXPECT_TRUE(s.Wait(-1));

	Thread t;
	t.Run([&] { s.Release(); });
	EXPECT_TRUE(s.Wait(-1));
	t.Wait();
}

TEST(Semaphore, SignalsDoNotEndTheWait)
{
	struct sigaction sa = {}, old;
	sa.sa_handler = CountSignal; // no SA_RESTART: the wait sees EINTR
	sigaction(SIGUSR1, &sa, &old);
	pthread_t waiter = pthread_self();
	for(int ms : {-1, 10000}) {
		Semaphore s;
		std::atomic<bool> released = false;
		sSignals = 0;
		Thread t;
		t.Run([&] {
			while(sSignals < 5) {
				pthread_kill(waiter, SIGUSR1);
				Sleep(2);
			}
			released = true;
			s.Release();
		});
		EXPECT_TRUE(s.Wait(ms));
		EXPECT_TRUE(released) << "Wait(" << ms << ") returned before the release";
		t.Wait();
	}
	sigaction(SIGUSR1, &old, nullptr);
}
