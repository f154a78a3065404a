#include <Core/Core.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <clocale>
#include <locale.h>
#include <thread>
#include <vector>

using namespace Qel;

namespace {

bool HasLocale(const char* name)
{
	locale_t loc = newlocale(LC_ALL_MASK, name, (locale_t)0);
	if(loc)
		freelocale(loc);
	return loc != (locale_t)0;
}

int Cmp(const char* a, const char* b, bool czech = false)
{
	WString x = ToUtf32(a), y = ToUtf32(b);
	auto f = czech ? detail::CompareLanguageTextCS : CompareLanguageText;
	int q = f(x.Begin(), x.GetLength(), y.Begin(), y.GetLength());
	return (q > 0) - (q < 0);
}

} // namespace

TEST(Lang, CodesPackAndParse)
{
	EXPECT_EQ(LNG_ENGLISH, 178867);
	EXPECT_EQ(LNG_CZECH, 117882);
	for(const char* s : { "en-us", "ENUS", "en_US", "En-uS" })
		EXPECT_EQ(ParseLanguageCode(s), LNG_ENGLISH) << s;
	for(const char* s : { "en", "", "e1US", "en-u", "en--US", "1nUS" })
		EXPECT_EQ(ParseLanguageCode(s), 0) << s;
	EXPECT_EQ(ParseLanguageCode(nullptr), 0);
	int cp1250 = CharsetByName("windows-1250");
	ASSERT_NE(cp1250, 0);
	int cs = ParseLanguageCode("cs-CZ windows-1250");
	EXPECT_EQ(cs & LNG_LANGUAGE_MASK, LNG_CZECH);
	EXPECT_EQ(GetLanguageCharset(cs), cp1250);
	EXPECT_EQ(ParseLanguageCode("cs-CZ no-such-charset"), 0);
	// text after the country letters and before a blank is ignored
	EXPECT_EQ(ParseLanguageCode("en_US.whatever"), LNG_ENGLISH);

	EXPECT_EQ(GetLanguageCharset(LNG_ENGLISH), CHARSET_UTF8);
	EXPECT_EQ(SetLanguageCharset(cs, CHARSET_UTF8), LNG_CZECH | (255 << 20));
	EXPECT_EQ(FormatLanguageCode(LNG_ENGLISH), "EN-US");
	EXPECT_EQ(FormatLanguageCode(LNG_CZECH), "CS-CZ");
	EXPECT_EQ(FormatLanguageCode(LNG_ENGLISH & ~1023), "EN") << "only the letters that are there";
	// the text form reads back, charset included
	EXPECT_EQ(ParseLanguageCode(~FormatLanguageCode(cs)), cs);
	EXPECT_EQ(ParseLanguageCode(~FormatLanguageCode(SetLanguageCharset(LNG_ENGLISH, 255))),
	          SetLanguageCharset(LNG_ENGLISH, 255));
}

TEST(LangDeathTest, SystemLanguageFromEnvironment)
{
	auto check = [](const char* lang, int expected) {
		EXPECT_EXIT({
			if(lang)
				setenv("LANG", lang, 1);
			else
				unsetenv("LANG");
			_exit(GetSystemLanguage() == expected && GetSystemLanguage() == expected ? 0 : 1);
		}, testing::ExitedWithCode(0), "") << (lang ? lang : "(unset)");
	};
	check(nullptr, LNG_ENGLISH);
	check("C", LNG_ENGLISH);
	check("C.UTF-8", SetLanguageCharset(LNG_ENGLISH, 255));
	check("de_DE.UTF-8", SetLanguageCharset(LNG_('D', 'E', 'D', 'E'), 255));
	check("cs_CZ.ISO-8859-2", SetLanguageCharset(LNG_CZECH, CharsetByName("iso-8859-2")));
	check("sr_RS.UTF-8@latin", SetLanguageCharset(LNG_('S', 'R', 'R', 'S'), 255));
	check("de_DE.nonsense", LNG_('D', 'E', 'D', 'E'));
}

TEST(Lang, NameTable)
{
	EXPECT_EQ(detail::LanguageNameCount, 171);
	const detail::LanguageNameEntry* e = detail::FindLanguageName(LNG_CZECH | (255 << 20));
	ASSERT_TRUE(e);
	EXPECT_STREQ(e->text, "Czech\t\xC4\x8D" "e\xC5\xA1tina\t\x04\x05");
	// a code in several entries: the first decides
	e = detail::FindLanguageName(LNG_('A', 'Z', 'A', 'Z'));
	ASSERT_TRUE(e);
	EXPECT_EQ(String(e->text).Find("Azeri (Latin)"), 0);
	EXPECT_FALSE(detail::FindLanguageName(LNG_('X', 'Y', 'Z', 'W')));
}

