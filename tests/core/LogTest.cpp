#include <Core/Core.h>

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace Qel;
using QelTest::TempFolder;

namespace {

std::string Text(const String& s)
{
	return std::string(~s, s.GetLength());
}

// Digits become '9', so dates and times compare with a pattern.
std::string Mask(std::string s)
{
	for(char& c : s)
		if(c >= '0' && c <= '9')
			c = '9';
	return s;
}

// The log's text with every header line reduced to "<header>"; false when a header is malformed.
bool StripHeaders(std::string& log)
{
	std::string out;
	size_t at = 0;
	while(at < log.size()) {
		if(log.compare(at, 2, "* ") == 0) {
			size_t end = log.find("\n\r\n", at);
			if(end == std::string::npos)
				return false;
			std::string h = log.substr(at, end - at);
			size_t user = h.find(", user: ");
			if(user == std::string::npos || user < 21 || Mask(h.substr(user - 20, 20)) != " 99.99.9999 99:99:99")
				return false;
			out += "<header>";
			at = end + 3;
			continue;
		}
		size_t nl = log.find('\n', at);
		size_t next = nl == std::string::npos ? log.size() : nl + 1;
		out += log.substr(at, next - at);
		at = next;
	}
	log = out;
	return true;
}

// Captures what StdLog hands to its line writer.
struct Capture {
	static std::mutex lock;
	static std::vector<std::pair<std::string, int>> chunks;
	detail::LogLineWriter old;

	static void Writer(const char* text, int length, int depth)
	{
		std::lock_guard<std::mutex> l(lock);
		chunks.emplace_back(std::string(text, length), depth);
	}
	Capture()  { chunks.clear(); old = detail::SetLogLineWriter(Writer); }
	~Capture()
	{
		for(int i = 0; i < 25; i++) // back to depth 0 for the next user of this thread
			StdLog().Put(31);
		detail::SetLogLineWriter(old);
	}
};

std::mutex Capture::lock;
std::vector<std::pair<std::string, int>> Capture::chunks;

} // namespace

TEST(Log, HeaderThenLines)
{
	TempFolder tmp;
	LogFile f;
	f.SetPath(tmp("a.log"));
	{
		const char* user = getenv("USER");
		std::string old = user ? user : "";
		unsetenv("USER");
		f.Create(false);
		if(user)
			setenv("USER", old.c_str(), 1);
	}
	ASSERT_TRUE(f.IsOpen());
	f.Put("first\n", 6);
	f.Put("deep\n", 5, 3);
	f.Put("x\n", 2, 500);
	std::string log = Text(LoadFile(tmp("a.log")));
	EXPECT_NE(log.find(", user: boot\n"), std::string::npos) << "USER unset";
	EXPECT_EQ(f.GetSize(), (int64)log.size());
	ASSERT_TRUE(StripHeaders(log)) << log;
	EXPECT_EQ(log, "<header>first\n\t\t\tdeep\n" + std::string(99, '\t') + "x\n");

	// Create again truncates; with the append option it keeps what is there
	f.Create(false);
	f.Put("a\n", 2);
	f.Create(true);
	f.Put("b\n", 2);
	log = Text(LoadFile(tmp("a.log")));
	EXPECT_EQ(f.GetSize(), (int64)log.size());
	ASSERT_TRUE(StripHeaders(log)) << log;
	EXPECT_EQ(log, "<header>a\n<header>b\n");
}

TEST(Log, Prefixes)
{
	TempFolder tmp;
	LogFile f;
	f.SetPath(tmp("p.log"));
	f.options = LogFile::LOG_FILE | LogFile::LOG_TIMESTAMP | LogFile::LOG_ELAPSED;
	f.Create(false);
	f.Put("ab", 2);
	f.Put("c\n", 2, 1);
	f.Put("d\n", 2);
	std::string log = Text(LoadFile(tmp("p.log")));
	// the date starts a line only; the elapsed time comes with every chunk
	ASSERT_TRUE(StripHeaders(log)) << log;
	EXPECT_TRUE(log.find("<header>[+     0 ms] ") == 0) << log;
	EXPECT_TRUE(PatternMatch("<header>[+*9 ms] 99.99.9999 99:99:99 ab[+*9 ms] \tc\n[+*9 ms] 99.99.9999 99:99:99 d\n",
	                         Mask(log).c_str())) << log;
}

