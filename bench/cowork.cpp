// CoWork against OpenMP: a parallel loop over many cheap items, and many tiny jobs.
// OpenMP's runtime allocates through malloc, so both share this program. Run with
// OMP_WAIT_POLICY=passive, or OpenMP's spinning threads take the cores from the pool's
// idle-priority workers during the CoWork cases.
#include <Core/Core.h>

#include <benchmark/benchmark.h>
#include <omp.h>

#include <atomic>
#include <cmath>

using namespace Qel;

namespace {

constexpr int ITEMS = 10000000;
constexpr int JOBS = 100000;

Vector<float>& sData()
{
	static Vector<float> data = [] {
		Vector<float> v;
		v.SetCount(ITEMS);
		for(int i = 0; i < ITEMS; i++)
			v[i] = float(i % 1000) * 0.001f;
		return v;
	}();
	return data;
}

inline float sCheap(float x) { return x * x * 0.5f + x + 1.0f; }

void LoopQel(benchmark::State& state)
{
	Vector<float>& d = sData();
	Vector<float> out;
	out.SetCount(ITEMS);
	for(auto _ : state) {
		CoFor(ITEMS, [&](int i) { out[i] = sCheap(d[i]); });
		benchmark::DoNotOptimize(out.begin());
	}
	state.SetItemsProcessed(state.iterations() * ITEMS);
}

void LoopNextQel(benchmark::State& state)
{
	// The plain Loop form: each instance takes runs of items from the group's counter.
	Vector<float>& d = sData();
	Vector<float> out;
	out.SetCount(ITEMS);
	constexpr int RUN = 4096;
	for(auto _ : state) {
		CoWork co;
		co.Loop([&] {
			for(int i; (i = co.Next(RUN)) < ITEMS;)
				for(int e = min(i + RUN, ITEMS); i < e; i++)
					out[i] = sCheap(d[i]);
		});
		benchmark::DoNotOptimize(out.begin());
	}
	state.SetItemsProcessed(state.iterations() * ITEMS);
}

void LoopOmp(benchmark::State& state)
{
	Vector<float>& d = sData();
	Vector<float> out;
	out.SetCount(ITEMS);
	float* o = out.begin();
	const float* s = d.begin();
	for(auto _ : state) {
		#pragma omp parallel for schedule(static)
		for(int i = 0; i < ITEMS; i++)
			o[i] = sCheap(s[i]);
		benchmark::DoNotOptimize(o);
	}
	state.SetItemsProcessed(state.iterations() * ITEMS);
}

void JobsQel(benchmark::State& state)
{
	std::atomic<int64> sum = 0;
	for(auto _ : state) {
		CoWork co;
		for(int i = 0; i < JOBS; i++)
			co & [&sum, i] { sum.fetch_add(i, std::memory_order_relaxed); };
		co.Finish();
	}
	benchmark::DoNotOptimize(sum.load());
	state.SetItemsProcessed(state.iterations() * JOBS);
}

void JobsOmp(benchmark::State& state)
{
	std::atomic<int64> sum = 0;
	for(auto _ : state) {
		#pragma omp parallel
		#pragma omp single
		{
			for(int i = 0; i < JOBS; i++) {
				#pragma omp task firstprivate(i) shared(sum)
				sum.fetch_add(i, std::memory_order_relaxed);
			}
			#pragma omp taskwait
		}
	}
	benchmark::DoNotOptimize(sum.load());
	state.SetItemsProcessed(state.iterations() * JOBS);
}

} // namespace

BENCHMARK(LoopQel)->Name("Loop10M/Qel/CoFor")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(LoopNextQel)->Name("Loop10M/Qel/Loop")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(LoopOmp)->Name("Loop10M/OpenMP")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(JobsQel)->Name("Jobs100k/Qel")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(JobsOmp)->Name("Jobs100k/OpenMP")->UseRealTime()->Unit(benchmark::kMillisecond);
