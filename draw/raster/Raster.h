// Raster: a row-by-row image reader in its own pixel format. StreamRaster is the base of the
// file decoders, which register with the process-wide format registry; ImageRaster reads an
// Image in memory. GetImage reads a raster (or a part of it) into an Image.
#pragma once

#include <draw/image/Image.h>
#include "RasterFormat.h"

#include <Core/stream/Stream.h>

#include <memory>

namespace Qel {

template <class T> class Vector;

class Raster {
public:
	struct Info {
		int   bpp = 24;
		int   colors = 16777216;
		Size  dots;              // physical size in 1/600 inch; (0, 0) unknown
		Point hotspot;
		int   kind = IMAGE_OPAQUE;
		int   orientation = 0;   // how the stored picture must turn to stand upright (EXIF - 1)
	};

	// One row handed out: as RGBA, as raw bytes in the raster's format, or both.
	class Line {
		mutable const RGBA* data = nullptr;
		const byte*    fmtdata = nullptr;
		Raster*        raster = nullptr;
		mutable bool   free = false;
		bool           fmtfree = false;

		void MakeRGBA() const;
		void Free();
		void Take(Line& b);

	public:
		// The row as RGBA, converted from the raw row on first use.
		const RGBA* GetRGBA() const        { if(!data) MakeRGBA(); return data; }
		const byte* GetRawData() const     { return fmtdata; }
		operator const RGBA*() const       { return GetRGBA(); }

		// A row that is already RGBA; free: the line owns it (MemoryAlloc'd).
		Line(const RGBA* data, bool free)  : data(data), fmtdata((const byte*)data), free(free) {}
		// A raw row of raster's format; fmtfree: the line owns it (MemoryAlloc'd).
		Line(const byte* fmtdata, Raster* raster, bool fmtfree) : fmtdata(fmtdata), raster(raster), fmtfree(fmtfree) {}
		Line() = default;
		Line(Line&& b) noexcept            { Take(b); }
		Line& operator=(Line&& b) noexcept { if(this != &b) { Free(); Take(b); } return *this; }
		Line(const Line&) = delete;
		Line& operator=(const Line&) = delete;
		~Line()                            { Free(); }
	};

	virtual void  SeekPage(int page);
	virtual int   GetActivePage();
	virtual int   GetPageCount();
	virtual Rect  GetPageRect(int page);
	virtual bool  Create() = 0;
	virtual Size  GetSize() = 0;
	virtual Info  GetInfo() = 0;
	virtual Line  GetLine(int line) = 0;
	virtual bool  IsError() = 0;
	virtual int   GetPaletteCount();
	virtual const RGBA*         GetPalette() = 0;
	virtual const RasterFormat* GetFormat() = 0;
	virtual Value GetMetaData(String id);
	virtual void  EnumMetaData(Vector<String>& id_list);
	virtual ~Raster();

	int   GetWidth()                       { return GetSize().cx; }
	int   GetHeight()                      { return GetSize().cy; }

	// The rectangle clipped to the raster, turned upright; empty when the raster fails, when
	// progress(row, rows) asks to stop, or when the size cannot be held.
	Image GetImage(int x, int y, int cx, int cy, const Gate<int, int>& progress = {});
	Image GetImage(const Gate<int, int>& progress = {});

protected:
	// Row y, the raster's whole width, converted straight into target by a decoder that can
	// (GetImage then needs no row of its own); false sends GetImage through GetLine.
	virtual bool ReadRow(int y, RGBA* target);
};

// Base of the decoders: reads its Stream (not owned).
class StreamRaster : public Raster {
	Stream* s = nullptr;
	bool    error = false;

	friend std::unique_ptr<StreamRaster> OpenStreamRaster(Stream& s);

public:
	bool    IsError() override;

	Stream& GetStream()                    { return *s; }
	void    SetStream(Stream& st)          { s = &st; }
	void    SetError()                     { error = true; }
	// Attaches the stream and prepares reading; false (and the error flag) when Create fails.
	bool    Open(Stream& st);
};

class ImageRaster : public Raster {
	Image img;

public:
	bool  Create() override                { return true; }
	Size  GetSize() override               { return img.GetSize(); }
	Info  GetInfo() override;
	Line  GetLine(int line) override;
	bool  IsError() override               { return false; }
	const RGBA*         GetPalette() override { return nullptr; }
	const RasterFormat* GetFormat() override  { return nullptr; }

	explicit ImageRaster(const Image& img) : img(img) {}
};

using StreamRasterFactory = StreamRaster* (*)();

// Formats are tried in the order they registered.
void RegisterStreamRasterFormat(StreamRasterFactory factory);
// A raster of the first format that accepts the stream, or null with the stream where it was.
std::unique_ptr<StreamRaster> OpenStreamRaster(Stream& s);

Image LoadImageAny(Stream& s, const Gate<int, int>& progress = {});
Image LoadImageFile(const char* path, const Gate<int, int>& progress = {});
Image LoadImageString(const String& data, const Gate<int, int>& progress = {});

} // namespace Qel
