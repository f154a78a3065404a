#include <Core/Core.h>

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace Qel;
using QelTest::TempFolder;

namespace {

VectorMap<String, String> Parse(const char* text, const char* filename = nullptr)
{
	StringStream in(text);
	VectorMap<String, String> map;
	LoadIniStream(in, map, filename);
	return map;
}

String Dump(const VectorMap<String, String>& map)
{
	String r;
	for(int i = 0; i < map.GetCount(); i++)
		r << map.GetKey(i) << "=[" << map[i] << "] ";
	return r;
}

} // namespace

TEST(Ini, Lines)
{
	struct { const char* text; const char* result; } cases[] = {
		{"a = 1\nb=two words  \n", "a=[1] b=[two words] "},
		{"# comment\n; comment\n// comment\n/* c */ k = v\n", "k=[v] "},
		{"key /* c */ = v // not a comment here\n", "key=[v // not a comment here] "},
		{"_x$y = 1\n$z=2\n9=no\n-a=no\n", "_x$y=[1] $z=[2] "},
		{"noequals\nk v\n", ""},
		{"k =\n", "k=[] "},
		{"a = 1\r\nb = 2\r\n", "a=[1] b=[2] "},
		{"a = 1\n@end\nb = 2\n", "a=[1] "},
		{"@endless\na = 1\n@ end\nb = 2\n", "a=[1] "},
		{"@unknown\n@\na=1", "a=[1] "},
		{"a = 1\na = 2\n", "a=[1] a=[2] "},
		{"k = /* unterminated\n", "k=[/* unterminated] "},
	};
	for(auto c : cases)
		EXPECT_EQ(Dump(Parse(c.text)), c.result) << c.text;
}

TEST(Ini, EnvironmentReplacement)
{
	setenv("QEL_INI_A", "alpha", 1);
	setenv("QEL_INI_B", "beta", 1);
	unsetenv("QEL_INI_NONE");
	String home = GetEnv("HOME");
	struct { const char* text; String result; } cases[] = {
		{"a = $HOME/x\n", "a=[$HOME/x] "},
		{"@replace-env\na = $HOME/x\n", "a=[" + home + "/x] "},
		{"@replace-env\na = ${QEL_INI_A}b\n", "a=[alphab] "},
		{"@replace-env\na = $QEL_INI_A-$QEL_INI_B\n", "a=[alpha-beta] "},
		{"@replace-env\na = $$QEL_INI_A $$\n", "a=[$QEL_INI_A $] "},
		{"@replace-env\na = x$QEL_INI_NONE.y $ ${QEL_INI_A\n", "a=[x.y  alpha] "},
		{"@replace-env\na = $QEL_INI_A\n@ignore-env\nb = $QEL_INI_A\n", "a=[alpha] b=[$QEL_INI_A] "},
		{"@replace-env\n$QEL_INI_A = v\n", "$QEL_INI_A=[v] "}, // keys stay as written
	};
	for(auto& c : cases)
		EXPECT_EQ(Dump(Parse(c.text)), c.result) << c.text;
}

TEST(Ini, IncludesAreReadBesideTheIncludingFile)
{
	TempFolder tmp;
	QelTest::Put(tmp("conf/main.ini"), "a = 1\n@include sub/part.ini\nd = 4\n@include /* c */ " + tmp("abs.ini") + "\n");
	QelTest::Put(tmp("conf/sub/part.ini"), "b = 2\n@include ../more.ini\n@end\nnever = 1\n");
	QelTest::Put(tmp("conf/more.ini"), "c = 3\n@replace-env\n");
	QelTest::Put(tmp("abs.ini"), "e = $HOME\n"); // replacement stays with the file that asked for it
	QelTest::Put(tmp("sub/part.ini"), "wrong = 1\n");
	String old = GetCurrentDirectory();
	ASSERT_EQ(chdir(~tmp.path), 0); // a relative name must not be taken from here
	VectorMap<String, String> map = detail::LoadIniFiles(~tmp("conf/main.ini"), nullptr);
	ASSERT_EQ(chdir(~old), 0);
	EXPECT_EQ(Dump(map), "a=[1] b=[2] c=[3] d=[4] e=[$HOME] ");
}

