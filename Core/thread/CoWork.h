// CoWork: a group of jobs run on the one process-wide pool of worker threads.
// Schedule queues a job; Finish (and the destructor) waits for every job of the group, running
// still-queued ones on the calling thread, and rethrows the first exception a job threw.
// Loop runs one function on the workers and the caller at once; its instances take item numbers
// from the group's shared counter (Next) until the work is exhausted.
//
//     CoWork co;
//     co.Loop([&] { for(int i; (i = co.Next()) < n;) Process(i); });
#pragma once

#include <Core/base/Function.h>

#include <atomic>
#include <cstdint>
#include <exception>
#include <pthread.h>

namespace Qel {

class CoWork {
public:
	struct Link {
		Link* prev[2];
		Link* next[2];
	};
	struct Pool;

	// Queues fn; with every job slot in use it runs fn on the caller before returning.
	void Schedule(Function<void ()> fn) { Do0(std::move(fn), false); }
	void Do(Function<void ()> fn)       { Do0(std::move(fn), false); }
	CoWork& operator&(Function<void ()> fn) { Do0(std::move(fn), false); return *this; }

	// Runs fn on every worker and on the caller, and returns when all instances have returned.
	void Loop(Function<void ()> fn);
	// The next item number of the running Loop (0, 1, 2, ... across all instances).
	int  Next()                         { return index.fetch_add(1, std::memory_order_relaxed); }
	// Takes count item numbers at once; the first of them.
	int  Next(int count)                { return index.fetch_add(count, std::memory_order_relaxed); }

	// Runs what is still queued here, waits for the rest, rethrows the first job exception.
	void Finish();
	// Drops the jobs not yet started; the group stays usable after the next Finish.
	void Cancel();
	// True after Cancel or a job's exception, until Finish returns.
	bool IsCanceled() const             { return canceled.load(std::memory_order_relaxed); }
	bool IsFinished();

	// Number of workers in the pool (creates it).
	static int GetPoolSize();
	// 0 .. GetPoolSize() - 1 on a pool worker, -1 on any other thread.
	static int GetWorkerIndex();

	CoWork();
	// Waits like Finish, but drops (never rethrows) a job's exception: a destructor that threw
	// would end the program.
	~CoWork();
	CoWork(const CoWork&) = delete;
	CoWork& operator=(const CoWork&) = delete;

private:
	friend struct Pool;

	pthread_cond_t     waitforfinish;
	Link               jobs;         // this group's queued jobs (list 1)
	int                outstanding = 0;
	std::atomic<bool>  canceled{false};
	std::exception_ptr exc;
	Function<void ()>  looper_fn;
	int                looper_count = 0;
	std::atomic<int>   index{0};

	void Do0(Function<void ()>&& fn, bool looper);
};

// Runs fn(i) for i = 0 .. n - 1 spread over the pool and the caller; returns when all are done.
// Items are handed out in small runs, so cheap items do not fight over one counter.
template <class F>
void CoFor(int n, F&& fn)
{
	if(n <= 0)
		return;
	if(n == 1) {
		fn(0);
		return;
	}
	int chunk = n / (CoWork::GetPoolSize() * 16);
	chunk = chunk < 1 ? 1 : chunk > 4096 ? 4096 : chunk;
	// 64-bit, so the instances' last overshooting takes cannot wrap for n near the int limit.
	std::atomic<int64_t> next{0};
	CoWork co;
	co.Loop([&] {
		for(;;) {
			int64_t i = next.fetch_add(chunk, std::memory_order_relaxed);
			if(i >= n)
				break;
			int end = int(n - i < chunk ? n : i + chunk);
			for(int k = int(i); k < end; k++)
				fn(k);
		}
	});
}

namespace detail {
// Ends the pool's workers (after they drain what is queued); jobs scheduled later run on the
// scheduling thread. Application exit calls it, so no worker outlives the program's statics.
void ShutdownCoWorkPool();
} // namespace detail

} // namespace Qel
