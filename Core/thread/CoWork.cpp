#include "CoWork.h"
#include "Thread.h"
#include <Core/base/LogWriter.h>
#include <Core/container/Vector.h>

#include <cstdlib>

namespace Qel {

namespace {

constexpr int JOB_SLOTS = 2048;

thread_local int sWorkerIndex = -1;

// Each slot sits in two circular lists at once: the pool's pending list (0) and its group's (1).
using Link = CoWork::Link;

inline void sSelfLink(Link& l)
{
	l.prev[0] = l.next[0] = l.prev[1] = l.next[1] = &l;
}

inline void sLinkFront(Link& head, Link& l, int i)
{
	l.next[i] = head.next[i];
	l.prev[i] = &head;
	head.next[i]->prev[i] = &l;
	head.next[i] = &l;
}

inline void sUnlink(Link& l, int i)
{
	l.prev[i]->next[i] = l.next[i];
	l.next[i]->prev[i] = l.prev[i];
	l.prev[i] = l.next[i] = &l;
}

inline bool sIsEmpty(const Link& head, int i)
{
	return head.next[i] == &head;
}

std::atomic<CoWork::Pool*> sPool;

} // namespace

struct CoWork::Pool {
	struct Slot : Link {
		Function<void ()> fn;
		CoWork*           work = nullptr;
		bool              looper = false;
	};

	Slot*           free = nullptr;   // chained through next[0]
	Link            jobs;
	Slot            slot[JOB_SLOTS];
	int             waiting_threads = 0;
	int             size = 0;
	Thread*         threads = nullptr;
	int             thread_slots = 0;
	bool            quit = false;
	bool            closed = false;    // workers ended: jobs run on the scheduling thread
	pthread_mutex_t lock;
	pthread_cond_t  waitforjob;

	void Lock()   { pthread_mutex_lock(&lock); }
	void InitLocks()
	{
		pthread_mutexattr_t attr;
		pthread_mutexattr_init(&attr);
		pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
		pthread_mutex_init(&lock, &attr);
		pthread_mutexattr_destroy(&attr);
		pthread_cond_init(&waitforjob, nullptr);
	}
	void Unlock() { pthread_mutex_unlock(&lock); }

	void FreeSlot(Slot* s)
	{
		sUnlink(*s, 0);
		sUnlink(*s, 1);
		s->work = nullptr;
		s->looper = false;
		s->next[0] = free;
		free = s;
	}

	// Takes the group's queued jobs off both lists; plain ones only unless all. The dropped
	// functions go to dead, to be destroyed once the lock is released.
	void CancelJobs(CoWork& g, bool all, Vector<Function<void ()>>& dead)
	{
		for(Link* l = g.jobs.next[1]; l != &g.jobs;) {
			Slot* s = static_cast<Slot*>(l);
			l = l->next[1];
			if(s->looper) {
				g.outstanding -= g.looper_count;
				g.looper_count = 0;
			}
			else {
				if(!all)
					continue;
				g.outstanding--;
				dead.Add(std::move(s->fn));
			}
			FreeSlot(s);
		}
	}

	// Runs one job; called and returns with the lock held.
	void DoJob(Slot* s)
	{
		CoWork& g = *s->work;
		bool looper = s->looper;
		Function<void ()> fn;
		if(looper) {
			if(--g.looper_count <= 0)
				FreeSlot(s);
		}
		else {
			fn = std::move(s->fn);
			FreeSlot(s);
		}
		Unlock();
		std::exception_ptr e;
		try {
			if(looper)
				g.looper_fn();
			else
				fn();
		}
		catch(...) {
			e = std::current_exception();
		}
		// Captures are destroyed before the group can count this job done.
		fn.Clear();
		Vector<Function<void ()>> dead;
		Lock();
		if(e) {
			if(!g.exc) {
				g.canceled.store(true, std::memory_order_relaxed);
				CancelJobs(g, true, dead);
				g.exc = e;
			}
		}
		else if(looper) // a returning instance means the items are exhausted: drop the unstarted ones
			CancelJobs(g, false, dead);
		if(--g.outstanding == 0)
			pthread_cond_broadcast(&g.waitforfinish);
		if(dead.GetCount()) {
			Unlock();
			dead.Clear();
			Lock();
		}
	}

	void Work(int i)
	{
		sWorkerIndex = i;
		Lock();
		for(;;) {
			while(!sIsEmpty(jobs, 0))
				DoJob(static_cast<Slot*>(jobs.next[0]));
			if(quit)
				break;
			waiting_threads++;
			pthread_cond_wait(&waitforjob, &lock);
			waiting_threads--;
		}
		Unlock();
	}

	Pool()
	{
		sSelfLink(jobs);
		for(Slot& s : slot)
			sSelfLink(s);
		for(int k = 1; k < JOB_SLOTS; k++)
			slot[k].next[0] = &slot[k - 1];
		slot[0].next[0] = nullptr;
		free = &slot[JOB_SLOTS - 1];

		InitLocks();

		int n = CPUCoreCount() + 2;
		threads = new Thread[n];
		thread_slots = n;
		int started = 0;
		for(int k = 0; k < n; k++)
			if(threads[k].RunIdle([this, started] { Work(started); }, true))
				started++;
		size = started ? started : n;
		// Without any worker the jobs run where they are scheduled.
		closed = started == 0;
	}

