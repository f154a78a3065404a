// Fuzzed format texts over a fixed set of arguments of every standard type.
#include <Core/Core.h>

#include <string>

using namespace Qel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	std::string fmt((const char*)data, size);
	static Vector<Value> args;
	if(args.GetCount() == 0) {
		args.Add(42);
		args.Add(-3.25);
		args.Add(String("text"));
		args.Add(Value());
		args.Add(int64(1) << 40);
		args.Add(true);
		args.Add(INT_MIN);
		args.Add(INT_MAX);
		args.Add(WString(String("w\xc3\xa9")));
		args.Add(ErrorValue("err"));
		args.Add(String("\xc3\xa9\xc3\xa9 longer than fourteen characters"));
	}
	try {
		String s = Format(fmt.c_str(), args);
		(void)s;
	}
	catch(const Exc&) { // the text formatter's width may be a malformed number
	}
	return 0;
}
