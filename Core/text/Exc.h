// Exc: the base of the framework's exceptions. It is the message text itself, so a handler
// reads it like any String.
#pragma once

#include "String.h"

namespace Qel {

class Exc : public String {
public:
	// Out of line: a program that makes an Exc links Exc.cpp, whose start-up code reports an Exc
	// that nothing catches.
	Exc();
	Exc(const char* text);
	Exc(const String& text);
};

// Unwinds the application body; thrown only by Exit (App.h). A thread's body ends quietly on it,
// so it is known here, below both.
struct ExitExc {};

} // namespace Qel
