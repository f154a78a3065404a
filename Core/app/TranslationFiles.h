// Translation files on disk: loading one file or every "*.tr" file of a folder (start-up loads
// those of the home folder), and the "--export-tr" start-up option that writes one.
#pragma once

#include <Core/container/Vector.h>
#include <Core/text/WString.h>

namespace Qel {

// False when the file cannot be read, is no regular file, is too large or does not parse.
bool LoadTranslationFile(const char* path);
// Every "*.tr" file of the folder (the current one when null), in directory order.
void LoadTranslationFiles(const char* folder);

namespace detail {

// What "--export-tr" asks for: the file stem, the character set of the export and the
// arguments that name its first and second language (empty when not given).
struct TrExportRequest {
	WString stem = "all";
	int     charset = 255;
	WString language[2];
};

// Finds "--export-tr" among the arguments and reads what follows it.
bool        FindTrExport(const Vector<WString>& args, TrExportRequest& request);
// Writes the requested translations to folder/stem.tr and ends the process.
[[noreturn]] void ExportTranslations(const TrExportRequest& request, const char* folder);

} // namespace detail

} // namespace Qel
