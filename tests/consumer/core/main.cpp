// A program of another project that links Core alone: an allocation, formatted text, data through
// zlib and a thread. It names what failed and ends with 1.
#include <Core/Core.h>

#include <cstdio>

using namespace Qel;

int main(int argc, char** argv, char** envp)
{
	AppInit(argc, (const char**)argv, (const char**)envp);
	bool failed = false;
	auto check = [&](bool ok, const char* what) {
		if(!ok) {
			fprintf(stderr, "core consumer: %s failed\n", what);
			failed = true;
		}
	};
	void* p = MemoryAlloc(100);
	MemoryFree(p);
	String text = Format("%d-%s", 1, "a");
	check(text == "1-a", "Format");
	String packed = ZCompress(String('x', 1000));
	check(packed.GetCount() < 100 && ZDecompress(packed) == String('x', 1000), "zlib");
	int ran = 0;
	Thread t;
	check(t.Run([&] { ran = 1; }), "Thread::Run");
	t.Wait();
	check(ran == 1, "thread");
	AppExit();
	return failed ? 1 : 0;
}
