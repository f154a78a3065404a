// Text on a Draw with the private DejaVu fonts: runs, fallbacks, advances, angles, decoration
// lines, multi-line text and the glyph and text hooks.
#include "../RecordingDraw.h"

#include <draw/detail/DrawInt.h>

#include <gtest/gtest.h>

#include <functional>

using namespace QelTest;

namespace {

struct TextCall {
	Point at;
	int angle;
	std::string text;
	Font font;
	Color ink = Color();
	std::vector<int> dx = {};
};

// Keeps DrawTextOp calls whole; the other calls are recorded as text.
struct TextDraw : RecordingDraw {
	std::vector<TextCall> texts;
	void DrawTextOp(int x, int y, int angle, const wchar* text, Font font, Color ink, int n, const int* dx) override
	{
		String u = ToUtf8(text, n);
		texts.push_back({ Point(x, y), angle, std::string(~u, u.GetLength()), font, ink, dx ? std::vector<int>(dx, dx + n) : std::vector<int>() });
	}
};

const Font SANS(Font::SANSSERIF, 20);
const Font SERIF(Font::SERIF, 20);
constexpr wchar TRIGRAM = 0x2630; // not in DejaVu Serif, in DejaVu Sans
constexpr wchar PRIVATE = 0xE000; // in no face

int W(Font f, wchar c) { return f.GetWidth(c); }

} // namespace

TEST(DrawText, RunsOfAThousandCharacters)
{
	TextDraw w;
	std::vector<wchar> text(2500, 'a');
	w.DrawText(5, 6, 0, text.data(), SANS, Color(1, 2, 3), 2500);
	ASSERT_EQ(w.texts.size(), 3u);
	for(int i = 0; i < 3; i++) {
		EXPECT_EQ(w.texts[i].at, Point(5 + i * 1000 * W(SANS, 'a'), 6));
		EXPECT_EQ(w.texts[i].text.size(), i < 2 ? 1000u : 500u);
		EXPECT_EQ(w.texts[i].ink, Color(1, 2, 3));
	}
}

TEST(DrawText, FallbacksSplitRunsAndAdvancesHold)
{
	GlyphInfo gi = GetGlyphInfo(SERIF, TRIGRAM);
	ASSERT_TRUE(gi.IsReplaced());
	ASSERT_TRUE(GetGlyphInfo(SERIF, PRIVATE).IsNoReplace());
	Font repl = Font(SERIF).Face(gi.lspc).Height(gi.rspc), square(Font::SANSSERIF, 20);
	const wchar text[] = { 'a', 'b', TRIGRAM, 'c', PRIVATE, 'd', 0 };
	const int dx[] = { 10, 11, 12, 13, 14, 15 };
	int shift = SERIF.GetAscent() - repl.GetAscent();
	int p2 = W(SERIF, 'a') + W(SERIF, 'b'), p3 = p2 + W(repl, TRIGRAM), p4 = p3 + W(SERIF, 'c');
	struct Case { const int* dx; std::vector<TextCall> expect; };
	const Case cases[] = {
		{ nullptr, { { Point(0, 0), 0, "ab", SERIF }, { Point(p2, shift), 0, "\u2630", repl }, { Point(p3, 0), 0, "c", SERIF },
		             { Point(p4, 0), 0, "\u25A1", square }, { Point(p4 + W(square, 0x25A1), 0), 0, "d", SERIF } } },
		{ dx, { { Point(0, 0), 0, "ab", SERIF, Color(), { 10, 11 } }, { Point(21, shift), 0, "\u2630", repl },
		        { Point(33, 0), 0, "c", SERIF, Color(), { 13 } }, { Point(46, 0), 0, "\u25A1", square },
		        { Point(60, 0), 0, "d", SERIF, Color(), { 15 } } } },
	};
	for(const Case& c : cases) {
		TextDraw w;
		w.DrawText(0, 0, text, SERIF, Color(0, 0, 0), -1, c.dx);
		ASSERT_EQ(w.texts.size(), c.expect.size());
		for(size_t i = 0; i < c.expect.size(); i++) {
			const TextCall &t = w.texts[i], &e = c.expect[i];
			EXPECT_TRUE(t.at == e.at && t.text == e.text && t.font == e.font && t.dx == e.dx)
			    << i << ": " << t.at.x << "," << t.at.y << " " << t.text << " with " << (c.dx ? "advances" : "widths");
		}
	}
}