TEST(Log, RotationKeepsOlderCopiesCompressed)
{
	TempFolder tmp;
	String p = tmp("r.log");
	LogFile f;
	f.SetPath(p);
	f.options = LogFile::LOG_FILE | LogFile::LOG_ROTATE_GZIP | LogFile::LOG_ROTATE(3);
	for(int run = 1; run <= 5; run++) {
		f.Create(false);
		String line = Sprintf("run %d\n", run);
		f.Put(~line, line.GetLength());
	}
	f.Close();
	EXPECT_NE(LoadFile(p).Find("run 5"), -1);
	EXPECT_NE(LoadFile(p + ".1").Find("run 4"), -1) << "the newest copy is plain";
	EXPECT_FALSE(FileExists(p + ".2"));
	EXPECT_FALSE(FileExists(p + ".4.gz"));
	for(int k = 2; k <= 3; k++) {
		String gz = p + Sprintf(".%d.gz", k);
		ASSERT_TRUE(FileExists(gz));
		FILE* in = popen(~("gzip -dc '" + gz + "'"), "r");
		ASSERT_TRUE(in);
		char b[4096];
		std::string text(b, fread(b, 1, sizeof(b), in));
		EXPECT_EQ(pclose(in), 0) << "gzip reads " << ~gz;
		EXPECT_NE(text.find(Text(Sprintf("run %d\n", 5 - k))), std::string::npos) << text;
	}

	// a single copy stays plain even with compression on
	String q = tmp("one.log");
	f.SetPath(q);
	f.options = LogFile::LOG_FILE | LogFile::LOG_ROTATE_GZIP | LogFile::LOG_ROTATE(1);
	for(const char* s : {"x\n", "y\n", "z\n"}) {
		f.Create(false);
		f.Put(s, 2);
	}
	EXPECT_TRUE(LoadFile(q + ".1").EndsWith("\r\ny\n"));
	EXPECT_FALSE(FileExists(q + ".2") || FileExists(q + ".2.gz") || FileExists(q + ".1.gz"));
}

TEST(Log, SizeLimitRecreatesTheFile)
{
	TempFolder tmp;
	String p = tmp("s.log");
	LogFile f;
	f.SetPath(p);
	f.sizelimit = 1000;
	f.options = LogFile::LOG_FILE | LogFile::LOG_ROTATE(1);
	f.Create(false);
	for(int i = 0; i < 100; i++) {
		String line = Sprintf("line %03d of the log\n", i);
		f.Put(~line, line.GetLength());
	}
	String now = LoadFile(p);
	String before = LoadFile(p + ".1");
	EXPECT_LE(now.GetLength(), 1000 + 200);
	EXPECT_TRUE(now.StartsWith("* "));
	EXPECT_TRUE(now.EndsWith("line 099 of the log\n"));
	EXPECT_TRUE(before.StartsWith("* "));
	EXPECT_GT(before.GetLength(), 1000) << "re-created once it passed the limit";
	EXPECT_EQ(f.GetSize(), now.GetLength());
}

TEST(Log, PathOfAnyLength)
{
	TempFolder tmp;
	String dir = tmp.path;
	while(dir.GetLength() < 700)
		dir = AppendFileName(dir, "a-long-folder-name-for-the-log-path");
	ASSERT_TRUE(RealizeDirectory(dir));
	LogFile f;
	f.SetPath(AppendFileName(dir, "long.log"));
	f.Create(false);
	EXPECT_TRUE(f.IsOpen());
	f.Put("x\n", 2);
	EXPECT_TRUE(LoadFile(AppendFileName(dir, "long.log")).EndsWith("\r\nx\n"));
}

TEST(Log, UnwritablePathSkipsTheFileSink)
{
	LogFile f;
	f.SetPath("/nonexistent-folder/x.log");
	f.Create(false);
	EXPECT_FALSE(f.IsOpen());
	f.Put("x\n", 2); // nothing to write to, nothing breaks
}

TEST(Log, LineBufferingAndDepth)
{
	Capture c;
	Stream& log = StdLog();
	std::string line600(600, 'q');
	log << line600.c_str() << "\n";
	log.Put(30);
	log.Put(30);
	log.Put("a\n");
	log.Put(31);
	log.Put("b");
	log.Put(31);
	log.Put(31);       // not below 0
	log.Put("c\n");    // a line takes the depth in force at its last character
	for(int i = 0; i < 25; i++)
		log.Put(30);
	log.Put("d\r\n");   // no deeper than 20
	for(int i = 0; i < 25; i++)
		log.Put(31);
	log.Put("e\n");
	std::vector<std::pair<std::string, int>> expect = {
		{std::string(501, 'q'), 0}, {std::string(99, 'q') + "\n", 0},
		{"a\n", 2}, {"bc\n", 0}, {"d\r\n", 20}, {"e\n", 0},
	};
	EXPECT_EQ(Capture::chunks, expect);
}

