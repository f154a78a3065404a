#include "BlockStream.h"
#include <Core/base/Heap.h>

namespace Qel {

// Invariant: every byte of the page buffer at or beyond knownSize is zero, so a page written back
// after the medium grew never carries stale bytes from another page into the gap.

dword BlockStream::Read(int64, void*, dword) { return 0; }
void  BlockStream::Write(int64, const void*, dword) {}
void  BlockStream::SetStreamSize(int64) {}

BlockStream::~BlockStream()
{
	if(windowStart)
		MemoryFree(windowStart);
}

void BlockStream::SetWindow(int64 pos)
{
	windowPos = pos & pageMask;
	cursor = windowStart + (pos - windowPos);
	readLimit = writeLimit = windowStart;
}

void BlockStream::ZeroPageFrom(int64 offset)
{
	if(offset < pageSize)
		memset(windowStart + max<int64>(offset, 0), 0, pageSize - max<int64>(offset, 0));
}

// The whole pages of a transfer of size bytes from the current position when it starts on a
// page boundary, else 0.
int64 BlockStream::WholePages(dword size) const
{
	if(GetPos() & (pageSize - 1))
		return 0;
	return size & pageMask;
}

void BlockStream::SetPageSize(dword size)
{
	int64 pos = 0;
	bool open = IsOpen();
	if(open) {
		pos = GetPos();
		Flush();
	}
	dword p = 2;
	while(p <= size / 2 && p < (1u << 30))
		p *= 2;
	if(windowStart)
		MemoryFree(windowStart);
	pageSize = (int)p;
	pageMask = ~(int64)(p - 1);
	windowStart = (byte*)MemoryAlloc(p);
	memset(windowStart, 0, p);
	windowPos = 0;
	cursor = readLimit = writeLimit = windowStart;
	pagePos = -1;
	pageDirty = false;
	if(open)
		Seek(pos);
}

void BlockStream::OpenInit(dword style, int64 size)
{
	if(!windowStart)
		SetPageSize(4096);
	flags = style;
	knownSize = size;
	windowPos = 0;
	pagePos = -1;
	pageDirty = false;
	cursor = readLimit = writeLimit = windowStart;
}

int64 BlockStream::GetSize() const
{
	if(IsError() || !windowStart)
		return 0;
	return max(GetPos(), knownSize);
}

void BlockStream::Flush()
{
	if(!IsOpen() || IsError() || !pageDirty || pagePos < 0)
		return;
	SyncSize();
	int64 n = min(knownSize - pagePos, (int64)pageSize);
	if(n > 0)
		Write(pagePos, windowStart, (dword)n);
	writeLimit = windowStart;
	pageDirty = false;
}

void BlockStream::Seek(int64 pos)
{
	if(IsError() || !windowStart)
		return;
	pos = max<int64>(pos, 0);
	if(flags & STRM_WRITE) {
		SyncSize();
		SetWindow(pos);
		if(knownSize < pos) {
			SetStreamSize(pos);
			knownSize = pos;
		}
	}
	else {
		pos = min(pos, knownSize);
		SyncSize();
		SetWindow(pos);
	}
}

void BlockStream::SetSize(int64 size)
{
	if(!IsOpen() || IsError())
		return;
	size = max<int64>(size, 0);
	int64 pos = GetPos();
	Flush();
	Seek(0);
	SetStreamSize(size);
	knownSize = size;
	if(pagePos >= 0)
		ZeroPageFrom(size - pagePos);
	Seek(min(pos, size));
}

bool BlockStream::LoadPage()
{
	if(IsError())
		return false;
	SyncSize();
	SetWindow(GetPos());
	if(pagePos != windowPos) {
		int64 n = min(knownSize - windowPos, (int64)pageSize);
		Flush();
		pagePos = windowPos;
		if(n > 0 && Read(windowPos, windowStart, (dword)n) != (dword)n) {
			if(!IsError())
				SetError(ERROR_SHORT_READ);
			pagePos = -1; // a half-read page must never be written back
			pageDirty = false;
			return false;
		}
		ZeroPageFrom(n);
	}
	return true;
}

int BlockStream::TermSlow()
{
	if(IsError() || !IsOpen() || !LoadPage())
		return -1;
	readLimit = windowStart + clamp(knownSize - windowPos, (int64)0, (int64)pageSize);
	return cursor < readLimit ? *cursor : -1;
}

int BlockStream::GetSlow()
{
	int c = TermSlow();
	if(c >= 0)
		cursor++;
	return c;
}

void BlockStream::PutSlow(int w)
{
	if(!IsOpen() || !LoadPage())
		return;
	writeLimit = windowStart + pageSize;
	pageDirty = true;
	*cursor++ = (byte)w;
}

void BlockStream::PutSlow(const void* data, dword size)
{
	if(size == 0 || IsError() || !IsOpen())
		return;
	const byte* s = (const byte*)data;
	int64 whole = WholePages(size);
	if(whole) { // page-aligned whole pages go straight to the medium
		int64 p = GetPos();
		SyncSize();
		if(pagePos >= p && pagePos < p + whole) { // the cached page is superseded
			pagePos = -1;
			pageDirty = false;
		}
		Write(p, s, (dword)whole);
		knownSize = max(knownSize, p + whole);
		SetWindow(p + whole);
		s += whole;
		size -= (dword)whole;
		if(size == 0)
			return;
	}
	if(!LoadPage())
		return;
	int64 p0 = GetPos();
	int64 e = p0 + size;
	int64 g0 = p0 & pageMask;
	int64 g1 = e & pageMask;
	writeLimit = windowStart + pageSize;
	pageDirty = true;
	if(g0 == g1) {
		memcpy(cursor, s, size);
		cursor += size;
		return;
	}
	int first = int(pageSize - (p0 - g0));
	memcpy(cursor, s, first);
	cursor = windowStart + pageSize;
	knownSize = max(knownSize, g1);
	SetWindow(g1);
	if(!LoadPage()) // writes the first page back, loads the last one when it holds data
		return;
	int64 mid = g1 - (g0 + pageSize);
	if(mid > 0)
		Write(g0 + pageSize, s + first, (dword)mid);
	int tail = int(e - g1);
	memcpy(windowStart, s + first + mid, tail);
	cursor = windowStart + tail;
	writeLimit = windowStart + pageSize;
	pageDirty = true;
}

dword BlockStream::GetSlow(void* data, dword size)
{
	if(size == 0 || IsError() || !IsOpen())
		return 0;
	SyncSize();
	int64 p0 = GetPos();
	int64 n = min((int64)size, GetSize() - p0);
	if(n <= 0)
		return 0;
	byte* t = (byte*)data;
	int64 whole = WholePages((dword)n);
	if(whole) { // page-aligned whole pages come straight from the medium
		if(pageDirty && pagePos >= p0 && pagePos < p0 + whole)
			Flush();
		if(Read(p0, t, (dword)whole) != (dword)whole) {
			if(!IsError())
				SetError(ERROR_SHORT_READ);
			return 0;
		}
		SetWindow(p0 + whole);
		return dword(whole + (n > whole ? GetSlow(t + whole, dword(n - whole)) : 0));
	}
	if(TermSlow() < 0)
		return 0;
	int64 e = p0 + n;
	int64 g0 = p0 & pageMask;
	int64 g1 = e & pageMask;
	if(g0 == g1) {
		memcpy(t, cursor, n);
		cursor += n;
		return (dword)n;
	}
	int first = int(pageSize - (p0 - g0));
	memcpy(t, cursor, first);
	int64 mid = g1 - (g0 + pageSize);
	if(mid > 0 && Read(g0 + pageSize, t + first, (dword)mid) != (dword)mid) {
		if(!IsError())
			SetError(ERROR_SHORT_READ);
		return 0;
	}
	int tail = int(e - g1);
	SetWindow(e);
	if(tail) {
		if(!LoadPage())
			return 0;
		memcpy(t + first + mid, windowStart, tail);
	}
	return (dword)n;
}

} // namespace Qel
