#include <Core/Core.h>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

using namespace Qel;

namespace {

size_t Usable(size_t n)
{
	size_t sz = n;
	void* p = MemoryAllocSz(sz);
	EXPECT_NE(p, nullptr);
	EXPECT_GE(sz, n);
	memset(p, 0xA5, sz);
	MemoryFree(p);
	return sz;
}

// A thread that runs jobs on request, so a test can interleave work of two threads in order.
class Worker {
public:
	Worker() : thread([this] { Loop(); }) {}
	~Worker()
	{
		Run(nullptr);
		thread.join();
	}
	void Run(std::function<void()> fn)
	{
		std::unique_lock lock(mutex);
		job = std::move(fn);
		pending = true;
		cv.notify_all();
		cv.wait(lock, [this] { return !pending; });
	}

private:
	std::mutex mutex;
	std::condition_variable cv;
	std::function<void()> job;
	bool pending = false;
	std::thread thread;

	void Loop()
	{
		for(;;) {
			std::unique_lock lock(mutex);
			cv.wait(lock, [this] { return pending; });
			bool quit = !job;
			if(job)
				job();
			pending = false;
			cv.notify_all();
			if(quit)
				return;
		}
	}
};

void Fill(void* p, size_t n, uint8 seed)
{
	memset(p, seed, n);
}

bool Intact(const void* p, size_t n, uint8 seed)
{
	const uint8* b = (const uint8*)p;
	for(size_t i = 0; i < n; i++)
		if(b[i] != seed)
			return false;
	return true;
}

// Allocated before main, checked by a test.
struct StartUpBlock {
	std::string* text = new std::string(200, 'x');
	~StartUpBlock() { delete text; }
} startUpBlock;

} // namespace

TEST(Heap, UsableSizesFollowTheTiers)
{
	// At least what was asked, in 16-byte steps; a usable size is a tier of its own; tiers never
	// shrink as requests grow; a block wastes at most a quarter (small) or a page (large).
	size_t last = 0;
	for(size_t n = 0; n < 17 << 20; n += 1 + n / 16) {
		size_t u = Usable(n);
		ASSERT_GE(u, n);
		ASSERT_EQ(u % 16, 0u) << n;
		ASSERT_GE(u, last) << n;
		ASSERT_EQ(Usable(u), u) << n;
		ASSERT_LE(u, max(n + n / 4 + 32, n + 4096)) << n;
		last = u;
	}
}

// Blocks of a class hold the class's size, apart from each other, over several pages' worth;
// in the native form they sit where the small pages put them and a freed one comes back first.
TEST(Heap, SizeClassBlocks)
{
	const struct { int k; size_t size; } classes[] = { {0, 32}, {1, 64}, {11, 384}, {16, 992}, {18, 16}, {-1, 32} };
	for(auto [k, size] : classes) {
		auto alloc = [k = k] { return (byte*)(k < 0 ? MemoryAlloc32() : MemoryAllocClass(k)); };
		auto release = [k = k](void* p) { k < 0 ? MemoryFree32(p) : MemoryFreeClass(k, p); };
		std::vector<byte*> v;
		for(size_t i = 0; i < 3 * 4048 / size + 5; i++) {
			byte* p = alloc();
			ASSERT_EQ((uintptr_t)p % (size < 16 ? size : 16), 0u) << k;
			memset(p, int(i), size);
			v.push_back(p);
#ifndef QEL_SYSTEM_HEAP
			size_t offset = (uintptr_t)p & 4095;
			EXPECT_GE(offset, 48u) << k;                  // behind the page header
			EXPECT_EQ((4096 - offset) % size, 0u) << k;   // in steps of the size from the page's end
			if(k != 18) {
				EXPECT_EQ((uintptr_t)p & 16, 0u) << k;    // what tells small blocks from large ones
			}
#endif
		}
		for(size_t i = 0; i < v.size(); i++)
			for(size_t j = 0; j < size; j++)
				ASSERT_EQ(v[i][j], byte(i)) << k << " " << i;
#ifndef QEL_SYSTEM_HEAP
		byte* last = v.back();
		release(last);
		EXPECT_EQ(alloc(), last) << k;
#endif
		for(byte* p : v)
			release(p);
	}
#ifndef QEL_SYSTEM_HEAP
	// the 32-byte paths are class 0's, and MemoryFree takes back blocks of classes 0..16
	void* p = MemoryAllocClass(0);
	MemoryFree32(p);
	EXPECT_EQ(MemoryAlloc32(), p);
	MemoryFree(p);
	EXPECT_EQ(MemoryAllocClass(0), p);
	MemoryFreeClass(0, p);
	void* q = MemoryAllocClass(16);
	MemoryFree(q);
	EXPECT_EQ(MemoryAllocClass(16), q);
	MemoryFreeClass(16, q);
#endif
	MemoryFree(nullptr);
}

