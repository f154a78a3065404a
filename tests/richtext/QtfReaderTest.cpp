#include "QtfTestUtil.h"
#include "RichTestTypes.h"
#include "RichTestUtil.h"

#include <richtext/qtf/detail/QtfParser.h>

#include <gtest/gtest.h>

using namespace Qel;
using namespace QelTest;

namespace {

RichPara::CharFormat sRun(const char* qtf, int part = 0)
{
	return QtfPara(ParseQtf(qtf), 0).part[part].format;
}

RichPara::Format sFormat(const char* qtf)
{
	return QtfPara(ParseQtf(qtf), 0).format;
}

} // namespace

TEST(QtfReader, TextRunsEscapesAndVerbatimBlocks)
{
	RichText doc = ParseQtf("[* bold] rest");
	RichPara p = QtfPara(doc, 0);
	ASSERT_EQ(p.part.GetCount(), 2);
	EXPECT_TRUE(p.part[0].format.IsBold() && !p.part[1].format.IsBold());
	EXPECT_EQ(QtfParaText(p), "bold rest"); // the blank ending the commands is no text

	EXPECT_EQ(QtfShow(""), "");
	EXPECT_EQ(ParseQtf("").GetPartCount(), 1);
	EXPECT_EQ(QtfShow("`[a:b\\]$+-@^{|}"), "[a:b]$+-@^{|}");
	EXPECT_EQ(QtfShow("a_b-|c@$41;@$20ac@$1F;@$110000;x"), "a\xc2\xa0" "b\tcA\xe2\x82\xac" "x");
	EXPECT_EQ(QtfShow("@$100000041;"), "A"); // the code wraps as a 32-bit number
	EXPECT_EQ(QtfShow("a&b\r\nc"), "a|bc");
	// a backtick or backslash at the end, and every operand cut by the end, stop there
	for(const char* cut : {"x`", "x\\", "[%E", "[{AB", "[^li", "[!Dej", "@@a:1*1(eA", "@@a:1*1`x", "[@(1.2", "[$"})
		EXPECT_NE(QtfShow(cut).size(), 0u) << cut;
	// a run longer than the text is looked ahead for its end
	std::string lng;
	for(int i = 0; i < 20000; i++)
		lng += i % 7 ? "abcd" : "ab\xc3\xa9";
	EXPECT_EQ(QtfShow((lng + "[* x]").c_str()), lng + "x");
	EXPECT_EQ(QtfPara(ParseQtf((lng + "`[").c_str()), 0).GetLength(), 80000 - (20000 + 6) / 7 + 1); // an "é" every seventh piece
	// verbatim: other control bytes go, a line feed ends the paragraph, the block ends at byte 1
	EXPECT_EQ(QtfShow("\x01[a]\x02\tb\nc\x01`[d"), "[a]\tb|c[d");
}

TEST(QtfReader, AccessKeyUnderlinesItsFirstCharacterOnly)
{
	RichPara p = QtfPara(ParseQtf("Save as, Sir", 'S'), 0);
	ASSERT_EQ(p.part.GetCount(), 2);
	EXPECT_EQ(ToUtf8(p.part[0].text), "S");
	EXPECT_TRUE(p.part[0].format.IsUnderline() && !p.part[1].format.IsUnderline());
	EXPECT_EQ(QtfParaText(QtfPara(ParseQtf("\xc5\xa1x", 'S'), 0)), "\xc5\xa1x"); // folded to ASCII: "š" is an S
	EXPECT_TRUE(QtfPara(ParseQtf("\xc5\xa1x", 'S'), 0).part[0].format.IsUnderline());
}

