#include "Stream.h"
#include <Core/base/Panic.h>
#include <Core/base/Heap.h>
#include <Core/text/Utf.h>
#include <Core/text/WString.h>

namespace Qel {

Stream::~Stream() = default;

void Stream::PutSlow(int)
{
	SetError(ERROR_NOT_ENOUGH_SPACE);
}

int Stream::TermSlow()
{
	return -1;
}

int Stream::GetSlow()
{
	return -1;
}

void Stream::PutSlow(const void* data, dword size)
{
	const byte* s = (const byte*)data;
	const byte* e = s + size;
	while(s < e) {
		if(cursor < writeLimit)
			*cursor++ = *s++;
		else
			PutSlow(*s++);
	}
}

dword Stream::GetSlow(void* data, dword size)
{
	byte* t = (byte*)data;
	byte* e = t + size;
	while(t < e) {
		int c = cursor < readLimit ? *cursor++ : GetSlow();
		if(c < 0)
			break;
		*t++ = (byte)c;
	}
	return dword(t - (byte*)data);
}

void  Stream::Seek(int64)    {}
int64 Stream::GetSize() const { return 0; }
void  Stream::SetSize(int64) {}
void  Stream::Flush()        {}
void  Stream::Close()        {}

void Stream::LoadError()
{
	SetError(ERROR_LOADING_FAILED);
	if(flags & STRM_THROW)
		throw LoadingError();
}

bool Stream::GetAllSlow(void* data, int size)
{
	if(size < 0 || GetSlow(data, size) != (dword)size) {
		LoadError();
		return false;
	}
	return true;
}

void Stream::PutBlock(const void* data, int64 size)
{
	const byte* s = (const byte*)data;
	while(size > 0) {
		int n = (int)min<int64>(size, 0x7FFFFFFF);
		Put(s, n);
		s += n;
		size -= n;
	}
}

int64 Stream::GetBlock(void* data, int64 size)
{
	byte* t = (byte*)data;
	int64 total = 0;
	while(size > 0) {
		int n = (int)min<int64>(size, 0x7FFFFFFF);
		int got = Get(t, n);
		total += got;
		if(got < n)
			break;
		t += n;
		size -= n;
	}
	return total;
}

String Stream::ReadString(int size)
{
	if(size <= 0)
		return String();
	if(cursor && size <= readLimit - cursor) {
		String r((const char*)cursor, size);
		cursor += size;
		return r;
	}
	StringBuffer b(size);
	int n = Get(b.Begin(), size);
	b.SetLength(n);
	return String(b);
}

String Stream::ReadStringExact(int size)
{
	if(size < 0) {
		LoadError();
		return String::GetVoid();
	}
	if(size > 4194303) {
		BlockList bl;
		if(!ReadBlocksExact(bl, size))
			return String::GetVoid();
		return bl.Join();
	}
	String r = ReadString(size);
	if(r.GetLength() != size) {
		LoadError();
		return String::GetVoid();
	}
	return r;
}

String Stream::ReadLine()
{
	String r;
	bool any = false;
	for(;;) {
		if(cursor < readLimit) {
			any = true;
			const byte* e = (const byte*)memchr(cursor, '\n', readLimit - cursor);
			if(e) {
				r.Cat((const char*)cursor, int(e - cursor));
				cursor = (byte*)e + 1;
				break;
			}
			r.Cat((const char*)cursor, int(readLimit - cursor));
			cursor = readLimit;
		}
		int c = GetSlow();
		if(c < 0) {
			if(!any)
				return String::GetVoid();
			break;
		}
		any = true;
		if(c == '\n')
			break;
		r.Cat(c);
	}
	if(r.GetLength() && r[r.GetLength() - 1] == '\r')
		r.Trim(r.GetLength() - 1);
	return r;
}

int64 Stream::ReadBlocks(BlockList& bl, int64 size)
{
	int64 done = 0;
	while(done < size) {
		int n = (int)min<int64>(size - done, BlockList::BLOCK);
		int got = Get(bl.AddBlock(), n);
		done += got;
		if(got < n)
			break;
	}
	bl.Trim(done);
	return done;
}

bool Stream::ReadBlocksExact(BlockList& bl, int64 size)
{
	if(ReadBlocks(bl, size) != size) {
		LoadError();
		return false;
	}
	return true;
}

void Stream::Serialize(bool& b)
{
	byte x = b;
	SerializeLE(x);
	if(IsLoading())
		b = x;
}

Stream& Stream::PackValue(dword& w)
{
	if(IsLoading()) {
		int c = Get();
		if(c < 0) {
			LoadError();
			w = 0xFFFFFFFF;
		}
		else
			w = c == 255 ? (dword)Get32le() : (dword)c;
	}
	else if(w < 255)
		Put(w);
	else {
		Put(255);
		Put32le(w);
	}
	return *this;
}

Stream& Stream::PackNullable(int& i)
{
	dword w = dword(i + 1u);
	PackValue(w);
	if(IsLoading())
		i = int(w - 1u);
	return *this;
}

void Stream::Serialize(String& s)
{
	if(IsError())
		return;
	if(IsLoading()) {
		int c = Get();
		if(c < 0) {
			LoadError();
			s = String::GetVoid();
			return;
		}
		dword len = c;
		bool skip = false; // the high-bit forms carry one byte more, which must be there
		if(c == 255) {
			len = Get32le();
			if(IsError()) {
				s = String::GetVoid();
				return;
			}
			skip = len & 0x80000000;
			len &= 0x7FFFFFFF;
		}
		else if(c >= 128) {
			len = c - 128;
			skip = true;
		}
		if(skip && Get() < 0) {
			LoadError();
			s = String::GetVoid();
			return;
		}
		s = ReadStringExact((int)len);
		if(s.IsVoid())
			LoadError();
	}
	else {
		int len = s.GetLength();
		if(len <= 126)
			Put(len);
		else {
			Put(255);
			Put32le(len);
		}
		Put(s.Begin(), len);
	}
}

void Stream::Serialize(WString& s)
{
	if(IsError())
		return;
	if(IsLoading()) {
		int c = Get();
		if(c < 0) {
			LoadError();
			s = WString();
			return;
		}
		int64 n = c;
		if(c == 255) {
			n = (dword)Get32le();
			if(IsError()) {
				s = WString();
				return;
			}
		}
		int64 bytes = 2 * n;
		if(bytes > 0x7FFFFFFF) {
			LoadError();
			s = WString();
			return;
		}
		String raw = ReadStringExact((int)bytes);
		if(raw.IsVoid()) {
			LoadError();
			s = WString();
			return;
		}
		s = ToUtf32((const char16*)raw.Begin(), (int)n);
	}
	else {
		Vector<char16> u = ToUtf16(s.Begin(), s.GetLength());
		int n = u.GetCount();
		if(n <= 254)
			Put(n);
		else {
			Put(255);
			Put32le(n);
		}
		PutBlock(u.begin(), 2 * (int64)n);
	}
}

void Stream::SerializeWords(dword* data, int64 count)
{
	if(IsError() || count <= 0)
		return;
	if(IsLoading()) {
		if(GetBlock(data, 4 * count) != 4 * count)
			LoadError();
	}
	else
		PutBlock(data, 4 * count);
}

Stream& PutLineFeed(Stream& s)
{
	s.Put('\n');
	return s;
}

Stream& operator<<(Stream& s, const char* text)
{
	s.Put(text);
	return s;
}

Stream& operator<<(Stream& s, const String& text)
{
	s.Put(text);
	return s;
}

namespace {

template <class T>
void sSerializeVector(Stream& s, Vector<T>& v)
{
	int count = v.GetCount();
	s.PackNullable(count);
	if(s.IsStoring()) {
		s.SerializeWords(v.begin(), count);
		return;
	}
	if(count < 0) {
		s.LoadError();
		return;
	}
	v.Clear();
	if(count >= 1)
		v.Reserve(min(count, 16384));
	int done = 0;
	while(done < count && s.IsOK()) {
		int step = min(count - done, 65536);
		v.SetCount(done + step);
		s.SerializeWords(v.begin() + done, step);
		if(s.IsError())
			v.SetCount(done); // keep only what really arrived
		else
			done += step;
	}
}

} // namespace

void Serialize(Stream& s, Vector<int>& v)   { sSerializeVector(s, v); }
void Serialize(Stream& s, Vector<dword>& v) { sSerializeVector(s, v); }

BlockList::~BlockList()
{
	for(byte* b : blocks)
		MemoryFree(b);
}

byte* BlockList::AddBlock()
{
	byte* b = (byte*)MemoryAlloc(BLOCK);
	blocks.Add(b);
	total += BLOCK;
	return b;
}

void BlockList::CopyOut(int64 offset, int64 count, void* dst) const
{
	byte* t = (byte*)dst;
	while(count > 0) {
		int i = int(offset / BLOCK);
		int o = int(offset % BLOCK);
		int n = (int)min<int64>(count, BLOCK - o);
		memcpy(t, blocks[i] + o, n);
		t += n;
		offset += n;
		count -= n;
	}
}

String BlockList::Join() const
{
	if(total >= 0x7FFFFFFF)
		Panic("String is too big!");
	StringBuffer b((int)total);
	CopyOut(0, total, b.Begin());
	return String(b);
}

String ReadRestOfStream(Stream& s)
{
	s.ClearError();
	if(!s.IsOpen())
		return String::GetVoid();
	int64 n = s.GetSize() - s.GetPos();
	if(n >= 0x7FFFFFFF)
		return String::GetVoid();
	String r = s.ReadString((int)max<int64>(n, 0));
	return s.IsError() ? String::GetVoid() : r;
}

int64 CopyBetweenStreams(Stream& dst, Stream& src, int64 count, Gate<int64, int64> progress, int chunk)
{
	if(count <= 0)
		return 0;
	int size = (int)min<int64>(max(chunk, 1), count);
	struct Block {
		byte* ptr;
		~Block() { MemoryFree(ptr); }
	} block{(byte*)MemoryAlloc(size)};
	byte* buffer = block.ptr;
	int64 total = 0;
	while(total < count) {
		int n = src.Get(buffer, (int)min<int64>(size, count - total));
		if(n < 1)
			break;
		dst.Put(buffer, n);
		if(dst.IsError()) {
			total = -1;
			break;
		}
		total += n;
		if(progress && progress(total, count)) {
			total = -1;
			break;
		}
	}
	return total;
}


OutStream::OutStream()
{
	ownedBlock = (byte*)MemoryAlloc(BUFFER);
	windowStart = cursor = ownedBlock;
	writeLimit = ownedBlock + BUFFER;
	readLimit = nullptr;
}

OutStream::~OutStream()
{
	MemoryFree(ownedBlock);
}

void OutStream::PutSlow(int w)
{
	Flush();
	*cursor++ = (byte)w;
}

void OutStream::PutSlow(const void* data, dword size)
{
	if(cursor == ownedBlock || size >= dword(writeLimit - cursor)) {
		Flush();
		windowPos += size;
		Out(data, size);
	}
	else {
		memcpy(cursor, data, size);
		cursor += size;
	}
}

void OutStream::Flush()
{
	if(cursor > ownedBlock) {
		dword n = dword(cursor - ownedBlock);
		// The window moves on with the bytes handed out, so GetPos counts everything written.
		windowPos += n;
		cursor = ownedBlock;
		Out(ownedBlock, n);
	}
}

} // namespace Qel
