// Running code on the GUI thread from other threads, waiting for worker threads at exit, and
// the default report of invalid values.
#include "Ctrl.h"
#include <gui/detail/Backend.h>

#include <exception>

namespace Qel {

namespace {

// One cross-thread call, on the caller's stack until the GUI thread has run it.
struct CallBox {
	Semaphore          sem;
	Function<void ()>  cb;
	std::exception_ptr exc;
};

bool sDefaultErrorValueHook(const Value& v)
{
	GuiLock lock;
	if(v.GetType() != ERROR_V)
		return false;
	String s = GetExeTitle();
	s << ": " << GetErrorText(v) << "\n";
	Cerr().Put(s.Begin(), s.GetLength());
	Cerr().Flush();
	return true;
}

} // namespace

void Ctrl::Call(Function<void ()> cb)
{
	// The GUI thread runs it at once: posting it would make the GUI thread wait on itself.
	if(detail::IsGuiThread()) {
		cb();
		return;
	}
	CallBox box;
	box.cb = std::move(cb);
	Qel::SetTimeCallback(1, [&box] {
		try {
			box.cb();
		}
		catch(...) {
			// carried to the caller, which would otherwise wait for ever
			box.exc = std::current_exception();
		}
		box.sem.Release();
	});
	detail::WakeGuiLoop();
	{
		GuiUnlockAll unlock;
		box.sem.Wait();
	}
	if(box.exc)
		std::rethrow_exception(box.exc);
}

void Ctrl::ShutdownThreads()
{
	Thread::BeginShutdownThreads();
	while(Thread::GetCount()) {
		Thread::RunShutdownHooks();
		ProcessEvents();
		GuiUnlockAll unlock;
		Sleep(100);
	}
	Thread::EndShutdownThreads();
}

bool (*&Ctrl::ErrorValueHook())(const Value& v)
{
	static bool (*hook)(const Value& v) = sDefaultErrorValueHook;
	return hook;
}

} // namespace Qel