TEST(QtfReader, ColoursHeightsCharsetsAndLanguages)
{
	EXPECT_EQ(sRun("[@6 x]").ink, Color(255, 0, 0));
	EXPECT_EQ(sRun("[@(255.0.0) x]").ink, Color(255, 0, 0));
	EXPECT_EQ(sRun("[@(128) x]").ink, Color(128, 128, 128));
	EXPECT_EQ(sRun("[@(300.0.-1 x]").ink, Color(44, 0, 255));
	EXPECT_EQ(sRun("[@(1.2) x]").ink, Color(1, 2, 0));
	EXPECT_EQ(sRun("[@q x]").ink, Color(255, 255, 255)); // a letter not in the tables
	EXPECT_EQ(sRun("[@?x y]").ink, Color(128, 0, 0));    // the character is consumed
	EXPECT_TRUE(sRun("[$N x]").paper.IsNull() && sRun("[@n x]").ink.IsNull());
	const char* letters = "bcgklmorwyBCGKLMORY";
	const Color colors[] = {
		Color(0, 0, 128), Color(0, 128, 128), Color(0, 128, 0), Color(0, 0, 0), Color(192, 192, 192),
		Color(128, 0, 255), Color(128, 128, 0), Color(128, 0, 0), Color(224, 224, 224), Color(255, 255, 0),
		Color(0, 0, 255), Color(0, 255, 255), Color(0, 255, 0), Color(128, 128, 128), Color(224, 224, 224),
		Color(255, 0, 255), Color(128, 128, 0), Color(255, 0, 0), Color(255, 255, 192)};
	for(int i = 0; letters[i]; i++)
		EXPECT_EQ(sRun(~("[@" + String(letters[i], 1) + " x]")).ink, colors[i]) << letters[i];
	const int heights[] = {50, 67, 84, 100, 134, 167, 200, 234, 300, 400};
	for(int d = 0; d < 10; d++)
		EXPECT_EQ(sRun(~Format("[%d x]", d)).GetHeight(), heights[d]);
	EXPECT_EQ(sRun("[+-30 x]").GetHeight(), -30);

	// charsets: "A" is 1, "3" is 18, "_" UTF-8, names without regard to case
	EXPECT_EQ(QtfShow("[{A} \xe9]"), ~ToUtf8(ToUnicode(0xE9, 1)));
	EXPECT_EQ(QtfShow("[{3} \xe9]"), ~ToUtf8(ToUnicode(0xE9, 18)));
	EXPECT_EQ(QtfShow("[{WINDOWS-1250} \xe9]"), ~ToUtf8(ToUnicode(0xE9, CharsetByName("windows-1250"))));
	EXPECT_EQ(QtfShow("[{A} [{_} \xc3\xa9]\xe9]"), "\xc3\xa9" + std::string(~ToUtf8(ToUnicode(0xE9, 1))));
	EXPECT_EQ(QtfShow("[{_}{?}{nonesuch} \xc3\xa9]"), "\xc3\xa9"); // unknown codes change nothing

	EXPECT_EQ(sRun("[%% x]").language, LNG_ENGLISH);
	EXPECT_EQ(sRun("[%CS-CZ x]").language, LNG_CZECH);
	EXPECT_EQ(sRun("[%CS-CZ%- x]").language, 0);
	EXPECT_EQ(sRun("[%cs_cz x]").language, LNG_CZECH);
	// a code reads no further than its letters: a language alone, a letter, or none at all
	EXPECT_EQ(sRun("[%CS;-c x]").language, LNG_CZECH & LNG_NO_COUNTRY);
	EXPECT_TRUE(sRun("[%CS;-c x]").IsStrikeout() && sRun("[%CS;-c x]").capitals);
	EXPECT_EQ(sRun("[%CS*x y]").language, LNG_CZECH & LNG_NO_COUNTRY);
	EXPECT_TRUE(sRun("[%CS*x y]").IsBold() && sRun("[%C* x]").IsBold() && sRun("[%* x]").IsBold());
	EXPECT_EQ(sRun("[%C* x]").language, 0);
	// what a letter beyond Z was written with is a code of none, read whole
	RichPara::CharFormat garbage = sRun("[%A[-BC x]");
	EXPECT_TRUE(garbage.language == 0 && garbage.GetFace() == RichPara::CharFormat().GetFace() && !garbage.IsStrikeout());
	// the text after a short code is text
	RichText doc = ParseQtf("[s0; first [%EN marked words][/  rest]&][s0; next]");
	EXPECT_EQ(QtfShow(doc), "first marked words rest|next");
	EXPECT_EQ(QtfPara(doc, 0).part[1].format.language, LNG_ENGLISH & LNG_NO_COUNTRY);
	EXPECT_EQ(QtfPara(doc, 0).part[2].format.language, 0);
}

