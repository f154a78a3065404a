#include <Core/Core.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Qel;

namespace {

std::vector<byte> Bytes(const PackedData& d)
{
	return std::vector<byte>(d.GetBlock(), d.GetBlock() + d.GetSize());
}

std::string Get(const PackedData& d, int key)
{
	int len;
	const byte* p = d.GetData(key, len);
	return p ? std::string((const char*)p, len) : "<none>";
}

} // namespace

TEST(PackedData, ByteLayout)
{
	PackedData d;
	EXPECT_EQ(Get(d, 0), "<none>");
	d.SetData(3, "ab", 2);
	EXPECT_EQ(Bytes(d), (std::vector<byte>{ 0, 0, 0, 2, 'a', 'b', 255 }));
	EXPECT_EQ(d.GetCount(), 4);
	EXPECT_EQ(Get(d, 1), "");
	EXPECT_EQ(Get(d, 3), "ab");
	EXPECT_EQ(Get(d, 4), "<none>");

	std::string big(300, 'x');
	d.SetData(1, big.data(), 300);
	std::vector<byte> b = Bytes(d);
	ASSERT_EQ(b.size(), 1u + 5 + 300 + 1 + 3 + 1);
	EXPECT_EQ(b[1], 254);
	EXPECT_EQ(b[2] | b[3] << 8 | b[4] << 16 | b[5] << 24, 300);
	EXPECT_EQ(Get(d, 1), big);
	EXPECT_EQ(Get(d, 3), "ab");

	std::string s253(253, 'y');
	d.SetData(1, s253.data(), 253); // the longest short form
	EXPECT_EQ(Bytes(d)[1], 253);
	EXPECT_EQ(Get(d, 1), s253);
	d.SetData(3, "", 0);
	EXPECT_EQ(Get(d, 3), "");
	EXPECT_EQ(d.GetCount(), 4);
	d.SetData(0, "q", 1);
	EXPECT_EQ(Get(d, 0), "q");
	EXPECT_EQ(Get(d, 1), s253);

	const byte* own;
	int len;
	own = d.GetData(1, len);
	d.SetData(5, own, len); // source inside the block being replaced
	EXPECT_EQ(Get(d, 5), s253);

	String text = "stale";
	EXPECT_TRUE(d.GetData(5, text));
	EXPECT_EQ(text, String(s253.c_str()));
	EXPECT_TRUE(d.GetData(2, text));
	EXPECT_TRUE(text.IsEmpty());
	EXPECT_FALSE(d.GetData(9, text));
	EXPECT_TRUE(text.IsEmpty());

	PackedData c = d;
	EXPECT_EQ(Bytes(c), Bytes(d));
	d.Clear();
	EXPECT_EQ(d.GetBlock(), nullptr);
	EXPECT_EQ(Get(d, 0), "<none>");
	EXPECT_EQ(Get(c, 5), s253);
}