TEST(DrawText, AnglesDrawCharacterByCharacterAndTurnOffsets)
{
	int wa = W(SANS, 'a');
	struct Case { int angle; Point second; Point offset; };
	const Case cases[] = { // offset: 7 along the baseline and 13 below it, from (10, 10)
		{ 3600, Point(100 + wa, 100), Point(17, 23) }, { 900, Point(100, 100 - wa), Point(23, 3) },
		{ 1800, Point(100 - wa, 100), Point(3, -3) }, { -900, Point(100, 100 + wa), Point(-3, 17) },
	};
	for(const Case& c : cases) {
		TextDraw w;
		w.DrawText(100, 100, c.angle, WString("aa"), SANS);
		ASSERT_EQ(w.texts.size(), 2u) << c.angle;
		EXPECT_EQ(w.texts[0].at, Point(100, 100));
		EXPECT_EQ(w.texts[1].at, c.second) << c.angle;
		EXPECT_EQ(w.texts[1].angle, c.angle);
		double s, co;
		SinCos(c.angle, s, co);
		EXPECT_EQ(detail::TextPoint(10, 10, s, co, 7, 13), c.offset) << c.angle;
	}
}

TEST(DrawText, InkCountAndCharset)
{
	struct Case { const char* what; std::function<void (Draw&)> draw; size_t n; Color ink; dword info; };
	const Case cases[] = {
		{ "Null ink", [](Draw& w) { w.DrawText(0, 0, "abc", SANS, Color()); }, 0, Color(), 0 },
		{ "n = 0", [](Draw& w) { w.DrawText(0, 0, "abc", SANS, Color(0, 0, 0), 0); }, 0, Color(), 0 },
		{ "default ink", [](Draw& w) { w.DrawText(0, 0, "abc", SANS); }, 3, ThemeTextColor(), 0 },
		{ "kept ink", [](Draw& w) { w.DrawText(0, 0, "abc", SANS); }, 3, DEFAULT_INK, INFO_KEEP_INK },
		{ "UTF-8", [](Draw& w) { w.DrawText(0, 0, 0, "\xC5\xBD" "ab", CHARSET_UTF8, SANS); }, 4, ThemeTextColor(), 0 },
	};
	for(const Case& c : cases) {
		TextDraw w;
		w.info = c.info;
		c.draw(w);
		size_t n = 0;
		for(const TextCall& t : w.texts) {
			n += t.text.size();
			EXPECT_EQ(t.ink, c.ink) << c.what;
		}
		EXPECT_EQ(n, c.n) << c.what;
	}
	EXPECT_EQ(GetTextSize("a\tb\x01", SANS), Size(W(SANS, 'a') + W(SANS, 'b'), SANS.GetCy()));
	EXPECT_EQ(GetTextSize(String(), SANS), Size(0, SANS.GetCy()));
}

TEST(DrawText, UnderlineAndStrikeout)
{
	ASSERT_EQ(SANS.GetAscent(), 19);
	ASSERT_EQ(SANS.GetDescent(), 5);
	std::string p = std::to_string(3 * W(SANS, 'x')), pb = std::to_string(3 * W(Font(SANS).Bold(), 'x'));
	struct Case { Font font; int angle; dword info; std::vector<std::string> lines; };
	const Case cases[] = {
		{ Font(SANS).Underline(), 0, INFO_TEXT_LINES, { "Rect 10,41," + p + ",1#00000000" } },
		{ Font(SANS).Underline().Bold(), 0, INFO_TEXT_LINES, { "Rect 10,41," + pb + ",2#00000000" } },
		{ Font(SANS).Underline().Strikeout(), 0, INFO_TEXT_LINES, { "Rect 10,41," + p + ",1#00000000", "Rect 10,33," + p + ",1#00000000" } },
		{ Font(SANS).Underline(), 900, INFO_TEXT_LINES, { "Line 31,20,31," + std::to_string(20 - 3 * W(SANS, 'x')) + " w1#00000000" } },
		{ Font(SANS).Underline().Strikeout(), 0, 0, {} }, // the target draws them
	};
	for(const Case& c : cases) {
		TextDraw w;
		w.info = c.info;
		w.DrawText(10, 20, c.angle, WString("xxx"), c.font, Color(0, 0, 0));
		for(const TextCall& t : w.texts)
			EXPECT_EQ(t.font.IsUnderline() || t.font.IsStrikeout(), !c.info) << c.lines.size();
		EXPECT_EQ(w.calls, c.lines);
	}
}

