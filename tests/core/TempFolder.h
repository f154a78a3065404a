// A fresh folder under /tmp for one test, removed with its content afterwards.
#pragma once

#include <Core/Core.h>

#include <cstdlib>

namespace QelTest {

struct TempFolder {
	Qel::String path;

	TempFolder()
	{
		char t[] = "/tmp/qel-test-XXXXXX";
		path = mkdtemp(t);
	}
	~TempFolder()                                  { Qel::DeleteFolderDeep(~path); }
	Qel::String operator()(const char* name) const { return Qel::AppendFileName(path, name); }
};

// Writes a file whole; the folders on the way are made.
inline void Put(const Qel::String& path, const Qel::String& data)
{
	Qel::RealizeDirectory(Qel::GetFileFolder(path));
	Qel::SaveFile(~path, data);
}

} // namespace QelTest
