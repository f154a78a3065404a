// For fuzz targets that need real windows: an Xvfb of the target's own, ended with it.
#pragma once

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace fuzz {

// Starts Xvfb, waits for its display number and points GDK at it; false when it cannot start.
inline bool StartDisplay()
{
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
		execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "800x600x24", "-nolisten", "tcp", "-noreset",
		       (char*)nullptr);
		_exit(127);
	}
	close(fds[1]);
	char number[32] = ":";
	int n = 1;
	char c;
	pollfd p{fds[0], POLLIN, 0};
	while(n < 30 && poll(&p, 1, 60000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n')
		number[n++] = c;
	close(fds[0]);
	if(n == 1)
		return false;
	number[n] = 0;
	setenv("DISPLAY", number, 1);
	setenv("GDK_BACKEND", "x11", 1);
	setenv("NO_AT_BRIDGE", "1", 1);
	setenv("GSETTINGS_BACKEND", "memory", 1);
	unsetenv("WAYLAND_DISPLAY");
	return true;
}

} // namespace fuzz
