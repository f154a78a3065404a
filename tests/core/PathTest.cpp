#include <Core/Core.h>

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <fnmatch.h>
#include <random>
#include <string>
#include <unistd.h>

using namespace Qel;
using QelTest::TempFolder;

TEST(Path, TextOperations)
{
	struct { const char* path; const char* directory; const char* folder; const char* name; const char* title; } cases[] = {
		{"/usr", "/", "/", "usr", "usr"},
		{"usr", "", "", "usr", "usr"},
		{"/a/b/", "/a/b/", "/a/b", "", ""},
		{"/a/b.tar.gz", "/a/", "/a", "b.tar.gz", "b.tar"},
		{"/a/.profile", "/a/", "/a", ".profile", ""},
		{"/a.d/file", "/a.d/", "/a.d", "file", "file"},
		{"", "", "", "", ""},
	};
	for(auto c : cases) {
		EXPECT_EQ(GetFileDirectory(c.path), c.directory) << c.path;
		EXPECT_EQ(GetFileFolder(c.path), c.folder) << c.path;
		EXPECT_EQ(GetFileName(c.path), c.name) << c.path;
		EXPECT_EQ(GetFileTitle(c.path), c.title) << c.path;
	}
	struct { const char* folder; const char* name; const char* result; } joins[] = {
		{"", "x", "x"}, {"/a", "b", "/a/b"}, {"/a/", "b", "/a/b"}, {"/a", "/b", "/a/b"}, {"/a/", "/b", "/a//b"}, {"a", "", "a/"},
	};
	for(auto j : joins)
		EXPECT_EQ(AppendFileName(j.folder, j.name), j.result) << j.folder << " + " << j.name;
}

TEST(Path, NormalizePath)
{
	String home = GetHomeDirectory();
	String homeslash = home.EndsWith("/") ? home : home + "/";
	struct { const char* path; const char* curdir; String result; } cases[] = {
		{"a/./b/../c", "/x/y", "/x/y/a/c"},
		{"/..", "/x", "/"},
		{"..\\x", "/a/b", "/a/x"},
		{"//srv/share", "/x", "//srv/share"},
		{"x", "//srv/share", "//srv/share/x"},
		{"../../../..", "/a/b", "/"},
		{"a//b///c/", "/", "/a/b/c"},
		{"", "/x/y", "/x/y"},
		{"..x/...", "/a", "/a/..x/..."},      // only ".." itself climbs
		{"a/..b/../c", "/", "/a/c"},
		{"~", "/x", homeslash},
		{"~/d/../e", "/x", homeslash + "e"},
		{"~user/f", "/x", homeslash + "f"},
	};
	for(auto& c : cases)
		EXPECT_EQ(NormalizePath(c.path, c.curdir), c.result) << c.path << " in " << c.curdir;
}

// A normalised path is absolute, has no empty, "." or ".." parts, and normalises to itself.
TEST(Path, NormalizePathProperties)
{
	const char* parts[] = {"a", "b", ".", "..", "", "..a", ".b", "\\", "c d"};
	std::mt19937 rng(7);
	for(int i = 0; i < 3000; i++) {
		String p = rng() % 3 ? "" : "/";
		int n = rng() % 8;
		for(int j = 0; j < n; j++)
			p << parts[rng() % 9] << (rng() % 4 ? "/" : "\\");
		String r = NormalizePath(p, "/x/y");
		ASSERT_TRUE(r.StartsWith("/")) << ~p;
		ASSERT_EQ(NormalizePath(r, "/elsewhere"), r) << ~p;
		String rest = r.Mid(r.StartsWith("//") ? 2 : 1); // a leading "//" is kept on purpose
		if(rest.IsEmpty())
			continue;
		String body = "/" + rest + "/";
		ASSERT_LT(body.Find("//"), 0) << ~p << " -> " << ~r;
		ASSERT_LT(body.Find("/./"), 0) << ~p << " -> " << ~r;
		ASSERT_LT(body.Find("/../"), 0) << ~p << " -> " << ~r;
		ASSERT_LT(r.Find('\\'), 0) << ~p;
	}
}

TEST(Path, CurrentDirectoryOfAnyLength)
{
	TempFolder tmp;
	String deep = tmp.path;
	while(deep.GetLength() < 1500)
		deep = AppendFileName(deep, "a-rather-long-folder-name-to-pass-the-usual-buffer");
	ASSERT_TRUE(RealizeDirectory(deep));
	String old = GetCurrentDirectory();
	ASSERT_EQ(chdir(~deep), 0);
	String cwd = GetCurrentDirectory();
	String rel = NormalizePath("x");
	ASSERT_EQ(chdir(~old), 0);
	EXPECT_EQ(cwd, deep);
	EXPECT_EQ(rel, deep + "/x");
}

