// XmlParser token loops and ParseXmlTree in every mode over arbitrary text: XmlError is
// expected, crashes, hangs and reads past the text are not.
#include <Core/Core.h>

#include <cstdlib>
#include <string>

using namespace Qel;

static void sWalk(const XmlNode& n)
{
	Vector<const XmlNode*> work;
	work.Add(&n);
	while(!work.IsEmpty()) {
		const XmlNode* q = work.Pop();
		q->GatherText();
		for(int i = 0; i < q->GetAttrCount(); i++)
			if(q->GetAttrs()->Find(q->AttrId(i)) > i) // duplicates are kept; look-up finds the first
				abort();
		for(int i = 0; i < q->GetCount(); i++)
			work.Add(&(*q)[i]);
	}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	if(size == 0)
		return 0;
	std::string s((const char*)data + 1, size - 1);
	byte mode = data[0];
	XmlParser p(s.c_str());
	p.SetLenient(mode & 1);
	p.SetFlat(mode & 2);
	p.SetRetainAllBlanks(mode & 4);
	if(mode & 8) {
		try {
			XmlNode n = ParseXmlTree(p, (mode >> 4) & 7);
			sWalk(n);
			XmlNode c = n;
			if(!(c == n))
				abort();
		}
		catch(const XmlError&) {
		}
		return 0;
	}
	int op = mode >> 4;
	for(size_t guard = 0; guard < 4 * size + 16; guard++) {
		try {
			if(p.IsEof())
				break;
			switch(op++ % 9) {
			case 0: p.ReadToken(); break;
			case 1: p.SkipElement(); break;
			case 2: if(p.AtStartTag()) p.EnterTag(); else p.ReadText(); break;
			case 3: p.LeaveTag(); break;
			case 4: p.EnterTagIf("a"); p.Attr("b"); break;
			case 5: p.TakeComment(); break;
			case 6: p.TakeDeclaration(); break;
			case 7: p.TakeProcessingInfo(); break;
			case 8: p.RequireLeave(); break;
			}
		}
		catch(const XmlError&) {
			// callers abandon a parser after an error; so does this loop
			break;
		}
	}
	return 0;
}
