// File streams: a BlockStream whose medium is a POSIX file descriptor. FileIn reads, FileOut
// writes under an exclusive lock, FileStream does either by its open mode.
#pragma once

#include "BlockStream.h"

namespace Qel {

class FileStream : public BlockStream {
protected:
	int fd = -1;

	dword Read(int64 at, void* ptr, dword size) override;
	void  Write(int64 at, const void* data, dword size) override;
	void  SetStreamSize(int64 size) override;

public:
	enum : dword {
		OPEN_READ      = 0,
		OPEN_CREATE    = 1,
		OPEN_APPEND    = 2,
		OPEN_EXCLUSIVE = 0x10,
	};

	bool Open(const char* name, dword mode, int access = 0644);
	void Close() override;
	bool IsOpen() const override   { return fd != -1; }
	int  GetHandle() const         { return fd; }

	FileStream() = default;
	FileStream(const char* name, dword mode, int access = 0644) { Open(name, mode, access); }
	~FileStream() override;
};

class FileIn : public FileStream {
public:
	bool Open(const char* name)    { return FileStream::Open(name, OPEN_READ); }

	FileIn() = default;
	explicit FileIn(const char* name) { Open(name); }
};

// Writes a new file content; the exclusive lock keeps a second writer out, and a writer that
// is refused leaves the file as it was.
class FileOut : public FileStream {
public:
	bool Open(const char* name, int access = 0644) { return FileStream::Open(name, OPEN_CREATE | OPEN_EXCLUSIVE, access); }

	FileOut() = default;
	explicit FileOut(const char* name) { Open(name); }
};

} // namespace Qel
