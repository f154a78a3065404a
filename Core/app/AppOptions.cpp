// The options that start-up handles itself, before the application sees its arguments.
#include "App.h"
#include "Environment.h"
#include "TranslationFiles.h"

namespace Qel::detail {

bool CheckStartupOptions(const Vector<WString>& args)
{
	String home = GetHomeDirectory();
	LoadTranslationFiles(~home);
	TrExportRequest request;
	if(!FindTrExport(args, request))
		return true;
	ExportTranslations(request, ~home);
}

} // namespace Qel::detail
