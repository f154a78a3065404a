#include "App.h"
#include "Panic.h"
#include "Thread.h"

#include <csignal>

namespace Qel {

namespace {

int sExitCode;

void sSigIllHandler(int)
{
	Panic("Illegal instruction!");
}

void sSigSegvHandler(int)
{
	Panic("Invalid memory access!");
}

void sSigFpeHandler(int)
{
	Panic("Invalid arithmetic operation!");
}

} // namespace

void AppInit(int argc, const char** argv, const char** envp)
{
	(void)argc; (void)argv; (void)envp;
	signal(SIGILL, sSigIllHandler);
	signal(SIGSEGV, sSigSegvHandler);
	signal(SIGBUS, sSigSegvHandler);
	signal(SIGFPE, sSigFpeHandler);
}

void BeforeAppMain() {}
void AfterAppMain() {}

void AppExecute(const Function<void ()>& body)
{
	try {
		BeforeAppMain();
		body();
		AfterAppMain();
	}
	catch(const ExitExc&) {}
}

void Exit(int code)
{
	sExitCode = code;
	throw ExitExc();
}

int GetExitCode()
{
	return sExitCode;
}

void AppExit()
{
	Thread::ShutdownThreads();
}

} // namespace Qel
