#include "Log.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace Qel {

void StdLogPut(const char* text, int length)
{
	while(length > 0) {
		ssize_t n = write(2, text, length);
		if(n <= 0) {
			if(n < 0 && errno == EINTR)
				continue;
			return; // nothing more can be written: give up rather than spin
		}
		text += n;
		length -= (int)n;
	}
}

void StdLogPut(const char* text)
{
	StdLogPut(text, (int)strlen(text));
}

} // namespace Qel
