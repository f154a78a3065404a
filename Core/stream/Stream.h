// Stream: the one byte-stream abstraction. A window of bytes (cursor between the window start
// and the read/write limits) makes single bytes and small blocks inline; everything else goes
// through the virtual operations. Serialisation is symmetric: one operation reads when the
// stream is loading and writes otherwise. The wire form is little-endian.
#pragma once

#include <Core/base/Defs.h>
#include <Core/text/Exc.h>
#include <Core/base/Function.h>
#include <Core/types/Gtypes.h>
#include <Core/text/String.h>
#include <Core/container/Vector.h>

namespace Qel {

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the wire form is copied as it lies in memory");

class StreamError : public Exc {
public:
	StreamError() = default;
};

class LoadingError : public StreamError {
public:
	LoadingError() = default;
};

// Flag bits of a stream; bits 6-21 hold the error code.
enum : dword {
	STRM_THROW   = 0x01,
	STRM_LOADING = 0x02,
	STRM_READ    = 0x04,
	STRM_WRITE   = 0x08,
	STRM_SEEK    = 0x10,
	STRM_ERROR   = 0x20,
};

// Error codes other than errno values.
enum {
	ERROR_NOT_ENOUGH_SPACE = 65535,
	ERROR_LOADING_FAILED   = 65534,
	ERROR_SHORT_READ       = 65533, // the medium held fewer bytes than its known size (cut meanwhile)
};

class BlockList;
class WString;

// A callback whose true result asks the caller to stop (progress reports and the like).
template <class... Args>
using Gate = Function<bool (Args...)>;

class Stream {
protected:
	int64 windowPos = 0;
	byte* windowStart = nullptr;
	byte* cursor = nullptr;
	byte* readLimit = nullptr;
	byte* writeLimit = nullptr;
	dword flags = 0;
	int version = 0;

	static constexpr dword ERROR_BITS = 0x3FFFE0; // bits 5-21: the error flag and its code

	virtual void  PutSlow(int w);
	virtual int   TermSlow();
	virtual int   GetSlow();
	virtual void  PutSlow(const void* data, dword size);
	virtual dword GetSlow(void* data, dword size);

public:
	virtual void  Seek(int64 pos);
	virtual int64 GetSize() const;
	virtual void  SetSize(int64 size);
	virtual void  Flush();
	virtual void  Close();
	virtual bool  IsOpen() const = 0;

	Stream() = default;
	Stream(const Stream&) = delete;
	Stream& operator=(const Stream&) = delete;
	virtual ~Stream();

	// State
	dword GetStyle() const         { return flags; }
	bool  IsError() const          { return flags & STRM_ERROR; }
	bool  IsOK() const             { return !IsError(); }
	int   GetError() const         { return (flags >> 6) & 0xFFFF; }
	void  SetError(int code = 0)   { flags = (flags & ~ERROR_BITS) + (dword)(code & 0xFFFF) * 64 + STRM_ERROR; }
	void  ClearError()             { flags &= ~ERROR_BITS; }
	bool  IsLoading() const        { return flags & STRM_LOADING; }
	bool  IsStoring() const        { return !IsLoading(); }
	void  SetLoading()             { flags |= STRM_LOADING; }
	void  SetStoring()             { flags &= ~STRM_LOADING; }
	void  LoadThrowing()           { flags |= STRM_THROW; }
	void  LoadNoThrowing()         { flags &= ~STRM_THROW; }
	bool  IsThrowing() const       { return flags & STRM_THROW; }
	int   GetVersion() const       { return version; }
	void  SetVersion(int v)        { version = v; }
	void  LoadError();

	// Position
	int64 GetPos() const           { return windowPos + (cursor - windowStart); }
	int64 GetLeft() const          { return GetSize() - GetPos(); }
	bool  IsEof()                  { return cursor >= readLimit && TermSlow() < 0; }

	// Bytes
	void Put(int c)
	{
		if(cursor < writeLimit)
			*cursor++ = (byte)c;
		else
			PutSlow(c);
	}
	int Get()
	{
		return cursor < readLimit ? *cursor++ : GetSlow();
	}
	int Peek()
	{
		return cursor < readLimit ? *cursor : TermSlow();
	}

	// Blocks
	// A negative size (a damaged count, say) moves nothing.
	void Put(const void* data, int size)
	{
		if(cursor && size <= writeLimit - cursor && size >= 0) {
			memcpy(cursor, data, size);
			cursor += size;
		}
		else if(size > 0)
			PutSlow(data, size);
	}
	int Get(void* data, int size)
	{
		if(cursor && size <= readLimit - cursor && size >= 0) {
			memcpy(data, cursor, size);
			cursor += size;
			return size;
		}
		return size > 0 ? GetSlow(data, size) : 0;
	}
	void  PutBlock(const void* data, int64 size);
	int64 GetBlock(void* data, int64 size);
	bool  GetAll(void* data, int size)
	{
		if(cursor && size <= readLimit - cursor && size >= 0) {
			memcpy(data, cursor, size);
			cursor += size;
			return true;
		}
		return GetAllSlow(data, size);
	}

