#include <gtest/gtest.h>

#include "RecordingDraw.h"

using namespace Qel;
using QelTest::RecordingDraw;
using Calls = std::vector<std::string>;

// Text records pull in the font code, whose fontconfig loses a block while it reads some system
// configurations; that is not ours to find.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace {

// Also records the slots whose defaults RecordingDraw keeps; nested drawings are recorded, then
// played by the default.
struct PlayDraw : RecordingDraw {
	Color ink = Color(0, 0, 0);

	Color GetDefaultInk() const override { return ink; }
	void DrawImageOp(int x, int y, int cx, int cy, const Image& m, const Rect& src, Color c) override
	{ Put("Image " + I(x) + "," + I(y) + "," + I(cx) + "," + I(cy) + " " + Img(m) + R(src) + C(c)); }
	void DrawDataOp(int x, int y, int cx, int cy, const String& data, const char* id) override
	{ Put("Data " + I(x) + "," + I(y) + "," + I(cx) + "," + I(cy) + " " + id + ":" + ~data); }
	void DrawPaintingOp(const Rect& r, const Painting& p) override { Put("Painting" + R(r) + " " + ~p.cmd); }
	void DrawDrawingOp(const Rect& r, const Drawing& w) override
	{
		Put("Drawing" + R(r) + " " + I(w.size.cx) + "x" + I(w.size.cy));
		Draw::DrawDrawingOp(r, w);
	}
};

// A command stream built by hand.
struct Rec {
	String s;
	Rec& B(int b)                        { s.Cat(char(b)); return *this; }
	Rec& I(std::initializer_list<int> v) { for(int x : v) s.Cat((const char*)&x, 4); return *this; }
	Rec& Add(const String& t)            { s.Cat(t); return *this; }
	template <class T> Rec& Obj(T x)     { StringStream ss; x.Serialize(ss); return Add(ss.GetResult()); }
	Drawing Make(int cx = 100, int cy = 100, ValueArray val = ValueArray()) const
	{ Drawing w; w.size = Size(cx, cy); w.data = s; w.val = val; return w; }
};

Calls Play(const Drawing& w, Rect r = Rect(0, 0, 100, 100), Color ink = Color(0, 0, 0))
{
	PlayDraw d;
	d.ink = ink;
	PlayDrawing(d, r, w);
	EXPECT_EQ(d.level, 0);
	return d.Take();
}

Drawing Reload(Drawing w)
{
	Drawing r;
	EXPECT_TRUE(LoadFromString(r, StoreAsString(w)));
	return r;
}

Image TestImage()
{
	ImageBuffer b(4, 3);
	for(int i = 0; i < 12; i++)
		b.Begin()[i] = RGBA{ byte(i), byte(2 * i), byte(3 * i), 255 };
	return b;
}

// Every kind of record, on any target.
void Scene(Draw& d)
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
	int c[] = { 3, 2 }, sc[] = { 4 }, dc[] = { 1 };
	d.DrawPolyPolylineOp(v, 5, c, 2, 1, Color(1, 1, 1), Color());
	d.DrawPolyPolyPolygonOp(v, 4, sc, 1, dc, 1, Color(7, 7, 7), 2, Color(8, 8, 8), 0xAA55, Color());
	d.EndOp();
	d.DrawImageOp(3, 4, 8, 6, TestImage(), Rect(0, 0, 4, 3), Color());
	d.DrawDataOp(1, 1, 20, 10, "payload", "my_format");
	Painting p;
	p.cmd = "paint";
	d.DrawPaintingOp(Rect(0, 0, 10, 10), p);
	d.Escape("data:x");
}

} // namespace