TEST(QtfReader, CharacterAndParagraphCommands)
{
	RichPara::CharFormat f = sRun("[*/_-Tcd`CI`;x;^a`^b^ x]");
	EXPECT_TRUE(f.IsBold() && f.IsItalic() && f.IsUnderline() && f.IsStrikeout() && f.IsNonAntiAliased());
	EXPECT_TRUE(f.capitals && f.dashed && f.sscript == 1 && f.GetFace() == Font::MONOSPACE);
	EXPECT_TRUE(f.link == "a^b" && f.indexentry == WString(";x"));
	EXPECT_EQ(sRun("[`` x]").sscript, 0);
	EXPECT_EQ(sRun("[`, x]").sscript, 2);
	// "g": face 0 and a height whose pixels are positive
	f = sRun("[g x]");
	EXPECT_TRUE(f.GetFace() == 0 && f.GetHeight() * 96 / 600 > 0);
	EXPECT_EQ(sRun(~Format("[.%d x]", Font::GetFaceCount() - 1)).GetFace(), Font::GetFaceCount() - 1);
	EXPECT_EQ(sRun("[!DejaVu Sans Mono! x]").GetFace(), Font::FindFaceName("DejaVu Sans Mono"));

	RichPara::Format p = sFormat("[>l10;r20;i-5;H3;h6L1;b7;a8;t99;PFkKQO9;pd:l`:b:n(;m);N1a! x]");
	EXPECT_TRUE(p.align == RichPara::RIGHT && p.lm == 10 && p.rm == 20 && p.indent == -5 && p.ruler == 3);
	EXPECT_TRUE(p.rulerink == Color(255, 0, 0) && p.rulerstyle == 1 && p.before == 7 && p.after == 8);
	EXPECT_TRUE(p.tabsize == 99 && p.newpage && p.fflag && p.keep && p.keepnext && p.orphan);
	EXPECT_TRUE(p.bullet == RichPara::BULLET_TEXT && p.linespacing == RichPara::LSP_DOUBLE && p.label == "l:b");
	EXPECT_TRUE(p.before_number == "(" && p.after_number == ")" && p.reset_number);
	EXPECT_TRUE(p.number[0] == RichPara::NUMBER_1 && p.number[1] == RichPara::NUMBER_a && p.number[2] == 0);
	EXPECT_TRUE(sFormat("[Ox;o x]").bullet == 1 && sFormat("[o x]").indent == 150 && sFormat("[pq x]").linespacing == 0);
	// tabs: a first ">" aligns right, a second one counts from the right edge
	p = sFormat("[~100~>200~~~_400~=-500; x]");
	ASSERT_EQ(p.tab.GetCount(), 2);
	EXPECT_TRUE(p.tab[0].pos == 400 && p.tab[0].fillchar == RichPara::FILL_UNDERLINE);
	EXPECT_TRUE(p.tab[1].pos == 500 && p.tab[1].align == RichPara::CENTER && p.tab[1].fillchar == RichPara::FILL_HYPHENS);
	p = sFormat("[~>.>300 x]");
	EXPECT_TRUE(p.tab[0].pos == 300 + RichPara::TAB_RIGHTPOS && p.tab[0].align == RichPara::RIGHT);
	p = sFormat("[tPhead`^^^foot^^ x]");
	EXPECT_TRUE(p.newhdrftr && p.header_qtf == "head^" && p.footer_qtf == "foot");
}

