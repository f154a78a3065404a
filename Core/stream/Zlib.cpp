#include "Zlib.h"
#include "FileStream.h"
#include <Core/base/Heap.h>
#include "MemStream.h"
#include "OutFilterStream.h"
#include <Core/base/Panic.h>
#include "StringStream.h"

#include <Core/detail/FileReplace.h>
#include <Core/detail/SystemNames.h>
#include <sys/statvfs.h>
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
	gzMember = MEMBER_HEADER;
	gzFlags = 0;
	gzNeed = 0;
	gzHeaderCrc = 0;
	gzHeaderCrcGot = 0;
	gzMembers = 0;
	gzTrailerLen = 0;
	produced = 0;
	total = 0;
	crc = 0;
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
	produced += size;
	if(maxOutput >= 0 && produced > maxOutput) {
		Fail();
		return;
	}
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
	if(mode == INFLATE && gzip) {
		while(size > 0 && !error) {
			int used = PutGZipPiece(data, size);
			data += used;
			size -= used;
		}
		return;
	}
	if(mode == INFLATE && streamEnd)
		return; // what follows a zlib or raw stream is not looked at, nor kept
	if(mode == DEFLATE) {
		total += size;
		if(docrc || gzip)
			crc = (dword)crc32(crc, data, size);
	}
	z->next_in = (Bytef*)data;
	z->avail_in = size;
	Pump(false);
}

// One step through the members of a gzip file; returns the count of bytes consumed. Each
// member's trailer is checked as soon as it is complete, so nothing after it is held.
int Zlib::PutGZipPiece(const byte* data, int size)
{
	switch(gzMember) {
	case MEMBER_HEADER: {
		int used = ParseGZipHeader(data, size);
		if(gzipHeaderParsed)
			gzMember = MEMBER_DATA;
		return used;
	}
	case MEMBER_DATA:
		z->next_in = (Bytef*)data;
		z->avail_in = size;
		Pump(false);
		if(error)
			return size;
		if(streamEnd)
			gzMember = MEMBER_TRAILER;
		else if(z->avail_in) // inflate takes all input until the end: never loop on the rest
			Fail();
		return size - int(z->avail_in);
	case MEMBER_TRAILER: {
		int n = min(size, 8 - gzTrailerLen);
		memcpy(gzTrailer + gzTrailerLen, data, n);
		gzTrailerLen += n;
		if(gzTrailerLen == 8) {
			if(sLe32((const char*)gzTrailer) != crc || sLe32((const char*)gzTrailer + 4) != total)
				Fail();
			else {
				gzMembers++;
				gzMember = MEMBER_AFTER;
			}
		}
		return n;
	}
	case MEMBER_AFTER:
		// zero bytes after the last member are padding (as from tape or block devices);
		// anything else starts the next member
		if(*data == 0)
			gzMember = MEMBER_PADDING;
		else
			NextMember();
		return 0;
	case MEMBER_PADDING:
		for(int i = 0; i < size; i++)
			if(data[i]) {
				Fail();
				break;
			}
		return size;
	}
	return size;
}

