// The options that start-up handles itself, before the application sees its arguments.
#include "App.h"
#include "Translate.h"

#include <cstdlib>

namespace Qel::detail {

namespace {

// The folder that holds the user's translation files and receives exports.
String sHomeFolder()
{
	const char* home = getenv("HOME");
	return home && *home ? String(home) : String("/root");
}

} // namespace

bool CheckStartupOptions(const Vector<WString>& args)
{
	String home = sHomeFolder();
	LoadTranslationFiles(~home);
	TrExportRequest request;
	if(!FindTrExport(args, request))
		return true;
	ExportTranslations(request, ~home);
}

} // namespace Qel::detail
