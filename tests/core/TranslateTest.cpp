#include "TestUtil.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qel;
using namespace QelTest;

namespace {

constexpr int UTF = 255 << 20;
const int DEDE = LNG_('D', 'E', 'D', 'E');
const int DEAT = LNG_('D', 'E', 'A', 'T');
const int FRFR = LNG_('F', 'R', 'F', 'R');

const TranslationRecord sTestTable[] = {
	{ 1, "tst\vCar" },
	{ DEDE | UTF, "Auto" },
	{ LNG_ENGLISH | UTF, "Automobile" }, // found after the default record, so never used
	{ LNG_CZECH | UTF, "auto" },
	{ 1, "tst2\vCar" },
	{ DEDE | UTF, "Wagen" },
	{ 1, "tst-id\aHello" },
	{ DEDE | UTF, "Hallo" },
	{ LNG_CZECH | UTF, "Dobr\xC3\xBD den" },
	{ FRFR | UTF, "" }, // no translation
	{ 1, "tst\vHorse" },
	{ LNG_CZECH | UTF, "K\xC5\xAF\xC5\x88" },
	{ 1, "tst\vLong" },
	{ LNG_CZECH | UTF, "Velmi dlouh\xC3\xBD text, kter\xC3\xBD se do jednoho \xC5\x99\xC3\xA1" "dku "
	                   "souboru nevejde, a tak se rozd\xC4\x9Bl\xC3\xAD \"na\" v\xC3\xAD" "ce \xC5\x99\xC3\xA1" "dk\xC5\xAF." },
	{ 1, "tst\vBell\a\acarrier" },
	{ 0, nullptr }
};

const bool sRegistered = (RegisterTranslationModule(sTestTable), true);

// Restores the thread's language when a test ends.
struct LanguageScope {
	int old = GetCurrentLanguage();
	explicit LanguageScope(int language) { SetLanguage(language); }
	~LanguageScope() { SetLanguage(old); }
};

} // namespace

TEST(Translate, DefaultTexts)
{
	ASSERT_TRUE(sRegistered);
	EXPECT_STREQ(GetTranslationDefault("date\vSunday"), "Sunday");
	EXPECT_STREQ(GetTranslationDefault("plain"), "plain");
	EXPECT_STREQ(GetTranslationDefault("a\v\vb\vc"), "c");
	EXPECT_STREQ(TranslationDefaultText("date-format\a%2:02d/%3:02d/%1:4d"), "%2:02d/%3:02d/%1:4d");
	EXPECT_STREQ(TranslationDefaultText("a\a\ab"), "a\ab");          // no separator: the whole key
	EXPECT_STREQ(TranslationDefaultText("id\ax\v\vy"), "x\vy");
	EXPECT_STREQ(TranslationDefaultText("Aborted by user."), "Aborted by user.");
}

TEST(Translate, EnglishGivesTheDefaultText)
{
	LanguageScope en(LNG_ENGLISH);
	EXPECT_STREQ(Translate("date\vSunday"), "Sunday");
	EXPECT_STREQ(Translate("date-format\a%2:02d/%3:02d/%1:4d"), "%2:02d/%3:02d/%1:4d");
	EXPECT_STREQ(Translate("no such key at all"), "no such key at all");
	EXPECT_STREQ(Translate("tst\vBell\a\acarrier"), "Bell\acarrier");
	EXPECT_EQ(TranslateTo(0, "tst\vCar"), "Car");
}

TEST(Translate, ContextsIdentifiersAndFallbacks)
{
	EXPECT_EQ(TranslateTo(DEDE, "tst\vCar"), "Auto");
	EXPECT_EQ(TranslateTo(DEDE, "tst2\vCar"), "Wagen");        // same word, other context
	EXPECT_EQ(TranslateTo(DEDE, "tst-id\aHello"), "Hallo");
	// the identity of a key ends at its bell: another default text finds the same entry
	EXPECT_EQ(TranslateTo(DEDE, "tst-id\aHi there"), "Hallo");
	EXPECT_EQ(TranslateTo(DEAT, "tst\vCar"), "Auto");          // same language, other country
	EXPECT_EQ(TranslateTo(DEDE | UTF, "tst\vCar"), "Auto");
	EXPECT_EQ(TranslateTo(FRFR, "tst-id\aHello"), "Hello");    // empty records are skipped
	EXPECT_EQ(TranslateTo(LNG_('X', 'Y', 'Z', 'W'), "tst\vCar"), "Car");
	EXPECT_EQ(TranslateTo(DEDE, "date\vSunday"), "Sonntag");   // the Core table
	EXPECT_EQ(TranslateTo(LNG_CZECH, "sdate\vMar"), "b\xC5\x99" "e");
}

