#include "GuiLock.h"

#include <atomic>

namespace Qel {

namespace {

StaticMutex sGuiMutex;
thread_local int sDepth;

std::atomic<bool>      sGuiThreadMarked;
std::atomic<pthread_t> sGuiThread;

} // namespace

void EnterGuiMutex()
{
	if(sDepth++ == 0)
		sGuiMutex.Enter();
}

void LeaveGuiMutex()
{
	if(sDepth <= 0)
		Panic("GUI lock left more often than entered");
	if(--sDepth == 0)
		sGuiMutex.Leave();
}

int LeaveGuiMutexAll()
{
	int n = sDepth;
	if(n > 0) {
		sDepth = 0;
		sGuiMutex.Leave();
	}
	return n;
}

void EnterGuiMutex(int n)
{
	if(n <= 0)
		return;
	if(sDepth == 0)
		sGuiMutex.Enter();
	sDepth += n;
}

int GetGuiMutexDepth()
{
	return sDepth;
}

void detail::MarkGuiThread()
{
	sGuiThread.store(pthread_self());
	sGuiThreadMarked.store(true, std::memory_order_release);
}

bool detail::IsGuiThread()
{
	if(sGuiThreadMarked.load(std::memory_order_acquire))
		return pthread_equal(sGuiThread.load(), pthread_self());
	return Thread::IsMain();
}

} // namespace Qel
