// The display, the environment and the child processes of the GUI tests.
#include "Testkit.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <ftw.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace testkit {

namespace {

using Clock = std::chrono::steady_clock;

std::string sDisplay;
std::string sTemp;
bool sOwnTemp; // made by this process, so removed by it
std::vector<pid_t> sChildren; // Xvfb, openbox, helpers: ended by pid at exit
pid_t sXvfb = -1;

[[noreturn]] void sFail(const std::string& what)
{
	fprintf(stderr, "testkit: %s\n", what.c_str());
	fflush(stderr);
	_exit(2);
}

int sMsLeft(Clock::time_point deadline)
{
	auto d = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
	return d > 0 ? int(d) : 0;
}

void sWriteFile(const std::string& path, const std::string& text, mode_t mode)
{
	FILE* f = fopen(path.c_str(), "w");
	if(!f)
		sFail("cannot write " + path);
	fputs(text.c_str(), f);
	fclose(f);
	chmod(path.c_str(), mode);
}

// Program folder with a message program of each kind that only records its arguments.
void sFakeMessagePrograms(const std::string& bin)
{
	mkdir(bin.c_str(), 0755);
	for(const char* name : {"gxmessage", "xmessage", "kdialog", "zenity", "notify-send"})
		sWriteFile(bin + "/" + name,
		           "#!/bin/sh\n{ printf '%s' \"$(basename \"$0\")\"; for a in \"$@\"; do printf ' %s' \"$a\"; done; echo; } >> \"$QEL_TESTKIT_MESSAGES\"\n",
		           0755);
}

// Only the project's fonts, set before the font module's own start-up (which runs before main)
// reads the configuration.
struct sTestFonts {
	sTestFonts()
	{
#ifdef QEL_TEST_FONTS_CONF
		if(access(QEL_TEST_FONTS_CONF, R_OK) == 0) {
			setenv("FONTCONFIG_FILE", QEL_TEST_FONTS_CONF, 1);
			unsetenv("FONTCONFIG_PATH");
			unsetenv("FONTCONFIG_SYSROOT");
			unsetenv("FREETYPE_PROPERTIES");
		}
#endif
	}
} sTestFontsInit;

void sPrepareEnvironment()
{
	char tmpl[] = "/tmp/qel-guitest-XXXXXX";
	if(!mkdtemp(tmpl))
		sFail("no temporary folder");
	sTemp = tmpl;
	sOwnTemp = true;
	std::string home = sTemp + "/home", runtime = sTemp + "/runtime", config = home + "/.config";
	mkdir(home.c_str(), 0700);
	mkdir(config.c_str(), 0700);
	mkdir(runtime.c_str(), 0700);
	chmod(runtime.c_str(), 0700);
	std::string bin = sTemp + "/bin";
	sFakeMessagePrograms(bin);
	std::string path = bin + ":" + (getenv("PATH") ? getenv("PATH") : "/usr/bin:/bin");
	setenv("PATH", path.c_str(), 1);
	setenv("QEL_TESTKIT_MESSAGES", (sTemp + "/messages.log").c_str(), 1);
	sWriteFile(sTemp + "/messages.log", "", 0644);
	setenv("HOME", home.c_str(), 1);
	setenv("XDG_CONFIG_HOME", config.c_str(), 1);
	setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
	setenv("GDK_BACKEND", "x11", 1);
	setenv("NO_AT_BRIDGE", "1", 1);
	setenv("GSETTINGS_BACKEND", "memory", 1);
	setenv("GTK_THEME", "Adwaita", 1);
	setenv("GTK_IM_MODULE", "gtk-im-context-simple", 1);
	setenv("LANG", "C.UTF-8", 1);
	setenv("LC_ALL", "C.UTF-8", 1);
	unsetenv("WAYLAND_DISPLAY");
	unsetenv("DBUS_SESSION_BUS_ADDRESS");
	unsetenv("GTK_MODULES");
	unsetenv("GTK_IM_MODULE_FILE");
}

pid_t sSpawn(const std::vector<std::string>& argv, int in, int out, int err, int extra_fd, int extra_target)
{
	std::vector<char*> args;
	for(const std::string& a : argv)
		args.push_back(const_cast<char*>(a.c_str()));
	args.push_back(nullptr);
	pid_t pid = fork();
	if(pid < 0)
		sFail("fork failed");
	if(pid == 0) {
		// the helper ends with the test process, even when that one crashes
		prctl(PR_SET_PDEATHSIG, SIGTERM);
		if(in >= 0)
			dup2(in, 0);
		if(out >= 0)
			dup2(out, 1);
		if(err >= 0)
			dup2(err, 2);
		if(extra_fd >= 0)
			dup2(extra_fd, extra_target);
		execvp(args[0], args.data());
		_exit(127);
	}
	return pid;
}

int sDevNull()
{
	static int fd = open("/dev/null", O_RDWR | O_CLOEXEC);
	return fd;
}

// Waits until the root window of the display shows _NET_SUPPORTING_WM_CHECK.
bool sWaitForWindowManager(int timeout_ms)
{
	Display* d = XOpenDisplay(sDisplay.c_str());
	if(!d)
		return false;
	Window root = DefaultRootWindow(d);
	XSelectInput(d, root, PropertyChangeMask);
	Atom check = XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", False);
	auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
	bool ok = false;
	for(;;) {
		Atom type;
		int format;
		unsigned long n, after;
		unsigned char* data = nullptr;
		if(XGetWindowProperty(d, root, check, 0, 1, False, AnyPropertyType, &type, &format, &n, &after, &data) == Success
		   && data) {
			ok = n > 0;
			XFree(data);
		}
		if(ok || !sMsLeft(deadline))
			break;
		// sleeps until the next property change (or the time-out), not for a fixed time
		while(XPending(d)) {
			XEvent e;
			XNextEvent(d, &e);
		}
		pollfd p{ConnectionNumber(d), POLLIN, 0};
		poll(&p, 1, sMsLeft(deadline));
	}
	XCloseDisplay(d);
	return ok;
}

void sStartDisplay(const DisplayOptions& o)
{
	int fds[2];
	if(pipe2(fds, O_CLOEXEC))
		sFail("no pipe");
	char screen[64];
	snprintf(screen, sizeof(screen), "%dx%dx%d", o.width, o.height, o.depth);
	sXvfb = sSpawn({"Xvfb", "-displayfd", "3", "-screen", "0", screen, "-nolisten", "tcp", "-noreset"},
	               sDevNull(), sDevNull(), sDevNull(), fds[1], 3);
	sChildren.push_back(sXvfb);
	close(fds[1]);
	std::string number;
	auto deadline = Clock::now() + std::chrono::milliseconds(START_MS);
	for(;;) {
		pollfd p{fds[0], POLLIN, 0};
		if(poll(&p, 1, sMsLeft(deadline)) <= 0)
			sFail("Xvfb did not tell its display within " + std::to_string(START_MS / 1000) + " s");
		char c;
		ssize_t n = read(fds[0], &c, 1);
		if(n <= 0 || c == '\n')
			break;
		number += c;
	}
	close(fds[0]);
	if(number.empty())
		sFail("Xvfb did not start");
	sDisplay = ":" + number;
	setenv("DISPLAY", sDisplay.c_str(), 1);
	if(o.window_manager) {
		pid_t wm = sSpawn({"openbox", "--sm-disable"}, sDevNull(), sDevNull(), sDevNull(), -1, -1);
		sChildren.push_back(wm);
		if(!sWaitForWindowManager(START_MS))
			sFail("openbox did not announce itself within " + std::to_string(START_MS / 1000) + " s");
	}
	if(o.gdk_scale > 0)
		setenv("GDK_SCALE", std::to_string(o.gdk_scale).c_str(), 1);
}

int sRemove(const char* path, const struct stat*, int, struct FTW*)
{
	remove(path);
	return 0;
}

void sStopAll()
{
	for(auto it = sChildren.rbegin(); it != sChildren.rend(); ++it)
		Stop(*it);
	sChildren.clear();
	if(sOwnTemp)
		nftw(sTemp.c_str(), sRemove, 16, FTW_DEPTH | FTW_PHYS);
}

DisplayOptions sChildDisplay(const char* text)
{
	DisplayOptions o;
	int wm = 0;
	sscanf(text, "%d,%d,%d,%d,%d", &o.width, &o.height, &o.depth, &wm, &o.gdk_scale);
	o.window_manager = wm;
	return o;
}

class GuiEnvironment : public ::testing::Environment {
public:
	void SetUp() override
	{
		signal(SIGPIPE, SIG_IGN);
		const char* child_display = getenv("QEL_TESTKIT_DISPLAY");
		if(InChild() && !child_display) {
			// the parent's display, home and folders
			sDisplay = getenv("DISPLAY") ? getenv("DISPLAY") : "";
			sTemp = getenv("QEL_TESTKIT_TEMP") ? getenv("QEL_TESTKIT_TEMP") : "";
			return;
		}
		sPrepareEnvironment();
		setenv("QEL_TESTKIT_TEMP", sTemp.c_str(), 1);
		sStartDisplay(child_display ? sChildDisplay(child_display) : DisplayOptions());
	}

