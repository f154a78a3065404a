// RasterEncoder: the writing side of Raster. It is given a size, then takes rows one after the
// other through its line pointer, converted into its format (optionally reduced to a palette).
// ImageEncoder collects the rows into an Image, handing out the target rows themselves as line
// pointers so that callers write straight into the picture.
#pragma once

#include "Raster.h"

#include <Core/container/Buffer.h>

#include <memory>

namespace Qel {

class RasterEncoder {
	Size  size;
	RGBA* line = nullptr;
	Buffer<byte> scanline;       // one row in the encoder's format, made on first need
	int64 line_bytes = 0;
	Buffer<RGBA> h;              // the own line buffer
	Buffer<RGBA> palette;        // 256 entries, made with the palette
	std::unique_ptr<PaletteCv> palette_cv;

protected:
	RasterFormat format;         // premultiplied RGBA unless a derived encoder says otherwise

	// Where the caller writes the next row; ImageEncoder points it into its picture.
	void  SetLine(RGBA* l)       { line = l; }
	// The own line buffer of the current width (made when missing) and its release.
	RGBA* GetLineBuffer();
	void  FreeLineBuffer()       { h.Clear(); }

public:
	virtual int  GetPaletteCount();
	virtual void Start(Size sz) = 0;
	// One row in the encoder's format.
	virtual void WriteLineRaw(const byte* data) = 0;
	virtual ~RasterEncoder();

	// Takes the palette from pal_raster (when GetPaletteCount asks for one) and starts an image of
	// size sz. A negative size, or a row too wide to be held, starts a 0 x 0 image.
	void  Create(Size sz, Raster& pal_raster);
	void  Create(int cx, int cy, Raster& pal_raster) { Create(Size(cx, cy), pal_raster); }
	void  SetPalette(Raster& pal_raster);

	// The current row: write size.cx pixels here, then call WriteLine().
	RGBA* GetLine()              { return line; }
	RGBA* operator~()            { return line; }
	operator RGBA*()             { return line; }
	void  WriteLine()            { WriteLine(line); }
	// Writes s (size.cx pixels) as the next row, converted into the format when needed.
	void  WriteLine(const RGBA* s);

	Size  GetSize() const        { return size; }
	int   GetWidth() const       { return size.cx; }
	int   GetHeight() const      { return size.cy; }
	const RasterFormat& GetFormat() const { return format; }
	const RGBA*      GetPalette() const   { return palette; }
	const PaletteCv* GetPaletteCv() const { return palette_cv.get(); }

	RasterEncoder();
	RasterEncoder(const RasterEncoder&) = delete;
	RasterEncoder& operator=(const RasterEncoder&) = delete;
};

class ImageEncoder : public RasterEncoder {
	int         ii = 0;
	ImageBuffer ib;

public:
	void Start(Size sz) override;
	void WriteLineRaw(const byte* data) override;

	// The picture written so far (rows not written are transparent); the encoder is left empty.
	Image GetImage()             { return Image(ib); }
	operator Image()             { return GetImage(); }
	ImageBuffer& GetBuffer()     { return ib; }
};

// Median cut over a 32 x 64 x 16 histogram of the raster's colours: n entries (n < 2: one, the
// mean colour), all opaque. A raster without pixels writes nothing.
void CreatePalette(Raster& raster, RGBA* palette, int n);
// The nearest of the n palette entries for every colour cell.
void CreatePaletteCv(const RGBA* palette, int n, PaletteCv& cv);

} // namespace Qel
