#include <Core/Core.h>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace Qel;

namespace {

std::vector<wchar> Decode(const std::string& s)
{
	WString w = ToUtf32(s.data(), (int)s.size());
	EXPECT_EQ(Utf32Len(s.data(), (int)s.size()), w.GetLength());
	return std::vector<wchar>(w.Begin(), w.End());
}

std::string Encode(const std::vector<wchar>& w)
{
	std::string s(Utf8Len(w.data(), (int)w.size()), '\0');
	char* e = detail::Utf32ToUtf8(s.data(), w.data(), (int)w.size());
	EXPECT_EQ(e, s.data() + s.size());
	return s;
}

std::vector<wchar> Esc(std::initializer_list<int> bytes)
{
	std::vector<wchar> r;
	for(int b : bytes)
		r.push_back(UTF_ESCAPE + b);
	return r;
}

// Decoding and encoding back must give the same bytes, whatever they are.
void ExpectRoundTrip(const std::string& s)
{
	EXPECT_EQ(Encode(Decode(s)), s);
}

} // namespace

TEST(Utf8, ValidSequencesAndBoundaries)
{
	EXPECT_EQ(Decode("a\xC2\x80\xDF\xBF"), (std::vector<wchar>{'a', 0x80, 0x7FF}));
	EXPECT_EQ(Decode("\xE0\xA0\x80\xEF\xBF\xBF"), (std::vector<wchar>{0x800, 0xFFFF}));
	EXPECT_EQ(Decode("\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"), (std::vector<wchar>{0x10000, 0x10FFFF}));
	EXPECT_EQ(Decode("\xF0\x9F\x98\x80"), (std::vector<wchar>{0x1F600}));
	EXPECT_EQ(Decode("\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBD"), (std::vector<wchar>{0xD7FF, 0xE000, 0xFFFD}));
	EXPECT_EQ(Decode(std::string("\0x", 2)), (std::vector<wchar>{0, 'x'}));
	for(wchar c : {0x7Fu, 0x80u, 0x7FFu, 0x800u, 0xFFFFu, 0x10000u, 0x10FFFFu, 0xEDFFu, 0xEF00u})
		EXPECT_EQ(Decode(Encode({c})), std::vector<wchar>{c}) << c;
}

TEST(Utf8, MalformedBytesBecomeEscapes)
{
	// lone continuation bytes, C0/C1 and F8-FF never start a sequence
	EXPECT_EQ(Decode("\x80\xBF"), Esc({0x80, 0xBF}));
	EXPECT_EQ(Decode("\xC0\x80"), Esc({0xC0, 0x80}));
	EXPECT_EQ(Decode("\xC1\xBF"), Esc({0xC1, 0xBF}));
	EXPECT_EQ(Decode("\xF8\x88\x80\x80\x80"), Esc({0xF8, 0x88, 0x80, 0x80, 0x80}));
	EXPECT_EQ(Decode("\xFC\x84\x80\x80\x80\x80"), Esc({0xFC, 0x84, 0x80, 0x80, 0x80, 0x80}));
	EXPECT_EQ(Decode("\xFE\xFF"), Esc({0xFE, 0xFF}));
	// a continuation byte, C0 or C1 followed by continuation bytes is no lead of a longer form
	EXPECT_EQ(Decode("\x80\x90\x80\x80"), Esc({0x80, 0x90, 0x80, 0x80}));
	EXPECT_EQ(Decode("\xBF\xBF\xBF"), Esc({0xBF, 0xBF, 0xBF}));
	EXPECT_EQ(Decode("\xC0\x90\x80\x80"), Esc({0xC0, 0x90, 0x80, 0x80}));
	EXPECT_EQ(Decode("\xC1\xA0\x80"), Esc({0xC1, 0xA0, 0x80}));
	EXPECT_EQ(Decode("\xDF\x90\x80\x80").size(), 3u); // U+07D0, then two stray bytes
	// overlong forms
	EXPECT_EQ(Decode("\xE0\x80\x80"), Esc({0xE0, 0x80, 0x80}));
	EXPECT_EQ(Decode("\xE0\x9F\xBF"), Esc({0xE0, 0x9F, 0xBF}));
	EXPECT_EQ(Decode("\xF0\x8F\xBF\xBF"), Esc({0xF0, 0x8F, 0xBF, 0xBF}));
	EXPECT_EQ(Decode("\xF0\x80\x80\xAF"), Esc({0xF0, 0x80, 0x80, 0xAF}));
	// beyond U+10FFFF
	EXPECT_EQ(Decode("\xF4\x90\x80\x80"), Esc({0xF4, 0x90, 0x80, 0x80}));
	EXPECT_EQ(Decode("\xF7\xBF\xBF\xBF"), Esc({0xF7, 0xBF, 0xBF, 0xBF}));
	// truncated sequences, also in the middle of text
	EXPECT_EQ(Decode("\xE2"), Esc({0xE2}));
	EXPECT_EQ(Decode("\xE2\x82"), Esc({0xE2, 0x82}));
	EXPECT_EQ(Decode("\xF0\x9F\x98"), Esc({0xF0, 0x9F, 0x98}));
	std::vector<wchar> mid = Esc({0xC3});
	mid.push_back('(');
	EXPECT_EQ(Decode("\xC3("), mid);
	std::vector<wchar> cut = Esc({0xE2, 0x82});
	cut.push_back(0x20AC);
	EXPECT_EQ(Decode("\xE2\x82\xE2\x82\xAC"), cut);
	// a three-byte lead followed by a four-byte form is not read as four bytes
	EXPECT_EQ(Decode("\xEF\xBF\xBF\xBF").size(), 2u);
}

