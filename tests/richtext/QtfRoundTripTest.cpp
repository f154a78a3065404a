// The round trip on a corpus: for every text q, W(P(q)) == W(P(W(P(q)))) byte for byte and
// P(q), P(W(P(q))) equal part by part. The corpus: the markup's own examples, generated texts
// using every command with random operands, and real documents (tests/data/qtf).
#include "QtfCompare.h"
#include "QtfGenerator.h"
#include "RichTestTypes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

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
			EXPECT_EQ(QtfRoundTripFault(q, options), "") << q;
	for(unsigned seed = 0; seed < 600; seed++) {
		std::string q = QtfGenerator(seed).Document(6);
		EXPECT_EQ(QtfRoundTripFault(q.c_str(), seed % 2 ? QTF_OPT_BODY : QTF_OPT_BODY | QTF_OPT_LINE_BREAKS), "")
			<< "seed " << seed << ": " << q;
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
