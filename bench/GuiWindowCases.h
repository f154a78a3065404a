// Shared shapes of the window benchmarks (bench/gui_window.cpp and its peer): an X server of the
// program's own, the painted content, and the mixed event records.
#pragma once

#include "GuiCases.h"
#include "ProcStatus.h"

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace bench {

// Each program draws on an Xvfb of its own, ended with the program.
inline bool StartOwnDisplay()
{
	static bool ok = [] {
		int fds[2];
		if(pipe(fds))
			return false;
		pid_t pid = fork();
		if(pid == 0) {
			prctl(PR_SET_PDEATHSIG, SIGTERM);
			int null = open("/dev/null", O_RDWR);
			dup2(null, 0);
			dup2(null, 1);
			dup2(null, 2);
			dup2(fds[1], 3);
			execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset",
			       (char*)nullptr);
			_exit(127);
		}
		close(fds[1]);
		std::string number;
		char c;
		pollfd p{fds[0], POLLIN, 0};
		while(poll(&p, 1, 30000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n')
			number += c;
		close(fds[0]);
		if(number.empty())
			return false;
		static pid_t server = pid;
		atexit([] {
			kill(server, SIGTERM);
			waitpid(server, nullptr, 0);
		});
		setenv("DISPLAY", (":" + number).c_str(), 1);
		setenv("GDK_BACKEND", "x11", 1);
		setenv("NO_AT_BRIDGE", "1", 1);
		setenv("GSETTINGS_BACKEND", "memory", 1);
		unsetenv("WAYLAND_DISPLAY");
		return true;
	}();
	return ok;
}

constexpr int WINDOW_CX = 800;
constexpr int WINDOW_CY = 600;
constexpr int LINES     = 40;
constexpr int RECTS     = 200;
constexpr int LINE_PX   = 13;
constexpr int REFRESHES = 200;   // timed one by one for the percentiles
// Windows opened, drawn once and closed: timed, and resident memory after the first 100 and
// after all 1000 (a window must leave nothing behind).
constexpr int CYCLES        = 200;
constexpr int MEMORY_FIRST  = 100;
constexpr int MEMORY_CYCLES = 1000;

inline std::string Line(int i)
{
	return "Line " + std::to_string(i) + ": the quick brown fox jumps over the lazy dog";
}
inline int LineX(int i) { return 10 + i % 2 * 400; }
inline int LineY(int i) { return 10 + i / 2 * 29; }

inline void RectOf(int i, int& x, int& y, int& cx, int& cy)
{
	x = i * 37 % (WINDOW_CX - 60);
	y = i * 53 % (WINDOW_CY - 40);
	cx = 10 + i % 50;
	cy = 8 + i % 30;
}
inline uint32_t RectRgb(int i) { return uint32_t(i * 2654435761u) & 0xFFFFFF; }

// How many rectangle centres show the colour of the topmost rectangle there, pixel(x, y)
// giving 0xRRGGBB from the server: both sides must count the same.
template <class Pixel>
int RectCentresRight(Pixel pixel)
{
	int right = 0;
	for(int i = 0; i < RECTS; i++) {
		int x, y, cx, cy;
		RectOf(i, x, y, cx, cy);
		int px = x + cx / 2, py = y + cy / 2;
		uint32_t want = 0;
		for(int j = 0; j < RECTS; j++) {
			RectOf(j, x, y, cx, cy);
			if(px >= x && px < x + cx && py >= y && py < y + cy)
				want = RectRgb(j);
		}
		right += pixel(px, py) == want;
	}
	return right;
}

// 0xRRGGBB of (x, y) in rows of bytes r, g, b[, a] as a pixbuf holds them.
inline uint32_t RowPixel(const unsigned char* data, int stride, int channels, int x, int y)
{
	const unsigned char* p = data + y * stride + x * channels;
	return uint32_t(p[0]) << 16 | p[1] << 8 | p[2];
}

// The idle case: how long one window sits open.
inline int IdleSeconds()
{
	const char* s = getenv("QEL_BENCH_IDLE_SECONDS");
	return s ? atoi(s) : 10;
}

inline double CpuSeconds()
{
	rusage u;
	getrusage(RUSAGE_SELF, &u);
	return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The record mix of the queue case: motion runs, key repeats, configure and wheel bursts and
// lone presses, pushed in bursts of 1 to 64 records before the queue is drained.
constexpr int RECORDS = 1000000;

struct RecordSpec {
	int type;   // GDK event type numbers
	int window;
	int state;
	int arg;    // key code, configure size, wheel direction, button
};

inline std::vector<RecordSpec> RecordMix(std::vector<int>& bursts)
{
	std::vector<RecordSpec> out;
	uint32_t s = 2026;
	auto next = [&](int n) { s = s * 1103515245 + 12345; return int((s >> 16) % uint32_t(n)); };
	while((int)out.size() < RECORDS) {
		int kind = next(100), run = 1 + next(12);
		for(int k = 0; k < run && (int)out.size() < RECORDS; k++) {
			if(kind < 40)
				out.push_back({3, 1, 0, 0});
			else if(kind < 60)
				out.push_back({8, 1, k == run - 1 ? 1 : 0, 38});
			else if(kind < 75)
				out.push_back({13, 1 + next(2), 0, 100 + k});
			else if(kind < 90)
				out.push_back({31, 1, 0, next(4)});
			else
				out.push_back({4, 1, 0, 1 + next(3)});
		}
	}
	for(int n = 0; n < RECORDS; n += bursts.emplace_back(1 + next(64)))
		;
	return out;
}

} // namespace bench
