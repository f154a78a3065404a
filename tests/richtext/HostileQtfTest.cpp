// Small QTF texts that once took memory or time out of all proportion: what many paragraphs or
// runs inherit (a header text, a label, tab stops, a link) and a paragraph of very many tab
// stops. Each is read, laid out, painted and written back in a child under a limit of 64 times
// its size plus a little; what is written reads back as the same document.
#include "QtfCompare.h"

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
	RichText doc = ParseQtf(q);
	doc.GetHeight(Zoom(1, 1), 5000);
	PaintAllDraw w;
	SimplePageDraw pw(w);
	doc.Paint(pw, PagePos(0, 0), Rect(0, 0, 5000, 7000), RichPaintInfo());
	String out = AsQTF(doc);
	return out.GetLength() < int64(written_per_byte) * q.GetLength() + 1000 &&
	       ParseQtf(out).GetPartCount() == doc.GetPartCount();
}

// The limit in megabytes for a text: 64 times its size and what reading any text takes.
long sLimit(const String& q)
{
	return 48 + (64L * q.GetLength() >> 20);
}

void sExpectBounded(const String& q, const char* name, int written_per_byte = 4)
{
	ASSERT_GT(q.GetLength(), 1000) << name;
	ASSERT_TRUE(sAllSteps("[A [:l: x&y]]")); // fonts and caches of the process made before the limit
	QEL_EXPECT_BOUNDED(sLimit(q), 3, sAllSteps(q, written_per_byte) ? (void)0 : abort());
	if(testing::Test::HasFailure()) // what took too much there would here too
		return;
	RichText doc = ParseQtf(q); // comparing takes longer than the steps
	EXPECT_EQ(QtfDifference(doc, ParseQtf(AsQTF(doc))), "") << name;
}

void sExpectBounded(const char* name)
{
	sExpectBounded(sHostile(name), name);
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
}