TEST(Heap, InternalAllocIsAlignedAndDistinct)
{
	char* a = (char*)HeapInternalAlloc(10);
	char* b = (char*)HeapInternalAlloc(10000);
	char* c = (char*)HeapInternalAlloc(20000);
	for(char* p : {a, b, c})
		EXPECT_EQ((uintptr_t)p % 16, 0u);
	memset(a, 1, 10);
	memset(b, 2, 10000);
	memset(c, 3, 20000);
	EXPECT_EQ(a[9], 1);
	EXPECT_EQ(b[9999], 2);
}

TEST(HeapDeathTest, SizeBeyondAddressSpacePanics)
{
	size_t n = ~size_t(0) - 10;
	EXPECT_DEATH(MemoryAllocSz(n), "Out of memory");
	EXPECT_DEATH(MemoryAlloc(~size_t(0)), "Out of memory");
}

TEST(Heap, GlobalOperators)
{
	EXPECT_EQ(startUpBlock.text->size(), 200u);
	char* a = new char[0];
	char* b = new char[0];
	EXPECT_NE(a, b);
	delete[] a;
	delete[] b;
	void* n = operator new(100, std::nothrow);
	ASSERT_NE(n, nullptr);
	operator delete(n, std::nothrow);
	for(size_t align : {8, 16, 32, 64, 4096}) {
		for(size_t size : {1, 100, 5000, 100000}) {
			void* p = operator new(size, std::align_val_t(align));
			EXPECT_EQ((uintptr_t)p % align, 0u);
			memset(p, 7, size);
			operator delete(p, std::align_val_t(align));
		}
	}
#if __cpp_sized_deallocation
	operator delete(operator new(100), 100);
	operator delete(operator new(5000, std::align_val_t(64)), 5000, std::align_val_t(64));
#endif
	struct alignas(128) Wide { char c[200]; };
	auto w = std::make_unique<Wide[]>(3);
	EXPECT_EQ((uintptr_t)w.get() % 128, 0u);
}

TEST(Heap, BlocksFreedByAnotherThread)
{
	std::vector<std::pair<void*, size_t>> blocks;
	std::thread([&] {
		for(size_t n = 1; n < 200000; n = n * 3 / 2 + 1) {
			void* p = MemoryAlloc(n);
			Fill(p, n, uint8(n));
			blocks.push_back({p, n});
		}
	}).join();
	// The owner has ended: the blocks stay valid and any thread may free them.
	for(auto [p, n] : blocks)
		EXPECT_TRUE(Intact(p, n, uint8(n))) << n;
	Worker w;
	w.Run([&] {
		for(auto [p, n] : blocks)
			MemoryFree(p);
	});
	for(int i = 0; i < 1000; i++)
		MemoryFree(MemoryAlloc(i * 37));
}

