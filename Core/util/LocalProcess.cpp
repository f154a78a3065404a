#include "LocalProcess.h"
#include <Core/text/Charset.h>
#include <Core/text/FormatInt.h>
#include <Core/thread/Thread.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace Qel {

namespace {

// The system's texts are UTF-8; the default set may be another.
String sToSystem(const String& s)
{
	return GetDefaultCharset() == CHARSET_UTF8 ? s : ToCharset(CHARSET_UTF8, s);
}

String sFromSystem(const String& s)
{
	return GetDefaultCharset() == CHARSET_UTF8 ? s : ToCharset(GetDefaultCharset(), s, CHARSET_UTF8);
}

bool sIsProgram(const String& path)
{
	struct stat st;
	return stat(~path, &st) == 0 && S_ISREG(st.st_mode) && access(~path, X_OK) == 0;
}

// A name with a '/' is taken as it is; others are searched on PATH first, then in the current
// folder, so a file dropped into the working folder cannot stand in for a system program.
String sFindProgram(const String& name)
{
	if(name.IsEmpty())
		return String();
	if(name.Find('/') >= 0)
		return sIsProgram(name) ? name : String();
	const char* path = getenv("PATH");
	if(!path)
		path = "/usr/local/bin:/usr/bin:/bin";
	for(const char* s = path; *s;) {
		const char* e = strchr(s, ':');
		if(!e)
			e = s + strlen(s);
		if(e > s) {
			String p(s, int(e - s));
			p.Cat('/');
			p.Cat(name);
			if(sIsProgram(p))
				return p;
		}
		s = *e ? e + 1 : e;
	}
	char cwd[4096];
	if(getcwd(cwd, sizeof(cwd))) {
		String p = cwd;
		p.Cat('/');
		p.Cat(name);
		if(sIsProgram(p))
			return p;
	}
	return String();
}

void sClose(int& fd)
{
	if(fd >= 0) {
		close(fd);
		fd = -1;
	}
}

void sNonBlocking(int fd)
{
	if(fd >= 0)
		fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

// Reads what the pipe holds now (bounded, so one call cannot run for ever); end of file or an
// error closes it.
void sReadPipe(int& fd, String& s)
{
	if(fd < 0)
		return;
	char buffer[65536];
	for(int i = 0; i < 16; i++) {
		ssize_t n = read(fd, buffer, sizeof(buffer));
		if(n > 0) {
			s.Cat(buffer, int(n));
			if(n < (ssize_t)sizeof(buffer))
				return;
			continue;
		}
		if(n < 0 && errno == EINTR)
			continue;
		if(n == 0 || errno != EAGAIN)
			sClose(fd);
		return;
	}
}

const char* sSignalName(int sig)
{
	switch(sig) {
	case 1:  return "SIGHUP";
	case 2:  return "SIGINT";
	case 3:  return "SIGQUIT";
	case 4:  return "SIGILL";
	case 5:  return "SIGTRAP";
	case 6:  return "SIGABRT";
	case 8:  return "SIGFPE";
	case 9:  return "SIGKILL";
	case 10: return "SIGUSR1";
	case 11: return "SIGSEGV";
	case 12: return "SIGUSR2";
	case 13: return "SIGPIPE";
	case 14: return "SIGALRM";
	case 15: return "SIGTERM";
	case 23: return "SIGURG";
	case 24: return "SIGXCPU";
	case 25: return "SIGXFSZ";
	case 26: return "SIGVTALRM";
	case 28: return "SIGWINCH";
	case 29: return "SIGIO";
	}
	return nullptr;
}

void sSleepMs(int ms)
{
	timespec t = { 0, ms * 1000000L };
	nanosleep(&t, nullptr);
}

// In the child between fork and exec only async-signal-safe calls are allowed.
[[noreturn]] void sChild(int in, int out, int err, const char* cd, const char* path, char* const* argv,
                         char* const* envp)
{
	// Lifted above 2 first, so that no source is overwritten by another's dup2.
	in = fcntl(in, F_DUPFD_CLOEXEC, 3);
	out = fcntl(out, F_DUPFD_CLOEXEC, 3);
	err = fcntl(err, F_DUPFD_CLOEXEC, 3);
	if(in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0)
		abort();
	if(cd && chdir(cd) != 0)
		abort();
	if(envp)
		execve(path, argv, envp);
	else
		execv(path, argv);
	abort();
}

} // namespace

Vector<String> detail::SplitCommandLine(const char* s)
{
	Vector<String> args;
	if(!s)
		return args;
	for(;;) {
		while(*s && (byte)*s <= 32)
			s++;
		if(!*s)
			break;
		String arg;
		while(*s && (byte)*s > 32) {
			char c = *s++;
			if(c == '\"' || c == '\'') {
				while(*s && *s != c) {
					if(*s == '\\') {
						if(!*++s)
							break;
					}
					arg.Cat(*s++);
				}
				if(*s)
					s++;
			}
			else if(c == '\\') {
				if(*s)
					arg.Cat(*s++);
			}
			else
				arg.Cat(c);
		}
		args.Add(std::move(arg));
	}
	return args;
}

bool LocalProcess::Start(const char* command, const Vector<String>* args, bool spliterr, const char* envptr,
                         const char* cd)
{
	Kill();
	exit_code = INT_NULL;
	exit_string.Clear();
	stopped = false;
	if(!command)
		return false;
	while(*command && (byte)*command <= 32)
		command++;

	Vector<String> argv;
	if(args) {
		argv.Add(command);
		argv.Append(*args);
	}
	else
		argv = detail::SplitCommandLine(command);
	if(argv.IsEmpty())
		return false;
	String path = sFindProgram(argv[0]);
	if(path.IsEmpty())
		return false;
	argv[0] = path;

	// Close-on-exec, so that a child started meanwhile on another thread does not keep our
	// pipes open; the child's own standard descriptors are fresh copies without the flag.
	if(pipe2(rpipe, O_CLOEXEC) || pipe2(wpipe, O_CLOEXEC) || (spliterr && pipe2(epipe, O_CLOEXEC))) {
		Free();
		return false;
	}

	// Everything the child needs is built before the fork: it must not allocate.
	Vector<char*> av;
	for(String& a : argv)
		av.Add(const_cast<char*>(~a));
	av.Add(nullptr);
	Vector<char*> ev;
	if(envptr) {
		for(const char* e = envptr; *e; e += strlen(e) + 1)
			ev.Add(const_cast<char*>(e));
		ev.Add(nullptr);
	}

	pid_t p = fork();
	if(p < 0) {
		Free();
		return false;
	}
	if(p == 0) {
		if(doublefork) {
			pid_t q = fork();
			if(q != 0)
				_exit(q > 0 ? 0 : 1);
		}
		sChild(rpipe[0], wpipe[1], spliterr ? epipe[1] : wpipe[1], cd, ~path, av.begin(),
		       envptr ? ev.begin() : nullptr);
	}

	sClose(rpipe[0]);
	sClose(wpipe[1]);
	sClose(epipe[1]);
	sNonBlocking(rpipe[1]);
	sNonBlocking(wpipe[0]);
	sNonBlocking(epipe[0]);
	if(doublefork) {
		// The intermediate only forks and leaves: reaping it here waits for that one process.
		while(waitpid(p, nullptr, 0) < 0 && errno == EINTR)
			;
		pid = 0;
	}
	else
		pid = p;
	return true;
}

bool LocalProcess::DecodeExitCode(int status)
{
	if((status & 0x7f) == 0) {
		exit_code = (status >> 8) & 0xff;
		return true;
	}
	if((status & 0x7f) == 0x7f && (status & 0xff) != 0x7f)
		return false;
	bool st = (status & 0xff) == 0x7f;
	int sig = st ? (status >> 8) & 0xff : status & 0x7f;
	exit_code = (st ? 2000 : 1000) + sig;
	stopped = st;
	exit_string.Cat("\nProcess ");
	exit_string.Cat(st ? "stopped" : "terminated");
	exit_string.Cat(" on signal ");
	exit_string.Cat(FormatInt64(sig));
	if(const char* name = sSignalName(sig)) {
		exit_string.Cat(" (");
		exit_string.Cat(name);
		exit_string.Cat(")");
	}
	exit_string.Cat("\n");
	return true;
}

bool LocalProcess::IsRunning()
{
	if(!pid || exit_code != INT_NULL)
		return false;
	int status = 0;
	pid_t r = waitpid(pid, &status, WNOHANG | WUNTRACED);
	if(r == 0)
		return true;
	if(r == pid)
		return !DecodeExitCode(status);
	return false; // reaped elsewhere: nothing more to learn
}

void LocalProcess::Free()
{
	sClose(rpipe[0]);
	sClose(rpipe[1]);
	sClose(wpipe[0]);
	sClose(wpipe[1]);
	sClose(epipe[0]);
	sClose(epipe[1]);
	if(pid)
		waitpid(pid, nullptr, WNOHANG | WUNTRACED);
	pid = 0;
}

void LocalProcess::Kill()
{
	if(pid && (IsRunning() || stopped)) {
		exit_code = 255;
		kill(pid, SIGTERM);
		if(stopped) // a stopped child takes the signal only once it goes on
			kill(pid, SIGCONT);
		int status = 0;
		pid_t r = 0;
		for(int i = 0; i < 2000 && (r = waitpid(pid, &status, WNOHANG)) == 0; i++)
			sSleepMs(1);
		if(r == 0) { // it ignores SIGTERM
			kill(pid, SIGKILL);
			while((r = waitpid(pid, &status, 0)) < 0 && errno == EINTR)
				;
		}
		if(r == pid) {
			stopped = false;
			DecodeExitCode(status);
		}
		exit_string.Cat("Child process has been killed.\n");
	}
	Free();
}

void LocalProcess::Detach()
{
	// The double-fork intermediate was reaped at the start; the child runs on by itself.
	Free();
}

LocalProcess::~LocalProcess()
{
	Kill();
}

void LocalProcess::ReadPipes(String& out, String& err)
{
	String o, e;
	sReadPipe(wpipe[0], o);
	sReadPipe(epipe[0], e);
	if(convertcharset) {
		o = sFromSystem(o);
		e = sFromSystem(e);
	}
	out.Cat(o);
	err.Cat(e);
}

bool LocalProcess::ReadBoth(String& out, String& err)
{
	out = std::move(wreso);
	err = std::move(wrese);
	wreso.Clear();
	wrese.Clear();
	bool running = IsRunning();
	bool open = wpipe[0] >= 0 || epipe[0] >= 0;
	ReadPipes(out, err);
	return !out.IsEmpty() || !err.IsEmpty() || running || open;
}

bool LocalProcess::Read(String& s)
{
	String err;
	return ReadBoth(s, err);
}

void LocalProcess::Write(String s)
{
	if(convertcharset)
		s = sToSystem(s);
	if(rpipe[1] < 0)
		return;
	// A child that has gone makes write fail with EPIPE; the signal that comes with it must not
	// end this process. It is blocked here and taken back if this write raised it.
	sigset_t pipeset, old, pending;
	sigemptyset(&pipeset);
	sigaddset(&pipeset, SIGPIPE);
	pthread_sigmask(SIG_BLOCK, &pipeset, &old);
	sigpending(&pending);
	bool was_pending = sigismember(&pending, SIGPIPE);
	bool broken = false;
	int written = 0;
	int len = s.GetLength();
	while(written < len) {
		ReadPipes(wreso, wrese); // a child blocked on its full output can go on
		ssize_t n = write(rpipe[1], ~s + written, size_t(len - written));
		if(n > 0) {
			written += int(n);
			continue;
		}
		if(n < 0 && errno == EINTR)
			continue;
		if(n < 0 && errno == EAGAIN) {
			// Wait for room in the pipe, or for output to take.
			pollfd pf[3] = { { rpipe[1], POLLOUT, 0 }, { wpipe[0], POLLIN, 0 }, { epipe[0], POLLIN, 0 } };
			poll(pf, 3, 100);
			if(pid && !IsRunning() && !(pf[0].revents & POLLOUT))
				break; // ended without reading the rest
			continue;
		}
		broken = n < 0 && errno == EPIPE;
		break;
	}
	if(broken && !was_pending) {
		timespec zero = { 0, 0 };
		while(sigtimedwait(&pipeset, nullptr, &zero) < 0 && errno == EINTR)
			;
	}
	pthread_sigmask(SIG_SETMASK, &old, nullptr);
}

int LocalProcess::GetExitCode()
{
	if(IsRunning())
		return -1;
	return exit_code == INT_NULL ? -1 : exit_code;
}

String LocalProcess::GetExitMessage()
{
	return IsRunning() ? String() : exit_string;
}

void LocalProcess::CloseRead()
{
	sClose(wpipe[0]);
}

void LocalProcess::CloseWrite()
{
	sClose(rpipe[1]);
}

int LocalProcess::Finish(String& out)
{
	out.Clear();
	while(IsRunning()) {
		String s;
		Read(s);
		if(s.IsEmpty()) {
			// Wait for output (or 1 ms, to notice the end of a child that writes nothing).
			pollfd pf[2] = { { wpipe[0], POLLIN, 0 }, { epipe[0], POLLIN, 0 } };
			if(wpipe[0] >= 0 || epipe[0] >= 0)
				poll(pf, 2, 1);
			else
				sSleepMs(1);
		}
		else
			out.Cat(s);
	}
	for(;;) {
		String s;
		Read(s);
		if(s.IsEmpty())
			break;
		out.Cat(s);
	}
	return GetExitCode();
}

} // namespace Qel
