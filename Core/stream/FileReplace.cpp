#include <Core/detail/FileReplace.h>
#include <Core/detail/SystemNames.h>
#include "FileStream.h"

#include <Core/base/Random.h>

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Qel {

namespace {

bool sWriteAll(FileStream& out, const Function<bool (Stream&)>& write)
{
	bool ok = write(out);
	if(ok) {
		out.Flush();
		ok = !out.IsError() && fsync(out.GetHandle()) == 0;
	}
	out.Close();
	return ok && !out.IsError();
}

// The old way, for folders that take no new file: the content is cut before it is written.
bool sWriteInPlace(const char* path, const Function<bool (Stream&)>& write)
{
	FileOut out(path);
	return out.IsOpen() && sWriteAll(out, write);
}

// A stream over the new file's descriptor: the file is already made, by its system name.
struct sNewFile : FileStream {
	void Adopt(int h)
	{
		fd = h;
		OpenInit(STRM_READ | STRM_WRITE | STRM_SEEK, 0);
	}
};

struct Fd {
	int h = -1;
	~Fd() { if(h >= 0) close(h); }
};

} // namespace

bool detail::ReplaceFile(const char* path, const Function<bool (Stream&)>& write)
{
	String target = ToSystemName(path);
	struct stat st;
	if(lstat(~target, &st) == 0 && S_ISLNK(st.st_mode)) {
		char* r = realpath(~target, nullptr);
		if(!r) // a link to nothing yet: the file is made where it points, as before
			return sWriteInPlace(path, write);
		target = r;
		free(r);
	}
	bool exists = stat(~target, &st) == 0;
	if(exists && !S_ISREG(st.st_mode)) {
		errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
		return false;
	}
	// a writer that holds the old file keeps it
	Fd lock;
	if(exists) {
		lock.h = open(~target, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
		if(lock.h >= 0 && flock(lock.h, LOCK_EX | LOCK_NB) < 0)
			return false;
	}
	int slash = target.ReverseFind('/');
	String folder = slash < 0 ? String(".") : slash == 0 ? String("/") : target.Left(slash);
	String name = target.Mid(slash + 1);
	String tmp;
	int h = -1;
	for(int i = 0; i < 100 && h < 0; i++) {
		char rnd[24];
		snprintf(rnd, sizeof(rnd), ".%08x.tmp", (unsigned)Random64());
		tmp = folder + "/." + name + rnd;
		h = open(~tmp, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, exists ? st.st_mode & 07777 : 0644);
		if(h < 0 && errno != EEXIST)
			break;
	}
	if(h < 0) {
		if(errno != EACCES && errno != EPERM)
			return false;
		// the in-place writer takes the lock on its own descriptor: this one would refuse it
		close(lock.h);
		lock.h = -1;
		return sWriteInPlace(path, write);
	}
	// the bits exactly, past the umask
	bool ok = !exists || fchmod(h, st.st_mode & 07777) == 0;
	sNewFile out;
	out.Adopt(h);
	ok = ok && sWriteAll(out, write) && rename(~tmp, ~target) == 0;
	if(!ok) {
		int e = errno; // the reason, not that of cleaning up
		out.Close();
		unlink(~tmp);
		errno = e;
		return false;
	}
	// the rename itself reaches the disk with the folder
	Fd dir;
	dir.h = open(~folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
	if(dir.h >= 0)
		fsync(dir.h);
	return true;
}

} // namespace Qel
