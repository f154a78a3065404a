#include <Core/Core.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

using namespace Qel;

namespace {

// The message of the error that f raises, or "no error".
template <class F>
std::string ErrorOf(F f)
{
	try {
		f();
	}
	catch(const CParser::Error& e) {
		return std::string(~e, e.GetLength());
	}
	return "no error";
}

std::string Str(const String& s)
{
	return std::string(~s, s.GetLength());
}

} // namespace

TEST(CParser, SpacesCommentsAndLines)
{
	CParser p("  // note\n  x");
	EXPECT_EQ(p.PeekChar(), 'x');
	EXPECT_EQ(p.GetLine(), 2);
	EXPECT_EQ(p.GetColumn(), 3);
	EXPECT_FALSE(p.Spaces());

	CParser q("/* open");
	EXPECT_TRUE(q.IsEof());
	CParser r("/*\n\n*/ y");
	EXPECT_EQ(r.GetLine(), 3);
	EXPECT_TRUE(r.Char('y'));
	EXPECT_TRUE(r.IsEof());
	EXPECT_FALSE(r.Char(0)); // never past the end
	EXPECT_EQ(r.GetChar(), 0);
	EXPECT_TRUE(r.IsEof());

	CParser c("x // y");
	c.SkipComments(false);
	EXPECT_TRUE(c.Char('x'));
	EXPECT_EQ(c.PeekChar(), '/');
	EXPECT_FALSE(c.Spaces());
}

TEST(CParser, NestedComments)
{
	const char* text = "x /* a /* b */ c */ d";
	CParser p(text);
	EXPECT_TRUE(p.Char('x'));
	EXPECT_EQ(p.PeekChar(), 'c');
	CParser q(text);
	q.NestComments();
	EXPECT_TRUE(q.Char('x'));
	EXPECT_EQ(q.PeekChar(), 'd');
	CParser open(text);
	open.NestComments();
	open.Set("x /* /* */");
	open.NestComments();
	EXPECT_TRUE(open.Char('x'));
	EXPECT_TRUE(open.IsEof());
}

TEST(CParser, TokensAndErrors)
{
	CParser p("if(x1 , 42) foo_bar $z");
	EXPECT_FALSE(p.Id("i"));
	EXPECT_TRUE(p.Id("if"));
	p.PassChar('(');
	EXPECT_EQ(Str(p.ReadId()), "x1");
	EXPECT_TRUE(p.Char(','));
	EXPECT_TRUE(p.IsInt());
	EXPECT_EQ(p.ReadInt(), 42);
	EXPECT_EQ(ErrorOf([&] { p.PassChar(']'); }), "(1,11): missing ']'");
	p.PassChar(')');
	EXPECT_EQ(ErrorOf([&] { p.PassId("foo"); }), "(1,13): missing 'foo'");
	p.PassId("foo_bar");
	EXPECT_EQ(Str(p.ReadId()), "$z");
	EXPECT_EQ(ErrorOf([&] { p.ReadId(); }), "(1,23): missing id");
	EXPECT_EQ(ErrorOf([&] { p.ReadInt(); }), "(1,23): missing number");

	CParser n("- 2147483648 2147483648");
	EXPECT_TRUE(n.IsInt());
	EXPECT_EQ(n.ReadInt(), INT_MIN);
	EXPECT_EQ(ErrorOf([&] { n.ReadInt(); }), "(1,14): number is too big");
	CParser big("99999999999999999999999");
	EXPECT_EQ(ErrorOf([&] { big.ReadInt(); }), "(1,1): number is too big");
}

TEST(CParser, NumbersAndTests)
{
	EXPECT_TRUE(CParser("- \x80 5").IsInt());
	EXPECT_FALSE(CParser("-").IsInt());
	EXPECT_TRUE(CParser("+.5").IsDouble());
	EXPECT_TRUE(CParser("-. 5").IsDouble());
	EXPECT_FALSE(CParser(".").IsDouble());
	CParser p("1.5e3 2,5 x");
	EXPECT_EQ(p.ReadDouble(), 1500.0);
	EXPECT_EQ(p.ReadDouble(), 2.0); // only '.' separates decimals here
	EXPECT_TRUE(p.Char(','));
	EXPECT_EQ(p.ReadDouble(), 5.0);
	EXPECT_EQ(ErrorOf([&] { p.ReadDouble(); }), "(1,11): missing number");
	EXPECT_EQ(ErrorOf([] { CParser("1e999").ReadDouble(); }), "(1,1): invalid number");
}