TEST(Path, PatternMatch)
{
	struct { const char* pattern; const char* name; bool match; } cases[] = {
		{"A?C", "abc", true},
		{"a?c", "ac", false},          // '?' never matches the end
		{"*", "", true},
		{"", "", true},
		{"", "a", false},
		{"a*", "a", true},
		{"*?c", "abc", true},          // '?' after '*' is any character
		{"*?", "", false},
		{"*??", "a", false},
		{"a*?b", "axxb", true},
		{"a**b", "ab", true},
		{"*.txt", "a.TXT", true},
		{"*x", "abc", false},
		{"a*b*c", "aXbYbZc", true},
		{"\xE9t\xE9", "\xC9T\xC9", true}, // Latin-1 letters fold too
		{"\xF7", "\xD7", false},           // the division sign is no letter
	};
	for(auto c : cases)
		EXPECT_EQ(PatternMatch(c.pattern, c.name), c.match) << c.pattern << " / " << c.name;
	// many stars before a failing end: linear work, not exponential
	std::string name(4000, 'a');
	EXPECT_FALSE(PatternMatch("a*a*a*a*a*a*a*a*a*a*a*b", name.c_str()));
}

// Against the C library's matcher on random patterns over a tiny alphabet, where backtracking
// errors show up quickly.
TEST(Path, PatternMatchAgreesWithFnmatch)
{
	std::mt19937 rng(1);
	const char pchars[] = "ab*?A";
	const char nchars[] = "abB";
	for(int i = 0; i < 50000; i++) {
		std::string p, n;
		for(int k = rng() % 7; k > 0; k--)
			p += pchars[rng() % 5];
		for(int k = rng() % 8; k > 0; k--)
			n += nchars[rng() % 3];
		bool expect = fnmatch(p.c_str(), n.c_str(), FNM_CASEFOLD) == 0;
		ASSERT_EQ(PatternMatch(p.c_str(), n.c_str()), expect) << p << " / " << n;
	}
}

TEST(Path, PatternMatchFileName)
{
	struct { const char* pattern; const char* name; bool match; } cases[] = {
		{"*.*", "README", true},
		{"*.*", "a.txt", true},
		{"*.", "README", true},
		{"*.", "a.txt", false},
		{"a.*", "a", true},
		{"*.tr", "x.tr", true},
		{"*.tr", "x.trx", false},
		{"*.t?", "x.tr", true},
		{"ab", "AB", true},
	};
	for(auto c : cases)
		EXPECT_EQ(PatternMatchFileName(c.pattern, c.name), c.match) << c.pattern << " / " << c.name;
}

TEST(Path, FindFileOverAFolder)
{
	TempFolder tmp;
	for(const char* f : {"a.txt", "b.TXT", "c.log", ".hidden"})
		QelTest::Put(tmp(f), f);
	ASSERT_TRUE(DirectoryCreate(tmp("sub")));
	auto list = [](const String& pattern) {
		Vector<String> names;
		for(FindFile ff(~pattern); ff; ff.Next())
			names.Add(ff.GetName());
		Sort(names);
		String r;
		for(const String& n : names)
			r << n << " ";
		return r;
	};
	EXPECT_EQ(list(tmp("*.txt")), "a.txt b.TXT ");
	EXPECT_EQ(list(tmp("*")), ". .. .hidden a.txt b.TXT c.log sub ");
	EXPECT_EQ(list(tmp("?.*")), ". .. a.txt b.TXT c.log "); // "." has no extension, so "?" alone takes it
	EXPECT_EQ(list(tmp("none*")), "");
	EXPECT_EQ(list(tmp("missing-folder/*")), "");

	FindFile ff(~tmp("sub"));
	ASSERT_TRUE(ff);
	EXPECT_TRUE(ff.IsFolder());
	EXPECT_FALSE(ff.IsFile());
	EXPECT_EQ(ff.GetPath(), tmp("sub"));
	ASSERT_TRUE(ff.Search(~tmp("c.log")));
	EXPECT_TRUE(ff.IsFile());
	EXPECT_EQ(ff.GetLength(), 5);
	EXPECT_TRUE(ff.HasPermission(0400, 0, 0));
	EXPECT_FALSE(ff.HasPermission(0, 0, 0001));
	EXPECT_FALSE(ff.Search(~tmp("d.log")));

	EXPECT_TRUE(FileExists(tmp("a.txt")));
	EXPECT_FALSE(FileExists(tmp("sub")));
	EXPECT_TRUE(DirectoryExists(tmp("sub")));
	EXPECT_TRUE(FileMove(tmp("a.txt"), tmp("sub/z.txt")));
	EXPECT_TRUE(FileExists(tmp("sub/z.txt")));
	EXPECT_FALSE(FileMove(tmp("a.txt"), tmp("y.txt")));
	EXPECT_TRUE(FileDelete(tmp("sub/z.txt")));
	EXPECT_FALSE(FileDelete(tmp("sub/z.txt")));
}

