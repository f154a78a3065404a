// Internals of font replacement, shared with the generator of the built-in face table.
#pragma once

#include <Core/base/Defs.h>

namespace Qel::detail {

struct ReplaceRecord {
	const char* name;
	byte        panose[10];
	dword       coverage[8];
};

// The built-in table (FontReplaceTable.cpp, made by tools/fontreplace).
const ReplaceRecord* BuiltinReplaceTable(int& count);

// Marks the coverage blocks of the characters first..last.
void SetCoverage(dword* coverage, int first, int last);
bool HasCoverage(const dword* coverage, int c);
// A record from the face's own "cmap" and "OS/2" PANOSE; false when either cannot be read.
bool ComputeReplaceRecord(int face, ReplaceRecord& r);

} // namespace Qel::detail
