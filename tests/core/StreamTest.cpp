#include <Core/Core.h>

#include <gtest/gtest.h>

#include <string>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qel;

namespace {

std::string Hex(const String& s)
{
	static const char digits[] = "0123456789ABCDEF";
	std::string r;
	for(int i = 0; i < s.GetLength(); i++) {
		if(i)
			r += ' ';
		r += digits[s[i] >> 4];
		r += digits[s[i] & 15];
	}
	return r;
}

String Bytes(std::initializer_list<int> b)
{
	String r;
	for(int c : b)
		r.Cat(c);
	return r;
}

template <class T>
String Stored(T x)
{
	StringStream ss;
	ss % x;
	return ss.GetResult();
}

template <class T>
T Loaded(const String& data, bool& ok)
{
	StringStream ss(data);
	T x{};
	ss % x;
	ok = !ss.IsError();
	return x;
}

struct Item {
	int    number = 0;
	String text;

	void Serialize(Stream& s) { s % number % text; }
};

} // namespace

TEST(Stream, WordsAreLittleEndian)
{
	EXPECT_EQ(Hex(Stored(0x12345678)), "78 56 34 12");
	EXPECT_EQ(Hex(Stored((word)0xABCD)), "CD AB");
	EXPECT_EQ(Hex(Stored((int16)-2)), "FE FF");
	EXPECT_EQ(Hex(Stored((int64)0x0102030405060708)), "08 07 06 05 04 03 02 01");
	EXPECT_EQ(Hex(Stored(true)), "01");
	EXPECT_EQ(Hex(Stored(Point(1, -1))), "01 00 00 00 FF FF FF FF");
	EXPECT_EQ(Hex(Stored(Size(2, 3))), "02 00 00 00 03 00 00 00");
	EXPECT_EQ(Hex(Stored(Rect(1, 2, 3, 4))), "01 00 00 00 02 00 00 00 03 00 00 00 04 00 00 00");
	EXPECT_EQ(Hex(Stored(Sizef(1.0, -2.0))), "00 00 00 00 00 00 F0 3F 00 00 00 00 00 00 00 C0");
	EXPECT_EQ(Stored(Point64(5, 6)).GetLength(), 16);
	EXPECT_EQ(Stored(Rect64(1, 2, 3, 4)).GetLength(), 32);

	bool ok;
	EXPECT_EQ(Loaded<Rect>(Stored(Rect(-1, 2, 30000, -40000)), ok), Rect(-1, 2, 30000, -40000));
	EXPECT_TRUE(ok);
	EXPECT_EQ(Loaded<Pointf>(Stored(Pointf(0.5, 1e300)), ok), Pointf(0.5, 1e300));
	EXPECT_EQ(Loaded<Size64>(Stored(Size64(1ll << 40, -3)), ok), Size64(1ll << 40, -3));
}

TEST(Stream, ShortReadsAreLoadErrorsWithAllBitsSet)
{
	bool ok;
	EXPECT_EQ(Loaded<word>(Bytes({ 1 }), ok), 65535);
	EXPECT_FALSE(ok);
	EXPECT_EQ(Loaded<int16>(Bytes({ 1 }), ok), -1);
	EXPECT_EQ(Loaded<int>(Bytes({ 1, 2, 3 }), ok), -1);
	EXPECT_FALSE(ok);
	EXPECT_EQ(Loaded<dword>(String(), ok), 0xFFFFFFFF);

	StringStream ss(Bytes({ 1, 2, 3 }));
	EXPECT_EQ(ss.Get16le(), 0x0201);
	EXPECT_EQ(ss.Get16le(), -1);
	EXPECT_TRUE(ss.IsError());
	EXPECT_EQ(ss.GetError(), ERROR_LOADING_FAILED);
	EXPECT_EQ(ss.GetStyle() & 0x3FFFE0, 0x20u + 65534u * 64);
	ss.ClearError();
	EXPECT_EQ(ss.GetError(), 0);
	EXPECT_FALSE(ss.IsError());

	StringStream th(Bytes({ 1 }));
	th.LoadThrowing();
	EXPECT_THROW(th.Get32le(), LoadingError);
	EXPECT_EQ(th.GetError(), ERROR_LOADING_FAILED);

	StringStream all(Bytes({ 1, 2 }));
	char buf[4];
	EXPECT_FALSE(all.GetAll(buf, 3));
	EXPECT_EQ(all.GetError(), ERROR_LOADING_FAILED);

	// A negative size from damaged data moves no byte, also on the inline path.
	StringStream neg(Bytes({ 1, 2 }));
	EXPECT_FALSE(neg.GetAll(buf, -1));
	EXPECT_EQ(neg.GetError(), ERROR_LOADING_FAILED);
	neg.ClearError();
	EXPECT_EQ(neg.Get(buf, -1), 0);
	EXPECT_EQ(neg.GetPos(), 0);
	StringStream out;
	out.Put("ab");
	out.Put(buf, -5);
	EXPECT_EQ(out.GetResult(), "ab");
}

