#include "QtfGenerator.h"
#include "QtfTestUtil.h"
#include "RichTestUtil.h"

#include <richtext/qtf/detail/QtfTables.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

using namespace Qel;
using namespace QelTest;

namespace {

// The written body of a QTF text's document, after the style definitions.
std::string sBody(const char* qtf, int options = QTF_OPT_BODY)
{
	String w = AsQTF(ParseQtf(qtf), CHARSET_UTF8, options);
	int q = w.Find(' ', w.Find("[{_}"));
	return ~w.Mid(q + 1, w.GetLength() - q - 2);
}

std::string sColor(Color c)
{
	String s;
	QtfColor(s, c);
	return ~s;
}

} // namespace

TEST(QtfWriter, ParagraphsRunsEscapesAndTables)
{
	EXPECT_EQ(sBody("text"), "[s0; text]");
	EXPECT_EQ(sBody("[* run] x"), "[s0; [* run] x]");
	EXPECT_EQ(sBody("a`*b:c`:`:d`::"), "[s0; a`*b:c`::d`::]"); // "::" would end a cell
	EXPECT_EQ(sBody("a-|b_c@$EE12;"), "[s0; a-|b_c@$EE12;]");  // the reader refuses U+EE12 in UTF-8
	EXPECT_EQ(sBody("{{1:1 a:: b}}"), "[ {{5000:5000 [s0; a]:: [s0; b]}}]");
	EXPECT_EQ(sBody("[%CS-CZ a&b&[%% c]]"), "[s0; a&][s0; b&][s0;%% c]");
	EXPECT_GE(AsQTF(ParseQtf("[%CS-CZ a&b&[%% c]]")).Find("[{_}%CS-CZ [s0; a&]"), 0); // the majority language

	// a paragraph whose style the document lacks is written against the zero key's
	RichText doc = ParseQtf("[l100; $$0,0:Default]");
	RichPara p = TextPara("x", Uuid::Create());
	p.format.lm = 100;
	doc.Cat(p);
	String w = AsQTF(doc);
	EXPECT_GE(w.Find("[s-1; x]"), 0);
	EXPECT_TRUE(QtfPara(ParseQtf(w), 1).format.styleid.IsNull());
	EXPECT_EQ(QtfPara(ParseQtf(w), 1).format.lm, 100);
}

TEST(QtfWriter, OptionsLineBreaksAndBareText)
{
	const int bare = QTF_OPT_BODY | QTF_OPT_NO_STYLES | QTF_OPT_NO_CHARSET;
	EXPECT_EQ(AsQTF(ParseQtf("one paragraph"), CHARSET_UTF8, bare), "one paragraph");
	EXPECT_EQ(AsQTF(ParseQtf("a"), CHARSET_UTF8, QTF_OPT_BODY | QTF_OPT_NO_STYLES), "[{_} [ a]]");
	// the first bracket of two paragraphs closes at "&]": only the outer pair goes
	EXPECT_EQ(AsQTF(ParseQtf("a&b"), CHARSET_UTF8, bare), "[ a&][ b]");
	EXPECT_EQ(AsQTF(ParseQtf("{{1 a}}"), CHARSET_UTF8, bare), "{{10000 [ a]}}");
	EXPECT_GE(AsQTF(ParseQtf("[%CS-CZ a]"), CHARSET_UTF8, QTF_OPT_BODY | QTF_OPT_NO_LANGUAGE).Find("[{_} [s0; a]]"), 0);
	EXPECT_EQ(AsQTF(ParseQtf("a"), CHARSET_UTF8, 0), "[ $$0,0#00000000000000000000000000000000:Default]");

	// breaks after a blank from column 61, after anything past column 80
	String words, solid;
	for(int i = 0; i < 40; i++)
		words << "word ";
	for(int i = 0; i < 200; i++)
		solid << "x";
	for(const String& text : {words, solid}) {
		String w = AsQTF(ParseQtf(text), CHARSET_UTF8, QTF_OPT_BODY | QTF_OPT_LINE_BREAKS);
		Vector<String> lines = Split(w, '\n', false);
		ASSERT_GT(lines.GetCount(), 4);
		for(int i = 3; i < lines.GetCount() - 1; i++) // after the styles, the body and the first line
			EXPECT_TRUE(lines[i].GetLength() <= 82 && (text == solid || lines[i].EndsWith(" \r"))) << ~lines[i];
		EXPECT_EQ(QtfShow(w), ~text);
	}
}

