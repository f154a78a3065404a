// Threads, recursive mutexes and semaphores over POSIX threads.
// Thread runs a Function<void ()>; counted threads are waited for at application exit
// (Thread::ShutdownThreads). Mutex is recursive, so a holder may enter it again.
// StaticMutex is the lock for statics: usable before its own constructor would run and
// after exit-time destructors, because it is constant-initialised and never destroyed.
#pragma once

#include <Core/base/Function.h>

#include <atomic>
#include <pthread.h>
#include <semaphore.h>

namespace Qel {

// A thread body may throw this to end its thread early, quietly.
struct ThreadExitExc {};

class Thread {
	pthread_t handle = 0;
	int       stack_size = 0;

public:
	// Starts fn on a new thread; a counted thread (nocount false) is waited for at exit.
	// A second Run detaches the thread started before.
	bool Run(Function<void ()> fn, bool nocount = false);
	// Run at idle scheduling priority (SCHED_IDLE).
	bool RunIdle(Function<void ()> fn, bool nocount = false);

	void      StackSize(int bytes)  { stack_size = bytes; }
	int       GetStackSize() const  { return stack_size; }
	bool      IsOpen() const        { return handle != 0; }
	pthread_t GetHandle() const     { return handle; }

	// Joins the thread; returns at once when none is attached.
	void Wait();
	// Lets the thread run on unattached.
	void Detach();

	static bool IsMain();
	static int  GetCount();

	// Threads that end on request poll IsShutdownThreads while the exit path waits for them.
	static void BeginShutdownThreads();
	static void EndShutdownThreads();
	static bool IsShutdownThreads();
	// Registers a plain function that the exit path calls on every pass while it waits.
	static void AtShutdown(void (*fn)());
	static void RunShutdownHooks();
	// Waits, sleeping 100 ms between checks and running the shutdown hooks, until no
	// counted thread runs.
	static void ShutdownThreads();

	Thread() = default;
	Thread(const Thread&) = delete;
	Thread& operator=(const Thread&) = delete;
	~Thread() { Detach(); }
};

class Mutex {
	pthread_mutex_t mutex;

public:
	void Enter()    { pthread_mutex_lock(&mutex); }
	void Leave()    { pthread_mutex_unlock(&mutex); }
	bool TryEnter() { return pthread_mutex_trylock(&mutex) == 0; }

	class Lock {
		Mutex& m;
	public:
		explicit Lock(Mutex& m) : m(m) { m.Enter(); }
		~Lock()                       { m.Leave(); }
		Lock(const Lock&) = delete;
		Lock& operator=(const Lock&) = delete;
	};

	// Recursive; set up without calls, as objects that are made often hold one.
	Mutex() : mutex(PTHREAD_RECURSIVE_MUTEX_INITIALIZER_NP) {}
	~Mutex()  { pthread_mutex_destroy(&mutex); }
	Mutex(const Mutex&) = delete;
	Mutex& operator=(const Mutex&) = delete;
};

class StaticMutex {
	std::atomic<Mutex*> mutex{nullptr};
	alignas(Mutex) unsigned char buffer[sizeof(Mutex)];

	Mutex& Make();

public:
	Mutex& Get()
	{
		Mutex* m = mutex.load(std::memory_order_acquire);
		return m ? *m : Make();
	}
	operator Mutex&() { return Get(); }
	void Enter()      { Get().Enter(); }
	void Leave()      { Get().Leave(); }
	bool TryEnter()   { return Get().TryEnter(); }

	constexpr StaticMutex() = default;
	StaticMutex(const StaticMutex&) = delete;
	StaticMutex& operator=(const StaticMutex&) = delete;
};

class Semaphore {
	sem_t sem;

public:
	void Release() { sem_post(&sem); }
	// Waits for a release; ms < 0 waits without limit. False when ms passed first.
	bool Wait(int ms = -1);

	Semaphore();
	~Semaphore() { sem_destroy(&sem); }
	Semaphore(const Semaphore&) = delete;
	Semaphore& operator=(const Semaphore&) = delete;
};

int  CPUCoreCount();
void Sleep(int ms);

namespace detail {

// Gives the calling thread a stack of its own for the fatal-signal handlers, so that a stack
// overflow is reported like any other fault. Returns the stack it installed, or null when the
// thread had one already (or none could be made); RemoveSignalStack takes back such a stack.
void* InstallSignalStack();
void  RemoveSignalStack(void* stack);

} // namespace detail

} // namespace Qel
