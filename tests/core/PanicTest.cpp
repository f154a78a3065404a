#include <Core/Core.h>

#include <gtest/gtest.h>

#include <thread>

#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <unistd.h>

using namespace Qel;

namespace {

void NoCoreDump()
{
	rlimit none = {0, 0};
	setrlimit(RLIMIT_CORE, &none);
}

void Say(const char* text)
{
	ssize_t n = write(2, text, strlen(text));
	(void)n;
}

int sHookCalls;

void RecordingHook(const char* title, const char* text)
{
	Say(++sHookCalls == 1 ? "hook 1: " : "hook again: ");
	Say(title);
	Say(" | ");
	Say(text);
	Say(IsPanicMode() ? " | panic mode\n" : " | no panic mode\n");
}

void NestingHook(const char*, const char*)
{
	Panic("inner");
	Say("inner Panic returned\n");
}

bool IsDefault(int sig)
{
	struct sigaction sa;
	sigaction(sig, nullptr, &sa);
	return sa.sa_handler == SIG_DFL;
}

void HandlerCheckingHook(const char*, const char*)
{
	Say(IsDefault(SIGILL) && IsDefault(SIGSEGV) && IsDefault(SIGBUS) && IsDefault(SIGFPE)
	    ? "defaults restored\n" : "handlers still set\n");
}

void Ignore(int) {}

// The log's lines also go to standard error, where the death test sees them after the box's.
void NoCoreDumpLogToStderr()
{
	NoCoreDump();
	StdLogFile().options |= LogFile::LOG_CERR;
}

} // namespace

class PanicDeathTest : public testing::Test {
protected:
	void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(PanicDeathTest, LogsOnceCallsHookOnceAndTraps)
{
	EXPECT_FALSE(IsPanicMode());
	EXPECT_EXIT({
		NoCoreDumpLogToStderr();
		InstallPanicMessageBox(RecordingHook);
		Panic("boom");
	}, testing::KilledBySignal(SIGTRAP),
	"^\\*{18} PANIC: boom\n\nhook 1: Fatal error \\| boom \\| panic mode\n$");
}

TEST_F(PanicDeathTest, WithoutHookTextGoesToStandardError)
{
	EXPECT_EXIT({
		NoCoreDumpLogToStderr();
		InstallPanicMessageBox(RecordingHook);
		InstallPanicMessageBox(nullptr);
		Panic("no box");
	}, testing::KilledBySignal(SIGTRAP), "^\\*{18} PANIC: no box\n\nno box\n$");
}

TEST_F(PanicDeathTest, PanicInsideHookReturns)
{
	EXPECT_EXIT({
		NoCoreDumpLogToStderr();
		InstallPanicMessageBox(NestingHook);
		Panic("outer");
	}, testing::KilledBySignal(SIGTRAP), "^\\*{18} PANIC: outer\n\ninner Panic returned\n$");
}

TEST_F(PanicDeathTest, UncaughtExcShowsItsText)
{
	EXPECT_EXIT({
		NoCoreDump();
		std::thread([] { throw Exc("nobody caught this"); }).join();
	}, testing::KilledBySignal(SIGABRT), "Uncaught exception: nobody caught this\n");
}

TEST_F(PanicDeathTest, PanicLineGoesToTheLogFile)
{
	// a name the re-executed child computes alike, apart from the log other test programs share
	String path = GetHomeDirFile("panic-test.log");
	EXPECT_EXIT({
		NoCoreDump();
		StdLogFile().SetPath(path);
		StdLogFile().Create(false);
		InstallPanicMessageBox(RecordingHook);
		Panic("in the file");
	}, testing::KilledBySignal(SIGTRAP), "^hook 1: Fatal error \\| in the file");
	String log = LoadFile(path);
	ASSERT_TRUE(log.StartsWith("* ")) << ~log;
	EXPECT_TRUE(log.EndsWith("\r\n****************** PANIC: in the file\n\n")) << ~log;
	FileDelete(path);
}

TEST_F(PanicDeathTest, FatalSignalsHaveDefaultActionDuringPanic)
{
	EXPECT_EXIT({
		NoCoreDump();
		signal(SIGILL, Ignore);
		signal(SIGSEGV, Ignore);
		signal(SIGBUS, Ignore);
		signal(SIGFPE, Ignore);
		InstallPanicMessageBox(HandlerCheckingHook);
		Panic("x");
	}, testing::KilledBySignal(SIGTRAP), "defaults restored\n$");
}

TEST_F(PanicDeathTest, IgnoredTrapEndsInAbort)
{
	EXPECT_EXIT({
		NoCoreDumpLogToStderr();
		signal(SIGTRAP, SIG_IGN);
		InstallPanicMessageBox(HandlerCheckingHook);
		Panic("x");
	}, testing::KilledBySignal(SIGABRT), "PANIC: x");
}

TEST_F(PanicDeathTest, MessageBoxAloneSetsPanicModeAndLaterPanicReturns)
{
	EXPECT_EXIT({
		PanicMessageBox("Title", "shown");
		Panic("after the box");
		_exit(IsPanicMode() ? 7 : 1);
	}, testing::ExitedWithCode(7), "^shown\n$");
}
