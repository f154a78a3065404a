// The timer list and its pass, on a clock the tests step by hand; the caret blink on the same
// clock.
#include "RecordingCtrl.h"

#include <gui/ctrl/detail/Caret.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace guitest {

using V = std::vector<std::string>;

std::atomic<dword> sNow;

class Timers : public CtrlTestBase {
protected:
	void SetUp() override
	{
		CtrlTestBase::SetUp();
		detail::ClearTimers();
		sNow = 1000;
		detail::SetGuiTickSource([] { return sNow.load(); });
		// the pass remembers its last tick: start from one no test uses
		TimerProc(0xDEADBEEF);
	}
	void TearDown() override
	{
		detail::SetGuiTickSource(nullptr);
		detail::ClearTimers();
		CtrlTestBase::TearDown();
	}

	static Function<void ()> Rec(const char* s)
	{
		return [s] { CallLog().push_back(s); };
	}
};

TEST_F(Timers, MostOverdueFirstTiesInOrderOfAdding)
{
	SetTimeCallback(50, Rec("A"));
	SetTimeCallback(10, Rec("B"));
	SetTimeCallback(10, Rec("C"));
	SetTimeCallback(100, Rec("D"));
	SetTimeCallback(0, Rec("E"));
	TimerProc(1060);
	EXPECT_EQ(CallLog(), (V{"E", "B", "C", "A"}));
	EXPECT_EQ(detail::GetTimerCount(), 1);
	TimerProc(1060); // the same tick: no second pass
	sNow = 1100;
	TimerProc(1100);
	EXPECT_EQ(CallLog(), (V{"E", "B", "C", "A", "D"}));
	EXPECT_EQ(detail::GetTimerCount(), 0);
}

TEST_F(Timers, AModalLoopInACallbackRunsANestedPass)
{
	// A's callback runs a loop of its own, whose pass runs B; the outer pass must not run B
	// again from what it gathered before
	SetTimeCallback(10, [] {
		CallLog().push_back("A");
		sNow = 1020;
		TimerProc(1020);
		CallLog().push_back("A done");
	});
	SetTimeCallback(10, Rec("B"));
	SetTimeCallback(-5, Rec("P"));
	TimerProc(1010);
	EXPECT_EQ(CallLog(), (V{"P", "A", "B", "A done"}));
	EXPECT_EQ(detail::GetTimerCount(), 1);
}

TEST_F(Timers, SameTickValueRunsNothingTheSecondTime)
{
	TimerProc(1000);
	SetTimeCallback(0, Rec("zero"));
	TimerProc(1000);
	EXPECT_TRUE(CallLog().empty());
	TimerProc(1001); // delay 0: the next pass
	EXPECT_EQ(CallLog(), V{"zero"});
}

TEST_F(Timers, PeriodicTimerRunsOncePerPassAndCountsFromTheEndOfIt)
{
	sNow = 0;
	int runs = 0;
	SetTimeCallback(-31, [&] {
		runs++;
		sNow = 240; // the pass takes a while
	});
	TimerProc(231); // 200 ms late: once, not six times
	EXPECT_EQ(runs, 1);
	TimerProc(270);
	EXPECT_EQ(runs, 1);
	TimerProc(271);
	EXPECT_EQ(runs, 2);
	EXPECT_EQ(detail::GetTimerCount(), 1);
}

TEST_F(Timers, CallbacksChangeTheListWhileThePassRuns)
{
	int self_periodic = 0, readded = 0;
	char b_block[1];
	void* b_id = b_block;
	SetTimeCallback(20, [&] { CallLog().push_back("A"); KillTimeCallback(b_id); }, nullptr);
	SetTimeCallback(25, Rec("B"), b_id); // less overdue: removed before its turn
	SetTimeCallback(-5, [&] { self_periodic++; KillTimeCallback(&self_periodic); }, &self_periodic);
	std::function<void ()> again = [&] {
		if(++readded < 3)
			SetTimeCallback(0, [&] { again(); }, &readded); // a one-shot putting itself back
	};
	SetTimeCallback(0, [&] { again(); }, &readded);
	TimerProc(1030);
	EXPECT_EQ(Calls("A"), V{"A"});
	EXPECT_EQ(Calls("B"), V{});
	EXPECT_EQ(self_periodic, 1);
	EXPECT_FALSE(ExistsTimeCallback(&self_periodic)); // gone, not re-armed
	EXPECT_EQ(readded, 1);                            // back for the next pass only
	EXPECT_TRUE(ExistsTimeCallback(&readded));
	TimerProc(1031);
	TimerProc(1032);
	EXPECT_EQ(readded, 3);
	EXPECT_EQ(detail::GetTimerCount(), 0);
}

TEST_F(Timers, OrderHoldsAcrossTheTickWrap)
{
	sNow = 0xFFFFFFF0;
	SetTimeCallback(30, Rec("late"));  // due 0x0000000E
	SetTimeCallback(10, Rec("early")); // due 0xFFFFFFFA
	TimerProc(0xFFFFFFFB);
	EXPECT_EQ(CallLog(), V{"early"});
	SetTimeCallback(-4, Rec("periodic"));
	TimerProc(0x20);
	EXPECT_EQ(CallLog(), (V{"early", "periodic", "late"}));
}

