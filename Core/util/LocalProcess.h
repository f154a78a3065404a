// Child processes with pipes to their standard input and output: AProcess is the interface,
// LocalProcess runs a program on this machine. Output is polled without blocking.
//
//     LocalProcess p;
//     if(p.Start("ls -l \"my dir\"")) { String out; int code = p.Finish(out); }
#pragma once

#include <Core/text/String.h>
#include <Core/container/Vector.h>

namespace Qel {

class AProcess {
public:
	virtual void   Kill() = 0;
	virtual bool   IsRunning() = 0;
	// Writes everything, waiting for room in the pipe (and collecting output meanwhile).
	virtual void   Write(String s) = 0;
	// What standard output has for now; false when nothing came and nothing more can come.
	virtual bool   Read(String& s) = 0;
	virtual bool   ReadBoth(String& out, String& err) = 0;
	// The exit status 0..255; 1000 + signal when killed, 2000 + signal when stopped; -1 when
	// still running or unknown.
	virtual int    GetExitCode() = 0;
	// How the child ended when a signal ended or stopped it; empty otherwise.
	virtual String GetExitMessage() = 0;
	virtual void   CloseRead() = 0;
	virtual void   CloseWrite() = 0;
	// Lets the child run on without us.
	virtual void   Detach() = 0;

	AProcess() = default;
	AProcess(const AProcess&) = delete;
	AProcess& operator=(const AProcess&) = delete;
	virtual ~AProcess() = default;
};

class LocalProcess : public AProcess {
public:
	void   Kill() override;
	bool   IsRunning() override;
	void   Write(String s) override;
	bool   Read(String& s) override;
	bool   ReadBoth(String& out, String& err) override;
	int    GetExitCode() override;
	String GetExitMessage() override;
	void   CloseRead() override;
	void   CloseWrite() override;
	void   Detach() override;

	// Starts command: split into arguments at blanks (quotes and backslashes as a shell
	// would), or, with args, the whole command as the program and args as its arguments. The
	// program is searched on PATH, then in the current folder. spliterr keeps standard error
	// apart from standard output; envptr is a block of "NAME=value" texts ended by an empty
	// one; cd is the child's working folder.
	bool Start(const char* command, const Vector<String>* args = nullptr, bool spliterr = false,
	           const char* envptr = nullptr, const char* cd = nullptr);
	bool Start(const char* command, const Vector<String>& args, bool spliterr = false,
	           const char* envptr = nullptr, const char* cd = nullptr) { return Start(command, &args, spliterr, envptr, cd); }
	// Collects all output until the child ends; returns its exit code.
	int  Finish(String& out);

	// The child runs as a grandchild that nothing waits for (no zombie when we go first).
	LocalProcess& DoubleFork(bool b = true)     { doublefork = b; return *this; }
	// Text written and read passes between the default and the system character set.
	LocalProcess& ConvertCharset(bool b = true) { convertcharset = b; return *this; }
	int GetPid() const                          { return pid; }

	LocalProcess() = default;
	~LocalProcess() override;

private:
	bool   convertcharset = true;
	int    pid = 0;
	[[maybe_unused]] int fork_pid = 0; // the double-fork intermediate, until reaped
	int    rpipe[2] = {-1, -1};
	int    wpipe[2] = {-1, -1};
	int    epipe[2] = {-1, -1};
	String exit_string;
	bool   doublefork = false;
	bool   stopped = false;
	int    exit_code = INT_NULL;
	String wreso, wrese;

	void Free();
	bool DecodeExitCode(int status);
	void ReadPipes(String& out, String& err);
};

namespace detail {
// The arguments of a command line as LocalProcess::Start splits it.
Vector<String> SplitCommandLine(const char* command);
} // namespace detail

} // namespace Qel