TEST(Stream, StringWireForm)
{
	EXPECT_EQ(Hex(Stored(String())), "00");
	EXPECT_EQ(Hex(Stored(String("ab"))), "02 61 62");
	String s126('x', 126), s127('x', 127), s300('y', 300);
	EXPECT_EQ(Stored(s126).GetLength(), 127);
	EXPECT_EQ(Stored(s126)[0], 126);
	EXPECT_EQ(Hex(Stored(s127).Left(5)), "FF 7F 00 00 00");
	EXPECT_EQ(Stored(s127).GetLength(), 132);
	EXPECT_EQ(Hex(Stored(s300).Left(5)), "FF 2C 01 00 00");

	bool ok;
	for(const String& s : { String(), String("ab"), s126, s127, s300 }) {
		EXPECT_EQ(Loaded<String>(Stored(s), ok), s);
		EXPECT_TRUE(ok);
	}
	// One-byte lengths up to 127 are taken directly; 128..254 and 4-byte lengths with bit 31
	// set carry one byte that is skipped.
	EXPECT_EQ(Loaded<String>(Bytes({ 127 }) + String('z', 127), ok), String('z', 127));
	EXPECT_EQ(Loaded<String>(Bytes({ 0x85, '?', 'h', 'e', 'l', 'l', 'o' }), ok), "hello");
	EXPECT_TRUE(ok);
	EXPECT_EQ(Loaded<String>(Bytes({ 255, 3, 0, 0, 0x80, '?', 'a', 'b', 'c' }), ok), "abc");
	EXPECT_TRUE(ok);

	// Cut short anywhere, also before the skipped byte of an empty text, is a load error.
	for(const String& cut : { Bytes({ 5, 'a', 'b' }), Bytes({ 255, 1, 0 }), String(), Bytes({ 0x80 }),
	                          Bytes({ 0x83, '?', 'a' }), Bytes({ 255, 0, 0, 0, 0x80 }) }) {
		String bad = Loaded<String>(cut, ok);
		EXPECT_FALSE(ok) << Hex(cut);
		EXPECT_TRUE(bad.IsVoid()) << Hex(cut);
	}
	EXPECT_EQ(Loaded<String>(Bytes({ 0x80, '?' }), ok), "");
	EXPECT_TRUE(ok);
}

TEST(Stream, StringLoadDoesNothingAfterAnError)
{
	StringStream ss(Bytes({ 2, 'a', 'b', 1, 'c' }));
	ss.SetError(7);
	String s = "keep";
	ss % s;
	EXPECT_EQ(s, "keep");
	EXPECT_EQ(ss.GetPos(), 0);
}

TEST(Stream, HugeDamagedStringLengthFailsWithoutAllocatingIt)
{
	bool ok;
	String s = Loaded<String>(Bytes({ 255, 0xFF, 0xFF, 0xFF, 0x7F, 'a', 'b' }), ok);
	EXPECT_FALSE(ok);
	EXPECT_TRUE(s.IsVoid());

	StringStream big(Bytes({ 255, 0x00, 0x00, 0x50, 0x00 }) + String('q', 5 * 1024 * 1024 + 3));
	String got;
	big % got;
	EXPECT_TRUE(big.IsOK());
	EXPECT_EQ(got.GetLength(), 0x500000);
}