TEST(Heap, StressWithFillPatterns)
{
	// Threads allocate, check and free; a share of their blocks is freed by other threads, some of
	// them after the allocating thread has ended. Three generations of threads, so pages and
	// chunks of ended threads are taken over while others still free into them.
	constexpr int Threads = 8;
	std::mutex exchangeLock;
	std::vector<std::pair<uint8*, size_t>> exchange;
	std::atomic<int> corrupt{0};
	auto run = [&](unsigned seed) {
		std::mt19937 rng(seed);
		std::vector<std::pair<uint8*, size_t>> live;
		auto release = [&](std::pair<uint8*, size_t> b) {
			if(!Intact(b.first, b.second, uint8(b.second)))
				corrupt++;
			MemoryFree(b.first);
		};
		auto pass = [&](std::pair<uint8*, size_t> b) {
			std::lock_guard lock(exchangeLock);
			exchange.push_back(b);
		};
		for(int i = 0; i < 20000; i++) {
			unsigned r = rng();
			if(live.size() < 500 && (r & 1)) {
				size_t n = r % 8 == 0 ? r % 100000 : r % 1000;
				uint8* p;
				if(r % 5 == 0)
					p = (uint8*)MemoryAllocSz(n);
				else
					p = (uint8*)MemoryAlloc(n);
				Fill(p, n, uint8(n));
				live.push_back({p, n});
			}
			else if(!live.empty()) {
				size_t j = r % live.size();
				auto b = live[j];
				live[j] = live.back();
				live.pop_back();
				if(r % 3 == 0)
					pass(b);
				else
					release(b);
			}
			if(i % 64 == 0) {
				std::vector<std::pair<uint8*, size_t>> taken;
				{
					std::lock_guard lock(exchangeLock);
					taken.swap(exchange);
				}
				for(auto b : taken)
					release(b);
			}
		}
		for(size_t i = 0; i < live.size(); i++)
			if(i & 1)
				pass(live[i]);
			else
				release(live[i]);
	};
	for(int generation = 0; generation < 3; generation++) {
		std::vector<std::thread> threads;
		for(int t = 0; t < Threads; t++)
			threads.emplace_back(run, generation * Threads + t);
		for(auto& t : threads)
			t.join();
	}
	for(auto b : exchange) {
		if(!Intact(b.first, b.second, uint8(b.second)))
			corrupt++;
		MemoryFree(b.first);
	}
	EXPECT_EQ(corrupt.load(), 0);
}

TEST(HeapDeathTest, NewAndDeleteDuringExit)
{
	EXPECT_EXIT({
		static std::string* late = nullptr;
		atexit([] {
			delete late;
			std::vector<std::string> v(100, std::string(300, 'y'));
			std::thread([] { delete new std::string(5000, 'z'); }).join();
		});
		late = new std::string(1000, 'q');
		std::thread([] { static thread_local std::string t(2000, 't'); }).join();
		exit(3);
	}, testing::ExitedWithCode(3), "");
}

#ifndef QEL_SYSTEM_HEAP

// The system form leaves fork safety to malloc (and to the sanitizer's allocator).
TEST(NativeHeap, ForkFromMultithreadedProcess)
{
	std::atomic<bool> stop{false};
	std::vector<std::thread> threads;
	for(int t = 0; t < 4; t++)
		threads.emplace_back([&] {
			std::vector<void*> v;
			while(!stop) {
				for(int i = 0; i < 100; i++)
					v.push_back(MemoryAlloc(i * 700));
				for(void* p : v)
					MemoryFree(p);
				v.clear();
			}
		});
	for(int i = 0; i < 20; i++) {
		pid_t pid = fork();
		ASSERT_GE(pid, 0);
		if(pid == 0) {
			std::vector<void*> v;
			for(int j = 0; j < 2000; j++)
				v.push_back(MemoryAlloc(j * 50));
			std::thread([&] {
				for(void* p : v)
					MemoryFree(p);
			}).join();
			_exit(0);
		}
		int status = 0;
		waitpid(pid, &status, 0);
		EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
	}
	stop = true;
	for(auto& t : threads)
		t.join();
}

// Threads that own pages at the fork do not exist in the child: their heaps pass to the shared
// heap there, so blocks they owned can be freed, and new threads (which may reuse the lost
// threads' stacks and thread-local storage) and the exit path work as usual.
TEST(NativeHeap, ChildAdoptsTheHeapsOfLostThreads)
{
	std::mutex m;
	std::condition_variable cv;
	int ready = 0;
	bool release = false;
	std::vector<void*> handed;
	std::vector<std::thread> threads;
	for(int t = 0; t < 4; t++)
		threads.emplace_back([&] {
			std::vector<void*> mine;
			for(int i = 0; i < 300; i++)
				mine.push_back(MemoryAlloc(16 + i * 37 % 9000));
			std::unique_lock lock(m);
			handed.insert(handed.end(), mine.begin(), mine.end());
			ready++;
			cv.notify_all();
			cv.wait(lock, [&] { return release; });
		});
	{
		std::unique_lock lock(m);
		cv.wait(lock, [&] { return ready == 4; });
	}
	for(int round = 0; round < 5; round++) {
		pid_t pid = fork();
		ASSERT_GE(pid, 0);
		if(pid == 0) {
			for(void* p : handed)
				MemoryFree(p);
			for(int k = 0; k < 3; k++) {
				std::vector<std::thread> fresh;
				for(int t = 0; t < 6; t++)
					fresh.emplace_back([] {
						std::vector<std::string> v(200, std::string(100, 'x'));
						delete new std::string(5000, 'z');
					});
				for(auto& t : fresh)
					t.join();
			}
			exit(0);
		}
		int status = 0;
		waitpid(pid, &status, 0);
		EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "round " << round;
	}
	{
		std::lock_guard lock(m);
		release = true;
	}
	cv.notify_all();
	for(auto& t : threads)
		t.join();
	for(void* p : handed)
		MemoryFree(p);
}

