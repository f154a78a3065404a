#include "App.h"
#include <Core/text/Charset.h>
#include <Core/thread/CoWork.h>
#include <Core/base/Panic.h>
#include <Core/thread/Thread.h>
#include <Core/lang/Lang.h>
#include <Core/lang/Translate.h>
#include <Core/text/Utf.h>
#include "Path.h"

#include <atomic>
#include <csignal>
#include <cstring>

namespace Qel {

namespace {

int               sExitCode;
std::atomic<bool> sAppRunning;
char              sExeName[4096];

VectorMap<WString, WString>& sEnvironment()
{
	static VectorMap<WString, WString> env;
	return env;
}

Vector<WString>& sArguments()
{
	static Vector<WString> args;
	return args;
}

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

void sHandle(int sig, void (*handler)(int))
{
	struct sigaction sa = {};
	sa.sa_handler = handler;
	sa.sa_flags = SA_ONSTACK;
	sigemptyset(&sa.sa_mask);
	sigaction(sig, &sa, nullptr);
}

} // namespace

void AppInit(int argc, const char** argv, const char** envp)
{
	SetDefaultCharset(CHARSET_UTF8);
	SetLanguage(LNG_ENGLISH);

	strncpy(sExeName, argc > 0 && argv[0] ? argv[0] : "", sizeof(sExeName) - 1);

	VectorMap<WString, WString>& env = sEnvironment();
	env.Clear();
	for(const char** e = envp; e && *e; e++) {
		const char* eq = strchr(*e, '=');
		if(eq)
			env.Add(ToUtf32(*e, int(eq - *e)), ToUtf32(eq + 1));
		else
			env.Add(ToUtf32(*e), WString());
	}

	// The application is not running yet, so the system-set conversion leaves the text as it is.
	Vector<WString>& args = sArguments();
	args.Clear();
	for(int i = 1; i < argc; i++)
		args.Add(ToUtf32(FromSystemCharset(argv[i])));

	if(detail::CheckStartupOptions(args))
		sAppRunning = true;

	detail::InstallSignalStack(); // kept for the life of the process
	sHandle(SIGILL, sSigIllHandler);
	sHandle(SIGSEGV, sSigSegvHandler);
	sHandle(SIGBUS, sSigSegvHandler);
	sHandle(SIGFPE, sSigFpeHandler);
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
	detail::ShutdownCoWorkPool();
	sAppRunning = false;
}

const char* GetStartupExeName()
{
	return sExeName;
}

const VectorMap<WString, WString>& GetStartupEnvironment()
{
	return sEnvironment();
}

const Vector<WString>& CommandLine()
{
	return sArguments();
}

bool IsAppRunning()
{
	return sAppRunning;
}

} // namespace Qel
