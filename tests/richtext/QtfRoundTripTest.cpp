// The round trip on a corpus: for every text q, W(P(q)) == W(P(W(P(q)))) byte for byte and
// P(q), P(W(P(q))) equal part by part, written with styles and without, in UTF-8 and in an 8-bit
// set. The corpus: the markup's own examples, generated texts using every command with random
// operands, and real documents (tests/data/qtf).
#include "LayoutTestUtil.h"
#include "QtfCompare.h"
#include "QtfGenerator.h"
#include "QtfTestUtil.h"
#include "RichTestTypes.h"
#include "RichTestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <random>

using namespace Qel;
using namespace QelTest;

namespace {

const char* const EXAMPLES[] = {
	"[* bold] rest", "[@6 a][@(255.0.0) b][@(128) c][@(300.0.0) d]", "[{A} a][{3} b][{_} c]",
	"::", "{{1 a::b}}", "`[a:b::c", "[@q a][@?b c]", "[N1a! x]", "", "]x", "{{1:1 a:: b:: c",
	"x{{1 a}}y", "{{1 a}}&", "Save Sir", "[ $$3:Three][s3; x]", ("\x01" "a\x02\nb\x01"),
	"[s0; text]", "[s0; [* run] x]", "[s-1; x]", "a`*b:c`::d", " {{5000:5000 [s0; a]:: [s0; b]}}",
	"^H[* h]^^^Ff^^[tPph^^pf^^ x]{{1T[* th]^^^^ y}}", "++a||b--::2 c||d||::|2 e--f||g++",
	"[* x[C y]z]&[C $$0,0:Default]", // the style changes under stored runs: they end up alike
	"a^H^H^H^H^H^H^H^H^Hx",          // a header nested too deep is no header
	"[~4 &$$][~4 &", // tab stops stored before the style has them: written as when it had
	"[Iabcdefghijkl; $$][^a^ Asvi&", // a link dear only with the style's index entry
	"[:ode][a60; $:n\n; &[:: &[\n$$]&]i", // the style changes under paragraphs stored with a label
	"[T $$]++--||", // cells a span covers, reset to the default style, which is not written without styles
	"[^Teaving.md^ $$]=/= ++Ry _-- A=)||baxl", // and the link that style has: not the table's
};

std::vector<std::filesystem::path> sCorpusFiles()
{
	std::vector<std::filesystem::path> files;
	for(const auto& e : std::filesystem::recursive_directory_iterator(QEL_TEST_DATA "/qtf"))
		if(e.path().extension() == ".qtf")
			files.push_back(e.path());
	std::sort(files.begin(), files.end());
	return files;
}

RichPara sPara(const std::string& text)
{
	RichPara p;
	p.Cat(WString(text.c_str()), RichPara::CharFormat());
	return p;
}

// Tables nested depth deep, each of two cells: the first a paragraph and the next table, the
// second a paragraph.
RichText sNestedTables(int depth)
{
	RichTable inner;
	for(int k = depth; k >= 1; k--) {
		RichTable t;
		t.format.column_widths.Add(2);
		t.format.column_widths.Add(1);
		Array<RichCell>& row = t.cell.Add();
		row.SetCount(2);
		row[0].text.SetPara(0, sPara("a" + std::to_string(k)), RichStyle());
		if(k < depth)
			row[0].text.SetTable(1, inner);
		row[1].text.SetPara(0, sPara("b" + std::to_string(k)), RichStyle());
		row[1].format.color = Color(200, 220, k);
		inner = std::move(t);
	}
	RichText doc;
	doc.SetTable(0, inner);
	return doc;
}

// The characters of the text, without the breaks between paragraphs and cells.
std::string sChars(const RichText& doc)
{
	String s = ToUtf8(doc.GetPlainText());
	std::string r;
	for(char c : s)
		if(byte(c) >= ' ')
			r += c;
	return r;
}

} // namespace

TEST(QtfRoundTrip, TablesNestedToTheBound)
{
	RichText doc = sNestedTables(QTF_MAX_TABLE_DEPTH);
	for(int options : {int(QTF_OPT_BODY), QTF_OPT_BODY | QTF_OPT_LINE_BREAKS})
		EXPECT_EQ(QtfDifference(doc, ParseQtf(AsQTF(doc, CHARSET_UTF8, options))), "");
	// one deeper: the innermost table's cells are read as paragraphs of the cell around it
	doc = sNestedTables(QTF_MAX_TABLE_DEPTH + 1);
	RichText back = ParseQtf(AsQTF(doc));
	EXPECT_EQ(back.GetTableCount(), QTF_MAX_TABLE_DEPTH);
	std::string chars = sChars(doc); // as the cells come: "a1a2...b2b1"
	EXPECT_TRUE(chars.rfind("a1a2", 0) == 0 && chars.substr(chars.size() - 4) == "b2b1");
	EXPECT_EQ(sChars(back), chars);
}

