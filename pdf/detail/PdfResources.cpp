// Images, JPEG files and tile patterns of a document, each written once.
#include "PdfDocument.h"

namespace Qel::detail {

namespace {

String sKey(std::initializer_list<int64> v)
{
	StringBuffer b;
	for(int64 x : v) {
		PdfInt(b, x);
		b.Cat(' ');
	}
	return String(b);
}

} // namespace

int PdfDocument::ImageFor(const Image& img, const Rect& s, Color c)
{
	String key = sKey({ int64(img.GetSerialId()), s.left, s.top, s.right, s.bottom, c.IsNull() ? -1 : int64(c.Get()) });
	if(const int* q = images.FindPtr(key))
		return *q;
	int cx = s.right - s.left, cy = s.bottom - s.top;
	if(cx <= 0 || cy <= 0 || !img.HasPixels() || !obj.Room(4 * int64(cx) * cy))
		return -1;
	// The document keeps colour and coverage apart: the pixels are unpremultiplied.
	StringBuffer rgb(3 * cx * cy), alpha(cx * cy);
	byte* t = (byte*)rgb.Begin();
	byte* m = (byte*)alpha.Begin();
	bool opaque = true;
	int cr = c.GetR(), cg = c.GetG(), cb = c.GetB();
	for(int y = s.top; y < s.bottom; y++) {
		const RGBA* p = img[y] + s.left;
		for(int x = 0; x < cx; x++, p++, t += 3) {
			int a = p->a;
			*m++ = byte(a);
			if(a != 255)
				opaque = false;
			if(!c.IsNull()) {
				t[0] = byte(cr); t[1] = byte(cg); t[2] = byte(cb);
			}
			else if(a == 255 || a == 0) {
				t[0] = a ? p->r : 0; t[1] = a ? p->g : 0; t[2] = a ? p->b : 0;
			}
			else {
				t[0] = byte(min(255, (p->r * 255 + a / 2) / a));
				t[1] = byte(min(255, (p->g * 255 + a / 2) / a));
				t[2] = byte(min(255, (p->b * 255 + a / 2) / a));
			}
		}
	}
	PdfText d;
	d << "/Type /XObject /Subtype /Image /Width " << cx << " /Height " << cy
	  << " /ColorSpace /DeviceRGB /BitsPerComponent 8";
	if(!opaque) {
		String mkey = sKey({ int64(img.GetSerialId()), s.left, s.top, s.right, s.bottom });
		int mask;
		if(const int* q = masks.FindPtr(mkey))
			mask = *q;
		else {
			mask = obj.New();
			PdfText md;
			md << "/Type /XObject /Subtype /Image /Width " << cx << " /Height " << cy
			   << " /ColorSpace /DeviceGray /BitsPerComponent 8";
			obj.Stream(mask, md.Get(), String(alpha));
			masks.Add(mkey, mask);
		}
		d << " /SMask ";
		d.Ref(mask);
	}
	int id = obj.New();
	obj.Stream(id, d.Get(), String(rgb));
	xobjects.Add(id);
	images.Add(key, xobjects.GetCount() - 1);
	return xobjects.GetCount() - 1;
}

bool ReadJpegHeader(const String& data, int& cx, int& cy, int& components)
{
	const byte* p = (const byte*)data.Begin();
	int64 len = data.GetLength();
	// a reader takes the file whole or not at all: it must end where a decoder stops
	if(len < 4 || p[0] != 0xFF || p[1] != 0xD8 || p[len - 2] != 0xFF || p[len - 1] != 0xD9)
		return false;
	bool frame = false;
	for(int64 at = 2; at + 4 <= len;) {
		if(p[at] != 0xFF)
			return false;
		int marker = p[at + 1];
		if(marker == 0xFF) { // fill byte
			at++;
			continue;
		}
		if(marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
			at += 2;
			continue;
		}
		if(marker == 0xD9) // end of image before any scan
			return false;
		int seg = p[at + 2] << 8 | p[at + 3];
		if(seg < 2 || at + 2 + seg > len)
			return false;
		if(marker == 0xDA) // the first scan: its data runs on to the end marker, after its header
			return frame && at + 2 + seg <= len - 2;
		if(marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
			// readers decode the Huffman-coded baseline, extended and progressive frames; the
			// lossless, hierarchical and arithmetic-coded ones not all of them
			if(frame || seg < 8 || marker > 0xC2)
				return false;
			const byte* f = p + at + 4;
			cy = f[1] << 8 | f[2];
			cx = f[3] << 8 | f[4];
			components = f[5];
			// a size the document could not hold as an image is one no reader should decode
			if(f[0] != 8 || !IsImageSizeValid(cx, cy) || (components != 1 && components != 3))
				return false;
			frame = true;
		}
		at += 2 + seg;
	}
	return false;
}

int PdfDocument::JpegFor(const String& data)
{
	if(const int* q = jpegs.FindPtr(data))
		return *q;
	int cx, cy, n;
	if(!ReadJpegHeader(data, cx, cy, n))
		return -1;
	PdfText d;
	d << "/Type /XObject /Subtype /Image /Width " << cx << " /Height " << cy << " /ColorSpace "
	  << (n == 1 ? "/DeviceGray" : "/DeviceRGB") << " /BitsPerComponent 8";
	int id = obj.New();
	obj.Stream(id, d.Get(), data, false, "DCTDecode");
	xobjects.Add(id);
	jpegs.Add(data, xobjects.GetCount() - 1);
	return xobjects.GetCount() - 1;
}

int PdfDocument::PatternFor(uint64 bits, Color c, Point origin, int h)
{
	String key = sKey({ int64(bits), int64(c.Get()), origin.x, origin.y, h });
	int i = patterns.Find(key);
	if(i >= 0)
		return i;
	PdfText t;
	PdfChannel(t.b, c.GetR());
	t << ' ';
	PdfChannel(t.b, c.GetG());
	t << ' ';
	PdfChannel(t.b, c.GetB());
	t << " rg\n";
	bool any = false;
	for(int y = 0; y < 8; y++)
		for(int x = 0; x < 8;) { // runs of clear bits, a row at a time
			if(bits >> (8 * y + x) & 1) {
				x++;
				continue;
			}
			int x0 = x;
			while(x < 8 && !(bits >> (8 * y + x) & 1))
				x++;
			t << x0 << ' ' << y << ' ' << x - x0 << " 1 re\n";
			any = true;
		}
	if(any)
		t << "f\n";
	// Pattern space is the page's default space: points, y up.
	PdfText d;
	d << "/Type /Pattern /PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 8 8] /XStep 8 /YStep 8 "
	     "/Resources << >> /Matrix [";
	d.Num(POINTS_PER_DOT, 4) << " 0 0 ";
	d.Num(-POINTS_PER_DOT, 4) << ' ';
	d.Num(POINTS_PER_DOT * origin.x, 4) << ' ';
	d.Num(POINTS_PER_DOT * (int64(h) - origin.y), 4) << ']';
	int id = obj.New();
	obj.Stream(id, d.Get(), t.Get());
	patterns.Add(key, id);
	return patterns.GetCount() - 1;
}

} // namespace Qel::detail
