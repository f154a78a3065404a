// The options that start-up handles itself, before the application sees its arguments.
#include "App.h"
#include "FileStream.h"
#include "Environment.h"
#include "Lang.h"
#include "Path.h"
#include "Translate.h"
#include "Utf.h"

#include <cstdlib>
#include <cstring>
#include <cstdio>

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

// A file that was not written must not look like a successful export.
void sExportFailed(const String& path, int code)
{
	String msg = "Cannot write the translation file " + path + ": " + strerror(code) + "\n";
	fwrite(~msg, 1, msg.GetLength(), stderr);
}

[[noreturn]] void sExportTranslations(const TrExportRequest& request)
{
	int charset = request.charset;
	int first = ParseLanguageCode(~ToUtf8(request.language[0]));
	int second = ParseLanguageCode(~ToUtf8(request.language[1]));
	String path = AppendFileName(GetHomeDirectory(), ToUtf8(request.stem) + ".tr");
	FileOut out(~path);
	if(!out.IsOpen()) {
		sExportFailed(path, out.GetError());
		exit(1);
	}
	if(first)
		SaveTranslationFile(out, SetLanguageCharset(first, charset), second ? SetLanguageCharset(second, charset) : 0);
	else {
		// a table record of EN-US carries charset bits the default record lacks: one export each
		Index<int> done;
		Index<int> languages = GetTranslationLanguages();
		for(int language : languages.GetKeys())
			if(done.Find(language & LNG_LANGUAGE_MASK) < 0) {
				done.Add(language & LNG_LANGUAGE_MASK);
				SaveTranslationFile(out, SetLanguageCharset(language, charset), 0);
			}
	}
	out.Close();
	if(out.IsError()) {
		sExportFailed(path, out.GetError());
		exit(1);
	}
	exit(0);
}

} // namespace

} // namespace Qel::detail

namespace Qel {

void LoadTranslationFiles(const char* folder)
{
	// the listing first: loading may take long, and the folder stays open no longer than needed
	Vector<String> files;
	for(FindFile ff(~AppendFileName(folder ? String(folder) : GetCurrentDirectory(), "*.tr")); ff; ff.Next())
		if(ff.IsFile())
			files.Add(ff.GetPath());
	for(const String& f : files)
		LoadTranslationFile(~f);
}

} // namespace Qel

namespace Qel::detail {

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
	LoadTranslationFiles(~GetHomeDirectory());
	TrExportRequest request;
	if(!FindTrExport(args, request))
		return true;
	sExportTranslations(request);
}

} // namespace Qel::detail
