#include "Util.h"
#include <Core/base/Heap.h>
#include <Core/container/Index.h>
#include "LocalProcess.h"
#include <Core/container/Map.h>
#include <Core/thread/Thread.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

namespace Qel {

int SolveQuadratic(double a, double b, double c, double* out)
{
	if(a == 0) {
		if(b == 0)
			return 0;
		out[0] = out[1] = -c / b;
		return 1;
	}
	double d = b * b - 4 * a * c;
	if(d < 0)
		return 0;
	if(d == 0) {
		out[0] = out[1] = -b / (2 * a);
		return 1;
	}
	double s = std::sqrt(d);
	if(b == 0) {
		out[0] = s / (2 * a);
		out[1] = -out[0];
	}
	else {
		out[0] = (-b + s) / (2 * a);
		out[1] = (-b - s) / (2 * a);
	}
	return 2;
}

String HexString(const void* data, int count, int step, int sep)
{
	if(count <= 0)
		return String();
	if(step < 1)
		step = 2147483647;
	static const char digit[] = "0123456789abcdef";
	const byte* s = (const byte*)data;
	int len = 2 * count + (count - 1) / step;
	StringBuffer b(len);
	char* t = b.Begin();
	for(int i = 0; i < count; i++) {
		if(i && i % step == 0)
			*t++ = char(sep);
		*t++ = digit[s[i] >> 4];
		*t++ = digit[s[i] & 15];
	}
	return String(b);
}

String HexString(const String& s, int step, int sep)
{
	return HexString(s.Begin(), s.GetLength(), step, sep);
}

namespace {

inline int sHexDigit(int c)
{
	return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

} // namespace

String ScanHexString(const char* begin, const char* end)
{
	StringBuffer r;
	int high = -1;
	for(const char* s = begin; s < end; s++) {
		int d = sHexDigit((byte)*s);
		if(d < 0)
			continue;
		if(high < 0)
			high = d;
		else {
			r.Cat(char(high * 16 + d));
			high = -1;
		}
	}
	return String(r);
}

String ScanHexString(const String& s)
{
	return ScanHexString(s.Begin(), s.End());
}

int MemFind(const void* block, int len, const void* needle, int nlen, int from)
{
	if(from < 0)
		from = 0;
	if(len - (nlen + from) < 0)
		return -1;
	if(nlen < 1)
		return from;
	const char* b = (const char*)block;
	const void* p = memmem(b + from, size_t(len - from), needle, size_t(nlen));
	return p ? int((const char*)p - b) : -1;
}

namespace {

StaticMutex sTypeNoMutex;

Index<String>& sTypeNames()
{
	static Index<String> names;
	return names;
}

} // namespace

int RegisterTypeNo(const char* name)
{
	Mutex::Lock lock(sTypeNoMutex);
	return sTypeNames().FindAdd(String(name ? name : ""));
}

const char* PermanentStrdup(const char* s)
{
	if(!s)
		s = "";
	size_t n = strlen(s) + 1;
	char* t = (char*)HeapInternalAlloc(n);
	memcpy(t, s, n);
	return t;
}

namespace {

StaticMutex sSettingsMutex;

VectorMap<String, String>& sGlobalSettings()
{
	static VectorMap<String, String> settings;
	return settings;
}

std::atomic<Pkcs7SignHook> sPkcs7SignHook;

} // namespace

void RegisterGlobalSetting(const char* name)
{
	Mutex::Lock lock(sSettingsMutex);
	sGlobalSettings().Add(name ? name : "");
}

String GetGlobalSetting(const char* name)
{
	Mutex::Lock lock(sSettingsMutex);
	return sGlobalSettings().Get(name ? name : "", String());
}

void SetGlobalSetting(const char* name, const String& data)
{
	Mutex::Lock lock(sSettingsMutex);
	int i = sGlobalSettings().Find(name ? name : "");
	if(i >= 0)
		sGlobalSettings()[i] = data;
}

namespace {

StaticMutex       sSoundMutex;
std::atomic<bool> sSoundReady;
String            sSoundPlayer;
const char*       sSoundTheme = "freedesktop";

bool sIsSoundName(const char* name)
{
	if(!name || !*name)
		return false;
	for(const char* s = name; *s; s++)
		if(!((*s >= 'a' && *s <= 'z') || (*s >= 'A' && *s <= 'Z') || (*s >= '0' && *s <= '9') || *s == '_' || *s == '-'))
			return false;
	return true;
}

bool sIsFile(const String& path)
{
	struct stat st;
	return stat(~path, &st) == 0 && S_ISREG(st.st_mode);
}

// Single quotes keep every character as it is; a quote itself is closed, escaped and reopened.
String sShellQuote(const String& s)
{
	String r = "'";
	for(char c : s)
		if(c == '\'')
			r.Cat("'\\''");
		else
			r.Cat(c);
	r.Cat('\'');
	return r;
}

} // namespace

void PlaySystemSound(const char* name)
{
	if(!sIsSoundName(name))
		return;
	if(!sSoundReady.load(std::memory_order_acquire)) {
		Mutex::Lock lock(sSoundMutex);
		if(!sSoundReady.load(std::memory_order_relaxed)) {
			for(const char* player : {"play", "ogg123", "gst123", "gst-play-1.0"}) {
				LocalProcess p;
				String out;
				if(p.Start(String("which ") + player) && p.Finish(out) == 0 && !out.IsEmpty()) {
					sSoundPlayer = player;
					break;
				}
			}
			sSoundReady.store(true, std::memory_order_release);
		}
	}
	if(sSoundPlayer.IsEmpty())
		return;
	String path = String("/usr/share/sounds/") + sSoundTheme + "/stereo/dialog-" + name;
	const char* ext = ".*";
	for(const char* e : {".ogg", ".oga", ".wav"})
		if(sIsFile(path + e)) {
			ext = e;
			break;
		}
	// A missing file is left to the shell's pattern, outside the quotes.
	String cmd = sSoundPlayer + " -q " + sShellQuote(path) + ext + " >/dev/null 2>/dev/null&";
	(void)!system(~cmd);
}

void BeepInformation() { PlaySystemSound("information"); }
void BeepWarning()     { PlaySystemSound("warning"); }
void BeepError()       { PlaySystemSound("error"); }
void BeepQuestion()    { PlaySystemSound("question"); }

void InstallPkcs7Sign(Pkcs7SignHook hook)
{
	sPkcs7SignHook.store(hook);
}

String Pkcs7Sign(const String& data, const String& cert, const String& key)
{
	Pkcs7SignHook hook = sPkcs7SignHook.load();
	return hook ? hook(data.Begin(), data.GetLength(), cert, key) : String();
}

} // namespace Qel
