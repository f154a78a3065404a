// Fuzzed Drawings into the PDF export: stored Drawing values, and bare command streams with a
// value list of images, texts and escapes to take. The result is empty or a whole document
// whose cross-reference table points at its objects; nothing crashes or runs away.
#include <pdf/Pdf.h>

#include <stdlib.h>

using namespace Qel;

extern "C" const char* __lsan_default_suppressions()
{
	return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
	(void)Font::FindFaceName("serif");
	(void)Font(2, 12).GetCy();
	return 0;
}

namespace {

void Check(bool b)
{
	if(!b)
		abort();
}

// Every entry of the table is where its object begins.
void CheckDocument(const String& pdf)
{
	Check(pdf.StartsWith("%PDF-1.") && pdf.EndsWith("%%EOF\n"));
	int sx = pdf.ReverseFind("startxref\n");
	Check(sx > 0);
	int xref = atoi(~pdf + sx + 10);
	Check(xref > 0 && xref < sx && pdf.Mid(xref, 5) == "xref\n");
	int n = atoi(~pdf + xref + 7);
	const char* e = strchr(~pdf + xref + 5, '\n') + 1 + 20; // after the free entry
	for(int i = 1; i < n; i++, e += 20) {
		int at = atoi(e);
		String head = Format("%d 0 obj\n", i);
		Check(at > 0 && pdf.Mid(at, head.GetLength()) == head);
	}
}

Image Picture()
{
	ImageBuffer b(3, 2);
	int i = 0;
	for(RGBA& p : b) {
		byte v = byte(40 * i++);
		p.r = p.g = p.b = p.a = v;
	}
	return b;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	if(size < 3)
		return 0;
	Drawing w;
	String in((const char*)data + 1, int(size - 1));
	if(data[0] & 1) { // a stored Drawing value
		StringStream s(in);
		s.SetLoading();
		Value v;
		v.Serialize(s);
		if(s.IsError() || v.GetType() != DRAWING_V)
			return 0;
		w = Drawing(v);
	}
	else { // a command stream at a small size, objects to take
		w.size = Size(byte(in[0]) * 20 + 1, byte(in[1]) * 20 + 1);
		w.data = in.Mid(2);
		w.val.Add(Picture());
		w.val.Add("data:\xFF\xD8\xFF\xC0\x00\x11\x08\x00\x08\x00\x08\x03\x01\x11\x00\x02\x11\x00\x03\x11\x00\xFF\xD9");
		w.val.Add("url:https://example.com/");
		w.val.Add("url:");
		w.val.Add(Drawing());
	}
	Array<Drawing> pages;
	pages.Add(w);
	if(data[0] & 2)
		pages.Add(w);
	String pdf;
	try {
		pdf = DrawingToPdf(pages);
	}
	catch(ValueTypeError&) {
		return 0;
	}
	if(pdf.GetCount())
		CheckDocument(pdf);
	return 0;
}