TEST(Utf8, SurrogatesAndEscapeRange)
{
	// surrogates encoded in three bytes are malformed: through UTF-16 a pair of them would merge
	EXPECT_EQ(Decode("\xED\xA0\x80"), Esc({0xED, 0xA0, 0x80}));
	EXPECT_EQ(Decode("\xED\xBF\xBF"), Esc({0xED, 0xBF, 0xBF}));
	const char pair[] = "\xED\xA0\xBD\xED\xB8\x80";
	Vector<char16> u = ToUtf16(pair, 6);
	EXPECT_EQ(ToUtf8(u.begin(), u.GetCount()), pair);
	EXPECT_EQ(Encode({0xD800}), "\xED\xA0\x80");
	// the encoded escape range is refused, so it comes back byte for byte
	EXPECT_EQ(Decode("\xEE\xB8\x80"), Esc({0xEE, 0xB8, 0x80}));
	EXPECT_EQ(Decode("\xEE\xBB\xBF"), Esc({0xEE, 0xBB, 0xBF}));
	ExpectRoundTrip("\xEE\xB8\x80\xEE\xBB\xBF");
	EXPECT_EQ(Decode("\xEE\xB7\xBF"), std::vector<wchar>{0xEDFF});
	EXPECT_EQ(Decode("\xEE\xBC\x80"), std::vector<wchar>{0xEF00});
	// characters beyond Unicode are dropped by the encoder
	EXPECT_EQ(Encode({'a', 0x110000, 'b', 0xFFFFFFFF}), "ab");
}

TEST(Utf8, RandomBytesRoundTrip)
{
	std::mt19937 rng(1234);
	for(int i = 0; i < 3000; i++) {
		int n = rng() % 80;
		std::string s;
		int mode = i % 5;
		for(int k = 0; k < n; k++) {
			byte b = rng();
			if(mode == 1) // mostly lead and continuation bytes
				b = 0x80 | (b & 0x7F);
			if(mode == 2 && rng() % 4) // mostly ASCII: exercises the wide fast path
				b &= 0x7F;
			if(mode == 3) // three-byte forms around the surrogates
				b = k % 3 ? 0x80 | (b & 0x3F) : 0xEC + b % 3;
			if(mode == 4 && rng() % 8) { // mostly three-byte forms, surrogates and escapes included
				s += char(0xE0 | (b & 0x0F));
				s += char(0x80 | (rng() & 0x3F));
				b = 0x80 | (rng() & 0x3F);
			}
			s += char(b);
		}
		ExpectRoundTrip(s);
		Vector<char16> u = ToUtf16(s.data(), (int)s.size());
		EXPECT_EQ(ToUtf8(u.begin(), u.GetCount()), String(s.data(), (int)s.size()));
	}
}