	void ForkedChild()
	{
		InitLocks();
		// The parent's threads are not ours to join or detach.
		thread_slots = 0;
		waiting_threads = 0;
		quit = false;
		closed = true;
	}

	void Shutdown()
	{
		Lock();
		if(closed) {
			Unlock();
			return;
		}
		// From here on jobs run where they are scheduled; workers drain what is queued first.
		closed = true;
		quit = true;
		pthread_cond_broadcast(&waitforjob);
		Unlock();
		for(int k = 0; k < thread_slots; k++)
			threads[k].Wait();
		Lock();
		quit = false;
		Unlock();
	}
};

namespace {

void sShutdownAtExit()
{
	detail::ShutdownCoWorkPool();
}

// A forked child has none of the workers: its pool state is taken consistent (the lock is held
// across the fork) and it runs every job on the scheduling thread.
void sBeforeFork()
{
	if(CoWork::Pool* p = sPool.load(std::memory_order_acquire))
		p->Lock();
}

void sAfterForkParent()
{
	if(CoWork::Pool* p = sPool.load(std::memory_order_acquire))
		p->Unlock();
}

void sAfterForkChild()
{
	if(CoWork::Pool* p = sPool.load(std::memory_order_acquire))
		p->ForkedChild();
}

CoWork::Pool& sGetPool()
{
	CoWork::Pool* p = sPool.load(std::memory_order_acquire);
	if(QEL_LIKELY(p))
		return *p;
	static pthread_mutex_t guard = PTHREAD_MUTEX_INITIALIZER;
	pthread_mutex_lock(&guard);
	p = sPool.load(std::memory_order_relaxed);
	if(!p) {
		// Never deleted: a job or a static destructor may still reach it after the workers end.
		p = new CoWork::Pool;
		sPool.store(p, std::memory_order_release);
		atexit(sShutdownAtExit);
		pthread_atfork(sBeforeFork, sAfterForkParent, sAfterForkChild);
	}
	pthread_mutex_unlock(&guard);
	return *p;
}

} // namespace

void detail::ShutdownCoWorkPool()
{
	if(CoWork::Pool* p = sPool.load(std::memory_order_acquire))
		p->Shutdown();
}

CoWork::CoWork()
{
	pthread_cond_init(&waitforfinish, nullptr);
	sSelfLink(jobs);
}

CoWork::~CoWork()
{
	try {
		Finish();
	}
	catch(...) {
		detail::WriteLog("CoWork: a job's exception was dropped by the group's destructor\n");
	}
	pthread_cond_destroy(&waitforfinish);
}

void CoWork::Do0(Function<void ()>&& fn, bool looper)
{
	Pool& p = sGetPool();
	p.Lock();
	if(!p.free || p.closed) {
		p.Unlock();
		fn();
		return;
	}
	Pool::Slot* s = p.free;
	p.free = static_cast<Pool::Slot*>(s->next[0]);
	sLinkFront(p.jobs, *s, 0);
	sLinkFront(jobs, *s, 1);
	s->work = this;
	s->looper = looper;
	if(looper) {
		looper_fn = std::move(fn);
		looper_count = p.size;
		outstanding += p.size;
		pthread_cond_broadcast(&p.waitforjob);
	}
	else {
		s->fn = std::move(fn);
		outstanding++;
		if(p.waiting_threads > 0)
			pthread_cond_signal(&p.waitforjob);
	}
	p.Unlock();
}

void CoWork::Loop(Function<void ()> fn)
{
	index.store(0, std::memory_order_relaxed);
	Do0(std::move(fn), true);
	struct Release { // the captures go once every instance is done, even when one threw
		CoWork& co;
		~Release() { co.looper_fn.Clear(); }
	} release{*this};
	Finish();
}

void CoWork::Finish()
{
	Pool* pp = sPool.load(std::memory_order_acquire);
	if(!pp) { // nothing was ever scheduled anywhere
		canceled.store(false, std::memory_order_relaxed);
		return;
	}
	Pool& p = *pp;
	p.Lock();
	while(outstanding > 0 && !sIsEmpty(jobs, 1))
		p.DoJob(static_cast<Pool::Slot*>(jobs.next[1]));
	while(outstanding > 0)
		pthread_cond_wait(&waitforfinish, &p.lock);
	canceled.store(false, std::memory_order_relaxed);
	std::exception_ptr e = std::move(exc);
	exc = nullptr;
	p.Unlock();
	if(e)
		std::rethrow_exception(e);
}

void CoWork::Cancel()
{
	Pool* pp = sPool.load(std::memory_order_acquire);
	canceled.store(true, std::memory_order_relaxed);
	if(!pp)
		return;
	Vector<Function<void ()>> dead;
	pp->Lock();
	pp->CancelJobs(*this, true, dead);
	if(outstanding == 0)
		pthread_cond_broadcast(&waitforfinish);
	pp->Unlock();
}

bool CoWork::IsFinished()
{
	Pool* pp = sPool.load(std::memory_order_acquire);
	if(!pp)
		return true;
	pp->Lock();
	bool done = outstanding == 0;
	pp->Unlock();
	return done;
}

int CoWork::GetPoolSize()
{
	return sGetPool().size;
}

int CoWork::GetWorkerIndex()
{
	return sWorkerIndex;
}

} // namespace Qel
