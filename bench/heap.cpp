// The allocator against glibc malloc, mimalloc and jemalloc: small pairs, random small sizes,
// 1-64 KB churn, a growing buffer, threads, producer/consumer and the memory kept after frees.
// mimalloc and jemalloc are loaded with dlopen: both export malloc, and linking either would put
// it in place of glibc's for the whole program. jemalloc needs room in the static TLS block to be
// loaded that way, so the program restarts itself once with the loader tunable that reserves it.
#include "ProcStatus.h"
#include <Core/Core.h>

#include <benchmark/benchmark.h>

#include <dlfcn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

using namespace Qel;

namespace {

constexpr const char* TlsTunable = "glibc.rtld.optional_static_tls=65536";

// glibc hands argc, argv and envp to initialisers.
__attribute__((constructor(101))) void ReserveStaticTls(int, char** argv, char**)
{
	const char* t = getenv("GLIBC_TUNABLES");
	if(t && strstr(t, TlsTunable))
		return;
	setenv("GLIBC_TUNABLES", TlsTunable, 1);
	execv("/proc/self/exe", argv); // on failure jemalloc is merely reported missing
}

struct QelHeap {
	static bool Ready() { return true; }
	static void* Alloc(size_t n) { return MemoryAlloc(n); }
	static void Free(void* p) { MemoryFree(p); }
	static void* Grow(void* p, size_t old, size_t n)
	{
		size_t sz = n;
		if(((uintptr_t)p & 16) && MemoryTryRealloc(p, sz))
			return p;
		void* q = MemoryAllocSz(sz);
		memcpy(q, p, old);
		MemoryFree(p);
		return q;
	}
};

struct Glibc {
	static bool Ready() { return true; }
	static void* Alloc(size_t n) { return malloc(n); }
	static void Free(void* p) { free(p); }
	static void* Grow(void* p, size_t, size_t n) { return realloc(p, n); }
};

void* Load(const char* lib)
{
	return dlopen(lib, RTLD_NOW | RTLD_LOCAL);
}

struct Mimalloc {
	using AllocFn = void* (*)(size_t);
	using FreeFn = void (*)(void*);
	using ReallocFn = void* (*)(void*, size_t);
	static inline void* lib = Load("libmimalloc.so.2");
	static inline AllocFn alloc = lib ? (AllocFn)dlsym(lib, "mi_malloc") : nullptr;
	static inline FreeFn free = lib ? (FreeFn)dlsym(lib, "mi_free") : nullptr;
	static inline ReallocFn realloc = lib ? (ReallocFn)dlsym(lib, "mi_realloc") : nullptr;

	static bool Ready() { return alloc && free && realloc; }
	static void* Alloc(size_t n) { return alloc(n); }
	static void Free(void* p) { free(p); }
	static void* Grow(void* p, size_t, size_t n) { return realloc(p, n); }
};

struct Jemalloc {
	using AllocFn = void* (*)(size_t, int);
	using FreeFn = void (*)(void*, int);
	using ReallocFn = void* (*)(void*, size_t, int);
	static inline void* lib = Load("libjemalloc.so.2");
	static inline AllocFn alloc = lib ? (AllocFn)dlsym(lib, "mallocx") : nullptr;
	static inline FreeFn free = lib ? (FreeFn)dlsym(lib, "dallocx") : nullptr;
	static inline ReallocFn realloc = lib ? (ReallocFn)dlsym(lib, "rallocx") : nullptr;

	static bool Ready() { return alloc && free && realloc; }
	static void* Alloc(size_t n) { return alloc(n, 0); }
	static void Free(void* p)
	{
		if(p) // dallocx takes no null
			free(p, 0);
	}
	static void* Grow(void* p, size_t, size_t n) { return realloc(p, n, 0); }
};

template <class A>
bool Skip(benchmark::State& state)
{
	if(A::Ready())
		return false;
	state.SkipWithError("allocator library not found");
	return true;
}

// Pre-drawn sizes and slots, so the loops time the allocator rather than the generator.
struct Script {
	std::vector<uint32> size;
	std::vector<uint32> slot;

