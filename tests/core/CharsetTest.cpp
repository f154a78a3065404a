#include <Core/Core.h>

#include <gtest/gtest.h>

#include <iconv.h>

#include <thread>
#include <vector>

using namespace Qel;

namespace {

String AllBytes()
{
	String s;
	for(int i = 0; i < 256; i++)
		s.Cat(i);
	return s;
}

// The code point glibc gives a single byte in the named set, -1 when it has none (or no converter).
int IconvCode(iconv_t cd, int b)
{
	char in = (char)b;
	wchar out[4];
	char* ip = &in;
	char* op = (char*)out;
	size_t il = 1, ol = sizeof(out);
	iconv(cd, nullptr, nullptr, nullptr, nullptr);
	if(iconv(cd, &ip, &il, &op, &ol) == (size_t)-1)
		return -1;
	iconv(cd, nullptr, nullptr, &op, &ol); // sets that combine characters hold the last one back
	if(ol != sizeof(out) - 4)
		return -1;
	return (int)out[0];
}

} // namespace

TEST(Charset, Registry)
{
	EXPECT_EQ(CharsetCount(), 89);
	EXPECT_EQ(CharsetName(1), "iso8859-1");
	EXPECT_EQ(CharsetName(15), "windows-1250");
	EXPECT_EQ(CharsetName(24), "koi8-r");
	EXPECT_EQ(CharsetName(37), "cp1250");
	EXPECT_EQ(CharsetName(77), "MacRoman");
	EXPECT_EQ(CharsetName(88), "JIS-X0201");
	EXPECT_EQ(CharsetName(0), "UTF-8");
	EXPECT_EQ(CharsetName(255), "UTF-8");
	EXPECT_EQ(CharsetName(89), "");
	EXPECT_EQ(CharsetName(256 + 15), "windows-1250"); // only the low byte counts
	for(int i = 1; i < 89; i++)
		EXPECT_EQ(CharsetByName(CharsetName(i)), i) << CharsetName(i).Begin();
}

TEST(Charset, ByName)
{
	EXPECT_EQ(CharsetByName("UTF-8"), 255);
	EXPECT_EQ(CharsetByName("utf8"), 255);
	EXPECT_EQ(CharsetByName("Utf-8"), 255);
	EXPECT_EQ(CharsetByName("win1252"), 17);
	EXPECT_EQ(CharsetByName("Win-1250"), 15);
	EXPECT_EQ(CharsetByName("WINDOWS-1250"), 15);
	EXPECT_EQ(CharsetByName("ISO8859-15"), 13);
	EXPECT_EQ(CharsetByName("ISO-8859-2"), 2);
	EXPECT_EQ(CharsetByName("iso8859_2"), 2);
	EXPECT_EQ(CharsetByName("Iso 8859 2"), 2);
	EXPECT_EQ(CharsetByName("KOI8R"), 24);
	EXPECT_EQ(CharsetByName("mac roman"), 77);
	EXPECT_EQ(CharsetByName("latin1"), 0);
	EXPECT_EQ(CharsetByName(""), 0);
	EXPECT_EQ(CharsetByName(nullptr), 0);
	EXPECT_EQ(CharsetByName("windows"), 0);
	EXPECT_EQ(CharsetByName(String('x', 500)), 0);
	String wins;
	for(int i = 0; i < 40; i++)
		wins << "win";
	EXPECT_EQ(CharsetByName(wins), 0);
}

TEST(Charset, BytesAndCodePoints)
{
	int iso3 = CharsetByName("iso8859-3");
	EXPECT_EQ(ToUnicode(0xA5, iso3), 0xEEA5);        // undefined byte travels as an escape
	EXPECT_EQ(FromUnicode(0xEEA5, iso3, '?'), 0xA5);
	EXPECT_EQ(FromUnicode(0x20AC, 1, '?'), '?');
	EXPECT_EQ(FromUnicode(0x20AC, 13, '?'), 0xA4);
	EXPECT_EQ(FromUnicode(0x1F, 1, '?'), 0x1F);
	EXPECT_EQ(FromUnicode('A', 15, '?'), 'A');
	EXPECT_EQ(FromUnicode(0x10FFFF, 15, '?'), '?');
	EXPECT_EQ(FromUnicode(-1, 15, '?'), '?');
	EXPECT_EQ(ToUnicode(0xE8, 15), 0x10D);
	EXPECT_EQ(ToUnicode(0x41, 15), 'A');
}

