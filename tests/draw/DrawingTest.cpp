#include <gtest/gtest.h>

#include "RecordingDraw.h"

using namespace Qel;
using QelTest::RecordingDraw;
using Calls = std::vector<std::string>;

// Text records pull in the font code, whose fontconfig loses a block while it reads some system
// configurations; that is not ours to find.
extern "C" const char* __lsan_default_suppressions()
{
	return "leak:libfontconfig.so\n";
}

namespace {

// Also records the slots whose defaults RecordingDraw keeps.
struct PlayDraw : RecordingDraw {
	bool nested = true; // nested drawings are played (the default) or only recorded

	void DrawImageOp(int x, int y, int cx, int cy, const Image& m, const Rect& src, Color c) override
	{ Put("Image " + I(x) + "," + I(y) + "," + I(cx) + "," + I(cy) + " " + Img(m) + R(src) + C(c)); }
	void DrawDataOp(int x, int y, int cx, int cy, const String& data, const char* id) override
	{ Put("Data " + I(x) + "," + I(y) + "," + I(cx) + "," + I(cy) + " " + id + ":" + std::string(~data, data.GetLength())); }
	void DrawPaintingOp(const Rect& r, const Painting& p) override
	{ Put("Painting" + R(r) + " " + std::string(~p.cmd, p.cmd.GetLength())); }
	void DrawDrawingOp(const Rect& r, const Drawing& w) override
	{
		Put("Drawing" + R(r) + " " + I(w.size.cx) + "x" + I(w.size.cy));
		if(nested)
			Draw::DrawDrawingOp(r, w);
	}
};

std::string Hex(const String& s) { return ~HexString(s); }

// A command stream built by hand.
struct Rec {
	String s;
	Rec& B(int b)        { s.Cat(char(b)); return *this; }
	Rec& I(int v)        { for(int i = 0; i < 4; i++) s.Cat(char(v >> (8 * i))); return *this; }
	Rec& I(std::initializer_list<int> v) { for(int x : v) I(x); return *this; }
	Rec& Str(const String& t) { B(t.GetLength()); s.Cat(t); return *this; }
	Drawing Make(int cx = 100, int cy = 100, ValueArray val = ValueArray()) const
	{ Drawing w; w.size = Size(cx, cy); w.data = s; w.val = val; return w; }
};

Calls Play(const Drawing& w, Rect r, dword info = 0)
{
	PlayDraw d;
	d.info = info;
	PlayDrawing(d, r, w);
	return d.Take();
}

Drawing Reload(const Drawing& w)
{
	Drawing c = w;
	Drawing r;
	EXPECT_TRUE(LoadFromString(r, StoreAsString(c)));
	return r;
}

// The same calls, on any target.
void Scene(Draw& d, const Image& img)
{
	d.BeginOp();
	d.OffsetOp(Point(5, 7));
	d.DrawRectOp(1, 2, 30, 40, Color(1, 2, 3));
	d.ClipOp(Rect(0, 0, 50, 60));
	d.DrawLineOp(0, 0, 90, 80, 3, Color(200, 0, 0));
	d.EndOp();
	d.EndOp();
	d.EndOp();
	d.ClipoffOp(Rect(10, 10, 60, 70));
	d.ExcludeClipOp(Rect(1, 1, 2, 2));
	d.IntersectClipOp(Rect(0, 0, 40, 40));
	d.DrawEllipseOp(Rect(1, 2, 30, 20), Color(0, 0, 255), -1, Color());
	d.DrawArcOp(Rect(0, 0, 20, 20), Point(20, 10), Point(10, 0), 2, Color(0, 9, 0));
	Point v[] = { {0, 0}, {10, 0}, {10, 10}, {0, 10}, {5, 5} };
	int c[] = { 3, 2 };
	d.DrawPolyPolylineOp(v, 5, c, 2, 1, Color(1, 1, 1), Color());
	int sc[] = { 4 }, dc[] = { 1 };
	d.DrawPolyPolyPolygonOp(v, 4, sc, 1, dc, 1, Color(7, 7, 7), 2, Color(8, 8, 8), 0xAA55, Color());
	d.EndOp();
	d.DrawImageOp(3, 4, 8, 6, img, Rect(0, 0, 4, 3), Color());
	d.DrawDataOp(1, 1, 20, 10, "payload", "my_format");
	Painting p;
	p.cmd = "paint";
	p.size = Sizef(10, 10);
	d.DrawPaintingOp(Rect(0, 0, 10, 10), p);
	d.Escape("data:x");
}

Image TestImage()
{
	ImageBuffer b(4, 3);
	for(int i = 0; i < 12; i++)
		b.Begin()[i] = RGBA{ byte(i), byte(2 * i), byte(3 * i), 255 };
	return b;
}

} // namespace