// Text at the ends of the coordinate range: its lines stop at the edge instead of wrapping
// round (found by fuzzing; the sanitized build catches the overflow itself).
TEST(DrawText, LinesAtTheEdgeOfCoordinates)
{
	Font f = Font(SANS).Underline().Strikeout();
	TextDraw w;
	w.info = INFO_TEXT_LINES;
	const int dx[] = { INT_MAX, INT_MAX, 5 };
	w.DrawText(INT_MAX - 3, INT_MAX - 3, 0, WString("xxx").Begin(), f, Color(0, 0, 0), 3, dx);
	ASSERT_EQ(w.calls.size(), 2u);
	EXPECT_EQ(w.calls[0], "Rect 2147483644,2147483647,2147483647,1#00000000");
	w.calls.clear();
	w.DrawText(INT_MIN + 3, INT_MIN + 3, 0, WString("xxx").Begin(), f, Color(0, 0, 0), 3, dx);
	ASSERT_EQ(w.calls.size(), 2u);
	EXPECT_EQ(w.calls[1], "Rect -2147483645," + std::to_string(INT_MIN + 3 + SANS.GetAscent() - SANS.GetAscent() / 3) + ",2147483647,1#00000000");
	for(int angle : { 900, 450, 2700, 1800 }) {
		w.calls.clear();
		w.DrawText(angle == 900 ? INT_MAX - 3 : INT_MIN + 3, INT_MIN + 3, angle, WString("xxx").Begin(), f, Color(0, 0, 0), 3, dx);
		ASSERT_EQ(w.calls.size(), 2u) << angle;
		for(const std::string& c : w.calls)
			EXPECT_EQ(c.rfind("Line ", 0), 0u) << c;
	}
}

TEST(DrawText, MultilineTextWithTabsAndAccessKeys)
{
	int lh = SANS.GetCy(), wa = W(SANS, 'a'), wb = W(SANS, 'b');
	for(auto [text, size] : { std::pair("", Size(0, lh)), std::pair("a\n", Size(wa, 2 * lh)), std::pair("a\nab\n\n", Size(wa + wb, 4 * lh)),
	                          std::pair("a\tb", Size(2 * lh + wb, lh)), std::pair("\t\tb", Size(4 * lh + wb, lh)) })
		EXPECT_EQ(GetMultilineTextSize(ToUtf32(text).Begin(), SANS), size) << text;

	struct Run { int x, y; const char* text; bool marked; };
	struct Case { const char* text; dword key; std::vector<Run> runs; };
	int wS = W(SANS, 'S'), wSave = GetTextSize("Save ", SANS).cx;
	const Case cases[] = {
		{ "a\tb\ncd", 0, { { 1, 2, "a", false }, { 1 + 2 * lh, 2, "b", false }, { 1, 2 + lh, "cd", false } } },
		{ "Save as", 'S', { { 1, 2, "S", true }, { 1 + wS, 2, "ave as", false } } },
		{ "Save as", 's', { { 1, 2, "S", true }, { 1 + wS, 2, "ave as", false } } },
		{ "Save as", 'A' | 6 << 16, { { 1, 2, "Save ", false }, { 1 + wSave, 2, "a", true }, { 1 + wSave + wa, 2, "s", false } } },
		{ "\xC5\xBDluf", 'Z', { { 1, 2, "\xC5\xBD", true }, { 1 + W(SANS, 0x17D), 2, "luf", false } } },
	};
	for(const Case& c : cases) {
		TextDraw w;
		DrawMultilineText(w, 1, 2, ToUtf32(c.text).Begin(), SANS, Color(0, 0, 0), c.key);
		ASSERT_EQ(w.texts.size(), c.runs.size()) << c.text;
		for(size_t i = 0; i < c.runs.size(); i++) {
			const Run& r = c.runs[i];
			EXPECT_TRUE(w.texts[i].at == Point(r.x, r.y) && w.texts[i].text == r.text && w.texts[i].font.IsUnderline() == r.marked)
			    << c.text << " " << i << ": " << w.texts[i].at.x << "," << w.texts[i].at.y << " " << w.texts[i].text;
		}
	}
}