TEST(Lang, LanguageRecords)
{
	const LanguageInfo& cs = GetLanguageInfo(LNG_CZECH | (255 << 20));
	EXPECT_EQ(&cs, &GetLanguageInfo(LNG_CZECH));
	EXPECT_EQ(cs.english_name, "Czech");
	EXPECT_EQ(cs.native_name, "\xC4\x8D" "e\xC5\xA1tina");
	EXPECT_EQ(cs.compare, detail::CompareLanguageTextCS);

	// the native name in the code's own charset
	LanguageInfo cs1250(SetLanguageCharset(LNG_CZECH, CharsetByName("windows-1250")));
	EXPECT_EQ(cs1250.native_name, "\xE8" "e\x9Atina");

	const LanguageInfo& none = GetLanguageInfo(LNG_('X', 'Y', 'Z', 'W'));
	EXPECT_EQ(none.decimal_point, "");
	EXPECT_EQ(none.thousand_separator, "");
	EXPECT_EQ(none.compare, CompareLanguageText);

	// Syriac is in the table but has no system locale
	const LanguageInfo& syriac = GetLanguageInfo(LNG_('S', 'Y', 'S', 'Y'));
	EXPECT_EQ(syriac.english_name, "Syriac");
	EXPECT_EQ(syriac.decimal_point, ".");
	EXPECT_EQ(syriac.thousand_separator, ",");
	EXPECT_EQ(syriac.month[0], WString());
}

TEST(Lang, LocaleDataOfTheLanguage)
{
	if(!HasLocale("cs_CZ.UTF-8") || !HasLocale("de_DE.UTF-8"))
		GTEST_SKIP() << "cs_CZ.UTF-8 or de_DE.UTF-8 locale not installed";
	const LanguageInfo& cs = GetLanguageInfo(LNG_CZECH);
	EXPECT_EQ(cs.decimal_point, ",");
	// Monday first; the case and form of the names are the system's
	EXPECT_EQ(ToUtf8(ToLower(cs.day[0])), "pond\xC4\x9Bl\xC3\xAD");
	EXPECT_EQ(ToUtf8(ToLower(cs.day[6])), "ned\xC4\x9Ble");
	EXPECT_EQ(ToUtf8(cs.month[0]).Find("led"), 0);
	const LanguageInfo& de = GetLanguageInfo(LNG_('D', 'E', 'D', 'E'));
	EXPECT_EQ(de.decimal_point, ",");
	EXPECT_EQ(de.thousand_separator, ".");
	EXPECT_EQ(ToUtf8(de.month[2]), "M\xC3\xA4rz");
	EXPECT_EQ(ToUtf8(de.short_day[6]), "So");
}

// Building a record must not switch the process locale under other threads' feet.
TEST(Lang, RecordsLeaveTheProcessLocaleAlone)
{
	if(!HasLocale("de_DE.UTF-8"))
		GTEST_SKIP() << "de_DE.UTF-8 locale not installed";
	String before = setlocale(LC_ALL, nullptr);
	std::atomic<bool> stop { false };
	std::atomic<int> wrong { 0 };
	std::thread reader([&] {
		while(!stop)
			if(localeconv()->decimal_point[0] != '.')
				wrong++;
	});
	for(int i = 0; i < 200; i++) {
		LanguageInfo de(LNG_('D', 'E', 'D', 'E'));
		EXPECT_EQ(de.decimal_point, ",");
	}
	stop = true;
	reader.join();
	EXPECT_EQ(wrong.load(), 0);
	EXPECT_EQ(String(setlocale(LC_ALL, nullptr)), before);
}

TEST(Lang, ThousandsSeparators)
{
	String out;
	const char* s = "-1234567.891";
	const char* e = InsertThousandsSeparators(s, out, ",");
	EXPECT_EQ(out, "-1,234,567");
	EXPECT_STREQ(e, ".891");
	out.Clear();
	InsertThousandsSeparators("123", out, " ");
	EXPECT_EQ(out, "123");
	out.Clear();
	InsertThousandsSeparators("1000", out, "\xC2\xA0");
	EXPECT_EQ(out, "1\xC2\xA0" "000");
}

