#include "TestUtil.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qel;
using namespace QelTest;

namespace {

// A BlockStream over a std::string that logs every medium write.
struct MemBlock : BlockStream {
	std::string medium;
	std::string log;
	bool open = false;
	int failReadAt = -1; // a read touching this position fails

	dword Read(int64 at, void* ptr, dword size) override
	{
		if(failReadAt >= at && failReadAt < at + size)
			return 0;
		dword n = (dword)max<int64>(0, min<int64>(size, (int64)medium.size() - at));
		memcpy(ptr, medium.data() + at, n);
		return n;
	}
	void Write(int64 at, const void* data, dword size) override
	{
		log += std::to_string(at) + ":" + std::to_string(size) + " ";
		if((int64)medium.size() < at + size)
			medium.resize(at + size);
		memcpy(medium.data() + at, data, size);
	}
	void SetStreamSize(int64 size) override { medium.resize(size); }
	bool IsOpen() const override            { return open; }

	void Open(int page, const std::string& init = {})
	{
		medium = init;
		SetPageSize(page);
		OpenInit(STRM_READ | STRM_WRITE | STRM_SEEK, medium.size());
		open = true;
	}
};

std::string FileText(const std::string& path)
{
	FileIn in(path.c_str());
	if(!in.IsOpen())
		return "<missing>";
	String s = ReadRestOfStream(in);
	return std::string(s.Begin(), s.GetLength());
}

} // namespace

TEST(BlockStream, PageSizeIsAPowerOfTwo)
{
	MemBlock b;
	for(auto [ask, got] : { std::pair{ 8, 8 }, { 6, 4 }, { 3, 2 }, { 1, 2 }, { 0, 2 }, { 5000, 4096 } }) {
		b.SetPageSize(ask);
		EXPECT_EQ(b.GetPageSize(), got) << ask;
	}
}

TEST(BlockStream, BlockWriteMovesWholePagesStraightToTheMedium)
{
	MemBlock b;
	b.Open(16);
	b.Seek(4); // extends the medium to 4 zero bytes
	std::string data(40, 'x');
	for(int i = 0; i < 40; i++)
		data[i] = char('a' + i % 26);
	b.Put(data.data(), 40);
	EXPECT_EQ(b.log, "0:16 16:16 ");
	EXPECT_EQ(b.GetPos(), 44);
	b.Flush();
	EXPECT_EQ(b.log, "0:16 16:16 32:12 "); // the last page only up to the data
	EXPECT_EQ(b.medium, std::string(4, '\0') + data);
}

TEST(BlockStream, ReadsAndWritesAcrossPagesMatchAPlainBuffer)
{
	MemBlock b;
	b.Open(8);
	std::string model;
	unsigned seed = 1;
	auto rnd = [&](int n) { seed = seed * 1103515245 + 12345; return int((seed >> 8) % n); };
	for(int step = 0; step < 3000; step++) {
		int pos = rnd((int)model.size() + 20);
		b.Seek(pos);
		if(model.size() < (size_t)pos)
			model.resize(pos);
		ASSERT_EQ(b.GetPos(), pos);
		if(rnd(2)) {
			int n = rnd(40);
			std::string d;
			for(int i = 0; i < n; i++)
				d += char(rnd(256));
			if(rnd(2))
				b.Put(d.data(), n);
			else
				for(char c : d)
					b.Put(c);
			if(model.size() < pos + d.size())
				model.resize(pos + d.size());
			model.replace(pos, d.size(), d);
		}
		else {
			int n = rnd(40);
			std::string got(n, '\0');
			int r = b.Get(got.data(), n);
			int expect = (int)min<int64>(n, (int64)model.size() - pos);
			ASSERT_EQ(r, expect);
			ASSERT_EQ(got.substr(0, r), model.substr(pos, r)) << step;
		}
		ASSERT_EQ(b.GetSize(), (int64)model.size());
		if(rnd(50) == 0) {
			int64 n = rnd((int)model.size() + 30);
			b.SetSize(n);
			model.resize(n);
		}
	}
	b.Flush();
	EXPECT_EQ(b.medium, model);
}

TEST(BlockStream, GapsAfterShrinkingReadAsZeros)
{
	MemBlock b;
	b.Open(16, std::string(12, 'q'));
	b.Seek(5);
	b.Get();                        // page 0 cached with twelve 'q'
	b.SetSize(2);                   // shrink below the cached bytes
	b.Seek(10);                     // grow again: 2..9 must be zeros
	b.Put('z');
	b.Flush();
	EXPECT_EQ(b.medium, std::string("qq") + std::string(8, '\0') + "z");
}

TEST(BlockStream, FailedPageLoadIsNeverWrittenBack)
{
	MemBlock b;
	b.Open(16, std::string(40, 'a'));
	b.failReadAt = 20;
	b.Seek(18);
	b.Put('X');
	EXPECT_TRUE(b.IsError());
	b.ClearError();
	b.failReadAt = -1;
	b.Seek(0);
	b.Put('Y');
	b.Flush();
	EXPECT_EQ(b.medium, "Y" + std::string(39, 'a'));
	EXPECT_EQ(b.log, "0:16 ");
}

