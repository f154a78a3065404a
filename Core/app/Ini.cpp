#include "Ini.h"
#include <Core/text/Charset.h>
#include "Environment.h"
#include <Core/stream/FileStream.h>
#include "Path.h"
#include <Core/thread/Thread.h>

#include <cstdlib>
#include <sys/stat.h>

namespace Qel {

namespace {

StaticMutex sIniLock;
std::atomic<int> sIniVersion{1};
int sMapVersion;                        // 0: never loaded

VectorMap<String, String>& sIniMap()
{
	static VectorMap<String, String>* map = new VectorMap<String, String>;
	return *map;
}

constexpr int MAX_INCLUDE_DEPTH = 16;

bool sIsAlpha(int c)    { return (unsigned)((c | 0x20) - 'a') < 26u; }
bool sIsDigit(int c)    { return (unsigned)(c - '0') < 10u; }
bool sIsIdChar(int c)   { return sIsAlpha(c) || sIsDigit(c) || c == '_' || c == '$'; }
bool sIsWordChar(int c) { return sIsAlpha(c) || sIsDigit(c) || c == '_'; }

// Blanks and comments ("//" to the end of the line, "/*" to "*/" or to the end of the line).
const char* sSkipBlank(const char* p)
{
	for(;;) {
		if(*p > 0 && *p <= ' ')
			p++;
		else if(p[0] == '/' && p[1] == '/')
			return p + strlen(p);
		else if(p[0] == '/' && p[1] == '*') {
			const char* e = strstr(p + 2, "*/");
			p = e ? e + 2 : p + strlen(p);
		}
		else
			return p;
	}
}

bool sDirective(const char*& p, const char* word)
{
	size_t n = strlen(word);
	if(strncmp(p, word, n) || sIsWordChar((byte)p[n]))
		return false;
	p += n;
	return true;
}

String sEnvValue(const String& name)
{
	const char* v = getenv(~name);
	return v ? FromSystemCharset(v) : String();
}

String sReplaceEnv(const String& value)
{
	String r;
	const char* s = ~value;
	while(*s) {
		if(*s != '$') {
			r.Cat(*s++);
			continue;
		}
		s++;
		if(*s == '$') {
			r.Cat('$');
			s++;
		}
		else if(*s == '{') {
			const char* b = ++s;
			while(*s && *s != '}')
				s++;
			r.Cat(sEnvValue(String(b, s)));
			if(*s)
				s++;
		}
		else {
			const char* b = s;
			while(sIsIdChar((byte)*s))
				s++;
			if(s > b)
				r.Cat(sEnvValue(String(b, s)));
		}
	}
	return r;
}

struct sFileId {
	dev_t dev;
	ino_t ino;
};

void sLoadIni(Stream& in, VectorMap<String, String>& map, const char* filename, Vector<sFileId>& reading);

void sInclude(String name, VectorMap<String, String>& map, const char* filename, Vector<sFileId>& reading)
{
	if(name.EndsWith("\r")) // a line of a file with CR LF line ends
		name.Trim(name.GetLength() - 1);
	if(name[0] != '/' && filename)
		name = AppendFileName(GetFileFolder(NormalizePath(filename)), name);
	// a chain of includes ends at a fixed depth, and a file that is already being read (an
	// include of itself or of a file above it) is not read again
	if(reading.GetCount() >= MAX_INCLUDE_DEPTH)
		return;
	FileIn in(~name);
	struct stat st;
	if(!in.IsOpen() || fstat(in.GetHandle(), &st) != 0)
		return;
	for(const sFileId& f : reading)
		if(f.dev == st.st_dev && f.ino == st.st_ino)
			return;
	reading.Add({st.st_dev, st.st_ino});
	sLoadIni(in, map, ~name, reading);
	reading.Drop();
}

void sLoadIni(Stream& in, VectorMap<String, String>& map, const char* filename, Vector<sFileId>& reading)
{
	bool replace = false;
	while(!in.IsEof()) {
		String line = in.GetLine();
		const char* p = sSkipBlank(~line);
		if(sIsAlpha((byte)*p) || *p == '_' || *p == '$') {
			const char* b = p;
			while(sIsIdChar((byte)*p))
				p++;
			String key(b, p);
			p = sSkipBlank(p);
			if(*p != '=')
				continue;
			String value = TrimBoth(String(p + 1));
			map.Add(key, replace ? sReplaceEnv(value) : value);
		}
		else if(*p == '@') {
			p = sSkipBlank(p + 1);
			if(sDirective(p, "end"))
				return;
			if(sDirective(p, "replace-env"))
				replace = true;
			else if(sDirective(p, "ignore-env"))
				replace = false;
			else if(sDirective(p, "include"))
				sInclude(sSkipBlank(p), map, filename, reading);
		}
	}
}

void sLoadIniFile(const char* path, VectorMap<String, String>& map)
{
	FileIn in(path);
	if(in.IsOpen())
		LoadIniStream(in, map, path);
}

bool sFalse()
{
	return false;
}

} // namespace

String GetIniFile()
{
	return ConfigFile("q.ini");
}

void LoadIniStream(Stream& in, VectorMap<String, String>& map, const char* filename)
{
	Vector<sFileId> reading;
	struct stat st;
	if(FileStream* f = dynamic_cast<FileStream*>(&in); f && f->IsOpen() && fstat(f->GetHandle(), &st) == 0)
		reading.Add({st.st_dev, st.st_ino});
	sLoadIni(in, map, filename, reading);
}

VectorMap<String, String> detail::LoadIniFiles(const char* primary, const char* fallback)
{
	VectorMap<String, String> map;
	sLoadIniFile(primary, map);
	if(map.GetCount() == 0 && fallback)
		sLoadIniFile(fallback, map);
	return map;
}

void detail::InvalidateIni()
{
	sIniVersion++;
}

void LoadIni()
{
	Mutex::Lock l(sIniLock);
	int v = sIniVersion;
	if(sMapVersion == v)
		return;
	sMapVersion = v;
	sIniMap() = detail::LoadIniFiles(~GetIniFile(), ~GetHomeDirFile("q.ini"));
}

String GetIniKey(const char* id, const String& def)
{
	Mutex::Lock l(sIniLock);
	LoadIni();
	const VectorMap<String, String>& map = sIniMap();
	int i = map.Find(id);
	return i >= 0 ? map[i] : def;
}

bool IniBool::IsCurrent() const
{
	return version == sIniVersion.load(std::memory_order_relaxed);
}

bool IniBool::Get()
{
	Mutex::Lock l(sIniLock);
	int v = sIniVersion;
	if(version == v)
		return value;
	String text = ToLower(TrimBoth(GetIniKey(id)));
	value = text.IsEmpty() ? def() : text == "1" || text == "y" || text == "yes" || text == "true";
	version = v;
	return value;
}

namespace {

Array<IniInfo>& sIniInfo()
{
	static Array<IniInfo>* list = new Array<IniInfo>;
	return *list;
}

String sFalseText()
{
	return "false";
}

} // namespace

void AddIniInfo(const char* id, String (*current)(), String (*def)(), const char* info)
{
	Mutex::Lock l(sIniLock);
	IniInfo& f = sIniInfo().Add();
	f.id = id;
	f.info = info;
	f.current = current;
	f.def = def;
}

const Array<IniInfo>& GetIniInfo()
{
	return sIniInfo();
}

IniBool IniUserLog = {"user_log", sFalse, 0, false};
IniBool IniHttpRequestTrace = {"HttpRequest_Trace", sFalse, 0, false};
IniBool IniHttpRequestTraceBody = {"HttpRequest_TraceBody", sFalse, 0, false};
IniBool IniHttpRequestTraceShort = {"HttpRequest_TraceShort", sFalse, 0, false};

void detail::RegisterUserLogKey()
{
	AddIniInfo("user_log", [] { return IniUserLog.ToString(); }, sFalseText, "Activates logging of user actions");
}

void detail::RegisterHttpRequestKeys()
{
	AddIniInfo("HttpRequest_Trace", [] { return IniHttpRequestTrace.ToString(); }, sFalseText,
	           "Activates HTTP requests tracing");
	AddIniInfo("HttpRequest_TraceBody", [] { return IniHttpRequestTraceBody.ToString(); }, sFalseText,
	           "Activates HTTP requests body tracing");
	AddIniInfo("HttpRequest_TraceShort", [] { return IniHttpRequestTraceShort.ToString(); }, sFalseText,
	           "Activates HTTP requests short tracing");
}

} // namespace Qel
