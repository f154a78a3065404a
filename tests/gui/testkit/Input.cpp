// Input through XTEST, windows and pixels of the test display, and the xclip clipboard peer.
#include "Testkit.h"

#include <gtk/gtk.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <map>
#include <sys/wait.h>
#include <unistd.h>

namespace testkit {

namespace {

// The harness's own connection, apart from the one of the program under test.
Display* sX()
{
	static Display* d = [] {
		Display* d = XOpenDisplay(DisplayName());
		if(!d) {
			fprintf(stderr, "testkit: cannot open %s\n", DisplayName());
			_exit(2);
		}
		return d;
	}();
	return d;
}

// Errors of the harness's own requests (a window that went away meanwhile) are expected; the
// process-wide handler GTK installs would end the program on them.
class ErrorTrap {
public:
	ErrorTrap()  { XSync(sX(), False); old = XSetErrorHandler(Ignore); }
	~ErrorTrap() { XSync(sX(), False); XSetErrorHandler(old); }

private:
	int (*old)(Display*, XErrorEvent*);
	static int Ignore(Display*, XErrorEvent*) { return 0; }
};

std::u32string sDecode(const std::string& s)
{
	std::u32string out;
	for(size_t i = 0; i < s.size();) {
		unsigned char c = s[i];
		int n = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
		char32_t cp = n == 0 ? c : n == 1 ? c & 0x1F : n == 2 ? c & 0x0F : c & 0x07;
		for(int k = 1; k <= n && i + k < s.size(); k++)
			cp = cp << 6 | (s[i + k] & 0x3F);
		out += cp;
		i += n + 1;
	}
	return out;
}

// A key code that produces keysym, and whether Shift is needed; characters the keyboard lacks
// get a spare key code of their own for the rest of the process (mapping it back right after the
// press would race with the program reading the map).
KeyCode sKeyFor(KeySym keysym, bool& shift)
{
	static std::map<KeySym, KeyCode> spare;
	Display* d = sX();
	shift = false;
	if(KeyCode kc = XKeysymToKeycode(d, keysym)) {
		if(XkbKeycodeToKeysym(d, kc, 0, 0) == keysym)
			return kc;
		if(XkbKeycodeToKeysym(d, kc, 0, 1) == keysym) {
			shift = true;
			return kc;
		}
	}
	auto it = spare.find(keysym);
	if(it != spare.end())
		return it->second;
	int lo, hi, per;
	XDisplayKeycodes(d, &lo, &hi);
	KeySym* map = XGetKeyboardMapping(d, lo, hi - lo + 1, &per);
	KeyCode free = 0;
	for(int kc = hi; kc >= lo && !free; kc--) {
		bool empty = true;
		for(int i = 0; i < per; i++)
			if(map[(kc - lo) * per + i] != NoSymbol)
				empty = false;
		if(empty)
			free = KeyCode(kc);
	}
	XFree(map);
	if(!free)
		return 0;
	KeySym syms[2] = {keysym, keysym};
	XChangeKeyboardMapping(d, free, 2, syms, 1);
	XSync(d, False);
	spare[keysym] = free;
	return free;
}

void sKey(KeyCode kc, bool shift)
{
	Display* d = sX();
	KeyCode sh = XKeysymToKeycode(d, XK_Shift_L);
	if(shift)
		XTestFakeKeyEvent(d, sh, True, 0);
	XTestFakeKeyEvent(d, kc, True, 0);
	XTestFakeKeyEvent(d, kc, False, 0);
	if(shift)
		XTestFakeKeyEvent(d, sh, False, 0);
	XSync(d, False);
}

std::string sProperty(Display* d, Window w, Atom a)
{
	Atom type;
	int format;
	unsigned long n, after;
	unsigned char* data = nullptr;
	std::string s;
	if(XGetWindowProperty(d, w, a, 0, 1024, False, AnyPropertyType, &type, &format, &n, &after, &data) == Success
	   && data) {
		if(format == 8)
			s.assign((const char*)data, n);
		XFree(data);
	}
	return s;
}

unsigned long sFind(Display* d, Window w, const std::string& title, Atom net_name)
{
	XWindowAttributes a;
	if(XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable) {
		std::string name = sProperty(d, w, net_name);
		if(name.empty())
			name = sProperty(d, w, XA_WM_NAME);
		if(name == title)
			return w;
	}
	Window root, parent, *children = nullptr;
	unsigned n = 0;
	unsigned long found = 0;
	if(XQueryTree(d, w, &root, &parent, &children, &n)) {
		for(unsigned i = 0; i < n && !found; i++)
			found = sFind(d, children[i], title, net_name);
		if(children)
			XFree(children);
	}
	return found;
}

int sMsSince(std::chrono::steady_clock::time_point t0)
{
	return int(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count());
}

} // namespace

void MoveTo(int x, int y)
{
	XTestFakeMotionEvent(sX(), -1, x, y, 0);
	XSync(sX(), False);
}

void ButtonDown(int button)
{
	XTestFakeButtonEvent(sX(), button, True, 0);
	XSync(sX(), False);
}

void ButtonUp(int button)
{
	XTestFakeButtonEvent(sX(), button, False, 0);
	XSync(sX(), False);
}

void Click(int x, int y, int button)
{
	MoveTo(x, y);
	ButtonDown(button);
	ButtonUp(button);
}

std::pair<int, int> ResetInput()
{
	Display* d = sX();
	char keys[32];
	XQueryKeymap(d, keys);
	for(int kc = 8; kc < 256; kc++)
		if(keys[kc / 8] & (1 << (kc % 8)))
			XTestFakeKeyEvent(d, kc, False, 0);
	Window root, child;
	int rx, ry, wx, wy;
	unsigned mask = 0;
	XQueryPointer(d, DefaultRootWindow(d), &root, &child, &rx, &ry, &wx, &wy, &mask);
	for(int b = 1; b <= 5; b++)
		if(mask & (Button1Mask << (b - 1)))
			XTestFakeButtonEvent(d, b, False, 0);
	std::pair<int, int> corner(DisplayWidth(d, DefaultScreen(d)) - 1, DisplayHeight(d, DefaultScreen(d)) - 1);
	XTestFakeMotionEvent(d, -1, corner.first, corner.second, 0);
	XSync(d, False);
	return corner;
}

void KeyTap(unsigned long keysym, bool shift)
{
	bool need_shift;
	if(KeyCode kc = sKeyFor(keysym, need_shift))
		sKey(kc, shift || need_shift);
}

void KeyChord(const std::vector<unsigned long>& keysyms)
{
	Display* d = sX();
	std::vector<KeyCode> codes;
	for(unsigned long ks : keysyms)
		codes.push_back(XKeysymToKeycode(d, ks));
	for(KeyCode kc : codes)
		XTestFakeKeyEvent(d, kc, True, 0);
	for(size_t i = codes.size(); i-- > 0;)
		XTestFakeKeyEvent(d, codes[i], False, 0);
	XSync(d, False);
}

void Type(const std::string& text)
{
	for(char32_t c : sDecode(text)) {
		KeySym ks = c == '\n' ? XK_Return : c < 0x100 ? KeySym(c) : KeySym(0x1000000 | c);
		KeyTap(ks);
	}
}

unsigned long FindWindow(const std::string& title, int timeout_ms)
{
	Display* d = sX();
	Atom net_name = XInternAtom(d, "_NET_WM_NAME", False);
	unsigned long w = 0;
	std::string what = "a window named \"" + title + "\"";
	// asked again while the program (which may live in this process) runs its loop
	PumpUntil([&] {
		ErrorTrap trap;
		return (w = sFind(d, DefaultRootWindow(d), title, net_name)) != 0;
	}, timeout_ms, what.c_str());
	return w;
}

void Focus(unsigned long window)
{
	XSetInputFocus(sX(), window, RevertToPointerRoot, CurrentTime);
	XSync(sX(), False);
}

std::string Xprop(unsigned long window, const char* property)
{
	std::string file = TempFolder() + "/xprop.txt";
	int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
	pid_t pid = Spawn({"xprop", "-display", DisplayName(), "-id", std::to_string(window), property}, -1, fd);
	close(fd);
	WaitExit(pid, WAIT_MS);
	std::ifstream in(file);
	return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

unsigned long ActiveWindow()
{
	std::vector<long> v = RootProperty("_NET_ACTIVE_WINDOW");
	return v.empty() ? 0 : (unsigned long)v[0];
}

std::vector<long> RootProperty(const char* atom)
{
	Display* d = sX();
	Atom type;
	int format;
	unsigned long n, after;
	unsigned char* data = nullptr;
	std::vector<long> v;
	if(XGetWindowProperty(d, DefaultRootWindow(d), XInternAtom(d, atom, False), 0, 1024, False, AnyPropertyType, &type,
	                      &format, &n, &after, &data) == Success && data) {
		if(format == 32)
			v.assign((long*)data, (long*)data + n);
		XFree(data);
	}
	return v;
}

std::vector<unsigned> ReadPixels(unsigned long window, int x, int y, int cx, int cy)
{
	std::vector<unsigned> px;
	XImage* img;
	{
		ErrorTrap trap;
		img = XGetImage(sX(), window, x, y, cx, cy, AllPlanes, ZPixmap);
	}
	if(!img)
		return px;
	for(int j = 0; j < cy; j++)
		for(int i = 0; i < cx; i++)
			px.push_back(unsigned(XGetPixel(img, i, j)) & 0xFFFFFF);
	XDestroyImage(img);
	return px;
}

bool SetSelection(const std::string& text, const char* selection, const char* target)
{
	static pid_t owner[2] = {-1, -1};
	int slot = strcmp(selection, "primary") == 0;
	Stop(owner[slot]);
	int fds[2];
	if(pipe2(fds, O_CLOEXEC))
		return false;
	// -quiet keeps xclip in the foreground, serving the text until another owner takes over
	std::vector<std::string> argv = {"xclip", "-quiet", "-selection", selection, "-i"};
	if(target)
		argv.insert(argv.end(), {"-t", target});
	owner[slot] = Spawn(argv, fds[0]);
	close(fds[0]);
	if(write(fds[1], text.data(), text.size()) != (ssize_t)text.size())
		return false;
	close(fds[1]);
	auto t0 = std::chrono::steady_clock::now();
	while(sMsSince(t0) < WAIT_MS)
		if(GetSelection(selection, WAIT_MS, target) == text)
			return true;
	ReportTimeout("xclip to serve the selection", WAIT_MS, testkit::SourceLocation::current());
	return false;
}

std::string GetSelection(const char* selection, int timeout_ms, const char* target)
{
	std::string path = TempFolder() + "/selection-" + std::to_string(getpid()) + ".out";
	int out = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
	std::vector<std::string> argv = {"xclip", "-o", "-selection", selection};
	if(target)
		argv.insert(argv.end(), {"-t", target});
	pid_t pid = Spawn(argv, -1, out);
	close(out);
	int status = 0;
	bool done = PumpUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, timeout_ms, "xclip -o to end");
	Stop(pid); // ends it after a time-out, else only forgets the reaped pid
	std::string s;
	if(FILE* f = fopen(path.c_str(), "r")) {
		char buf[4096];
		size_t n;
		while((n = fread(buf, 1, sizeof(buf), f)) > 0)
			s.append(buf, n);
		fclose(f);
	}
	remove(path.c_str());
	return done && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? s : std::string();
}

} // namespace testkit
