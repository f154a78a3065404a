// What several of the Core's tests need: a temporary folder that goes away with its contents,
// and whole files written and read.
#pragma once

#include <Core/Core.h>

#include <cstdio>
#include <ftw.h>
#include <stdlib.h>
#include <string>

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

} // namespace QelTest