	void TearDown() override
	{
		sStopAll();
	}
};

[[maybe_unused]] ::testing::Environment* const sEnvironment = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

} // namespace

const char* DisplayName()
{
	return sDisplay.c_str();
}

std::string MessageLog()
{
	return sTemp + "/messages.log";
}

std::string TempFolder()
{
	return sTemp;
}

void InitGtk()
{
	static bool done = [] {
		if(!gtk_init_check(nullptr, nullptr))
			sFail(std::string("GTK cannot open ") + sDisplay);
		return true;
	}();
	(void)done;
}

void PumpPending()
{
	while(g_main_context_iteration(nullptr, FALSE))
		;
}

void ReportTimeout(const char* what, int ms, const testkit::SourceLocation& where)
{
	const char* file = where.file_name();
	if(const char* slash = strrchr(file, '/'))
		file = slash + 1;
	fprintf(stderr, "testkit: gave up after %d ms waiting for %s (%s:%u)\n", ms, what ? what : "a condition", file,
	        (unsigned)where.line());
	fflush(stderr);
}

bool PumpUntil(const std::function<bool()>& pred, int timeout_ms, const char* what, const testkit::SourceLocation& where)
{
	auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
	while(!pred()) {
		int left = sMsLeft(deadline);
		if(!left) {
			if(pred())
				return true;
			ReportTimeout(what, timeout_ms, where);
			return false;
		}
		// a blocking iteration, woken after 10 ms at the latest to ask the predicate again
		guint wake = g_timeout_add(std::min(left, 10), [](gpointer) -> gboolean { return G_SOURCE_REMOVE; }, nullptr);
		g_main_context_iteration(nullptr, TRUE);
		if(GSource* s = g_main_context_find_source_by_id(nullptr, wake))
			g_source_destroy(s);
	}
	return true;
}

