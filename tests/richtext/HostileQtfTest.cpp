// Small QTF texts that once took memory or time out of all proportion: what many paragraphs or
// runs inherit (a header text, a label, tab stops, a link) and a paragraph of very many tab
// stops. Each is read, laid out, painted and written back (with styles in UTF-8, and without
// in an 8-bit set) in a child under a limit of 64 times its size plus a little; what is written
// reads back as the same document.
#include "QtfCompare.h"
#include "QtfGenerator.h"

#include <Hostile.h>
#include <draw/canvas/NilDraw.h>
#include <richtext/paint/RichPaint.h>

#include <gtest/gtest.h>

using namespace Qel;
using namespace QelTest;

namespace {

// Draws nothing, but everywhere: every line is painted.
class PaintAllDraw : public NilDraw {
public:
	bool IsPaintingOp(const Rect&) const override { return true; }
};

String sHostile(const char* name)
{
	return LoadFile(String(QEL_TEST_DATA "/richtext/hostile/") + name);
}

// Every step once; false when what is written is more than written_per_byte times q.
bool sAllSteps(const String& q, int written_per_byte = 4)
{
	String out;
	int parts;
	{
		RichText doc = ParseQtf(q);
		doc.GetHeight(Zoom(1, 1), 5000);
		PaintAllDraw w;
		SimplePageDraw pw(w);
		doc.Paint(pw, PagePos(0, 0), Rect(0, 0, 5000, 7000), RichPaintInfo());
		out = AsQTF(doc);
		parts = doc.GetPartCount();
		QtfForm bare = QtfForms().back(); // without styles in an 8-bit set
		if(AsQTF(doc, bare.charset, bare.options).GetLength() >= int64(written_per_byte) * q.GetLength() + 1000)
			return false;
	} // what is read back is held alone
	return out.GetLength() < int64(written_per_byte) * q.GetLength() + 1000 &&
	       ParseQtf(out).GetPartCount() == parts;
}

// The limit in megabytes for a text: 64 times its size and what reading any text takes.
long sLimit(const String& q, long base = 48)
{
	return base + (64L * q.GetLength() >> 20);
}

void sExpectBounded(const String& q, const char* name, int written_per_byte = 4, long base = 48)
{
	ASSERT_GT(q.GetLength(), 1000) << name;
	ASSERT_TRUE(sAllSteps("[A [:l: x&y]]")); // fonts and caches of the process made before the limit
	QEL_EXPECT_BOUNDED(sLimit(q, base), 3, sAllSteps(q, written_per_byte) ? (void)0 : abort());
	if(testing::Test::HasFailure()) // what took too much there would here too
		return;
	RichText doc = ParseQtf(q); // comparing takes longer than the steps
	EXPECT_EQ(QtfDifference(doc, ParseQtf(AsQTF(doc))), "") << name;
	QtfForm bare = QtfForms().back();
	EXPECT_EQ(QtfDifference(doc, ParseQtf(AsQTF(doc, bare.charset, bare.options)), false), "") << name;
}

void sExpectBounded(const char* name)
{
	sExpectBounded(sHostile(name), name);
}

// Generated text q, read as doc: written in proportion, read back as written (with styles in
// UTF-8 and in one of the other forms), and written alike from the stored and from the unpacked
// paragraphs.
void sExpectGeneratedWritten(const std::string& q, const RichText& doc, unsigned seed)
{
	std::vector<QtfForm> forms = QtfForms(seed % 2 ? QTF_OPT_BODY : QTF_OPT_BODY | QTF_OPT_LINE_BREAKS);
	for(QtfForm f : {forms[0], forms[1 + seed / 2 % 3]}) {
		EXPECT_LT(AsQTF(doc, f.charset, f.options).GetLength(), 16 * int64(q.size()) + 1000) << "seed " << seed << ": " << q;
		EXPECT_EQ(QtfWrittenRoundTripFault(doc, f.options, f.charset), "") << "seed " << seed << ": " << q;
	}
	for(int options : {int(QTF_OPT_BODY), QTF_OPT_BODY | QTF_OPT_NO_STYLES}) {
		String w = AsQTF(doc, CHARSET_UTF8, options);
		String b = AsQTF(doc, CHARSET_UTF8, options | QTF_OPT_LINE_BREAKS);
		b.Replace("\r\n", "");
		EXPECT_EQ(w, b) << "seed " << seed << ": " << q;
	}
}

} // namespace