TEST(Charset, Conversions)
{
	EXPECT_EQ(ToCharset(2, "\x8A", 15), "\xA9");      // S with caron
	EXPECT_EQ(ToCharset(1, "\x80", 17), "\x1F");      // euro has no place in Latin-1
	EXPECT_EQ(ToCharset(1, "\x80", 17, '?'), "?");
	EXPECT_EQ(ToCharset(253, "\xE8\x8A\xC1 x", 15), "cSA x");
	EXPECT_EQ(ToCharset(255, "\xE8", 15), "\xC4\x8D");
	EXPECT_EQ(ToCharset(15, "\xC4\x8D", 255), "\xE8");
	EXPECT_EQ(ToCharset(253, "\xC5\x99\xE4\xB8\x81\xE1\xBA\xBF", 255), "r e");
	EXPECT_EQ(ToCharset(15, "abc", 15), "abc");
	String utf8 = "P\xC5\x99\xC3\xAD\xC5\xA1" "ern\xC3\xA9";
	String w1250 = ToCharset(CharsetByName("windows-1250"), utf8, CHARSET_UTF8);
	EXPECT_EQ(w1250, "P\xF8\xED\x9A" "ern\xE9");
	EXPECT_EQ(ToCharset(CHARSET_UTF8, w1250, 15), utf8);
	WString w = ToUnicode(w1250, 15);
	EXPECT_EQ(FromUnicode(w, 255), utf8);
	EXPECT_EQ(FromUnicode(w, 1, '?'), "P?\xED?ern\xE9");
	EXPECT_EQ(FromUnicode(w, 253), "Prisern\x65");
}

TEST(Charset, DefaultCharset)
{
	EXPECT_EQ(GetDefaultCharset(), 255);
	EXPECT_EQ(WString("\xC4\x8D").GetLength(), 1);
	EXPECT_EQ(String("\xC4\x8D\xE4\xB8\x81").GetCharCount(), 2);
	SetDefaultCharset(15);
	EXPECT_EQ(WString("\xE8")[0], 0x10Du);
	EXPECT_EQ(String("\xC4\x8D").ToWString().GetLength(), 2);
	EXPECT_EQ(String("\xC4\x8D").GetCharCount(), 2);
	EXPECT_EQ(CharsetName(0), "windows-1250");
	EXPECT_EQ(ToUnicode(0xE8, 120), 0x10D); // unregistered numbers mean the default set
	EXPECT_EQ(ToUnicode("\xE8", 1, 254)[0], 0x10Du);
	WString c;
	c.Cat(0x10D);
	c.Cat(0x4E01);
	EXPECT_EQ(c.ToString(), "\xE8\x1F");
	SetDefaultCharset(CHARSET_UTF8);
	EXPECT_EQ(c.ToString(), "\xC4\x8D\xE4\xB8\x81");
	SetDefaultCharset(200); // not a set: UTF-8
	EXPECT_EQ(GetDefaultCharset(), 255);
}

TEST(Charset, EverySetRoundTripsThroughUtf8)
{
	String all = AllBytes();
	for(int cs = 1; cs < CharsetCount(); cs++) {
		String utf8 = ToCharset(CHARSET_UTF8, all, cs);
		String back = ToCharset(cs, utf8, CHARSET_UTF8);
		ASSERT_EQ(back.GetLength(), 256);
		for(int b = 0; b < 256; b++) {
			// only a byte whose code point another byte also has may come back changed
			if(back[b] != b) {
				EXPECT_EQ(ToUnicode(back[b], cs), ToUnicode(b, cs)) << CharsetName(cs).Begin() << " " << b;
			}
		}
		EXPECT_EQ(ToUtf32(utf8), ToUnicode(all, cs));
	}
}

TEST(Charset, TablesMatchSystemConverters)
{
	// glibc's converter of this name is Apple's later revision (0xA2 is U+0490, not the cent sign).
	const char* differs[] = {"MacCyrillic"};
	int compared = 0;
	for(int cs = 1; cs < CharsetCount(); cs++) {
		String name = CharsetName(cs);
		bool skip = false;
		for(const char* d : differs)
			skip |= name == d;
		iconv_t cd = iconv_open("UTF-32LE", name);
		if(cd == (iconv_t)-1 || skip) {
			if(cd != (iconv_t)-1)
				iconv_close(cd);
			continue;
		}
		compared++;
		for(int b = 128; b < 256; b++) {
			int want = IconvCode(cd, b);
			int got = ToUnicode(b, cs);
			if(want >= 128) {
				EXPECT_EQ(got, want) << name.Begin() << " byte " << b;
			}
			else {
				EXPECT_EQ(got, 0xEE00 + b) << name.Begin() << " byte " << b;
			}
		}
		iconv_close(cd);
	}
	EXPECT_GT(compared, 50);
}

