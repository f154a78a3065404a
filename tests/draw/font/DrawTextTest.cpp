// Text on a Draw with the private DejaVu fonts: runs, fallbacks, advances, angles, decoration
// lines, multi-line text and the glyph and text hooks.
#include "../RecordingDraw.h"

#include <draw/DrawInt.h>

#include <gtest/gtest.h>

#include <functional>

using namespace QelTest;

namespace {

struct TextCall {
	int x, y, angle;
	WString text;
	Font font;
	Color ink;
	std::vector<int> dx;
};

// Keeps DrawTextOp calls whole; every other call is recorded as text.
class TextDraw : public RecordingDraw {
public:
	std::vector<TextCall> texts;
	void DrawTextOp(int x, int y, int angle, const wchar* text, Font font, Color ink, int n, const int* dx) override
	{
		texts.push_back({ x, y, angle, WString(text, n), font, ink, dx ? std::vector<int>(dx, dx + n) : std::vector<int>() });
	}
};

const Font SANS(Font::SANSSERIF, 20);
const Font SERIF(Font::SERIF, 20);
constexpr wchar TRIGRAM = 0x2630;   // not in DejaVu Serif, in DejaVu Sans
constexpr wchar PRIVATE = 0xE000;   // in no face

int W(Font f, wchar c) { return f.GetWidth(c); }

std::string Str(const WString& s) { String u = ToUtf8(s.Begin(), s.GetLength()); return std::string(~u, u.GetLength()); }

} // namespace

TEST(DrawText, RunsOfAThousandCharacters)
{
	TextDraw w;
	std::vector<wchar> text(2500, 'a');
	w.DrawText(5, 6, 0, text.data(), SANS, Color(1, 2, 3), 2500);
	ASSERT_EQ(w.texts.size(), 3u);
	int x = 5;
	for(int i = 0; i < 3; i++) {
		EXPECT_EQ(w.texts[i].x, x);
		EXPECT_EQ(w.texts[i].y, 6);
		EXPECT_EQ(w.texts[i].text.GetLength(), i < 2 ? 1000 : 500);
		EXPECT_EQ(w.texts[i].ink, Color(1, 2, 3));
		x += 1000 * W(SANS, 'a');
	}
}

TEST(DrawText, FallbacksSplitRunsAndAdvancesHold)
{
	Font repl = Font(SERIF).Face(GetGlyphInfo(SERIF, TRIGRAM).lspc).Height(GetGlyphInfo(SERIF, TRIGRAM).rspc);
	ASSERT_TRUE(GetGlyphInfo(SERIF, TRIGRAM).IsReplaced());
	ASSERT_TRUE(GetGlyphInfo(SERIF, PRIVATE).IsNoReplace());
	const wchar text[] = { 'a', 'b', TRIGRAM, 'c', PRIVATE, 'd', 0 };
	const int dx[] = { 10, 11, 12, 13, 14, 15 };
	int shift = SERIF.GetAscent() - repl.GetAscent();
	Font square(Font::SANSSERIF, 20);
	int p2 = W(SERIF, 'a') + W(SERIF, 'b'), p3 = p2 + W(repl, TRIGRAM), p4 = p3 + W(SERIF, 'c');
	struct Expect { int x, y; const char* text; Font font; std::vector<int> dx; };
	struct Case { const char* what; const int* dx; std::vector<Expect> expect; };
	const Case cases[] = {
		{ "natural advances", nullptr,
		  { { 0, 0, "ab", SERIF, {} }, { p2, shift, "\u2630", repl, {} }, { p3, 0, "c", SERIF, {} },
		    { p4, 0, "\u25A1", square, {} }, { p4 + W(square, 0x25A1), 0, "d", SERIF, {} } } },
		{ "given advances", dx,
		  { { 0, 0, "ab", SERIF, { 10, 11 } }, { 21, shift, "\u2630", repl, {} }, { 33, 0, "c", SERIF, { 13 } },
		    { 46, 0, "\u25A1", square, {} }, { 60, 0, "d", SERIF, { 15 } } } },
	};
	for(const Case& c : cases) {
		TextDraw w;
		w.DrawText(0, 0, text, Font(SERIF), Color(0, 0, 0), -1, c.dx);
		ASSERT_EQ(w.texts.size(), c.expect.size()) << c.what;
		for(size_t i = 0; i < c.expect.size(); i++) {
			const TextCall& t = w.texts[i];
			const Expect& e = c.expect[i];
			EXPECT_EQ(t.x, e.x) << c.what << " " << i;
			EXPECT_EQ(t.y, e.y) << c.what << " " << i;
			EXPECT_EQ(Str(t.text), e.text) << c.what << " " << i;
			EXPECT_EQ(t.font, e.font) << c.what << " " << i;
			EXPECT_EQ(t.dx, e.dx) << c.what << " " << i;
		}
	}
}

