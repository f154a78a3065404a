// RasterFormat: one pixel layout of decoded or encoded rows (palette indexes, 16-bit masked,
// 24- and 32-bit with byte positions) and the whole-row converters between it and RGBA.
#pragma once

#include <draw/image/Alpha.h>

namespace Qel {

// Nearest palette index for every colour cell of 5 bits red, 4 bits blue and 6 bits green.
struct PaletteCv {
	byte cell[32768];

	static int Cell(int r, int g, int b) { return ((r >> 3) << 10) | ((b >> 4) << 6) | (g >> 2); }
	byte operator[](int i) const         { return cell[i]; }
	byte Get(RGBA c) const               { return cell[Cell(c.r, c.g, c.b)]; }
};

enum {
	RASTER_1,              // palette index, 8 pixels a byte
	RASTER_2,              // palette index, 4 pixels a byte
	RASTER_4,              // palette index, 2 pixels a byte
	RASTER_8,              // palette index
	RASTER_8ALPHA,         // palette index, then alpha
	RASTER_16,             // 16-bit value with channel masks
	RASTER_24,             // three bytes at the channel positions
	RASTER_32,             // four bytes, the fourth ignored
	RASTER_32ALPHA,        // four bytes, straight alpha
	RASTER_32PREMULTIPLIED,// four bytes, premultiplied alpha
	RASTER_MSBFIRST = 0x80,// first pixel in the high bits; a big-endian 16-bit value
};

class RasterFormat {
	byte  type = RASTER_32PREMULTIPLIED;
	dword rmask = 0, gmask = 0, bmask = 0;
	byte  rpos = 2, gpos = 1, bpos = 0, apos = 3; // 16-bit: the left shifts of the masks

	void SetPositions(dword r, dword g, dword b, dword a);

public:
	void Set16le(dword rmask, dword gmask, dword bmask);
	void Set24le(dword rmask, dword gmask, dword bmask);
	void Set32le(dword rmask, dword gmask, dword bmask, dword amask = 0);
	void SetRGBAStraight();
	// Any type, keeping the masks and positions (palette formats, the reversed variants).
	void SetType(int t)                 { type = (byte)t; }

	int   GetType() const               { return type; }
	int   GetBpp() const;
	int64 GetByteCount(int cx) const    { return (int64(GetBpp()) * cx + 7) >> 3; }
	int   GetColorCount() const;
	int   GetPaletteCount() const;
	bool  IsPaletted() const            { return (type & 15) < 4; }
	// Premultiplied b, g, r, a bytes: rows in this format are RGBA rows as they are.
	bool  IsPlainRGBA() const           { return type == RASTER_32PREMULTIPLIED && bpos == 0 && gpos == 1 && rpos == 2 && apos == 3; }

	// n pixels of this format into RGBA; palette formats read palette (null reads as transparent).
	void Read(RGBA* t, const byte* s, int n, const RGBA* palette) const;
	// n pixels into this format; cv picks palette indexes when given.
	void Write(byte* t, const RGBA* s, int n, const PaletteCv* cv) const;
};

} // namespace Qel