TEST(Drawing, RecordLayout)
{
	DrawingDraw r(100, 50);
	r.BeginOp();
	r.DrawRectOp(1, 2, 3, 4, Color::FromRaw(0x00332211));
	r.DrawEllipseOp(Rect(0, 0, 1, 1), Color(), -1, DEFAULT_INK);
	r.EndOp();
	Drawing w = r;
	EXPECT_EQ(w.size, Size(100, 50));
	EXPECT_TRUE(w.val.IsEmpty());
	EXPECT_EQ(Hex(w.data), "02"
	          "09" "01000000" "02000000" "03000000" "04000000" "11223300"
	          "0e" "00000000" "00000000" "01000000" "01000000" "ffffffff" "00" "fe000080"
	          "08");
	// no value list: cy as it is, the data in the String form
	Drawing c = w;
	EXPECT_EQ(Hex(StoreAsString(c)), "64617461" "64000000" "32000000" "31" + Hex(w.data) + "656e6400" "42000000");
}

TEST(Drawing, ValueListSetsHeightBit)
{
	DrawingDraw r(10, 20);
	r.Escape("hi");
	Drawing w = r;
	ASSERT_EQ(w.val.GetCount(), 1);
	StringStream ss;
	w.Serialize(ss);
	// cy with bit 31, data (one byte: opcode 20), then the list: one String "hi"
	EXPECT_EQ(Hex(ss.GetResult()), "0a000000" "14000080" "01" "15" "02" "04" "02" "6869");
	EXPECT_EQ(w.size, Size(10, 20)); // the object's own height is untouched
	EXPECT_EQ(Reload(w), w);
}

TEST(Drawing, EveryDrawingLoadsBack)
{
	ValueArray one;
	one.Add("x");
	struct { Size size; bool list; } cases[] = {
		{ Size(int(0x80000000), int(0x80000000)), false }, // Null
		{ Size(10, -1), false },
		{ Size(10, -300), true },
		{ Size(10, 20), false },
		{ Size(10, 20), true },
		{ Size(0, 0), false },
		{ Size(-5, 1073741823), true },
	};
	for(auto& c : cases) {
		Drawing w;
		w.size = c.size;
		w.data = "\x02\x08";
		if(c.list)
			w.val = one;
		EXPECT_EQ(Reload(w), w) << c.size.cx << "x" << c.size.cy;
	}
	Drawing null;
	EXPECT_EQ(Reload(null), null);
	EXPECT_EQ(Reload(null).size, Size(int(0x80000000), int(0x80000000)));
}

TEST(Drawing, DamagedStoredFormFails)
{
	DrawingDraw r(10, 10);
	r.Escape("abc");
	r.DrawRectOp(0, 0, 1, 1, Color(1, 1, 1));
	Drawing w = r;
	String s = StoreAsString(w);
	for(int n = 0; n < s.GetLength(); n++) {
		Drawing back;
		EXPECT_FALSE(LoadFromString(back, s.Mid(0, n))) << n;
		EXPECT_TRUE(back.IsNullInstance());
	}
	// a data length far beyond what the stream holds
	String big = "data";
	big.Cat("\x0a\0\0\0\x0a\0\0\0\xff\xff\xff\xff\x7f", 13);
	Drawing back;
	EXPECT_FALSE(LoadFromString(back, big));
}