bool InChild()
{
	return getenv("QEL_TESTKIT_CHILD");
}

bool RunInChild(const std::vector<std::string>& env, const DisplayOptions* display)
{
	const ::testing::TestInfo* t = ::testing::UnitTest::GetInstance()->current_test_info();
	std::string filter = std::string("--gtest_filter=") + t->test_suite_name() + "." + t->name();
	std::string log = sTemp + "/child-" + std::to_string(getpid()) + "-" + t->name() + ".log";
	int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
	std::vector<std::string> argv = {"/proc/self/exe", filter, "--gtest_color=no"};
	std::vector<std::string> saved;
	auto put = [&](const std::string& kv) {
		std::string name = kv.substr(0, kv.find('='));
		const char* old = getenv(name.c_str());
		saved.push_back(old ? name + "=" + old : name);
		if(kv.find('=') == std::string::npos)
			unsetenv(name.c_str());
		else
			setenv(name.c_str(), kv.substr(kv.find('=') + 1).c_str(), 1);
	};
	put("QEL_TESTKIT_CHILD=1");
	if(display) {
		char shape[96];
		snprintf(shape, sizeof(shape), "%d,%d,%d,%d,%d", display->width, display->height, display->depth,
		         display->window_manager ? 1 : 0, display->gdk_scale);
		put(std::string("QEL_TESTKIT_DISPLAY=") + shape);
	}
	else
		put("QEL_TESTKIT_DISPLAY");
	for(const std::string& kv : env)
		put(kv);
	pid_t pid = sSpawn(argv, sDevNull(), out, out, -1, -1);
	std::vector<std::string> restore;
	restore.swap(saved);
	for(auto it = restore.rbegin(); it != restore.rend(); ++it)
		put(*it);
	close(out);
	int status = 0;
	bool ended = WaitExit(pid, CHILD_MS, &status);
	if(!ended) {
		// its display and helpers end with it (they watch their parent)
		kill(pid, SIGKILL);
		WaitExit(pid, START_MS, &status);
	}
	std::string text;
	if(FILE* f = fopen(log.c_str(), "r")) {
		char buf[4096];
		size_t n;
		while((n = fread(buf, 1, sizeof(buf), f)) > 0)
			text.append(buf, n);
		fclose(f);
	}
	remove(log.c_str());
	bool ok = ended && WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
	          text.find("[  PASSED  ] 1 test") != std::string::npos;
	if(!ended)
		fprintf(stderr, "testkit: the child run of %s did not end within %d s and was killed\n", filter.c_str(),
		        CHILD_MS / 1000);
	if(!ok)
		fprintf(stderr, "--- child run of %s (status %d) ---\n%s--- end of child run ---\n", filter.c_str(), status,
		        text.c_str());
	return ok;
}