TEST(Path, RealizeDirectory)
{
	TempFolder tmp;
	EXPECT_TRUE(RealizeDirectory(tmp("a/b/c")));
	EXPECT_TRUE(DirectoryExists(tmp("a/b/c")));
	EXPECT_TRUE(RealizeDirectory(tmp("a/b")));
	EXPECT_TRUE(RealizeDirectory("/"));
	QelTest::Put(tmp("file"), "x");
	EXPECT_FALSE(RealizeDirectory(tmp("file/d")));
	EXPECT_FALSE(DirectoryExists(tmp("file/d")));
}

TEST(Path, DeleteFolderDeepRemovesLinksNotTheirTargets)
{
	TempFolder tmp;
	QelTest::Put(tmp("keep/file"), "k");
	QelTest::Put(tmp("gone/a/b/file"), "g");
	ASSERT_EQ(symlink(~tmp("keep"), ~tmp("gone/a/link")), 0);
	ASSERT_EQ(symlink(~tmp("keep/file"), ~tmp("gone/filelink")), 0);
	EXPECT_TRUE(DeleteFolderDeep(~tmp("gone")));
	EXPECT_FALSE(DirectoryExists(tmp("gone")));
	EXPECT_TRUE(FileExists(tmp("keep/file")));
	EXPECT_FALSE(DeleteFolderDeep(~tmp("gone")));
	EXPECT_FALSE(DeleteFolderDeep(~tmp("keep/file")));
}

TEST(Path, GetFileOnPath)
{
	TempFolder tmp;
	for(const char* f : {"d2/prog", "d3/prog", "cur/prog", "cur/local"})
		QelTest::Put(tmp(f), "#");
	String paths = tmp("d1") + "::" + tmp("d2") + ";" + tmp("d3");
	String cur = tmp("cur");
	// the folders of the list come first, the current folder last
	EXPECT_EQ(GetFileOnPath("prog", ~paths, true, ~cur), tmp("d2/prog"));
	EXPECT_EQ(GetFileOnPath("local", ~paths, true, ~cur), tmp("cur/local"));
	EXPECT_EQ(GetFileOnPath("local", ~paths, false, ~cur), "");
	EXPECT_EQ(GetFileOnPath("none", ~paths, true, ~cur), "");
	EXPECT_EQ(GetFileOnPath(~tmp("d3/prog"), ~paths, false, ~cur), tmp("d3/prog"));
	EXPECT_EQ(GetFileOnPath("..\\d3\\prog", nullptr, true, ~cur), tmp("d3/prog"));
	// no list: the candidate in the current folder, whether it exists or not
	EXPECT_EQ(GetFileOnPath("none", nullptr, true, ~cur), tmp("cur/none"));
	EXPECT_EQ(GetFileOnPath("prog", ~tmp("d3"), true, ~cur), tmp("d3/prog"));
}

TEST(Path, NamesPassUnchangedBeforeTheApplicationRuns)
{
	ASSERT_FALSE(IsAppRunning());
	String odd = "\xff\xfe-\xc3\xa9";
	EXPECT_EQ(ToSystemCharset(odd), odd);
	EXPECT_EQ(FromSystemCharset(odd), odd);
}

// Once the application runs, names travel in the set of LANG; what it cannot hold becomes '_'.
static bool NamesInLatin2()
{
	setenv("LANG", "cs_CZ.ISO-8859-2", 1);
	const char* argv[] = {"app", nullptr};
	AppInit(1, argv, nullptr);
	return IsAppRunning() && ToSystemCharset("\xc5\xa1\xc3\xa9-\xe4\xb8\xad") == "\xb9\xe9-_" &&
	       FromSystemCharset("\xb9\xe9") == "\xc5\xa1\xc3\xa9";
}

TEST(PathDeathTest, NamesInTheSystemSetWhileRunning)
{
	GTEST_FLAG_SET(death_test_style, "threadsafe");
	EXPECT_EXIT(_exit(NamesInLatin2() ? 0 : 1), testing::ExitedWithCode(0), "");
}
