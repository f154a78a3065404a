// A figure of this process's /proc/self/status in kB ("VmRSS:", "VmHWM:"...), 0 when absent.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>

inline long ProcStatusKB(const char* key)
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
