#include "FileStream.h"
#include <Core/detail/SystemNames.h>

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>

namespace Qel {

namespace {

std::atomic<detail::SystemNameFn> sSystemName;

} // namespace

void detail::SetSystemNameConversion(SystemNameFn convert)
{
	sSystemName.store(convert);
}

String detail::ToSystemName(const String& name)
{
	SystemNameFn convert = sSystemName.load();
	return convert ? convert(name) : name;
}

bool FileStream::Open(const char* name, dword mode, int access)
{
	Close();
	dword kind = mode & ~0x70u;
	// Never truncate before the file is known to be regular and, when asked, locked: a writer
	// refused by the lock must leave the file untouched. O_NONBLOCK keeps a FIFO from blocking.
	int oflags = (kind == OPEN_READ ? O_RDONLY : O_RDWR | O_CREAT) | O_NONBLOCK | O_CLOEXEC;
	int h = open(~detail::ToSystemName(name), oflags, access);
	if(h < 0) {
		SetError(errno);
		return false;
	}
	struct stat st;
	int code = 0;
	if(fstat(h, &st) < 0)
		code = errno;
	else if(S_ISDIR(st.st_mode))
		code = EISDIR;
	else if(!S_ISREG(st.st_mode) || st.st_size < 0)
		code = EINVAL;
	if(code) {
		close(h);
		SetError(code);
		return false;
	}
	if(((mode & OPEN_EXCLUSIVE) && flock(h, LOCK_EX | LOCK_NB) < 0) ||
	   (kind == OPEN_CREATE && ftruncate(h, 0) < 0) ||
	   fcntl(h, F_SETFL, fcntl(h, F_GETFL) & ~O_NONBLOCK) < 0) {
		code = errno;
		close(h);
		SetError(code);
		return false;
	}
	OpenInit(kind == OPEN_READ ? STRM_LOADING | STRM_READ | STRM_SEEK : STRM_READ | STRM_WRITE | STRM_SEEK,
	         kind == OPEN_CREATE ? 0 : st.st_size);
	fd = h;
	if(kind == OPEN_APPEND)
		Seek(GetSize());
	return true;
}

dword FileStream::Read(int64 at, void* ptr, dword size)
{
	if(IsError() || fd < 0)
		return 0;
	dword done = 0;
	while(done < size) {
		ssize_t n = pread(fd, (byte*)ptr + done, size - done, at + done);
		if(n < 0) {
			if(errno == EINTR)
				continue;
			SetError(errno);
			return 0;
		}
		if(n == 0)
			break;
		done += (dword)n;
	}
	return done;
}

void FileStream::Write(int64 at, const void* data, dword size)
{
	if(IsError() || fd < 0)
		return;
	dword done = 0;
	while(done < size) {
		ssize_t n = pwrite(fd, (const byte*)data + done, size - done, at + done);
		if(n < 0) {
			if(errno == EINTR)
				continue;
			SetError(errno);
			return;
		}
		if(n == 0) {
			SetError(ERROR_NOT_ENOUGH_SPACE);
			return;
		}
		done += (dword)n;
	}
}

void FileStream::SetStreamSize(int64 size)
{
	if(fd >= 0 && ftruncate(fd, size) < 0)
		SetError(errno);
}

void FileStream::Close()
{
	if(fd < 0)
		return;
	Flush();
	if(close(fd) < 0)
		SetError(errno);
	fd = -1;
}

FileStream::~FileStream()
{
	Close();
}

} // namespace Qel
