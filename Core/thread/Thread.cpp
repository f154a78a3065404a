#include "Thread.h"
#include <Core/base/Defs.h>
#include <Core/text/Exc.h>
#include <Core/base/Panic.h>
#include <Core/container/Vector.h>

#include <cerrno>
#include <csignal>
#include <ctime>
#include <sched.h>
#include <sys/mman.h>
#include <sys/sysinfo.h>
#include <unistd.h>

namespace Qel {

namespace {

size_t sSignalStackSize()
{
	return max<size_t>(65536, SIGSTKSZ);
}

std::atomic<int>  sThreadCount;
std::atomic<int>  sShutdownThreads;

struct sThreadStart {
	Function<void ()> fn;
	bool              nocount;
};

StaticMutex sShutdownHooksLock;

Vector<void (*)()>& sShutdownHooks()
{
	static Vector<void (*)()> hooks;
	return hooks;
}

void* sThreadEntry(void* arg)
{
	sThreadStart* start = (sThreadStart*)arg;
	void* signal_stack = detail::InstallSignalStack();
	try {
		start->fn();
	}
	catch(const Exc& e) {
		Panic(~e);
	}
	catch(const ThreadExitExc&) {}
	catch(const ExitExc&) {}
	// The callable and its captures go first: once the count drops, the exit path may go on to
	// destroy statics that the captures' destructors still touch.
	bool counted = !start->nocount;
	delete start;
	detail::RemoveSignalStack(signal_stack);
	if(counted)
		sThreadCount.fetch_sub(1);
	return nullptr;
}

} // namespace

void* detail::InstallSignalStack()
{
	stack_t old;
	if(sigaltstack(nullptr, &old) == 0 && !(old.ss_flags & SS_DISABLE))
		return nullptr;
	size_t size = sSignalStackSize();
	void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
	if(p == MAP_FAILED)
		return nullptr;
	stack_t st = {};
	st.ss_sp = p;
	st.ss_size = size;
	if(sigaltstack(&st, nullptr) != 0) {
		munmap(p, size);
		return nullptr;
	}
	return p;
}

void detail::RemoveSignalStack(void* stack)
{
	if(!stack)
		return;
	stack_t off = {};
	off.ss_flags = SS_DISABLE;
	sigaltstack(&off, nullptr);
	munmap(stack, sSignalStackSize());
}

bool Thread::Run(Function<void ()> fn, bool nocount)
{
	// Counted first, so ShutdownThreads never sees the count too low while the thread starts.
	if(!nocount)
		sThreadCount.fetch_add(1);
	Detach();
	sThreadStart* start = new sThreadStart{std::move(fn), nocount};
	int err;
	if(stack_size) {
		pthread_attr_t attr;
		err = pthread_attr_init(&attr);
		if(!err) {
			pthread_attr_setstacksize(&attr, stack_size);
			err = pthread_create(&handle, &attr, sThreadEntry, start);
			pthread_attr_destroy(&attr);
		}
	}
	else
		err = pthread_create(&handle, nullptr, sThreadEntry, start);
	if(err) {
		// The thread never ran: undo what it would have undone itself.
		handle = 0;
		delete start;
		if(!nocount)
			sThreadCount.fetch_sub(1);
		return false;
	}
	return true;
}

bool Thread::RunIdle(Function<void ()> fn, bool nocount)
{
	if(!Run(std::move(fn), nocount))
		return false;
	int policy;
	sched_param param;
	if(pthread_getschedparam(handle, &policy, &param) == 0) {
		param.sched_priority = 0;
		pthread_setschedparam(handle, SCHED_IDLE, &param);
	}
	return true;
}

void Thread::Wait()
{
	if(handle) {
		pthread_join(handle, nullptr);
		handle = 0;
	}
}

void Thread::Detach()
{
	if(handle) {
		pthread_detach(handle);
		handle = 0;
	}
}

bool Thread::IsMain()
{
	// The process's initial thread, whichever thread started the first Thread; its id is the
	// process id. Asked once per thread.
	static thread_local signed char main = -1;
	if(main < 0)
		main = gettid() == getpid();
	return main;
}

int Thread::GetCount()
{
	return sThreadCount.load();
}

void Thread::BeginShutdownThreads()
{
	sShutdownThreads.fetch_add(1);
}

void Thread::EndShutdownThreads()
{
	sShutdownThreads.fetch_sub(1);
}

bool Thread::IsShutdownThreads()
{
	return sShutdownThreads.load(std::memory_order_relaxed) > 0;
}

void Thread::AtShutdown(void (*fn)())
{
	Mutex::Lock lock(sShutdownHooksLock);
	sShutdownHooks().Add(fn);
}

void Thread::RunShutdownHooks()
{
	// Called outside the lock, so a hook may wait for a thread that registers hooks itself.
	Vector<void (*)()> hooks;
	{
		Mutex::Lock lock(sShutdownHooksLock);
		hooks = sShutdownHooks();
	}
	for(auto fn : hooks)
		fn();
}

void Thread::ShutdownThreads()
{
	BeginShutdownThreads();
	while(GetCount() > 0) {
		RunShutdownHooks();
		Sleep(100);
	}
	EndShutdownThreads();
}

Mutex& StaticMutex::Make()
{
	// The guard needs no construction and no destruction, so it works at any time.
	static pthread_mutex_t guard = PTHREAD_MUTEX_INITIALIZER;
	pthread_mutex_lock(&guard);
	Mutex* m = mutex.load(std::memory_order_relaxed);
	if(!m) {
		m = new(buffer) Mutex;
		mutex.store(m, std::memory_order_release);
	}
	pthread_mutex_unlock(&guard);
	return *m;
}

Semaphore::Semaphore()
{
	sem_init(&sem, 0, 0);
}

namespace {

// Tries before a waiting thread sleeps in the kernel: pauses first, then yields.
constexpr int SEMAPHORE_SPINS  = 32;
constexpr int SEMAPHORE_PAUSES = 16;

inline void sCpuRelax()
{
#if defined(__x86_64__) || defined(__i386__)
	__builtin_ia32_pause();
#elif defined(__aarch64__)
	asm volatile("yield");
#endif
}

} // namespace

bool Semaphore::Wait(int ms)
{
	// A release that follows closely (a hand-over between two threads) is taken without
	// sleeping in the kernel: a short spin costs far less than a futex wake-up.
	if(ms == 0)
		return sem_trywait(&sem) == 0;
	for(int i = 0; i < SEMAPHORE_SPINS; i++) {
		if(sem_trywait(&sem) == 0)
			return true;
		if(i < SEMAPHORE_PAUSES)
			sCpuRelax();
		else
			sched_yield();
	}
	if(ms < 0) {
		while(sem_wait(&sem) != 0)
			if(errno != EINTR)
				return false;
		return true;
	}
	timespec until;
	clock_gettime(CLOCK_REALTIME, &until);
	long n = (long)(ms % 1000) * 1000000 + until.tv_nsec;
	until.tv_sec += ms / 1000 + n / 1000000000;
	until.tv_nsec = n % 1000000000;
	// The deadline is absolute, so a signal does not stretch the wait.
	while(sem_timedwait(&sem, &until) != 0)
		if(errno != EINTR)
			return false;
	return true;
}

int CPUCoreCount()
{
	// Computed once under the static guard; later calls only test the guard.
	static const int count = clamp(get_nprocs(), 1, 256);
	return count;
}

void Sleep(int ms)
{
	timespec t;
	t.tv_sec = ms / 1000;
	t.tv_nsec = (long)(ms % 1000) * 1000000;
	nanosleep(&t, nullptr);
}

} // namespace Qel
