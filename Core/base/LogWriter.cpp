#include "LogWriter.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace Qel::detail {

namespace {

std::atomic<LogWriterFn> sWriter;

} // namespace

void SetLogWriter(LogWriterFn writer)
{
	sWriter.store(writer);
}

void WriteLog(const char* text, int length)
{
	if(LogWriterFn w = sWriter.load()) {
		w(text, length);
		return;
	}
	while(length > 0) {
		ssize_t n = write(2, text, length);
		if(n < 0 && errno == EINTR)
			continue;
		if(n <= 0)
			return;
		text += n;
		length -= n;
	}
}

void WriteLog(const char* text)
{
	WriteLog(text, (int)strlen(text));
}

} // namespace Qel::detail