TEST_F(Timers, ThrowingCallbackLeavesTheListWhole)
{
	int periodic = 0;
	SetTimeCallback(-10, [&] { periodic++; }); // most overdue: runs before the throw
	SetTimeCallback(20, [] { throw Exc("timer failed"); });
	SetTimeCallback(25, Rec("after"));
	sNow = 1050;
	EXPECT_THROW(TimerProc(1050), Exc);
	EXPECT_EQ(periodic, 1);
	EXPECT_TRUE(CallLog().empty());
	// the mutex is free for other threads
	std::thread t([] { SetTimeCallback(1000, [] {}, (void*)0x10); });
	t.join();
	EXPECT_TRUE(ExistsTimeCallback((void*)0x10));
	TimerProc(1051);
	EXPECT_EQ(CallLog(), V{"after"});
	EXPECT_EQ(periodic, 1); // re-armed a period after the failed pass
	TimerProc(1060);
	EXPECT_EQ(periodic, 2);
}

TEST_F(Timers, RangesIdentitiesAndMemberTimers)
{
	char block[64];
	for(int i = 0; i < 64; i++)
		SetTimeCallback(100, [] {}, block + i);
	SetTimeCallback(100, [] {}, block + 64);
	KillTimeCallbacks(block + 8, block + 16);
	EXPECT_TRUE(ExistsTimeCallback(block + 7));
	EXPECT_FALSE(ExistsTimeCallback(block + 8));
	EXPECT_FALSE(ExistsTimeCallback(block + 15));
	EXPECT_TRUE(ExistsTimeCallback(block + 16));
	EXPECT_EQ(detail::GetTimerCount(), 57);
	KillTimeCallbacks((void*)0, (void*)~uintptr_t(0)); // a range wider than the list
	EXPECT_EQ(detail::GetTimerCount(), 0);

	int hits = 0;
	KillSetTimeCallback(5, [&] { hits += 1; }, block);
	KillSetTimeCallback(5, [&] { hits += 10; }, block); // replaces the first
	TimerProc(1005);
	EXPECT_EQ(hits, 10);

	{
		RecordingCtrl c;
		c.SetTimeCallback(10, Rec("member"), 3);
		c.SetTimeCallback(-10, Rec("periodic"), 4);
		EXPECT_TRUE(c.ExistsTimeCallback(3));
		EXPECT_FALSE(c.ExistsTimeCallback(0));
		c.KillTimeCallback(3);
		EXPECT_FALSE(c.ExistsTimeCallback(3));
		EXPECT_TRUE(c.ExistsTimeCallback(4));
	}
	EXPECT_EQ(detail::GetTimerCount(), 0); // the destructor took the rest
}

TEST_F(Timers, EightThreadsAddAndKillWhileThePassRuns)
{
	constexpr int N = 8, PER = 500;
	static std::atomic<int> ran[N][PER];
	for(auto& row : ran)
		for(auto& r : row)
			r = 0;
	std::atomic<int> finished{0};
	std::vector<std::thread> threads;
	for(int t = 0; t < N; t++)
		threads.emplace_back([t, &finished] {
			for(int i = 0; i < PER; i++) {
				void* id = &ran[t][i];
				SetTimeCallback(0, [t, i] { ran[t][i]++; }, id);
				if(i % 2)
					KillTimeCallback(id);
			}
			finished++;
		});
	dword tick = 2000;
	while(finished < N || detail::GetTimerCount()) {
		sNow = ++tick;
		TimerProc(tick);
	}
	for(std::thread& t : threads)
		t.join();
	for(int t = 0; t < N; t++)
		for(int i = 0; i < PER; i++) {
			if(i % 2)
				EXPECT_LE(ran[t][i], 1); // may have run before the kill
			else
				EXPECT_EQ(ran[t][i], 1);
		}
}

TEST_F(Timers, CaretBlinksEveryHalfSecond)
{
	RecordingCtrl c("c");
	c.caret = Rect(2, 3, 3, 13);
	detail::CaretState& caret = detail::Caret();
	caret.ctrl = &c;
	caret.shown_ctrl = nullptr;
	caret.blink_start = 1000;
	caret.visible = false;
	RefreshProbe probe;
	std::vector<std::pair<dword, bool>> seen;
	for(dword t : {1000u, 1499u, 1500u, 1999u, 2000u, 2600u, 3000u}) {
		sNow = t;
		Ctrl::BlinkCaret();
		seen.push_back({t, caret.visible});
	}
	EXPECT_EQ(seen, (std::vector<std::pair<dword, bool>>{{1000, true}, {1499, true}, {1500, false}, {1999, false},
	                                                     {2000, true}, {2600, false}, {3000, true}}));
	// each toggle refreshes the old rectangle and the new one
	EXPECT_EQ(Calls("c.Refresh").size(), 9u);
	EXPECT_EQ(Calls("c.Refresh")[0], "c.Refresh(2,3,3,13)");
	c.caret = Rect(5, 3, 6, 13);
	CallLog().clear();
	Ctrl::RefreshCaret();
	EXPECT_EQ(Calls("c."), (V{"c.Refresh(2,3,3,13)", "c.GetCaret", "c.Refresh(5,3,6,13)"}));
	caret.ctrl = nullptr;
	Ctrl::RefreshCaret(); // the shown caret is taken away
	EXPECT_EQ(caret.shown_ctrl, nullptr);
}

} // namespace guitest
