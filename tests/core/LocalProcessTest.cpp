#include <Core/Core.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qel;

namespace {

// A temporary folder, removed with what it holds.
struct TempDir {
	String path;
	TempDir()
	{
		char t[] = "/tmp/qel-process-XXXXXX";
		path = mkdtemp(t);
	}
	~TempDir() { (void)!system(~("rm -rf '" + path + "'")); }
	String File(const char* name, const String& data, int mode)
	{
		String p = path + "/" + name;
		int fd = open(~p, O_CREAT | O_WRONLY | O_TRUNC, mode);
		(void)!write(fd, ~data, data.GetLength());
		close(fd);
		return p;
	}
};

Vector<String> sArgs(std::initializer_list<const char*> l)
{
	Vector<String> v;
	for(const char* s : l)
		v.Add(s);
	return v;
}

// Polls until the child has changed state (bounded, so a broken build fails instead of hanging).
bool sWaitEnd(LocalProcess& p)
{
	for(int i = 0; i < 10000; i++) {
		if(!p.IsRunning())
			return true;
		Sleep(1);
	}
	return false;
}

} // namespace

TEST(LocalProcess, CommandLineSplitting)
{
	struct { const char* cmd; Vector<String> args; } cases[] = {
		{"  ls -l \"my dir\"", sArgs({"ls", "-l", "my dir"})},
		{"a\"b c\"d", sArgs({"ab cd"})},
		{"'it'\\''s' x", sArgs({"it's", "x"})},
		{"\"a\\\"b\" 'c\\'d'", sArgs({"a\"b", "c'd"})},
		{"one\\ arg two\t\nthree", sArgs({"one arg", "two", "three"})},
		{"x\\", sArgs({"x"})},
		{"\"\" ''", sArgs({"", ""})},
		{"\"unterminated quote", sArgs({"unterminated quote"})},
		{"   ", sArgs({})},
	};
	for(auto& c : cases)
		EXPECT_EQ(detail::SplitCommandLine(c.cmd), c.args) << c.cmd;
}

TEST(LocalProcess, CatEchoesItsInput)
{
	LocalProcess p;
	ASSERT_TRUE(p.Start("cat"));
	EXPECT_GT(p.GetPid(), 0);
	p.Write("hello\nworld\n");
	p.CloseWrite();
	String out;
	EXPECT_EQ(p.Finish(out), 0);
	EXPECT_EQ(out, "hello\nworld\n");
	EXPECT_EQ(p.GetExitMessage(), "");
	String o, e;
	EXPECT_FALSE(p.ReadBoth(o, e)) << "ended, and both pipes reached their end";
	EXPECT_TRUE(o.IsEmpty() && e.IsEmpty());
}

TEST(LocalProcess, ExitCodesArgumentsEnvironmentAndFolder)
{
	LocalProcess p;
	String out;
	ASSERT_TRUE(p.Start("sh", sArgs({"-c", "exit 3"})));
	EXPECT_EQ(p.Finish(out), 3);
	EXPECT_EQ(p.GetExitMessage(), "");

	ASSERT_TRUE(p.Start("sh", sArgs({"-c", "echo \"$QEL_X\"; pwd"}), false, "QEL_X=a b\0OTHER=1\0", "/"));
	EXPECT_EQ(p.Finish(out), 0);
	EXPECT_EQ(out, "a b\n/\n");

	EXPECT_FALSE(p.Start("qel-no-such-program-anywhere"));
	EXPECT_FALSE(p.Start(""));
	EXPECT_FALSE(p.Start("/nonexistent/program"));
}

TEST(LocalProcess, SignalsAndTheirMessages)
{
	LocalProcess p;
	String out;
	ASSERT_TRUE(p.Start("sleep 30"));
	kill(p.GetPid(), SIGKILL);
	EXPECT_EQ(p.Finish(out), 1009);
	EXPECT_EQ(p.GetExitMessage(), "\nProcess terminated on signal 9 (SIGKILL)\n");

	ASSERT_TRUE(p.Start("sh", sArgs({"-c", "kill -7 $$"})));
	EXPECT_EQ(p.Finish(out), 1007);
	EXPECT_EQ(p.GetExitMessage(), "\nProcess terminated on signal 7\n") << "no name for 7";

	ASSERT_TRUE(p.Start("sleep 30"));
	p.Kill();
	EXPECT_EQ(p.GetExitCode(), 1015);
	EXPECT_TRUE(p.GetExitMessage().EndsWith("Child process has been killed.\n")) << p.GetExitMessage();
	EXPECT_EQ(p.GetPid(), 0);
}

TEST(LocalProcess, KillEndsAStoppedChild)
{
	LocalProcess p;
	ASSERT_TRUE(p.Start("sleep 30"));
	int pid = p.GetPid();
	kill(pid, SIGSTOP);
	ASSERT_TRUE(sWaitEnd(p));
	EXPECT_EQ(p.GetExitCode(), 2019);
	EXPECT_NE(p.GetExitMessage().Find("stopped on signal 19"), -1);
	p.Kill();
	EXPECT_EQ(kill(pid, 0), -1) << "the child was ended and reaped";
}

