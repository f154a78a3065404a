#include "Panic.h"

#include <cstdio>
#include <cstdlib>

namespace Qel {

// Least form until the full panic path (log, message box, signal reset) lands.
void Panic(const char* text)
{
	fprintf(stderr, "****************** PANIC: %s\n", text);
	abort();
}

} // namespace Qel
