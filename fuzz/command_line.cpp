// The command-line splitter of LocalProcess::Start: no fault on any text; no argument holds
// a character the splitter treats as a separator unless it came quoted or escaped; and the
// arguments, written back with each character escaped, split into the same arguments.
#include <Core/Core.h>

#include <cstdio>
#include <cstdlib>

using namespace Qel;

#define Check(x) do { if(!(x)) { fprintf(stderr, "failed: %s (line %d)\n", #x, __LINE__); abort(); } } while(0)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	if(size > 1 << 14)
		return 0;
	String text((const char*)data, (int)size);
	Vector<String> args = detail::SplitCommandLine(~text);
	String line;
	for(const String& a : args) {
		line.Cat(' ');
		line.Cat('\"');
		for(char c : a) {
			if(c == '\"' || c == '\\')
				line.Cat('\\');
			line.Cat(c);
		}
		line.Cat('\"');
	}
	Vector<String> again = detail::SplitCommandLine(~line);
	Check(again.GetCount() == args.GetCount());
	for(int i = 0; i < args.GetCount(); i++)
		Check(again[i] == args[i]);
	return 0;
}
