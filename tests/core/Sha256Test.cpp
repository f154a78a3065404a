#include <Core/Core.h>

#include <gtest/gtest.h>

using namespace Qel;

TEST(Sha256, NistVectors)
{
	struct { const char* msg; const char* digest; } cases[] = {
		{"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
		{"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
		{"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
		 "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
		{"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu",
		 "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
	};
	for(auto& c : cases)
		EXPECT_EQ(Sha256String(c.msg), c.digest) << c.msg;
	EXPECT_EQ(Sha256String(String('a', 1000000)),
	          "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(Sha256, PaddingEdgesAndPiecewiseWrites)
{
	// Messages around the one-block padding limit (55/56 bytes) and block edges, written in
	// pieces of every size, give the one-shot digest.
	String msg;
	for(int i = 0; i < 300; i++)
		msg.Cat(char(i * 37 + 11));
	for(int len : {0, 1, 55, 56, 63, 64, 65, 119, 120, 128, 300}) {
		String m = msg.Mid(0, len);
		String whole = Sha256String(m);
		for(int piece = 1; piece <= 70; piece += 3) {
			Sha256Stream s;
			for(int i = 0; i < len; i += piece)
				s.Put(~m + i, min(piece, len - i));
			byte h[32];
			s.Finish(h);
			ASSERT_EQ(HexString(h, 32), whole) << len << " in pieces of " << piece;
		}
	}
	// The stream starts over after Finish.
	Sha256Stream s;
	s.Put("abc");
	s.FinishString();
	s.Put("abc");
	EXPECT_EQ(HexString(s.FinishString()), Sha256String("abc"));
}

TEST(Sha256, TransformFormsAgree)
{
	byte data[64 * 9];
	qword r[4] = {1, 2, 3, 4};
	for(byte& b : data)
		b = byte(detail::Xoshiro256ss(r));
	dword a[8] = {1, 2, 3, 4, 5, 6, 7, 0xffffffff}, b[8];
	memcpy(b, a, sizeof(a));
	for(int n : {1, 3, 5}) {
		detail::Sha256Transform(a, data, n);
		detail::Sha256TransformPortable(b, data, n);
		ASSERT_EQ(memcmp(a, b, sizeof(a)), 0) << n;
	}
}

TEST(Base64, Rfc4648Vectors)
{
	struct { const char* data; const char* text; } cases[] = {
		{"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"foob", "Zm9vYg=="},
		{"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
	};
	for(auto& c : cases) {
		EXPECT_EQ(Base64Encode(c.data), c.text);
		EXPECT_EQ(Base64Decode(c.text), c.data);
	}
	EXPECT_EQ(Base64Encode(String("\xff\xfe\x00", 3)), "//4A");
}

TEST(Base64, DecodingSkipsBlanksAndStopsOutsideTheAlphabet)
{
	String all;
	for(int i = 0; i < 1000; i++)
		all.Cat(char(i * 131));
	String text = Base64Encode(all);
	String broken;
	for(int i = 0; i < text.GetLength(); i++) {
		broken.Cat(text[i]);
		if(i % 76 == 75)
			broken.Cat("\r\n");
		if(i % 13 == 0)
			broken.Cat(i % 2 ? '\t' : ' ');
	}
	EXPECT_EQ(Base64Decode(broken), all);
	EXPECT_EQ(Base64Decode("Zm9v=YmFy"), "foo") << "stops at the first =";
	EXPECT_EQ(Base64Decode("Zm9v-YmFy"), "foo");
	EXPECT_EQ(Base64Decode("Zm9vY"), "foo") << "a lone sextet is dropped";
	EXPECT_EQ(Base64Decode("Zm9vYg"), "foob");
	EXPECT_EQ(Base64Decode("Zm9vYmE"), "fooba");
	EXPECT_EQ(Base64Decode(String("Zm\0" "9v", 5)), "foo") << "a NUL is skipped like a blank";
}