// A block's start copies only the character format when its level last copied the enclosing
// block unchanged and changed no paragraph field since: every other case must copy it all.
TEST(QtfReader, BlocksTakeTheEnclosingFormatAsItIsNow)
{
	RichText doc = ParseQtf("[l100 [* a][/ b]&[* c][l50 d&][_ e&]][l200 [* f]&][* g&][l300 [/ h]&][* [l20 i][/ j&]]");
	std::string lms, runs;
	for(int i = 0; i < 7; i++) {
		RichPara p = QtfPara(doc, i);
		lms += std::to_string(p.format.lm) + " ";
		for(const RichPara::Part& q : p.part)
			runs += std::string(q.format.IsBold() ? "*" : "") + (q.format.IsItalic() ? "/" : "") +
			        (q.format.IsUnderline() ? "_" : "") + ~ToUtf8(q.text) + " ";
	}
	EXPECT_EQ(lms, "100 50 100 200 0 300 0 ");
	EXPECT_EQ(runs, "*a /b *c d _e *f *g /h *i */j ");
	// the format a paragraph took, kept when its block starts again, is the last one taken
	EXPECT_EQ(QtfPara(ParseQtf("[l300 a&][l200 c&]["), 2).format.lm, 200);
	// paragraphs of one block store their fields against the style as it is when each ends
	RichText st = ParseQtf("[l50 $$1,0#11111111111111111111111111111111:A]"
	                       "[s1 a&[l100 $$1,0#11111111111111111111111111111111:A]b]");
	EXPECT_EQ(QtfPara(st, 1).format.lm, 50);
}

TEST(QtfReader, StylesWithLocalIndexesNextAndNames)
{
	RichText doc = ParseQtf("[*l50; $$3:Heading][/ $$7,3#0123456789ABCDEF0123456789ABCDEF:Body][s3; h&][s\"Body\" b&][s9; d]");
	const ArrayMap<Uuid, RichStyle>& st = doc.GetStyles();
	ASSERT_EQ(st.GetCount(), 3);
	const RichStyle& heading = st[1];
	EXPECT_TRUE(heading.name == "Heading" && heading.format.IsBold() && heading.format.lm == 50);
	EXPECT_EQ(heading.next, st.GetKey(1)); // no "," : it is its own next
	EXPECT_EQ(st.GetKey(2), ScanUuid("0123456789ABCDEF0123456789ABCDEF"));
	EXPECT_EQ(st[2].next, st.GetKey(1));
	EXPECT_EQ(QtfPara(doc, 0).format.styleid, st.GetKey(1));
	EXPECT_TRUE(QtfPara(doc, 0).part[0].format.IsBold());
	EXPECT_EQ(QtfPara(doc, 1).format.styleid, st.GetKey(2));
	EXPECT_TRUE(QtfPara(doc, 2).format.styleid.IsNull()); // not defined: the default style
	// index 0 without "#" is the default style, and the text goes on in its format
	doc = ParseQtf("[* $$0,0:Default]x");
	EXPECT_TRUE(doc.GetStyles()[0].format.IsBold() && QtfPara(doc, 0).part[0].format.IsBold());
	// any index costs one entry
	doc = ParseQtf("[ $$2000000000,-7:Big][s2000000000; x]");
	EXPECT_EQ(QtfPara(doc, 0).format.styleid, doc.GetStyles().GetKey(1));
}

