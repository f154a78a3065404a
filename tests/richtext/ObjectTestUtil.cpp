#include "ObjectTestUtil.h"

namespace QelTest {

namespace {

void sPut32(String& s, dword v)
{
	for(int sh = 24; sh >= 0; sh -= 8)
		s.Cat(char(v >> sh));
}

void sChunk(String& out, const char* type, const String& data)
{
	String body = String(type) + data;
	sPut32(out, data.GetLength());
	out.Cat(body);
	sPut32(out, CRC32(body));
}

} // namespace

String PngFile(int cx, int cy, int depth, int ctype, const String& raw, int pixels_per_metre)
{
	String out = "\x89PNG\r\n\x1a\n";
	String ihdr;
	sPut32(ihdr, cx);
	sPut32(ihdr, cy);
	ihdr.Cat(char(depth));
	ihdr.Cat(char(ctype));
	ihdr.Cat(String('\0', 3)); // deflate, adaptive filters, not interlaced
	sChunk(out, "IHDR", ihdr);
	if(pixels_per_metre) {
		String phys;
		sPut32(phys, pixels_per_metre);
		sPut32(phys, pixels_per_metre);
		phys.Cat('\1');
		sChunk(out, "pHYs", phys);
	}
	sChunk(out, "IDAT", ZCompress(raw));
	sChunk(out, "IEND", String());
	return out;
}

String RgbaPng(Size sz, std::function<RGBA (int, int)> pixel, int pixels_per_metre)
{
	String raw;
	for(int y = 0; y < sz.cy; y++) {
		raw.Cat('\0');
		for(int x = 0; x < sz.cx; x++) {
			RGBA p = pixel(x, y);
			raw.Cat(char(p.r));
			raw.Cat(char(p.g));
			raw.Cat(char(p.b));
			raw.Cat(char(p.a));
		}
	}
	return PngFile(sz.cx, sz.cy, 8, 6, raw, pixels_per_metre);
}

String StripesPng(Size sz)
{
	String row = String('\0', 1) + String('\x0f', (sz.cx + 7) / 8);
	String raw;
	for(int y = 0; y < sz.cy; y++)
		raw.Cat(row);
	return PngFile(sz.cx, sz.cy, 1, 0, raw);
}

RichObject ReadObject(const char* type, const String& data, Size sz)
{
	RichObject o;
	o.Read(type, data, sz);
	return o;
}

} // namespace QelTest
