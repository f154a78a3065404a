// Cases written once for the framework's Function and Mutex and for their standard peers:
// thread.cpp runs them on Qel's types, thread_peer.cpp on std::function and std::recursive_mutex.
#pragma once

#include <benchmark/benchmark.h>

namespace bench {

// A capture of three pointers: larger than std::function's inline buffer on some
// implementations and typical of a control's callback.
struct Capture {
	int* a;
	int* b;
	int* c;
	void operator()() const { ++*a; ++*b; ++*c; }
};

template <class F>
void ConstructCallDestroy(benchmark::State& state)
{
	int a = 0, b = 0, c = 0;
	for(auto _ : state) {
		F f = Capture{&a, &b, &c};
		f();
		benchmark::DoNotOptimize(f);
	}
	benchmark::DoNotOptimize(a);
}

template <class F>
void Copy(benchmark::State& state)
{
	int a = 0, b = 0, c = 0;
	F f = Capture{&a, &b, &c};
	for(auto _ : state) {
		F g = f;
		benchmark::DoNotOptimize(g);
	}
}

template <class F>
void Call(benchmark::State& state)
{
	int a = 0, b = 0, c = 0;
	F f = Capture{&a, &b, &c};
	for(auto _ : state) {
		benchmark::DoNotOptimize(f);
		f();
	}
	benchmark::DoNotOptimize(a);
}

template <class M>
void Uncontended(benchmark::State& state)
{
	static M m;
	long n = 0;
	for(auto _ : state) {
		m.lock();
		n++;
		m.unlock();
	}
	benchmark::DoNotOptimize(n);
}

// Eight threads hammer one lock; the figure is time per lock/unlock per thread.
template <class M>
void Contended(benchmark::State& state)
{
	static M m;
	static long shared;
	for(auto _ : state) {
		m.lock();
		shared++;
		m.unlock();
	}
	benchmark::DoNotOptimize(shared);
}

} // namespace bench
