// Split and Join: joining the parts of a split without dropping empty ones gives the text back.
#include <Core/Core.h>

#include <cstdio>
#include <cstdlib>

using namespace Qel;

#define Check(x) do { if(!(x)) { fprintf(stderr, "failed: %s (line %d)\n", #x, __LINE__); abort(); } } while(0)

static int sSep;

static int IsSep(int c) { return c == sSep || c == 0x80; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	if(size < 2 || size > 1 << 16)
		return 0;
	sSep = data[0] ? data[0] : ',';
	int maxcount = data[1] & 0x0F;
	String text((const char*)data + 2, (int)size - 2);
	text = Filter(text, [](int c) { return c; }); // up to the first zero, as Split sees it
	char sep[2] = {(char)sSep, 0};

	Vector<String> all = Split(text, sSep, false);
	Check(Join(all, sep) == text);
	Vector<String> some = Split(text, sSep, true);
	for(const String& s : some)
		Check(!s.IsEmpty() && s.Find(sSep) < 0);
	Check(Join(some, sep, true) == Join(all, sep, true));
	if(maxcount) {
		Vector<String> cut = Split(maxcount, sSep, text, data[1] & 0x10);
		Check(cut.GetCount() <= maxcount);
	}
	Split(100, IsSep, text, data[1] & 0x20);
	return 0;
}
