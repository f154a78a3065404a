// Hostile inputs run in a child process (the test program started again, so no lock of this
// process is inherited) under a memory and a time limit: code that takes unbounded memory or
// time fails the test instead of eating the machine.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define QEL_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QEL_TEST_ASAN 1
#endif
#endif

namespace QelTest {

// Address space to mb megabytes beyond what the process maps now (not under AddressSanitizer,
// whose shadow memory needs far more), and an alarm after seconds (ten times that when
// sanitized).
inline void LimitChild(long mb, unsigned seconds)
{
#ifdef QEL_TEST_ASAN
	(void)mb;
	alarm(seconds * 10);
#else
	long pages = 0;
	if(FILE* f = fopen("/proc/self/statm", "r")) {
		if(fscanf(f, "%ld", &pages) != 1)
			pages = 0;
		fclose(f);
	}
	rlimit r;
	r.rlim_cur = r.rlim_max = (rlim_t)pages * getpagesize() + ((rlim_t)mb << 20);
	setrlimit(RLIMIT_AS, &r);
	alarm(seconds);
#endif
}

} // namespace QelTest

// The expression must complete in a child within mb megabytes more and seconds.
#define QEL_EXPECT_BOUNDED(mb, seconds, ...)                                                  \
	do {                                                                                      \
		GTEST_FLAG_SET(death_test_style, "threadsafe");                                       \
		EXPECT_EXIT({ QelTest::LimitChild(mb, seconds); (__VA_ARGS__); fflush(nullptr); _exit(0); }, \
		            testing::ExitedWithCode(0), "");                                          \
	} while(0)