// Recording and playing at 1:1 gives the target the calls it would have had directly, inside the
// playback's own clip, after storing and loading the drawing too.
TEST(Drawing, RecordStoreLoadPlaySameSize)
{
	Image img = TestImage();
	PlayDraw direct;
	Scene(direct, img);
	Calls want = { "Clipoff[20,30,120,130]" };
	for(const std::string& s : direct.Take())
		want.push_back(s);
	want.push_back("End");

	DrawingDraw r(100, 100);
	Scene(r, img);
	Drawing w = r;
	EXPECT_EQ(Play(w, Rect(20, 30, 120, 130)), want);
	EXPECT_EQ(Play(Reload(w), Rect(20, 30, 120, 130)), want);
	Value v = w;
	StringStream ss;
	v.Serialize(ss);
	StringStream in(ss.GetResult());
	Value back;
	back.Serialize(in);
	EXPECT_EQ(back.GetType(), DRAWING_V);
	EXPECT_EQ(Play(Drawing(back), Rect(20, 30, 120, 130)), want);
}

TEST(Drawing, PlayScaled)
{
	Image img = TestImage();
	DrawingDraw r(100, 100);
	Scene(r, img);
	EXPECT_EQ(Play(r, Rect(0, 0, 50, 50)), (Calls{
		"Clipoff[0,0,50,50]",
		"Begin", "Offset(2,3)", "Rect 1,1,15,20#00030201", "Clip[0,0,25,30]",
		"Line 0,0,45,40 w1#000000C8", "End", "End", "End",
		"Clipoff[5,5,30,35]", "ExcludeClip[0,0,1,1]", "IntersectClip[0,0,20,20]",
		"Ellipse[0,1,15,10]#00FF0000 w-1#FFFFFFFF", "Arc[0,0,10,10](10,5)(5,0) w1#00000900",
		"PolyPolyline(0,0)(5,0)(5,5)(0,5)(2,2) counts 3 2 w0#00010101#FFFFFFFF",
		"PolyPolyPolygon(0,0)(5,0)(5,5)(0,5) sub 4 disj 1#00070707 w1#00080808 paa55#FFFFFFFF", "End",
		"Image 1,2,4,3 " + RecordingDraw::Img(img) + "[0,0,4,3]#FFFFFFFF", "Data 0,0,10,5 my_format:payload",
		"Painting[0,0,5,5] paint", "Escape data:x",
		"End" }));
}

TEST(Drawing, ScaledWidthsAndInks)
{
	Point v[] = { {0, 0}, {10, 10} };
	int c[] = { 2 };
	auto line = [](int w) { return [w](Draw& d) { d.DrawLineOp(0, 0, 10, 10, w, Color(0, 0, 0)); }; };
	auto poly = [&](int w) { return [&, w](Draw& d) { d.DrawPolyPolylineOp(v, 2, c, 1, w, Color(0, 0, 0), Color()); }; };
	auto gon = [&](int w) {
		return [&, w](Draw& d) { d.DrawPolyPolyPolygonOp(v, 2, c, 1, c + 0, 0, Color(0, 0, 0), w, Color(0, 0, 0), 0, Color()); };
	};
	struct { std::function<void (Draw&)> op; std::string want; } cases[] = {
		{ line(4), "Line 0,0,5,5 w2#00000000" },
		{ line(1), "Line 0,0,5,5 w0#00000000" },
		{ line(-1), "Line 0,0,5,5 w-1#00000000" },
		{ poly(-1), "PolyPolyline(0,0)(5,5) counts 2 w-1#00000000#FFFFFFFF" },
		{ gon(-1), "PolyPolyPolygon(0,0)(5,5) sub 2 disj#00000000 w0#00000000 p0#FFFFFFFF" },
		{ [](Draw& d) { d.DrawLineOp(0, 0, 2, 2, 0, DEFAULT_INK); }, "Line 0,0,1,1 w0#00123456" },
		{ [](Draw& d) { d.DrawRectOp(10, 10, 20, 20, DEFAULT_INK); }, "Rect 5,5,10,10#800000FE" },
		{ [](Draw& d) { d.DrawEllipseOp(Rect(0, 0, 4, 4), DEFAULT_INK, 2, DEFAULT_INK); }, "Ellipse[0,0,2,2]#00123456 w1#00123456" },
	};
	struct InkDraw : PlayDraw {
		Color GetDefaultInk() const override { return Color::FromRaw(0x123456); }
	};
	for(auto& t : cases) {
		DrawingDraw r(100, 100);
		t.op(r);
		InkDraw d;
		PlayDrawing(d, Rect(0, 0, 50, 50), r);
		Calls got = d.Take();
		ASSERT_EQ(got.size(), 3u);
		EXPECT_EQ(got[1], t.want);
	}
}

