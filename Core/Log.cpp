#include "Log.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace Qel {

void StdLogPut(const char* text, int length)
{
	while(length > 0) {
		ssize_t n = write(2, text, length);
		if(n < 0) {
			if(errno == EINTR)
				continue;
			return;
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