TEST(Stream, WStringWireForm)
{
	WString w;
	w.Cat('A');
	w.Cat(0x1F600);
	EXPECT_EQ(Hex(Stored(w)), "03 41 00 3D D8 00 DE");
	bool ok;
	EXPECT_TRUE(Loaded<WString>(Stored(w), ok) == w);
	EXPECT_TRUE(ok);

	WString w254, w255;
	for(int i = 0; i < 254; i++)
		w254.Cat('a' + i % 26);
	w255 = w254;
	w255.Cat('!');
	EXPECT_EQ(Stored(w254).GetLength(), 1 + 508);
	EXPECT_EQ(Hex(Stored(w255).Left(5)), "FF FF 00 00 00");
	EXPECT_TRUE(Loaded<WString>(Stored(w255), ok) == w255);

	// A count whose byte size does not fit in 31 bits is a load error, not a wrapped size.
	WString x = w;
	x = Loaded<WString>(Bytes({ 255, 0, 0, 0, 0x40, 'a', 0 }), ok);
	EXPECT_FALSE(ok);
	Loaded<WString>(Bytes({ 255, 0xFF, 0xFF, 0xFF, 0xFF }), ok);
	EXPECT_FALSE(ok);
	Loaded<WString>(Bytes({ 2, 'a', 0 }), ok);
	EXPECT_FALSE(ok);
}

TEST(Stream, PackedCounts)
{
	auto packed = [](int i) {
		StringStream ss;
		ss.PackNullable(i);
		return ss.GetResult();
	};
	EXPECT_EQ(Hex(packed(-1)), "00");
	EXPECT_EQ(Hex(packed(0)), "01");
	EXPECT_EQ(Hex(packed(253)), "FE");
	EXPECT_EQ(Hex(packed(254)), "FF FF 00 00 00");
	EXPECT_EQ(Hex(packed(100000)), "FF A1 86 01 00");
	for(int i : { -1, 0, 253, 254, 100000, 0x7FFFFFFE }) {
		StringStream ss(packed(i));
		int j = 12345;
		ss.PackNullable(j);
		EXPECT_EQ(j, i);
	}
	StringStream empty{String()};
	dword w = 1;
	empty.PackValue(w);
	EXPECT_TRUE(empty.IsError());
}

TEST(Stream, IntVectors)
{
	Vector<int> v;
	for(int i = 0; i < 70000; i++)
		v.Add(i * 7 - 3);
	String data = Stored(v);
	EXPECT_EQ(data.GetLength(), 5 + 4 * 70000);
	EXPECT_EQ(Hex(data.Left(9)), "FF 71 11 01 00 FD FF FF FF");
	bool ok;
	Vector<int> back = Loaded<Vector<int>>(data, ok);
	EXPECT_TRUE(ok);
	ASSERT_EQ(back.GetCount(), 70000);
	EXPECT_EQ(back[69999], 69999 * 7 - 3);

	Vector<int> none = Loaded<Vector<int>>(Bytes({ 0 }), ok);
	EXPECT_FALSE(ok);
	// A count far beyond the data keeps only what arrived.
	Vector<int> damaged = Loaded<Vector<int>>(Bytes({ 255, 0, 0, 0, 0x40, 1, 0, 0, 0 }), ok);
	EXPECT_FALSE(ok);
	EXPECT_EQ(damaged.GetCount(), 0);

	dword words[3] = { 1, 2, 3 };
	StringStream ss;
	ss.SerializeWords(words, 3);
	EXPECT_EQ(Hex(ss.GetResult()), "01 00 00 00 02 00 00 00 03 00 00 00");
}

TEST(Stream, TextLines)
{
	StringStream out;
	PutLineFeed(out << "ab");
	EXPECT_EQ(out.GetResult(), "ab\n");

	StringStream ss(Bytes({ 'a', 'b', 13, 10, 'c', 'd' }));
	EXPECT_EQ(ss.ReadLine(), "ab");
	EXPECT_EQ(ss.ReadLine(), "cd");
	String end = ss.ReadLine();
	EXPECT_TRUE(end.IsVoid());

	StringStream blank(Bytes({ 10, 10, 'x', 13 }));
	String first = blank.ReadLine();
	EXPECT_FALSE(first.IsVoid());
	EXPECT_EQ(first, "");
	EXPECT_EQ(blank.ReadLine(), "");
	EXPECT_EQ(blank.ReadLine(), "x");
	EXPECT_TRUE(blank.ReadLine().IsVoid());
}

