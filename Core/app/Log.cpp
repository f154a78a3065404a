#include "Log.h"
#include "Environment.h"
#include <Core/format/Format.h>
#include <Core/base/Panic.h>
#include "Path.h"
#include <Core/stream/Zlib.h>
#include <Core/stream/ConsoleStream.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <cxxabi.h>
#include <fcntl.h>
#include <syslog.h>
#include <unistd.h>

namespace Qel {

namespace {

void sWriteAll(int fd, const char* data, int64 length)
{
	while(length > 0) {
		ssize_t n = write(fd, data, (size_t)length);
		if(n < 0 && errno == EINTR)
			continue;
		if(n <= 0)
			return; // nothing more can be written: give up rather than spin
		data += n;
		length -= n;
	}
}

// "P.n", with ".gz" when the copy is compressed (every copy but the newest).
String sRotatedName(const String& path, int n, bool gzip)
{
	return Sprintf("%s.%d%s", ~path, n, gzip && n != 1 ? ".gz" : "");
}

int sTimePrefix(char* t, int size, bool utc)
{
	Time tm = utc ? Time() : GetLocalTimeNow();
	if(utc) {
		time_t now = time(nullptr);
		struct tm u;
		if(now && gmtime_r(&now, &u))
			tm = Time(u.tm_year + 1900, u.tm_mon + 1, u.tm_mday, u.tm_hour, u.tm_min, u.tm_sec);
	}
	int n = snprintf(t, size, "%02d.%02d.%04d %02d:%02d:%02d ", tm.day, tm.month, (int)tm.year, tm.hour, tm.minute, tm.second);
	return n < 0 || n >= size ? -1 : n;
}

} // namespace

void LogFile::Close()
{
	if(handle >= 0)
		close(handle);
	handle = -1;
}

void LogFile::Rotate()
{
	int n = (unsigned)options >> 24;
	if(!n)
		return;
	bool gzip = options & LOG_ROTATE_GZIP;
	String oldest = sRotatedName(path, n, gzip);
	if(FileExists(oldest))
		FileDelete(oldest);
	String dst = oldest;
	for(int k = n + 1; k >= 2; k--) {
		String src = k == 2 ? path : sRotatedName(path, k - 2, gzip);
		if(FileExists(src)) {
			// the newest copy is compressed into the next name and then replaced by the current
			// file; in a panic there is no time for that, and a failed compression keeps the text
			if(!(k == 3 && gzip && !IsPanicMode() && GZCompressFile(~dst, ~src)))
				FileMove(~src, ~dst);
		}
		dst = src;
	}
}

void LogFile::Create(bool append)
{
	Mutex::Lock l(lock);
	Close();
	bol = true;
	Rotate();
	filesize = 0;
	handle = open(~ToSystemCharset(path), O_RDWR | O_CREAT | O_CLOEXEC | (append ? O_APPEND : O_TRUNC), 0644);
	if(handle < 0)
		return;
	if(append) {
		off_t size = lseek(handle, 0, SEEK_END);
		filesize = size > 0 ? size : 0;
	}
	Time t = GetLocalTimeNow();
	const char* user = getenv("USER");
	String h = Sprintf("* %s %02d.%02d.%04d %02d:%02d:%02d, user: %s\n", ~detail::ProcExeFilePath(),
	                   t.day, t.month, (int)t.year, t.hour, t.minute, t.second, user ? user : "boot");
	if(part)
		h << Sprintf(", #%d", part);
	h << "\r\n";
	WriteFile(~h, h.GetLength());
}

void LogFile::WriteFile(const char* data, int64 length)
{
	if(handle >= 0)
		sWriteAll(handle, data, length);
	filesize += length;
}

void LogFile::Put(const char* text, int length, int depth)
{
	if(length < 0)
		return;
	Mutex::Lock l(lock);
	// prefixes and tabs on the stack: no allocation per line
	char pre[256];
	int pn = 0;
	if(options & LOG_ELAPSED) {
		int tick = GetTickMsecs();
		int n = snprintf(pre, 64, "[+%6d ms] ", ticked ? tick - prevtick : 0);
		if(n < 0 || n >= 64)
			return;
		pn = n;
		prevtick = tick;
		ticked = true;
	}
	if((options & (LOG_TIMESTAMP | LOG_TIMESTAMP_UTC)) && bol) {
		int n = sTimePrefix(pre + pn, 64, options & LOG_TIMESTAMP_UTC);
		if(n < 0)
			return;
		pn += n;
	}
	int tabs = min(max(depth, 0), 99);
	memset(pre + pn, '\t', tabs);
	const char* body = pre + pn;             // tabs and text: what the plain sinks receive
	int total = pn + tabs + length;
	bol = length > 0 && text[length - 1] == '\n';
	if(total == 0)
		return;
	auto cat = [&](auto&& put) {
		put(pre, pn + tabs);
		put(text, length);
	};
	auto plain = [&](FILE* f) {
		fwrite(body, 1, tabs, f);
		fwrite(text, 1, length, f);
	};
	if(options & LOG_COUT)
		plain(stdout);
	if(options & LOG_CERR)
		plain(stderr);
	if(options & LOG_COUTSTREAM)
		cat([](const char* s, int n) { StdOutStream().Put(s, n); });
	if(options & LOG_CERRSTREAM)
		cat([](const char* s, int n) { StdErrStream().Put(s, n); });
	if((options & LOG_FILE) && handle >= 0) {
		if(total <= 1200) {
			char chunk[1200];
			memcpy(chunk, pre, pn + tabs);
			memcpy(chunk + pn + tabs, text, length);
			sWriteAll(handle, chunk, total); // one write: a reader never sees half a line
		}
		else
			cat([&](const char* s, int n) { sWriteAll(handle, s, n); });
	}
	if(options & LOG_DBG)
		cat([](const char* s, int n) { StdErrStream().Put(s, n); });
	if(options & LOG_SYS)
		syslog(LOG_USER | LOG_INFO, "%.*s%.*s", tabs, body, length, text);
	filesize += total;
	if(sizelimit > 0 && filesize > sizelimit)
		Create(false);
}

namespace {

// The line each thread is collecting.
struct sLogLine {
	char buffer[512];
	int  length;
	int  linedepth;
	int  depth;
};

thread_local sLogLine sLine;

void sPutToStdLogFile(const char* text, int length, int depth)
{
	StdLogFile().Put(text, length, depth);
}

std::atomic<detail::LogLineWriter> sLineWriter{sPutToStdLogFile};

QEL_FORCE_INLINE void sLogByte(sLogLine& l, int c)
{
	if(c == 30)
		l.depth = min(l.depth + 1, 20);
	else if(c == 31)
		l.depth = max(l.depth - 1, 0);
	else {
		l.buffer[l.length++] = (char)c;
		if(c != '\r')
			l.linedepth = l.depth;
		if(c == '\n' || l.length >= 501) {
			sLineWriter.load(std::memory_order_relaxed)(l.buffer, l.length, l.linedepth);
			l.length = 0;
		}
		return;
	}
	l.linedepth = l.depth;
}

} // namespace

detail::LogLineWriter detail::SetLogLineWriter(LogLineWriter writer)
{
	return sLineWriter.exchange(writer ? writer : sPutToStdLogFile);
}

void LogStream::PutSlow(int w)
{
	sLogByte(sLine, (byte)w);
}

namespace {

// The first byte below 32 (every byte the line buffer treats specially is one), eight at a time:
// a byte under 0x20 borrows in (x - 0x20...) while its top bit is clear. Bytes past the first
// hit may show false hits, but the lowest one is exact.
const byte* sFindControl(const byte* s, const byte* e)
{
	while(e - s >= 8) {
		uint64 x;
		memcpy(&x, s, 8);
		uint64 hit = (x - 0x2020202020202020ull) & ~x & 0x8080808080808080ull;
		if(hit)
			return s + (__builtin_ctzll(hit) >> 3);
		s += 8;
	}
	while(s < e && *s >= 32)
		s++;
	return s;
}

} // namespace

void LogStream::PutSlow(const void* data, dword size)
{
	sLogLine& l = sLine;
	const byte* s = (const byte*)data;
	const byte* e = s + size;
	while(s < e) {
		// printable runs are copied whole, up to the line's room; the byte after goes one by one
		const byte* b = s;
		s = sFindControl(s, s + min<int64>(e - s, 500 - l.length));
		if(s > b) {
			memcpy(l.buffer + l.length, b, s - b);
			l.length += int(s - b);
			l.linedepth = l.depth;
		}
		if(s < e)
			sLogByte(l, *s++);
	}
}

int64 LogStream::GetSize() const
{
	return StdLogFile().GetSize();
}

bool LogStream::IsOpen() const
{
	return StdLogFile().IsOpen();
}

LogFile& StdLogFile()
{
	static LogFile* f = new LogFile; // never destroyed: exit-time code and Panic still log
	return *f;
}

Stream& StdLogStream()
{
	static StaticMutex lock;
	static std::atomic<LogStream*> stream;
	if(LogStream* s = stream.load(std::memory_order_acquire))
		return *s;
	Mutex::Lock l(lock);
	if(LogStream* s = stream.load(std::memory_order_relaxed))
		return *s;
	LogStream* s = new LogStream;
	LogFile& f = StdLogFile();
	if(f.GetPath().IsEmpty())
		f.SetPath(GetLogPath() + ".log");
	f.Create(f.options & LogFile::LOG_APPEND);
	stream.store(s, std::memory_order_release);
	return *s;
}

Stream& StdLog()
{
	return StdLogStream();
}

void StdLogPut(const char* text, int length)
{
	StdLog().Put(text, length);
}

void StdLogPut(const char* text)
{
	StdLogPut(text, (int)strlen(text));
}

Time GetLocalTimeNow()
{
	time_t now = time(nullptr);
	struct tm t;
	if(!now || !localtime_r(&now, &t))
		return Time();
	return Time(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
}

int GetTickMsecs(int start)
{
	struct timespec ts;
	if(clock_gettime(CLOCK_MONOTONIC, &ts) != 0)
		return -start;
	return int((int64)ts.tv_sec * 1000 + ts.tv_nsec / 1000000) - start;
}

String FormatUnsignedHex(uint64 value)
{
	char b[16];
	char* e = b + 16;
	char* p = e;
	do
		*--p = "0123456789abcdef"[value & 15];
	while(value >>= 4);
	return String(p, e);
}

String Demangle(const char* name)
{
	int status = 0;
	char* d = abi::__cxa_demangle(name, nullptr, nullptr, &status);
	if(!d)
		return name;
	String r = d;
	free(d);
	return r;
}

namespace {

int64 sNanoTicks()
{
	struct timespec ts;
	clock_gettime(CLOCK_MONOTONIC, &ts);
	return (int64)ts.tv_sec * 1000000000 + ts.tv_nsec;
}

// What timing an empty section costs, in milliseconds, measured once.
double sTimerCost()
{
	static double cost = [] {
		TimingInspector probe;
		const int n = 1000;
		int64 t0 = sNanoTicks();
		for(int i = 0; i < n; i++)
			TimingInspector::Routine r(probe);
		return (sNanoTicks() - t0) / 1e6 / n;
	}();
	return cost;
}

} // namespace

String detail::FormatTimingTime(double s)
{
	if(s < 1e-6)
		return Sprintf("%5.2f ns", s * 1e9);
	if(s < 1e-3)
		return Sprintf("%5.2f us", s * 1e6);
	if(s < 1)
		return Sprintf("%5.2f ms", s * 1e3);
	return Sprintf("%5.2f s ", s);
}

TimingInspector::TimingInspector(const char* name)
:	name(name ? name : "TimingInspector"), active(name != nullptr)
{
}

TimingInspector::~TimingInspector()
{
	if(active)
		StdLog() << Dump() << "\r\n";
}

TimingInspector::Routine::Routine(TimingInspector& t)
:	inspector(t), start(sNanoTicks())
{
	t.running++;
}

TimingInspector::Routine::~Routine()
{
	int nesting = inspector.running--;
	inspector.Add((sNanoTicks() - start) / 1e6, nesting - 1);
}

void TimingInspector::Add(double ms, int nesting)
{
	Mutex::Lock l(mutex);
	if(!calls++ || ms < mintime)
		mintime = ms;
	if(calls == 1 || ms > maxtime)
		maxtime = ms;
	total += ms;
	if(nesting > 0)
		nestedcalls++;
	maxnesting = max(maxnesting, nesting);
}

String TimingInspector::Dump()
{
	Mutex::Lock l(mutex);
	String s = Sprintf("TIMING %-15s: ", name);
	if(!calls)
		return s + "No active hit";
	double t = max(total / calls - sTimerCost(), 0.0);
	using detail::FormatTimingTime;
	s << FormatTimingTime(calls * t / 1000) << " - " << FormatTimingTime(t / 1000)
	  << " (" << FormatTimingTime(total / 1000) << " / " << Sprintf("%d )", calls)
	  << ", min: " << FormatTimingTime(mintime / 1000) << ", max: " << FormatTimingTime(maxtime / 1000)
	  << Sprintf(", nesting: %d - %d", maxnesting, nestedcalls);
	return s;
}

} // namespace Qel
