#include "OutFilterStream.h"
#include <Core/base/Heap.h>

namespace Qel {

void OutFilterStream::Reset()
{
	if(inputBlock)
		MemoryFree(inputBlock);
	inputBlock = (byte*)MemoryAlloc(BLOCK);
	windowStart = cursor = inputBlock;
	writeLimit = inputBlock + BLOCK;
	readLimit = nullptr;
	passedOn = 0;
	target = nullptr;
	flags = (flags & ~0x3Fu) | STRM_WRITE;
	windowPos = 0;
}

void OutFilterStream::HandOn()
{
	int n = int(cursor - inputBlock);
	if(n == 0)
		return;
	windowPos += n;
	cursor = inputBlock;
	if(onProgress)
		onProgress(windowPos);
	if(onInput)
		onInput(inputBlock, n);
}

void OutFilterStream::PassOut(const void* data, int size)
{
	if(!target || size <= 0)
		return;
	passedOn += size;
	target->Put(data, size);
}

void OutFilterStream::PutSlow(int w)
{
	if(!inputBlock) {
		SetError(ERROR_NOT_ENOUGH_SPACE);
		return;
	}
	HandOn();
	*cursor++ = (byte)w;
}

void OutFilterStream::PutSlow(const void* data, dword size)
{
	if(!inputBlock) {
		SetError(ERROR_NOT_ENOUGH_SPACE);
		return;
	}
	const byte* s = (const byte*)data;
	dword n = min(size, dword(writeLimit - cursor));
	memcpy(cursor, s, n);
	cursor += n;
	s += n;
	size -= n;
	while(size) {
		HandOn();
		// Whole blocks with more input behind them go to the filter without the copy; the filter
		// sees exactly the blocks it would have seen through the buffer.
		while(size > (dword)BLOCK) {
			windowPos += BLOCK;
			if(onProgress)
				onProgress(windowPos);
			if(onInput)
				onInput(s, BLOCK);
			s += BLOCK;
			size -= BLOCK;
		}
		n = min(size, (dword)BLOCK);
		memcpy(cursor, s, n);
		cursor += n;
		s += n;
		size -= n;
	}
}

void OutFilterStream::Close()
{
	if(!inputBlock)
		return;
	HandOn();
	if(onEnd)
		onEnd();
	MemoryFree(inputBlock);
	inputBlock = nullptr;
	windowStart = cursor = writeLimit = readLimit = nullptr;
}

OutFilterStream::~OutFilterStream()
{
	// The target may refuse the last output by throwing (a size limit, say), often while that very
	// exception is already unwinding past this stream; a destructor must not let it out.
	try {
		Close();
	}
	catch(...) {
	}
	if(inputBlock)
		MemoryFree(inputBlock);
}

} // namespace Qel
