#include "Path.h"
#include "App.h"
#include <Core/text/Charset.h>
#include "Environment.h"
#include <Core/lang/Lang.h>
#include <Core/text/Split.h>
#include <Core/container/Vector.h>

#include <cerrno>
#include <dirent.h>
#include <unistd.h>

namespace Qel {

namespace {

int sSystemCharset()
{
	int cs = GetLanguageCharset(GetSystemLanguage());
	return cs ? cs : CHARSET_UTF8;
}

// The system set is looked up only once the application runs: until then names pass as they are.
String sConvertName(bool tosystem, const String& name)
{
	if(!IsAppRunning())
		return name;
	int system = sSystemCharset();
	int tcharset = tosystem ? system : CHARSET_DEFAULT;
	int scharset = tosystem ? CHARSET_DEFAULT : system;
	if(detail::ResolveCharset(tcharset, false) == detail::ResolveCharset(scharset, false))
		return name; // same set: nothing to map, and invalid bytes pass as they are
	String r = ToCharset(tcharset, name, scharset, DEFAULTCHAR);
	if(r.Find(DEFAULTCHAR) >= 0) {
		StringBuffer b(r);
		for(char& c : b)
			if(c == DEFAULTCHAR)
				c = '_';
		r = b;
	}
	return r;
}

// The last '/' of the text, or -1.
int sLastSlash(const char* path)
{
	const char* s = strrchr(path, '/');
	return s ? int(s - path) : -1;
}

// Pushes the parts of a path onto the stack of a normalised path: "." is dropped, ".." pops.
void sPushParts(Vector<String>& stack, const char* p)
{
	while(*p) {
		while(IsPathSeparator(*p))
			p++;
		const char* b = p;
		while(*p && !IsPathSeparator(*p))
			p++;
		int n = int(p - b);
		if(n == 0 || (n == 1 && b[0] == '.'))
			continue;
		if(n == 2 && b[0] == '.' && b[1] == '.') {
			if(stack.GetCount())
				stack.Drop();
			continue;
		}
		stack.Add(String(b, n));
	}
}

// Latin-1 upper case: a-z and the accented small letters (except the division sign) map to
// their capitals; everything else, the byte of y with diaeresis included, stays.
struct sUpperTable {
	byte t[256];
	constexpr sUpperTable() : t()
	{
		for(int c = 0; c < 256; c++)
			t[c] = byte((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7) ? c - 32 : c);
	}
};

constexpr sUpperTable sUpper;

int sIsPathListSeparator(int c)
{
	return c == ':' || c == ';';
}

QEL_FORCE_INLINE bool sSameChar(int a, int b)
{
	return sUpper.t[(byte)a] == sUpper.t[(byte)b];
}

} // namespace

String FromSystemCharset(const String& name)
{
	return sConvertName(false, name);
}

String ToSystemCharset(const String& name)
{
	return sConvertName(true, name);
}

String GetFileDirectory(const char* path)
{
	return String(path, sLastSlash(path) + 1);
}

String GetFileFolder(const char* path)
{
	int i = sLastSlash(path);
	if(i < 0)
		return String();
	return i == 0 ? String("/") : String(path, i);
}

String GetFileName(const char* path)
{
	return String(path + sLastSlash(path) + 1);
}

String GetFileTitle(const char* path)
{
	const char* name = path + sLastSlash(path) + 1;
	const char* dot = strrchr(name, '.');
	return dot ? String(name, dot) : String(name);
}

String AppendFileName(const char* folder, const char* name)
{
	String r = folder;
	if(r.GetLength() && r[r.GetLength() - 1] != '/' && *name != '/')
		r.Cat('/');
	r.Cat(name);
	return r;
}

String GetCurrentDirectory()
{
	// the buffer grows with the path: a cut path would resolve relative names somewhere else
	for(int size = 1024; size <= (1 << 24); size *= 2) {
		StringBuffer b(size);
		if(getcwd(b.Begin(), size)) {
			b.SetLength((int)strlen(b.Begin()));
			return FromSystemCharset(String(b));
		}
		if(errno != ERANGE)
			break;
	}
	return String();
}

String NormalizePath(const char* path, const char* curdir)
{
	if(!path)
		path = "";
	if(!curdir)
		curdir = "";
	String start;
	Vector<String> stack;
	if(IsPathSeparator(path[0]))
		start = IsPathSeparator(path[1]) ? "//" : "/";
	else if(path[0] == '~') {
		start = GetHomeDirectory();
		if(!start.EndsWith("/"))
			start.Cat('/');
		while(*path && !IsPathSeparator(*path)) // the part holding '~' is skipped
			path++;
	}
	else {
		start = IsPathSeparator(curdir[0]) && IsPathSeparator(curdir[1]) ? "//" : "/";
		sPushParts(stack, curdir);
	}
	sPushParts(stack, path);
	String r = start;
	for(int i = 0; i < stack.GetCount(); i++) {
		if(i)
			r.Cat('/');
		r.Cat(stack[i]);
	}
	return r;
}

String NormalizePath(const char* path)
{
	return NormalizePath(path, ~GetCurrentDirectory());
}

bool FileExists(const char* path)
{
	struct stat st;
	return stat(~ToSystemCharset(path), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const char* path)
{
	struct stat st;
	return stat(~ToSystemCharset(path), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileMove(const char* oldpath, const char* newpath)
{
	return rename(~ToSystemCharset(oldpath), ~ToSystemCharset(newpath)) == 0;
}

bool FileDelete(const char* path)
{
	return unlink(~ToSystemCharset(path)) == 0;
}

bool DirectoryCreate(const char* path, int mode)
{
	return mkdir(~ToSystemCharset(path), (mode_t)mode) == 0;
}

bool RealizeDirectory(const char* path, int mode)
{
	String p = NormalizePath(path);
	if(p.GetLength() < 2)
		return true;
	Vector<String> missing;
	while(p.GetLength() >= 2 && !DirectoryExists(p)) {
		missing.Add(p);
		p = GetFileFolder(p);
	}
	for(int i = missing.GetCount() - 1; i >= 0; i--)
		if(!DirectoryCreate(missing[i], mode) && !DirectoryExists(missing[i]))
			return false; // a folder made meanwhile by someone else is as good as ours
	return true;
}

String GetFileOnPath(const char* file, const char* paths, bool current, const char* curdir)
{
	String name = file ? file : "";
	name.Replace("\\", "/");
	if(name.StartsWith("/") && FileExists(name))
		return name;
	String start = curdir ? String(curdir) : GetCurrentDirectory();
	if(paths) {
		// the folders of the list come before the current one, so a file planted in the
		// current folder cannot stand in for a program of the same name
		for(String folder : Split(paths, sIsPathListSeparator)) {
			folder.Replace("\\", "/");
			String candidate = NormalizePath(AppendFileName(folder, name), start);
			if(FileExists(candidate))
				return candidate;
		}
	}
	if(current) {
		String candidate = NormalizePath(name, start);
		if(!paths || FileExists(candidate))
			return candidate;
	}
	return String();
}

// Backtracking to the last '*' only: each star extends its run by one character at a time, so the
// work is bounded by the product of the two lengths whatever the pattern.
bool PatternMatch(const char* pattern, const char* name)
{
	const char* p = pattern;
	const char* s = name;
	const char* star = nullptr; // the pattern after the last star
	const char* resume = nullptr; // where that star's run ends so far
	for(;;) {
		if(*p == '*') {
			while(*p == '*')
				p++;
			if(!*p)
				return true;
			star = p;
			resume = s;
			continue;
		}
		if(*s) {
			if(*p && (*p == '?' || sSameChar(*p, *s))) {
				p++;
				s++;
				continue;
			}
		}
		else if(!*p)
			return true;
		if(!star || !*resume)
			return false;
		p = star;
		s = ++resume;
	}
}

bool PatternMatchFileName(const char* pattern, const char* name)
{
	const char* dot = strchr(pattern, '.');
	if(!dot)
		return PatternMatch(pattern, name);
	if(dot[1] == '*' && dot[2] == 0) {
		String head(pattern, dot);
		return PatternMatch(~head, name) || PatternMatch(pattern, name);
	}
	if(dot[1] == 0) {
		if(strchr(name, '.'))
			return false;
		return PatternMatch(~String(pattern, dot), name);
	}
	return PatternMatch(pattern, name);
}

void FindFile::Close()
{
	if(dir) {
		closedir((DIR*)dir);
		dir = nullptr;
	}
	found = false;
}

bool FindFile::Search(const char* path)
{
	Close();
	folder = NormalizePath(GetFileDirectory(path));
	found = statDone = false;
	if(!strchr(path, '*') && !strchr(path, '?')) {
		name = GetFileName(path);
		if(stat(~ToSystemCharset(path), &statBuf) != 0)
			return false;
		statDone = found = true;
		return true;
	}
	pattern = GetFileName(path);
	dir = opendir(~ToSystemCharset(folder));
	return Next();
}

bool FindFile::Next()
{
	found = false;
	if(!dir)
		return false;
	statDone = false;
	while(struct dirent* e = readdir((DIR*)dir)) {
		String n = FromSystemCharset(e->d_name);
		if(PatternMatchFileName(~pattern, ~n)) {
			name = n;
			found = true;
			return true;
		}
	}
	name.Clear();
	Close();
	return false;
}

const struct stat& FindFile::GetStat() const
{
	if(!statDone) {
		statDone = true;
		memset(&statBuf, 0, sizeof(statBuf));
		if(found && stat(~ToSystemCharset(GetPath()), &statBuf) != 0)
			memset(&statBuf, 0, sizeof(statBuf));
	}
	return statBuf;
}

bool FindFile::IsSymLink() const
{
	struct stat st;
	return found && lstat(~ToSystemCharset(GetPath()), &st) == 0 && S_ISLNK(st.st_mode);
}

bool FindFile::HasPermission(int user, int group, int other) const
{
	static const uid_t uid = getuid();
	static const gid_t gid = getgid();
	const struct stat& st = GetStat();
	return (st.st_mode & other) || ((st.st_mode & group) && st.st_gid == gid) ||
	       ((st.st_mode & user) && st.st_uid == uid);
}

namespace {

// Works on names as the system holds them, so nothing is lost to a conversion on the way down.
bool sDeleteDeep(const String& p)
{
	Vector<String> entries;
	if(DIR* d = opendir(~p)) {
		while(struct dirent* e = readdir(d))
			if(strcmp(e->d_name, ".") && strcmp(e->d_name, ".."))
				entries.Add(AppendFileName(p, e->d_name));
		closedir(d);
	}
	struct stat st;
	for(const String& e : entries)
		if(lstat(~e, &st) == 0 && S_ISDIR(st.st_mode))
			sDeleteDeep(e);
		else
			unlink(~e);
	return rmdir(~p) == 0;
}

} // namespace

bool DeleteFolderDeep(const char* path)
{
	String p = ToSystemCharset(path);
	struct stat st;
	return lstat(~p, &st) == 0 && S_ISDIR(st.st_mode) && sDeleteDeep(p);
}

} // namespace Qel