TEST(Lang, DefaultCollation)
{
	EXPECT_EQ(Cmp("a2", "a10"), -1);
	EXPECT_EQ(Cmp("a007", "a7"), 1);  // equal numbers: the longer text last
	EXPECT_EQ(Cmp("abc", "Abd"), -1);
	EXPECT_EQ(Cmp("A", "a"), -1);     // case only breaks the last tie
	EXPECT_EQ(Cmp("a", "A"), 1);
	EXPECT_EQ(Cmp("ab", "Ab"), 1);
	EXPECT_EQ(Cmp("Ab", "ac"), -1);
	EXPECT_EQ(Cmp(" ", "!"), -1);     // blank < other < digit < letter
	EXPECT_EQ(Cmp("!", "0"), -1);
	EXPECT_EQ(Cmp("9", "a"), -1);
	EXPECT_EQ(Cmp("", ""), 0);
	EXPECT_EQ(Cmp("", "a"), -1);
	EXPECT_EQ(Cmp("a", ""), 1);
	EXPECT_EQ(Cmp("abc", "abc"), 0);
	// an accent loses to a later base-letter difference
	EXPECT_EQ(Cmp("\xC3\xA9" "a", "eb"), -1); // éa < eb
	EXPECT_EQ(Cmp("e", "\xC3\xA9"), -1);       // e < é
	EXPECT_EQ(Cmp("ab", "abc"), -1);
}

TEST(Lang, CzechCollation)
{
	EXPECT_EQ(Cmp("hrad", "chata", true), -1);
	EXPECT_EQ(Cmp("chata", "ida", true), -1);
	EXPECT_EQ(Cmp("cena", "\xC4\x8D" "as", true), -1);            // cena < čas
	EXPECT_EQ(Cmp("\xC4\x8D" "as", "d\xC5\xAF" "m", true), -1);  // čas < dům
	EXPECT_EQ(Cmp("\xC4\x8D" "a", "cz", true), 1);                // č is a letter after c
	EXPECT_EQ(Cmp("\xC3\xA1" "a", "ab", true), -1);               // á only differs secondarily
	EXPECT_EQ(Cmp("Chata", "chata", true), -1);
	// the default collation knows no ch
	EXPECT_EQ(Cmp("hrad", "chata"), 1);
}

TEST(Lang, SortsNamesOfBothLanguages)
{
	const char* names[] = {
		"\xC5\xA0imon", "Zuzana", "Chrudim", "Hana", "\xC4\x8C" "en\xC4\x9Bk", "Cyril",
		"Adam", "\xC3\x81" "da", "Igor", "david", "David", "Xaver", "\xC5\x98" "eho\xC5\x99", "Robert",
		"Sarah"
	};
	const char* czech[] = {
		"\xC3\x81" "da", "Adam", "Cyril", "\xC4\x8C" "en\xC4\x9Bk", "David", "david", "Hana",
		"Chrudim", "Igor", "Robert", "\xC5\x98" "eho\xC5\x99", "Sarah", "\xC5\xA0imon", "Xaver", "Zuzana"
	};
	const char* plain[] = {
		"\xC3\x81" "da", "Adam", "\xC4\x8C" "en\xC4\x9Bk", "Chrudim", "Cyril", "David", "david",
		"Hana", "Igor", "\xC5\x98" "eho\xC5\x99", "Robert", "Sarah", "\xC5\xA0imon", "Xaver", "Zuzana"
	};
	for(int variant = 0; variant < 2; variant++) {
		const LanguageInfo& info = GetLanguageInfo(variant ? LNG_CZECH : LNG_ENGLISH);
		std::vector<WString> v;
		for(const char* s : names)
			v.push_back(ToUtf32(s));
		std::sort(v.begin(), v.end(), [&](const WString& a, const WString& b) { return info.Compare(a, b) < 0; });
		const char** expected = variant ? czech : plain;
		for(size_t i = 0; i < v.size(); i++)
			EXPECT_EQ(ToUtf8(v[i]), expected[i]) << variant << " at " << i;
	}
}

TEST(Lang, IndexLetters)
{
	auto letter = [](const char* s, bool czech) {
		WString w = ToUtf32(s);
		return ToUtf8(czech ? detail::GetIndexLetterCS(w.Begin(), w.GetLength())
		                    : GetIndexLetter(w.Begin(), w.GetLength()));
	};
	EXPECT_EQ(letter("alpha", false), "a");
	EXPECT_EQ(letter("\xC3\xA9" "cole", false), "\xC3\xA9");
	EXPECT_EQ(letter("1st", false), "");
	EXPECT_EQ(letter("", false), "");
	EXPECT_EQ(letter("chata", true), "Ch");
	EXPECT_EQ(letter("cena", true), "C");
	EXPECT_EQ(letter("\xC4\x8D" "as", true), "\xC4\x8C");  // Č
	EXPECT_EQ(letter("\xC3\xA1" "da", true), "A");          // á files under A
	EXPECT_EQ(letter("\xE4\xB8\x80", true), "");            // beyond the small tables
	EXPECT_EQ(letter("-x", true), "");
}