TEST(Drawing, StoredLayout)
{
	DrawingDraw r(100, 50);
	r.BeginOp();
	r.DrawRectOp(1, 2, 3, 4, Color::FromRaw(0x00332211));
	r.DrawEllipseOp(Rect(0, 0, 1, 1), Color(), -1, DEFAULT_INK);
	r.EndOp();
	Drawing w = r;
	DrawingDraw e(10, 20);
	e.Escape("hi");
	String stream = "02" "09" "01000000" "02000000" "03000000" "04000000" "11223300"
	                "0e" "00000000" "00000000" "01000000" "01000000" "ffffffff" "00" "fe000080" "08";
	struct { Drawing w; String hex; } cases[] = {
		{ w, "64000000" "32000000" "31" + stream },
		// a value list: bit 31 of cy, then the list (one String "hi") after the data
		{ e, "0a000000" "14000080" "01" "15" "02" "04" "02" "6869" },
		// a negative height says the same: an empty list follows
		{ Drawing(), "00000080" "00000080" "00" "01" },
	};
	for(auto& c : cases) {
		StringStream ss;
		c.w.Serialize(ss);
		EXPECT_EQ(HexString(ss.GetResult()), c.hex);
		EXPECT_EQ(Reload(c.w), c.w);
	}
	EXPECT_EQ(HexString(StoreAsString(w)), "64617461" + cases[0].hex + "656e6400" "42000000");
}

TEST(Drawing, EveryDrawingLoadsBackAndDamageFails)
{
	ValueArray one;
	one.Add("x");
	for(Size sz : { Size(10, -1), Size(10, -300), Size(10, 20), Size(0, 7), Size(-5, 1073741823) })
		for(bool list : { false, true }) {
			Drawing w = Rec().B(2).B(8).Make(sz.cx, sz.cy, list ? one : ValueArray());
			EXPECT_EQ(Reload(w), w) << sz.cx << "x" << sz.cy;
		}
	Drawing w = Rec().B(21).B(9).I({ 0, 0, 1, 1, 0 }).Make(10, 10, one);
	String s = StoreAsString(w);
	for(int n = 0; n < s.GetLength(); n++) {
		Drawing back;
		EXPECT_FALSE(LoadFromString(back, s.Mid(0, n))) << n;
		EXPECT_TRUE(back.IsNullInstance());
	}
	Drawing back; // a data length far beyond what the stream holds
	EXPECT_FALSE(LoadFromString(back, String("data\x0a\0\0\0\x0a\0\0\0\xff\xff\xff\xff\x7f", 17)));
}

// Recording and playing at 1:1 gives the target the calls it would have had directly, inside the
// playback's own clip, also after storing and loading.
TEST(Drawing, PlaySameSize)
{
	PlayDraw direct;
	Scene(direct);
	Calls want = { "Clipoff[20,30,120,130]" };
	for(const std::string& s : direct.Take())
		want.push_back(s);
	want.push_back("End");
	DrawingDraw r(100, 100);
	Scene(r);
	Drawing w = r;
	EXPECT_EQ(Play(w, Rect(20, 30, 120, 130)), want);
	EXPECT_EQ(Play(Reload(w), Rect(20, 30, 120, 130)), want);
}

TEST(Drawing, PlayScaled)
{
	DrawingDraw r(100, 100);
	Scene(r);
	EXPECT_EQ(Play(r, Rect(0, 0, 50, 50)), (Calls{
		"Clipoff[0,0,50,50]",
		"Begin", "Offset(2,3)", "Rect 1,1,15,20#00030201", "Clip[0,0,25,30]", "Line 0,0,45,40 w1#000000C8", "End", "End", "End",
		"Clipoff[5,5,30,35]", "ExcludeClip[0,0,1,1]", "IntersectClip[0,0,20,20]",
		"Ellipse[0,1,15,10]#00FF0000 w-1#FFFFFFFF", "Arc[0,0,10,10](10,5)(5,0) w1#00000900",
		"PolyPolyline(0,0)(5,0)(5,5)(0,5)(2,2) counts 3 2 w0#00010101#FFFFFFFF",
		"PolyPolyPolygon(0,0)(5,0)(5,5)(0,5) sub 4 disj 1#00070707 w1#00080808 paa55#FFFFFFFF", "End",
		"Image 1,2,4,3 " + RecordingDraw::Img(TestImage()) + "[0,0,4,3]#FFFFFFFF", "Data 0,0,10,5 my_format:payload",
		"Painting[0,0,5,5] paint", "Escape data:x", "End" }));
	// an offset and the coordinates after it are scaled together: X(1) = 11 / 3 - 3 = 0
	DrawingDraw o(300, 300);
	o.OffsetOp(Point(10, 10));
	o.DrawRectOp(1, 1, 1, 1, Color(0, 0, 0));
	EXPECT_EQ(Play(o), (Calls{ "Clipoff[0,0,100,100]", "Offset(3,3)", "Rect 0,0,1,1#00000000", "End", "End" }));
}

