#include "Zlib.h"
#include "FileStream.h"
#include "Heap.h"
#include "MemStream.h"
#include "OutFilterStream.h"
#include "Panic.h"
#include "StringStream.h"

#include <zlib.h>

namespace Qel {

namespace {

voidpf sZAlloc(voidpf, uInt items, uInt size)
{
	return MemoryAlloc((size_t)items * size);
}

void sZFree(voidpf, voidpf ptr)
{
	MemoryFree(ptr);
}

const byte sGZipHeader[10] = { 0x1F, 0x8B, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03 };

enum { FLAG_HCRC = 2, FLAG_EXTRA = 4, FLAG_NAME = 8, FLAG_COMMENT = 16 };

dword sLe32(const char* p)
{
	dword w;
	memcpy(&w, p, 4);
	return w;
}

} // namespace

dword CRC32(const void* data, int64 len, dword crc)
{
	const byte* p = (const byte*)data;
	while(len > 0) {
		uInt n = (uInt)min<int64>(len, 1 << 30);
		crc = (dword)crc32(crc, p, n);
		p += n;
		len -= n;
	}
	return crc;
}

Zlib::Zlib()
{
	z = new z_stream;
	memset(z, 0, sizeof(z_stream));
	z->zalloc = sZAlloc;
	z->zfree = sZFree;
	z->next_in = (Bytef*)"";
	WhenOut = [this](const void* data, int size) { out.Cat((const char*)data, size); };
}

Zlib::~Zlib()
{
	Clear();
	if(chunk)
		MemoryFree(chunk);
	delete z;
}

Zlib& Zlib::ChunkSize(int n)
{
	if(chunk)
		MemoryFree(chunk);
	chunk = nullptr;
	chunkSize = max(n, 1);
	return *this;
}

void Zlib::Clear()
{
	if(mode == DEFLATE)
		deflateEnd(z);
	if(mode == INFLATE)
		inflateEnd(z);
	mode = IDLE;
	error = false;
	gzipHeaderParsed = false;
	streamEnd = false;
	gzState = GZ_FIXED;
	gzFlags = 0;
	gzNeed = 0;
	total = 0;
	crc = 0;
	trailing.Clear();
	gzipHeader.Clear();
	gzipName.Clear();
	gzipComment.Clear();
	out.Clear();
}

void Zlib::Compress()
{
	Clear();
	if(deflateInit2(z, level, Z_DEFLATED, hdr && !gzip ? 15 : -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
		Panic("deflateInit2 failed");
	mode = DEFLATE;
	if(gzip)
		Output(sGZipHeader, sizeof(sGZipHeader));
}

void Zlib::Decompress()
{
	Clear();
	if(inflateInit2(z, hdr && !gzip ? 15 : -15) != Z_OK)
		Panic("inflateInit2 failed");
	mode = INFLATE;
}

void Zlib::Output(const void* data, int size)
{
	if(WhenOut)
		WhenOut(data, size);
}

void Zlib::Fail()
{
	if(mode == DEFLATE)
		deflateEnd(z);
	if(mode == INFLATE)
		inflateEnd(z);
	mode = IDLE;
	gzipHeader.Clear();
	gzipHeaderParsed = false;
	streamEnd = false;
	total = 0;
	error = true;
}

void Zlib::Put(const void* data, int size)
{
	const byte* p = (const byte*)data;
	while(size > 0) {
		int n = min(size, 0x1FFFFFFF);
		PutPiece(p, n);
		p += n;
		size -= n;
	}
}

void Zlib::PutPiece(const byte* data, int size)
{
	if(size < 1 || error || mode == IDLE)
		return;
	if(mode == INFLATE && gzip && !gzipHeaderParsed) {
		int used = ParseGZipHeader(data, size);
		if(error || !gzipHeaderParsed || used == size)
			return;
		data += used;
		size -= used;
	}
	if(mode == DEFLATE) {
		total += size;
		if(docrc || gzip)
			crc = (dword)crc32(crc, data, size);
	}
	z->next_in = (Bytef*)data;
	z->avail_in = size;
	Pump(false);
}

// Consumes what it can of a gzip member header (RFC 1952) and returns the count consumed; the
// header may arrive in pieces of any size, down to single bytes.
int Zlib::ParseGZipHeader(const byte* data, int size)
{
	const byte* p = data;
	const byte* e = data + size;
	auto next = [&](GzState from) {
		if(from < GZ_XLEN && (gzFlags & FLAG_EXTRA))
			return GZ_XLEN;
		if(from < GZ_NAME && (gzFlags & FLAG_NAME))
			return GZ_NAME;
		if(from < GZ_COMMENT && (gzFlags & FLAG_COMMENT))
			return GZ_COMMENT;
		if(from < GZ_HCRC && (gzFlags & FLAG_HCRC)) {
			gzNeed = 2;
			return GZ_HCRC;
		}
		return GZ_DONE;
	};
	while(p < e && gzState != GZ_DONE) {
		switch(gzState) {
		case GZ_FIXED:
		case GZ_XLEN: {
			int want = gzState == GZ_FIXED ? 10 : 12;
			int n = (int)min<int64>(e - p, want - gzipHeader.GetLength());
			gzipHeader.Cat((const char*)p, n);
			p += n;
			if(gzipHeader.GetLength() < want)
				break;
			const byte* h = (const byte*)gzipHeader.Begin();
			if(gzState == GZ_FIXED) {
				gzFlags = h[3];
				if(h[2] != 8 || gzFlags >= 32) {
					Fail();
					return int(p - data);
				}
				gzState = next(GZ_FIXED);
			}
			else {
				gzNeed = h[10] | (h[11] << 8);
				gzState = gzNeed ? GZ_EXTRA : next(GZ_EXTRA);
			}
			break;
		}
		case GZ_EXTRA:
		case GZ_HCRC: {
			int n = (int)min<int64>(e - p, gzNeed);
			p += n;
			gzNeed -= n;
			if(gzNeed == 0)
				gzState = next(gzState);
			break;
		}
		case GZ_NAME:
		case GZ_COMMENT: {
			String& text = gzState == GZ_NAME ? gzipName : gzipComment;
			const byte* z0 = (const byte*)memchr(p, 0, e - p);
			const byte* end = z0 ? z0 : e;
			text.Cat((const char*)p, int(end - p));
			p = z0 ? z0 + 1 : e;
			if(z0)
				gzState = next(gzState);
			break;
		}
		case GZ_DONE:
			break;
		}
	}
	if(gzState == GZ_DONE) {
		gzipHeaderParsed = true;
		gzipHeader.Clear();
	}
	return int(p - data);
}

void Zlib::Pump(bool finish)
{
	if(error || mode == IDLE)
		return;
	if(!chunk)
		chunk = (byte*)MemoryAlloc(chunkSize);
	if(streamEnd) {
		trailing.Cat((const char*)z->next_in, z->avail_in);
		z->avail_in = 0;
		return;
	}
	for(;;) {
		z->next_out = chunk;
		z->avail_out = chunkSize;
		int flush = finish ? Z_FINISH : Z_NO_FLUSH;
		int r = mode == DEFLATE ? deflate(z, flush) : inflate(z, flush);
		int n = chunkSize - z->avail_out;
		if(n && mode == INFLATE) {
			if(docrc || gzip)
				crc = (dword)crc32(crc, chunk, n);
			total += n;
		}
		if(n)
			Output(chunk, n);
		if(mode == INFLATE) {
			if(r == Z_STREAM_END) {
				streamEnd = true;
				trailing.Cat((const char*)z->next_in, z->avail_in);
				z->avail_in = 0;
				return;
			}
			if(r == Z_BUF_ERROR)
				return;
			if(r != Z_OK)
				break;
			if(z->avail_in == 0 && z->avail_out != 0)
				return;
		}
		else {
			if(r == Z_STREAM_END || r == Z_BUF_ERROR)
				return;
			if(r != Z_OK)
				break;
			if(z->avail_out != 0 && !finish)
				return;
		}
	}
	Fail();
}

void Zlib::End()
{
	if(mode == IDLE)
		return;
	bool headerMissing = mode == INFLATE && gzip && !gzipHeaderParsed;
	if(!headerMissing) {
		z->avail_in = 0;
		Pump(true);
	}
	if(error)
		return;
	if(mode == DEFLATE) {
		if(gzip) {
			dword trailer[2] = { crc, total };
			Output(trailer, 8);
		}
		deflateEnd(z);
	}
	else {
		if(gzip)
			error = trailing.GetLength() != 8 || sLe32(trailing.Begin()) != crc || sLe32(trailing.Begin() + 4) != total;
		else
			error = !streamEnd; // the data stopped before the end of the compressed stream
		inflateEnd(z);
	}
	mode = IDLE;
	gzipHeader.Clear();
	gzipHeaderParsed = false;
	total = 0;
}

namespace {

int64 sZlibPipe(Stream& dst, Stream& src, int64 size, const Gate<int64, int64>& progress,
                bool gzip, bool compress, dword* crc, bool hdr, bool* zerror)
{
	Zlib zlib;
	zlib.GZip(gzip).CRC(crc).Header(hdr);
	OutFilterStream fs(dst, zlib);
	if(compress)
		zlib.Compress();
	else
		zlib.Decompress();
	if(CopyBetweenStreams(fs, src, size, progress, 65536) < 0 || src.IsError())
		return -1;
	fs.Close();
	if(zerror)
		*zerror = zlib.IsError();
	if(dst.IsError() || fs.IsError())
		return -1;
	if(crc)
		*crc = zlib.GetCRC();
	return fs.GetPassedOn();
}

String sToString(StringStream& out, int64 r)
{
	return r < 0 ? String::GetVoid() : out.GetResult();
}

} // namespace

int64 ZlibPipe(Stream& dst, Stream& src, int64 size, Gate<int64, int64> progress,
               bool gzip, bool compress, dword* crc, bool hdr)
{
	return sZlibPipe(dst, src, size, progress, gzip, compress, crc, hdr, nullptr);
}

int64 ZCompress(Stream& dst, Stream& src, Gate<int64, int64> progress)
{
	return ZlibPipe(dst, src, src.GetLeft(), progress, false, true, nullptr, true);
}

int64 ZDecompress(Stream& dst, Stream& src, Gate<int64, int64> progress)
{
	return ZlibPipe(dst, src, src.GetLeft(), progress, false, false, nullptr, true);
}

String ZCompress(const void* data, int64 len, Gate<int64, int64> progress)
{
	MemReadStream in(data, len);
	StringStream out;
	return sToString(out, ZCompress(out, in, progress));
}

String ZCompress(const String& s, Gate<int64, int64> progress)
{
	return ZCompress(s.Begin(), s.GetLength(), progress);
}

String ZDecompress(const void* data, int len, Gate<int64, int64> progress)
{
	MemReadStream in(data, len);
	StringStream out;
	return sToString(out, ZDecompress(out, in, progress));
}

String ZDecompress(const String& s, Gate<int64, int64> progress)
{
	return ZDecompress(s.Begin(), s.GetLength(), progress);
}

namespace {

bool sGZFile(const char* dstpath, const char* srcpath, const Gate<int64, int64>& progress, bool compress)
{
	FileIn in(srcpath);
	if(!in.IsOpen())
		return false;
	FileOut out(dstpath);
	if(!out.IsOpen())
		return false;
	bool zerror = false;
	int64 r = sZlibPipe(out, in, in.GetSize(), progress, true, compress, nullptr, false, &zerror);
	out.Close();
	return r >= 0 && !zerror && !out.IsError();
}

} // namespace

bool GZCompressFile(const char* dstpath, const char* srcpath, Gate<int64, int64> progress)
{
	return sGZFile(dstpath, srcpath, progress, true);
}

bool GZDecompressFile(const char* dstpath, const char* srcpath, Gate<int64, int64> progress)
{
	return sGZFile(dstpath, srcpath, progress, false);
}

} // namespace Qel
