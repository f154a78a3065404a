// Values loaded from fuzzed XML: the parser's tree, then Value's XML form. Errors are exceptions
// of the XML layer only; what loads stores and loads back to an equal value.
#include <Core/Core.h>
#include <Core/XmlParser.h>
#include <Core/Xmlize.h>

#include <stdlib.h>

using namespace Qel;

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
		XmlNode out;
		XmlIO so(out, false);
		v.Xmlize(so);
		// Text that reads as a Null coordinate or an out-of-range colour is normalised by the
		// first trip; from then on the form is stable.
		Value w;
		XmlIO lo(out, true);
		w.Xmlize(lo);
		XmlNode again;
		XmlIO so2(again, false);
		w.Xmlize(so2);
		if(!(again == out))
			abort();
	}
	return 0;
}