TEST(Drawing, ScaledWidthsAndInks)
{
	Point v[] = { {0, 0}, {10, 10} };
	int c[] = { 2 };
	struct { std::function<void (Draw&)> op; std::string want; } cases[] = {
		{ [](Draw& d) { d.DrawLineOp(0, 0, 10, 10, 4, Color(0, 0, 0)); }, "Line 0,0,5,5 w2#00000000" },
		{ [](Draw& d) { d.DrawLineOp(0, 0, 10, 10, 1, Color(0, 0, 0)); }, "Line 0,0,5,5 w0#00000000" },
		{ [](Draw& d) { d.DrawLineOp(0, 0, 10, 10, -1, Color(0, 0, 0)); }, "Line 0,0,5,5 w-1#00000000" },
		{ [&](Draw& d) { d.DrawPolyPolylineOp(v, 2, c, 1, -1, DEFAULT_INK, Color()); },
		  "PolyPolyline(0,0)(5,5) counts 2 w-1#00123456#FFFFFFFF" },
		{ [&](Draw& d) { d.DrawPolyPolyPolygonOp(v, 2, c, 1, c, 0, DEFAULT_INK, -1, DEFAULT_INK, 0, Color()); },
		  "PolyPolyPolygon(0,0)(5,5) sub 2 disj#00123456 w0#800000FE p0#FFFFFFFF" },
		{ [](Draw& d) { d.DrawLineOp(0, 0, 2, 2, 0, DEFAULT_INK); }, "Line 0,0,1,1 w0#00123456" },
		{ [](Draw& d) { d.DrawRectOp(10, 10, 20, 20, DEFAULT_INK); }, "Rect 5,5,10,10#800000FE" },
		{ [](Draw& d) { d.DrawEllipseOp(Rect(0, 0, 4, 4), DEFAULT_INK, 2, DEFAULT_INK); }, "Ellipse[0,0,2,2]#00123456 w1#00123456" },
		{ [](Draw& d) { d.DrawArcOp(Rect(0, 0, 4, 4), Point(0, 0), Point(4, 4), 3, DEFAULT_INK); }, "Arc[0,0,2,2](0,0)(2,2) w1#00123456" },
	};
	for(auto& t : cases) {
		DrawingDraw r(100, 100);
		t.op(r);
		EXPECT_EQ(Play(r, Rect(0, 0, 50, 50), Color::FromRaw(0x123456)), (Calls{ "Clipoff[0,0,50,50]", t.want, "End" }));
	}
}

