// What several of the Core's tests need: a temporary folder that goes away with its contents,
// and whole files written and read.
#pragma once

#include <Core/Core.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <cstdio>
#include <dirent.h>
#include <ftw.h>
#include <stdlib.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace QelTest {

// A fresh folder under /tmp, removed with everything in it when the object goes.
class TempDir {
	static int sRemove(const char* p, const struct stat*, int, FTW*) { return remove(p); }

public:
	std::string path;

	TempDir()
	{
		char t[] = "/tmp/qel-test-XXXXXX";
		if(mkdtemp(t))
			path = t;
	}
	~TempDir()
	{
		if(!path.empty())
			nftw(path.c_str(), sRemove, 16, FTW_DEPTH | FTW_PHYS);
	}
	TempDir(const TempDir&) = delete;
	TempDir& operator=(const TempDir&) = delete;

	std::string operator()(const char* name) const { return path + "/" + name; }
	Qel::String Path(const char* name) const       { return (*this)(name).c_str(); }
};

inline void WriteFile(const char* path, const Qel::String& data)
{
	Qel::FileOut out(path);
	out.Put(data);
	out.Close();
}
inline void WriteFile(const std::string& path, const Qel::String& data) { WriteFile(path.c_str(), data); }
inline void WriteFile(const Qel::String& path, const Qel::String& data) { WriteFile(~path, data); }

// The whole file; the void String when it does not open.
inline Qel::String ReadFile(const char* path)
{
	Qel::FileIn in(path);
	return in.IsOpen() ? Qel::ReadRestOfStream(in) : Qel::String::GetVoid();
}
inline Qel::String ReadFile(const std::string& path) { return ReadFile(path.c_str()); }
inline Qel::String ReadFile(const Qel::String& path) { return ReadFile(~path); }

// Runs fn in a child process whose files cannot grow past limit bytes: writes beyond fail as on
// a full disk. Gives the child's exit code (0 when fn returned true, 1 when false), or 128 plus
// the signal that ended it.
template <class F>
int InChildWithFileLimit(rlim_t limit, F fn)
{
	fflush(nullptr);
	pid_t pid = fork();
	if(pid == 0) {
		signal(SIGXFSZ, SIG_IGN);
		rlimit r = { limit, limit };
		setrlimit(RLIMIT_FSIZE, &r);
		_exit(fn() ? 0 : 1);
	}
	int status = 0;
	if(pid < 0 || waitpid(pid, &status, 0) != pid)
		return -1;
	return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// The names in a folder, "." and ".." left out, sorted.
inline std::vector<std::string> FolderNames(const std::string& path)
{
	std::vector<std::string> r;
	if(DIR* d = opendir(path.c_str())) {
		while(dirent* e = readdir(d))
			if(strcmp(e->d_name, ".") && strcmp(e->d_name, ".."))
				r.push_back(e->d_name);
		closedir(d);
	}
	std::sort(r.begin(), r.end());
	return r;
}

} // namespace QelTest
