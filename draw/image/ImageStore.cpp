// The two stored forms of an Image: the binary stream form and the compressed string form.
#include "Image.h"

#include <Core/container/Buffer.h>
#include <Core/stream/Stream.h>
#include <Core/stream/Zlib.h>

namespace Qel {

namespace {

// Images of this many pixels or more are read into blocks first, so that a damaged size costs
// memory only as far as the stream really holds bytes.
constexpr int64 BLOCKED_LOAD_PIXELS = 0x180000;

void sLoad(Image& img, Stream& s)
{
	img.Clear();
	int flag = 0;
	s.PackNullable(flag);
	Size sz, dots;
	Point hot, spot2;
	s % sz % hot % dots;
	if(flag == 1)
		s % spot2;
	if(s.IsError())
		return;
	if(sz.cx < 0 || sz.cy < 0) {
		s.LoadError();
		return;
	}
	if(sz.cx == 0 || sz.cy == 0)
		return;
	if(!IsImageSizeValid(sz.cx, sz.cy)) {
		s.LoadError();
		return;
	}
	int64 bytes = int64(sz.cx) * sz.cy * sizeof(RGBA);
	ImageBuffer b;
	if(int64(sz.cx) * sz.cy < BLOCKED_LOAD_PIXELS) {
		detail::CreateUninitialized(b, sz);
		if(!s.GetAll(b.Begin(), (int)bytes))
			return;
	}
	else {
		BlockList bl;
		if(!s.ReadBlocksExact(bl, bytes))
			return;
		detail::CreateUninitialized(b, sz);
		bl.CopyOut(0, bytes, b.Begin());
	}
	b.SetHotSpot(hot);
	b.Set2ndSpot(spot2);
	b.SetPhysicalSize(dots);
	img = b;
}

void sStore(const Image& img, Stream& s)
{
	Point spot2 = img.Get2ndSpot();
	int flag = spot2.x || spot2.y;
	s.PackNullable(flag);
	Size sz = img.GetSize();
	Point hot = img.GetHotSpot();
	Size dots = img.GetPhysicalSize();
	s % sz % hot % dots;
	if(flag)
		s % spot2;
	s.PutBlock(img.Begin(), img.GetLength() * (int64)sizeof(RGBA));
}

void sPut16(String& s, int x)
{
	s.Cat(char(x & 255));
	s.Cat(char((x >> 8) & 255));
}

int sGet16(const String& s, int at)
{
	const byte* p = (const byte*)s.Begin() + at;
	return p[0] | p[1] << 8;
}

constexpr int STRING_HEADER = 13;

} // namespace

void Image::Serialize(Stream& s)
{
	if(s.IsLoading())
		sLoad(*this, s);
	else
		sStore(*this, s);
}

String StoreImageAsString(const Image& img)
{
	int kind = img.GetKind();
	if(kind == IMAGE_EMPTY)
		return String();
	int bpp = kind == IMAGE_OPAQUE ? 3 : 4;
	String out;
	out.Cat(char(bpp));
	Size sz = img.GetSize();
	Point hot = img.GetHotSpot();
	Size dots = img.GetPhysicalSize();
	for(int x : { sz.cx, sz.cy, hot.x, hot.y, dots.cx, dots.cy })
		sPut16(out, x);

	Zlib z;
	z.ChunkSize(65536);
	z.WhenOut = [&out](const void* data, int n) { out.Cat((const char*)data, n); };
	z.Compress();
	// pixels go through a small staging block, so a large image needs no second copy of itself
	const int STEP = 16384;
	Buffer<byte> stage(STEP * 4);
	const RGBA* p = img.Begin();
	for(int64 left = img.GetLength(); left > 0;) {
		int n = (int)min<int64>(left, STEP);
		byte* t = stage;
		for(int i = 0; i < n; i++) {
			RGBA c = p[i];
			t[0] = c.r;
			t[1] = c.g;
			t[2] = c.b;
			if(bpp == 4)
				t[3] = c.a;
			t += bpp;
		}
		z.Put(stage, n * bpp);
		p += n;
		left -= n;
	}
	z.End();
	return out;
}

Size GetImageStringSize(const String& data)
{
	if(data.GetLength() < STRING_HEADER)
		return Size();
	return Size(sGet16(data, 1), sGet16(data, 3));
}

Size GetImageStringPhysicalSize(const String& data)
{
	if(data.GetLength() < STRING_HEADER)
		return Size();
	return Size(sGet16(data, 9), sGet16(data, 11));
}

Image LoadImageFromString(const String& data)
{
	if(data.GetLength() < STRING_HEADER)
		return Image();
	int bpp = data[0] & 63;
	Size sz = GetImageStringSize(data);
	if((bpp != 3 && bpp != 4) || !IsImageSizeValid(sz.cx, sz.cy))
		return Image();
	const int64 expected = int64(sz.cx) * sz.cy * bpp;

	// Inflate into blocks that grow with the real output, and stop at the first byte past the
	// expected length: a short header cannot make this allocate, a bomb cannot make it run long.
	BlockList blocks;
	int64 got = 0;
	bool over = false;
	Zlib z;
	z.ChunkSize(65536);
	z.WhenOut = [&](const void* p, int n) {
		if(over || got + n > expected) {
			over = true;
			return;
		}
		const byte* s = (const byte*)p;
		while(n > 0) {
			int o = int(got % BlockList::BLOCK);
			if(o == 0)
				blocks.AddBlock();
			int m = min(n, BlockList::BLOCK - o);
			memcpy(blocks[blocks.GetCount() - 1] + o, s, m);
			s += m;
			n -= m;
			got += m;
		}
	};
	z.Decompress();
	const char* in = data.Begin() + STRING_HEADER;
	int left = data.GetLength() - STRING_HEADER;
	while(left > 0 && !over && !z.IsError()) {
		int n = min(left, 4096);
		z.Put(in, n);
		in += n;
		left -= n;
	}
	if(over || z.IsError())
		return Image();
	z.End();
	if(z.IsError() || got != expected)
		return Image();

	ImageBuffer b;
	detail::CreateUninitialized(b, sz);
	b.SetHotSpot(Point(sGet16(data, 5), sGet16(data, 7)));
	b.SetPhysicalSize(GetImageStringPhysicalSize(data));
	if(bpp == 4) {
		blocks.CopyOut(0, expected, b.Begin());
		for(RGBA& c : b) {
			byte r = c.b; // stored r, g, b, a; memory order b, g, r, a
			c.b = c.r;
			c.r = r;
		}
	}
	else {
		Buffer<byte> row(size_t(sz.cx) * 3);
		for(int y = 0; y < sz.cy; y++) {
			blocks.CopyOut(int64(y) * sz.cx * 3, int64(sz.cx) * 3, row);
			const byte* s = row;
			RGBA* t = b[y];
			for(int x = 0; x < sz.cx; x++, s += 3)
				t[x] = RGBA{ s[2], s[1], s[0], 255 };
		}
	}
	return b;
}

} // namespace Qel
