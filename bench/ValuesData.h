// Data shared by bench_values and bench_values_peer: the same mixed scalars and map keys on both
// sides, and the peak memory of building something, measured in a child process.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

namespace bench {

constexpr int SCALARS = 1000000;
constexpr int MAP_ENTRIES = 100000;

// Element i of the mixed array: int, double, short text, bool and 64-bit int in turn.
template <class Sink>
void MixedScalar(int i, Sink&& sink)
{
	switch(i % 5) {
	case 0: sink.Int(i * 7); break;
	case 1: sink.Double(i * 0.25 + 0.1); break;
	case 2: { char b[16]; snprintf(b, sizeof(b), "s%d", i); sink.Text(b); break; }
	case 3: sink.Bool(i & 8); break;
	default: sink.Int64(int64_t(i) << 33); break;
	}
}

inline std::string MapKey(int i)
{
	char b[24];
	snprintf(b, sizeof(b), "key%07d", (int)((i * 2654435761u) % 10000000u));
	return b;
}

// The entry looked up i-th: every entry once, in a scattered order.
inline int LookupOrder(int i)
{
	return int((int64_t(i) * 7919) % MAP_ENTRIES);
}

inline long StatusKb(const char* key)
{
	FILE* f = fopen("/proc/self/status", "r");
	char line[256];
	long kb = 0;
	size_t n = strlen(key);
	while(f && fgets(line, sizeof(line), f))
		if(strncmp(line, key, n) == 0)
			kb = atol(line + n);
	if(f)
		fclose(f);
	return kb;
}

// Runs build in a child process: the resident memory it raised the peak by, in KB. The child
// resets its peak first (clear_refs 5), so the parent's history does not count.
template <class F>
long PeakKbOf(F build)
{
	int fd[2];
	if(pipe(fd))
		abort();
	pid_t pid = fork();
	if(pid == 0) {
		if(FILE* f = fopen("/proc/self/clear_refs", "w")) {
			fputs("5", f);
			fclose(f);
		}
		long base = StatusKb("VmRSS:");
		build();
		long peak = StatusKb("VmHWM:") - base;
		if(write(fd[1], &peak, sizeof(peak)) != sizeof(peak))
			_exit(1);
		_exit(0);
	}
	close(fd[1]);
	long peak = -1;
	if(read(fd[0], &peak, sizeof(peak)) != sizeof(peak))
		peak = -1;
	close(fd[0]);
	waitpid(pid, nullptr, 0);
	return peak;
}

} // namespace bench