TEST(CParser, ErrorColumnsAndMarkers)
{
	CParser p("a\nb\n\tcd x");
	p.SkipTerm();
	p.SkipTerm();
	EXPECT_TRUE(p.Id("cd"));
	p.SkipSpaces(false);
	EXPECT_EQ(ErrorOf([&] { p.PassChar('y'); }), "(3,8): missing 'y'");
	CParser t("\n\n\tab!");
	t.SkipTerm();
	EXPECT_EQ(ErrorOf([&] { t.PassChar('?'); }), "(3,7): missing '?'");

	CParser m("x \2file.c\3" "41\2\ny");
	m.SkipTerm();
	EXPECT_EQ(Str(m.GetFileName()), "file.c");
	EXPECT_EQ(m.GetLine(), 42);
	EXPECT_EQ(ErrorOf([&] { m.PassChar('z'); }), "file.c(42,1): missing 'z'");

	CParser open("x \2unterminated\3" "12");
	open.SkipTerm();
	EXPECT_TRUE(open.IsEof());
	EXPECT_EQ(open.GetLine(), 12);
	CParser huge("\2f\3" "99999999999999999999\2 \n\n z");
	EXPECT_EQ(huge.GetLine(), INT_MAX); // and stays there over the line breaks
	CParser neg("\2f\3-99999999999999999999\2 z");
	EXPECT_EQ(neg.GetLine(), INT_MIN);
	CParser spaced("\2f\3\r\n 7\2 z");
	EXPECT_EQ(spaced.GetLine(), 7);
	CParser inline_marker("ab\2f\3" "5\2c!");
	inline_marker.SkipTerm();
	EXPECT_TRUE(inline_marker.Char('c'));
	EXPECT_EQ(ErrorOf([&] { inline_marker.PassChar('x'); }), "f(5,4): missing 'x'");
}

TEST(CParser, Strings)
{
	CParser p("\"ab\" \"cd\" 'q'");
	EXPECT_EQ(Str(p.ReadString()), "abcd");
	EXPECT_EQ(Str(p.ReadString('\'', false)), "q");

	CParser e("\"\\a\\b\\f\\n\\r\\t\\v\\x41\\x\\101\\1012\\q\\\\\\\"\"");
	EXPECT_EQ(Str(e.ReadOneString()), std::string("\a\b\f\n\r\t\vA", 8) + std::string(1, '\0') + "AA2q\\\"");

	CParser u("\"\\uD83D\\uDE00|\\uDBFF\\uDFFF|\\U0001F600|\\u00e9\"");
	EXPECT_EQ(Str(u.ReadString()), "\xF0\x9F\x98\x80|\xF4\x8F\xBF\xBF|\xF0\x9F\x98\x80|\xC3\xA9");
	EXPECT_EQ(ErrorOf([] { CParser("\"\\uD83Dx\"").ReadString(); }), "(1,8): Invalid UTF-16 surrogate pair");
	EXPECT_EQ(ErrorOf([] { CParser("\"\\uD83D\\u0041\"").ReadString(); }), "(1,14): Invalid UTF-16 surrogate pair");
	EXPECT_EQ(ErrorOf([] { CParser("\"\\U00110000\"").ReadString(); }),
	          "(1,12): Universal character is out of unicode range");
	EXPECT_EQ(ErrorOf([] { CParser("\"\\u12\"").ReadString(); }), "(1,6): Incomplete universal character");
	CParser raw("\"\\u0041\"");
	raw.UnicodeEscape(false);
	EXPECT_EQ(Str(raw.ReadString()), "u0041");

	EXPECT_EQ(ErrorOf([] { CParser("x").ReadString(); }), "(1,1): missing string");
	EXPECT_EQ(ErrorOf([] { CParser("\"a\nb\"").ReadString(); }), "(1,3): Unterminated string");
	CParser nl("\"a\nb\" c");
	EXPECT_EQ(Str(nl.ReadString(false)), "a\nb");
	EXPECT_EQ(nl.GetLine(), 2);
	EXPECT_TRUE(nl.Id("c"));
	CParser open("\"abc");
	EXPECT_EQ(Str(open.ReadString(false)), "abc");
	EXPECT_TRUE(open.IsEof());
	EXPECT_EQ(ErrorOf([] { CParser("\"abc").ReadString(); }), "(1,5): Unterminated string");
}

TEST(CParser, TrailingBackslashEndsTheText)
{
	EXPECT_EQ(ErrorOf([] { CParser("\"ab\\").ReadString(); }), "(1,5): Unterminated string");
	CParser p("\"ab\\");
	EXPECT_EQ(Str(p.ReadString(false)), "ab");
	EXPECT_TRUE(p.IsEof());
	EXPECT_EQ(p.GetPtr()[0], '\0');
}