TEST(Utf8, LongMixedText)
{
	std::string s;
	for(int i = 0; i < 200; i++)
		s += "P\xC5\x99\xC3\xADli\xC5\xA1 \xC5\xBElu\xC5\xA5ou\xC4\x8Dk\xC3\xBD k\xC5\xAF\xC5\x88 "
		     "\xE4\xB8\xAD\xE6\x96\x87 \xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xF0\x9F\x98\x80 plain ascii text ";
	ExpectRoundTrip(s);
	std::vector<wchar> w = Decode(s);
	EXPECT_EQ(w[1], 0x159u);
	EXPECT_EQ(Utf8Len(w.data(), (int)w.size()), (int)s.size());
}

TEST(Utf16, PairsAndLoneSurrogates)
{
	std::vector<wchar> w = {'A', 0x1F600, 0xD83D, 'B', 0xDE00, 0x110000, 0xEE80};
	std::vector<char16> u(Utf16Len(w.data(), (int)w.size()));
	char16* e = detail::Utf32ToUtf16(u.data(), w.data(), (int)w.size());
	EXPECT_EQ(e, u.data() + u.size());
	EXPECT_EQ(u, (std::vector<char16>{'A', 0xD83D, 0xDE00, 0xD83D, 'B', 0xDE00, 0xEE80}));
	WString back = ToUtf32(u.data(), (int)u.size());
	EXPECT_EQ(Utf32Len(u.data(), (int)u.size()), back.GetLength());
	// the lone high surrogate followed by 'B' and the lone low one stay separate characters
	EXPECT_EQ(std::vector<wchar>(back.Begin(), back.End()),
	          (std::vector<wchar>{'A', 0x1F600, 0xD83D, 'B', 0xDE00, 0xEE80}));
	const char16 pair_at_end[] = {'x', 0xD83D};
	EXPECT_EQ(ToUtf32(pair_at_end, 2).GetLength(), 2);
	const char16 hi_lo[] = {0xDBFF, 0xDFFF};
	EXPECT_EQ(ToUtf32(hi_lo, 2)[0], 0x10FFFFu);
}

TEST(Utf, StringAndVectorForms)
{
	String s = "\xC5\xBElu\xC5\xA5ou\xC4\x8Dk\xC3\xBD \xF0\x9F\x98\x80\xFF";
	WString w = ToUtf32(s);
	EXPECT_EQ(w.GetLength(), 12);
	EXPECT_EQ(ToUtf8(w), s);
	Vector<char16> u = ToUtf16(w);
	EXPECT_EQ(u.GetCount(), 13);
	EXPECT_EQ(u[10], 0xD83D);
	EXPECT_EQ(ToUtf32(u), w);
	EXPECT_EQ(ToUtf8(u.begin(), u.GetCount()), s);
	EXPECT_EQ(ToUtf16(s.Begin(), s.GetLength()).GetCount(), 13);
	EXPECT_EQ(ToUtf8(wchar(0x10D)), "\xC4\x8D");
	EXPECT_EQ(ToUtf8(wchar(0x110000)), "");
	EXPECT_TRUE(ToUtf8((const wchar*)nullptr, 0).IsEmpty());
	EXPECT_TRUE(ToUtf32("", 0).IsEmpty());
	EXPECT_TRUE(ToUtf16(WString()).IsEmpty());
	EXPECT_EQ(String("\xEE\xB8\x80" "abc").GetCharCount(), 6);
	EXPECT_EQ(String("\xEE\xB8\x80" "abc").ToWString().GetLength(), 6);
}
