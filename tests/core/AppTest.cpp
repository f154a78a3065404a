#include <Core/Core.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <string>
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

// AppInit in this process, with the fatal-signal handlers given back afterwards.
void InitHere(int argc, const char** argv, const char** envp)
{
	int sigs[] = {SIGILL, SIGSEGV, SIGBUS, SIGFPE};
	struct sigaction old[4];
	for(int i = 0; i < 4; i++)
		sigaction(sigs[i], nullptr, &old[i]);
	AppInit(argc, argv, envp);
	for(int i = 0; i < 4; i++)
		sigaction(sigs[i], &old[i], nullptr);
}

// AppInit marks the process as running for good and AppExit ends the worker pool, so the whole
// start-up runs in a child; it exits with the number of checks that failed.
static int sStartupChecks()
{
	int failed = 0;
	auto check = [&](bool ok) { failed += !ok; };
	const char* argv[] = {"./app", "--memory-breakpoint__", "\xc5\xbelu\xc5\xa5", "x", nullptr};
	const char* envp[] = {"A=b=c", "NOVALUE", "EMPTY=", "A=again", nullptr};
	InitHere(4, argv, envp);
	check(strcmp(GetStartupExeName(), "./app") == 0);
	const VectorMap<WString, WString>& env = GetStartupEnvironment();
	check(env.GetCount() == 4);
	if(env.GetCount() == 4) {
		check(env.GetKey(0) == WString("A") && env[0] == WString("b=c"));
		check(env.GetKey(1) == WString("NOVALUE") && env[1].IsEmpty());
		check(env.GetKey(2) == WString("EMPTY") && env[2].IsEmpty());
		check(env.GetKey(3) == WString("A") && env[3] == WString("again")); // duplicates are kept
	}
	const Vector<WString>& args = CommandLine();
	check(args.GetCount() == 3);
	if(args.GetCount() == 3)
		check(args[1].GetLength() == 4 && args[1][0] == 0x17e);
	check(IsAppRunning());
	check(GetDefaultCharset() == CHARSET_UTF8);

	std::string long_name(5000, 'n');
	const char* long_argv[] = {long_name.c_str(), nullptr};
	InitHere(1, long_argv, nullptr);
	check(strlen(GetStartupExeName()) == 4095u);
	check(CommandLine().GetCount() == 0);
	AppExit();
	check(!IsAppRunning());
	return failed;
}

TEST(App, StartupKeepsNameEnvironmentAndArguments)
{
	EXPECT_EQ(RunMain(sStartupChecks), 0);
}

TEST(App, ExportTranslationRequest)
{
	auto request = [](std::initializer_list<const char*> list, detail::TrExportRequest& r) {
		Vector<WString> args;
		for(const char* a : list)
			args.Add(WString(a));
		return detail::FindTrExport(args, r);
	};
	detail::TrExportRequest r;
	EXPECT_FALSE(request({}, r));
	EXPECT_FALSE(request({"--memory-breakpoint__", "--export-TR"}, r));

	ASSERT_TRUE(request({"x", "--export-tr"}, r));
	EXPECT_TRUE(r.stem == WString("all") && r.charset == 255 && r.language[0].IsEmpty() && r.language[1].IsEmpty());
	ASSERT_TRUE(request({"--export-tr", "all"}, r));
	EXPECT_TRUE(r.stem == WString("all") && r.language[0].IsEmpty());

	ASSERT_TRUE(request({"--export-tr", "deDE", "enUS"}, r));
	EXPECT_TRUE(r.stem == WString("deDE") && r.charset == 255);
	EXPECT_TRUE(r.language[0] == WString("deDE") && r.language[1] == WString("enUS"));

	// The fifth character picks the set: A..J are 1..10, 0..8 are 15..23, anything else UTF-8.
	for(auto [code, charset] : {std::pair{"en-US", 255}, {"csCZA", 1}, {"csCZJ", 10}, {"csCZ0", 15}, {"csCZ8", 23}}) {
		ASSERT_TRUE(request({"--export-tr", code, "toolong"}, r));
		EXPECT_TRUE(r.stem == WString(code) && r.charset == charset && r.language[1].IsEmpty()) << code;
	}
	ASSERT_TRUE(request({"--export-tr", "12ab"}, r));
	EXPECT_TRUE(r.stem == WString("12ab") && r.language[0] == WString("12ab")) << "parsing it is left to the export";
	ASSERT_TRUE(request({"--export-tr", "abc", "enUS"}, r));
	EXPECT_TRUE(r.stem == WString("all") && r.language[1] == WString("enUS"));
}

TEST(App, OtherExceptionsLeaveAppExecute)
{
	EXPECT_THROW(AppExecute([] { throw std::runtime_error("x"); }), std::runtime_error);
}

TEST(AppDeathTest, ExcLeavingThreadPanics)
{
	GTEST_FLAG_SET(death_test_style, "threadsafe");
	EXPECT_EXIT({
		NoCoreDump();
		StdLogFile().options |= LogFile::LOG_CERR;
		Thread t;
		t.Run([] { throw Exc("worker failed"); });
		t.Wait();
	}, testing::KilledBySignal(SIGTRAP), "PANIC: worker failed");
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
			StdLogFile().options |= LogFile::LOG_CERR;
			AppInit(1, sArgv, sEnvp);
			raise(c.sig);
		}, testing::KilledBySignal(SIGTRAP), std::string("PANIC: ") + c.text);
}

namespace {

volatile int sDepthLimit = -1; // never reached: keeps the compiler from seeing an endless recursion

[[gnu::noinline]] int Recurse(volatile char* from, int depth)
{
	volatile char frame[1024];
	frame[0] = *from;
	if(depth == sDepthLimit)
		return frame[0];
	return Recurse(frame, depth + 1) + frame[1];
}

} // namespace

// The handler has a stack of its own, on the main thread and on started threads, so that an
// overflow still ends in the panic with its message instead of a bare SIGSEGV.
TEST(AppDeathTest, StackOverflowEndsInPanic)
{
	GTEST_FLAG_SET(death_test_style, "threadsafe");
	for(bool on_thread : {false, true})
		EXPECT_EXIT({
			NoCoreDump();
			AppInit(1, sArgv, sEnvp);
			char c = 0;
			if(on_thread) {
				Thread t;
				t.Run([&] { Recurse(&c, 0); });
				t.Wait();
			}
			else
				Recurse(&c, 0);
		}, testing::KilledBySignal(SIGTRAP), "Invalid memory access!") << (on_thread ? "thread" : "main");
}

TEST(AppDeathTest, ExportThatCannotBeWrittenFails)
{
	GTEST_FLAG_SET(death_test_style, "threadsafe");
	String target = GetHomeDirFile("zzQA.tr");
	ASSERT_TRUE(RealizeDirectory(target)); // a folder where the file should go
	Vector<WString> args;
	args.Add(WString("--export-tr"));
	args.Add(WString("zzQA"));
	EXPECT_EXIT({
		detail::CheckStartupOptions(args);
		_exit(0);
	}, testing::ExitedWithCode(1), "Cannot write the translation file .*/zzQA\\.tr: Is a directory");
	DeleteFolderDeep(~target);
}