void Zlib::NextMember()
{
	if(inflateReset(z) != Z_OK) {
		Fail();
		return;
	}
	gzMember = MEMBER_HEADER;
	gzState = GZ_FIXED;
	gzipHeaderParsed = false;
	streamEnd = false;
	gzFlags = 0;
	gzNeed = 0;
	gzHeaderCrc = 0;
	gzHeaderCrcGot = 0;
	gzTrailerLen = 0;
	crc = 0;
	total = 0;
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
			gzHeaderCrc = (dword)crc32(gzHeaderCrc, p, n);
			p += n;
			if(gzipHeader.GetLength() < want)
				break;
			const byte* h = (const byte*)gzipHeader.Begin();
			if(gzState == GZ_FIXED) {
				gzFlags = h[3];
				// the first member's magic is not insisted on; a later one must be a member
				bool stranger = gzMembers > 0 && (h[0] != 0x1F || h[1] != 0x8B);
				if(h[2] != 8 || gzFlags >= 32 || stranger) {
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
		case GZ_EXTRA: {
			int n = (int)min<int64>(e - p, gzNeed);
			gzHeaderCrc = (dword)crc32(gzHeaderCrc, p, n);
			p += n;
			gzNeed -= n;
			if(gzNeed == 0)
				gzState = next(gzState);
			break;
		}
		case GZ_HCRC:
			// the low 16 bits of the CRC-32 of the header before it, low byte first
			gzHeaderCrcGot |= word(*p++ << (8 * (2 - gzNeed)));
			if(--gzNeed == 0) {
				if(gzHeaderCrcGot != (gzHeaderCrc & 0xFFFF)) {
					Fail();
					return int(p - data);
				}
				gzState = GZ_DONE;
			}
			break;
		case GZ_NAME:
		case GZ_COMMENT: {
			String& text = gzState == GZ_NAME ? gzipName : gzipComment;
			const byte* z0 = (const byte*)memchr(p, 0, e - p);
			const byte* end = z0 ? z0 : e;
			if(gzMembers == 0) // the file's name and comment are the first member's
				text.Cat((const char*)p, int(end - p));
			const byte* start = p;
			p = z0 ? z0 + 1 : e;
			gzHeaderCrc = (dword)crc32(gzHeaderCrc, start, int(p - start));
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
	if(error || mode == IDLE || streamEnd)
		return;
	if(!chunk)
		chunk = (byte*)MemoryAlloc(chunkSize);
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
		if(n) {
			Output(chunk, n);
			if(error)
				return;
		}
		if(mode == INFLATE) {
			if(r == Z_STREAM_END) {
				// what follows stays unconsumed: a gzip trailer, or nothing to look at
				streamEnd = true;
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
	if(mode == DEFLATE || (gzip ? gzMember == MEMBER_DATA : !streamEnd)) {
		z->avail_in = 0;
		Pump(true);
	}
	if(error)
		return;
	if(mode == DEFLATE) {
		if(gzip) {
			dword trailer[2] = { crc, total };
			Output(trailer, 8);
			if(error)
				return;
		}
		deflateEnd(z);
	}
	else {
		// gzip: the input stopped after a whole member (or in the padding after it); otherwise
		// before the end of the compressed stream
		error = gzip ? gzMember != MEMBER_AFTER && gzMember != MEMBER_PADDING : !streamEnd;
		inflateEnd(z);
	}
	mode = IDLE;
	gzipHeader.Clear();
	gzipHeaderParsed = false;
	total = 0;
}

namespace {

// The most a String holds.
constexpr int64 sStringMax = 0x7FFFFFFE;

// damaged, when given, tells a failure of the data (corrupt, or more output than maxout) from
// one of the streams or the gate.
int64 sZlibPipe(Stream& dst, Stream& src, int64 size, const Gate<int64, int64>& progress,
                bool gzip, bool compress, dword* crc, bool hdr, int64 maxout, bool* damaged)
{
	Zlib zlib;
	zlib.GZip(gzip).CRC(crc).Header(hdr).MaxOutput(maxout);
	OutFilterStream fs(dst, zlib);
	if(compress)
		zlib.Compress();
	else
		zlib.Decompress();
	if(CopyBetweenStreams(fs, src, size, progress, 65536) < 0 || src.IsError())
		return -1;
	fs.Close();
	if(zlib.IsError()) {
		if(damaged)
			*damaged = true;
		return -1;
	}
	if(dst.IsError() || fs.IsError())
		return -1;
	if(crc)
		*crc = zlib.GetCRC();
	return fs.GetPassedOn();
}

String sToString(const void* data, int64 len, const Gate<int64, int64>& progress, bool compress, int64 maxsize)
{
	MemReadStream in(data, len);
	StringStream out;
	bool damaged = false;
	int64 r = sZlibPipe(out, in, len, progress, false, compress, nullptr, true,
	                    clamp<int64>(maxsize, 0, sStringMax), &damaged);
	return r >= 0 ? out.GetResult() : damaged ? String() : String::GetVoid();
}

} // namespace

int64 ZlibPipe(Stream& dst, Stream& src, int64 size, Gate<int64, int64> progress,
               bool gzip, bool compress, dword* crc, bool hdr)
{
	return sZlibPipe(dst, src, size, progress, gzip, compress, crc, hdr, -1, nullptr);
}

int64 ZCompress(Stream& dst, Stream& src, Gate<int64, int64> progress)
{
	return ZlibPipe(dst, src, src.GetLeft(), progress, false, true, nullptr, true);
}

int64 ZDecompress(Stream& dst, Stream& src, Gate<int64, int64> progress, int64 maxsize)
{
	return sZlibPipe(dst, src, src.GetLeft(), progress, false, false, nullptr, true, max<int64>(maxsize, 0), nullptr);
}

String ZCompress(const void* data, int64 len, Gate<int64, int64> progress)
{
	return sToString(data, len, progress, true, sStringMax);
}

String ZCompress(const String& s, Gate<int64, int64> progress)
{
	return ZCompress(s.Begin(), s.GetLength(), progress);
}

String ZDecompress(const void* data, int len, Gate<int64, int64> progress, int maxsize)
{
	return sToString(data, len, progress, false, maxsize);
}

String ZDecompress(const String& s, Gate<int64, int64> progress, int maxsize)
{
	return ZDecompress(s.Begin(), s.GetLength(), progress, maxsize);
}

namespace {

bool sGZFile(const char* dstpath, const char* srcpath, const Gate<int64, int64>& progress, bool compress,
            int64 maxout)
{
	FileIn in(srcpath);
	if(!in.IsOpen())
		return false;
	return detail::ReplaceFile(dstpath, [&](Stream& out) {
		return sZlibPipe(out, in, in.GetSize(), progress, true, compress, nullptr, false, maxout, nullptr) >= 0;
	});
}

// Half the space free where the file goes: a bomb stops before the disk is full.
int64 sDiskShare(const char* dstpath)
{
	String path = detail::ToSystemName(dstpath);
	int slash = path.ReverseFind('/');
	String folder = slash < 0 ? String(".") : slash == 0 ? String("/") : path.Left(slash);
	struct statvfs fs;
	if(statvfs(~folder, &fs) != 0)
		return INT64_MAX;
	return int64(min<uint64>(uint64(fs.f_bavail) * fs.f_frsize / 2, INT64_MAX));
}

} // namespace

bool GZCompressFile(const char* dstpath, const char* srcpath, Gate<int64, int64> progress)
{
	return sGZFile(dstpath, srcpath, progress, true, -1);
}

bool GZDecompressFile(const char* dstpath, const char* srcpath, Gate<int64, int64> progress, int64 maxsize)
{
	return sGZFile(dstpath, srcpath, progress, false, maxsize < 0 ? sDiskShare(dstpath) : maxsize);
}

} // namespace Qel