TEST(FileStream, WriteReadSeekAndSize)
{
	TempDir tmp;
	std::string f = tmp("a.bin");
	{
		FileOut out(f.c_str());
		ASSERT_TRUE(out.IsOpen());
		String big('x', 10000);
		out.Put(big);
		out % big;
		out.Seek(20010);              // writable: extends with zeros at once
		EXPECT_EQ(out.GetSize(), 20010);
		struct stat st;
		stat(f.c_str(), &st);
		EXPECT_EQ(st.st_size, 20010);
		out.Put("end");
	}
	std::string text = FileText(f);
	ASSERT_EQ(text.size(), 20013u);
	EXPECT_EQ(text.substr(10000, 5), std::string("\xFF\x10\x27\0\0", 5));
	EXPECT_EQ(text.substr(20005, 8), std::string(5, '\0') + "end");

	FileIn in(f.c_str());
	EXPECT_TRUE(in.IsLoading());
	in.Seek(10000);
	String back;
	in % back;
	EXPECT_EQ(back, String('x', 10000));
	in.Seek(1 << 30);             // read-only: clamped to the end
	EXPECT_EQ(in.GetPos(), 20013);
	EXPECT_TRUE(in.IsEof());
	in.Put('!');
	in.Close();
	EXPECT_EQ(FileText(f).size(), 20013u);

	FileStream app(f.c_str(), FileStream::OPEN_APPEND);
	EXPECT_EQ(app.GetPos(), 20013);
	app.Put("++");
	app.SetSize(3);
	app.Close();
	EXPECT_EQ(FileText(f), "xxx");

	FileStream cr(f.c_str(), FileStream::OPEN_CREATE);
	EXPECT_EQ(cr.GetSize(), 0);
}

TEST(FileStream, OpenFailures)
{
	TempDir tmp;
	FileIn missing(tmp("none").c_str());
	EXPECT_FALSE(missing.IsOpen());
	EXPECT_EQ(missing.GetError(), ENOENT);

	FileIn dir(tmp.path.c_str());
	EXPECT_FALSE(dir.IsOpen());
	EXPECT_TRUE(dir.IsError());

	// A FIFO with no writer would block a plain open; it is refused at once instead.
	std::string fifo = tmp("fifo");
	ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
	FileIn f(fifo.c_str());
	EXPECT_FALSE(f.IsOpen());
	FileStream rw(fifo.c_str(), FileStream::OPEN_APPEND);
	EXPECT_FALSE(rw.IsOpen());

	FileIn nul("/dev/null");
	EXPECT_FALSE(nul.IsOpen());
}

TEST(FileStream, DescriptorsAreCloseOnExec)
{
	TempDir tmp;
	FileOut out(tmp("c").c_str());
	ASSERT_TRUE(out.IsOpen());
	EXPECT_TRUE(fcntl(out.GetHandle(), F_GETFD) & FD_CLOEXEC);
	EXPECT_FALSE(fcntl(out.GetHandle(), F_GETFL) & O_NONBLOCK);
}

TEST(FileStream, ExclusiveWriterLocksOutAnotherProcess)
{
	TempDir tmp;
	std::string f = tmp("locked");
	FileOut first(f.c_str());
	ASSERT_TRUE(first.IsOpen());
	first.Put("first writer");
	first.Flush();

	pid_t pid = fork();
	ASSERT_GE(pid, 0);
	if(pid == 0) {
		FileOut second(f.c_str());
		bool refused = !second.IsOpen() && second.GetError() == EWOULDBLOCK;
		bool intact = FileText(f) == "first writer"; // the refused writer truncated nothing
		_exit(refused && intact ? 0 : 1);
	}
	int status = 0;
	waitpid(pid, &status, 0);
	EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

	first.Close();
	pid = fork();
	if(pid == 0) {
		FileOut second(f.c_str());
		_exit(second.IsOpen() ? 0 : 1);
	}
	waitpid(pid, &status, 0);
	EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(FileStream, ClosingWritesOnlyTheDataOfTheLastPage)
{
	TempDir tmp;
	std::string f = tmp("small");
	FileOut out(f.c_str());
	out.SetPageSize(64);
	out.Put("12345");
	out.Close();
	EXPECT_FALSE(out.IsOpen());
	EXPECT_EQ(FileText(f), "12345");
}

// A file cut while it is read: the error names the short read, not whatever errno held.
TEST(FileStream, FileCutUnderAReaderIsAShortRead)
{
	TempDir tmp;
	std::string f = tmp("cut");
	{
		FileOut out(f.c_str());
		out.Put(String('d', 20000));
	}
	// one byte through the page, and a block that passes whole pages straight to the file
	for(bool block : {false, true}) {
		FileIn in(f.c_str());
		ASSERT_TRUE(in.IsOpen());
		ASSERT_EQ(truncate(f.c_str(), 100), 0);
		errno = ENOENT;
		if(block) {
			char buf[16384];
			EXPECT_EQ(in.GetBlock(buf, sizeof(buf)), 0);
		}
		else {
			in.Seek(8192);
			EXPECT_EQ(in.Get(), -1);
		}
		EXPECT_TRUE(in.IsError()) << block;
		EXPECT_EQ(in.GetError(), ERROR_SHORT_READ) << block;
		FileOut again(f.c_str());
		again.Put(String('d', 20000));
	}
}
