// Zlib: push-style deflate/inflate over the system zlib, in zlib, raw and gzip framing. Input is
// pushed with Put, output comes out through WhenOut in chunks (by default it is collected into
// a String). One-call helpers compress strings, memory, streams and files.
#pragma once

#include "Stream.h"

#include <climits>

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
	// Output beyond n bytes (negative: no bound) is an error: a decompression bomb stops there.
	Zlib& MaxOutput(int64 n)       { maxOutput = n; return *this; }

	Zlib();
	Zlib(const Zlib&) = delete;
	Zlib& operator=(const Zlib&) = delete;
	~Zlib();

private:
	enum { IDLE, DEFLATE, INFLATE };
	enum GzState : byte { GZ_FIXED, GZ_XLEN, GZ_EXTRA, GZ_NAME, GZ_COMMENT, GZ_HCRC, GZ_DONE };
	// Where gzip decompression stands within the members of a file.
	enum GzMember : byte { MEMBER_HEADER, MEMBER_DATA, MEMBER_TRAILER, MEMBER_AFTER, MEMBER_PADDING };

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
	GzMember gzMember = MEMBER_HEADER;
	byte   gzFlags = 0;
	int    gzNeed = 0;
	dword  gzHeaderCrc = 0;    // CRC-32 of the header bytes so far, checked against FHCRC
	word   gzHeaderCrcGot = 0;
	int    gzMembers = 0;      // members whose trailer checked out
	byte   gzTrailer[8];
	int    gzTrailerLen = 0;
	int64  produced = 0;
	int64  maxOutput = -1;
	String gzipHeader;
	String gzipName;
	String gzipComment;
	String out;

	void Begin();
	void Fail();
	void Pump(bool finish);
	void PutPiece(const byte* data, int size);
	int  PutGZipPiece(const byte* data, int size);
	int  ParseGZipHeader(const byte* data, int size);
	void NextMember();
	void Output(const void* data, int size);
};

// The common engine of the one-call functions: size bytes of src through a Zlib into dst.
// Returns the bytes written to dst, or -1 when a stream failed, the data was damaged or the gate
// cancelled.
int64 ZlibPipe(Stream& dst, Stream& src, int64 size, Gate<int64, int64> progress = {},
               bool gzip = false, bool compress = true, dword* crc = nullptr, bool hdr = true);

// Decompressing, damaged data and output beyond maxsize are failures: -1, or for the String
// forms the empty String (the void String when the gate cancelled or a stream failed). The
// String forms never produce more than a String holds.
int64  ZCompress(Stream& dst, Stream& src, Gate<int64, int64> progress = {});
int64  ZDecompress(Stream& dst, Stream& src, Gate<int64, int64> progress = {}, int64 maxsize = INT64_MAX);
String ZCompress(const void* data, int64 len, Gate<int64, int64> progress = {});
String ZCompress(const String& s, Gate<int64, int64> progress = {});
String ZDecompress(const void* data, int len, Gate<int64, int64> progress = {}, int maxsize = INT_MAX);
String ZDecompress(const String& s, Gate<int64, int64> progress = {}, int maxsize = INT_MAX);

// The file forms write the new file beside the old one and rename it over it once complete: a
// failure (a full disk, a cancel, bad data) leaves an existing destination as it was.
bool GZCompressFile(const char* dstpath, const char* srcpath, Gate<int64, int64> progress = {});
// Reads every member of the file, and zero padding after the last. Fails also on corrupt data,
// a wrong gzip trailer or output beyond maxsize; a negative maxsize stands for half the space
// free on the destination's file system, so that a bomb cannot fill the disk.
bool GZDecompressFile(const char* dstpath, const char* srcpath, Gate<int64, int64> progress = {},
                      int64 maxsize = -1);

dword CRC32(const void* data, int64 len, dword crc = 0);
inline dword CRC32(const String& s) { return CRC32(s.Begin(), s.GetLength()); }

} // namespace Qel