TEST(LocalProcess, FailedExecAborts)
{
	TempDir dir;
	String bad = dir.File("not-a-program", "\x7f" "ELF garbage", 0755);
	LocalProcess p;
	String out;
	ASSERT_TRUE(p.Start(~bad));
	EXPECT_EQ(p.Finish(out), 1006);
	EXPECT_NE(p.GetExitMessage().Find("(SIGABRT)"), -1);
}

TEST(LocalProcess, LargeOutputsOnBothPipes)
{
	LocalProcess p;
	ASSERT_TRUE(p.Start("sh", sArgs({"-c", "head -c 3000000 /dev/zero | tr '\\0' a; head -c 2000000 /dev/zero | tr '\\0' b >&2"}), true));
	String out, err;
	for(;;) {
		String o, e;
		if(!p.ReadBoth(o, e))
			break;
		out.Cat(o);
		err.Cat(e);
		if(o.IsEmpty() && e.IsEmpty())
			Sleep(1);
	}
	EXPECT_EQ(out, String('a', 3000000));
	EXPECT_EQ(err, String('b', 2000000));
	EXPECT_EQ(p.GetExitCode(), 0);

	// Without a separate error pipe, Read has both; with one, Read only standard output.
	ASSERT_TRUE(p.Start("sh", sArgs({"-c", "echo out; echo err >&2"}), true));
	String o;
	EXPECT_EQ(p.Finish(o), 0);
	EXPECT_EQ(o, "out\n");
	ASSERT_TRUE(p.Start("sh", sArgs({"-c", "echo out; echo err >&2"})));
	EXPECT_EQ(p.Finish(o), 0);
	EXPECT_EQ(o, "out\nerr\n");
}

TEST(LocalProcess, WritingMoreThanThePipeHoldsLosesNothing)
{
	String data;
	for(int i = 0; i < 4 << 20; i++)
		data.Cat(char('a' + i % 26));
	LocalProcess p;
	ASSERT_TRUE(p.Start("cat"));
	p.Write(data); // the echoed output is taken while writing
	p.CloseWrite();
	String out;
	EXPECT_EQ(p.Finish(out), 0);
	EXPECT_EQ(out.GetLength(), data.GetLength());
	EXPECT_TRUE(out == data);
}

TEST(LocalProcess, WritingToAnEndedChildDoesNotKillUs)
{
	LocalProcess p;
	ASSERT_TRUE(p.Start("true"));
	ASSERT_TRUE(sWaitEnd(p));
	p.Write(String('x', 1 << 20)); // EPIPE: the SIGPIPE it raises must not end this process
	p.Write("more");
	EXPECT_EQ(p.GetExitCode(), 0);
	sigset_t pending;
	sigpending(&pending);
	EXPECT_FALSE(sigismember(&pending, SIGPIPE));
}

TEST(LocalProcess, ProgramsOnPathComeBeforeTheCurrentFolder)
{
	TempDir dir;
	dir.File("ls", "#!/bin/sh\necho impostor\n", 0755);
	dir.File("qel-local-tool", "#!/bin/sh\necho local\n", 0755);
	char cwd[4096];
	ASSERT_TRUE(getcwd(cwd, sizeof(cwd)));
	ASSERT_EQ(chdir(~dir.path), 0);
	LocalProcess p;
	String out;
	bool started_ls = p.Start("ls -d /");
	int code = started_ls ? p.Finish(out) : -1;
	String ls_out = out;
	bool started_local = p.Start("qel-local-tool");
	if(started_local)
		p.Finish(out);
	EXPECT_EQ(chdir(cwd), 0);
	ASSERT_TRUE(started_ls);
	EXPECT_EQ(code, 0);
	EXPECT_EQ(ls_out, "/\n");
	ASSERT_TRUE(started_local) << "the current folder is still searched last";
	EXPECT_EQ(out, "local\n");
}

TEST(LocalProcess, DoubleForkAndDetach)
{
	LocalProcess p;
	p.DoubleFork();
	ASSERT_TRUE(p.Start("sh", sArgs({"-c", "echo grandchild"})));
	EXPECT_EQ(p.GetPid(), 0) << "the grandchild is not tracked";
	String out;
	for(int i = 0; i < 10000; i++) {
		String s;
		if(!p.Read(s))
			break;
		out.Cat(s);
		if(s.IsEmpty())
			Sleep(1);
	}
	EXPECT_EQ(out, "grandchild\n");
	p.Detach();

	LocalProcess q;
	ASSERT_TRUE(q.Start("sleep 0.2"));
	int pid = q.GetPid();
	q.Detach(); // runs on; nothing killed it
	EXPECT_EQ(kill(pid, 0), 0);
}