TEST(QtfRoundTrip, ExamplesAndGeneratedTexts)
{
	for(const char* q : EXAMPLES)
		for(int options : {int(QTF_OPT_BODY), QTF_OPT_BODY | QTF_OPT_LINE_BREAKS})
			for(QtfForm f : QtfForms(options))
				EXPECT_EQ(QtfRoundTripFault(q, f.options, f.charset), "") << q;
	// each text with styles in UTF-8 and in one of the other forms
	for(unsigned seed = 0; seed < 600; seed++) {
		std::string q = QtfGenerator(seed).Document(6);
		std::vector<QtfForm> forms = QtfForms(seed % 2 ? QTF_OPT_BODY : QTF_OPT_BODY | QTF_OPT_LINE_BREAKS);
		for(QtfForm f : {forms[0], forms[1 + seed / 2 % 3]})
			EXPECT_EQ(QtfRoundTripFault(q.c_str(), f.options, f.charset), "") << "seed " << seed << ": " << q;
	}
}

// Tables before, between and after paragraphs that share a long field (a header, a label, tab
// stops, numbering texts, or all of them), whose cells have it or not, nested tables too. Without
// styles no style reference sets the format of a cell back: what a cell has not must be turned
// off against what is in force around the table.
TEST(QtfRoundTrip, TablesAmongParagraphsSharingLongFields)
{
	const char* const fields[] = {
		"tPHeader text^^^^", "tPHeader^^Footer^^:A label of some length:", "~~~100~200~300~400~500",
		"nBefore the number;mAfter it;N1;",
		"tPHeader text^^^^:A label of some length:~~~100~200~300~400~500nBefore the number;",
	};
	const char* const shapes[] = {
		"{{1:1 a:: [F b]}}[F b&b]",                          // before
		"[F a&b&{{1:1 c:: [s0 d]}}&e&f]",                    // between, a cell without
		"[F a&b&]{{1:1 [F c&c]:: d}}",                       // after
		"[F a&{{1:1 {{1 [s0 x]:: y}}:: [s0 z]}}&b]",         // nested
		"[F a&]{{1 [F b]}}[F c&]{{1 d}}[F e]",               // alternating
	};
	for(const char* f : fields)
		for(const char* shape : shapes) {
			String q = shape;
			q.Replace("F", f);
			for(QtfForm form : QtfForms())
				EXPECT_EQ(QtfRoundTripFault(q, form.options, form.charset), "") << q;
		}
}

// "tP" turns a header on and "tp" off: a paragraph without the header of its style or of the
// paragraphs around it reads back without it in every form, among paragraphs with the style's
// header or another one, in table cells too.
TEST(QtfRoundTrip, ParagraphsTurningOffTheHeaderOfTheirStyle)
{
	RichText read = ParseQtf("[tPh^^^^ a&[tp b&]c]");
	EXPECT_TRUE(QtfPara(read, 0).format.newhdrftr && !QtfPara(read, 1).format.newhdrftr && QtfPara(read, 2).format.newhdrftr);

	RichText doc = ParseQtf("[tPStyle header^^Style footer^^ $$1,0#11111111111111111111111111111111:Headed]");
	int q = 0;
	while(doc.GetStyles()[q].name != "Headed")
		q++;
	const Uuid id = doc.GetStyles().GetKey(q);
	const RichStyle style = doc.GetStyles()[q];
	auto para = [&](const char* text, int header) { // 0 none, 1 the style's, 2 its own
		RichPara p = TextPara(text, id);
		p.format = style.format;
		p.format.styleid = id;
		p.format.newhdrftr = header != 0;
		if(header == 2)
			p.format.header_qtf = "Own header";
		return p;
	};
	for(int h : {1, 0, 0, 2, 2, 0, 1, 1, 0})
		doc.Cat(para("x", h));
	RichTable t = TextTable(1, 3);
	t.cell[0][0].text.SetPara(0, para("c", 0), style);
	t.cell[0][1].text.SetPara(0, para("d", 1), style);
	t.cell[0][2].text.SetPara(0, para("e", 2), style);
	doc.SetTable(doc.GetPartCount(), t);
	doc.Cat(para("y", 0));
	ASSERT_FALSE(QtfPara(doc, 2).format.newhdrftr);
	for(int options : {int(QTF_OPT_BODY), QTF_OPT_BODY | QTF_OPT_LINE_BREAKS})
		for(QtfForm f : QtfForms(options))
			EXPECT_EQ(QtfWrittenRoundTripFault(doc, f.options, f.charset), "") << f.options << " " << f.charset;
	// written alike from the stored paragraphs and, with line breaks, from the unpacked ones
	for(int options : {int(QTF_OPT_BODY), QTF_OPT_BODY | QTF_OPT_NO_STYLES}) {
		String b = AsQTF(doc, CHARSET_UTF8, options | QTF_OPT_LINE_BREAKS);
		b.Replace("\r\n", "");
		EXPECT_EQ(AsQTF(doc, CHARSET_UTF8, options), b);
	}
}