TEST(Drawing, OffsetsScaleTogether)
{
	DrawingDraw r(300, 300);
	r.OffsetOp(Point(10, 10));
	r.DrawRectOp(1, 1, 1, 1, Color(0, 0, 0));
	r.EndOp();
	EXPECT_EQ(Play(r, Rect(0, 0, 100, 100)), (Calls{ "Clipoff[0,0,100,100]", "Offset(3,3)", "Rect 0,0,1,1#00000000", "End", "End" }));
}

TEST(Drawing, NothingToPlay)
{
	Drawing one = Rec().B(9).I({ 0, 0, 1, 1, 0 }).Make();
	EXPECT_EQ(Play(Rec().Make(), Rect(0, 0, 10, 10)), (Calls{ "Clipoff[0,0,10,10]", "End" }));
	for(Rect r : { Rect(5, 5, 5, 20), Rect(5, 5, 20, 5), Rect(5, 5, 0, 20) })
		EXPECT_TRUE(Play(one, r).empty());
	for(Size sz : { Size(0, 10), Size(10, 0), Size(-10, 10), Size(int(0x80000000), int(0x80000000)) }) {
		Drawing w = one;
		w.size = sz;
		EXPECT_TRUE(Play(w, Rect(0, 0, 10, 10)).empty());
	}
	// extreme coordinates and offsets neither overflow nor trap
	Rec far;
	for(int i = 0; i < 20; i++)
		far.B(3).I({ INT_MAX, INT_MIN });
	far.B(9).I({ INT_MAX, INT_MIN, INT_MAX, INT_MAX, 0 });
	PlayDraw d;
	PlayDrawing(d, Rect(INT_MIN, INT_MIN, INT_MAX, INT_MAX), far.Make(1, 3));
	EXPECT_EQ(d.calls.size(), 43u);
	EXPECT_EQ(d.level, 0);
}

TEST(Drawing, LevelsAreBalanced)
{
	// End without an open level is ignored; open levels close at the end
	Drawing w = Rec().B(8).B(2).B(3).I({ 1, 1 }).B(2).Make();
	EXPECT_EQ(Play(w, Rect(0, 0, 100, 100)), (Calls{ "Clipoff[0,0,100,100]", "Begin", "Offset(1,1)", "Begin", "End", "End", "End", "End" }));
	// an entry of the wrong kind throws out of playback, every level closed
	ValueArray bad;
	bad.Add(5);
	Drawing t = Rec().B(2).B(4).I({ 0, 0, 5, 5 }).B(10).I({ 0, 0, 1, 1 }).I({ 0, 0, 1, 1, 0 }).Make(100, 100, bad);
	PlayDraw d;
	EXPECT_THROW(PlayDrawing(d, Rect(0, 0, 100, 100), t), ValueTypeError);
	EXPECT_EQ(d.Take(), (Calls{ "Clipoff[0,0,100,100]", "Begin", "Clip[0,0,5,5]", "End", "End", "End" }));
	EXPECT_EQ(d.level, 0);
}

