#include "TestUtil.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <unistd.h>

using namespace Qel;
using namespace QelTest;

namespace {

String Bytes(std::initializer_list<int> b)
{
	String r;
	for(int c : b)
		r.Cat(c);
	return r;
}

String Sample(int n)
{
	String s;
	unsigned x = 7;
	for(int i = 0; i < n; i++) {
		x = x * 1103515245 + 12345;
		s.Cat("the quick brown fox "[i % 20] ^ ((x >> 28) == 0 ? 1 : 0));
	}
	return s;
}

String Gzip(const String& data)
{
	Zlib z;
	z.GZip().Compress();
	z.Put(data);
	z.End();
	return z.Get();
}

} // namespace

TEST(Zlib, Crc32)
{
	EXPECT_EQ(CRC32(String("123456789")), 0xCBF43926u);
	EXPECT_EQ(CRC32(String()), 0u);
	EXPECT_EQ(CRC32("6789", 4, CRC32("12345", 5)), 0xCBF43926u);
}

TEST(Zlib, CompressRoundTrips)
{
	String empty = ZCompress(String());
	EXPECT_EQ(empty, Bytes({ 0x78, 0x9C, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01 }));
	String back = ZDecompress(empty);
	EXPECT_FALSE(back.IsVoid());
	EXPECT_EQ(back, String());

	String text = Sample(1000000);
	String packed = ZCompress(text);
	EXPECT_EQ(packed[0], 0x78);
	EXPECT_LT(packed.GetLength(), text.GetLength() / 4);
	EXPECT_EQ(ZDecompress(packed), text);
	EXPECT_EQ(ZDecompress(packed.Begin(), packed.GetLength()), text);
}

TEST(Zlib, BadAndTruncatedInput)
{
	String junk = ZDecompress(String("this is not zlib data"));
	EXPECT_FALSE(junk.IsVoid());
	EXPECT_EQ(junk, String());

	// A cancel through the gate gives the void String.
	String text = Sample(200000);
	EXPECT_TRUE(ZCompress(text, [](int64, int64) { return true; }).IsVoid());

	// Cut data yields what was decoded, and the Zlib itself reports the error at End.
	String packed = ZCompress(text);
	Zlib z;
	z.Decompress();
	z.Put(packed.Left(packed.GetLength() - 10));
	EXPECT_FALSE(z.IsError());
	z.End();
	EXPECT_TRUE(z.IsError());
	EXPECT_GT(z.Get().GetLength(), 0);

	Zlib raw;
	raw.NoHeader().Compress();
	raw.Put(text);
	raw.End();
	String deflated = raw.Get();
	Zlib r2;
	r2.NoHeader().Decompress();
	r2.Put(deflated);
	r2.End();
	EXPECT_FALSE(r2.IsError());
	EXPECT_EQ(r2.Get(), text);
	Zlib r3;
	r3.NoHeader().Decompress();
	r3.Put(deflated.Left(deflated.GetLength() / 2));
	r3.End();
	EXPECT_TRUE(r3.IsError());
}

TEST(Zlib, GzipFramingAndTrailer)
{
	String text = Sample(5000);
	String gz = Gzip(text);
	EXPECT_EQ(gz.Left(10), Bytes({ 0x1F, 0x8B, 8, 0, 0, 0, 0, 0, 0, 3 }));
	dword tail[2];
	memcpy(tail, gz.End() - 8, 8);
	EXPECT_EQ(tail[0], CRC32(text));
	EXPECT_EQ(tail[1], 5000u);

	Zlib d;
	d.GZip().Decompress();
	d.Put(gz);
	d.End();
	EXPECT_FALSE(d.IsError());
	EXPECT_EQ(d.Get(), text);

	String bad = gz;
	bad = gz.Left(gz.GetLength() - 8) + Bytes({ 1, 2, 3, 4 }) + gz.Right(4);
	Zlib e;
	e.GZip().Decompress();
	e.Put(bad);
	e.End();
	EXPECT_TRUE(e.IsError());

	Zlib m;
	m.GZip().Decompress();
	m.Put(Bytes({ 0x1F, 0x8B, 7, 0, 0, 0, 0, 0, 0, 3 }));
	EXPECT_TRUE(m.IsError());

	Zlib t;
	t.GZip().Decompress();
	t.Put(gz.Left(6));
	t.End();
	EXPECT_TRUE(t.IsError());
}

