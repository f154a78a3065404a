// Image values loaded from fuzzed input: the first byte picks the form (binary Value form of
// type 150, the XML "data" attribute, the JSON "data" member), the rest is the payload. A load
// may fail (an error state or the form's exception) but never crash or overflow; what loads
// stores and loads back to an equal value.
#include <draw/Draw.h>

#include <Core/exchange/Jsonize.h>
#include <Core/xml/XmlParser.h>
#include <Core/exchange/Xmlize.h>

#include <stdlib.h>

using namespace Qel;

namespace {

void Check(bool b)
{
	if(!b)
		abort();
}

bool LoadBinary(Value& v, const String& bytes)
{
	StringStream ss(bytes);
	ss.SetLoading();
	v.Serialize(ss);
	return !ss.IsError();
}

void RoundTrip(const Value& v)
{
	Check(v.GetType() == IMAGE_V || v.IsNull());
	StringStream ss;
	Value(v).Serialize(ss);
	Value back;
	Check(LoadBinary(back, ss.GetResult()));
	Check(back == v);
	Value json;
	ValueFromJson(json, ValueToJson(v));
	Check(json == v || (v.IsNull() && json.IsNull()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	if(size < 1)
		return 0;
	String payload((const char*)data + 1, (int)size - 1);
	Value v;
	switch(data[0] % 3) {
	case 0: {
		String bytes;
		bytes.Cat(char(IMAGE_V + 1));
		bytes.Cat(payload);
		if(!LoadBinary(v, bytes))
			return 0;
		break;
	}
	case 1: {
		XmlNode n;
		n.SetAttr("type", "Image");
		n.SetAttr("data", payload);
		XmlIO in(n, true);
		try {
			v.Xmlize(in);
		}
		catch(XmlError&) {
			return 0;
		}
		break;
	}
	case 2: {
		ValueMap d;
		d.Add("data", payload);
		ValueMap m;
		m.Add("type", "Image");
		m.Add("value", d);
		try {
			ValueFromJson(v, m);
		}
		catch(JsonizeError&) {
			return 0;
		}
		break;
	}
	}
	RoundTrip(v);
	return 0;
}
