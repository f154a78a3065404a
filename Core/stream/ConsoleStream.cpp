#include "ConsoleStream.h"

#include <stdio.h>

namespace Qel {

void CerrStream::PutSlow(int w)
{
	putc(w, stderr);
}

void CerrStream::PutSlow(const void* data, dword size)
{
	fwrite(data, 1, size, stderr);
}

void CoutStream::PutSlow(int w)
{
	if(w != '\r')
		putc(w, stdout);
}

void CoutStream::Flush()
{
	fflush(stdout);
}

// Created on first use and never destroyed, so exit-time code can still write.
Stream& StdErrStream()
{
	static CerrStream* s = new CerrStream;
	return *s;
}

Stream& StdOutStream()
{
	static CoutStream* s = new CoutStream;
	return *s;
}

} // namespace Qel