TEST(QtfReader, ObjectsInEachDataFormAndByNumber)
{
	// "1 2 3 4" as Base64, as text with a doubled backtick, and as high-bit groups
	RichText doc = ParseQtf("@@TestRect:10&20(MSAyIDMgNA==)@@TestRect:30*40/-5\r\n`1 2 ``3`"
	                        "@@TestRect:5*6\x80\xB1\xA0\xB2\x01\xA0\xB3\xA0\xB4\x81\xC1.");
	RichPara p = QtfPara(doc, 0);
	ASSERT_EQ(QtfParaText(p), "@@@.");
	EXPECT_EQ(p.part[0].object.GetData(), Value(String("1 2 3 4")));
	EXPECT_TRUE(p.part[0].object.GetSize() == Size(10, 20) && p.part[0].object.IsKeepRatio());
	EXPECT_EQ(p.part[1].object.GetData(), Value(String("1 2 `3")));
	EXPECT_TRUE(!p.part[1].object.IsKeepRatio() && p.part[1].object.GetYDelta() == -5);
	EXPECT_EQ(p.part[2].object.GetData(), Value(String("1 2 3 4\xc1")));
	EXPECT_EQ(p.part[0].object.GetPhysicalSize(), Size(1, 2));

	int id = RegisterQtfObject(p.part[0].object);
	EXPECT_EQ(QtfShow(~Format("a@@#%dz@@#%dz", id, id + 1000)), "a@zz"); // an unknown number: nothing
	UnregisterQtfObject(id);
	EXPECT_EQ(QtfShow(~Format("a@@#%d", id)), "a");
	EXPECT_EQ(QtfShow("a@@x:1*1()b"), "ab"); // no data: no object
}

TEST(QtfReader, FieldsOfRegisteredTypesOnly)
{
	RichPara p = QtfPara(ParseQtf("a{:VALUE:x`:y:}b{:NONE:z:}c"), 0);
	ASSERT_EQ(p.part.GetCount(), 3);
	EXPECT_TRUE(p.part[1].field == "VALUE" && p.part[1].fieldparam == "x:y");
	EXPECT_EQ(QtfParaText(p), "a{}bc");
}

TEST(QtfReader, TablesAndTheTableThatWaits)
{
	EXPECT_EQ(QtfShow("{{1:1 a:: b:: c}}"), "{a;b/c;}");        // the short row is filled
	EXPECT_EQ(QtfShow("{{1:1 a|| b:: c"), "{a; b/c;}");         // closed at the end
	EXPECT_EQ(QtfShow("x{{1 a}}y"), "x|{a}|y");                 // text places it first
	EXPECT_EQ(QtfShow("{{1 a}}&"), "{a}|");                     // "&" adds no paragraph of its own
	EXPECT_EQ(QtfShow("{{1 a}}@@x:1*1`d`"), "{a}|@");             // so does any content
	EXPECT_EQ(QtfShow("{{1 a}}{{1 b}}"), "{a}|{b}");
	EXPECT_EQ(QtfShow("{{1 a{{1:1 b:: c}}:: d}}"), "{a|{b;c}/d}");

	RichText doc = ParseQtf("{{2:1<5;>6;B7;A8;f9;g3;h1;KPF6G5 a:: x::l5/6t/7=H30;@4R2-1k b:: :: c}}");
	EXPECT_EQ(QtfShow(doc), "{a;x/b;/c;}");
	const RichTable& t = doc.GetTable(0);
	EXPECT_EQ(t.format.column_widths, Vector<int>({6666, 3334}));
	EXPECT_TRUE(t.format.left_margin == 5 && t.format.right_margin == 6 && t.format.before == 7);
	EXPECT_TRUE(t.format.after == 8 && t.format.frame_width == 9 && t.format.grid_width == 3);
	EXPECT_TRUE(t.format.header_rows == 1 && t.format.keep && t.format.new_page);
	EXPECT_TRUE(t.format.frame_color == Color(255, 0, 0) && t.format.grid_color == Color(0, 0, 128));
	const RichCell& b = t.cell[1][0];
	EXPECT_TRUE(b.format.border.left == 5 && b.format.margin.left == 6 && b.format.margin.top == 7);
	EXPECT_TRUE(b.format.valign == 3 && b.format.min_height == 30 && b.format.keep && b.hspan == 1);
	EXPECT_TRUE(b.format.color == Color(0, 128, 0) && b.format.border_color == Color(255, 255, 255));
	EXPECT_FALSE(t.cell[2][0].format.keep);        // cleared for every cell
	EXPECT_EQ(t.cell[2][0].format.min_height, 30); // the rest carries on

	// grid: rows of relative widths; the union of their edges makes the columns
	doc = ParseQtf("++a||b--::2 c||d||::|2 e--f||g++");
	const RichTable& g = doc.GetTable(0);
	EXPECT_EQ(g.format.column_widths, Vector<int>({4000, 1000, 3000, 2000}));
	EXPECT_EQ(QtfShow(doc), "{a;;b;/c;d;;e/f;;g;}|"); // d keeps c's width; e covers two rows
	EXPECT_TRUE(g.cell[0][0].hspan == 1 && g.cell[1][1].hspan == 1 && g.cell[1][3].vspan == 1);
	EXPECT_TRUE(g.format.frame_width == 10 && g.format.grid_width == 10);
	EXPECT_EQ(QtfShow("++a||::0 b||::-3 c++"), "{a;b;c}|"); // widths below 1 count as 1
}