TEST(Drawing, NothingToPlay)
{
	Drawing one = Rec().B(9).I({ 0, 0, 1, 1, 0 }).Make();
	EXPECT_EQ(Play(Rec().Make(), Rect(0, 0, 10, 10)), (Calls{ "Clipoff[0,0,10,10]", "End" }));
	for(Rect r : { Rect(5, 5, 5, 20), Rect(5, 5, 20, 5), Rect(5, 5, 0, 20) })
		EXPECT_TRUE(Play(one, r).empty());
	for(Size sz : { Size(0, 10), Size(10, 0), Size(-10, 10), Size(INT_NULL, INT_NULL) })
		EXPECT_TRUE(Play(Rec().Add(one.data).Make(sz.cx, sz.cy)).empty());
	// extreme coordinates and offsets neither overflow nor trap
	Rec far;
	for(int i = 0; i < 20; i++)
		far.B(3).I({ INT_MAX, INT_MIN });
	far.B(9).I({ INT_MAX, INT_MIN, INT_MAX, INT_MAX, 0 });
	EXPECT_EQ(Play(far.Make(1, 3), Rect(INT_MIN, INT_MIN, INT_MAX, INT_MAX)).size(), 43u);
}

TEST(Drawing, LevelsAndValuesOfBadRecords)
{
	// an End without an open level is ignored; open levels close at the end
	EXPECT_EQ(Play(Rec().B(8).B(2).B(3).I({ 1, 1 }).B(2).Make()),
	          (Calls{ "Clipoff[0,0,100,100]", "Begin", "Offset(1,1)", "Begin", "End", "End", "End", "End" }));
	// an entry of the wrong kind throws out of playback, every level closed
	ValueArray bad;
	bad.Add(5);
	PlayDraw d;
	EXPECT_THROW(PlayDrawing(d, Rect(0, 0, 100, 100), Rec().B(2).B(4).I({ 0, 0, 5, 5 }).B(10).I({ 0, 0, 1, 1 }).Make(100, 100, bad)),
	             ValueTypeError);
	EXPECT_EQ(d.Take(), (Calls{ "Clipoff[0,0,100,100]", "Begin", "Clip[0,0,5,5]", "End", "End", "End" }));
	// entries past the end of the list are Null, and an escape without a list has an empty text
	ValueArray one;
	one.Add("esc");
	EXPECT_EQ(Play(Rec().B(21).B(21).B(10).I({ 1, 2, 3, 4, 0, 0, 0, 0, -1 }).B(12).I({ 0, 0, 9, 9 }).Make(100, 100, one)),
	          (Calls{ "Clipoff[0,0,100,100]", "Escape esc", "Escape ", "Image 1,2,3,4 " + RecordingDraw::Img(Image()) + "[0,0,0,0]#FFFFFFFF",
	                  "Drawing[0,0,9,9] -2147483648x-2147483648", "End" }));
	EXPECT_EQ(Play(Rec().B(21).Make()), (Calls{ "Clipoff[0,0,100,100]", "Escape ", "End" }));
}

TEST(Drawing, BadCountsStopPlayback)
{
	Rec rect = Rec().B(9).I({ 0, 0, 1, 1, 0 });
	auto poly = [&](std::initializer_list<int> head, int vertices, std::initializer_list<int> counts) {
		Rec r = Rec().Add(rect.s).B(17).B(3).I({ 1, 0, 0 }).I(head);
		for(int i = 0; i < vertices; i++)
			r.I({ i, i });
		return r.I(counts).Add(rect.s).Make();
	};
	auto gon = [](int v, std::initializer_list<int> sub, std::initializer_list<int> disj) {
		Rec r = Rec().B(18).B(3).I({ 0, 1, 0, 0, 0, -1, v, int(sub.size()), int(disj.size()) });
		for(int i = 0; i < v; i++)
			r.I({ i, 0 });
		return r.I(sub).I(disj).Make();
	};
	struct { Drawing w; size_t calls; } cases[] = {
		{ poly({ 3, 2 }, 3, { 2, 1 }), 5 },            // sound
		{ poly({ 3, 2 }, 3, { 2, 2 }), 3 },            // counts beyond the vertices
		{ poly({ 3, 2 }, 3, { 4, -1 }), 3 },           // a negative count
		{ poly({ 0x10000000, 1 }, 3, { 1 }), 3 },      // more than the bytes hold
		{ poly({ -1, 0 }, 0, {}), 3 },
		{ gon(4, { 4 }, { 4 }), 3 },                    // sound
		{ gon(6, { 3, 3 }, { 3, 3 }), 3 },              // sound: two disjuncts
		{ gon(4, { 2, 3 }, { 4 }), 2 },                 // sub-polygons beyond the vertices
		{ gon(4, { 2, 2 }, { 3, 2 }), 2 },              // disjuncts beyond the vertices
		{ gon(4, { 2, 2 }, { 4, -1 }), 2 },             // a negative disjunct
		{ Rec().B(9).I({ 0, 0, 1 }).Make(), 2 },        // truncated
		{ Rec().B(15).I({ 0, 0, 0, 0, 0, 0 }).B(0xFF).I({ 0x7FFFFFFF }).B(1).Make(), 2 }, // text count
		{ Rec().B(19).I({ 0, 0, 1, 1 }).B(0xFF).I({ 0x7FFFFFF0 }).Make(), 2 },          // string length
	};
	for(auto& c : cases)
		EXPECT_EQ(Play(c.w).size(), c.calls) << HexString(c.w.data);
}