TEST(Zlib, GzipHeaderFieldsArriveBytewise)
{
	String text = Sample(3000);
	String gz = Gzip(text);
	// Rebuild the header with every optional field: extra, name, comment and header CRC.
	String hdr = Bytes({ 0x1F, 0x8B, 8, 4 | 8 | 16 | 2, 0, 0, 0, 0, 0, 3, 3, 0, 'x', 'y', 'z' });
	hdr << "file.txt" << Bytes({ 0 }) << "a comment" << Bytes({ 0 });
	dword hcrc = CRC32(hdr);
	String full = hdr + Bytes({ int(hcrc & 255), int(hcrc >> 8 & 255) }) + gz.Mid(10);
	String wrong = hdr + Bytes({ int(hcrc & 255), int(~hcrc >> 8 & 255) }) + gz.Mid(10);
	for(int chunk : { 1, 2, 7, 1000000 }) {
		Zlib d;
		d.GZip().Decompress();
		for(int i = 0; i < full.GetLength(); i += chunk)
			d.Put(full.Mid(i, chunk));
		d.End();
		EXPECT_FALSE(d.IsError()) << chunk;
		EXPECT_EQ(d.Get(), text);
		EXPECT_EQ(d.GetGZipName(), "file.txt");
		EXPECT_EQ(d.GetGZipComment(), "a comment");

		// the header checksum is checked, not skipped
		Zlib w;
		w.GZip().Decompress();
		for(int i = 0; i < wrong.GetLength(); i += chunk)
			w.Put(wrong.Mid(i, chunk));
		w.End();
		EXPECT_TRUE(w.IsError()) << chunk;
		EXPECT_EQ(w.Get(), String());
	}
}

TEST(Zlib, DamagedStreamIsNeverSuccess)
{
	String text = Sample(2000000);
	String packed = ZCompress(text);
	String flipped = packed;
	flipped.Set(packed.GetLength() / 2, packed[packed.GetLength() / 2] ^ 0x10);
	String adler = packed;
	adler.Set(packed.GetLength() - 1, packed[packed.GetLength() - 1] ^ 1);
	for(const String& bad : { packed.Left(packed.GetLength() / 2), flipped, adler }) {
		String r = ZDecompress(bad);
		EXPECT_FALSE(r.IsVoid());
		EXPECT_EQ(r.GetLength(), 0);
		StringStream in(bad), out;
		EXPECT_LT(ZDecompress(out, in), 0);
	}
}

TEST(Zlib, OutputBeyondTheBoundIsAnError)
{
	// 16 MB of zeros packs into some 16 KB: a bound stops it early, with nothing kept.
	Zlib c;
	c.Compress();
	String zeros(0, 1 << 20);
	for(int i = 0; i < 16; i++)
		c.Put(zeros);
	c.End();
	String bomb = c.Get();
	ASSERT_LT(bomb.GetLength(), 100000);
	String r = ZDecompress(bomb, {}, 1 << 20);
	EXPECT_FALSE(r.IsVoid());
	EXPECT_EQ(r.GetLength(), 0);
	EXPECT_EQ(ZDecompress(bomb, {}, 16 << 20).GetLength(), 16 << 20);
	StringStream in(bomb), out;
	EXPECT_LT(ZDecompress(out, in, {}, 1000), 0);
	EXPECT_LE(out.GetSize(), 1000);
}

TEST(Zlib, GzipMembersFollowOneAnother)
{
	String a = Sample(70000), b = Sample(1000) + "tail";
	String two = Gzip(a) + Gzip(String()) + Gzip(b);
	String padded = two + String(0, 5000);
	String junk = two + "x";
	String cut = two + Gzip(a).Left(20);
	struct Case { const String* data; bool ok; };
	for(Case c : { Case{ &two, true }, { &padded, true }, { &junk, false }, { &cut, false } })
		for(int chunk : { 1, 3, 4096, 1 << 30 }) {
			Zlib d;
			d.GZip().Decompress();
			for(int i = 0; i < c.data->GetLength(); i += chunk)
				d.Put(c.data->Mid(i, chunk));
			d.End();
			EXPECT_EQ(d.IsError(), !c.ok) << chunk;
			if(c.ok) {
				EXPECT_EQ(d.Get(), a + b);
			}
		}
}