TEST(QtfReader, HeadersFootersPageBreaksAndNesting)
{
	RichText doc = ParseQtf("^H[* head`^]^^^Ffoot^^a^^b{{1 c}}^^{{1 d}}");
	EXPECT_EQ(doc.header_qtf, "[* head^]");
	ASSERT_TRUE(doc.header && doc.footer);
	EXPECT_EQ(QtfShow(*doc.header), "head^");
	EXPECT_EQ(QtfShow(*doc.footer), "foot");
	EXPECT_FALSE(QtfPara(doc, 0).format.newpage);
	EXPECT_TRUE(QtfPara(doc, 1).format.newpage);
	EXPECT_TRUE(!doc.GetTable(2).format.new_page && doc.GetTable(3).format.new_page);

	doc = ParseQtf("{{1T[* th]^^tf^^ x}}");
	ASSERT_TRUE(doc.GetTable(0).header && doc.GetTable(0).format.new_header_footer);
	EXPECT_EQ(QtfShow(*doc.GetTable(0).header), "th");

	// eight nested texts are fine, nine fail, whichever way they nest
	String ok = "x", deep = "x";
	for(int i = 0; i < 8; i++)
		ok = "^H" + ok;
	deep = "[tP" + ok + "^^^^ y]";
	EXPECT_EQ(QtfShow(~ok), "");
	EXPECT_EQ(QtfShow(~deep), "ERROR: Nesting too deep:  y]");
	doc = ParseQtf(~("a^H" + ok));
	EXPECT_TRUE(doc.header_qtf.IsEmpty() && !doc.header); // what failed is no header
	EXPECT_EQ(QtfShow(doc), "ERROR: Nesting too deep."); // "a" was not placed yet
	String open, close;
	for(int i = 0; i < 4096; i++) {
		open << "[ ";
		close << "]";
	}
	EXPECT_EQ(QtfShow(~(open + "x" + close)), "x");
	EXPECT_EQ(QtfShow(~(open + "[ x]" + close)).substr(0, 24), "ERROR: Nesting too deep:");
}

namespace {

// The text of the innermost table's first cell, and how many tables lead there.
std::string sInnermost(const RichText& doc, int& depth)
{
	const RichTxt* t = &doc;
	depth = 0;
	for(int i = 0; i < t->GetPartCount(); i++)
		if(t->IsTable(i)) {
			t = &t->GetTable(i).cell[0][0].text;
			depth++;
			i = -1;
		}
	return QtfShow(*t, doc.GetStyles());
}

} // namespace

