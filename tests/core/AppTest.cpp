#include <Core/Core.h>

#include <gtest/gtest.h>

#include <csignal>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qel;

namespace {

const char* sArgv[] = {"/usr/bin/app-test", nullptr};
const char* sEnvp[] = {"A=b=c", "NOVALUE", "EMPTY=", nullptr};

// Runs a program's main in a child process and returns its exit status.
int RunMain(int (*main)())
{
	fflush(nullptr);
	pid_t pid = fork();
	if(pid == 0)
		_exit(main());
	int status = 0;
	waitpid(pid, &status, 0);
	return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void NoCoreDump()
{
	rlimit none = {0, 0};
	setrlimit(RLIMIT_CORE, &none);
}

bool sAfterBody;

int MainExitingWith3()
{
	AppInit(1, sArgv, sEnvp);
	AppExecute([] {
		Exit(3);
		sAfterBody = true;
	});
	AppExit();
	return sAfterBody ? 100 : GetExitCode();
}

int MainWaitingForThread()
{
	AppInit(1, sArgv, sEnvp);
	static std::atomic<bool> done;
	AppExecute([] {
		Thread().Run([] { Sleep(50); done = true; });
	});
	AppExit();
	return done && Thread::GetCount() == 0 ? 0 : 1;
}

} // namespace

TEST(App, ExitCodeReachesMainsResult)
{
	EXPECT_EQ(RunMain(MainExitingWith3), 3);
	EXPECT_EQ(RunMain([] { AppInit(1, sArgv, sEnvp); AppExecute([] {}); AppExit(); return GetExitCode(); }), 0);
}

TEST(App, AppExitWaitsForCountedThreads)
{
	EXPECT_EQ(RunMain(MainWaitingForThread), 0);
}

TEST(App, OtherExceptionsLeaveAppExecute)
{
	EXPECT_THROW(AppExecute([] { throw std::runtime_error("x"); }), std::runtime_error);
}

TEST(AppDeathTest, FatalSignalsEndInPanic)
{
	GTEST_FLAG_SET(death_test_style, "threadsafe");
	struct { int sig; const char* text; } cases[] = {
		{SIGILL, "Illegal instruction!"},
		{SIGSEGV, "Invalid memory access!"},
		{SIGBUS, "Invalid memory access!"},
		{SIGFPE, "Invalid arithmetic operation!"},
	};
	for(auto c : cases)
		EXPECT_EXIT({
			NoCoreDump();
			AppInit(1, sArgv, sEnvp);
			raise(c.sig);
		}, testing::KilledBySignal(SIGTRAP), std::string("PANIC: ") + c.text);
}