TEST(Zlib, FilterStreamChunksAndCounts)
{
	struct Probe {
		Function<void (const void*, int)> WhenOut;
		Vector<int> inputs;
		int ends = 0;
		void Put(const void* p, int n) { inputs.Add(n); WhenOut(p, n); }
		void End()                     { ends++; WhenOut("!", 1); }
	} probe;
	StringStream target;
	OutFilterStream fs(target, probe);
	Vector<int64> progress;
	fs.onProgress = [&](int64 n) { progress.Add(n); };
	String block('a', 4096);
	fs.Put(block);
	EXPECT_EQ(probe.inputs.GetCount(), 0);
	fs.Put('b');
	ASSERT_EQ(probe.inputs.GetCount(), 1);
	EXPECT_EQ(probe.inputs[0], 4096);
	String more('c', 2 * 4096 + 4);
	fs.Put(more);
	EXPECT_EQ(probe.inputs.GetCount(), 3);
	fs.Close();
	ASSERT_EQ(probe.inputs.GetCount(), 4);
	EXPECT_EQ(probe.inputs[3], 5);
	EXPECT_EQ(probe.ends, 1);
	ASSERT_EQ(progress.GetCount(), 4);
	EXPECT_EQ(progress[2], 3 * 4096);
	EXPECT_EQ(progress[3], 3 * 4096 + 5);
	EXPECT_EQ(fs.GetPassedOn(), 3 * 4096 + 6);
	EXPECT_EQ(target.GetResult(), block + "b" + more + "!");

	// A closed filter stream refuses writes and holds no stale pointers; closing again is nothing.
	EXPECT_FALSE(fs.IsOpen());
	fs.Put('x');
	fs.Put(block);
	EXPECT_TRUE(fs.IsError());
	fs.Close();
	EXPECT_EQ(probe.ends, 1);

	// Without a target the filter's output goes nowhere.
	OutFilterStream loose;
	loose.Reset();
	loose.onInput = [&](const void* p, int n) { loose.PassOut(p, n); };
	loose.Put(block);
	loose.Put('z');
	loose.Close();
	EXPECT_EQ(loose.GetPassedOn(), 0);
	EXPECT_EQ(loose.GetPos(), 4097);

	Probe p2;
	OutFilterStream empty(target, p2);
	empty.Close();
	EXPECT_EQ(p2.inputs.GetCount(), 0);
	EXPECT_EQ(p2.ends, 1);
}

TEST(Zlib, TargetRefusingOutputThrowsOutOfThePipe)
{
	// Data that does not compress, into a target with a size limit: the limit's exception leaves the
	// one-call function although the filter stream is destroyed while it unwinds.
	String noise;
	unsigned x = 1;
	for(int i = 0; i < 100000; i++) {
		x = x * 1103515245 + 12345;
		noise.Cat(int(x >> 24));
	}
	StringStream out;
	out.SetSizeLimit(100);
	StringStream in(noise);
	EXPECT_THROW(ZCompress(out, in), StringStream::LimitExc);
}

TEST(Zlib, GzipFilesInteroperateWithGzipTool)
{
	if(system("gzip --version >/dev/null 2>&1") != 0)
		GTEST_SKIP() << "gzip(1) not installed";
	TempDir tmp;
	String text = Sample(300000);
	WriteFile(tmp("plain"), text);
	ASSERT_TRUE(GZCompressFile(tmp("ours.gz").c_str(), tmp("plain").c_str()));
	String gz = ReadFile(tmp("ours.gz"));
	EXPECT_EQ(gz.Left(10), Bytes({ 0x1F, 0x8B, 8, 0, 0, 0, 0, 0, 0, 3 }));
	EXPECT_EQ(system(("gzip -t '" + tmp("ours.gz") + "'").c_str()), 0);
	EXPECT_EQ(system(("gzip -dc '" + tmp("ours.gz") + "' | cmp -s - '" + tmp("plain") + "'").c_str()), 0);

	// gzip(1) stores the file name in the header.
	EXPECT_EQ(system(("cp '" + tmp("plain") + "' '" + tmp("theirs") + "' && gzip -9 '" + tmp("theirs") + "'").c_str()), 0);
	ASSERT_TRUE(GZDecompressFile(tmp("back").c_str(), tmp("theirs.gz").c_str()));
	EXPECT_EQ(ReadFile(tmp("back")), text);

	// what the gzip tool reads whole: members one after another
	EXPECT_EQ(system(("cat '" + tmp("ours.gz") + "' '" + tmp("theirs.gz") + "' > '" + tmp("two.gz") + "'").c_str()), 0);
	ASSERT_TRUE(GZDecompressFile(tmp("both").c_str(), tmp("two.gz").c_str()));
	EXPECT_EQ(ReadFile(tmp("both")), text + text);

	// a failure leaves no output behind
	String broken = ReadFile(tmp("theirs.gz"));
	WriteFile(tmp("broken.gz"), broken.Left(broken.GetLength() - 3));
	EXPECT_FALSE(GZDecompressFile(tmp("back2").c_str(), tmp("broken.gz").c_str()));
	EXPECT_NE(access(tmp("back2").c_str(), F_OK), 0);
	EXPECT_FALSE(GZCompressFile(tmp("x.gz").c_str(), tmp("missing").c_str()));
}