// Text goes through the common text drawing, which splits it into runs by the glyphs the fonts
// have; the cases look only at what does not depend on the installed fonts.
TEST(Drawing, TextRecords)
{
	Font f = Font(Font::SANSSERIF, 20);
	auto text = [&](int angle, int enc, int n, const String& chars, std::initializer_list<int> adv) {
		Rec r = Rec().B(15).I({ 5, 6, angle }).Obj(f).I({ 0 }).B(n + 1).B(enc).Add(chars).B(adv.size() ? 1 : 0);
		for(int a : adv)
			r.B(a + 1);
		return r.Make();
	};
	auto fx = [](Font f) { return " f" + std::string(~Format("%llx", f.AsInt64())) + "#00000000"; };
	struct { Drawing w; std::string want; } cases[] = {
		{ text(0, 1, 2, "ab", {}), "Text 5,6 a0 \"ab\"" + fx(f) },
		{ text(0, 1, 2, "ab", { 7, 8 }), "Text 5,6 a0 \"ab\"" + fx(f) + " dx 7 8" },
		{ text(0, 0xFE, 2, String("\xE9\0\0\0z\0\0\0", 8), { 3, 4 }), "Text 5,6 a0 \"\xC3\xA9z\"" + fx(f) + " dx 3 4" },
		{ text(0, 0xFF, 2, String("\xE9\0z\0", 4), {}), "Text 5,6 a0 \"\xC3\xA9z\"" + fx(f) },
		// UTF-16: a surrogate pair is one character advancing by both advances: "A" at 5 + 4 + 5
		{ text(0, 0xFF, 3, String("\x3D\xD8\x00\xDE\x41\x00", 6), { 4, 5, 6 }), "Text 14,6 a0 \"A\"" + fx(f) + " dx 6" },
		{ text(3700, 1, 1, "a", {}), "Text 5,6 a100 \"a\"" + fx(f) }, // the angle modulo 3600
	};
	for(auto& c : cases) {
		Calls got = Play(c.w);
		ASSERT_GE(got.size(), 3u);
		EXPECT_EQ(got[got.size() - 2], c.want);
	}
	// scaled: advances by the ratio of the diagonals, the height by the smaller side ratio
	EXPECT_EQ(Play(text(0, 1, 3, "abc", { 10, 10, 10 }), Rect(0, 0, 50, 50))[1], "Text 2,3 a0 \"abc\"" + fx(Font(f).Height(10)) + " dx 5 5 5");
	EXPECT_EQ(Play(text(0, 1, 1, "a", { 3 }), Rect(0, 0, 1, 1))[1], "Text 0,0 a0 \"a\"" + fx(Font(f).Height(1)) + " dx 0");
	Font wide = f;
	f.Width(30); // the width scales like the height
	EXPECT_EQ(Play(text(0, 1, 1, "a", { 4 }), Rect(0, 0, 50, 50))[1], "Text 2,3 a0 \"a\"" + fx(wide.Height(10).Width(15)) + " dx 2");
	f = Font(Font::SANSSERIF, 20);
	// a 32-bit value that is no character does not stop the text
	Calls bad = Play(text(0, 0xFE, 2, String("\xFF\xFF\xFF\xFFz\0\0\0", 8), { 3, 4 }));
	EXPECT_NE(bad[bad.size() - 2].find("z\"" + fx(f) + " dx"), std::string::npos);
	// n below 0 is 0: nothing drawn, and the next record still read
	EXPECT_EQ(Play(Rec().Add(text(0, 1, -1, "", {}).data).B(9).I({ 0, 0, 1, 1, 0 }).Make()),
	          (Calls{ "Clipoff[0,0,100,100]", "Rect 0,0,1,1#00000000", "End" }));
}

