// PNG pictures through libpng: every colour type and bit depth is handed out as rows of one of
// the raster formats with a premultiplied palette. Rows of plain pictures are decoded in order
// (an earlier row restarts decoding); interlaced pictures are decoded whole on the first row.
// Linking Qel::Png registers the format; RegisterPNGRaster may be called again, harmlessly.
#pragma once

#include <draw/raster/Raster.h>

#include <memory>
#include <stddef.h>

struct png_struct_def;

namespace Qel {

class PNGRaster : public StreamRaster {
public:
	struct Data;

private:
	std::unique_ptr<Data> data;

	bool Init();
	// Raw row y: decoded into row (rowBytes long) for plain pictures, a row of the whole picture
	// for interlaced ones; null out of range or on failure.
	const byte* Decode(int y, byte* row);
	// libpng's callbacks: exact reads from the stream, errors that jump back to the decoder,
	// warnings that are dropped.
	static void ReadCallback(png_struct_def* png, unsigned char* buffer, size_t length);
	static void ErrorCallback(png_struct_def* png, const char* message);
	static void WarningCallback(png_struct_def* png, const char* message);

public:
	bool  Create() override;
	Size  GetSize() override;
	Info  GetInfo() override;
	Line  GetLine(int line) override;
	const RGBA*         GetPalette() override;
	const RasterFormat* GetFormat() override;

	PNGRaster();
	~PNGRaster() override;

protected:
	bool  ReadRow(int y, RGBA* target) override;
};

// Adds PNG to the format registry, once per process.
void RegisterPNGRaster();

} // namespace Qel