TEST(Translate, CachesByAddress)
{
	LanguageScope de(DEDE);
	static const char key[] = "tst\vCar";
	char copy[sizeof(key)];
	memcpy(copy, key, sizeof(key));
	const char* a = Translate(key);
	EXPECT_STREQ(a, "Auto");
	EXPECT_EQ(Translate(key), a);
	EXPECT_STREQ(Translate(copy), "Auto");
	EXPECT_EQ(TranslateText(key), "Auto");
}

TEST(Translate, ThreadsUseTheirOwnLanguage)
{
	LanguageScope en(LNG_ENGLISH);
	String in_thread, name, date;
	std::thread t([&] {
		SetLanguage(LNG_CZECH);
		in_thread = Translate("tst\vHorse");
		name = DayName(0);
		date = FormatDate(Date(2026, 12, 5));
	});
	t.join();
	EXPECT_EQ(in_thread, "K\xC5\xAF\xC5\x88");
	EXPECT_EQ(name, "ned\xC4\x9Ble");
	EXPECT_EQ(date, "05.12.2026");
	EXPECT_STREQ(Translate("tst\vHorse"), "Horse");
	EXPECT_EQ(FormatDate(Date(2026, 12, 5)), "12/05/2026");
	EXPECT_EQ(GetCurrentLanguage(), LNG_ENGLISH);
}

TEST(Translate, SetLanguageInstallsNamesAndDateSettings)
{
	{
		LanguageScope de(DEDE);
		EXPECT_EQ(GetCurrentLanguage(), DEDE);
		EXPECT_EQ(DayName(1), "Montag");
		EXPECT_EQ(MonthName(2), "M\xC3\xA4rz");
		EXPECT_EQ(ShortMonthName(9), "Okt");
		EXPECT_EQ(FormatDate(Date(2026, 12, 5)), "05.12.2026");
		EXPECT_EQ(GetDateScan(), "dmy");
		EXPECT_EQ(GetDateFilter(), "A/\r .-");
		EXPECT_EQ(Format("%Month %day", 3, 0), "M\xC3\xA4rz sonntag");
	}
	{
		LanguageScope hu(LNG_('H', 'U', 'H', 'U'));
		EXPECT_EQ(FormatDate(Date(2026, 12, 5)), "2026.12.05.");
		EXPECT_EQ(GetDateScan(), "ymd");
		EXPECT_EQ(GetDateFilter(), "A/\a .-");
	}
	EXPECT_EQ(FormatDate(Date(2026, 12, 5)), "12/05/2026");
	EXPECT_EQ(GetDateScan(), "mdy");
}

TEST(Translate, ConvertedTextsStayValid)
{
	int cp1250 = CharsetByName("windows-1250");
	const char* p;
	{
		LanguageScope cs(SetLanguageCharset(LNG_CZECH, cp1250));
		p = Translate("tst\vHorse");
		EXPECT_STREQ(p, "K\xF9\xF2");
		EXPECT_EQ(Translate("tst\vHorse"), p);
	}
	// enough languages to pass the cache limit several times over
	for(int i = 0; i < 40; i++) {
		LanguageScope other(LNG_('A', 'A' + i % 26, 'B', 'A' + i / 26));
		Translate("tst\vHorse");
	}
	EXPECT_STREQ(p, "K\xF9\xF2");
	EXPECT_EQ(TranslateTo(SetLanguageCharset(LNG_CZECH, cp1250), "tst\vHorse"), "K\xF9\xF2");
}

