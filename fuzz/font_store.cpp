// Loading a Font from fuzzed stored forms: binary (the Font's and the Value's), XML, JSON trees,
// and the flag words. Nothing but the documented errors may come out.
#include <draw/Draw.h>

using namespace Qel;

// fontconfig loses a block while it reads some system configurations (not with the tests'
// private one); that is not ours to find.
extern "C" const char* __lsan_default_suppressions()
{
	return "leak:libfontconfig.so\n";
}

// fontconfig keeps its configuration where the leak checker cannot see it: load it up front.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
	(void)Font::FindFaceName("serif");
	(void)Font(2, 12).GetCy();
	return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	if(size < 1)
		return 0;
	String in((const char*)data + 1, int(size - 1));
	switch(data[0] & 3) {
	case 0: {
		StringStream s(in);
		Font f;
		f.Serialize(s);
		StringStream v(in);
		Value x;
		x.Serialize(v);
		if(x.GetType() == FONT_V)
			(void)Font(x).ToString();
		break;
	}
	case 1:
		try {
			XmlNode n = ParseXmlTree(~in);
			if(n.GetCount()) {
				XmlIO io(n.At(0), true);
				Font f(1, 1);
				f.Xmlize(io);
				(void)f.ToString();
			}
		}
		catch(XmlError&) {}
		break;
	case 2: {
		StringStream s(in);
		Value tree;
		tree.Serialize(s);
		try {
			JsonIO io(tree);
			Font f(2, 2);
			f.Jsonize(io);
			(void)f.ToString();
		}
		catch(JsonizeError&) {}
		break;
	}
	default:
		(void)Font::FlagsFromText(in);
	}
	return 0;
}
