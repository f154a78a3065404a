// The GUI lock, cross-thread calls and the wait for worker threads at exit.
#include "GuiLoop.h"
#include "RecordingCtrl.h"

#include <testkit/Testkit.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace guitest {

// Whether another thread can take the GUI lock right now (it gives it back at once).
bool sOtherThreadGetsTheLock()
{
	std::atomic<bool> got{false};
	std::thread t([&] {
		GuiLock lock;
		got = true;
	});
	t.join();
	return got;
}

TEST(GuiLock, DepthCountsAndTheMutexIsTakenOnce)
{
	EXPECT_EQ(GetGuiMutexDepth(), 0);
	EXPECT_EQ(LeaveGuiMutexAll(), 0); // nothing held: nothing unlocked
	EnterGuiMutex(0);
	EnterGuiMutex(-2);
	EXPECT_EQ(GetGuiMutexDepth(), 0);
	EXPECT_TRUE(sOtherThreadGetsTheLock());
	{
		GuiLock a, b, c;
		EXPECT_EQ(GetGuiMutexDepth(), 3);
		int n = LeaveGuiMutexAll();
		EXPECT_EQ(n, 3);
		EXPECT_EQ(GetGuiMutexDepth(), 0);
		EXPECT_TRUE(sOtherThreadGetsTheLock());
		EnterGuiMutex(n);
		EXPECT_EQ(GetGuiMutexDepth(), 3);
		EnterGuiMutex(2);
		EXPECT_EQ(GetGuiMutexDepth(), 5);
		LeaveGuiMutex();
		LeaveGuiMutex();
	}
	EXPECT_EQ(GetGuiMutexDepth(), 0);
	EXPECT_TRUE(sOtherThreadGetsTheLock());
}

TEST(GuiLock, ExceptionDuringAFullReleaseRestoresTheDepth)
{
	GuiLock a, b;
	try {
		GuiUnlockAll unlock;
		EXPECT_EQ(GetGuiMutexDepth(), 0);
		EXPECT_TRUE(sOtherThreadGetsTheLock());
		throw Exc("in the wait");
	}
	catch(const Exc&) {
	}
	EXPECT_EQ(GetGuiMutexDepth(), 2);
}

TEST(CtrlCall, OnTheGuiThreadRunsAtOnce)
{
	int before = detail::GetTimerCount();
	bool ran = false;
	Ctrl::Call([&] { ran = true; });
	EXPECT_TRUE(ran);
	EXPECT_EQ(detail::GetTimerCount(), before);
}

TEST(CtrlCall, FromAWorkerHoldingTheLockThreeDeep)
{
	testkit::InitGtk();
	std::atomic<bool> done{false};
	std::atomic<int> depth_after{-1};
	std::thread::id gui = std::this_thread::get_id(), ran_on;
	int gui_depth_in_callback = -1;
	std::thread worker([&] {
		GuiLock a, b, c;
		Ctrl::Call([&] {
			ran_on = std::this_thread::get_id();
			gui_depth_in_callback = GetGuiMutexDepth(); // the GUI thread holds the lock meanwhile
		});
		depth_after = GetGuiMutexDepth();
		done = true;
	});
	EXPECT_TRUE(RunGuiLoop([&] { return done.load(); }));
	worker.join();
	EXPECT_EQ(ran_on, gui);
	EXPECT_GT(gui_depth_in_callback, 0);
	EXPECT_EQ(depth_after, 3);
}

TEST(CtrlCall, ExceptionReachesTheCaller)
{
	testkit::InitGtk();
	std::atomic<bool> done{false};
	std::string caught;
	std::thread worker([&] {
		try {
			Ctrl::Call([] { throw Exc("no such file"); });
		}
		catch(const Exc& e) {
			caught = std::string(e.Begin(), e.GetLength());
		}
		done = true;
	});
	EXPECT_TRUE(RunGuiLoop([&] { return done.load(); }));
	worker.join();
	EXPECT_EQ(caught, "no such file");
	// the loop and the lock still work
	done = false;
	int n = 0;
	std::thread again([&] {
		Ctrl::Call([&] { n++; });
		done = true;
	});
	EXPECT_TRUE(RunGuiLoop([&] { return done.load(); }));
	again.join();
	EXPECT_EQ(n, 1);
}

TEST(CtrlCall, TheGuiThreadIsTheOneThatStartedTheGui)
{
	if(!testkit::InChild()) {
		EXPECT_TRUE(testkit::RunInChild());
		return;
	}
	// here another thread becomes the GUI thread; the initial thread must post, not run inline
	std::atomic<bool> marked{false}, stop{false};
	std::thread::id gui_id;
	std::thread gui([&] {
		detail::MarkGuiThread();
		gui_id = std::this_thread::get_id();
		marked = true;
		RunGuiLoop([&] { return stop.load(); }, 60000);
	});
	while(!marked)
		std::this_thread::yield();
	std::thread::id ran_on;
	{
		GuiLock lock; // held by the caller: the call must still get through
		Ctrl::Call([&] { ran_on = std::this_thread::get_id(); });
	}
	EXPECT_EQ(ran_on, gui_id);
	EXPECT_FALSE(detail::IsGuiThread());
	stop = true;
	g_main_context_wakeup(nullptr);
	gui.join();
}

TEST(CtrlCall, ShutdownWithoutWorkersReturnsAtOnce)
{
	static int hooks;
	hooks = 0;
	Thread::AtShutdown([] { hooks++; });
	ASSERT_EQ(Thread::GetCount(), 0);
	Ctrl::ShutdownThreads();
	EXPECT_EQ(hooks, 0); // no pass of the waiting loop
	EXPECT_FALSE(Thread::IsShutdownThreads());
}

TEST(CtrlCall, ShutdownWaitsForAWorkerThatCallsTheGuiThread)
{
	// the waiting loop runs the shutdown hooks on each pass: the first one lets the worker go
	static Semaphore begun;
	static bool hooked = (Thread::AtShutdown([] { begun.Release(); }), true);
	(void)hooked;
	std::atomic<bool> called{false};
	Thread t;
	t.Run([&] {
		begun.Wait();
		Ctrl::Call([&] { called = true; }); // served while the GUI thread waits
	});
	GuiLock lock;
	Ctrl::ShutdownThreads();
	EXPECT_TRUE(called);
	EXPECT_EQ(Thread::GetCount(), 0);
	EXPECT_FALSE(Thread::IsShutdownThreads());
	t.Wait();
}

} // namespace guitest