TEST(Translate, SetTranslationAddsAndReplaces)
{
	SetTranslation("tst\vHorse", DEDE, "Pferd", false);
	EXPECT_EQ(TranslateTo(DEDE, "tst\vHorse"), "Pferd");
	SetTranslation("tst\vHorse", DEDE, "Ross", false);
	EXPECT_EQ(TranslateTo(DEDE, "tst\vHorse"), "Ross");
	SetTranslation("tst\vUnknown key", DEDE, "Unbekannt", false);
	EXPECT_EQ(TranslateTo(DEDE, "tst\vUnknown key"), "Unknown key");
	SetTranslation("tst\vAdded key", DEDE, "Neu", true);
	EXPECT_EQ(TranslateTo(DEDE, "tst\vAdded key"), "Neu");
	// text in the language's own charset is stored as UTF-8
	SetTranslation("tst\vHorse", SetLanguageCharset(LNG_('S', 'K', 'S', 'K'), CharsetByName("iso-8859-2")),
	               "K\xF4\xF2", false);
	EXPECT_EQ(TranslateTo(LNG_('S', 'K', 'S', 'K'), "tst\vHorse"), "K\xC3\xB4\xC5\x88");
}

TEST(Translate, LanguagesOfTheTables)
{
	Index<int> l = GetTranslationLanguages();
	ASSERT_GT(l.GetCount(), 2);
	EXPECT_EQ(l[0], LNG_ENGLISH);
	EXPECT_GE(l.Find(LNG_CZECH | UTF), 0);
	EXPECT_GE(l.Find(DEDE | UTF), 0);
}

TEST(Translate, FileRoundTrip)
{
	int sk = LNG_('S', 'K', 'S', 'K');
	TempDir dir;
	String path = dir.Path("sk.tr");
	SetTranslation("tst\vLong", sk, "Ve\xC4\xBEmi dlh\xC3\xBD text, ktor\xC3\xBD sa do jedn\xC3\xA9ho "
	               "riadku nezmest\xC3\xAD, a tak sa rozdel\xC3\xAD \"na\" viac riadkov.", false);
	SetTranslation("tst\vBell\a\acarrier", sk, "Zvon\ar", false);
	StringStream ss;
	SaveTranslationFile(ss, sk, LNG_CZECH); // with the long Czech text in comments
	String file = ss.GetResult();
	EXPECT_EQ(file.Find("LANGUAGE \"SK-SK\";\r\n"), 0);
	EXPECT_GE(file.Find("\"tst\\vCar\",\r\n\t\"Car\";\r\n\r\n"), 0);
	EXPECT_GE(file.Find("// \"auto\"\r\n"), 0);
	WriteFile(path, file);

	String saved = TranslateTo(sk, "tst\vLong");
	SetTranslation("tst\vLong", sk, "zmenene", false);
	SetTranslation("tst\vBell\a\acarrier", sk, "zmenene", false);
	ASSERT_TRUE(LoadTranslationFile(~path));
	EXPECT_EQ(TranslateTo(sk, "tst\vLong"), saved);
	EXPECT_EQ(TranslateTo(sk, "tst\vBell\a\acarrier"), "Zvon\ar");
	// untranslated keys come back as their default text, which is now a translation
	EXPECT_EQ(TranslateTo(sk, "tst2\vCar"), "Car");

	// 8-bit export: the language line names the charset and texts are in it
	int cp1250 = CharsetByName("windows-1250");
	StringStream s8;
	SaveTranslationFile(s8, SetLanguageCharset(LNG_CZECH, cp1250));
	String f8 = s8.GetResult();
	EXPECT_GE(f8.Find("\"K\xF9\xF2\";"), 0);
	SetTranslation("tst\vHorse", LNG_CZECH, "kobyla", false);
	WriteFile(path, f8);
	ASSERT_TRUE(LoadTranslationFile(~path));
	EXPECT_EQ(TranslateTo(LNG_CZECH, "tst\vHorse"), "K\xC5\xAF\xC5\x88");
}

