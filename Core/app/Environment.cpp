#include "Environment.h"
#include "App.h"
#include <Core/text/Charset.h>
#include <Core/stream/FileStream.h>
#include <Core/detail/FileReplace.h>
#include <Core/format/Format.h>
#include "Path.h"
#include <Core/text/Split.h>
#include <Core/thread/Thread.h>
#include <Core/text/WString.h>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace Qel {

namespace {

// A text computed once under its own lock and then only read.
struct sOnce {
	StaticMutex lock;
	std::atomic<bool> done{false};
	String* value = nullptr;

	template <class F>
	String Get(F make)
	{
		if(!done.load(std::memory_order_acquire)) {
			Mutex::Lock l(lock);
			if(!done.load(std::memory_order_relaxed)) {
				value = new String(make());
				done.store(true, std::memory_order_release);
			}
		}
		return *value;
	}
};

String sReadLink(const char* path)
{
	for(int size = 4096; size <= (1 << 20); size *= 4) {
		StringBuffer b(size);
		ssize_t n = readlink(path, b.Begin(), size);
		if(n < 0)
			return String();
		if(n < size) {
			b.SetLength((int)n);
			return String(b);
		}
	}
	return String();
}

bool sConfigPortable = true;

} // namespace

String GetEnv(const char* name)
{
	const char* v = getenv(name);
	return v ? FromSystemCharset(v) : String();
}

const VectorMap<String, String>& GetEnvironment()
{
	static StaticMutex lock;
	Mutex::Lock l(lock);
	static ArrayMap<int, VectorMap<String, String>> maps; // one per set, kept at their addresses
	int charset = GetDefaultCharset();
	int i = maps.Find(charset);
	if(i >= 0)
		return maps[i];
	VectorMap<String, String>& m = maps.Add(charset);
	const VectorMap<WString, WString>& env = GetStartupEnvironment();
	for(int j = 0; j < env.GetCount(); j++)
		m.Add(FromUnicode(env.GetKey(j), charset), FromUnicode(env[j], charset));
	return m;
}

String detail::ComputeHomeDirectory()
{
	String h = GetEnv("HOME");
	return h.IsEmpty() ? String("/root") : h;
}

String GetHomeDirectory()
{
	static sOnce home;
	return home.Get(detail::ComputeHomeDirectory);
}

String GetHomeDirFile(const char* name)
{
	return AppendFileName(GetHomeDirectory(), name);
}

String detail::ProcExeFilePath()
{
	static sOnce proc;
	return proc.Get([] {
		String link = Sprintf("/proc/%d/exe", (int)getpid());
		FindFile ff(~link);
		if(!ff)
			return String();
		struct stat st;
		String path = ff.GetPath();
		if(lstat(~path, &st) == 0 && S_ISLNK(st.st_mode))
			return sReadLink(~path);
		return path;
	});
}

String detail::FindExeFilePath(const char* name, const String& path)
{
	if(name[0] == '/' && FileExists(name))
		return name;
	String exe = AppendFileName(GetHomeDirectory(), "qel");
	Vector<String> folders = Split(~path, ':');
	String cwd = GetCurrentDirectory();
	if(strchr(name, '/'))
		folders.Add(cwd);
	for(const String& f : folders) {
		String candidate = NormalizePath(AppendFileName(f, name), cwd);
		if(FileExists(candidate))
			exe = candidate; // the last folder that holds it wins
	}
	return exe;
}

String GetExeFilePath()
{
	static sOnce exe;
	return exe.Get([] {
		String p = detail::ProcExeFilePath();
		if(p.GetLength())
			return p;
		String path = GetEnvironment().Get("PATH", String());
		return detail::FindExeFilePath(GetStartupExeName(), ToSystemCharset(path));
	});
}

String GetExeTitle()
{
	return GetFileTitle(GetExeFilePath());
}

String GetAppName()
{
	return GetExeTitle();
}

String GetConfigGroup()
{
	return "qel";
}