TEST(HostileQtf, HeaderTextInheritedByParagraphs)
{
	sExpectBounded("hdr_paras_16000.qtf");
}

TEST(HostileQtf, LabelInheritedByParagraphs)
{
	sExpectBounded("label_paras_64000.qtf");
}

TEST(HostileQtf, TabStopsInheritedByParagraphs)
{
	sExpectBounded("tabs_paras_10000.qtf");
}

TEST(HostileQtf, LinkOverManyRuns)
{
	sExpectBounded("link_runs_64000.qtf");
}

TEST(HostileQtf, ManyTabStopsInOneParagraph)
{
	sExpectBounded("tabstops_100000.qtf");
}

// Each block copies the stops it inherits before it adds its own. The stops a text makes are held
// to four a byte, each written back in a few bytes.
TEST(HostileQtf, TabStopsAddedByNestedOrRepeatedBlocks)
{
	String nested, deep, repeated = "[";
	for(int i = 0; i < 100000; i++)
		nested << "[~1 ";
	for(int i = 0; i < 8000; i++)
		deep << "[~" << 100 + i << " x&";
	for(int i = 0; i < 3000; i++)
		repeated << "~" << 100 + i;
	repeated << " ";
	for(int i = 0; i < 4000; i++)
		repeated << "[~1 x&]";
	sExpectBounded(nested, "nested", 32);
	sExpectBounded(deep, "deep", 32);
	sExpectBounded(repeated + "]", "repeated", 32);
}

// What neighbours share is written once, where it starts to apply; paragraphs or runs that
// differ from it say so in their own block.
TEST(HostileQtf, SharedFormatsWrittenOnce)
{
	auto body = [](const char* q) {
		String w = AsQTF(ParseQtf(q));
		int at = w.Find("[{_} ");
		return std::string(~w.Mid(at + 5, w.GetLength() - at - 6));
	};
	EXPECT_EQ(body("[:L: a&b&[:M: c&]d]"), "[s0;:L: [ a&][ b&]][s0;:M: c&][s0;:L: d]");
	EXPECT_EQ(body("[~100~200 a&b&]c"), "[s0;~~~100~200; [ a&][ b&]][s0; c]");
	EXPECT_EQ(body("[^L^ a[* b]c]"), "[s0; [^L^ a[* b]c]]");
	EXPECT_EQ(body("[^L^ a[^M^ b]c[^M^ d]]"), "[s0;^L^ a[^M^ b]c[^M^ d]]");
	EXPECT_EQ(body("[:L: a&[:: b]]"), "[s0;:L: a&][s0; b]");
	// c's mark has no link either: the paragraph's block says so for its run too
	EXPECT_EQ(body("[^Link^ a&b&[^^ c&]d]"), "[s0;^Link^ [ a&][ b&][^^ c&][ d]]");
	EXPECT_EQ(body("[IIndex; a&b&]c"), "[s0;IIndex; [ a&][ b&]][s0; c]");
}

TEST(HostileQtf, LinkInheritedByParagraphs)
{
	sExpectBounded(sHostile("link_paras_2000.qtf"), "link_paras_2000.qtf", 16);
}

// A long link and index entry over paragraphs of text of their own, each of which changes its
// style between runs and back.
TEST(HostileQtf, LongLinkAndIndexEntryOverRestyledParagraphs)
{
	String q = "[* $$1:One][^" + String('k', 16000) + "^I" + String('m', 8000) + "; ";
	for(int i = 0; i < 2000; i++)
		q << "x" << i << "[s1 y]&";
	sExpectBounded(q + "]", "restyled", 16);
}

TEST(HostileQtf, LinkInheritedByParagraphsFuzzed)
{
	sExpectBounded(sHostile("qtf_parse-link-blowup").Mid(1), "qtf_parse-link-blowup", 16); // after the key byte
}

