#include "Random.h"

#include <atomic>
#include <fcntl.h>
#include <pthread.h>
#include <time.h>
#include <unistd.h>

namespace Qel {

namespace {

// Bumped in every child after fork: a thread whose state is older reseeds, so a child never
// repeats its parent's numbers (nor its Uuids), whichever thread forked.
std::atomic<int> sForkGeneration{1};

void sAfterForkChild()
{
	sForkGeneration.fetch_add(1, std::memory_order_relaxed);
}

[[maybe_unused]] const bool sAtForkRegistered = (pthread_atfork(nullptr, nullptr, sAfterForkChild), true);

struct sRandomState {
	qword s[4];
	int   generation = 0;
};

thread_local sRandomState sState;

qword sSplitMix(qword& x)
{
	qword z = (x += 0x9e3779b97f4a7c15ull);
	z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
	z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
	return z ^ (z >> 31);
}

QEL_FORCE_INLINE qword* sGetState()
{
	sRandomState& st = sState;
	int g = sForkGeneration.load(std::memory_order_relaxed);
	if(QEL_UNLIKELY(st.generation != g)) {
		detail::RandomSeed(st.s);
		st.generation = g;
	}
	return st.s;
}

} // namespace

void detail::RandomSeed(qword* s)
{
	bool ok = false;
	int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
	if(fd >= 0) {
		ok = read(fd, s, 4 * sizeof(qword)) == 4 * sizeof(qword);
		close(fd);
	}
	if(ok && (s[0] | s[1] | s[2] | s[3]))
		return;
	static std::atomic<qword> counter;
	timespec rt, mt;
	clock_gettime(CLOCK_REALTIME, &rt);
	clock_gettime(CLOCK_MONOTONIC, &mt);
	qword x = qword(rt.tv_sec) * 1000000007ull ^ qword(rt.tv_nsec) ^ (qword(mt.tv_nsec) << 32) ^
	          (qword(getpid()) << 40) ^ qword(uintptr_t(s)) ^ qword(uintptr_t(&counter)) * 31 ^
	          qword(pthread_self()) ^ counter.fetch_add(0x632be59bd9b4e019ull, std::memory_order_relaxed);
	for(int i = 0; i < 4; i++)
		s[i] = sSplitMix(x);
	if(!(s[0] | s[1] | s[2] | s[3]))
		s[0] = 1;
}

qword Random64()
{
	return detail::Xoshiro256ss(sGetState());
}

void RandomFill64(qword* t, int n)
{
	if(n < 1)
		return;
	qword* s = sGetState();
	for(int i = 0; i < n; i++)
		t[i] = detail::Xoshiro256ss(s);
}

int Random(int n)
{
	if(n <= 1)
		return 0;
	dword mask = 0xffffffffu >> __builtin_clz(dword(n));
	qword* s = sGetState();
	for(;;) {
		dword r = dword(detail::Xoshiro256ss(s)) & mask;
		if(r < dword(n))
			return int(r);
	}
}

} // namespace Qel
