// Text on a painter: glyph outlines into the path, runs of characters, underline and strikeout.
// The program runs on the private DejaVu font set (see CMakeLists.txt).
#include "RecordingPainter.h"

#include <Core/text/WString.h>

#include <gtest/gtest.h>

#include <cmath>

using namespace Qel;
using QelTest::RecordingPainter;

using Calls = std::vector<std::string>;

namespace {

// The font layer's outline, written in the recorder's notation.
class RecordingGlyphs : public FontGlyphConsumer {
public:
	Calls calls;
	using R = RecordingPainter;
	void Move(Pointf p) override                       { calls.push_back("Move" + R::P(p)); }
	void Line(Pointf p) override                       { calls.push_back("Line" + R::P(p)); }
	void Quadratic(Pointf p1, Pointf p) override       { calls.push_back("Quadratic" + R::P(p1) + R::P(p)); }
	void Cubic(Pointf p1, Pointf p2, Pointf p) override { calls.push_back("Cubic" + R::P(p1) + R::P(p2) + R::P(p)); }
	void Close() override                              { calls.push_back("Close"); }
};

Calls sRendered(Font f, double x, double y, int ch)
{
	RecordingGlyphs g;
	f.Render(g, x, y, ch);
	return g.calls;
}

int sCount(const Calls& c, const char* prefix)
{
	int n = 0;
	for(const std::string& s : c)
		n += s.rfind(prefix, 0) == 0;
	return n;
}

// The x of every CharacterOp in a recording.
std::vector<double> sCharX(const Calls& c)
{
	std::vector<double> x;
	for(const std::string& s : c)
		if(s.rfind("Character(", 0) == 0)
			x.push_back(atof(s.c_str() + 10));
	return x;
}

// A painter whose characters are recorded but whose path calls are real for TextOp's bars.
struct CharPainter : RecordingPainter {
	void CharacterOp(const Pointf& p, int ch, Font f) override
	{
		RecordingPainter::CharacterOp(p, ch, f);
		fonts.push_back(f);
	}
	std::vector<Font> fonts;
};

} // namespace

TEST(PaintCharPath, ForwardsEveryOutlineCall)
{
	RecordingPainter p;
	PaintCharPath pw;
	pw.sw = &p;
	FontGlyphConsumer& g = pw;
	g.Move(Pointf(1, 2));
	g.Line(Pointf(3, 4));
	g.Quadratic(Pointf(5, 6), Pointf(7, 8));
	g.Cubic(Pointf(1, 1), Pointf(2, 2), Pointf(3, 3));
	g.Close();
	EXPECT_EQ(p.calls, Calls({"Move(1,2)", "Line(3,4)", "Quadratic(5,6)(7,8)", "Cubic(1,1)(2,2)(3,3)", "Close"}));
}

TEST(PaintCharacter, OutlineAtThePointThenEvenOdd)
{
	Font f(Font::SANSSERIF, 20);
	for(int ch : {int('o'), int('B'), 0x0161 /* s with caron */}) {
		RecordingPainter p;
		PaintCharacter(p, Pointf(10.5, 20), ch, f);
		Calls want = sRendered(f, 10.5, 20, ch);
		ASSERT_FALSE(want.empty()) << ch;
		want.push_back("EvenOdd1");
		EXPECT_EQ(p.calls, want) << ch;
	}
	RecordingPainter p;
	PaintCharacter(p, Pointf(0, 0), 'o', f);
	EXPECT_EQ(sCount(p.calls, "Move"), 2); // outer and inner contour
	EXPECT_EQ(sCount(p.calls, "Close"), 2);
	p.calls.clear();
	PaintCharacter(p, Pointf(0, 0), ' ', f);
	EXPECT_EQ(p.calls, Calls{"EvenOdd1"});
}

TEST(PaintCharacter, ReplacementFaceSharesTheBaseline)
{
	// A symbol one DejaVu face lacks and another has: drawn in the other, baselines agreeing.
	const int faces[] = { Font::SERIF, Font::MONOSPACE, Font::SANSSERIF };
	const int chars[] = { 0x2601, 0x2602, 0x2603, 0x263A, 0x2654, 0x2665, 0x2680, 0x2708, 0x2744, 0x1F600, 0x2B50 };
	int tested = 0;
	for(int face : faces)
		for(int ch : chars) {
			Font f(face, 24);
			GlyphInfo gi = GetGlyphInfo(f, ch);
			if(!gi.IsReplaced())
				continue;
			Font rf = f.Resolved();
			rf.Face(gi.lspc).Height(gi.rspc);
			RecordingPainter p;
			PaintCharacter(p, Pointf(3, 4), ch, f);
			Calls want = sRendered(rf, 3, 4 + f.GetAscent() - rf.GetAscent(), ch);
			want.push_back("EvenOdd1");
			EXPECT_EQ(p.calls, want) << face << " " << ch;
			EXPECT_GT(p.calls.size(), 1u);
			tested++;
		}
	if(!tested)
		GTEST_SKIP() << "every face of the set has every probed symbol";
}

TEST(PaintCharacter, CharacterNoFaceHasAddsNothing)
{
	int tested = 0;
	for(int ch : {0xE000, 0x10FFFD}) {
		if(!GetGlyphInfo(Font(Font::SANSSERIF, 16), ch).IsNoReplace())
			continue;
		RecordingPainter p;
		PaintCharacter(p, Pointf(1, 1), ch, Font(Font::SANSSERIF, 16));
		EXPECT_EQ(p.calls, Calls{"EvenOdd1"}) << ch;
		tested++;
	}
	if(!tested)
		GTEST_SKIP() << "some face has every probed character";
}

