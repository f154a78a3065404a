// The process's standard output and standard error as Streams. They keep no buffer of their
// own: every byte goes to the C library's stream, which buffers (stdout) or not (stderr).
#pragma once

#include "Stream.h"

namespace Qel {

class CerrStream : public Stream {
protected:
	void PutSlow(int w) override;
	void PutSlow(const void* data, dword size) override;

public:
	bool IsOpen() const override   { return true; }
};

// Standard output without carriage returns.
class CoutStream : public Stream {
protected:
	void PutSlow(int w) override;

public:
	void Flush() override;
	bool IsOpen() const override   { return true; }
};

Stream& StdErrStream();
Stream& StdOutStream();
inline Stream& Cerr()              { return StdErrStream(); }
inline Stream& Cout()              { return StdOutStream(); }

} // namespace Qel