TEST(CParser, SkipTerm)
{
	CParser p("abc_1 123 \"s\" 'c' + \n x");
	const char* expect[] = { "123", "\"s\"", "'c'", "+", "x" };
	for(const char* e : expect) {
		p.SkipTerm();
		EXPECT_EQ(std::string(p.GetPtr(), strlen(e)), e);
	}
	EXPECT_EQ(p.GetLine(), 2);
	p.SkipTerm();
	EXPECT_TRUE(p.IsEof());
	p.SkipTerm();
	EXPECT_TRUE(p.IsEof());
}

TEST(AsCString, Escapes)
{
	EXPECT_EQ(Str(AsCString(String("\"\\"))), "\"\\\"\\\\\"");
	EXPECT_EQ(Str(AsCString(String("\a\b\t\n\v\f\r"))), "\"\\a\\b\\t\\n\\v\\f\\r\"");
	EXPECT_EQ(Str(AsCString(String("\x01\x7f\xe9\xff", 4))), "\"\\001\\177\xe9\\377\"");
	EXPECT_EQ(Str(AsCString(String("\xe9", 1), INT_MAX, nullptr, ASCSTRING_OCTALHI)), "\"\\351\"");
	EXPECT_EQ(Str(AsCString(String("\x01\x7f\xc3\xa9\xf0\x9f\x98\x80\xff", 9), INT_MAX, nullptr, ASCSTRING_JSON)),
	          "\"\\u0001\\u007F\xc3\xa9\\uD83D\\uDE00\xff\"");
	EXPECT_EQ(Str(AsCString(String("\0" "1", 2))), "\"\\0001\"");
}

// What a JSON reader takes between the quotes: no raw control byte, and a backslash only before
// one of its own escapes.
static bool IsJsonStringBody(const std::string& s)
{
	for(size_t i = 0; i < s.size(); i++) {
		byte c = s[i];
		if(c < 32 || c == '"')
			return false;
		if(c != '\\')
			continue;
		if(++i == s.size())
			return false;
		if(s[i] == 'u') {
			if(i + 4 >= s.size() || !std::all_of(&s[i + 1], &s[i + 5], [](char h) { return isxdigit((byte)h); }))
				return false;
			i += 4;
		}
		else if(!s[i] || !strchr("\"\\/bfnrt", s[i]))
			return false;
	}
	return true;
}

TEST(AsCString, JsonFlagWritesWhatJsonReads)
{
	for(int c = 0; c < 128; c++) {
		String x(char(c), 1);
		String lit = AsCString(x, INT_MAX, nullptr, ASCSTRING_JSON);
		std::string s = Str(lit);
		ASSERT_TRUE(s.size() >= 2 && s.front() == '"' && s.back() == '"') << c;
		EXPECT_TRUE(IsJsonStringBody(s.substr(1, s.size() - 2))) << c << ": " << s;
		CParser p(~lit);
		EXPECT_EQ(Str(p.ReadString()), Str(x)) << c;
	}
	// without the flag the C escapes stay
	EXPECT_EQ(Str(AsCString(String("\a\v"))), "\"\\a\\v\"");
}

TEST(AsCString, LineBreaks)
{
	String s = AsCString(String("aaaa bbbb cccc"), 4, "  ", 0);
	EXPECT_EQ(Str(s), "\"aaaa \"\r\n  \"bbbb \"\r\n  \"cccc\"");
	String t = AsCString(String("aaaaaa bbbbbb cccccc"), 3, nullptr, ASCSTRING_SMART);
	EXPECT_EQ(Str(t), "\"aaaaaa \"\r\n\"bbbbbb \"\r\n\"cccccc\"");
	CParser p(~t);
	EXPECT_EQ(Str(p.ReadString()), "aaaaaa bbbbbb cccccc");
}

TEST(AsCString, RoundTrip)
{
	std::string all;
	for(int i = 0; i < 256; i++)
		all += char(i);
	all += "\xf0\x9f\x98\x80 \\\" 0123";
	String x(all.data(), (int)all.size());
	for(int flags = 0; flags < 8; flags++)
		for(int linemax : { INT_MAX, 10, 0 }) {
			String lit = AsCString(x, linemax, "\t", flags);
			CParser p(~lit);
			EXPECT_EQ(Str(p.ReadString()), all) << flags << " " << linemax;
			EXPECT_TRUE(p.IsEof());
		}
}
