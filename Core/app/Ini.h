// Configuration keys: "key = value" lines of "q.ini" in the configuration folder (the home
// folder's "q.ini" when that gives no key). Lines starting with '@' are directives: "include"
// reads another file in place, "replace-env" turns "$NAME" and "${NAME}" in the following values
// into environment variables ("$$" is one '$'), "ignore-env" stops that, "end" ends the file.
// Every key the code declares is described in a registry.
#pragma once

#include <Core/container/Array.h>
#include <Core/container/Map.h>
#include <Core/text/String.h>

namespace Qel {

class Stream;

String GetIniFile();
// Parses ini text into map; filename (may be null) anchors relative include names.
void   LoadIniStream(Stream& in, VectorMap<String, String>& map, const char* filename);
void   LoadIni();
// The first value of the key, or def.
String GetIniKey(const char* id, const String& def = String());

// A boolean key, read once: "1", "y", "yes" and "true" (any case) are true, any other text false,
// an absent or empty key its default.
struct IniBool {
	const char* id;
	bool      (*def)();
	int         version;
	bool        value;

	bool   Get();
	String ToString()            { return Get() ? "true" : "false"; }
	operator bool()              { return Get(); }
	// The cached value is current (callers on hot paths may then read value directly).
	bool   IsCurrent() const;
};

struct IniInfo {
	String id;
	String info;
	String (*current)();
	String (*def)();
};

void AddIniInfo(const char* id, String (*current)(), String (*def)(), const char* info);
const Array<IniInfo>& GetIniInfo();

// The keys Core declares.
extern IniBool IniUserLog;              // "user_log": log user actions
extern IniBool IniHttpRequestTrace;
extern IniBool IniHttpRequestTraceBody;
extern IniBool IniHttpRequestTraceShort;

namespace detail {

// Registrations made at start-up: "user_log" first, the HttpRequest keys last.
void RegisterUserLogKey();
void RegisterHttpRequestKeys();
// The loading behind LoadIni: the primary file, else the fallback when the first gives no key.
VectorMap<String, String> LoadIniFiles(const char* primary, const char* fallback);
// Makes the next lookup read the files again.
void InvalidateIni();

} // namespace detail

} // namespace Qel