// Every language code a run or a paragraph may hold reads back as itself or, where QTF has no
// form for it, as none; the text and the formats of the runs around it stay as they were. The
// run after the code starts with a strikeout and two letters, which a code must not take.
TEST(QtfRoundTrip, LanguageCodesOfEveryShape)
{
	const int cs = CharsetByName("windows-1250");
	const struct {
		int code, back;
	} codes[] = {
		{LNG_CZECH, LNG_CZECH},
		{LNG_ENGLISH, LNG_ENGLISH},
		{LNG_ENGLISH & LNG_NO_COUNTRY, LNG_ENGLISH & LNG_NO_COUNTRY},
		{LNG_('E', '@', '@', '@'), 0}, // one letter
		{LNG_('E', 'N', 'U', '@'), 0}, // three
		{LNG_('[', 'N', 'U', 'S'), 0}, // a letter beyond Z
		{0, 0},
		{SetLanguageCharset(0, cs), 0},
		// a charset means nothing to text held in Unicode: the letters are what is kept
		{SetLanguageCharset(LNG_CZECH, cs), LNG_CZECH},
		{SetLanguageCharset(LNG_ENGLISH, cs), LNG_ENGLISH},
		{SetLanguageCharset(LNG_CZECH & LNG_NO_COUNTRY, CHARSET_UTF8), LNG_CZECH & LNG_NO_COUNTRY},
		{SetLanguageCharset(ParseLanguageCode("de_DE"), CharsetByName("UTF-8")), LNG_('D', 'E', 'D', 'E')},
		{SetLanguageCharset(LNG_('E', '@', '@', '@'), cs), 0},
	};
	const Uuid style = ScanUuid("0123456789ABCDEF0123456789ABCDEF");
	for(auto c : codes) {
		RichText doc, want;
		RichStyle styled;
		styled.name = "Styled";
		styled.format.Bold();
		for(int pass = 0; pass < 2; pass++) {
			int code = pass ? c.back : c.code;
			RichText& d = pass ? want : doc;
			RichPara::CharFormat around, marked, after;
			around.language = LNG_CZECH;
			marked.language = code;
			after.language = LNG_ENGLISH;
			after.Strikeout().Bold();
			after.capitals = after.dashed = true;
			RichPara p;
			p.Cat(WString("first "), around);
			p.Cat(WString("marked "), marked);
			p.Cat(WString("words"), after);
			d.Cat(p);
			RichPara q; // the code before the paragraph end
			q.Cat(WString("x "), around);
			q.Cat(WString("y"), marked);
			d.Cat(q);
			RichPara e; // and as the mark of an empty paragraph
			static_cast<RichPara::CharFormat&>(e.format) = marked;
			d.Cat(e);
			d.Cat(q);
			RichPara s = q; // in a style of its own
			s.format.styleid = style;
			d.SetStyle(style, styled);
			d.Cat(s);
		}
		for(int options : {int(QTF_OPT_BODY), QTF_OPT_BODY | QTF_OPT_LINE_BREAKS})
			for(QtfForm f : QtfForms(options)) {
				String w = AsQTF(doc, f.charset, f.options);
				EXPECT_EQ(QtfDifference(want, ParseQtf(w), !(f.options & QTF_OPT_NO_STYLES)), "") << c.code << ": " << w;
				EXPECT_EQ(QtfWrittenRoundTripFault(want, f.options, f.charset), "") << c.code;
			}
	}
}

