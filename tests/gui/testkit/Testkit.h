// The GUI test harness. Every test process runs on an X server of its own (Xvfb, found through
// -displayfd), with a private home, runtime and configuration folder, the project's fonts, a
// fixed GTK theme and input method, and fake message programs first on PATH: a test never sees
// the developer's display and never blocks on a message box. A gtest environment starts it all,
// so a shuffled run of the whole program works as well as one test per process.
//
// Input goes through XTEST (what GTK takes for real input), waits pump the GLib loop until a
// predicate holds, pixels are read back from the server, and the clipboard peer is xclip.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <sys/types.h>

namespace testkit {

// The caller's file and line, taken where a default argument is evaluated: the clang of this
// toolchain has no testkit::SourceLocation.
struct SourceLocation {
	const char* file;
	unsigned    at;

	static constexpr SourceLocation current(const char* file = __builtin_FILE(), unsigned at = __builtin_LINE())
	{
		return { file, at };
	}
	constexpr const char* file_name() const { return file; }
	constexpr unsigned    line() const      { return at; }
};

// What kind of display a test process asks for (a child process can ask for another one).
struct DisplayOptions {
	int  width = 1280;
	int  height = 1024;
	int  depth = 24;
	bool window_manager = false; // openbox, ready once it announces itself on the root window
	int  gdk_scale = 0;          // GDK_SCALE for the program under test; 0 leaves it unset
};

// The display name (":N") of this process's server.
const char* DisplayName();
// The file where the fake message programs record their arguments (one per line).
std::string MessageLog();
// Folder made for this process and removed at its end.
std::string TempFolder();

// GTK brought up once per process, on the environment's display.
void InitGtk();

// How long a wait for the display, the window manager, a window or an event may take before it
// gives up: generous, so that a loaded machine with two cores passes as well. A wait that gives
// up says on standard error what it waited for and where.
constexpr int WAIT_MS = 30000;
// What starting a display or a window manager may take.
constexpr int START_MS = 60000;
// What a test run in a child process may take, below ctest's limit of 300 s.
constexpr int CHILD_MS = 240000;

// Reports a wait that gave up after ms: what it waited for (may be null) and the caller.
void ReportTimeout(const char* what, int ms, const testkit::SourceLocation& where);

// Pumps the default GLib main context until pred holds; false after timeout_ms.
bool PumpUntil(const std::function<bool()>& pred, int timeout_ms = WAIT_MS, const char* what = nullptr,
               const testkit::SourceLocation& where = testkit::SourceLocation::current());
// Runs pending GLib work without blocking.
void PumpPending();

// Whether this process is a child that RunInChild started.
bool InChild();
// Runs the current test again in a child process (with its own display when options are
// given, else on this one), with extra environment entries "NAME=value"; true when the test
// passed there. Its output is printed when it failed.
bool RunInChild(const std::vector<std::string>& env = {}, const DisplayOptions* display = nullptr);

// Spawned helper programs, ended by their pid at the end of the process.
pid_t Spawn(const std::vector<std::string>& argv, int stdin_fd = -1, int stdout_fd = -1);
// Ends a helper: SIGTERM, repeated while it lingers (a server can miss a single one on its way
// into a wait), then SIGKILL; returns once it is reaped.
void  Stop(pid_t pid);
// Reaps pid when it ends within timeout_ms; false (pid still running) otherwise.
bool  WaitExit(pid_t pid, int timeout_ms, int* status = nullptr);

// Input through XTEST; each call ends with XSync, so the server has the events.
void MoveTo(int x, int y);
void ButtonDown(int button);
void ButtonUp(int button);
void Click(int x, int y, int button = 1);
// Releases every key and button the server has down and parks the pointer in the screen's
// bottom-right corner, away from where tests open windows; returns that corner.
std::pair<int, int> ResetInput();
// Types UTF-8 text into whatever has the keyboard focus; characters without a key on the
// keyboard get a spare key code mapped to them.
void Type(const std::string& text);
void KeyTap(unsigned long keysym, bool shift = false);
// Presses the keys in order and releases them in reverse (Alt+F4, Ctrl+Shift+U).
void KeyChord(const std::vector<unsigned long>& keysyms);

// Windows of the display.
// A viewable top-level window whose name is exactly title (0 when none shows within timeout).
unsigned long FindWindow(const std::string& title, int timeout_ms = WAIT_MS);
// Gives the window the keyboard focus (no window manager needed).
void Focus(unsigned long window);
// The window manager's active window (_NET_ACTIVE_WINDOW); 0 when none.
unsigned long ActiveWindow();
// What xprop prints for a property of a window (its whole output).
std::string Xprop(unsigned long window, const char* property);
// A root-window property of type CARDINAL/WINDOW (empty when missing).
std::vector<long> RootProperty(const char* atom);

// Pixels as 0xRRGGBB, row by row, read from the server; empty when the window is gone.
std::vector<unsigned> ReadPixels(unsigned long window, int x, int y, int cx, int cy);

// The clipboard ("clipboard") or the primary selection ("primary") through xclip. Set returns
// once xclip serves the text; Get pumps GLib while it waits, so the program may own it. A target
// other than null offers or asks for that target instead of text (bytes kept exactly).
bool SetSelection(const std::string& text, const char* selection = "clipboard", const char* target = nullptr);
std::string GetSelection(const char* selection = "clipboard", int timeout_ms = WAIT_MS, const char* target = nullptr);

} // namespace testkit