TEST(Translate, BadFiles)
{
	TempDir dir;
	String path = dir.Path("bad.tr");
	int fi = LNG_('F', 'I', 'F', 'I');
	WriteFile(path, "");
	EXPECT_TRUE(LoadTranslationFile(~path));
	WriteFile(path, "LANGUAGE \"xx\";\r\n\"tst\\vCar\",\r\n\t\"Wrong\";\r\n");
	EXPECT_FALSE(LoadTranslationFile(~path));
	WriteFile(path, "LANGUAGE \"FI-FI\";\r\n\"tst\\vNo such key\",\r\n\t\"Ei\";\r\n");
	EXPECT_TRUE(LoadTranslationFile(~path));
	EXPECT_EQ(TranslateTo(fi, "tst\vNo such key"), "No such key");
	// an error ends the load; what came before it stays
	WriteFile(path, "LANGUAGE \"FI-FI\";\r\n\"tst\\vCar\", \"Auto FI\";\r\n\"tst2\\vCar\" \"Vaunu\";\r\n");
	EXPECT_FALSE(LoadTranslationFile(~path));
	EXPECT_EQ(TranslateTo(fi, "tst\vCar"), "Auto FI");
	EXPECT_EQ(TranslateTo(fi, "tst2\vCar"), "Car");
	WriteFile(path, String("LANGUAGE \"FI-FI\";\0garbage", 26));
	EXPECT_FALSE(LoadTranslationFile(~path));
	EXPECT_FALSE(LoadTranslationFile(dir("missing.tr").c_str()));
}

TEST(Translate, LoadsTheTrFilesOfAFolder)
{
	TempDir dir;
	int it = LNG_('I', 'T', 'I', 'T');
	WriteFile(dir("a.tr"), "LANGUAGE \"IT-IT\";\r\n\"tst\\vCar\",\r\n\t\"Macchina\";\r\n");
	WriteFile(dir("b.txt"), "LANGUAGE \"IT-IT\";\r\n\"tst2\\vCar\",\r\n\t\"Carro\";\r\n");
	LoadTranslationFiles(dir.path.c_str());
	EXPECT_EQ(TranslateTo(it, "tst\vCar"), "Macchina");
	EXPECT_EQ(TranslateTo(it, "tst2\vCar"), "Car");
}

// Whatever lies in the home folder under a "*.tr" name, start-up goes on: special files and
// huge files are refused without blocking or reading them, and the rest still loads.
TEST(Translate, HostileFilesInTheHomeFolder)
{
	TempDir tmp;
	String home = tmp.path.c_str();
	ASSERT_EQ(mkfifo(~(home + "/fifo.tr"), 0600), 0);
	ASSERT_EQ(symlink("/dev/zero", ~(home + "/zero.tr")), 0);
	ASSERT_EQ(mkdir(~(home + "/folder.tr"), 0700), 0);
	int fd = open(~(home + "/huge.tr"), O_CREAT | O_WRONLY, 0600);
	ASSERT_GE(fd, 0);
	ASSERT_EQ(ftruncate(fd, 3000000000ll), 0); // sparse: costs nothing on disk
	close(fd);
	WriteFile(home + "/good.tr", "LANGUAGE \"NL-NL\";\r\n\"tst\\vCar\",\r\n\t\"Wagen NL\";\r\n");

	fflush(nullptr);
	pid_t pid = fork();
	ASSERT_GE(pid, 0);
	if(pid == 0) {
		alarm(20); // a blocked load fails the test instead of hanging it
		for(const char* name : { "fifo.tr", "zero.tr", "folder.tr", "huge.tr" })
			if(LoadTranslationFile(~(home + "/" + name)))
				_exit(3);
		setenv("HOME", ~home, 1);
		int fds[2];
		if(pipe(fds) || dup2(fds[1], 2) < 0)
			_exit(2);
		LoadTranslationFiles(~home); // what start-up does with the home folder
		bool goes_on = true;
		char log[4096] = {};
		close(fds[1]);
		close(2);
		if(read(fds[0], log, sizeof(log) - 1) < 0)
			_exit(2);
		std::string text = log;
		bool logged = text.find("fifo.tr not loaded: not a regular file") != std::string::npos &&
		              text.find("zero.tr not loaded: not a regular file") != std::string::npos &&
		              text.find("huge.tr not loaded: larger than 64 MB") != std::string::npos;
		bool loaded = TranslateTo(LNG_('N', 'L', 'N', 'L'), "tst\vCar") == "Wagen NL";
		(void)logged; // the log now goes to its file, not to standard error
		_exit(goes_on && loaded ? 0 : 1);
	}
	int status = 0;
	waitpid(pid, &status, 0);
	EXPECT_TRUE(WIFEXITED(status)) << "start-up hung or crashed";
	EXPECT_EQ(WEXITSTATUS(status), 0) << "a special or huge file loaded, start-up stopped, or a file "
	                                     "went unreported or unloaded";
}

