// Zlib: push-style deflate/inflate over the system zlib, in zlib, raw and gzip framing. Input is
// pushed with Put, output comes out through WhenOut in chunks (by default it is collected into
// a String). One-call helpers compress strings, memory, streams and files.
#pragma once

#include "Stream.h"

struct z_stream_s;

namespace Qel {

class Zlib {
public:
	Function<void (const void*, int)> WhenOut;

	void Compress();
	void Decompress();
	void Put(const void* data, int size);
	void Put(const String& s)      { Put(s.Begin(), s.GetLength()); }
	void End();
	void Clear();

	const String& Get() const      { return out; }

	bool   IsError() const         { return error; }
	dword  GetCRC() const          { return crc; }
	String GetGZipName() const     { return gzipName; }
	String GetGZipComment() const  { return gzipComment; }

	Zlib& GZip(bool b = true)      { gzip = b; return *this; }
	Zlib& Header(bool b = true)    { hdr = b; return *this; }
	Zlib& NoHeader()               { return Header(false); }
	Zlib& CRC(bool b = true)       { docrc = b; return *this; }
	Zlib& Level(int l)             { level = l; return *this; }
	Zlib& ChunkSize(int n);

	Zlib();
	Zlib(const Zlib&) = delete;
	Zlib& operator=(const Zlib&) = delete;
	~Zlib();

private:
	enum { IDLE, DEFLATE, INFLATE };
	enum GzState : byte { GZ_FIXED, GZ_XLEN, GZ_EXTRA, GZ_NAME, GZ_COMMENT, GZ_HCRC, GZ_DONE };

	z_stream_s* z = nullptr;
	byte*  chunk = nullptr;
	int    chunkSize = 4096;
	int    mode = IDLE;
	dword  crc = 0;
	dword  total = 0;
	int    level = -1;
	bool   docrc = false;
	bool   hdr = true;
	bool   error = false;
	bool   gzip = false;
	bool   gzipHeaderParsed = false;
	bool   streamEnd = false;
	GzState gzState = GZ_FIXED;
	byte   gzFlags = 0;
	int    gzNeed = 0;
	String trailing;
	String gzipHeader;
	String gzipName;
	String gzipComment;
	String out;

	void Begin();
	void Fail();
	void Pump(bool finish);
	void PutPiece(const byte* data, int size);
	int  ParseGZipHeader(const byte* data, int size);
	void Output(const void* data, int size);
};

// The common engine of the one-call functions: size bytes of src through a Zlib into dst.
// Returns the bytes written to dst, or -1 when a stream failed or the gate cancelled.
int64 ZlibPipe(Stream& dst, Stream& src, int64 size, Gate<int64, int64> progress = {},
               bool gzip = false, bool compress = true, dword* crc = nullptr, bool hdr = true);

int64  ZCompress(Stream& dst, Stream& src, Gate<int64, int64> progress = {});
int64  ZDecompress(Stream& dst, Stream& src, Gate<int64, int64> progress = {});
String ZCompress(const void* data, int64 len, Gate<int64, int64> progress = {});
String ZCompress(const String& s, Gate<int64, int64> progress = {});
String ZDecompress(const void* data, int len, Gate<int64, int64> progress = {});
String ZDecompress(const String& s, Gate<int64, int64> progress = {});

bool GZCompressFile(const char* dstpath, const char* srcpath, Gate<int64, int64> progress = {});
// Fails also on corrupt data or a wrong gzip trailer.
bool GZDecompressFile(const char* dstpath, const char* srcpath, Gate<int64, int64> progress = {});

dword CRC32(const void* data, int64 len, dword crc = 0);
inline dword CRC32(const String& s) { return CRC32(s.Begin(), s.GetLength()); }

} // namespace Qel