TEST(Stream, ReadStringExact)
{
	StringStream ss(String("abcdef"));
	EXPECT_TRUE(ss.ReadStringExact(-1).IsVoid());
	EXPECT_EQ(ss.GetError(), ERROR_LOADING_FAILED);
	EXPECT_EQ(ss.GetPos(), 0);
	ss.ClearError();
	EXPECT_EQ(ss.ReadStringExact(4), "abcd");
	EXPECT_TRUE(ss.ReadStringExact(3).IsVoid());
	EXPECT_TRUE(ss.IsError());
}

TEST(Stream, BlockLists)
{
	String data('k', BlockList::BLOCK + 10);
	StringStream ss(data);
	BlockList bl;
	EXPECT_EQ(ss.ReadBlocks(bl, 5 * BlockList::BLOCK), BlockList::BLOCK + 10);
	EXPECT_EQ(bl.GetTotal(), BlockList::BLOCK + 10);
	EXPECT_EQ(bl.GetCount(), 2);
	EXPECT_EQ(bl.Join(), data);

	StringStream again(data);
	BlockList b2;
	EXPECT_FALSE(again.ReadBlocksExact(b2, BlockList::BLOCK + 11));
	EXPECT_EQ(again.GetError(), ERROR_LOADING_FAILED);
}

TEST(Stream, EnvelopeBytes)
{
	Item x{ 7, "hi" };
	StringStream ss;
	EXPECT_TRUE(Store(x, ss, 3));
	EXPECT_EQ(Hex(ss.GetResult()),
	          "64 61 74 61 03 00 00 00 07 00 00 00 02 68 69 65 6E 64 00 13 00 00 00");
	EXPECT_EQ(Hex(StoreAsString(x)), "64 61 74 61 07 00 00 00 02 68 69 65 6E 64 00 0F 00 00 00");
}

TEST(Stream, LoadRejectsAndRollsBack)
{
	Item src{ 42, "payload" };
	StringStream good;
	Store(src, good, 2);
	String data = good.GetResult();

	Item y{ 1, "old" };
	StringStream in(data);
	EXPECT_TRUE(Load(y, in, 2));
	EXPECT_EQ(y.number, 42);
	EXPECT_EQ(y.text, "payload");
	EXPECT_TRUE(in.IsThrowing() && in.IsLoading());

	auto rejected = [&](const String& bytes, int version) {
		Item z{ 1, "old" };
		bool r = LoadFromString(z, bytes, version);
		EXPECT_EQ(z.number, 1);
		EXPECT_EQ(z.text, "old");
		return !r;
	};
	EXPECT_TRUE(rejected(data, 3));                                    // other version
	String magic = data;
	magic = "Data" + data.Mid(4);
	EXPECT_TRUE(rejected(magic, 2));                                   // bad head magic
	EXPECT_TRUE(rejected(data.Left(data.GetLength() - 1), 2));         // short count
	String count = data.Left(data.GetLength() - 4) + Bytes({ 0x20, 0, 0, 0 });
	EXPECT_TRUE(rejected(count, 2));                                   // count mismatch
	String tail = data.Left(data.GetLength() - 8) + "enx" + Bytes({ 0 }) + data.Right(4);
	EXPECT_TRUE(rejected(tail, 2));                                    // bad end magic
	EXPECT_TRUE(rejected(data.Left(15), 2));                           // payload cut
	EXPECT_TRUE(rejected(String(), 2));

	Item n{ 5, "no version" };
	Item m;
	EXPECT_TRUE(LoadFromString(m, StoreAsString(n)));
	EXPECT_EQ(m.text, "no version");
}

TEST(Stream, LoadRollsBackOnValueTypeError)
{
	Item x{ 3, "kept" };
	auto typed = [&](Stream& s) {
		x.Serialize(s);
		if(s.IsLoading() && x.number == 9)
			throw ValueTypeError("bad type", Value(), 1);
	};
	Item nine{ 9, "new" };
	EXPECT_FALSE(LoadFromString(typed, StoreAsString(nine)));
	EXPECT_EQ(x.number, 3);
	EXPECT_EQ(x.text, "kept");
}