TEST(PainterText, EmptyRunIsOneMove)
{
	RecordingPainter p;
	const wchar t[] = { 'x', 0 };
	p.Text(5, 5, t, StdFont(), 0);
	p.Text(5, 5, String(), StdFont());
	p.Text(5, 5, (const wchar*)nullptr, StdFont());
	EXPECT_EQ(p.calls, Calls({"Move(0,0)", "Move(0,0)", "Move(0,0)"}));
}

TEST(PainterText, AdvancesMeasuredWithAFinerFont)
{
	// Small fonts measure with a 100 (under 50 pixels) or 10 times larger copy, scaled back.
	struct Case { int height, measure; double factor; };
	const Case cases[] = { {12, 1200, 0.01}, {49, 4900, 0.01}, {50, 500, 0.1}, {120, 1200, 0.1}, {499, 4990, 0.1}, {600, 600, 1} };
	const char* text = "Wave, fill";
	for(const Case& c : cases) {
		Font f(Font::SERIF, c.height);
		Font m(Font::SERIF, c.measure);
		CharPainter p;
		p.Text(Pointf(7, 3), text, f);
		std::vector<double> x = sCharX(p.calls);
		ASSERT_EQ(x.size(), strlen(text));
		double want = 7;
		for(size_t i = 0; i < x.size(); i++) {
			EXPECT_NEAR(x[i], want, std::max(1e-4, want * 1e-5)) << c.height << " " << i; // 6 digits kept
			want += m.GetWidth(text[i]) * c.factor;
		}
		for(Font used : p.fonts)
			EXPECT_EQ(used, f);
		// Every character is a separate part of the path.
		EXPECT_EQ(sCount(p.calls, "Div"), int(strlen(text)));
	}
	// The finer measure is not just the font's own advances rounded: 12 pixels differ.
	Font f(Font::SERIF, 12);
	double fine = 0;
	int coarse = 0;
	for(const char* s = text; *s; s++) {
		fine += Font(Font::SERIF, 1200).GetWidth(*s) * 0.01;
		coarse += f.GetWidth(*s);
	}
	EXPECT_GT(std::fabs(fine - coarse), 0.01);
}

TEST(PainterText, GivenAdvancesAndUtf8)
{
	const double dx[] = { 10, 20, 30 };
	CharPainter p;
	p.Text(1, 2, "a\xC3\xA9\xE2\x82\xAC", Font(Font::SANSSERIF, 13), dx); // a, e acute, euro
	EXPECT_EQ(p.calls, Calls({"Character(1,2)97", "Div", "Character(11,2)233", "Div", "Character(31,2)8364", "Div"}));
	p.calls.clear();
	p.Character(4, 5, 'Q', StdFont());
	EXPECT_EQ(p.calls, Calls{"Character(4,5)81"});
}

TEST(PainterText, UnderlineAndStrikeoutBars)
{
	Font f(Font::SANSSERIF, 20);
	f.Underline().Strikeout();
	double a = f.GetAscent();
	double t = std::max(a / 16, 1.0);
	using R = RecordingPainter;
	auto bar = [&](double x, double y, double w) {
		return Calls{"Move" + R::P(Pointf(x, y)), "Line" + R::P(Pointf(w, 0)) + ",rel",
		             "Line" + R::P(Pointf(0, t)) + ",rel", "Line" + R::P(Pointf(-w, 0)) + ",rel", "Close"};
	};
	{
		const double dx[] = { 6, 8 };
		RecordingPainter p;
		p.Text(2, 3, "ab", f, dx);
		Calls want = {"Character(2,3)97", "Div", "Character(8,3)98", "Div"};
		Calls u = bar(2, 3 + a + t, 14), s = bar(2, 3 + 2 * a / 3, 14);
		want.insert(want.end(), u.begin(), u.end());
		want.insert(want.end(), s.begin(), s.end());
		EXPECT_EQ(p.calls, want);
	}
	{
		// Advances that run left give bars that start at the left end.
		const double dx[] = { -6, -8 };
		RecordingPainter p;
		p.Text(20, 3, "ab", Font(f).Strikeout(false), dx);
		Calls u = bar(6, 3 + a + t, 14);
		EXPECT_EQ(Calls(p.calls.end() - 5, p.calls.end()), u);
		EXPECT_EQ(sCount(p.calls, "Move"), 1);
	}
	{
		// Small fonts: the bar is at least one pixel thick.
		Font s(Font::SANSSERIF, 8);
		s.Underline();
		const double dx[] = { 5 };
		RecordingPainter p;
		p.Text(0, 0, "a", s, dx);
		EXPECT_EQ(p.calls[4], "Line(0,1),rel");
	}
}

TEST(PainterText, DrawTextOnAPainterFillsTheRun)
{
	// The Draw text operation: the run's outlines at the text's place, filled with the ink.
	Font f(Font::SANSSERIF, 15);
	const wchar text[] = { 'H', 'i' };
	RecordingPainter p;
	p.DrawTextOp(10, 20, 0, text, f, Color(1, 2, 3), 2, nullptr);
	RecordingPainter q;
	q.Begin().EvenOdd().Translate(10, 20).Text(0, 0, "Hi", f).Fill(Color(1, 2, 3)).End();
	EXPECT_EQ(p.calls, q.calls);
}
