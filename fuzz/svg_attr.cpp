// The SVG reader's value parsers on arbitrary text: the first byte chooses the parser.
#include <painter/Painter.h>
#include <painter/svg/detail/SvgParser.h>

#include <Core/text/String.h>
#include <Core/xml/XmlParser.h>

using namespace Qel;
using detail::SvgParser;

// fontconfig loses a block while it reads some system configurations; not ours to find.
extern "C" const char* __lsan_default_suppressions()
{
	return "leak:libfontconfig.so\n";
}

// Text is measured in the system's fonts: load their configuration up front.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
	(void)Font::FindFaceName("serif");
	(void)Font(1, 24).GetCy();
	return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	if(size < 1)
		return 0;
	String text((const char*)data + 1, (int)size - 1);
	switch(data[0] % 8) {
	case 0: {
		NilPainter nil;
		SvgParser sp(nil);
		sp.Style(~text);
		break;
	}
	case 1:
		GetSvgColor(text);
		GetSvgNamedColor(text);
		break;
	case 2:
		SvgParser::Transform(~text).Transform(Pointf(1, 1));
		break;
	case 3:
		SvgParser::ParsePoints(~text);
		break;
	case 4: {
		XmlNode n;
		n.SetType(XT_START);
		n.SetAttr("viewBox", text);
		SvgParser::GetViewBox(n);
		break;
	}
	case 5: {
		VectorMap<String, String> cls;
		SvgParser::ParseClasses(~text, cls);
		break;
	}
	case 6: {
		XmlNode n;
		n.SetType(XT_START);
		n.SetAttr("style", text);
		n.SetAttr("offset", text);
		n.SetAttr("stop-opacity", text);
		SvgParser::ParseStop(n);
		break;
	}
	case 7:
		GetSvgPathBoundingBox(~text);
		break;
	}
	return 0;
}