TEST(QtfReader, TablesPastTheBoundAreReadAsParagraphs)
{
	String open; // up to the bound but one
	for(int i = 1; i < QTF_MAX_TABLE_DEPTH; i++)
		open << "{{1 ";
	struct Case {
		const char* qtf;
		const char* shown;
		int         depth;
	} cases[] = {
		{"++a||b++", "a", QTF_MAX_TABLE_DEPTH}, // a grid table counts as one
		{"{{1 a{{1:1 b:: c||d--e}}f}}", "a|b|c|d|e|f", QTF_MAX_TABLE_DEPTH},
		{"{{1 a{{1 b{{1 c}}d}}e", "a|b|c|d|e", QTF_MAX_TABLE_DEPTH}, // closed at the end too
		{"{{1 a++b||c--::2 d++e}}", "a|b|c|d|e", QTF_MAX_TABLE_DEPTH},
		{"{{1 {{1 a}}}}", "a", QTF_MAX_TABLE_DEPTH},        // no empty paragraph after it,
		{"{{1 {{1 a}}[* ]&b}}", "a|b", QTF_MAX_TABLE_DEPTH}, // as after a table made
		{"{{1 {{1 a:: :: ||[* b]}}}}", "a|b", QTF_MAX_TABLE_DEPTH}, // empty cells add nothing
		{"{{1 {{1 ++a{{1 b", "ERROR: {{ in ++ table: 1 b", 0}, // a table that is no table
	};
	for(const Case& c : cases) {
		int depth;
		EXPECT_EQ(sInnermost(ParseQtf(~(open + c.qtf)), depth), c.shown) << c.qtf;
		EXPECT_EQ(depth, c.depth) << c.qtf;
	}
}

TEST(QtfReader, ErrorParagraphs)
{
	struct Case {
		const char* qtf;
		const char* shown;
	} cases[] = {
		{"]abc", "ERROR: Unmatched ']': abc"},
		{"a]", "aERROR: Unmatched ']'."},
		{"[*", "ERROR: Unexpected end of text."},
		{"[O", "ERROR: Unexpected end of text."},
		{"[p", "ERROR: Unexpected end of text."},
		{"{{1 a::b}}", "ERROR: Invalid cell format: }}"},
		{"{{1 a::\x7f ", "ERROR: Invalid cell format: \x7f "},
		{"{{1 a::", "ERROR: Unexpected end of text in cell format."},
		{"x\xc3(y", "ERROR: Invalid UTF-8 sequence: (y"}, // text not yet placed goes
		{"[.-1 x]", "ERROR: Invalid face number:  x]"},
		{"x::y", "x|ERROR: Not in table: y"},
		{"x||y", "x|ERROR: Not in table: y"},
		{"x}}y", "x|ERROR: Not in table: y"},
		{"[ $$1#12]", "ERROR: Invalid UUID !: 12]"},
		{"@@a:1*x", "ERROR: Expected number: x"},
		{"[sx a]", "ERROR: Expected number: x a]"},
		{"[~>.x a]", "ERROR: Expected number: x a]"},
		{"{{1:x a}}", "ERROR: Expected number: x a}}"},
		{"{{1<x a}}", "ERROR: Expected number: x a}}"},
		{"{{1 a::Hx b}}", "ERROR: Expected number: x b}}"},
		{"++a{{1 b}}++", "ERROR: {{ in ++ table: 1 b}}++"},
		{"++a}}++", "ERROR: }} in ++ table: ++"},
		{"x{{1 a}}]", "x|{a}|ERROR: Unmatched ']'."},       // the table closed before stays
		{"\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9]",
		 "\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9"
		 "ERROR: Unmatched ']'."},
		{"]\x01" "a\tb", "ERROR: Unmatched ']': ab"},
		{"][\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9",
		 "ERROR: Unmatched ']': [\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9"},
	};
	for(const Case& c : cases)
		EXPECT_EQ(QtfShow(c.qtf), c.shown) << c.qtf;
	RichPara::CharFormat f = sRun("]");
	EXPECT_TRUE(f.IsBold() && f.IsUnderline() && f.GetHeight() == 84 && f.GetFace() == Font::SANSSERIF);
	EXPECT_TRUE(f.ink == Color(128, 0, 0) && f.paper.IsNull());

	// 60 kB of grid text would ask for 100 million cells
	String grid = "++";
	for(int i = 1; i <= 300; i++)
		grid << "::" << i << " x||::" << 10000 - i << " x--";
	EXPECT_EQ(QtfShow(~(grid + "++")), "ERROR: table.");
}