// A failed or interrupted file operation leaves the old destination as it was, and no file of
// its own behind; a full disk is a file size limit in a child process.
TEST(Zlib, FileFormsKeepTheOldFileWhenTheyFail)
{
	TempDir tmp;
	String noise; // does not compress: the archive outgrows the limit
	unsigned x = 1;
	for(int i = 0; i < (1 << 20); i++) {
		x = x * 1103515245 + 12345;
		noise.Cat(char(x >> 23));
	}
	WriteFile(tmp("src"), noise);
	String old = Gzip("the old archive");
	WriteFile(tmp("dst.gz"), old);
	const std::vector<std::string> names = { "dst.gz", "src" };

	EXPECT_EQ(InChildWithFileLimit(64 << 10, [&] { return GZCompressFile(tmp("dst.gz").c_str(), tmp("src").c_str()); }), 1);
	EXPECT_EQ(ReadFile(tmp("dst.gz")), old) << "full disk";
	EXPECT_EQ(FolderNames(tmp.path), names);

	int calls = 0;
	EXPECT_FALSE(GZCompressFile(tmp("dst.gz").c_str(), tmp("src").c_str(), [&](int64, int64) { return ++calls > 2; }));
	EXPECT_EQ(ReadFile(tmp("dst.gz")), old) << "cancelled";
	EXPECT_EQ(FolderNames(tmp.path), names);

	// killed while it writes: the old archive stays under its name (a piece of the new one may stay
	// beside it, under a name of its own)
	EXPECT_EQ(InChildWithFileLimit(RLIM_INFINITY, [&] {
		int n = 0;
		return GZCompressFile(tmp("dst.gz").c_str(), tmp("src").c_str(), [&](int64, int64) {
			if(++n == 3)
				raise(SIGKILL);
			return false;
		});
	}), 128 + SIGKILL);
	EXPECT_EQ(ReadFile(tmp("dst.gz")), old) << "killed";

	// success replaces it
	ASSERT_TRUE(GZCompressFile(tmp("dst.gz").c_str(), tmp("src").c_str()));
	ASSERT_TRUE(GZDecompressFile(tmp("back").c_str(), tmp("dst.gz").c_str()));
	EXPECT_EQ(ReadFile(tmp("back")), noise);
	WriteFile(tmp("back"), "old");
	EXPECT_EQ(InChildWithFileLimit(1000, [&] { return GZDecompressFile(tmp("back").c_str(), tmp("dst.gz").c_str()); }), 1);
	EXPECT_EQ(ReadFile(tmp("back")), "old") << "full disk while decompressing";
}

// The file form takes an output limit like the String form, so a small file cannot write
// gigabytes; the String form stops at its limit with memory to match.
TEST(Zlib, DecompressionBombsStopAtTheLimit)
{
	TempDir tmp;
	String zeros(0, 64 << 20);
	String bomb = Gzip(zeros);
	ASSERT_LT(bomb.GetLength(), 200 << 10);
	WriteFile(tmp("bomb.gz"), bomb);
	WriteFile(tmp("out"), "old");
	EXPECT_FALSE(GZDecompressFile(tmp("out").c_str(), tmp("bomb.gz").c_str(), {}, 1 << 20));
	EXPECT_EQ(ReadFile(tmp("out")), "old");
	EXPECT_EQ(FolderNames(tmp.path), (std::vector<std::string>{ "bomb.gz", "out" }));
	ASSERT_TRUE(GZDecompressFile(tmp("out").c_str(), tmp("bomb.gz").c_str(), {}, 64 << 20));
	EXPECT_EQ(ReadFile(tmp("out")), zeros);
	ASSERT_TRUE(GZDecompressFile(tmp("out").c_str(), tmp("bomb.gz").c_str())); // the disk has room for it

	String z = ZCompress(zeros);
	String r = ZDecompress(z, {}, 1 << 20);
	EXPECT_TRUE(r.IsEmpty() && !r.IsVoid());
}