pid_t Spawn(const std::vector<std::string>& argv, int stdin_fd, int stdout_fd)
{
	pid_t pid = sSpawn(argv, stdin_fd >= 0 ? stdin_fd : sDevNull(), stdout_fd >= 0 ? stdout_fd : sDevNull(), sDevNull(),
	                   -1, -1);
	sChildren.push_back(pid);
	return pid;
}

bool WaitExit(pid_t pid, int timeout_ms, int* status)
{
	int st = 0;
	auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
	// a pid file descriptor turns readable when the process ends; without one, short naps
	int fd = (int)syscall(SYS_pidfd_open, pid, 0);
	for(;;) {
		pid_t r = waitpid(pid, &st, WNOHANG);
		if(r == pid || (r < 0 && errno != EINTR)) {
			if(fd >= 0)
				close(fd);
			if(status)
				*status = st;
			return true;
		}
		int left = sMsLeft(deadline);
		if(!left)
			break;
		if(fd >= 0) {
			pollfd p{fd, POLLIN, 0};
			poll(&p, 1, left);
		}
		else {
			timespec nap{0, 5 * 1000000};
			nanosleep(&nap, nullptr);
		}
	}
	if(fd >= 0)
		close(fd);
	return false;
}

void Stop(pid_t pid)
{
	if(pid <= 0)
		return;
	int status;
	if(waitpid(pid, &status, WNOHANG) == 0) {
		// Xvfb checks for a termination request just before it waits; a signal that comes in
		// between is noticed only at its next wake-up, minutes later: so the request is repeated
		bool ended = false;
		for(int i = 0; i < 50 && !ended; i++) {
			kill(pid, SIGTERM);
			ended = WaitExit(pid, 200);
		}
		if(!ended) {
			fprintf(stderr, "testkit: process %d ignored SIGTERM for 10 s; killed\n", (int)pid);
			kill(pid, SIGKILL);
			WaitExit(pid, START_MS);
		}
	}
	for(auto it = sChildren.begin(); it != sChildren.end(); ++it)
		if(*it == pid) {
			sChildren.erase(it);
			break;
		}
}

} // namespace testkit
