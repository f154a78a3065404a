#include "StringStream.h"
#include <Core/base/Panic.h>

namespace Qel {

void StringStream::Open(const String& data)
{
	windowPos = 0;
	content = data;
	flags = STRM_LOADING | STRM_READ | STRM_WRITE | STRM_SEEK;
	writeBuffer.Clear();
	writing = false;
	windowStart = cursor = (byte*)content.Begin();
	readLimit = windowStart + content.GetLength();
	writeLimit = windowStart;
}

void StringStream::Create()
{
	Open(String());
	SetStoring();
	SetWriteMode();
	ClearError();
}

void StringStream::SetWriteWindow(int64 offset)
{
	windowStart = (byte*)writeBuffer.Begin();
	readLimit = windowStart;
	// The limit caps the inline fast path as well: the buffer itself may be longer.
	writeLimit = windowStart + min(writeBuffer.GetLength(), sizeLimit);
	cursor = windowStart + offset;
}

void StringStream::SetWriteMode()
{
	if(writing)
		return;
	int64 offset = cursor - windowStart;
	logicalSize = content.GetLength();
	if(content.IsEmpty())
		writeBuffer.Clear(); // small results stay in the buffer's inline area, unallocated
	else {
		writeBuffer.~StringBuffer();
		new(&writeBuffer) StringBuffer(content); // takes the bytes over, copying only when shared
	}
	writing = true;
	SetWriteWindow(offset);
}

void StringStream::SetReadMode()
{
	if(!writing)
		return;
	int64 offset = cursor - windowStart;
	int size = (int)GetSize();
	writeBuffer.SetLength(size);
	content = String(writeBuffer);
	writing = false;
	windowStart = (byte*)content.Begin();
	cursor = windowStart + offset;
	readLimit = windowStart + size;
	writeLimit = windowStart;
}

String StringStream::GetResult()
{
	SetReadMode();
	return content;
}

void StringStream::SetSizeLimit(int limit)
{
	sizeLimit = limit;
	if(writing)
		SetWriteWindow(cursor - windowStart);
}

int64 StringStream::GetSize() const
{
	return writing ? max<int64>(logicalSize, cursor - windowStart) : content.GetLength();
}

void StringStream::PutSlow(const void* data, dword size)
{
	SetWriteMode();
	if(writeLimit > cursor && size < dword(writeLimit - cursor)) {
		memcpy(cursor, data, size);
		cursor += size;
		return;
	}
	int64 offset = cursor - windowStart;
	int64 need = offset + size;
	if(sizeLimit != 0x7FFFFFFF && need > sizeLimit)
		throw LimitExc();
	if(need >= 0x7FFFFFFF)
		Panic("2GB StringStream limit exceeded");
	int64 cur = GetSize();
	int64 len = min(max(2 * cur, cur + size), (int64)sizeLimit);
	len = max(len, need);
	if(len <= 128)
		len = 128;
	if(len > writeBuffer.GetLength())
		writeBuffer.SetLength((int)len);
	SetWriteWindow(offset);
	memcpy(cursor, data, size);
	cursor += size;
}

void StringStream::PutSlow(int w)
{
	byte b = (byte)w;
	PutSlow(&b, 1);
}

dword StringStream::GetSlow(void* data, dword size)
{
	SetReadMode();
	dword n = min(size, dword(readLimit - cursor));
	if(n) {
		memcpy(data, cursor, n);
		cursor += n;
	}
	return n;
}

int StringStream::GetSlow()
{
	SetReadMode();
	return cursor < readLimit ? *cursor++ : -1;
}

int StringStream::TermSlow()
{
	SetReadMode();
	return cursor < readLimit ? *cursor : -1;
}

void StringStream::Seek(int64 pos)
{
	pos = max<int64>(pos, 0);
	int64 old = GetSize();
	// A stream that is being read stops at its end, like every other reading stream; only a
	// writing stream grows, and never past what it may hold.
	if(pos > old && IsLoading() && !writing)
		pos = old;
	if(pos > old && (pos > sizeLimit || pos >= 0x7FFFFFFF))
		throw LimitExc();
	logicalSize = (int)old;
	if(pos > old) {
		SetWriteMode();
		int64 offset = cursor - windowStart;
		writeBuffer.SetLength((int)min<int64>(pos + 100, 0x7FFFFFFF));
		SetWriteWindow(offset);
		memset(windowStart + old, 0, pos - old); // the gap reads back as zeros
		logicalSize = (int)pos;
	}
	cursor = windowStart + min(GetSize(), pos);
}

void StringStream::SetSize(int64 size)
{
	SetWriteMode();
	int64 pos = GetPos();
	Seek(size);
	logicalSize = (int)max<int64>(size, 0);
	Seek(min(pos, size));
}

} // namespace Qel