String detail::FindConfigBase(const String& exepath, const String& xdg, const String& home, bool* portable)
{
	for(String folder = GetFileFolder(exepath); folder.GetLength() >= 2 && DirectoryExists(folder);
	    folder = GetFileFolder(folder)) {
		FindFile ff(~AppendFileName(folder, ".config"));
		if(ff && ff.IsFolder() && ff.GetName() != "." && ff.GetName() != ".." && ff.HasPermission(0200, 0020, 0002))
			return ff.GetPath();
	}
	if(portable)
		*portable = false;
	if(xdg.GetLength() && DirectoryExists(xdg))
		return xdg;
	return AppendFileName(home, ".config");
}

String GetConfigBase(bool* portable)
{
	return detail::FindConfigBase(GetExeFilePath(), GetEnv("XDG_CONFIG_HOME"), GetHomeDirectory(), portable);
}

void detail::RealizeConfigFolder(const String& folder, bool portable, const String& old_folder)
{
	bool existed = DirectoryExists(folder);
	RealizeDirectory(folder, 0755);
	if(!existed && !portable && DirectoryExists(old_folder))
		CopyFolder(~folder, ~old_folder);
}

String ConfigFile(const char* file)
{
	static sOnce root;
	String r = root.Get([] { return AppendFileName(GetConfigBase(&sConfigPortable), ~GetConfigGroup()); });
	String folder = AppendFileName(r, GetAppName());
	detail::RealizeConfigFolder(folder, sConfigPortable, GetHomeDirFile(".qel/") + GetExeTitle());
	return AppendFileName(folder, file);
}

String GetLogPath()
{
	static sOnce log;
	return log.Get([] {
		String p = GetFileFolder(GetConfigBase(nullptr)) + "/.local/state/" + GetConfigGroup() + "/log/" + GetAppName();
		RealizeDirectory(GetFileFolder(p), 0755);
		return p;
	});
}

void CopyFolder(const char* dst, const char* src)
{
	RealizeDirectory(dst, 0755);
	for(FindFile ff(~AppendFileName(src, "*.*")); ff; ff.Next()) {
		String name = ff.GetName();
		if(ff.IsFile()) {
			FileIn in(~ff.GetPath());
			FileOut out(~AppendFileName(dst, ~name));
			if(in.IsOpen() && out.IsOpen())
				CopyBetweenStreams(out, in, INT64_MAX);
		}
		// a link to a folder above would copy without end
		else if(ff.IsFolder() && name[0] != '.' && !ff.IsSymLink())
			CopyFolder(~AppendFileName(dst, ~name), ~ff.GetPath());
	}
}

String LoadFile(const char* path)
{
	String sys = ToSystemCharset(path);
	struct stat st;
	if(stat(~sys, &st) != 0 || !S_ISREG(st.st_mode))
		return String::GetVoid();
	if(st.st_size == 0) {
		// /proc reports 0 and yields its content in reads of any length: read to the end
		int h = open(~sys, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
		if(h < 0)
			return String::GetVoid();
		StringBuffer b;
		const int chunk = 32768;
		for(;;) {
			int len = b.GetLength();
			b.SetLength(len + chunk);
			ssize_t n = read(h, b.Begin() + len, chunk);
			if(n < 0 && errno == EINTR) {
				b.SetLength(len);
				continue;
			}
			b.SetLength(len + (int)max<ssize_t>(n, 0));
			if(n <= 0)
				break;
		}
		close(h);
		return String(b);
	}
	FileIn in(path);
	if(!in.IsOpen())
		return String::GetVoid();
	return ReadRestOfStream(in);
}

bool SaveFile(const char* path, const String& data)
{
	return detail::ReplaceFile(path, [&](Stream& out) {
		out.Put(data);
		return !out.IsError();
	});
}

String detail::ShellQuote(const String& text)
{
	// Inside single quotes the shell takes every byte literally but the quote itself, which is
	// written as quote, escaped quote, quote.
	String r = "'";
	for(int c : text)
		if(c == '\'')
			r.Cat("'\\''");
		else
			r.Cat((char)c);
	r.Cat('\'');
	return r;
}

void LaunchWebBrowser(const String& url)
{
	static const char* openers[] = {
		"htmlview", "xdg-open", "x-www-browser", "firefox", "konqueror", "opera", "epiphany", "galeon", "netscape",
	};
	for(const char* opener : openers)
		if(system(~(String("which ") + opener + " >/dev/null 2>&1")) == 0) {
			int r = system(~(String(opener) + " " + detail::ShellQuote(url) + " &"));
			(void)r;
			return;
		}
}

} // namespace Qel
