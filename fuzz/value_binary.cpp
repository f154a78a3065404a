// Values loaded from fuzzed binary forms, in quiet and in throwing mode. A load may fail, but
// never crash, hang or recurse without bound; what loads stores back to bytes that load to an
// equal value.
#include <Core/Core.h>
#include <Core/value/Complex.h>

#include <stdlib.h>

using namespace Qel;

namespace {

void Check(bool b)
{
	if(!b)
		abort();
}

String Stored(Value& v)
{
	StringStream ss;
	v.Serialize(ss);
	return ss.GetResult();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	String in((const char*)data, (int)size);
	Value v;
	{
		StringStream ss(in);
		ss.SetLoading();
		v.Serialize(ss);
		if(ss.IsError())
			return 0;
	}
	{
		StringStream ss(in);
		ss.SetLoading();
		ss.LoadThrowing();
		Value w;
		try {
			w.Serialize(ss);
		}
		catch(LoadingError&) {
			abort(); // the quiet load succeeded on the same bytes
		}
	}
	v.ToText();
	v.GetHashValue();
	String again = Stored(v);
	Value w;
	StringStream ss(again);
	ss.SetLoading();
	w.Serialize(ss);
	Check(!ss.IsError());
	Check(Stored(w) == again);
	Value keep = 1;
	LoadFromString(keep, StoreAsString(v));
	return 0;
}
