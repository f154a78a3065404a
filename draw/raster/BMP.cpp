#include "BMP.h"

#include <Core/container/Buffer.h>
#include <Core/base/Heap.h>
#include <Core/thread/Thread.h>

#include <algorithm>
#include <limits.h>
#include <math.h>

namespace Qel {

namespace {

dword sGet32(const byte* p)
{
	return dword(p[0]) | dword(p[1]) << 8 | dword(p[2]) << 16 | dword(p[3]) << 24;
}

word sGet16(const byte* p)
{
	return word(p[0] | p[1] << 8);
}

// Seeks within the data only: a position past the end is a read that cannot succeed (and some
// streams would grow to reach it).
bool sSeek(Stream& s, int64 pos)
{
	if(pos < 0 || pos > s.GetSize())
		return false;
	s.Seek(pos);
	return !s.IsError();
}

bool sSkip(Stream& s, int64 n)
{
	return n <= 0 || sSeek(s, s.GetPos() + n);
}

// Physical size in 1/600 inch from pixels per metre; unknown unless both are positive and the
// result fits.
Size sDots(int64 cx, int64 cy, int xppm, int yppm)
{
	if(xppm <= 0 || yppm <= 0)
		return Size(0, 0);
	const double dots_per_metre = 23622.047244094487;
	double x = floor(cx * dots_per_metre / xppm + 0.5);
	double y = floor(cy * dots_per_metre / yppm + 0.5);
	if(x > INT_MAX || y > INT_MAX)
		return Size(0, 0);
	return Size(int(x), int(y));
}

bool sIsByteMask(dword m)
{
	return m == 0xff || m == 0xff00 || m == 0xff0000 || m == 0xff000000;
}

// The top 8 bits of the field under mask m (0 for an empty mask).
struct sMaskChannel {
	int  shift = 0;  // right shift of the masked value
	int  up = 0;     // left shift for fields narrower than 8 bits
	dword mask = 0;