TEST(QtfWriter, ColoursAndCharsetsBothWays)
{
	for(int d = 0; d < 10; d++) {
		EXPECT_EQ(sColor(detail::QtfDigitColor[d]), std::string(1, char('0' + d)));
		EXPECT_EQ(QtfPara(ParseQtf(~Format("[@%d x]", d)), 0).part[0].format.ink, detail::QtfDigitColor[d]);
	}
	EXPECT_EQ(sColor(Color()), "N");
	EXPECT_EQ(sColor(Color(7, 7, 7)), "(7)");
	EXPECT_EQ(sColor(Color(1, 2, 3)), "(1.2.3)");
	EXPECT_EQ(sColor(Color::FromRaw(Color::ADJUSTED_BIT | Color(1, 2, 3).GetRaw())), "(1.2.3)");

	EXPECT_EQ(detail::QtfCharsetCode(CHARSET_UTF8), "_");
	for(int cs = 1; cs <= 23; cs++) {
		String code = detail::QtfCharsetCode(cs);
		EXPECT_EQ(code.GetLength(), 1);
		EXPECT_EQ(detail::QtfCharsetOfCode(code[0]), cs);
	}
	int named = CharsetByName("koi8-r");
	ASSERT_GT(named, 23);
	EXPECT_EQ(CharsetByName(detail::QtfCharsetCode(named)), named);

	// in an 8-bit set, what the set holds is a byte; the rest goes as codes
	RichText doc = ParseQtf("\xc3\xa9\xc5\xa1\xe2\x82\xac\xd0\xb6");
	String w = AsQTF(doc, CharsetByName("windows-1250"));
	EXPECT_GE(w.Find("[{0} "), 0);
	EXPECT_GE(w.Find("\xe9\x9a\x80@$0436;"), 0);
	EXPECT_EQ(QtfShow(w), QtfShow(doc));
}

TEST(QtfWriter, NestedTextsAndArgumentsReadBackUnchanged)
{
	RichText doc;
	doc.header_qtf = "[* a`[b^^c]";
	RichPara p;
	p.format.newhdrftr = true;
	p.format.header_qtf = "^H`x^^";
	p.format.label = "l:a\nb";
	p.format.before_number = "`;";
	RichPara::CharFormat f;
	f.link = "http://x/?a=1;b^c";
	f.indexentry = WString("i;\xe9");
	p.Cat(WString("x"), f);
	p.Cat("VALUE", "v:w", f);
	doc.Cat(p);
	String w = AsQTF(doc);
	RichText back = ParseQtf(w);
	EXPECT_EQ(back.header_qtf, doc.header_qtf);
	RichPara q = QtfPara(back, 0);
	EXPECT_EQ(q.format.header_qtf, p.format.header_qtf);
	EXPECT_EQ(q.format.label, p.format.label); // a line feed stays one
	EXPECT_EQ(q.format.before_number, p.format.before_number);
	EXPECT_TRUE(q.part[0].format.link == f.link && q.part[0].format.indexentry == f.indexentry);
	EXPECT_EQ(q.part[1].fieldparam, "v:w");
}

