// Shared shapes of the GUI core benchmarks (bench/gui_core.cpp and its peers).
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace bench {

// The tree of the layout cases: a root, 10 groups, 99 leaves in each (1,000 controls in all).
constexpr int LAYOUT_GROUPS = 10;
constexpr int LAYOUT_LEAVES = 99;

// Timers already pending while one is added and removed.
constexpr int PENDING_TIMERS = 1000;

// Round trips of the cross-thread call cases, timed one by one for the percentiles.
class RoundTrips {
	std::vector<double> ms;

public:
	template <class F>
	void Time(F&& f)
	{
		auto t0 = std::chrono::steady_clock::now();
		f();
		ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
	}
	void Report(benchmark::State& state)
	{
		if(ms.empty())
			return;
		std::sort(ms.begin(), ms.end());
		state.counters["p50_ms"] = ms[ms.size() / 2];
		state.counters["p95_ms"] = ms[std::min(ms.size() - 1, ms.size() * 95 / 100)];
	}
};

} // namespace bench
