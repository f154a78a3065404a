#include "PdfOut.h"

#include <cmath>

namespace Qel::detail {

namespace {

constexpr int64 sPow10[] = { 1, 10, 100, 1000, 10000, 100000, 1000000 };

char* sDigits(char* end, uint64 v)
{
	do {
		*--end = char('0' + v % 10);
		v /= 10;
	}
	while(v);
	return end;
}

} // namespace

void PdfInt(StringBuffer& out, int64 v)
{
	char h[24];
	char* e = h + sizeof(h);
	char* s = sDigits(e, v < 0 ? uint64(0) - uint64(v) : uint64(v));
	if(v < 0)
		*--s = '-';
	out.Cat(s, int(e - s));
}

void PdfNumber(StringBuffer& out, double v, int decimals)
{
	decimals = clamp(decimals, 0, 6);
	if(!std::isfinite(v))
		v = 0;
	v = clamp(v, -1e12, 1e12);
	int64 scale = sPow10[decimals];
	int64 r = llround(v * scale);
	uint64 a = r < 0 ? uint64(-r) : uint64(r);
	uint64 ip = a / scale, fp = a % scale;
	char h[40];
	char* e = h + sizeof(h);
	char* s = e;
	if(fp) {
		int n = decimals;
		while(fp % 10 == 0) {
			fp /= 10;
			n--;
		}
		for(; n > 0; n--) {
			*--s = char('0' + fp % 10);
			fp /= 10;
		}
		*--s = '.';
	}
	else if(ip > INT_MAX)
		*--s = '0', *--s = '.'; // a real: readers may take integers only up to 2^31 - 1
	s = sDigits(s, ip);
	if(r < 0)
		*--s = '-';
	out.Cat(s, int(e - s));
}

void PdfChannel(StringBuffer& out, int c)
{
	static const struct Table {
		char text[256][8];
		byte len[256];
		Table()
		{
			for(int i = 0; i < 256; i++) {
				StringBuffer b;
				PdfNumber(b, i / 255.0, 4);
				len[i] = byte(b.GetLength());
				memcpy(text[i], b.Begin(), len[i]);
			}
		}
	} t;
	c = clamp(c, 0, 255);
	out.Cat(t.text[c], t.len[c]);
}

void PdfLiteral(StringBuffer& out, const char* s, int len)
{
	out.Cat('(');
	for(int i = 0; i < len; i++) {
		byte c = s[i];
		if(c == '(' || c == ')' || c == '\\') {
			out.Cat('\\');
			out.Cat(c);
		}
		else if(c < 32 || c > 126) {
			char o[4] = { '\\', char('0' + (c >> 6)), char('0' + ((c >> 3) & 7)), char('0' + (c & 7)) };
			out.Cat(o, 4);
		}
		else
			out.Cat(c);
	}
	out.Cat(')');
}

String PdfCompress(const String& data)
{
	return ZCompress(data);
}

PdfObjects::PdfObjects()
{
	// The second line's high bytes tell transfer programs that the file is binary.
	out.Cat("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
}

bool PdfObjects::Room(int64 n)
{
	if(!failed && out.GetLength() + n + 1024 > MAX_BYTES)
		failed = true;
	return !failed;
}

void PdfObjects::Begin(int id)
{
	if(id < 1 || id > offset.GetCount() || !Room(64))
		return;
	offset[id - 1] = out.GetLength();
	PdfInt(out, id);
	out.Cat(" 0 obj\n");
}

void PdfObjects::End()
{
	if(!failed)
		out.Cat("\nendobj\n");
}

void PdfObjects::Put(int id, const String& body)
{
	if(!Room(body.GetLength() + 64))
		return;
	Begin(id);
	out.Cat(body);
	End();
}

void PdfObjects::Stream(int id, const String& dict, const String& data, bool compress, const char* filter)
{
	String z = compress && !filter ? PdfCompress(data) : data;
	if(compress && !filter && (z.GetLength() >= data.GetLength() + 32 || (z.IsEmpty() && data.GetCount())))
		compress = false; // incompressible: stored as it is
	const String& body = compress && !filter ? z : data;
	if(!Room(body.GetLength() + dict.GetLength() + 128))
		return;
	Begin(id);
	out.Cat("<< /Length ");
	PdfInt(out, body.GetLength());
	if(filter) {
		out.Cat(" /Filter /");
		out.Cat(filter);
	}
	else if(compress)
		out.Cat(" /Filter /FlateDecode");
	if(dict.GetLength()) {
		out.Cat(' ');
		out.Cat(dict);
	}
	out.Cat(" >>\nstream\n");
	out.Cat(body);
	out.Cat("\nendstream");
	End();
}

String PdfObjects::Finish(int root, int info, const String& id, bool v16)
{
	if(!Room(20 * int64(offset.GetCount()) + 512))
		return String();
	for(int i = 0; i < offset.GetCount(); i++)
		if(offset[i] < 0)
			Put(i + 1, "null"); // a number handed out but never used
	if(failed)
		return String();
	int64 xref = out.GetLength();
	out.Cat("xref\n0 ");
	PdfInt(out, offset.GetCount() + 1);
	out.Cat("\n0000000000 65535 f \n");
	for(int64 o : offset) {
		char h[21];
		snprintf(h, sizeof(h), "%010lld 00000 n \n", (long long)o);
		out.Cat(h, 20);
	}
	out.Cat("trailer\n<< /Size ");
	PdfInt(out, offset.GetCount() + 1);
	out.Cat(" /Root ");
	PdfInt(out, root);
	out.Cat(" 0 R /Info ");
	PdfInt(out, info);
	out.Cat(" 0 R /ID [<");
	out.Cat(id);
	out.Cat("> <");
	out.Cat(id);
	out.Cat(">] >>\nstartxref\n");
	PdfInt(out, xref);
	out.Cat("\n%%EOF\n");
	if(v16)
		out.Begin()[7] = '6';
	return String(out);
}

} // namespace Qel::detail