TEST(Drawing, MissingValuesAreNull)
{
	ValueArray one;
	one.Add("esc");
	// two escapes and an image with a one-entry list; the next entries do not exist
	Drawing w = Rec().B(21).B(21).B(10).I({ 1, 2, 3, 4 }).I({ 0, 0, 0, 0 }).I(-1).B(12).I({ 0, 0, 9, 9 }).Make(100, 100, one);
	EXPECT_EQ(Play(w, Rect(0, 0, 100, 100)), (Calls{ "Clipoff[0,0,100,100]", "Escape esc", "Escape ",
	                                                 "Image 1,2,3,4 " + RecordingDraw::Img(Image()) + "[0,0,0,0]#FFFFFFFF",
	                                                 "Drawing[0,0,9,9] -2147483648x-2147483648", "End" }));
	// an escape with no list at all
	EXPECT_EQ(Play(Rec().B(21).Make(), Rect(0, 0, 100, 100)), (Calls{ "Clipoff[0,0,100,100]", "Escape ", "End" }));
}

TEST(Drawing, BadCountsStopPlayback)
{
	auto poly = [](std::initializer_list<int> head, int vertices, std::initializer_list<int> counts) {
		Rec r;
		r.B(9).I({ 0, 0, 1, 1, 0 });
		r.B(17).B(3).I({ 1, 0, 0 });
		r.I(head);
		for(int i = 0; i < vertices; i++)
			r.I({ i, i });
		r.I(counts);
		r.B(9).I({ 0, 0, 1, 1, 0 });
		return r.Make();
	};
	Calls stopped = { "Clipoff[0,0,100,100]", "Rect 0,0,1,1#00000000", "End" };
	EXPECT_EQ(Play(poly({ 3, 2 }, 3, { 2, 1 }), Rect(0, 0, 100, 100)).size(), 5u); // sound
	EXPECT_EQ(Play(poly({ 3, 2 }, 3, { 2, 2 }), Rect(0, 0, 100, 100)), stopped);    // counts beyond the vertices
	EXPECT_EQ(Play(poly({ 3, 2 }, 3, { 4, -1 }), Rect(0, 0, 100, 100)), stopped);   // a negative count
	EXPECT_EQ(Play(poly({ 0x10000000, 1 }, 3, { 1 }), Rect(0, 0, 100, 100)), stopped); // more than the bytes hold
	EXPECT_EQ(Play(poly({ -1, 0 }, 0, {}), Rect(0, 0, 100, 100)), stopped);
	// polygons: sub-polygon counts against vertices, disjunct counts against sub-polygons
	auto gon = [](int v, std::initializer_list<int> sub, std::initializer_list<int> disj) {
		Rec r;
		r.B(18).B(3).I({ 0, 1, 0 }).I({ 0, 0 }).I(-1).I({ v, int(sub.size()), int(disj.size()) });
		for(int i = 0; i < v; i++)
			r.I({ i, 0 });
		r.I(sub).I(disj);
		return r.Make();
	};
	EXPECT_EQ(Play(gon(4, { 4 }, { 1 }), Rect(0, 0, 100, 100)).size(), 3u);
	EXPECT_EQ(Play(gon(4, { 2, 3 }, { 2 }), Rect(0, 0, 100, 100)).size(), 2u);
	EXPECT_EQ(Play(gon(4, { 2, 2 }, { 3 }), Rect(0, 0, 100, 100)).size(), 2u);
	// a truncated record is not performed
	Drawing cut = Rec().B(9).I({ 0, 0, 1 }).Make();
	EXPECT_EQ(Play(cut, Rect(0, 0, 100, 100)), (Calls{ "Clipoff[0,0,100,100]", "End" }));
	// a text count beyond the bytes, a string length beyond the bytes
	Drawing text = Rec().B(15).I({ 0, 0, 0 }).I({ 0, 0 }).I(0).B(0xFF).I(0x7FFFFFFF).B(1).Make();
	EXPECT_EQ(Play(text, Rect(0, 0, 100, 100)).size(), 2u);
	Drawing data = Rec().B(19).I({ 0, 0, 1, 1 }).B(0xFF).I(0x7FFFFFF0).Make();
	EXPECT_EQ(Play(data, Rect(0, 0, 100, 100)).size(), 2u);
}