namespace {

std::string sHookLog;

Size sSmartSize(const char* text, Font, int cx) { sHookLog = std::string(text) + " " + std::to_string(cx); return Size(1, 2); }
void sSmartDraw(Draw&, int x, int, int cx, const char* text, Font, Color, dword key)
{
	sHookLog = std::string(text) + " " + std::to_string(x) + " " + std::to_string(cx) + " " + std::to_string(key);
}
Image sGlyph(int cx, int x, Font, int chr, int y, int cy, Color, Color)
{
	ImageBuffer b(cx, cy);
	b.SetHotSpot(Point(x * 1000 + y, chr));
	return Image(b);
}
TextDraw sInner; // what the ImageAnyDraw's target received, kept past its end
Draw* sCreate(Size) { return new TextDraw; }
Image sExtract(Draw& w)
{
	sInner.calls = static_cast<TextDraw&>(w).calls;
	sInner.texts = static_cast<TextDraw&>(w).texts;
	return Image(ImageBuffer(1, 1));
}

} // namespace

TEST(DrawText, SmartTextAndGlyphHooks)
{
	const char* text = "\xC5\xBD" "a\nb";
	TextDraw plain;
	DrawSmartText(plain, 3, 4, 100, text, SANS);
	ASSERT_EQ(plain.texts.size(), 2u);
	EXPECT_EQ(plain.texts[0].text, "\xC5\xBD" "a");
	EXPECT_EQ(GetSmartTextSize(text, SANS), GetMultilineTextSize(ToUtf32(text).Begin(), SANS));
	SetSmartTextHooks(sSmartSize, sSmartDraw);
	EXPECT_EQ(GetSmartTextSize("x", SANS, 50), Size(1, 2));
	EXPECT_EQ(sHookLog, "x 50");
	DrawSmartText(plain, 3, 4, 100, "y", SANS, Color(0, 0, 0), 'Y');
	EXPECT_EQ(sHookLog, "y 3 100 89");
	SetSmartTextHooks(nullptr, nullptr);

	EXPECT_TRUE(RenderGlyph(10, 1, SANS, 'g', 2, 12, Color(0, 0, 0), Color(255, 255, 255)).IsEmpty());
	ImageAnyDraw::Register(sCreate, sExtract);
	EXPECT_EQ(RenderGlyph(10, 1, SANS, 'g', 2, 12, Color(0, 0, 1), Color(255, 255, 255)).GetSize(), Size(1, 1));
	EXPECT_EQ(sInner.calls, std::vector<std::string>{ "Rect 0,0,10,12#00FFFFFF" });
	ASSERT_EQ(sInner.texts.size(), 1u);
	EXPECT_TRUE(sInner.texts[0].at == Point(1, -2) && sInner.texts[0].text == "g" && sInner.texts[0].ink == Color(0, 0, 1));
	SetRenderGlyphHook(sGlyph); // the hook goes first
	EXPECT_EQ(RenderGlyph(10, 1, SANS, 'g', 2, 12, Color(0, 0, 0), Color()).GetHotSpot(), Point(1002, 'g'));
	SetRenderGlyphHook(nullptr);
	ImageAnyDraw::Register(nullptr, nullptr);

	EXPECT_FALSE(GetDrawRawDataHook() || GetIsRawDataDrawableHook());
	SetPdfHooks([](const Array<Drawing>&) { return String("%PDF"); },
	            [](Draw& w, int, int, int, int, const String& data) { w.Escape("data:" + data); });
	RecordingDraw w;
	GetDrawRawDataHook()(w, 0, 0, 1, 1, "abc");
	EXPECT_EQ(w.calls, std::vector<std::string>{ "Escape data:abc" });
	EXPECT_EQ(GetDrawingToPdfHook()(Array<Drawing>()), "%PDF");
	SetPdfHooks(nullptr, nullptr);
}