	explicit sMaskChannel(dword m) : mask(m)
	{
		if(!m)
			return;
		int low = __builtin_ctz(m);
		int bits = 32 - __builtin_clz(m) - low;
		shift = bits >= 8 ? low + bits - 8 : low;
		up = bits >= 8 ? 0 : 8 - bits;
	}
	byte Get(dword v) const { return byte(((v & mask) >> shift) << up); }
};

} // namespace

bool ReadBMPHeader(Stream& s, BMPHeader& h, bool file_header)
{
	if(!s.IsOpen())
		return false;
	byte b[40];
	if(file_header && (!s.GetAll(b, 14) || sGet16(b) != 0x4D42))
		return false;
	h = BMPHeader();
	if(!s.GetAll(b, 40))
		return false;
	h.size = sGet32(b);
	h.width = (int)sGet32(b + 4);
	h.height = (int)sGet32(b + 8);
	h.planes = sGet16(b + 12);
	h.bpp = sGet16(b + 14);
	h.compression = sGet32(b + 16);
	h.sizeImage = sGet32(b + 20);
	h.xppm = (int)sGet32(b + 24);
	h.yppm = (int)sGet32(b + 28);
	h.clrUsed = sGet32(b + 32);
	h.clrImportant = sGet32(b + 36);
	if(h.size < 40)
		return false;
	int bpp = h.bpp;
	if(bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
		return false;
	// each compression goes with its own depths; anything else would decode garbage
	switch(h.compression) {
	case BMP_RGB:       break;
	case BMP_RLE8:      if(bpp != 8) return false; break;
	case BMP_RLE4:      if(bpp != 4) return false; break;
	case BMP_BITFIELDS: if(bpp != 16 && bpp != 32) return false; break;
	default:            return false;
	}
	int64 cx = h.width;
	int64 cy = h.height < 0 ? -int64(h.height) : h.height;
	if(cx <= 0 || !IsImageSizeValid(cx, cy))
		return false;
	if(h.sizeImage == 0) {
		if(h.compression != BMP_RGB)
			return false;
		h.sizeImage = dword(((bpp * cx + 31) >> 5) * 4 * cy);
	}
	int64 extra = int64(h.size) - 40;
	// from 52 bytes on, the bit-field masks are part of the header
	if(h.compression == BMP_BITFIELDS && h.size >= 52) {
		if(!s.GetAll(b, 12))
			return false;
		for(int i = 0; i < 3; i++)
			h.masks[i] = sGet32(b + 4 * i);
		extra -= 12;
	}
	if(!sSkip(s, extra))
		return false;
	if(bpp <= 8) {
		int64 n = h.clrUsed ? h.clrUsed : 1 << bpp;
		// the table holds 256 entries; more are skipped so that the pixels start where they do
		if(!s.GetAll(h.palette, int(min<int64>(n, 256) * 4)) || !sSkip(s, (n - 256) * 4))
			return false;
	}
	else {
		if(h.compression == BMP_BITFIELDS && h.size < 52) {
			if(!s.GetAll(b, 12))
				return false;
			for(int i = 0; i < 3; i++)
				h.masks[i] = sGet32(b + 4 * i);
		}
		if(h.clrUsed && !sSkip(s, int64(h.clrUsed) * 4))
			return false;
	}
	return true;
}

bool BMPRaster::Create()
{
	size = Size(0, 0);
	rle.reset();
	cut = false;
	masked32 = false;
	Stream& s = GetStream();
	BMPHeader h;
	if(!s.IsOpen() || !ReadBMPHeader(s, h, fileHeader)) {
		SetError();
		return false;
	}
	const dword* m = h.compression == BMP_BITFIELDS ? h.masks : nullptr;
	switch(h.bpp) {
	case 1:  fmt.SetType(RASTER_1 | RASTER_MSBFIRST); break;
	case 4:  fmt.SetType(RASTER_4 | RASTER_MSBFIRST); break;
	case 8:  fmt.SetType(RASTER_8); break;
	case 16:
		if(m)
			fmt.Set16le(m[0], m[1], m[2]);
		else
			fmt.Set16le(0x7C00, 0x3E0, 0x1F);
		break;
	case 24: fmt.Set24le(0xff0000, 0xff00, 0xff); break;
	case 32:
		if(m && !(sIsByteMask(m[0]) && sIsByteMask(m[1]) && sIsByteMask(m[2]))) {
			// the format reads whole bytes only: other masks are applied by GetLine
			masked32 = true;
			for(int i = 0; i < 3; i++)
				mask[i] = m[i];
		}
		if(m)
			fmt.Set32le(m[0], m[1], m[2], 0);
		else
			fmt.Set32le(0xff0000, 0xff00, 0xff, 0);
		break;
	}
	memset(palette, 0, sizeof(palette));
	if(h.bpp <= 8)
		for(int i = 0; i < (1 << h.bpp); i++) {
			const BMPRGBQuad& q = h.palette[i];
			palette[i] = RGBA{ q.b, q.g, q.r, 255 };
		}
	int64 cy = h.height < 0 ? -int64(h.height) : h.height;
	size = Size(h.width, int(cy));
	info = Info();
	info.bpp = h.bpp;
	info.colors = fmt.GetColorCount();
	info.kind = IMAGE_OPAQUE;
	info.dots = sDots(size.cx, size.cy, h.xppm, h.yppm);
	topdown = h.height < 0;
	rowBytes = (fmt.GetByteCount(size.cx) + 3) & ~int64(3);
	pixelsAt = s.GetPos();
	if(h.compression == BMP_RLE8 || h.compression == BMP_RLE4) {
		// pixels a run never reaches stay transparent
		info.kind = IMAGE_ALPHA;
		int r = DecodeRLE(h);
		if(r == RLE_BAD) {
			size = Size(0, 0);
			SetError();
			return false;
		}
		cut = r == RLE_CUT;
	}
	return true;
}

// Data that ends before the end-of-picture code (or the end of the last row) is cut: what was
// decoded stays, and the raster reports the error.
int BMPRaster::DecodeRLE(const BMPHeader& h)
{
	Stream& s = GetStream();
	const int cx = size.cx, cy = size.cy;
	ImageBuffer b;
	if(!b.Create(cx, cy))
		return RLE_BAD;
	const bool rle4 = h.compression == BMP_RLE4;
	int x = 0, fy = 0;
	RGBA* row = b[topdown ? 0 : cy - 1];
	byte run[256];
	int result = RLE_CUT;
	for(;;) {
		int c = s.Get();
		if(c < 0)
			break;
		int v = s.Get();
		if(v < 0)
			break;
		if(c > 0) {
			int n = min(c, cx - x);
			if(rle4) {
				RGBA hi = palette[v >> 4], lo = palette[v & 15];
				for(int i = 0; i < n; i++)
					row[x + i] = i & 1 ? lo : hi;
			}
			else
				std::fill(row + x, row + x + n, palette[v]);
			x += n;
			continue;
		}
		if(v == 1) {
			result = RLE_WHOLE;
			break;
		}
		if(v == 0) {
			if(fy + 1 >= cy) {
				result = RLE_WHOLE;
				break;
			}
			fy++;
			x = 0;
		}
		else if(v == 2) {
			int dx = s.Get();
			int dy = s.Get();
			if(dy < 0)
				break;
			if(x + dx > cx - 1 || fy + dy > cy - 1)
				return RLE_BAD;
			x += dx;
			fy += dy;
		}
		else if(rle4) {
			int nb = (v + 1) / 2;
			if(x + v > cx)
				return RLE_BAD;
			if(!s.GetAll(run, nb))
				break;
			for(int i = 0; i < v; i++)
				row[x + i] = palette[i & 1 ? run[i >> 1] & 15 : run[i >> 1] >> 4];
			x += v;
			if((nb & 1) && s.Get() < 0)
				break;
			continue;
		}
		else {
			if(x + v > cx)
				return RLE_BAD;
			if(!s.GetAll(run, v))
				break;
			for(int i = 0; i < v; i++)
				row[x++] = palette[run[i]];
			if((v & 1) && s.Get() < 0)
				break;
			continue;
		}
		row = b[topdown ? fy : cy - 1 - fy];
	}
	b.SetKind(IMAGE_ALPHA);
	rle = std::make_unique<ImageRaster>(Image(b));
	return result;
}

Raster::Line BMPRaster::GetLine(int y)
{
	if(rle && y >= 0 && y < size.cy)
		return rle->GetLine(y);
	Buffer<byte> row(size_t(max<int64>(rowBytes, 1)));
	if(rle || y < 0 || y >= size.cy || IsError())
		memset(row, 0, size_t(rowBytes));
	else {
		Stream& s = GetStream();
		int64 r = topdown ? y : size.cy - 1 - y;
		if(!sSeek(s, pixelsAt + r * rowBytes) || !s.GetAll(row, int(rowBytes))) {
			SetError();
			memset(row, 0, size_t(rowBytes));
		}
	}
	if(masked32) {
		RGBA* t = (RGBA*)MemoryAlloc(size_t(max(size.cx, 1)) * sizeof(RGBA));
		sMaskChannel r(mask[0]), g(mask[1]), b(mask[2]);
		const byte* p = row;
		for(int x = 0; x < size.cx; x++, p += 4) {
			dword v = sGet32(p);
			t[x] = RGBA{ b.Get(v), g.Get(v), r.Get(v), 255 };
		}
		return Line(t, true);
	}
	return Line(row.Detach(), this, true);
}

const RGBA* BMPRaster::GetPalette()
{
	return fmt.GetPaletteCount() ? palette : nullptr;
}

const RasterFormat* BMPRaster::GetFormat()
{
	return masked32 ? nullptr : &fmt;
}

BMPRaster::~BMPRaster() {}

namespace {

StreamRaster* sNewBMPRaster()
{
	BMPRaster* r = new BMPRaster(true);
	r->SetError();
	return r;
}

StaticMutex sBMPRegisterMutex;
bool        sBMPRegistered;

} // namespace

void RegisterBMPRaster()
{
	Mutex::Lock lock(sBMPRegisterMutex);
	if(!sBMPRegistered) {
		sBMPRegistered = true;
		RegisterStreamRasterFormat(sNewBMPRaster);
	}
}

} // namespace Qel