// Text goes through the common text drawing, which splits it into runs by the glyphs the fonts
// have; the cases look at what does not depend on the installed fonts.
TEST(Drawing, TextRecords)
{
	Font f = Font(Font::SANSSERIF, 20);
	auto text = [&](int angle, int enc, int n, const String& chars, std::initializer_list<int> adv) {
		Rec r;
		r.B(15).I({ 5, 6, angle });
		StringStream fs;
		f.Serialize(fs);
		r.s.Cat(fs.GetResult());
		r.I(0);
		r.B(n + 1).B(enc);
		r.s.Cat(chars);
		r.B(adv.size() ? 1 : 0);
		for(int a : adv)
			r.B(a + 1);
		return r.Make();
	};
	auto fx = [](Font f) {
		char b[32];
		snprintf(b, sizeof(b), " f%llx#00000000", (unsigned long long)f.AsInt64());
		return std::string(b);
	};
	struct { Drawing w; std::string want; } cases[] = {
		{ text(0, 1, 2, "ab", {}), "Text 5,6 a0 \"ab\"" + fx(f) },
		{ text(0, 1, 2, "ab", { 7, 8 }), "Text 5,6 a0 \"ab\"" + fx(f) + " dx 7 8" },
		{ text(0, 0xFE, 2, String("\xE9\0\0\0z\0\0\0", 8), { 3, 4 }), "Text 5,6 a0 \"\xC3\xA9z\"" + fx(f) + " dx 3 4" },
		{ text(0, 0xFF, 2, String("\xE9\0z\0", 4), {}), "Text 5,6 a0 \"\xC3\xA9z\"" + fx(f) },
		// UTF-16: a surrogate pair is one character advancing by both units' advances, so the
		// letter after it starts at 5 + 4 + 5
		{ text(0, 0xFF, 3, String("\x3D\xD8\x00\xDE\x41\x00", 6), { 4, 5, 6 }), "Text 14,6 a0 \"A\"" + fx(f) + " dx 6" },
		// the angle is taken modulo 3600
		{ text(3700, 1, 1, "a", {}), "Text 5,6 a100 \"a\"" + fx(f) },
	};
	for(auto& c : cases) {
		Calls got = Play(c.w, Rect(0, 0, 100, 100));
		ASSERT_GE(got.size(), 3u);
		EXPECT_EQ(got[got.size() - 2], c.want);
	}
	// n below 0 is 0: nothing drawn, and the next record still read
	Drawing neg = text(0, 1, -1, "", {});
	neg.data.Cat(Rec().B(9).I({ 0, 0, 1, 1, 0 }).s);
	EXPECT_EQ(Play(neg, Rect(0, 0, 100, 100)), (Calls{ "Clipoff[0,0,100,100]", "Rect 0,0,1,1#00000000", "End" }));
	// scaled: advances follow the ratio of the diagonals, the height the smaller side ratio
	Calls got = Play(text(0, 1, 3, "abc", { 10, 10, 10 }), Rect(0, 0, 50, 50));
	EXPECT_EQ(got[1], "Text 2,3 a0 \"abc\"" + fx(Font(f).Height(10)) + " dx 5 5 5");
	got = Play(text(0, 1, 1, "a", { 3 }), Rect(0, 0, 1, 1));
	EXPECT_EQ(got[1], "Text 0,0 a0 \"a\"" + fx(Font(f).Height(1)) + " dx 0");
}

