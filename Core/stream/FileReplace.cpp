#include <Core/detail/FileReplace.h>
#include <Core/detail/SystemNames.h>
#include "FileStream.h"

#include <Core/base/Random.h>
#include <Core/container/Buffer.h>

#include <errno.h>
#include <fcntl.h>
#include <linux/falloc.h>
#include <stdlib.h>
#include <string.h>
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

// A file made where a link to nothing points: there is no old content to keep.
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

// A file that nothing names, in the temporary folder; -1 when none can be made.
int sStagingFile()
{
	const char* env = getenv("TMPDIR");
	String folder = env && *env ? String(env) : String("/tmp");
	int h = open(~folder, O_RDWR | O_TMPFILE | O_CLOEXEC, 0600);
	if(h >= 0)
		return h;
	String pattern = folder + "/.qel-save-XXXXXX";
	Buffer<char> name(pattern.GetLength() + 1);
	memcpy(name, ~pattern, pattern.GetLength() + 1);
	h = mkostemp(name, O_CLOEXEC);
	if(h >= 0)
		unlink(name);
	return h;
}

// Copies the bytes from begin to end of one file to the same place in another.
bool sCopy(int from, int to, off_t begin, off_t end)
{
	for(off_t at = begin; at < end;) {
		char b[65536];
		ssize_t n = pread(from, b, (size_t)min<off_t>(sizeof(b), end - at), at);
		if(n < 0 && errno == EINTR)
			continue;
		if(n <= 0) {
			errno = n == 0 ? EIO : errno;
			return false;
		}
		for(ssize_t done = 0; done < n;) {
			ssize_t w = pwrite(to, b + done, size_t(n - done), at + done);
			if(w > 0)
				done += w;
			else if(w == 0 || errno != EINTR) {
				errno = w == 0 ? EIO : errno;
				return false;
			}
		}
		at += n;
	}
	return true;
}

// Overwrites the regular file at target where its folder takes no new file. The content goes to
// a staging file first, so a write that gives up or finds the disk full leaves the old file as
// it was. No old byte is overwritten before the room for the new content is sure: it is reserved
// where the file system can, and the part beyond the old length is written first (and flushed
// where nothing could be reserved, as some file systems find the disk full only then); when that
// fails the file is cut back to its old length. Only an error while overwriting the old bytes
// can leave it mixed.
bool sWriteOver(const String& target, const Function<bool (Stream&)>& write)
{
	int s = sStagingFile();
	if(s < 0)
		return false;
	sNewFile stage;
	stage.Adopt(s);
	bool ok = write(stage);
	if(ok) {
		stage.Flush();
		ok = !stage.IsError();
		if(!ok)
			errno = stage.GetError() ? stage.GetError() : EIO;
	}
	struct stat st, old;
	Fd out;
	if(ok) {
		out.h = open(~target, O_WRONLY | O_NONBLOCK | O_CLOEXEC);
		ok = out.h >= 0 && fstat(s, &st) == 0 && fstat(out.h, &old) == 0;
	}
	bool reserved = false;
	if(ok && st.st_size > 0) {
		reserved = fallocate(out.h, FALLOC_FL_KEEP_SIZE, 0, st.st_size) == 0;
		ok = reserved || errno == EOPNOTSUPP || errno == ENOSYS;
	}
	if(ok && st.st_size > old.st_size &&
	   !(sCopy(s, out.h, old.st_size, st.st_size) && (reserved || fsync(out.h) == 0))) {
		int e = errno;
		if(ftruncate(out.h, old.st_size) == 0)
			fsync(out.h);
		errno = e;
		ok = false;
	}
	ok = ok && sCopy(s, out.h, 0, min(st.st_size, old.st_size)) && ftruncate(out.h, st.st_size) == 0 &&
	     fsync(out.h) == 0;
	int e = errno; // the reason, not that of cleaning up
	stage.Close();
	errno = e;
	return ok;
}

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
		// the lock stays held while the old file is overwritten
		return exists ? sWriteOver(target, write) : sWriteInPlace(path, write);
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
