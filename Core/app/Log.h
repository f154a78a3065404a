// The process log: one file per application in ".local/state/qel/log/", opened on first use and
// re-created past its size limit, written line by line through StdLog(). Each thread collects its
// own line, so threads never mix bytes within a line. Byte 30 indents the following lines by one
// tab, byte 31 takes one back. Also here: the time and tick helpers the log uses, hexadecimal
// text, demangling and the timing inspector.
#pragma once

#include <Core/stream/Stream.h>
#include <Core/thread/Thread.h>
#include <Core/types/TimeDate.h>

namespace Qel {

class LogFile {
public:
	enum : int {
		LOG_FILE          = 0x1,
		LOG_COUT          = 0x2,     // standard output, without prefixes
		LOG_CERR          = 0x4,     // standard error, without prefixes
		LOG_DBG           = 0x8,     // the error console stream, after the file
		LOG_SYS           = 0x10,    // syslog, without prefixes
		LOG_ELAPSED       = 0x80,    // "[+%6d ms] " since the previous chunk
		LOG_TIMESTAMP     = 0x100,   // local date and time at each line start
		LOG_TIMESTAMP_UTC = 0x200,
		LOG_APPEND        = 0x400,   // keep what the file holds
		LOG_ROTATE_GZIP   = 0x800,   // older rotated copies compressed
		LOG_COUTSTREAM    = 0x1000,  // the output console stream
		LOG_CERRSTREAM    = 0x2000,  // the error console stream
	};
	// Bits 24-31 of the options: how many rotated copies are kept.
	static constexpr int LOG_ROTATE(int count) { return count << 24; }

	int    options = LOG_FILE;
	int    sizelimit = 10485760;     // re-created once the file passes it; 0 or less: no limit
	int    part = 0;                 // shown in the header as ", #part" when not 0

	// Closes, rotates the older copies and opens the file at path anew with its header line.
	void   Create(bool append);
	// One chunk with its prefixes to every sink the options select.
	void   Put(const char* text, int length, int depth = 0);
	void   Close();

	void   SetPath(const String& p)   { path = p; }
	String GetPath() const            { return path; }
	int64  GetSize() const            { return filesize; }
	bool   IsOpen() const             { return handle >= 0; }

	LogFile() = default;
	~LogFile()                        { Close(); }
	LogFile(const LogFile&) = delete;
	LogFile& operator=(const LogFile&) = delete;

private:
	StaticMutex lock;
	int    handle = -1;
	String path;
	int64  filesize = 0;
	bool   bol = false;              // the last chunk ended a line
	bool   ticked = false;
	int    prevtick = 0;

	void   Rotate();
	void   WriteFile(const char* data, int64 length);
};

// Lines end at '\n' or after 501 bytes; each goes to the log's line writer with its depth.
class LogStream : public Stream {
protected:
	void  PutSlow(int w) override;
	void  PutSlow(const void* data, dword size) override;

public:
	int64 GetSize() const override;
	bool  IsOpen() const override;
};

// The process log's file record; StdLog() opens it at its first call.
LogFile& StdLogFile();
Stream&  StdLogStream();
Stream&  StdLog();

// Writes the text to the process log.
void StdLogPut(const char* text, int length);
void StdLogPut(const char* text);

// Null when the clock cannot be read.
Time   GetLocalTimeNow();
// Monotonic milliseconds minus start.
int    GetTickMsecs(int start = 0);
String FormatUnsignedHex(uint64 value);
// The readable form of a mangled type name; the name itself when it is none.
String Demangle(const char* name);

// Sums up timed sections of code; an active inspector writes its summary to the log when it is
// destroyed. Time a section with a Routine on the stack.
class TimingInspector {
public:
	class Routine {
		TimingInspector& inspector;
		int64 start;
	public:
		explicit Routine(TimingInspector& t);
		~Routine();
		Routine(const Routine&) = delete;
		Routine& operator=(const Routine&) = delete;
	};

	void   Add(double ms, int nesting);
	String Dump();

	explicit TimingInspector(const char* name = nullptr);
	~TimingInspector();
	TimingInspector(const TimingInspector&) = delete;
	TimingInspector& operator=(const TimingInspector&) = delete;

private:
	const char* name;
	bool   active;
	Mutex  mutex;
	int    calls = 0;
	double total = 0, mintime = 0, maxtime = 0;
	int    maxnesting = 0;       // the deepest nesting seen
	int    nestedcalls = 0;      // sections timed while another of the same inspector ran
	std::atomic<int> running{0};
};

namespace detail {

using LogLineWriter = void (*)(const char* text, int length, int depth);
// Where finished lines of StdLog go (to the process log file unless replaced); returns the old one.
LogLineWriter SetLogLineWriter(LogLineWriter writer);
// Time in seconds with two decimals and a unit suited to its size ("%5.2f ms" and the like).
String FormatTimingTime(double seconds);

} // namespace detail

} // namespace Qel
