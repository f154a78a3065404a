// The key-name table behind GetKeyDesc.
#pragma once

#include <gui/ctrl/Ctrl.h>
#include <gui/base/KeyCodes.h>

namespace Qel::detail {

// A key and the translation key of its name ("key\vEnter").
struct KeyName {
	int         code;
	const char* name;
};

// The names GetKeyDesc knows, ended by a record with code 0; made at start-up.
const Vector<KeyName>& KeyNames();

} // namespace Qel::detail
