// Replacing a file's content so that a failure leaves the old content: the new one is written to
// a file beside it, flushed to the disk and only then renamed over the old one.
#pragma once

#include <Core/base/Function.h>

namespace Qel {
class Stream;
}

namespace Qel::detail {

// write fills the stream and returns false to give up. A symbolic link is followed (the file it
// names is replaced); an existing file keeps its permission bits, and one that another writer
// holds locked is not touched. Where the folder refuses a new file, the file is written in place,
// and a failure there leaves the old content too (short of an I/O error while it is overwritten).
// On failure errno tells why the file could not be written or renamed.
bool ReplaceFile(const char* path, const Function<bool (Stream&)>& write);

} // namespace Qel::detail