// Paragraphs of plain UTF-8 text are written straight from their stored form, the rest from
// the unpacked paragraph, which the line-break option always takes: apart from the breaks
// both must write the same.
TEST(QtfWriter, StoredParagraphsWriteAsUnpackedOnes)
{
	auto same = [](const RichText& doc) {
		for(int options : {int(QTF_OPT_BODY), QTF_OPT_BODY | QTF_OPT_NO_STYLES}) {
			String w = AsQTF(doc, CHARSET_UTF8, options);
			String b = AsQTF(doc, CHARSET_UTF8, options | QTF_OPT_LINE_BREAKS);
			w.Replace("\r\n", "");
			b.Replace("\r\n", "");
			if(w != b)
				return false;
		}
		return true;
	};
	for(unsigned seed = 0; seed < 400; seed++) {
		std::string q = QtfGenerator(seed).Document(6);
		EXPECT_TRUE(same(ParseQtf(q.c_str()))) << "seed " << seed << ": " << q;
	}
	for(const auto& e : std::filesystem::recursive_directory_iterator(QEL_TEST_DATA "/qtf"))
		if(e.path().extension() == ".qtf") {
			EXPECT_TRUE(same(ParseQtf(LoadFile(e.path().c_str())))) << e.path();
		}
	for(const char* q : {"a:[* :b]:[/ :]::c", "[* a:][* :b]", "[%CS-CZ a[%EN-US b]]", "[%CS-CZ a[%EN-US b]c]",
	                     "x\xc2\xa0y\xed\x9f\xbf\xee\xbf\xbf\xf4\x8f\xbf\xbf_", "[4 a][;4 b]", "[^x^ a][^y^ b]",
	                     "[I;x a][* b]", "abcdefghijklmnopqrstuvwxyz, abcdefghijklmno:", "a-|b`[c`]d"})
		EXPECT_TRUE(same(ParseQtf(q))) << q;
	// The last paragraph's second run takes over the run format the first one had: runs under
	// one link in two formats all the same.
	EXPECT_TRUE(same(ParseQtf("$$1][^[^ &[/ [^^ [ [^^ [ [^^ ]]]x]] [Ia; &[^^ x[^a^ z][s1 [* y]&][* y][^a^ z]&]x]"
	                          "[s1^^/* [^aaa^ z][^aaa^:: [* y]&[^^ w]x]]][^^ [Iaa; [^a^ [^^ w]x]]][^a^ x]x[Ia; [^^ z]x]"
	                          "[^aa^ [* y]&[/ [^^ x[* y][0:: [ &]]]&[^aaa^  [s1^aaa^ z")));
	RichText doc;
	RichPara p;
	p.Cat(WString("abcdefghijklmnopqrstuvwxyz:"), p.format);
	WString odd = ":x";
	for(wchar c : {wchar('\t'), wchar(0xA0), wchar(0xEE12), wchar(0x10FFFF), wchar(0xD800)})
		odd.Cat(c);
	p.Cat(odd, p.format);
	RichPara::CharFormat f = p.format;
	f.Bold();
	p.Cat(WString(":y:"), f);
	doc.Cat(p);
	EXPECT_TRUE(same(doc));
	// more run formats than the writer keeps, met again and again, some in a language of their
	// own, and links met once between them: formats are replaced with what leads to them
	std::string many;
	for(int i = 0; i < 300; i++) {
		many += "[@(" + std::to_string(i * 37 % 29) + ".0.0)" + (i % 5 ? "" : "%CS-CZ") + " r:]" + (i % 3 ? ":" : "&");
		if(i % 10 == 0) // a red run, then more links than the writer keeps formats
			for(int j = 0; j < 40; j++)
				many += (j % 20 ? "" : "[@6 y]") + ("[^link-number-" + std::to_string(i) + "-" + std::to_string(j) + "^ x] ");
	}
	EXPECT_TRUE(same(ParseQtf(many.c_str())));
}

// QtfEscape puts any UTF-8 text into QTF as that text: a tab stays a tab, a line feed ends the
// paragraph, other control bytes go as the reader drops them, bytes that are no UTF-8 come back
// as the characters that stand for them, and nothing of it changes how what follows is read.
TEST(QtfWriter, EscapedTextReadsBackAsItself)
{
	auto fault = [](const String& name) -> std::string {
		RichText doc = ParseQtf("[* " + QtfEscape(name) + "]&after");
		std::string want = "|"; // paragraphs as QtfShow gives them, each in bold but the last
		for(wchar c : ToUtf32(name))
			want += c == '\n' ? std::string("|") : c >= ' ' || c == '\t' ? std::string(~ToUtf8(c)) : "";
		std::string got;
		for(int i = 0; i < doc.GetPartCount(); i++) {
			RichPara p = QtfPara(doc, i);
			got += "|" + QtfParaText(p);
			for(const RichPara::Part& q : p.part)
				if(q.format.IsBold() != (i + 1 < doc.GetPartCount()))
					return "bold at " + std::to_string(i);
		}
		return got == want + "|after" ? "" : got;
	};
	for(const char* name : {"a\tb", "x\x01y] [/ c]&d", "[* b]`", "\xee\xb8\x81 \xc3 \xed\xa0\x80 \xf4\x90\x80\x80",
	                        "-|::{{}}@@$$^^++--||", "\\_\r\n\x7f"})
		EXPECT_EQ(fault(name), "") << name;
	EXPECT_EQ(fault(String("a\0b", 3)), "");
	std::mt19937 rng(5);
	for(int round = 0; round < 3000; round++) {
		String name; // bytes of every kind, often UTF-8 sequences and their pieces
		for(int n = rng() % 12; n > 0; n--)
			name.Cat(int(rng() % 4 ? rng() % 128 : rng() % 2 ? 0x80 + rng() % 64 : 0xC0 + rng() % 64));
		EXPECT_EQ(fault(name), "") << ~HexString(name);
	}
}
