// Function, Mutex and Semaphore; their standard peers are in thread_peer.cpp.
#include "ThreadCases.h"

#include <Core/Core.h>

#include <atomic>
#include <thread>

using namespace Qel;
using namespace bench;

namespace {

struct QelMutex {
	Mutex m;
	void lock()   { m.Enter(); }
	void unlock() { m.Leave(); }
};

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

BENCHMARK(ConstructCallDestroy<Function<void ()>>)->Name("FunctionConstructCallDestroy/Qel");
BENCHMARK(Copy<Function<void ()>>)->Name("FunctionCopy/Qel");
BENCHMARK(Call<Function<void ()>>)->Name("FunctionCall/Qel");
BENCHMARK(Uncontended<QelMutex>)->Name("MutexUncontended/Qel");
BENCHMARK(Contended<QelMutex>)->Name("MutexContended/Qel")->Threads(8)->UseRealTime();
BENCHMARK(PingPongQel)->Name("SemaphorePingPong/Qel")->UseRealTime();

} // namespace