TEST(DrawText, AnglesDrawCharacterByCharacter)
{
	int wa = W(SANS, 'a');
	struct Case { int angle; std::vector<Point> at; };
	const Case cases[] = {
		{ 3600, { Point(100, 100), Point(100 + wa, 100) } },
		{ 900, { Point(100, 100), Point(100, 100 - wa) } },
		{ 1800, { Point(100, 100), Point(100 - wa, 100) } },
		{ -900, { Point(100, 100), Point(100, 100 + wa) } },
	};
	for(const Case& c : cases) {
		TextDraw w;
		w.DrawText(100, 100, c.angle, WString("aa"), SANS);
		ASSERT_EQ(w.texts.size(), c.at.size()) << c.angle;
		for(size_t i = 0; i < c.at.size(); i++) {
			EXPECT_EQ(Point(w.texts[i].x, w.texts[i].y), c.at[i]) << c.angle << " " << i;
			EXPECT_EQ(w.texts[i].angle, c.angle);
			EXPECT_EQ(w.texts[i].text.GetLength(), 1);
		}
	}
}

TEST(DrawText, OffsetsAcrossTheBaselineTurnWithTheText)
{
	// p along the baseline, d below it: at 3600 the same place as at 0.
	struct Case { int angle; Point at; };
	const Case cases[] = {
		{ 0, Point(17, 23) }, { 3600, Point(17, 23) }, { 900, Point(23, 3) }, { 1800, Point(3, -3) },
		{ 2700, Point(-3, 17) }, { -900, Point(-3, 17) },
	};
	for(const Case& c : cases) {
		double s = 0, co = 1;
		SinCos(c.angle, s, co);
		EXPECT_EQ(detail::TextPoint(10, 10, s, co, 7, 13), c.at) << c.angle;
	}
}

TEST(DrawText, InkCountAndCharset)
{
	struct Case { const char* what; std::function<void (Draw&)> draw; size_t n; Color ink; dword info; };
	const Case cases[] = {
		{ "Null ink", [](Draw& w) { w.DrawText(0, 0, "abc", SANS, Color()); }, 0, Color(), 0 },
		{ "n = 0", [](Draw& w) { w.DrawText(0, 0, "abc", SANS, Color(0, 0, 0), 0); }, 0, Color(), 0 },
		{ "default ink", [](Draw& w) { w.DrawText(0, 0, "abc", SANS); }, 3, Color(0, 0, 0), 0 },
		{ "kept ink", [](Draw& w) { w.DrawText(0, 0, "abc", SANS); }, 3, DEFAULT_INK, INFO_KEEP_INK },
		{ "UTF-8", [](Draw& w) { w.DrawText(0, 0, 0, "\xC5\xBD" "ab", CHARSET_UTF8, SANS); }, 3, Color(0, 0, 0), 0 },
		{ "String", [](Draw& w) { w.DrawText(0, 0, String("ab\0c", 4), SANS); }, 4, Color(0, 0, 0), 0 },
	};
	for(const Case& c : cases) {
		TextDraw w;
		w.info = c.info;
		c.draw(w);
		size_t n = 0;
		for(const TextCall& t : w.texts) {
			n += t.text.GetLength();
			EXPECT_EQ(t.ink, c.ink) << c.what;
		}
		EXPECT_EQ(n, c.n) << c.what;
	}
}