	Script(size_t count, uint32 lo, uint32 hi, uint32 slots, unsigned seed)
	{
		std::mt19937 rng(seed);
		for(size_t i = 0; i < count; i++) {
			size.push_back(lo + rng() % (hi - lo + 1));
			slot.push_back(rng() % slots);
		}
	}
};

constexpr size_t ScriptLength = 1 << 16;

const Script& SmallScript()
{
	static Script s(ScriptLength, 16, 992, 10000, 1);
	return s;
}

const Script& ChurnScript()
{
	static Script s(ScriptLength, 1024, 65536, 1000, 2);
	return s;
}

template <class A>
void Pair32(benchmark::State& state)
{
	if(Skip<A>(state))
		return;
	for(auto _ : state) {
		void* p = A::Alloc(32);
		benchmark::DoNotOptimize(p);
		A::Free(p);
	}
	state.SetItemsProcessed(state.iterations());
}

// Replaces a random live block by one of a random size; touches the first bytes like a user.
template <class A>
void Replace(benchmark::State& state, const Script& s, size_t slots)
{
	std::vector<void*> live(slots, nullptr);
	size_t i = 0;
	for(auto _ : state) {
		size_t k = i & (ScriptLength - 1);
		void*& p = live[s.slot[k]];
		A::Free(p);
		p = A::Alloc(s.size[k]);
		*(char*)p = 1;
		i++;
	}
	for(void* p : live)
		A::Free(p);
	state.SetItemsProcessed(state.iterations());
}

template <class A>
void RandomSmall(benchmark::State& state)
{
	if(!Skip<A>(state))
		Replace<A>(state, SmallScript(), 10000);
}

template <class A>
void Churn1to64K(benchmark::State& state)
{
	if(!Skip<A>(state))
		Replace<A>(state, ChurnScript(), 1000);
}

template <class A>
void GrowBuffer(benchmark::State& state)
{
	if(Skip<A>(state))
		return;
	for(auto _ : state) {
		size_t n = 1024;
		char* p = (char*)A::Alloc(n);
		memset(p, 1, n);
		while(n < 16 << 20) {
			size_t m = min(n + n / 2, size_t(16) << 20);
			p = (char*)A::Grow(p, n, m);
			memset(p + n, 2, m - n);
			n = m;
		}
		A::Free(p);
	}
}

template <class A>
void ThreadsRandomSmall(benchmark::State& state)
{
	if(!Skip<A>(state))
		Replace<A>(state, SmallScript(), 10000);
}

// One thread allocates, another frees; blocks pass in batches of 256.
template <class A>
void ProducerConsumer(benchmark::State& state)
{
	if(Skip<A>(state))
		return;
	constexpr size_t Blocks = 100000, Batch = 256;
	const Script& s = SmallScript();
	for(auto _ : state) {
		std::mutex lock;
		std::condition_variable cv;
		std::vector<std::vector<void*>> queue;
		bool done = false;
		std::thread consumer([&] {
			for(;;) {
				std::vector<std::vector<void*>> taken;
				{
					std::unique_lock l(lock);
					cv.wait(l, [&] { return done || !queue.empty(); });
					if(queue.empty())
						return;
					taken.swap(queue);
				}
				for(auto& batch : taken)
					for(void* p : batch)
						A::Free(p);
			}
		});
		std::vector<void*> batch;
		for(size_t i = 0; i < Blocks; i++) {
			void* p = A::Alloc(s.size[i & (ScriptLength - 1)]);
			*(char*)p = 1;
			batch.push_back(p);
			if(batch.size() == Batch || i + 1 == Blocks) {
				std::lock_guard l(lock);
				queue.push_back(std::move(batch));
				batch.clear();
				cv.notify_one();
			}
		}
		{
			std::lock_guard l(lock);
			done = true;
			cv.notify_one();
		}
		consumer.join();
	}
	state.SetItemsProcessed(state.iterations() * Blocks);
}

// In a child process of its own: 1M blocks of 16..256 bytes, a random 90% freed; the memory the
// process holds afterwards and at its peak.
template <class A>
void RssAfterFree(benchmark::State& state)
{
	if(Skip<A>(state))
		return;
	long rss[2] = {};
	for(auto _ : state) {
		int fd[2];
		if(pipe(fd))
			abort();
		pid_t pid = fork();
		if(pid == 0) {
			constexpr size_t Count = 1000000;
			std::mt19937 rng(3);
			long base = ProcStatusKB("VmRSS:");
			void** v = (void**)mmap(nullptr, Count * sizeof(void*), PROT_READ | PROT_WRITE,
			                        MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
			for(size_t i = 0; i < Count; i++) {
				v[i] = A::Alloc(16 + rng() % 241);
				*(char*)v[i] = 1;
			}
			for(size_t i = 0; i < Count; i++)
				if(rng() % 10)
					A::Free(v[i]);
			long out[2] = {ProcStatusKB("VmRSS:") - base, ProcStatusKB("VmHWM:") - base};
			if(write(fd[1], out, sizeof(out)) != sizeof(out))
				_exit(1);
			_exit(0);
		}
		close(fd[1]);
		if(read(fd[0], rss, sizeof(rss)) != sizeof(rss))
			state.SkipWithError("child failed");
		close(fd[0]);
		waitpid(pid, nullptr, 0);
	}
	state.counters["rss_kb"] = (double)rss[0];
	state.counters["peak_kb"] = (double)rss[1];
}

} // namespace

#define HEAP_BENCH_ARGS(fn, ...) \
	BENCHMARK_TEMPLATE(fn, QelHeap)->Name(#fn "/Qel")__VA_ARGS__; \
	BENCHMARK_TEMPLATE(fn, Glibc)->Name(#fn "/glibc")__VA_ARGS__; \
	BENCHMARK_TEMPLATE(fn, Mimalloc)->Name(#fn "/mimalloc")__VA_ARGS__; \
	BENCHMARK_TEMPLATE(fn, Jemalloc)->Name(#fn "/jemalloc")__VA_ARGS__

HEAP_BENCH_ARGS(Pair32);
HEAP_BENCH_ARGS(RandomSmall);
HEAP_BENCH_ARGS(Churn1to64K);
HEAP_BENCH_ARGS(GrowBuffer, ->Unit(benchmark::kMicrosecond));
HEAP_BENCH_ARGS(ThreadsRandomSmall, ->Threads(1)->Threads(2)->Threads(4)->Threads(8)->UseRealTime());
HEAP_BENCH_ARGS(ProducerConsumer, ->Unit(benchmark::kMillisecond)->UseRealTime());
HEAP_BENCH_ARGS(RssAfterFree, ->Unit(benchmark::kMillisecond)->Iterations(1));
