// Paths and the file system: text operations on paths (they never touch the disk), wildcard
// matching of file names, a directory search (FindFile), file and folder tests and changes, the
// current folder, the search of a program along a folder list, and the conversion of file names
// between the default character set and the system's. '/' separates; the normaliser and the
// program search also take '\\'.
#pragma once

#include <Core/text/String.h>

#include <sys/stat.h>
#include <sys/types.h>

namespace Qel {

// Names as the system stores them (the set of LANG) and as the framework holds them (the default
// set); characters the target cannot hold become '_'. Unchanged copies until the application runs.
String FromSystemCharset(const String& name);
String ToSystemCharset(const String& name);

String GetFileDirectory(const char* path);   // up to and including the last '/'
String GetFileFolder(const char* path);      // before the last '/'; "/" for a top-level entry
String GetFileName(const char* path);        // after the last '/'
String GetFileTitle(const char* path);       // the name without its last extension
String AppendFileName(const char* folder, const char* name);
inline String GetFileDirectory(const String& p)  { return GetFileDirectory(~p); }
inline String GetFileFolder(const String& p)     { return GetFileFolder(~p); }
inline String GetFileName(const String& p)       { return GetFileName(~p); }
inline String GetFileTitle(const String& p)      { return GetFileTitle(~p); }
inline String AppendFileName(const String& folder, const char* name) { return AppendFileName(~folder, name); }
inline String AppendFileName(const String& folder, const String& name) { return AppendFileName(~folder, ~name); }
inline String AppendFileName(const char* folder, const String& name)   { return AppendFileName(folder, ~name); }

inline bool IsPathSeparator(int c)               { return c == '/' || c == '\\'; }

// The current folder; empty when it cannot be read.
String GetCurrentDirectory();

// The absolute form without "." and ".." parts and empty parts. A relative path starts at curdir,
// "~" at the home folder.
String NormalizePath(const char* path, const char* curdir);
String NormalizePath(const char* path);          // against the current folder
inline String NormalizePath(const String& path)  { return NormalizePath(~path); }

bool FileExists(const char* path);              // a regular file
bool DirectoryExists(const char* path);         // a folder
bool FileMove(const char* oldpath, const char* newpath);
bool FileDelete(const char* path);
bool DirectoryCreate(const char* path, int mode = 0755);
// Creates every missing folder of the path; true when the whole chain exists afterwards.
bool RealizeDirectory(const char* path, int mode = 0755);
inline bool FileExists(const String& p)          { return FileExists(~p); }
inline bool DirectoryExists(const String& p)     { return DirectoryExists(~p); }
inline bool RealizeDirectory(const String& p, int mode = 0755) { return RealizeDirectory(~p, mode); }

// Finds a program file: an absolute name as it is, then along paths (folders separated by ':'
// or ';'), then, when current is set, in curdir (the current folder when null). Empty when none
// is found, except that with current and no paths the candidate in curdir is returned as it is.
String GetFileOnPath(const char* file, const char* paths, bool current = true, const char* curdir = nullptr);

// '?' is any one character, '*' any run; letters compare case-insensitively (Latin-1).
bool PatternMatch(const char* pattern, const char* name);
// As PatternMatch, with "*.*" also matching names without an extension and a pattern ending in
// '.' matching only names without one.
bool PatternMatchFileName(const char* pattern, const char* name);

// A directory search: Search on a path with '*' or '?' in its name lists the matching entries
// of its folder ("." and ".." included); a plain path finds that one entry.
class FindFile {
	bool        found = false;
	void*       dir = nullptr;      // the DIR of the listing
	mutable bool statDone = false;
	mutable struct stat statBuf;
	String      folder;
	String      name;
	String      pattern;

public:
	bool Search(const char* path);
	bool Next();
	void Close();

	explicit operator bool() const  { return found; }
	bool   IsFound() const          { return found; }
	String GetName() const          { return name; }
	String GetPath() const          { return AppendFileName(folder, name); }
	const struct stat& GetStat() const;
	int64  GetLength() const        { return found ? (int64)GetStat().st_size : -1; }
	bool   IsFolder() const         { return found && S_ISDIR(GetStat().st_mode); }
	bool   IsFile() const           { return found && S_ISREG(GetStat().st_mode); }
	bool   IsSymLink() const;
	bool   IsHidden() const         { return found && name.GetLength() && name[0] == '.'; }
	// True when the entry's mode has any bit of other, of group (the process's group owns it)
	// or of user (the process's user owns it).
	bool   HasPermission(int user, int group, int other) const;

	FindFile() = default;
	explicit FindFile(const char* path) { Search(path); }
	~FindFile()                     { Close(); }
	FindFile(const FindFile&) = delete;
	FindFile& operator=(const FindFile&) = delete;
};

// Removes a folder with everything in it (symbolic links are removed, not followed).
bool DeleteFolderDeep(const char* path);

} // namespace Qel