// A link or an index entry set around many paragraphs is written once for them: also when some
// between want another one or none, when such blocks nest, with links of runs inside, and around
// and within tables.
TEST(HostileQtf, LinksOverParagraphsInEveryShape)
{
	String k('k', 1000), m('m', 700);
	auto times = [](const String& s, int n) {
		String r;
		for(int i = 0; i < n; i++)
			r << s;
		return r;
	};
	sExpectBounded("[^" + k + "^I" + m + "; " + times("[* y]x&", 300) + "]", "link and index entry", 16);
	sExpectBounded("[^" + k + "^ [I" + m + "; " + times("a&[^^ b&][s0; c&][I; d&]", 100) + "]]", "interrupted", 16);
	sExpectBounded("[^" + k + "^ " + times("a&[^mm^ b&[^n^ c]d&e&]f[^o^ g]&", 100) + "]", "nested", 16);
	sExpectBounded("[^" + k + "^ " + times("a&{{1:1 b&c:: [^n^ d&e]}}&", 100) + "]", "around tables", 16);
	sExpectBounded("{{1:1 [^" + k + "^ " + times("a&[^^ b&]", 200) + "]:: x}}", "within a table", 16);
}

namespace {

// Runs of 40 or more of one letter, which Linked makes its long links of, as the letter and the
// run's length: as distinct as the runs, and short enough to be held in a paragraph's own form.
String sShortened(const String& s)
{
	String r;
	for(int i = 0, j; i < s.GetLength(); i = j) {
		for(j = i; j < s.GetLength() && s[j] == s[i]; j++)
			;
		if(j - i >= 40 && isalpha(byte(s[i])))
			r << s[i] << j - i;
		else
			r << s.Mid(i, j - i);
	}
	return r;
}

// Links and index entries shortened; an error quotes the text after it, so only its message
// is kept.
void sShorten(RichPara::CharFormat& f, Array<RichPara::Part>& part)
{
	f.link = sShortened(f.link);
	f.indexentry = ToUtf32(sShortened(ToUtf8(f.indexentry)));
	for(RichPara::Part& p : part) {
		sShorten(p.format, p.fieldpart);
		int q = p.text.Find(WString("ERROR: "));
		if(q >= 0 && (q = p.text.Find(':', q + 7)) >= 0)
			p.text.Trim(q);
	}
}

// Every paragraph stored again with its links, index entries and label shortened.
class ShortenOp : public RichTxt::ParaOp {
	const ArrayMap<Uuid, RichStyle>& styles;

public:
	explicit ShortenOp(const ArrayMap<Uuid, RichStyle>& styles) : styles(styles) {}
	bool operator()(RichTxt::Para& pp) override
	{
		const RichPara::Format& style = GetStyle(styles, pp.style).format;
		RichPara p;
		p.Unpack(pp.head, pp.content, pp.objects, pp.aside.get(), style);
		p.format.label = sShortened(p.format.label);
		sShorten(p.format, p.part);
		pp.head.Clear();
		pp.content = p.Pack(style, pp.objects);
		pp.aside.reset();
		pp.length = p.GetLength();
		return true;
	}
};

RichText sShortened(const RichText& doc)
{
	RichText r(doc);
	ShortenOp op(r.GetStyles());
	r.Update(op);
	return r;
}

} // namespace

// Blocks that each add a stop or two to the many stops of a block around them, as they come,
// nested, between blocks that clear them or set others, and each on the one before as deep as
// a reader goes: each paragraph has a list of its own.
TEST(HostileQtf, StopsAddedOverParagraphsInEveryShape)
{
	auto stops = [](int n) {
		String t = "~~";
		for(int i = 0; i < n; i++)
			t << "~" << 100 + i;
		return t;
	};
	String t = stops(400), added, nested, cleared, others, many = "[" + stops(2000) + " ";
	for(int i = 0; i < 1000; i++)
		added << "[~" << 5 + i % 3 << " a" << i << "&]";
	for(int i = 0; i < 300; i++)
		nested << "[~" << 5 + i % 3 << " a&[~" << 7 + i % 5 << " b&]c&]";
	for(int i = 0; i < 500; i++)
		cleared << "[~" << 5 + i % 3 << " a&][~~ b&]";
	for(int i = 0; i < 400; i++)
		others << "[~" << 5 + i % 3 << " a&][~~~9 b&][~~~8 c&]";
	for(int i = 0; i < 4000; i++)
		many << "[~" << 5 + i % 3 << " a&]";
	sExpectBounded("[" + t + " " + added + "]", "added", 16);
	sExpectBounded("[" + t + " " + nested + "]", "nested", 16);
	sExpectBounded("[" + t + " " + cleared + "]", "cleared", 16);
	sExpectBounded("[" + t + " " + others + "]", "other stops between", 16);
	sExpectBounded(many + "]", "many", 16);
	// each block adding one to those of the block around it, as deep as a reader goes
	String chain, long_chain;
	for(int i = 0; i < 2000; i++)
		chain << "[~" << i % 10 << " &";
	for(int i = 0; i < 600; i++)
		long_chain << "[~>." << 1000000000 + i << " &";
	sExpectBounded(chain + String(']', 2000), "chain", 16);
	sExpectBounded(long_chain + String(']', 600), "long chain", 16);
}

