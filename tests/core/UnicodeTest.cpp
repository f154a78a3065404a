#include <Core/Core.h>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace Qel;

TEST(Unicode, CaseMappingAboveU0800)
{
	EXPECT_EQ(UnicodeToUpper(0x1F00), 0x1F08);     // Greek extended
	EXPECT_EQ(UnicodeToLower(0x1F08), 0x1F00);
	EXPECT_EQ(UnicodeToUpper(0x10428), 0x10400);   // Deseret, beyond the BMP
	EXPECT_EQ(UnicodeToLower(0x10400), 0x10428);
	EXPECT_EQ(UnicodeToUpper(0x24D0), 0x24B6);     // circled small letters
	EXPECT_EQ(UnicodeToUpper(0x2170), 0x2160);     // small roman numerals
	EXPECT_EQ(UnicodeToUpper(0xFF41), 0xFF21);     // fullwidth
	EXPECT_EQ(UnicodeToLower(0x1E60), 0x1E61);     // not U+1E9B, which also upper-cases to it
	EXPECT_EQ(UnicodeToUpper(0x1E9B), 0x1E60);
	EXPECT_EQ(UnicodeToUpper(0x1C80), 0x412);      // lower case above, upper case below U+0800
	EXPECT_EQ(UnicodeToLower(0x1E9E), 0xDF);
	EXPECT_EQ(UnicodeToUpper(0xDF), 0xDF);
	EXPECT_EQ(UnicodeToLower(0x2126), 0x3C9);
	EXPECT_EQ(UnicodeToLower(0x212A), 'k');
	EXPECT_EQ(UnicodeToLower(0x212B), 0xE5);
	EXPECT_EQ(UnicodeToLower(0xA64A), 0xA64B);
	EXPECT_EQ(UnicodeToUpper(0x4E01), 0x4E01);
	EXPECT_EQ(UnicodeToUpper(-5), -5);
	EXPECT_EQ(UnicodeToUpper(0x7FFFFFFF), 0x7FFFFFFF);
	// below U+0800 the answers come from the fast tables
	EXPECT_EQ(UnicodeToUpper('a'), 'A');
	EXPECT_EQ(UnicodeToUpper(0x1C5), 0x1C4);
	EXPECT_EQ(UnicodeToLower(0x1C5), 0x1C6);
	EXPECT_EQ(UnicodeToUpper(0x3B1), 0x391);
	EXPECT_EQ(ToUpper(0x1F00), 0x1F08);
}

TEST(Unicode, LettersIncludingWholeRanges)
{
	// ideographs and syllables that the data file gives only as first and last entries
	for(int c : {0x3400, 0x3401, 0x4DBF, 0x4E00, 0x4E01, 0x6C34, 0x9FA5, 0x9FFF, 0xAC00, 0xAC01, 0xD7A3,
	             0x20000, 0x2A6DF, 0x17000, 0x17001})
		EXPECT_TRUE(UnicodeIsLetter(c)) << std::hex << c;
	for(int c : {0x2000, 0x3000, 0xE000, 0xD800, 0x1F600, 0x110000, -1, 0x300, 0x10FFFF})
		EXPECT_FALSE(UnicodeIsLetter(c)) << std::hex << c;
	EXPECT_TRUE(UnicodeIsLetter(0x10D0));  // Georgian
	EXPECT_TRUE(UnicodeIsLetter('z'));
	EXPECT_TRUE(UnicodeIsLetter(0x5D0));
	EXPECT_FALSE(UnicodeIsLetter('1'));
}

TEST(Unicode, LowerCase)
{
	EXPECT_TRUE(UnicodeIsLower(0x1F00));
	EXPECT_FALSE(UnicodeIsLower(0x1F08));
	EXPECT_TRUE(UnicodeIsLower(0x10428));
	EXPECT_TRUE(UnicodeIsLower(0x1D41A));  // mathematical small a: lower without upper
	EXPECT_FALSE(UnicodeIsLower(0x4E01));
	EXPECT_TRUE(UnicodeIsLower('a'));
	EXPECT_TRUE(UnicodeIsLower(0xDF));     // lower-case letter without a simple upper case
	EXPECT_FALSE(UnicodeIsLower('A'));
}

TEST(Unicode, AsciiFallback)
{
	EXPECT_EQ(UnicodeToAscii(0x4E01), ' ');
	EXPECT_EQ(UnicodeToAscii(0x1E0C), 'D');
	EXPECT_EQ(UnicodeToAscii(0x1EBF), 'e'); // two accents: U+00EA U+0301, followed down to 'e'
	EXPECT_EQ(UnicodeToAscii(0xFB01), 'f');
	EXPECT_EQ(UnicodeToAscii(0xFF21), 'A');
	EXPECT_EQ(UnicodeToAscii(0x2460), '1');
	EXPECT_EQ(UnicodeToAscii(0xC9), 'E');
	EXPECT_EQ(UnicodeToAscii(0xC6), ' ');
	EXPECT_EQ(UnicodeToAscii(0xDF), ' ');
	EXPECT_EQ(UnicodeToAscii(0x1D5), 'U');
	EXPECT_EQ(UnicodeToAscii('q'), 'q');
}

TEST(Unicode, FastTables)
{
	EXPECT_EQ(detail::UnicodeFlags800[int('A')], 6);
	EXPECT_EQ(detail::UnicodeFlags800[int('a')], 5);
	EXPECT_EQ(detail::UnicodeFlags800[0xDF], 5);
	EXPECT_EQ(detail::UnicodeFlags800[0x5D0], 4);
	EXPECT_EQ(detail::UnicodeFlags800[0x1C5], 4);
	EXPECT_EQ(detail::UnicodeFlags800[int('5')], 0);
	EXPECT_EQ(detail::UnicodeUpper800[0xFF], 0x178);
	EXPECT_EQ(detail::UnicodeLower800[0x130], 'i');
}

TEST(Unicode, FirstUseFromManyThreads)
{
	std::vector<std::thread> t;
	std::vector<int> r(8);
	for(int i = 0; i < 8; i++)
		t.emplace_back([&r, i] { r[i] = UnicodeToLower(0x10400 + i); });
	for(auto& x : t)
		x.join();
	for(int i = 0; i < 8; i++)
		EXPECT_EQ(r[i], 0x10428 + i);
}
