#include "png.h"
#include "detail/PngChecksums.h"

#include <Core/container/Buffer.h>
#include <Core/thread/Thread.h>

#include <png.h>

#include <atomic>
#include <exception>
#include <limits.h>
#include <math.h>
#include <setjmp.h>
#include <string.h>

namespace Qel {

struct PNGRaster::Data {
	png_structp  png = nullptr;
	png_infop    pinfo = nullptr;
	Raster::Info info;
	Size         size;
	RasterFormat fmt;
	RGBA         palette[256] = {};
	int          bits = 0;
	size_t       rowBytes = 0;
	Buffer<byte> image;        // interlaced pictures, whole
	Buffer<byte> row;          // plain pictures read straight into an Image: the row libpng fills
	Buffer<byte*> rows;
	bool         interlaced = false;
	bool         loaded = false;
	bool         strip16 = false;
	int          currentRow = 0;
	int64        streamStart = 0;
	Stream*      stream = nullptr;
	// what the stream threw inside libpng, thrown again once libpng is left behind
	std::exception_ptr exc;

	void Destroy()
	{
		if(png)
			png_destroy_read_struct(&png, pinfo ? &pinfo : nullptr, nullptr);
		png = nullptr;
		pinfo = nullptr;
	}
	~Data() { Destroy(); }
};

namespace {

std::atomic<bool> sIgnoreChecksums;

// Each libpng call that can fail runs in one of these: they hold nothing with a destructor, so
// the long jump back from an error skips no clean-up.
bool sReadInfo(png_structp png, png_infop info)
{
	if(setjmp(png_jmpbuf(png)))
		return false;
	png_read_info(png, info);
	return true;
}

bool sReadRow(png_structp png, png_bytep row)
{
	if(setjmp(png_jmpbuf(png)))
		return false;
	png_read_row(png, row, nullptr);
	return true;
}

bool sReadImage(png_structp png, png_bytepp rows)
{
	if(setjmp(png_jmpbuf(png)))
		return false;
	png_read_image(png, rows);
	return true;
}

Size sDots(double cx, double cy, png_uint_32 xres, png_uint_32 yres)
{
	if(!xres || !yres)
		return Size(0, 0);
	const double dots_per_metre = 23622.04724409449;
	double x = floor(dots_per_metre / xres * cx + 0.5);
	double y = floor(dots_per_metre / yres * cy + 0.5);
	if(x > INT_MAX || y > INT_MAX)
		return Size(0, 0);
	return Size(int(x), int(y));
}

} // namespace

void PNGRaster::ReadCallback(png_struct_def* png, unsigned char* buffer, size_t length)
{
	Data* d = (Data*)png_get_io_ptr(png);
	bool ok = false;
	try {
		ok = length <= INT_MAX && d->stream->GetAll(buffer, int(length));
	}
	catch(...) {
		d->exc = std::current_exception();
	}
	if(!ok)
		png_error(png, "Error reading input file!");
}

void PNGRaster::ErrorCallback(png_struct_def* png, const char*)
{
	png_longjmp(png, 1);
}

void PNGRaster::WarningCallback(png_struct_def*, const char*) {}

bool PNGRaster::Init()
{
	Data& d = *data;
	d.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, ErrorCallback, WarningCallback);
	if(!d.png)
		return false;
	d.pinfo = png_create_info_struct(d.png);
	if(!d.pinfo)
		return false;
	if(sIgnoreChecksums.load(std::memory_order_relaxed))
		png_set_crc_action(d.png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
#ifdef PNG_HANDLE_AS_UNKNOWN_SUPPORTED
	// only tRNS and pHYs are used: text, profiles and the rest are passed over, not inflated
	static const png_byte used[] = { 't', 'R', 'N', 'S', 0, 'p', 'H', 'Y', 's', 0 };
	png_set_keep_unknown_chunks(d.png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
	png_set_keep_unknown_chunks(d.png, PNG_HANDLE_CHUNK_AS_DEFAULT, used, 2);
#endif
	png_set_read_fn(d.png, &d, ReadCallback);
	return sReadInfo(d.png, d.pinfo);
}

namespace {

// Drops the decoder state; what the stream threw goes on to the caller.
bool sDrop(std::unique_ptr<PNGRaster::Data>& data)
{
	std::exception_ptr e = data ? data->exc : nullptr;
	data.reset();
	if(e)
		std::rethrow_exception(e);
	return false;
}

} // namespace

bool PNGRaster::Create()
{
	data = std::make_unique<Data>();
	Data& d = *data;
	Stream& s = GetStream();
	d.stream = &s;
	d.streamStart = s.GetPos();
	if(!Init())
		return sDrop(data);
	png_uint_32 width = 0, height = 0;
	int depth = 0, ctype = 0, interlace = 0;
	png_get_IHDR(d.png, d.pinfo, &width, &height, &depth, &ctype, &interlace, nullptr, nullptr);
	if(width == 0 || height == 0 || width > INT_MAX || height > INT_MAX)
		return sDrop(data);
	d.size = Size(int(width), int(height));
	d.info.bpp = depth;
	d.info.colors = depth < 8 ? 1 << depth : 0;
	d.info.kind = IMAGE_OPAQUE;
	png_uint_32 xres = 0, yres = 0;
	int unit = 0;
	if(png_get_valid(d.png, d.pinfo, PNG_INFO_pHYs) && png_get_pHYs(d.png, d.pinfo, &xres, &yres, &unit) && unit == PNG_RESOLUTION_METER)
		d.info.dots = sDots(width, height, xres, yres);

	d.bits = depth;
	if(depth > 8) {
		png_set_strip_16(d.png);
		d.strip16 = true;
		d.bits = 8;
	}
	if(ctype == PNG_COLOR_TYPE_RGB || ctype == PNG_COLOR_TYPE_RGB_ALPHA) {
		d.bits = 24;
		png_set_bgr(d.png);
		if(ctype == PNG_COLOR_TYPE_RGB_ALPHA) {
			d.bits = 32;
			d.info.kind = IMAGE_ALPHA;
		}
	}
	if(ctype == PNG_COLOR_TYPE_GRAY_ALPHA)
		d.info.kind = IMAGE_ALPHA;

	png_bytep trans = nullptr;
	int ntrans = 0;
	png_color_16p trans_color = nullptr;
	if(!png_get_tRNS(d.png, d.pinfo, &trans, &ntrans, &trans_color))
		trans = nullptr;
	// a grey or colour key is not applied: only palette alphas count
	auto alpha = [&](int i) { return trans && i < ntrans ? trans[i] : 255; };
	memset(d.palette, 0, sizeof(d.palette));
	if(ctype == PNG_COLOR_TYPE_PALETTE) {
		png_colorp plte = nullptr;
		int count = 0;
		if(png_get_PLTE(d.png, d.pinfo, &plte, &count)) {
			int n = min(count, 1 << min(depth, 8));
			for(int i = 0; i < n; i++)
				d.palette[i] = RGBA{ plte[i].blue, plte[i].green, plte[i].red, byte(alpha(i)) };
			Premultiply(d.palette, d.palette, n);
		}
		if(trans)
			d.info.kind = IMAGE_ALPHA;
	}
	else if(ctype == PNG_COLOR_TYPE_GRAY || ctype == PNG_COLOR_TYPE_GRAY_ALPHA) {
		int n = 1 << min(depth, 8);
		for(int i = 0; i < n; i++) {
			byte g = byte(i * 255 / (n - 1));
			d.palette[i] = RGBA{ g, g, g, byte(alpha(i)) };
		}
		Premultiply(d.palette, d.palette, n);
	}

	d.rowBytes = png_get_rowbytes(d.png, d.pinfo);
	d.currentRow = 0;
	d.interlaced = interlace != PNG_INTERLACE_NONE;
	d.loaded = false;
	switch(d.bits) {
	case 1:  d.fmt.SetType(RASTER_1 | RASTER_MSBFIRST); break;
	case 2:  d.fmt.SetType(RASTER_2 | RASTER_MSBFIRST); break;
	case 4:  d.fmt.SetType(RASTER_4 | RASTER_MSBFIRST); break;
	case 8:  d.fmt.SetType(ctype == PNG_COLOR_TYPE_GRAY_ALPHA ? RASTER_8ALPHA : RASTER_8); break;
	case 24: d.fmt.Set24le(0xff0000, 0xff00, 0xff); break;
	case 32: d.fmt.SetRGBAStraight(); break;
	default: return sDrop(data);
	}
	// rows must hold what libpng hands out, whatever it reports
	d.rowBytes = max<size_t>(d.rowBytes, size_t(d.fmt.GetByteCount(d.size.cx)));
	return true;
}

Size PNGRaster::GetSize()
{
	return data ? data->size : Size(0, 0);
}

Raster::Info PNGRaster::GetInfo()
{
	return data ? data->info : Info();
}

const RGBA* PNGRaster::GetPalette()
{
	return data ? data->palette : nullptr;
}

const RasterFormat* PNGRaster::GetFormat()
{
	return data ? &data->fmt : nullptr;
}

const byte* PNGRaster::Decode(int y, byte* row)
{
	Data& d = *data;
	// a failure leaves the error state, so that the picture as a whole is refused; what the
	// stream threw goes on to the caller
	auto fail = [&]() -> const byte* {
		SetError();
		if(d.exc) {
			std::exception_ptr e = d.exc;
			d.exc = nullptr;
			std::rethrow_exception(e);
		}
		return nullptr;
	};
	if(y < 0 || y >= d.size.cy || IsError())
		return nullptr;
	if(d.interlaced) {
		if(!d.loaded) {
			d.loaded = true;
			size_t stride = size_t(d.fmt.GetByteCount(d.size.cx));
			if(!IsImageSizeValid(d.size.cx, d.size.cy))
				return fail();
			// zeroed: the bits past the last pixel of packed rows are never decoded, and rows go
			// out raw as they are
			d.image.Alloc(stride * d.size.cy);
			memset(d.image, 0, stride * d.size.cy);
			d.rows.Alloc(d.size.cy);
			for(int i = 0; i < d.size.cy; i++)
				d.rows[i] = d.image + stride * i;
			if(!sReadImage(d.png, d.rows)) {
				d.image.Clear();
				return fail();
			}
		}
		if(!d.image)
			return fail();
		return d.rows[y];
	}
	if(y < d.currentRow) {
		// libpng reads forward only: start again from the beginning of the data
		d.Destroy();
		Stream& s = GetStream();
		if(d.streamStart > s.GetSize())
			return fail();
		s.Seek(d.streamStart);
		if(!Init())
			return fail();
		if(d.strip16)
			png_set_strip_16(d.png);
		if(d.bits == 24 || d.bits == 32)
			png_set_bgr(d.png);
		d.currentRow = 0;
	}
	for(; d.currentRow < y; d.currentRow++)
		if(!sReadRow(d.png, row))
			return fail();
	if(!sReadRow(d.png, row))
		return fail();
	d.currentRow++;
	return row;
}

Raster::Line PNGRaster::GetLine(int y)
{
	if(!data)
		return Line();
	Data& d = *data;
	Buffer<byte> row(d.rowBytes);
	const byte* raw = Decode(y, row);
	if(!raw) // out of range or failed: zeros
		memset(row, 0, d.rowBytes);
	else if(raw != row)
		return Line(raw, this, false); // a row of the whole interlaced picture
	return Line(row.Detach(), this, true);
}

bool PNGRaster::ReadRow(int y, RGBA* target)
{
	if(!data)
		return false;
	Data& d = *data;
	if(!d.row) // one row buffer for the whole picture
		d.row.Alloc(d.rowBytes);
	const byte* raw = Decode(y, d.row);
	if(raw)
		d.fmt.Read(target, raw, d.size.cx, d.palette);
	else
		memset((void*)target, 0, size_t(d.size.cx) * sizeof(RGBA));
	return true;
}

PNGRaster::PNGRaster() {}

PNGRaster::~PNGRaster() {}

namespace {

StreamRaster* sNewPNGRaster()
{
	PNGRaster* r = new PNGRaster;
	r->SetError();
	return r;
}

StaticMutex sPNGRegisterMutex;
bool        sPNGRegistered;

} // namespace

void RegisterPNGRaster()
{
	Mutex::Lock lock(sPNGRegisterMutex);
	if(!sPNGRegistered) {
		sPNGRegistered = true;
		RegisterStreamRasterFormat(sNewPNGRaster);
	}
}

void detail::SetPngIgnoreChecksums(bool ignore)
{
	sIgnoreChecksums = ignore;
}

} // namespace Qel
