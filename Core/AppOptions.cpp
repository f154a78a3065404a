// The options that start-up handles itself, before the application sees its arguments.
#include "App.h"

namespace Qel::detail {

namespace {

// The fifth character of a language argument (such as "csCZA") picks the 8-bit set of the export.
int sExportCharset(const WString& code)
{
	if(code.GetLength() < 5)
		return 255;
	int c = code[4];
	if(c >= 'A' && c <= 'J')
		return c - 'A' + 1;
	if(c >= '0' && c <= '8')
		return c - '0' + 15;
	return 255;
}

bool sIsLanguageArgument(const Vector<WString>& args, int i)
{
	return i < args.GetCount() && (args[i].GetLength() == 4 || args[i].GetLength() == 5);
}

} // namespace

bool FindTrExport(const Vector<WString>& args, TrExportRequest& request)
{
	const WString option = "--export-tr";
	int i = 0;
	while(i < args.GetCount() && args[i] != option)
		i++;
	if(i >= args.GetCount())
		return false;
	request = TrExportRequest();
	if(sIsLanguageArgument(args, i + 1)) {
		request.stem = args[i + 1];
		request.language[0] = args[i + 1];
		request.charset = sExportCharset(args[i + 1]);
	}
	if(sIsLanguageArgument(args, i + 2))
		request.language[1] = args[i + 2];
	return true;
}

bool CheckStartupOptions(const Vector<WString>& args)
{
	// The home folder's "*.tr" files load here, first, once translation files can be read.
	TrExportRequest request;
	if(!FindTrExport(args, request))
		return true;
	// Writing <stem>.tr into the home folder and leaving with 0 belongs here; until translations
	// and their files exist, the option is left to the application.
	return true;
}

} // namespace Qel::detail