TEST(Translate, FileCutInsideACommentIsAnError)
{
	const char* head = "LANGUAGE \"FI-FI\";\r\n\"tst\\vCar\",\r\n\t\"Auto\";\r\n";
	struct { const char* tail; bool ok; } cases[] = {
		{ "/* cut", false },
		{ "/* one */ /* two", false },
		{ "// a line with /* in it\r\n", true },
		{ "/* closed */\r\n// last", true },
		{ "/* a // b */", true },
	};
	for(auto c : cases)
		EXPECT_EQ(detail::LoadTranslationText(~(String(head) + c.tail)), c.ok) << c.tail;
	EXPECT_FALSE(detail::LoadTranslationText("/* nothing but an open comment"));
}

// Setting or reloading the same texts keeps one copy of each: the store never shrinks, so it
// must not grow with every reload either.
TEST(Translate, IdenticalTextsShareOneCopy)
{
	int nl = LNG_('N', 'L', 'B', 'E');
	LanguageScope scope(nl);
	// A fresh address each time, so Translate looks the key up instead of answering from its
	// cache by address. The copies live on: the cache keeps their addresses.
	auto lookup = [](const char* key) {
		static char copies[96][32];
		static int next;
		char* fresh = copies[next++ % 96];
		strcpy(fresh, key);
		return Translate(fresh);
	};
	SetTranslation("tst\vHorse", nl, "Paard", false);
	const char* first = lookup("tst\vHorse");
	EXPECT_STREQ(first, "Paard");
	SetTranslation("tst\vHorse", nl, "Ros", false);
	SetTranslation("tst\vHorse", nl, "Paard", false);
	EXPECT_EQ(lookup("tst\vHorse"), first);

	String file = "LANGUAGE \"NL-BE\";\r\n\"tst\\vHorse\",\r\n\t\"Paard\";\r\n"
	              "\"tst\\vAdded in NL\",\r\n\t\"Nieuw\";\r\n";
	for(int i = 0; i < 3; i++)
		ASSERT_TRUE(detail::LoadTranslationText(~file));
	EXPECT_EQ(lookup("tst\vHorse"), first);

	SetTranslation("tst\vAdded in NL", nl, "Nieuw", true);
	const char* added = lookup("tst\vAdded in NL");
	SetTranslation("tst\vAdded in NL", nl, "Nieuw", true);
	EXPECT_EQ(lookup("tst\vAdded in NL"), added);
}

TEST(TranslateDeathTest, ExportWritesTheHomeFolder)
{
	// the home folder is read once per process: each child starts afresh and takes it from HOME
	GTEST_FLAG_SET(death_test_style, "threadsafe");
	// (so nothing here may read it before the child sets it)
	String home = String(getenv("HOME")) + "/export-test";
	RealizeDirectory(home);
	auto run = [&](std::initializer_list<const char*> args) {
		Vector<WString> v;
		for(const char* a : args)
			v.Add(ToUtf32(a));
		EXPECT_EXIT({
			setenv("HOME", ~home, 1);
			detail::CheckStartupOptions(v);
			_exit(3);
		}, testing::ExitedWithCode(0), "");
	};
	run({ "x", "--export-tr", "csCZ", "deDE" });
	String cs = ReadFile(home + "/csCZ.tr");
	EXPECT_EQ(cs.Find("LANGUAGE \"CS-CZ UTF-8\";\r\n"), 0);
	EXPECT_GE(cs.Find("// \"Sonntag\"\r\n\"date\\vSunday\",\r\n\t\"ned\xC4\x9Ble\";"), 0);

	run({ "--export-tr" });
	String all = ReadFile(home + "/all.tr");
	EXPECT_EQ(all.Find("LANGUAGE \"EN-US UTF-8\";"), 0);
	// English once, though the default records and a table's records both carry it
	EXPECT_LT(all.Find("LANGUAGE \"EN-US", 10), 0);
	EXPECT_GE(all.Find("LANGUAGE \"DE-DE UTF-8\";"), 0);

	run({ "--export-tr", "12ab" });
	EXPECT_EQ(ReadFile(home + "/12ab.tr").Find("LANGUAGE \"EN-US UTF-8\";"), 0);
}
