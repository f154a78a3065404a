#include "MemStream.h"

namespace Qel {

void MemStream::Open(const void* data, int64 size, dword style)
{
	version = 0;
	flags = style;
	windowPos = 0;
	windowStart = cursor = (byte*)data;
	readLimit = windowStart + max<int64>(size, 0);
	writeLimit = style & STRM_WRITE ? readLimit : windowStart;
}

MemStream::MemStream(void* data, int64 size)
{
	Open(data, size, STRM_READ | STRM_WRITE | STRM_SEEK);
}

void MemStream::PutSlow(const void* data, dword size)
{
	if(size <= (dword)(writeLimit - cursor)) {
		if(size) {
			memcpy(cursor, data, size);
			cursor += size;
		}
	}
	else
		SetError(ERROR_NOT_ENOUGH_SPACE);
}

dword MemStream::GetSlow(void* data, dword size)
{
	dword n = min(size, dword(readLimit - cursor));
	if(n) {
		memcpy(data, cursor, n);
		cursor += n;
	}
	return n;
}

void MemStream::Seek(int64 pos)
{
	cursor = windowStart + clamp<int64>(pos, 0, readLimit - windowStart);
}

int64 MemStream::GetSize() const
{
	return readLimit - windowStart;
}

MemReadStream::MemReadStream(const void* data, int64 size)
{
	Create(data, size);
}

void MemReadStream::Create(const void* data, int64 size)
{
	Open(data, size, STRM_LOADING | STRM_READ | STRM_SEEK);
}

} // namespace Qel