	// Text
	void Put(const char* s)        { Put(s, (int)strlen(s)); }
	void Put(const String& s)      { Put(s.Begin(), s.GetLength()); }
	String ReadString(int size);
	String ReadStringExact(int size);
	String ReadLine();
	String GetLine()               { return ReadLine(); }

	int64 ReadBlocks(BlockList& bl, int64 size);
	bool  ReadBlocksExact(BlockList& bl, int64 size);

	// Little-endian words; a short read is a load error and gives -1.
	int   Get16le()                { word w; return GetAll(&w, 2) ? (int)w : -1; }
	int   Get32le()                { int w; return GetAll(&w, 4) ? w : -1; }
	int64 Get64le()                { int64 w; return GetAll(&w, 8) ? w : -1; }
	void  Put16le(word w)          { Put(&w, 2); }
	void  Put32le(dword w)         { Put(&w, 4); }
	void  Put64le(uint64 w)        { Put(&w, 8); }

	// Serialisation
	void Serialize(bool& b);
	void Serialize(char& c)        { SerializeLE(c); }
	void Serialize(int8& c)        { SerializeLE(c); }
	void Serialize(byte& c)        { SerializeLE(c); }
	void Serialize(int16& w)       { SerializeLE(w); }
	void Serialize(word& w)        { SerializeLE(w); }
	void Serialize(int& w)         { SerializeLE(w); }
	void Serialize(dword& w)       { SerializeLE(w); }
	void Serialize(int64& w)       { SerializeLE(w); }
	void Serialize(uint64& w)      { SerializeLE(w); }
	void Serialize(float& w)       { SerializeLE(w); }
	void Serialize(double& w)      { SerializeLE(w); }
	void Serialize(String& s);
	void Serialize(WString& s);

	template <class T>
	void Serialize(Point_<T>& p)   { SerializeLE(p.x); SerializeLE(p.y); }
	template <class T>
	void Serialize(Size_<T>& sz)   { SerializeLE(sz.cx); SerializeLE(sz.cy); }
	template <class T>
	void Serialize(Rect_<T>& r)    { SerializeLE(r.left); SerializeLE(r.top); SerializeLE(r.right); SerializeLE(r.bottom); }

	Stream& PackValue(dword& w);
	Stream& PackNullable(int& i);
	void    SerializeWords(int* data, int64 count)   { SerializeWords((dword*)data, count); }
	void    SerializeWords(dword* data, int64 count);

private:
	bool GetAllSlow(void* data, int size);

	// A fixed-size little-endian value; a short read is a load error and leaves all bits set.
	template <class T>
	QEL_FORCE_INLINE void SerializeLE(T& x)
	{
		if(IsLoading()) {
			if(cursor && (int)sizeof(T) <= readLimit - cursor) {
				memcpy(&x, cursor, sizeof(T));
				cursor += sizeof(T);
			}
			else if(!GetAllSlow(&x, sizeof(T)))
				memset(&x, 0xFF, sizeof(T));
		}
		else
			Put(&x, sizeof(T));
	}
};

// s % x serialises x: its own Serialize(Stream&) when it has one, else the stream's form.
template <class T>
Stream& operator%(Stream& s, T& x)
{
	if constexpr(requires { x.Serialize(s); })
		x.Serialize(s);
	else if constexpr(requires { s.Serialize(x); })
		s.Serialize(x);
	else
		Serialize(s, x);
	return s;
}

Stream& PutLineFeed(Stream& s);
Stream& operator<<(Stream& s, const char* text);
Stream& operator<<(Stream& s, const String& text);

// Packed count, then the items as 32-bit words.
void Serialize(Stream& s, Vector<int>& v);
void Serialize(Stream& s, Vector<dword>& v);

// Separately allocated 1 MiB blocks: large reads fill these as data arrives, so a damaged
// length costs memory only as far as the stream really holds bytes.
class BlockList {
public:
	static constexpr int BLOCK = 1024 * 1024;

	BlockList() = default;
	BlockList(const BlockList&) = delete;
	BlockList& operator=(const BlockList&) = delete;
	~BlockList();

	byte*  AddBlock();
	int64  GetTotal() const        { return total; }
	void   Trim(int64 n)           { total = n; }
	int    GetCount() const        { return blocks.GetCount(); }
	byte*  operator[](int i) const { return blocks[i]; }
	void   CopyOut(int64 offset, int64 count, void* dst) const;
	String Join() const;

private:
	Vector<byte*> blocks;
	int64 total = 0;
};

// The rest of an open stream; void when it cannot be read whole.
String ReadRestOfStream(Stream& s);

// Copies up to count bytes; the total copied, or -1 when the destination failed or the
// progress gate (total, count) asked to stop.
int64 CopyBetweenStreams(Stream& dst, Stream& src, int64 count,
                         Gate<int64, int64> progress = {}, int chunk = 65536);

// A buffered output base: subclasses receive whole blocks through Out.
class OutStream : public Stream {
	byte* ownedBlock = nullptr;

protected:
	void PutSlow(int w) override;
	void PutSlow(const void* data, dword size) override;

	virtual void Out(const void* data, dword size) = 0;

public:
	static constexpr int BUFFER = 65536;

	void Flush() override;
	void Close() override          { Flush(); }
	bool IsOpen() const override   { return true; }

	OutStream();
	~OutStream() override;
};

} // namespace Qel