// Runs that differ only by language codes QTF writes alike (none, a charset, a code of no written
// form) are one run to the writer too: beside links and index entries, written, read and written
// again, a document gives the same text byte for byte, and reads back as written.
TEST(QtfRoundTrip, RunsOfLanguagesWrittenAlikeWriteAlike)
{
	const int codes[][2] = { // code, read back
		{0, 0}, {LNG_('E', '@', '@', '@'), 0}, {LNG_('[', 'N', 'U', 'S'), 0}, {SetLanguageCharset(0, CHARSET_UTF8), 0},
		{LNG_CZECH, LNG_CZECH}, {SetLanguageCharset(LNG_CZECH, CHARSET_UTF8), LNG_CZECH},
	};
	const char* const links[] = {"", "", "target", "other"};
	std::mt19937 rng(69);
	auto pick = [&](int n) { return int(rng() % unsigned(n)); };
	for(int round = 0; round < 300; round++) {
		RichText doc, want;
		for(int i = 0, paras = 1 + pick(3); i < paras; i++) {
			RichPara p[2];
			RichPara::CharFormat f;
			for(int k = 0, runs = 1 + pick(5); k <= runs; k++) { // the last one the mark
				f.Bold(pick(3) == 0);
				f.link = links[pick(4)];
				f.indexentry = WString(links[pick(4)]);
				const int* code = codes[pick(6)];
				String text(char('a' + pick(26)), 1 + pick(2));
				for(int j = 0; j < 2; j++) {
					f.language = code[j];
					if(k < runs)
						p[j].Cat(WString(text), f);
					else
						static_cast<RichPara::CharFormat&>(p[j].format) = f;
				}
			}
			doc.Cat(p[0]);
			want.Cat(p[1]);
		}
		for(QtfForm f : QtfForms(round % 2 ? QTF_OPT_BODY : QTF_OPT_BODY | QTF_OPT_LINE_BREAKS)) {
			String w = AsQTF(doc, f.charset, f.options);
			RichText back = ParseQtf(w);
			EXPECT_EQ(AsQTF(back, f.charset, f.options), w) << round;
			EXPECT_EQ(QtfDifference(want, back, !(f.options & QTF_OPT_NO_STYLES)), "") << round << ": " << w;
		}
	}
}

namespace {

RichObject sObject(const String& type, const String& data)
{
	RichObject o;
	o.Read(type, data, Size(10, 20));
	return o;
}

} // namespace

// An object reads back whole, and the text around it too, whatever follows its text data (any
// character the writer escapes, another object, a field), and whatever type name it holds.
TEST(QtfRoundTrip, ObjectsReadBackWholeWhateverFollowsOrNamesThem)
{
	auto fault = [](const RichObject& o, const std::function<void (RichPara&)>& after) {
		RichText doc;
		RichPara p;
		p.Cat(WString("head "), RichPara::CharFormat());
		p.Cat(o, RichPara::CharFormat());
		after(p);
		doc.Cat(p);
		doc.Cat(TextPara("second", Uuid()));
		for(int options : {int(QTF_OPT_BODY), QTF_OPT_BODY | QTF_OPT_LINE_BREAKS})
			for(QtfForm f : QtfForms(options))
				if(std::string d = QtfWrittenRoundTripFault(doc, f.options, f.charset); !d.empty())
					return d;
		return std::string();
	};
	RichPara::CharFormat plain, bold;
	bold.Bold();
	const RichObject iml = sObject("iml", "DrawImg:three`dots");
	for(int c = 1; c < 128; c++)
		if(c >= ' ' || c == '\t') {
			EXPECT_EQ(fault(iml, [&](RichPara& p) { p.Cat(WString(String(char(c), 1) + ":x"), plain); }), "") << c;
		}
	EXPECT_EQ(fault(iml, [&](RichPara& p) { p.Cat(iml, plain); p.Cat("VALUE", "v", plain); p.Cat(WString("`x"), bold); }), "");
	EXPECT_EQ(fault(iml, [&](RichPara& p) { p.Cat(sObject("iml", "`"), plain); p.Cat(WString("`"), plain); }), "");
	for(const char* name : {"a-b", "x y", "\xc3\xbc", "my:type", "(", "&", "#5", "`", "", "a\tb", "@@", "\x01", "\xff"})
		EXPECT_EQ(fault(sObject(name, "data"), [&](RichPara& p) { p.Cat(WString("tail"), plain); }), "") << name;
	// a NUL would end the text: the name goes without it
	RichText doc;
	RichPara p;
	p.Cat(sObject(String("a\0b", 3), "data"), plain);
	doc.Cat(p);
	EXPECT_EQ(QtfPara(ParseQtf(AsQTF(doc)), 0).part[0].object.GetTypeName(), "ab");
	// texts written before read as they did: a lone backtick ends the data, a doubled one is of it
	RichPara old = QtfPara(ParseQtf("@@iml:1&1`three``dots`x `[y"), 0);
	EXPECT_EQ(old.part[0].object.GetData(), Value(String("three`dots")));
	EXPECT_EQ(QtfParaText(old), "@x [y");
}

