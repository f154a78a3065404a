// Streams over a caller's memory block, which must outlive the stream. Nothing is copied:
// the window is the block itself, so reads and writes run on the inline fast paths.
#pragma once

#include "Stream.h"

namespace Qel {

class MemStream : public Stream {
protected:
	void  PutSlow(const void* data, dword size) override;
	dword GetSlow(void* data, dword size) override;

public:
	void  Seek(int64 pos) override;
	int64 GetSize() const override;
	bool  IsOpen() const override  { return true; }

	MemStream(void* data, int64 size);

protected:
	MemStream() = default;
	void Open(const void* data, int64 size, dword style);
};

// A read-only MemStream: every write is refused with ERROR_NOT_ENOUGH_SPACE.
class MemReadStream : public MemStream {
public:
	MemReadStream(const void* data, int64 size);
	MemReadStream() = default;

	void Create(const void* data, int64 size);
};

} // namespace Qel