namespace {

std::unique_ptr<MemoryProfile> Profile()
{
	return std::make_unique<MemoryProfile>();
}

uintptr_t PageOffset(const void* p)
{
	return (uintptr_t)p & 4095;
}

} // namespace

// Tests that depend on which pages a thread gets use size classes of their own (17..22 serve no
// size-mapped request), so they hold when the whole suite runs in one process.

TEST(NativeHeap, SmallPagesAndAddressBit4)
{
	std::thread([] {
		// 32-byte blocks sit from offset 64 to the page's end, 126 to a page.
		std::vector<void*> v;
		for(int i = 0; i < 126 * 20; i++)
			v.push_back(MemoryAlloc(20));
		std::map<uintptr_t, std::set<uintptr_t>> pages;
		for(void* p : v)
			pages[(uintptr_t)p & ~uintptr_t(4095)].insert(PageOffset(p));
		int whole = 0;
		for(auto& [page, offsets] : pages) {
			EXPECT_LE(offsets.size(), 126u);
			EXPECT_GE(*offsets.begin(), 64u);
			for(uintptr_t off : offsets)
				EXPECT_EQ(off % 32, 0u);
			whole += offsets.size() == 126;
		}
		EXPECT_GE(whole, 1);
		for(void* p : v)
			MemoryFree(p);
		// 992-byte blocks: four to a page.
		for(int i = 0; i < 8; i++) {
			void* p = MemoryAlloc(992);
			EXPECT_TRUE(std::set<uintptr_t>({128, 1120, 2112, 3104}).count(PageOffset(p)));
			MemoryFree(p);
		}
		// A fresh page hands its blocks out upward from the lowest.
		char* a = (char*)MemoryAllocClass(22);
		char* b = (char*)MemoryAllocClass(22);
		EXPECT_EQ(PageOffset(a), 4096u - 72 * 56);
		EXPECT_EQ(b - a, 56);
		MemoryFreeClass(22, a);
		MemoryFreeClass(22, b);
	}).join();
	for(size_t n = 0; n <= 992; n += 8) {
		void* p = MemoryAlloc(n);
		EXPECT_EQ((uintptr_t)p & 16, 0u);
		MemoryFree(p);
	}
	size_t n = 993;
	void* large = MemoryAllocSz(n);
	EXPECT_EQ((uintptr_t)large & 255, 0x50u);
	n = 100000;
	void* big = MemoryAllocSz(n);
	EXPECT_EQ(PageOffset(big), 0x50u);
	MemoryFree(large);
	MemoryFree(big);
}

TEST(NativeHeap, LifoReuse)
{
	char* p = new char[40];
	uintptr_t at = (uintptr_t)p;
	delete[] p;
	void* q = MemoryAlloc(60);
	EXPECT_EQ((uintptr_t)q, at);
	MemoryFree(q);
	std::thread([] {
		void* r = MemoryAlloc(65264); // a chunk of its own, kept when it is free again
		MemoryFree(r);
		void* s = MemoryAlloc(65000);
		EXPECT_EQ(s, r);
		MemoryFree(s);
	}).join();
}