namespace {

// Where the document ends and every caret, on pages and in one long column.
bool sSameLayout(const RichText& a, const RichText& b)
{
	for(Rect page : {Rect(0, 0, 3000, 800), Rect(0, 0, 600, 268435455)}) {
		if(a.GetHeight(page) != b.GetHeight(page) || a.GetLength() != b.GetLength())
			return false;
		for(int pos = 0; pos <= a.GetLength(); pos++)
			if(!(a.GetCaret(pos, page) == b.GetCaret(pos, page)))
				return false;
	}
	return true;
}

} // namespace

// A paragraph's mark, its own character format (of its end's caret, its tabs' height, and of an
// empty paragraph), reads back as it was, whether the paragraph ends with "&" or ends its part
// list, in the document and in table cells: read from QTF, and built with a mark unlike its runs.
TEST(QtfRoundTrip, ParagraphMarksReadBackAsTheyWere)
{
	const char* const texts[] = {
		"[0 Name-|Value&Total-|Sum]", "[*7 b&]x", "[^target^ a&b]", "{{1:1 [0 a-|b&c-|d]:: [*7 x&]y}}",
		"[%DE-AT [%% a]&[%CS; b]]", "[3 a [* b]&]",
	};
	for(const char* q : texts)
		for(int options : {int(QTF_OPT_BODY), QTF_OPT_BODY | QTF_OPT_LINE_BREAKS})
			for(QtfForm f : QtfForms(options)) {
				EXPECT_EQ(QtfRoundTripFault(q, f.options, f.charset), "") << q;
				RichText doc = ParseQtf(q);
				EXPECT_TRUE(sSameLayout(doc, ParseQtf(AsQTF(doc, f.charset, f.options)))) << q;
			}
	RichText tall = ParseQtf("[0 Name-|Value&Total-|Sum]");
	EXPECT_EQ(QtfPara(tall, 0).format.GetHeight(), 50);
	EXPECT_EQ(QtfPara(ParseQtf(AsQTF(tall)), 0).format.GetHeight(), 50);

	RichPara::CharFormat run, mark;
	mark.Bold().Height(300);
	mark.ink = Color(0, 0, 255);
	mark.language = LNG_CZECH;
	for(int last = 0; last < 2; last++) { // the mark like the last run's or not
		RichText doc;
		RichTable t = TextTable(1, 2);
		for(int i = 0; i < 3; i++) {
			RichPara p;
			p.Cat(WString("a\tb "), mark);
			p.Cat(WString("c\td"), last ? mark : run);
			static_cast<RichPara::CharFormat&>(p.format) = mark;
			doc.Cat(p);
			RichTxt& cell = t.cell[0][i % 2].text; // two paragraphs in the first cell
			cell.SetPara(cell.GetPartCount(), p, RichStyle());
		}
		doc.SetTable(1, t);
		for(int options : {int(QTF_OPT_BODY), QTF_OPT_BODY | QTF_OPT_LINE_BREAKS})
			for(QtfForm f : QtfForms(options)) {
				EXPECT_EQ(QtfWrittenRoundTripFault(doc, f.options, f.charset), "") << last;
				EXPECT_TRUE(sSameLayout(doc, ParseQtf(AsQTF(doc, f.charset, f.options)))) << last;
			}
	}
}

TEST(QtfRoundTrip, DocumentsConvertedFromMarkdown)
{
	std::vector<std::filesystem::path> files = sCorpusFiles();
	EXPECT_GE(files.size(), 70u);
	for(const auto& f : files) {
		String q = LoadFile(f.c_str());
		RichText doc = ParseQtf(q);
		EXPECT_GT(doc.GetPartCount(), 3) << f;
		EXPECT_EQ(AsQTF(doc).Find("@3;2 ERROR: "), -1) << f; // read without an error paragraph
		EXPECT_EQ(QtfRoundTripFault(q, QTF_OPT_BODY | QTF_OPT_LINE_BREAKS), "") << f;
	}
}
