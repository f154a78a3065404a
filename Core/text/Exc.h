// Exc: the base of the framework's exceptions. It is the message text itself, so a handler
// reads it like any String.
#pragma once

#include "String.h"

namespace Qel {

class Exc : public String {
public:
	Exc() = default;
	Exc(const char* text) : String(text) {}
	Exc(const String& text) : String(text) {}
};

} // namespace Qel