TEST(Stream, LoadPassesOtherExceptions)
{
	Item x;
	auto thrower = [&](Stream& s) {
		if(s.IsLoading())
			throw StreamError();
		x.Serialize(s);
	};
	StringStream ss(StoreAsString(x));
	EXPECT_THROW(Load(thrower, ss), StreamError);
}

TEST(Stream, ReadRestAndCopy)
{
	StringStream ss(String("0123456789"));
	ss.Seek(4);
	ss.SetError(3);
	EXPECT_EQ(ReadRestOfStream(ss), "456789");

	StringStream src(String('a', 100000));
	StringStream dst;
	Vector<int64> calls;
	EXPECT_EQ(CopyBetweenStreams(dst, src, 70000, [&](int64 done, int64 total) {
		calls.Add(done);
		EXPECT_EQ(total, 70000);
		return false;
	}, 30000), 70000);
	EXPECT_EQ(calls.GetCount(), 3);
	EXPECT_EQ(calls[2], 70000);
	EXPECT_EQ(dst.GetResult().GetLength(), 70000);
	EXPECT_EQ(src.GetPos(), 70000);

	StringStream d2;
	EXPECT_EQ(CopyBetweenStreams(d2, src, 1000, [](int64, int64) { return true; }), -1);
	EXPECT_EQ(CopyBetweenStreams(d2, src, 0), 0);
	StringStream d3;
	EXPECT_EQ(CopyBetweenStreams(d3, src, 1 << 20), 100000 - 71000);
}

TEST(MemStream, ReadsInPlaceAndRefusesWrites)
{
	const char data[] = "hello world";
	MemReadStream in(data, 11);
	EXPECT_TRUE(in.IsLoading());
	EXPECT_EQ(in.GetSize(), 11);
	EXPECT_EQ(in.ReadString(5), "hello");
	in.Seek(-3);
	EXPECT_EQ(in.GetPos(), 0);
	in.Seek(100);
	EXPECT_EQ(in.GetPos(), 11);
	EXPECT_EQ(in.Get(), -1);
	in.Put('x');
	EXPECT_EQ(in.GetError(), ERROR_NOT_ENOUGH_SPACE);
	EXPECT_STREQ(data, "hello world");

	char buf[4] = {};
	MemStream ms(buf, 4);
	ms.Put("abc", 3);
	ms.Put("de", 2);
	EXPECT_EQ(ms.GetError(), ERROR_NOT_ENOUGH_SPACE);
	EXPECT_EQ(memcmp(buf, "abc", 3), 0);
	EXPECT_EQ(buf[3], 0);
}

TEST(OutStream, HandsOutWholeBlocks)
{
	struct Collect : OutStream {
		String data;
		Vector<int> sizes;
		void Out(const void* p, dword n) override { data.Cat((const char*)p, (int)n); sizes.Add((int)n); }
	} c;
	c.Put('a');
	c.Put(String('b', 10).Begin(), 10);
	EXPECT_EQ(c.sizes.GetCount(), 0);
	String big('c', 70000);
	c.Put(big.Begin(), big.GetLength());
	ASSERT_EQ(c.sizes.GetCount(), 2);
	EXPECT_EQ(c.sizes[0], 11);
	EXPECT_EQ(c.sizes[1], 70000);
	c.Put('z');
	c.Close();
	EXPECT_EQ(c.data, "a" + String('b', 10) + big + "z");
	EXPECT_EQ(c.GetPos(), 70012);
}

TEST(ConsoleStream, StandardOutputDropsCarriageReturns)
{
	int fds[2];
	ASSERT_EQ(pipe(fds), 0);
	pid_t pid = fork();
	ASSERT_GE(pid, 0);
	if(pid == 0) {
		dup2(fds[1], 1);
		Cout() << "a\r\nb";
		Cout().Put("\r\r", 2);
		Cout().Flush();
		Cerr().Put("");
		_exit(0);
	}
	close(fds[1]);
	char buf[16];
	int n = 0, r;
	while((r = (int)read(fds[0], buf + n, sizeof(buf) - n)) > 0)
		n += r;
	close(fds[0]);
	waitpid(pid, nullptr, 0);
	EXPECT_EQ(std::string(buf, n), "a\nb");
	EXPECT_EQ(&Cerr(), &StdErrStream());
}