// What the common text drawing sends, recorded and played at 1:1, is sent again unchanged.
TEST(Drawing, RecordedTextPlaysBack)
{
	for(const char* s : { "plain", "caf\xC3\xA9", "\xCE\xB1\xCE\xB2", "\xF0\x9F\x98\x80!", "\xC4\x81" }) {
		WString t = ToUtf32(s);
		Vector<int> dx;
		for(int i = 0; i < t.GetLength(); i++)
			dx.Add(i + 3);
		for(int angle : { 0, 450 })
			for(const int* adv : { (const int*)nullptr, (const int*)dx.begin() }) {
				PlayDraw direct;
				DrawingDraw r(10, 10);
				for(Draw* d : { (Draw*)&direct, (Draw*)&r })
					d->DrawText(1, 2, angle, t.Begin(), Font(Font::SERIF, 13).Bold(), Color(1, 2, 3), t.GetLength(), adv);
				Calls want = direct.Take();
				want.insert(want.begin(), "Clipoff[0,0,10,10]");
				want.push_back("End");
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
	// inline drawings load fresh: the second, without a list, reads its image inline and does not
	// take the first one's list
	ValueArray list;
	list.Add("from a");
	Image img = TestImage();
	Drawing a = Rec().B(21).Make(1, 1, list);
	Drawing b = Rec().B(10).I({ 0, 0, 4, 3 }).Obj(img).I({ 0, 0, 4, 3, -1 }).Make(4, 3);
	EXPECT_EQ(Play(Rec().B(12).Obj(a).I({ 0, 0, 1, 1 }).B(12).Obj(b).I({ 0, 0, 4, 3 }).Make(4, 3), Rect(0, 0, 4, 3)),
	          (Calls{ "Clipoff[0,0,4,3]", "Drawing[0,0,1,1] 1x1", "Clipoff[0,0,1,1]", "Escape from a", "End",
	                  "Drawing[0,0,4,3] 4x3", "Clipoff[0,0,4,3]", "Image 0,0,4,3 " + RecordingDraw::Img(img) + "[0,0,4,3]#FFFFFFFF",
	                  "End", "End" }));
	// nesting stops at 64 levels, and the next playback starts afresh
	Drawing w = Rec().B(9).I({ 0, 0, 1, 1, 0 }).Make(1, 1);
	for(int i = 0; i < 100; i++) {
		DrawingDraw r(1, 1);
		r.DrawDrawingOp(Rect(0, 0, 1, 1), w);
		w = r;
	}
	Calls got = Play(w, Rect(0, 0, 1, 1));
	EXPECT_EQ(std::count_if(got.begin(), got.end(), [](const std::string& s) { return s.rfind("Clipoff", 0) == 0; }), 64);
	EXPECT_EQ(Play(Rec().Make(1, 1), Rect(0, 0, 1, 1)).size(), 2u);
}
