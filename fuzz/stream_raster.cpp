// Raster reading over fuzzed bytes: the format registry probes the stream, and a raw test
// format whose header names the size, pixel format, palette, orientation and a rectangle feeds
// GetImage. Every pixel format is read from arbitrary bytes; clipping, orientation and the
// size checks must hold whatever the header says. Decoders of real file formats join this
// target when they register.
#include <draw/Draw.h>

#include <stdlib.h>

using namespace Qel;

namespace {

void Check(bool b)
{
	if(!b)
		abort();
}

// "QR" + type byte + orientation byte, then width, height, hot spot (16-bit each) and the
// rectangle to read (four 16-bit signed values), a 256-entry palette, then the rows.
class FuzzRaster : public StreamRaster {
public:
	Size  size;
	Point hot;
	int   orientation = 0;
	RasterFormat fmt;
	RGBA  pal[256];
	int64 rowBytes = 0;
	int64 rowsAt = 0;
	Buffer<byte> row;

	bool Create() override
	{
		Stream& s = GetStream();
		byte h[4];
		if(!s.GetAll(h, 4) || h[0] != 'Q' || h[1] != 'R')
			return false;
		int type = h[2];
		orientation = h[3] % 9;
		switch(type & 15) {
		case RASTER_16: fmt.Set16le(0xF800, 0x7E0, type & 0x40 ? 0 : 0x1F); break;
		case RASTER_24: fmt.Set24le(type & 0x40 ? 0xff000000 : 0xff0000, 0xff00, 0xff); break;
		case RASTER_32:
		case RASTER_32ALPHA:
		case RASTER_32PREMULTIPLIED: fmt.Set32le(0xff00, 0xff, 0xff0000, 0xff000000); break;
		}
		fmt.SetType(type);
		size.cx = s.Get16le();
		size.cy = s.Get16le();
		hot.x = (int16)s.Get16le();
		hot.y = (int16)s.Get16le();
		if(!s.GetAll(pal, sizeof(pal)))
			return false;
		rowBytes = fmt.GetByteCount(size.cx);
		rowsAt = s.GetPos();
		// a raw format holds its rows: refuse sizes the data cannot fill
		return fmt.GetBpp() > 0 && rowBytes * size.cy <= s.GetSize() - rowsAt;
	}
	Size GetSize() override { return size; }
	Info GetInfo() override
	{
		Info f;
		f.hotspot = hot;
		f.orientation = orientation;
		f.dots = Size(size.cx * 7, size.cy * 3);
		return f;
	}
	Line GetLine(int y) override
	{
		if(!row)
			row.Alloc(size_t(max<int64>(rowBytes, 1)));
		Stream& s = GetStream();
		s.Seek(rowsAt + y * rowBytes);
		s.GetAll(row, (int)rowBytes);
		return Line(row.Get(), this, false);
	}
	const RGBA* GetPalette() override        { return pal; }
	const RasterFormat* GetFormat() override { return &fmt; }
};

StreamRaster* NewFuzzRaster() { return new FuzzRaster; }

const bool sRegistered = (RegisterStreamRasterFormat(NewFuzzRaster), true);

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	(void)sRegistered;
	StringStream in(String((const char*)data, (int)size));
	std::unique_ptr<StreamRaster> r = OpenStreamRaster(in);
	if(!r) {
		Check(in.GetPos() == 0 && !in.IsError());
		return 0;
	}
	Size sz = r->GetSize();
	Image whole = r->GetImage();
	Check(whole.IsEmpty() || whole.GetLength() == int64(sz.cx) * sz.cy);
	// a rectangle from the last bytes of the data
	int16 rc[4] = {};
	if(size >= 8)
		memcpy(rc, data + size - 8, 8);
	int calls = 0;
	Image part = r->GetImage(rc[0], rc[1], rc[2], rc[3], [&](int i, int n) { Check(i < n); return ++calls > 100000; });
	Check(part.GetWidth() <= sz.cx || part.GetWidth() <= sz.cy);
	return 0;
}
