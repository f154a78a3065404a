// BMP pictures: uncompressed 1, 4, 8, 16, 24 and 32 bits per pixel, bit-field masks and the
// run-length encodings RLE8 and RLE4. Uncompressed rows are read from the stream on demand;
// run-length pictures are decoded whole when the raster is created.
#pragma once

#include "Raster.h"

#include <memory>

namespace Qel {

enum {
	BMP_RGB       = 0,
	BMP_RLE8      = 1,
	BMP_RLE4      = 2,
	BMP_BITFIELDS = 3,
};

struct BMPRGBQuad {
	byte b, g, r, reserved;
};

// The info header as read (little-endian), with the colour table or the bit-field masks.
struct BMPHeader {
	dword      size = 0;        // header bytes, at least 40
	int        width = 0;
	int        height = 0;      // negative: rows stored top to bottom
	word       planes = 0;
	word       bpp = 0;
	dword      compression = 0;
	dword      sizeImage = 0;
	int        xppm = 0;        // pixels per metre
	int        yppm = 0;
	dword      clrUsed = 0;
	dword      clrImportant = 0;
	BMPRGBQuad palette[256] = {};
	dword      masks[3] = {};   // red, green, blue for BMP_BITFIELDS
};

// Reads and checks the headers (with the 14-byte "BM" file header when file_header is true);
// false for anything this decoder cannot read. The stream is left where the pixels begin.
bool ReadBMPHeader(Stream& s, BMPHeader& header, bool file_header);

class BMPRaster : public StreamRaster {
	Size         size;
	int64        rowBytes = 0;
	RGBA         palette[256] = {};
	bool         topdown = false;
	int64        pixelsAt = 0;
	RasterFormat fmt;
	Info         info;
	std::unique_ptr<ImageRaster> rle; // the decoded picture of a run-length file
	bool         fileHeader = false;
	// 32-bit masks that are not whole bytes: rows are converted here, not by the format
	dword        mask[3] = {};
	bool         masked32 = false;
	bool         cut = false;     // the run-length data ended before the picture

	enum { RLE_BAD, RLE_WHOLE, RLE_CUT };
	int  DecodeRLE(const BMPHeader& h);

public:
	bool  Create() override;
	Size  GetSize() override               { return size; }
	Info  GetInfo() override               { return info; }
	Line  GetLine(int line) override;
	int   GetPaletteCount() override       { return fmt.GetPaletteCount(); }
	const RGBA*         GetPalette() override;
	const RasterFormat* GetFormat() override;
	// A run-length picture cut short is an error, its rows decoded so far still readable.
	bool  IsError() override               { return cut || StreamRaster::IsError(); }

	explicit BMPRaster(bool file_header = true) : fileHeader(file_header) {}
	~BMPRaster() override;
};

// Adds BMP to the format registry, once per process.
void RegisterBMPRaster();

} // namespace Qel
