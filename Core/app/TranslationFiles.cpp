#include "TranslationFiles.h"
#include "Log.h"
#include "Path.h"
#include <Core/detail/FileReplace.h>
#include <Core/lang/Lang.h>
#include <Core/lang/Translate.h>
#include <Core/stream/FileStream.h>
#include <Core/text/Utf.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace Qel {

namespace {

// Translation files are a few hundred kilobytes; anything far beyond that is no such file.
constexpr int64 sMaxTranslationFile = 64 << 20;

void sLogSkipped(const char* path, const char* why)
{
	StdLogPut("Translation file ");
	StdLogPut(path);
	StdLogPut(" not loaded: ");
	StdLogPut(why);
	StdLogPut("\n");
}

// Start-up reads every "*.tr" of the home folder, so nothing found there may block the program
// or take its memory: FileIn opens without blocking and only regular files, and the size is
// bounded before anything is read.
bool sLoadFile(const char* path, String& out)
{
	FileIn in(path);
	if(!in.IsOpen()) {
		if(in.GetError() == EINVAL || in.GetError() == EISDIR)
			sLogSkipped(path, "not a regular file");
		return false;
	}
	int64 size = in.GetSize();
	if(size > sMaxTranslationFile) {
		sLogSkipped(path, "larger than 64 MB");
		return false;
	}
	StringBuffer b;
	b.SetLength((int)size);
	if(in.GetBlock(b.Begin(), size) != size || in.IsError())
		return false;
	out = String(b);
	return true;
}

} // namespace

bool LoadTranslationFile(const char* path)
{
	String text;
	if(!sLoadFile(path, text))
		return false;
	// a zero byte would end the text early and hide the rest of the file
	if(memchr(~text, 0, text.GetLength()))
		return false;
	return detail::LoadTranslationText(~text);
}

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

} // namespace

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

bool detail::FindTrExport(const Vector<WString>& args, TrExportRequest& request)
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

void detail::ExportTranslations(const TrExportRequest& request, const char* folder)
{
	int charset = request.charset;
	int first = ParseLanguageCode(~ToUtf8(request.language[0]));
	int second = ParseLanguageCode(~ToUtf8(request.language[1]));
	String path = AppendFileName(folder, ToUtf8(request.stem) + ".tr");
	// through a file beside it, so a failed export leaves the old translations whole
	bool ok = detail::ReplaceFile(~path, [&](Stream& out) {
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
		return !out.IsError();
	});
	if(!ok) {
		sExportFailed(path, errno ? errno : EIO);
		exit(1);
	}
	exit(0);
}

} // namespace Qel
