#include "GuiLock.h"

#include <atomic>
#include <cstdlib>

namespace Qel {

namespace {

// Taken once per thread whatever its depth, so it needs no recursion of its own.
pthread_mutex_t sGuiMutex = PTHREAD_MUTEX_INITIALIZER;

std::atomic<bool>      sGuiThreadMarked;
std::atomic<pthread_t> sGuiThread;

} // namespace

thread_local int detail::gui_mutex_depth;

void detail::LockGuiMutex()
{
	pthread_mutex_lock(&sGuiMutex);
}

void detail::UnlockGuiMutex()
{
	pthread_mutex_unlock(&sGuiMutex);
}

void detail::GuiMutexUnderflow()
{
	detail::gui_mutex_depth = 0;
	Panic("GUI lock left more often than entered");
	abort();
}

int LeaveGuiMutexAll()
{
	int n = detail::gui_mutex_depth;
	if(n > 0) {
		detail::gui_mutex_depth = 0;
		pthread_mutex_unlock(&sGuiMutex);
	}
	return n;
}

void EnterGuiMutex(int n)
{
	if(n <= 0)
		return;
	if(detail::gui_mutex_depth == 0)
		pthread_mutex_lock(&sGuiMutex);
	detail::gui_mutex_depth += n;
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