TEST(NativeHeap, TryReallocInPlace)
{
	std::thread([] {
		MemoryFree(MemoryAlloc(65264)); // the thread's one chunk, free
		size_t n = 2000;
		char* a = (char*)MemoryAllocSz(n);
		size_t m = 2000;
		char* b = (char*)MemoryAllocSz(m);
		ASSERT_EQ(b, a + 2048);
		size_t grow = 3000;
		EXPECT_FALSE(MemoryTryRealloc(a, grow));
		EXPECT_EQ(grow, 3000u);
		MemoryFree(b);
		EXPECT_TRUE(MemoryTryRealloc(a, grow));
		EXPECT_EQ(grow, 3056u);
		memset(a, 1, grow);
		size_t huge = 70000;
		EXPECT_FALSE(MemoryTryRealloc(a, huge));
		size_t shrink = 1000;
		EXPECT_TRUE(MemoryTryRealloc(a, shrink));
		EXPECT_EQ(shrink, 1008u);
		size_t again = 2000;
		b = (char*)MemoryAllocSz(again);
		EXPECT_EQ(b, a + 1024); // the rest of the shrunk block merged with the free space
		MemoryFree(a);
		MemoryFree(b);

		size_t s = 300000;
		char* big = (char*)MemoryAllocSz(s);
		size_t s2 = 100000;
		ASSERT_TRUE(MemoryTryRealloc(big, s2));
		EXPECT_EQ(s2, 25 * 4096u - 80);
		size_t s3 = 300000;
		ASSERT_TRUE(MemoryTryRealloc(big, s3)); // takes back the pages it gave up
		EXPECT_EQ(s3, 74 * 4096u - 80);
		memset(big, 2, s3);
		size_t s4 = 4096 * 4096;
		EXPECT_FALSE(MemoryTryRealloc(big, s4));
		EXPECT_EQ(s4, 4096 * 4096u);
		MemoryFree(big);
		size_t small = 100;
		void* p = MemoryAlloc(small);
		EXPECT_FALSE(MemoryTryRealloc(p, small));
		MemoryFree(p);
	}).join();
}

// Blocks of a megabyte or more have mappings of their own: they grow and shrink in place, and
// the last one freed comes back for the next such request with its pages.
TEST(NativeHeap, OwnMappedBlocksGrowInPlaceAndAreReused)
{
	size_t n = 17 << 20;
	char* p = (char*)MemoryAllocSz(n);
	memset(p, 1, n);
	const size_t first = n;
	for(size_t want : { size_t(24) << 20, size_t(31) << 20, size_t(300) << 20 }) {
		size_t m = want;
		if(!MemoryTryRealloc(p, m)) {
			EXPECT_GT(want, size_t(31) << 20); // within the address space it holds it must grow
			continue;
		}
		EXPECT_GE(m, want);
		memset(p + n, 2, m - n); // the new part is writable
		EXPECT_EQ(p[first - 1], 1);
		EXPECT_EQ(p[0], 1);
		n = m;
	}
	size_t less = 17 << 20;
	ASSERT_TRUE(MemoryTryRealloc(p, less));
	EXPECT_EQ(less, first);
	EXPECT_EQ(p[first - 1], 1);
	MemoryFree(p);

	char* a = (char*)MemoryAlloc(18 << 20);
	memset(a, 3, 18 << 20);
	MemoryFree(a);
	char* b = (char*)MemoryAlloc(20 << 20);
	EXPECT_EQ(a, b);
	memset(b, 4, 20 << 20);
	MemoryFree(b);
}

TEST(NativeHeap, RemoteFreesReturnInBatches)
{
	// 24-byte blocks, 168 to a page; 84 of them make a batch of 2016 bytes.
	Worker owner, freer;
	std::vector<void*> v;
	auto release = [&](int from, int to) {
		freer.Run([&] {
			for(int i = from; i < to; i++)
				MemoryFreeClass(19, v[i]);
		});
	};
	auto allocated = [&] {
		std::unique_ptr<MemoryProfile> m;
		owner.Run([&] { m = Profile(); });
		return m->allocated[24 / 4];
	};
	auto alloc = [&](int n) {
		owner.Run([&] {
			for(int i = 0; i < n; i++)
				v.push_back(MemoryAllocClass(19));
		});
	};
	alloc(200);
	EXPECT_EQ(allocated(), 200);
	release(0, 80); // still in the freeing thread's batch
	alloc(200);
	EXPECT_EQ(allocated(), 400);
	release(80, 84); // the batch goes to the owner's incoming list
	EXPECT_EQ(allocated(), 400);
	alloc(200); // the owner takes them in when it needs a page
	EXPECT_EQ(allocated(), 516);
	owner.Run([&] {
		for(size_t i = 84; i < v.size(); i++)
			MemoryFreeClass(19, v[i]);
	});
}

