// The process's surroundings: environment variables, the home folder, the running executable,
// the configuration and log folders, whole-file reading and writing, and opening a URL in a web
// browser. Each path is computed on first use and kept for the life of the process.
#pragma once

#include <Core/container/Map.h>
#include <Core/text/String.h>

namespace Qel {

// The live value of a variable; empty when it is unset.
String GetEnv(const char* name);
// The environment as the process started, in the default character set (one map per set).
const VectorMap<String, String>& GetEnvironment();

String GetHomeDirectory();                  // HOME, or "/root"
String GetHomeDirFile(const char* name);
String GetExeFilePath();
String GetExeTitle();                       // the executable's name without folder and extension
String GetAppName();
String GetConfigGroup();                    // "qel"

// A writable ".config" at or above the executable's folder (then *portable stays as it was), else
// XDG_CONFIG_HOME when that folder exists, else ".config" in the home folder.
String GetConfigBase(bool* portable = nullptr);
// The file in the application's configuration folder, which is created (and filled once from an
// old ".qel" folder) on the way.
String ConfigFile(const char* file);
// The log file's path without its extension; its folder is created.
String GetLogPath();

// Copies files and non-hidden folders of src into dst; symbolic links to folders are skipped.
void   CopyFolder(const char* dst, const char* src);

// The whole file; void for a missing, non-regular or unreadable file.
String LoadFile(const char* path);
inline String LoadFile(const String& path)  { return LoadFile(~path); }
// Replaces the file with data; false when it could not be written whole.
bool   SaveFile(const char* path, const String& data);

// Opens the URL with the first desktop opener found, in the background.
void   LaunchWebBrowser(const String& url);

namespace detail {

String ComputeHomeDirectory();
// The executable as /proc shows it; empty without /proc.
String ProcExeFilePath();
// The search behind GetExeFilePath for a program started as name, with the PATH given.
String FindExeFilePath(const char* name, const String& path);
String FindConfigBase(const String& exepath, const String& xdg_config_home, const String& home, bool* portable);
// Creates the application's configuration folder; when it is new and not portable, copies the
// old folder into it.
void   RealizeConfigFolder(const String& folder, bool portable, const String& old_folder);
// The text as one shell word that nothing inside can end.
String ShellQuote(const String& text);

} // namespace detail

} // namespace Qel
