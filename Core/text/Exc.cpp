#include "Exc.h"

#include <cerrno>
#include <cstdlib>
#include <exception>
#include <unistd.h>

namespace Qel {

namespace {

void sWriteStderr(const char* text, size_t length)
{
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

// An Exc that nothing caught ends the process with its text on standard error; then the
// runtime's own report.
std::terminate_handler sPreviousTerminate;

[[noreturn]] void sTerminate()
{
	if(std::exception_ptr e = std::current_exception()) {
		try {
			std::rethrow_exception(e);
		}
		catch(const Exc& x) {
			sWriteStderr("Uncaught exception: ", 20);
			sWriteStderr(x.Begin(), x.GetLength());
			sWriteStderr("\n", 1);
		}
		catch(...) {}
	}
	if(sPreviousTerminate)
		sPreviousTerminate();
	abort();
}

[[maybe_unused]] const bool sTerminateInstalled = (sPreviousTerminate = std::set_terminate(sTerminate), true);

} // namespace

Exc::Exc() = default;
Exc::Exc(const char* text) : String(text) {}
Exc::Exc(const String& text) : String(text) {}

} // namespace Qel