TEST(DrawText, UnderlineAndStrikeout)
{
	ASSERT_EQ(SANS.GetAscent(), 19);
	ASSERT_EQ(SANS.GetDescent(), 5);
	int p = 3 * W(SANS, 'x');
	std::string P = std::to_string(p);
	struct Case { const char* what; Font font; int angle; dword info; std::vector<std::string> lines; bool flags; };
	const Case cases[] = {
		{ "underline", Font(SANS).Underline(), 0, INFO_TEXT_LINES, { "Rect 10,41," + P + ",1#00000000" }, false },
		{ "bold underline", Font(SANS).Underline().Bold(), 0, INFO_TEXT_LINES, {}, false }, // width differs
		{ "strikeout", Font(SANS).Strikeout(), 0, INFO_TEXT_LINES, { "Rect 10,33," + P + ",1#00000000" }, false },
		{ "both", Font(SANS).Underline().Strikeout(), 0, INFO_TEXT_LINES,
		  { "Rect 10,41," + P + ",1#00000000", "Rect 10,33," + P + ",1#00000000" }, false },
		{ "turned", Font(SANS).Underline(), 900, INFO_TEXT_LINES,
		  { "Line 31,20,31," + std::to_string(20 - p) + " w1#00000000" }, false },
		{ "target draws them", Font(SANS).Underline().Strikeout(), 0, 0, {}, true },
	};
	for(const Case& c : cases) {
		TextDraw w;
		w.info = c.info;
		w.DrawText(10, 20, c.angle, WString("xxx"), c.font, Color(0, 0, 0));
		for(const TextCall& t : w.texts)
			EXPECT_EQ(t.font.IsUnderline() || t.font.IsStrikeout(), c.flags) << c.what;
		if(c.font.IsBold()) {
			int pb = 3 * W(Font(SANS).Bold(), 'x');
			EXPECT_EQ(w.calls, std::vector<std::string>{ "Rect 10,41," + std::to_string(pb) + ",2#00000000" }) << c.what;
		}
		else
			EXPECT_EQ(w.calls, c.lines) << c.what;
	}
}

TEST(DrawText, TextSizeWithoutADraw)
{
	int cy = SANS.GetCy();
	struct Case { const char* text; int cx; };
	const Case cases[] = {
		{ "", 0 }, { "\t\n\x01", 0 }, { "ab", W(SANS, 'a') + W(SANS, 'b') }, { "a\tb", W(SANS, 'a') + W(SANS, 'b') },
	};
	for(const Case& c : cases) {
		EXPECT_EQ(GetTextSize(c.text, SANS), Size(c.cx, cy)) << c.text;
		EXPECT_EQ(GetTextSize(String(c.text), SANS), Size(c.cx, cy)) << c.text;
		EXPECT_EQ(GetTextSize(ToUtf32(c.text), SANS), Size(c.cx, cy)) << c.text;
	}
	EXPECT_EQ(GetTextSize("\xC5\xBD", CHARSET_UTF8, SANS).cx, W(SANS, 0x17D));
}

TEST(DrawText, MultilineMeasureAndTabs)
{
	int lh = SANS.GetCy(), wa = W(SANS, 'a'), wb = W(SANS, 'b');
	struct Case { const char* text; Size size; };
	const Case cases[] = {
		{ "", Size(0, lh) },
		{ "a\n", Size(wa, 2 * lh) },
		{ "a\nab\n\n", Size(wa + wb, 4 * lh) },
		{ "a\tb", Size(2 * lh + wb, lh) },
		{ "\t\tb", Size(4 * lh + wb, lh) },
		{ "a\x01" "b", Size(wa + wb, lh) },
	};
	for(const Case& c : cases)
		EXPECT_EQ(GetMultilineTextSize(ToUtf32(c.text).Begin(), SANS), c.size) << c.text;
}

TEST(DrawText, MultilineDrawingWithAccessKeys)
{
	int lh = SANS.GetCy();
	struct Run { int x, y; const char* text; bool underline; };
	struct Case { const char* text; dword key; std::vector<Run> runs; };
	int wS = W(SANS, 'S'), wSave = GetTextSize("Save ", SANS).cx;
	const Case cases[] = {
		{ "a\tb\ncd", 0, { { 1, 2, "a", false }, { 1 + 2 * lh, 2, "b", false }, { 1, 2 + lh, "cd", false } } },
		{ "Save as", 'S', { { 1, 2, "S", true }, { 1 + wS, 2, "ave as", false } } },
		{ "Save as", 's', { { 1, 2, "S", true }, { 1 + wS, 2, "ave as", false } } },
		{ "Save as", 'A' | 6 << 16, { { 1, 2, "Save ", false }, { 1 + wSave, 2, "a", true },
		                              { 1 + wSave + W(SANS, 'a'), 2, "s", false } } },
		{ "\xC5\xBDluf", 'Z', { { 1, 2, "\xC5\xBD", true }, { 1 + W(SANS, 0x17D), 2, "luf", false } } },
		{ "xy", 'Q', { { 1, 2, "xy", false } } },
	};
	for(const Case& c : cases) {
		TextDraw w;
		DrawMultilineText(w, 1, 2, ToUtf32(c.text).Begin(), SANS, Color(0, 0, 0), c.key);
		ASSERT_EQ(w.texts.size(), c.runs.size()) << c.text;
		for(size_t i = 0; i < c.runs.size(); i++) {
			EXPECT_EQ(Point(w.texts[i].x, w.texts[i].y), Point(c.runs[i].x, c.runs[i].y)) << c.text << " " << i;
			EXPECT_EQ(Str(w.texts[i].text), c.runs[i].text) << c.text << " " << i;
			EXPECT_EQ(w.texts[i].font.IsUnderline(), c.runs[i].underline) << c.text << " " << i;
		}
	}
}

