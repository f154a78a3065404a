// std::function, std::recursive_mutex and std::counting_semaphore on the C library's allocator,
// the peers of thread.cpp.
#include "ThreadCases.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <semaphore>
#include <thread>

using namespace bench;

namespace {

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

BENCHMARK(ConstructCallDestroy<std::function<void ()>>)->Name("FunctionConstructCallDestroy/std");
BENCHMARK(Copy<std::function<void ()>>)->Name("FunctionCopy/std");
BENCHMARK(Call<std::function<void ()>>)->Name("FunctionCall/std");
BENCHMARK(Uncontended<std::recursive_mutex>)->Name("MutexUncontended/std");
BENCHMARK(Contended<std::recursive_mutex>)->Name("MutexContended/std")->Threads(8)->UseRealTime();
BENCHMARK(PingPongStd)->Name("SemaphorePingPong/std")->UseRealTime();

} // namespace