TEST(Log, BlockPutEqualsBytePut)
{
	std::string text;
	for(int i = 0; i < 5000; i++)
		text += "abcdefgh\n\r\x1e\x1f\tyz"[(i * 7 + i / 13) % 15];
	std::vector<std::pair<std::string, int>> bytewise, blockwise;
	{
		Capture c;
		for(char ch : text)
			StdLog().Put(ch);
		StdLog().Put('\n');
		bytewise = Capture::chunks;
	}
	{
		Capture c;
		StdLog().Put(text.data(), (int)text.size());
		StdLog().Put('\n');
		blockwise = Capture::chunks;
	}
	EXPECT_EQ(blockwise, bytewise);
}

// Threads write long lines in small pieces; every line in the file must be whole.
TEST(Log, LinesOfThreadsNeverInterleave)
{
	// the process log, on a file of its own: other test programs share the usual one
	TempFolder tmp;
	LogFile& file = StdLogFile();
	String usual = file.GetPath();
	String path = tmp("std.log");
	file.SetPath(path);
	file.Create(false);
	Stream& log = StdLog();
	ASSERT_TRUE(file.IsOpen()) << ~path;
	const int threads = 4, lines = 500;
	std::vector<std::thread> t;
	for(int i = 0; i < threads; i++)
		t.emplace_back([&log, i] {
			for(int n = 0; n < lines; n++) {
				String id = Sprintf("T%d-%d ", i, n);
				log.Put(~id);
				for(int k = 0; k < 20; k++)
					log.Put("piece ");
				log.Put("end\n");
			}
		});
	for(auto& th : t)
		th.join();
	String text = LoadFile(path);
	int found = 0;
	for(const String& line : Split(~text, '\n'))
		if(line.StartsWith("T") && line.Find("piece") >= 0) {
			String whole = line.Left(line.Find(' ') + 1);
			for(int k = 0; k < 20; k++)
				whole << "piece ";
			whole << "end";
			EXPECT_EQ(line, whole);
			found++;
		}
	EXPECT_EQ(found, threads * lines);
	file.SetPath(usual);
	file.Create(true);
}

TEST(Log, SmallHelpers)
{
	struct { uint64 v; const char* hex; } hex[] = {{0, "0"}, {10, "a"}, {0x1234abcd, "1234abcd"}, {~0ull, "ffffffffffffffff"}};
	for(auto h : hex)
		EXPECT_EQ(FormatUnsignedHex(h.v), h.hex);
	EXPECT_EQ(Demangle("i"), "int");
	EXPECT_EQ(Demangle("N3Qel6StringE"), "Qel::String");
	EXPECT_EQ(Demangle("not mangled"), "not mangled");
	Time t = GetLocalTimeNow();
	EXPECT_TRUE(t.IsValid() && t.year >= 2024);
	int a = GetTickMsecs();
	EXPECT_GE(GetTickMsecs(a), 0);

	struct { double s; const char* text; } times[] = {
		{5e-7, "500.00 ns"}, {2.5e-5, "25.00 us"}, {0.0125, "12.50 ms"}, {3.0, " 3.00 s "},
	};
	for(auto x : times)
		EXPECT_EQ(detail::FormatTimingTime(x.s), x.text);
}

TEST(Log, TimingInspector)
{
	TimingInspector idle("idle");
	EXPECT_EQ(idle.Dump(), "TIMING idle           : No active hit");
	TimingInspector ti("work");
	ti.Add(2, 0);
	ti.Add(4, 1);
	std::string d = Text(ti.Dump());
	EXPECT_TRUE(PatternMatch("TIMING work           : * - * ( 6.00 ms / 2 ), min:  2.00 ms, max:  4.00 ms, nesting: 1 - 1",
	                         d.c_str())) << d;
	{
		TimingInspector::Routine r(ti);
		TimingInspector::Routine nested(ti);
	}
	EXPECT_NE(ti.Dump().Find("/ 4 )"), -1);
}