// Recording what the common text drawing sends and playing it back at 1:1 sends the same again.
TEST(Drawing, RecorderTextRoundTrip)
{
	Font f = Font(Font::SERIF, 13).Bold();
	for(const char* s : { "plain", "caf\xC3\xA9", "\xCE\xB1\xCE\xB2", "\xF0\x9F\x98\x80!", "\xC4\x81" }) {
		WString t = ToUtf32(s);
		Vector<int> dx;
		for(int i = 0; i < t.GetLength(); i++)
			dx.Add(i + 3);
		for(int angle : { 0, 450 })
			for(const int* adv : { (const int*)nullptr, (const int*)dx.begin() }) {
				PlayDraw direct;
				direct.DrawText(1, 2, angle, t.Begin(), f, Color(1, 2, 3), t.GetLength(), adv);
				Calls want = { "Clipoff[0,0,10,10]" };
				for(const std::string& c : direct.Take())
					want.push_back(c);
				want.push_back("End");
				DrawingDraw r(10, 10);
				r.DrawText(1, 2, angle, t.Begin(), f, Color(1, 2, 3), t.GetLength(), adv);
				EXPECT_EQ(Play(Reload(r), Rect(0, 0, 10, 10)), want) << s;
			}
	}
}

TEST(Drawing, NestedDrawings)
{
	DrawingDraw inner(10, 10);
	inner.DrawRectOp(0, 0, 10, 10, Color(1, 1, 1));
	DrawingDraw outer(100, 100);
	outer.DrawDrawingOp(Rect(10, 10, 30, 30), inner);
	EXPECT_EQ(Play(outer, Rect(0, 0, 50, 50)), (Calls{ "Clipoff[0,0,50,50]", "Drawing[5,5,15,15] 10x10",
	          "Clipoff[5,5,15,15]", "Rect 0,0,10,10#00010101", "End", "End" }));
	// inline drawings each load fresh: the second, without a list, reads its image inline
	Drawing a = Rec().B(21).Make(1, 1);
	a.val.Add("from a");
	Image img = TestImage();
	Rec b;
	b.B(10).I({ 0, 0, 4, 3 });
	StringStream is;
	img.Serialize(is);
	b.s.Cat(is.GetResult());
	b.I({ 0, 0, 4, 3 }).I(-1);
	Drawing bw = b.Make(4, 3);
	StringStream os;
	a.Serialize(os);
	bw.Serialize(os);
	String nested = os.GetResult();
	Rec o;
	o.B(12);
	o.s.Cat(nested.Mid(0, nested.GetLength() - (int)StoreAsString(bw).GetLength() + 12)); // a's stored form
	o.I({ 0, 0, 1, 1 }).B(12);
	o.s.Cat(nested.Mid(nested.GetLength() - (int)StoreAsString(bw).GetLength() + 12));
	o.I({ 0, 0, 4, 3 });
	Calls got = Play(o.Make(4, 3), Rect(0, 0, 4, 3));
	EXPECT_EQ(got, (Calls{ "Clipoff[0,0,4,3]", "Drawing[0,0,1,1] 1x1", "Clipoff[0,0,1,1]", "Escape from a", "End",
	                       "Drawing[0,0,4,3] 4x3", "Clipoff[0,0,4,3]",
	                       "Image 0,0,4,3 " + RecordingDraw::Img(img) + "[0,0,4,3]#FFFFFFFF", "End", "End" }));
}

TEST(Drawing, NestingDepthIsLimited)
{
	Drawing w = Rec().B(9).I({ 0, 0, 1, 1, 0 }).Make(1, 1);
	for(int i = 0; i < 100; i++) {
		DrawingDraw r(1, 1);
		r.DrawDrawingOp(Rect(0, 0, 1, 1), w);
		w = r;
	}
	PlayDraw d;
	PlayDrawing(d, Rect(0, 0, 1, 1), w);
	int clips = 0;
	for(const std::string& s : d.Take())
		clips += s.rfind("Clipoff", 0) == 0;
	EXPECT_EQ(clips, 64);
	// the limit is per playback chain, not per process
	PlayDrawing(d, Rect(0, 0, 1, 1), Rec().Make(1, 1));
	EXPECT_EQ(d.Take().size(), 2u);
}