// Generated texts of such blocks, however they nest: written in proportion, read back as
// written, and written alike from the stored and from the unpacked paragraphs. Their paragraphs
// hold what the same text with every long link shortened does, but for the links.
TEST(HostileQtf, GeneratedLinksOverParagraphs)
{
	for(unsigned seed = 0; seed < 60; seed++) {
		std::string q = QtfGenerator(seed).Linked(30);
		RichText doc = ParseQtf(q.c_str());
		EXPECT_EQ(QtfDifference(sShortened(doc), sShortened(ParseQtf(sShortened(String(q.c_str()))))), "")
			<< "seed " << seed << ": " << q;
		sExpectGeneratedWritten(q, doc, seed);
	}
}

// A long label or tab stops over a thousand stretches of paragraphs, each stretch ended by a
// paragraph that clears them.
TEST(HostileQtf, LongFieldsInterruptedByParagraphs)
{
	sExpectBounded(sHostile("label_interrupted_1000.qtf"), "label_interrupted_1000.qtf", 16);
	sExpectBounded(sHostile("tabs_interrupted_1000.qtf"), "tabs_interrupted_1000.qtf", 16);
}

// A label, tab stops, header or numbering texts set around many paragraphs are written once
// for them: also when paragraphs between clear them, set their style or add to them, when they
// are shared by paragraphs that differ in another one, when such blocks alternate or nest,
// and around and within tables.
TEST(HostileQtf, LongFieldsOverParagraphsInEveryShape)
{
	String l(String('l', 2000)), h(String('h', 2000)), t("~~");
	for(int i = 0; i < 400; i++)
		t << "~" << 100 + i;
	auto times = [](const String& s, int n) {
		String r;
		for(int i = 0; i < n; i++)
			r << s;
		return r;
	};
	String style = "[ $$1,0#11111111111111111111111111111111:Other]";
	sExpectBounded("[:" + l + ": " + times("a&[:: b&]c&[:x: d&]", 150) + "]", "label", 16);
	sExpectBounded("[" + t + " " + times("a&[~~ b&]c&[~~~5 d&]", 150) + "]", "tab stops", 16);
	sExpectBounded(style + "[tP" + h + "^^" + h + "^^ " + times("a&[s0 b&]c&[s1 d&]", 150) + "]", "header", 16);
	sExpectBounded("[n" + h + ";m" + h + "; " + times("a&[n; b&]c&[N1; d&]", 150) + "]", "numbering", 16);
	sExpectBounded("[:" + l + ":" + t + " " + times("[~~~1 a&b&][~~~2 c&d&][:: e&]", 100) + "]", "alternating", 16);
	sExpectBounded("[" + t + " " + times("[:x: a&[:y: b&[:z: c&]d&]e&]", 100) + "]", "nested", 16);
	sExpectBounded(style + "[:" + l + ":tP" + h + "^^^^ " + times("a&{{1:1 b:: [s1 c]}}&", 100) + "]", "around tables", 16);
	sExpectBounded("{{1:1 [n" + h + "; " + times("a&[n; b&]", 200) + "]:: x}}", "within a table", 16);
}

// Generated texts of such blocks, however they nest: written in proportion, read back as
// written, and written alike from the stored and from the unpacked paragraphs.
TEST(HostileQtf, GeneratedLongFieldsOverParagraphs)
{
	for(unsigned seed = 0; seed < 40; seed++) {
		std::string q = QtfGenerator(seed).Fielded(40);
		RichText doc = ParseQtf(q.c_str());
		sExpectGeneratedWritten(q, doc, seed);
	}
}
