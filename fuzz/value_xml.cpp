// Values loaded from fuzzed XML: the parser's tree, then Value's XML form. Errors are exceptions
// of the XML layer only; what loads stores and loads back to an equal value.
#include <Core/Core.h>
#include <Core/xml/XmlParser.h>
#include <Core/exchange/Xmlize.h>

#include <stdlib.h>

using namespace Qel;

namespace {

XmlNode Trip(Value v)
{
	XmlNode n;
	XmlIO io(n, false);
	v.Xmlize(io);
	return n;
}

Value Loaded(XmlNode& n)
{
	Value v;
	XmlIO io(n, true);
	v.Xmlize(io);
	return v;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	String in((const char*)data, (int)size);
	XmlNode doc;
	try {
		doc = ParseXmlTree(~in);
	}
	catch(XmlError&) {
		return 0;
	}
	for(int i = 0; i < doc.GetCount(); i++) {
		if(!doc.Node(i).IsTag())
			continue;
		Value v;
		try {
			XmlIO io(doc.At(i), true);
			v.Xmlize(io);
		}
		catch(XmlError&) {
			continue;
		}
		catch(ValueTypeError&) {
			continue;
		}
		// Text that reads as Null (a coordinate, a date the binary form let through) or an
		// out-of-range colour is normalised by the first trips; from then on the form is stable.
		XmlNode out = Trip(v);
		XmlNode again = Trip(Loaded(out));
		XmlNode third = Trip(Loaded(again));
		if(!(third == again))
			abort();
	}
	return 0;
}
