#include "Panic.h"
#include "LogWriter.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace Qel {

namespace {

// Set once, never cleared: the thread that flips it is the only one that logs and shows the panic.
std::atomic<bool> sPanicMode;
std::atomic<PanicMessageBoxHook> sPanicMessageBoxHook;

void sWriteStderr(const char* text, size_t length)
{
	while(length > 0) {
		ssize_t n = write(2, text, length);
		if(n < 0 && errno == EINTR)
			continue;
		if(n <= 0)
			return;
		text += n;
		length -= n;
	}
}

} // namespace

bool IsPanicMode()
{
	return sPanicMode.load(std::memory_order_relaxed);
}

void InstallPanicMessageBox(PanicMessageBoxHook hook)
{
	sPanicMessageBoxHook.store(hook);
}

void PanicMessageBox(const char* title, const char* text)
{
	sPanicMode.store(true);
	if(!text)
		text = "";
	if(PanicMessageBoxHook hook = sPanicMessageBoxHook.load()) {
		hook(title ? title : "", text);
		return;
	}
	sWriteStderr(text, strlen(text));
	sWriteStderr("\n", 1);
}

void Panic(const char* text)
{
	// A fault from here on (in the log or the message box) must end the process, not re-enter.
	signal(SIGILL, SIG_DFL);
	signal(SIGSEGV, SIG_DFL);
	signal(SIGBUS, SIG_DFL);
	signal(SIGFPE, SIG_DFL);
	if(sPanicMode.exchange(true))
		return;
	if(!text)
		text = "";
	detail::WriteLog("****************** PANIC: ");
	detail::WriteLog(text);
	detail::WriteLog("\n\n");
	PanicMessageBox("Fatal error", text);
	raise(SIGTRAP);
	abort();
}

} // namespace Qel
