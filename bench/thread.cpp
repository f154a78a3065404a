// Function, Mutex and Semaphore against their standard-library peers.
#include <Core/Core.h>

#include <benchmark/benchmark.h>

#include <functional>
#include <mutex>
#include <semaphore>
#include <thread>

using namespace Qel;

namespace {

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

BENCHMARK(ConstructCallDestroy<Function<void ()>>)->Name("Function/construct_call_destroy/Qel");
BENCHMARK(ConstructCallDestroy<std::function<void ()>>)->Name("Function/construct_call_destroy/std");
BENCHMARK(Copy<Function<void ()>>)->Name("Function/copy/Qel");
BENCHMARK(Copy<std::function<void ()>>)->Name("Function/copy/std");
BENCHMARK(Call<Function<void ()>>)->Name("Function/call/Qel");
BENCHMARK(Call<std::function<void ()>>)->Name("Function/call/std");

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

struct QelMutex {
	Mutex m;
	void lock()   { m.Enter(); }
	void unlock() { m.Leave(); }
};

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

BENCHMARK(Uncontended<QelMutex>)->Name("Mutex/uncontended/Qel");
BENCHMARK(Uncontended<std::recursive_mutex>)->Name("Mutex/uncontended/std");
BENCHMARK(Contended<QelMutex>)->Name("Mutex/contended8/Qel")->Threads(8)->UseRealTime();
BENCHMARK(Contended<std::recursive_mutex>)->Name("Mutex/contended8/std")->Threads(8)->UseRealTime();

// One round trip: post to the other thread, wait for its post back.
void PingPongQel(benchmark::State& state)
{
	Semaphore ping, pong;
	std::atomic<bool> stop = false;
	std::thread other([&] {
		for(;;) {
			ping.Wait();
			if(stop)
				break;
			pong.Release();
		}
	});
	for(auto _ : state) {
		ping.Release();
		pong.Wait();
	}
	stop = true;
	ping.Release();
	other.join();
}

void PingPongStd(benchmark::State& state)
{
	std::counting_semaphore<> ping(0), pong(0);
	std::atomic<bool> stop = false;
	std::thread other([&] {
		for(;;) {
			ping.acquire();
			if(stop)
				break;
			pong.release();
		}
	});
	for(auto _ : state) {
		ping.release();
		pong.acquire();
	}
	stop = true;
	ping.release();
	other.join();
}

BENCHMARK(PingPongQel)->Name("Semaphore/ping_pong/Qel")->UseRealTime();
BENCHMARK(PingPongStd)->Name("Semaphore/ping_pong/std")->UseRealTime();

} // namespace