TEST(Ini, IncludeCyclesAndDepthEnd)
{
	TempFolder tmp;
	QelTest::Put(tmp("a.ini"), "a = 1\n@include b.ini\n@include a.ini\na2 = 1\n");
	QelTest::Put(tmp("b.ini"), "b = 1\n@include a.ini\n@include ./b.ini\nb2 = 1\n");
	EXPECT_EQ(Dump(detail::LoadIniFiles(~tmp("a.ini"), nullptr)), "a=[1] b=[1] b2=[1] a2=[1] ");

	for(int i = 0; i < 30; i++)
		QelTest::Put(tmp(~Sprintf("chain%d.ini", i)), Sprintf("k%d = %d\n@include chain%d.ini\n", i, i, i + 1));
	VectorMap<String, String> map = detail::LoadIniFiles(~tmp("chain0.ini"), nullptr);
	EXPECT_EQ(map.GetCount(), 16);
	EXPECT_EQ(map.GetKey(15), "k15");
}

TEST(Ini, FallbackFile)
{
	TempFolder tmp;
	QelTest::Put(tmp("home.ini"), "h = 1\n");
	QelTest::Put(tmp("comments.ini"), "# only a comment\n");
	QelTest::Put(tmp("main.ini"), "m = 1\n");
	EXPECT_EQ(Dump(detail::LoadIniFiles(~tmp("main.ini"), ~tmp("home.ini"))), "m=[1] ");
	EXPECT_EQ(Dump(detail::LoadIniFiles(~tmp("comments.ini"), ~tmp("home.ini"))), "h=[1] ");
	EXPECT_EQ(Dump(detail::LoadIniFiles(~tmp("missing.ini"), ~tmp("home.ini"))), "h=[1] ");
	EXPECT_EQ(Dump(detail::LoadIniFiles(~tmp("missing.ini"), ~tmp("missing2.ini"))), "");
}

// The keys of this program come from its own q.ini, else the home folder's.
TEST(Ini, KeysOfTheProgram)
{
	String ini = GetIniFile();
	String homeini = GetHomeDirFile("q.ini");
	struct Cleanup {
		String a, b;
		~Cleanup() { FileDelete(a); FileDelete(b); detail::InvalidateIni(); }
	} cleanup{ini, homeini};

	struct { const char* text; bool value; } cases[] = {
		{"user_log = Yes\n", true}, {"user_log = 1\n", true}, {"user_log=TRUE", true}, {"user_log = y", true},
		{"user_log = on\n", false}, {"user_log = 0\n", false}, {"user_log =\n", false}, {"other = 1\n", false},
		{"user_log = true\nuser_log = false\n", true},
	};
	for(auto c : cases) {
		QelTest::Put(ini, c.text);
		detail::InvalidateIni();
		EXPECT_EQ(IniUserLog.Get(), c.value) << c.text;
		EXPECT_TRUE(IniUserLog.IsCurrent());
		EXPECT_EQ(IniUserLog.ToString(), c.value ? "true" : "false");
	}
	EXPECT_EQ(GetIniKey("user_log"), "true");
	EXPECT_EQ(GetIniKey("absent", "def"), "def");

	QelTest::Put(ini, "// nothing here\n");
	QelTest::Put(homeini, "user_log = yes\nHttpRequest_Trace = 1\n");
	detail::InvalidateIni();
	EXPECT_TRUE(IniUserLog.Get());
	EXPECT_TRUE(IniHttpRequestTrace.Get());
	EXPECT_FALSE(IniHttpRequestTraceBody.Get());

	FileDelete(ini);
	FileDelete(homeini);
	detail::InvalidateIni();
	EXPECT_FALSE(IniUserLog.Get());
}

TEST(Ini, RegisteredKeys)
{
	const Array<IniInfo>& info = GetIniInfo();
	const char* ids[] = {"user_log", "HttpRequest_Trace", "HttpRequest_TraceBody", "HttpRequest_TraceShort"};
	ASSERT_GE(info.GetCount(), 4);
	for(int i = 0; i < 4; i++) {
		EXPECT_EQ(info[i].id, ids[i]);
		EXPECT_EQ(info[i].def(), "false");
		EXPECT_EQ(info[i].current(), "false");
	}
	EXPECT_EQ(info[0].info, "Activates logging of user actions");
	EXPECT_EQ(info[3].info, "Activates HTTP requests short tracing");
}