TEST(NativeHeap, ThreadExitHandsPagesOn)
{
	std::set<uintptr_t> pages;
	std::vector<void*> v;
	std::thread([&] {
		for(int i = 0; i < 12; i++) {
			v.push_back(MemoryAllocClass(20));
			pages.insert((uintptr_t)v.back() & ~uintptr_t(4095));
		}
	}).join();
	// A new thread adopts the shared heap's partly used page before anything else.
	void* p = nullptr;
	std::thread([&] { p = MemoryAllocClass(20); }).join();
	EXPECT_TRUE(pages.count((uintptr_t)p & ~uintptr_t(4095)));
	v.push_back(p);
	for(void* b : v)
		MemoryFreeClass(20, b);
	// A large block of an ended thread: freed by another thread, then allocated again.
	void* large = nullptr;
	std::thread([&] { large = MemoryAlloc(5000); }).join();
	MemoryFree(large);
	std::thread([&] {
		void* again = MemoryAlloc(5000);
		memset(again, 3, 5000);
		MemoryFree(again);
	}).join();
}

// Blocks of a thread that has ended, freed by another: their pages go back to the page heap as
// soon as they are wholly free, whichever thread frees the last block.
TEST(NativeHeap, EndedThreadsPagesReturnWhenFreedElsewhere)
{
	auto used = [] { // pages of page-heap chunks in use
		auto m = Profile();
		return int64(m->chunks) * 4096 - int64(m->free_run_pages);
	};
	std::vector<void*> v;
	int64 before = used();
	std::thread([&] {
		for(int i = 0; i < 20000; i++)
			v.push_back(MemoryAlloc(16 + i % 977)); // about 2,500 pages of small blocks
		for(int i = 0; i < 2000; i++)
			v.push_back(MemoryAlloc(5000)); // and about 2,700 of large chunks
	}).join();
	EXPECT_GT(used() - before, 4000);
	std::thread([&] {
		for(void* p : v)
			MemoryFree(p);
		// Up to 256 empty pages are kept for reuse; the rest is the test's own bookkeeping.
		EXPECT_LT(used() - before, 1000);
	}).join();
}

TEST(NativeHeap, ProfileCountsPagesAndChunks)
{
	// 48-byte blocks: 84 to a page, 72 fit in the cache.
	std::thread([] {
		auto before = Profile();
		void* v[3 * 84];
		for(void*& p : v)
			p = MemoryAllocClass(21);
		auto m = Profile();
		EXPECT_EQ(m->allocated[48 / 4] - before->allocated[48 / 4], 3 * 84);
		int freepages = m->freepages;
		for(void* p : v)
			MemoryFreeClass(21, p);
		// 72 blocks wait in the cache; the first page that emptied went to the global list (when
		// it had room), the second is kept.
		m = Profile();
		EXPECT_EQ(m->allocated[48 / 4] - before->allocated[48 / 4], 72);
		EXPECT_EQ(m->freepages - freepages, freepages < 256 ? 2 : 1);

		void* l[3];
		for(void*& p : l)
			p = MemoryAlloc(65264);
		m = Profile();
		EXPECT_EQ(m->large_count - before->large_count, 3);
		EXPECT_EQ(m->large_total - before->large_total, 3 * 65264u);
		for(void* p : l)
			MemoryFree(p);
		m = Profile();
		EXPECT_EQ(m->large_count, before->large_count);
		EXPECT_EQ(m->large_free_size[255], 2); // the third whole chunk went back

		void* h = MemoryAlloc(4097 * 4096);
		m = Profile();
		EXPECT_EQ(m->huge_count - before->huge_count, 1);
		MemoryFree(h);
		EXPECT_EQ(Profile()->huge_count, before->huge_count);
	}).join();
}

TEST(NativeHeap, GlobalFreePagesAreCapped)
{
	std::thread([] {
		std::vector<void*> v;
		for(int i = 0; i < 4 * 400; i++)
			v.push_back(MemoryAlloc(900));
		for(void* p : v)
			MemoryFree(p);
	}).join();
	std::thread([] { EXPECT_EQ(Profile()->freepages, 256); }).join();
}

TEST(NativeHeapDeathTest, MappingFailureReportsOutOfMemory)
{
	auto exhaust = [] {
		rlimit lim;
		lim.rlim_cur = lim.rlim_max = 1 << 30;
		setrlimit(RLIMIT_AS, &lim);
		for(;;)
			MemoryAlloc(100 << 20);
	};
	EXPECT_DEATH(exhaust(), "Out of memory!\nQel allocated memory: [0-9]+ KB");
}

#endif