namespace {

std::string sHookLog;

Size sSmartSize(const char* text, Font, int cx) { sHookLog = std::string("size ") + text + " " + std::to_string(cx); return Size(1, 2); }
void sSmartDraw(Draw&, int x, int y, int cx, const char* text, Font, Color, dword key)
{
	sHookLog = "draw " + std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(cx) + " " + text + " " +
	           std::to_string(key);
}
Image sGlyph(int cx, int x, Font, int chr, int y, int cy, Color, Color)
{
	ImageBuffer b(cx, cy);
	b.SetHotSpot(Point(x * 1000 + y, chr));
	return Image(b);
}
Draw* sCreate(Size) { return new TextDraw; }
// What the inner target received, kept past its end.
TextDraw sInner;
Image sExtract(Draw& w)
{
	sInner.calls = static_cast<TextDraw&>(w).calls;
	sInner.texts = static_cast<TextDraw&>(w).texts;
	return Image(ImageBuffer(1, 1));
}

} // namespace

TEST(DrawText, SmartTextHooks)
{
	const char* text = "\xC5\xBD" "a\nb";
	TextDraw plain;
	DrawSmartText(plain, 3, 4, 100, text, SANS);
	ASSERT_EQ(plain.texts.size(), 2u);
	EXPECT_EQ(Str(plain.texts[0].text), "\xC5\xBD" "a");
	EXPECT_EQ(GetSmartTextSize(text, SANS), GetMultilineTextSize(ToUtf32(text).Begin(), SANS));

	SetSmartTextHooks(sSmartSize, sSmartDraw);
	EXPECT_EQ(GetSmartTextSize("x", SANS, 50), Size(1, 2));
	EXPECT_EQ(sHookLog, "size x 50");
	TextDraw w;
	DrawSmartText(w, 3, 4, 100, "y", SANS, Color(0, 0, 0), 'Y');
	EXPECT_EQ(sHookLog, "draw 3,4,100 y 89");
	EXPECT_TRUE(w.texts.empty());
	SetSmartTextHooks(nullptr, nullptr);
}

TEST(DrawText, RenderGlyphThroughEachPath)
{
	EXPECT_TRUE(RenderGlyph(10, 1, SANS, 'g', 2, 12, Color(0, 0, 0), Color(255, 255, 255)).IsEmpty());

	ImageAnyDraw::Register(sCreate, sExtract);
	Image m = RenderGlyph(10, 1, SANS, 'g', 2, 12, Color(0, 0, 1), Color(255, 255, 255));
	EXPECT_EQ(m.GetSize(), Size(1, 1));
	EXPECT_EQ(sInner.calls, std::vector<std::string>{ "Rect 0,0,10,12#00FFFFFF" });
	ASSERT_EQ(sInner.texts.size(), 1u);
	EXPECT_EQ(Point(sInner.texts[0].x, sInner.texts[0].y), Point(1, -2));
	EXPECT_EQ(Str(sInner.texts[0].text), "g");
	EXPECT_EQ(sInner.texts[0].ink, Color(0, 0, 1));

	SetRenderGlyphHook(sGlyph); // the hook goes first
	m = RenderGlyph(10, 1, SANS, 'g', 2, 12, Color(0, 0, 0), Color(255, 255, 255));
	EXPECT_EQ(m.GetSize(), Size(10, 12));
	EXPECT_EQ(m.GetHotSpot(), Point(1002, 'g'));
	SetRenderGlyphHook(nullptr);
	ImageAnyDraw::Register(nullptr, nullptr);
}

TEST(DrawText, PdfHooks)
{
	EXPECT_FALSE(GetDrawRawDataHook());
	EXPECT_FALSE(GetIsRawDataDrawableHook());
	auto topdf = [](const Array<Drawing>&) { return String("%PDF"); };
	auto raw = [](Draw& w, int x, int, int, int, const String& data) { w.Escape("data:" + data); (void)x; };
	SetPdfHooks(topdf, raw);
	RecordingDraw w;
	GetDrawRawDataHook()(w, 0, 0, 1, 1, "abc");
	EXPECT_EQ(w.calls, std::vector<std::string>{ "Escape data:abc" });
	EXPECT_EQ(GetDrawingToPdfHook()(Array<Drawing>()), "%PDF");
	EXPECT_FALSE(GetIsRawDataDrawableHook());
	SetPdfHooks(nullptr, nullptr);
}