TEST(Charset, CaseMapping)
{
	EXPECT_EQ(ToUpper(String("\xFF"), 1), "\xFF");   // Y with diaeresis has no capital in Latin-1
	EXPECT_EQ(ToUpper(String("\xE9z\xFF"), 1), "\xC9Z\xFF");
	EXPECT_EQ(ToLower(String("\xC8\x8A"), 15), "\xE8\x9A");
	EXPECT_EQ(ToUpper(String("\xE8\x9A"), 15), "\xC8\x8A");
	EXPECT_EQ(ToUpper(String("\xA5"), 3), "\xA5");   // undefined stays
	EXPECT_EQ(ToUpper(String("\xC3\xBF\xC3\xA9\xE1\xBC\x80"), 255), "\xC5\xB8\xC3\x89\xE1\xBC\x88");
	EXPECT_EQ(ToLower(String("ABC\xC4\x8C"), 255), "abc\xC4\x8D");
	WString sharp;
	sharp.Cat(0x1E9E);
	EXPECT_EQ(ToLower(sharp)[0], 0xDFu);
	WString mix;
	for(wchar c : {(wchar)'a', 0x10Du, 0x4E01u, 0x10428u, 0xEEE8u})
		mix.Cat(c);
	WString up = ToUpper(mix);
	EXPECT_EQ(std::vector<wchar>(up.Begin(), up.End()), (std::vector<wchar>{'A', 0x10C, 0x4E01, 0x10400, 0xEEE8}));
	WString same = ToUpper(ToUpper(WString('A', 40)));
	EXPECT_EQ(same, WString('A', 40));
	char buf[3];
	ToUpperBuffer(buf, "\xFF\xE0" "a", 3, 1);
	EXPECT_EQ(String(buf, 3), "\xFF\xC0" "A");
	ToLowerBuffer(buf, "\xDD\xC0" "A", 3, 1);
	EXPECT_EQ(String(buf, 3), "\xFD\xE0" "a");
}

TEST(Charset, EscapesSurviveEveryConversion)
{
	String junk = "a\xFF\xC3(\xEE\xB8\x80";
	EXPECT_EQ(ToUtf8(ToUtf32(junk)), junk);
	EXPECT_EQ(FromUnicode(ToUnicode(junk, 255), 255), junk);
	EXPECT_EQ(ToCharset(15, junk, 255), junk); // escapes come back as their bytes
	EXPECT_EQ(ToCharset(255, ToCharset(3, "\xA5\xA6", 3), 3), "\xA5\xC4\xA4");
	EXPECT_EQ(ToCharset(3, "\xA5\xC4\xA4", 255), "\xA5\xA6");
}

TEST(Charset, FirstConversionFromManyThreads)
{
	// koi8-u is converted into nowhere else in this test, so its reverse lookup is built here,
	// by whichever thread comes first, while the others already read it.
	int cs = CharsetByName("koi8-u");
	String expect;
	for(int b = 128; b < 256; b++)
		expect.Cat(b);
	WString w = ToUnicode(expect, cs);
	std::vector<std::thread> t;
	std::vector<String> r(8);
	for(int i = 0; i < 8; i++)
		t.emplace_back([&, i] { r[i] = FromUnicode(w, cs, '?'); });
	for(auto& x : t)
		x.join();
	for(int i = 0; i < 8; i++)
		EXPECT_EQ(r[i], expect) << i;
}

TEST(Charset, ConvertBufferWritesUnitSeparatorForMissing)
{
	char buf[4];
	ConvertCharsetBuffer(buf, 1, "\x80\xE9\x9F" "a", 17, 4); // euro and Y with diaeresis: not in Latin-1
	EXPECT_EQ(String(buf, 4), "\x1F\xE9\x1F" "a");
	ConvertCharsetBuffer(buf, CHARSET_TOASCII, "\xE8\x8A\xE1" "a", 15, 4);
	EXPECT_EQ(String(buf, 4), "cSaa");
}
