#include <Core/Core.h>

#include <gtest/gtest.h>

using namespace Qel;

namespace {

// Exposes the write window so that growth can be observed.
struct PeekStream : StringStream {
	int64 Room() const { return writeLimit - windowStart; }
};

} // namespace

TEST(StringStream, GrowsFrom128ByDoubling)
{
	PeekStream ss;
	ss.Put('a');
	EXPECT_EQ(ss.Room(), 128);
	for(int i = 1; i < 128; i++)
		ss.Put('b');
	EXPECT_EQ(ss.Room(), 128);
	ss.Put('c');
	EXPECT_EQ(ss.Room(), 256);
	EXPECT_EQ(ss.GetSize(), 129);
	EXPECT_EQ(ss.GetResult(), "a" + String('b', 127) + "c");
}

TEST(StringStream, WritesOverOpenedTextAndSeeksPastTheEnd)
{
	StringStream ss(String("abcdef"));
	EXPECT_TRUE(ss.IsLoading());
	ss.Seek(2);
	ss.Put("XY");
	EXPECT_EQ(ss.GetResult(), "abXYef");
	EXPECT_EQ(ss.Get(), 'e');

	StringStream w;
	w.Seek(10);
	w.Put('z');
	String r = w.GetResult();
	EXPECT_EQ(r.GetLength(), 11);
	EXPECT_EQ(r, String(0, 10) + "z");
	w.Seek(-5);
	EXPECT_EQ(w.GetPos(), 0);
	EXPECT_EQ(w.Get(), 0);
}

TEST(StringStream, SetSizeCutsAndGapsReadAsZeros)
{
	StringStream ss;
	ss.Put("0123456789");
	ss.SetSize(3);
	EXPECT_EQ(ss.GetSize(), 3);
	EXPECT_EQ(ss.GetPos(), 3);
	ss.Seek(6);
	ss.Put('x');
	EXPECT_EQ(ss.GetResult(), "012" + String(0, 3) + "x");
	ss.SetSize(20);
	EXPECT_EQ(ss.GetResult(), "012" + String(0, 3) + "x" + String(0, 13));
}

TEST(StringStream, ResultSurvivesLaterWrites)
{
	StringStream ss;
	ss.Put(String('a', 100));
	String first = ss.GetResult();
	ss.Seek(0);
	ss.Put('b');
	EXPECT_EQ(first, String('a', 100));
	EXPECT_EQ(ss.GetResult(), "b" + String('a', 99));
}

TEST(StringStream, SizeLimitCapsEveryWrite)
{
	StringStream ss;
	ss.SetSizeLimit(10);
	ss.Put("12345678");
	EXPECT_THROW(ss.Put("abc"), StringStream::LimitExc);
	ss.Put("90");
	EXPECT_THROW(ss.Put('!'), StringStream::LimitExc);
	EXPECT_EQ(ss.GetResult(), "1234567890");

	// The buffer may be longer than the limit (an opened text): the inline path is capped too.
	StringStream big(String('q', 300));
	big.SetSizeLimit(200);
	big.Seek(190);
	for(int i = 0; i < 10; i++)
		big.Put('w');
	EXPECT_THROW(big.Put('w'), StringStream::LimitExc);
	EXPECT_THROW(big.Put("ww", 2), StringStream::LimitExc);
	EXPECT_EQ(big.GetResult(), String('q', 190) + String('w', 10) + String('q', 100));
}

// Far seeks must neither allocate nor end the process: a reading stream stops at its end, a
// writing one refuses what it could not hold.
TEST(StringStream, FarSeeksClampOrHitTheLimit)
{
	for(int64 far : {int64(1000), int64(1500000000), int64(3000000000), INT64_MAX}) {
		StringStream in(String("abc"));
		in.Seek(far);
		EXPECT_EQ(in.GetPos(), 3) << far;
		EXPECT_EQ(in.Get(), -1);
		EXPECT_EQ(in.GetResult(), "abc");
	}

	StringStream limited;
	limited.SetSizeLimit(1000);
	limited.Put("xyz");
	limited.Seek(1000); // the limit itself is a place a writer may stand
	EXPECT_EQ(limited.GetSize(), 1000);
	EXPECT_THROW(limited.Seek(1001), StringStream::LimitExc);
	EXPECT_THROW(limited.Seek(1500000000), StringStream::LimitExc);
	EXPECT_THROW(limited.SetSize(5000), StringStream::LimitExc);
	EXPECT_EQ(limited.GetSize(), 1000);
	String r = limited.GetResult();
	EXPECT_EQ(r, "xyz" + String(0, 997));

	StringStream w;
	w.Put("data");
	EXPECT_THROW(w.Seek(0x7FFFFFFFll), StringStream::LimitExc);
	EXPECT_THROW(w.Seek(3000000000ll), StringStream::LimitExc);
	EXPECT_EQ(w.GetResult(), "data");
}