// The well-formed sequences of UTF-8 (the Unicode Standard, chapter 3) at the edges of every
// range, and the malformed kinds next to them: overlong forms, lone and unexpected bytes, cut
// sequences, values past U+10FFFF. Surrogates and the non-characters U+FFFE/U+FFFF pass; the
// 256 codes from U+EE00 are refused, as 8-bit charsets use them for undefined bytes.
TEST(QtfReader, Utf8DecoderStressCases)
{
	struct Case {
		const char* bytes;
		int         code; // -1: "Invalid UTF-8 sequence"
	} cases[] = {
		{"\x7f", 0x7F}, {"\xc2\x80", 0x80}, {"\xdf\xbf", 0x7FF}, {"\xe0\xa0\x80", 0x800},
		{"\xe0\xbf\xbf", 0xFFF}, {"\xe1\x80\x80", 0x1000}, {"\xec\xbf\xbf", 0xCFFF},
		{"\xed\x80\x80", 0xD000}, {"\xed\x9f\xbf", 0xD7FF}, {"\xed\xa0\x80", 0xD800}, {"\xed\xbf\xbf", 0xDFFF},
		{"\xee\x80\x80", 0xE000}, {"\xee\xb7\xbf", 0xEDFF}, {"\xee\xb8\x80", -1}, {"\xee\xbb\xbf", -1},
		{"\xee\xbc\x80", 0xEF00}, {"\xef\xbf\xbe", 0xFFFE}, {"\xef\xbf\xbf", 0xFFFF},
		{"\xf0\x90\x80\x80", 0x10000}, {"\xf0\xbf\xbf\xbf", 0x3FFFF}, {"\xf1\x80\x80\x80", 0x40000},
		{"\xf3\xbf\xbf\xbf", 0xFFFFF}, {"\xf4\x80\x80\x80", 0x100000}, {"\xf4\x8f\xbf\xbf", 0x10FFFF},
		{"\xf4\x90\x80\x80", -1}, {"\xf7\xbf\xbf\xbf", -1}, {"\xf8\x88\x80\x80\x80", -1},
		{"\xfc\x84\x80\x80\x80\x80", -1}, {"\xfe", -1}, {"\xff", -1},
		// overlong forms of "/" and of the largest values each length would take
		{"\xc0\xaf", -1}, {"\xe0\x80\xaf", -1}, {"\xf0\x80\x80\xaf", -1}, {"\xc1\xbf", -1},
		{"\xe0\x9f\xbf", -1}, {"\xf0\x8f\xbf\xbf", -1}, {"\xc0\x80", -1},
		// continuations without a lead, leads without (all) continuations
		{"\x80", -1}, {"\xbf", -1}, {"\x80\xbf", -1}, {"\xc2 ", -1}, {"\xe0\xa0 ", -1},
		{"\xf0\x90\x80 ", -1}, {"\xc2", -1}, {"\xe1\x80", -1}, {"\xf1\x80\x80", -1}, {"\xc2\xc2\x80", -1},
	};
	for(const Case& c : cases) {
		std::string shown = QtfShow(~("[{_} " + String(c.bytes) + "]"));
		if(c.code < 0)
			EXPECT_EQ(shown.substr(0, 29), "ERROR: Invalid UTF-8 sequence") << Hex(c.bytes);
		else // stored text holds no surrogates
			EXPECT_EQ(ToUtf32(shown.c_str())[0], c.code >= 0xD800 && c.code <= 0xDFFF ? 0xFFFD : c.code) << Hex(c.bytes);
	}
}
