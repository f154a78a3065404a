#include "RecordingPainter.h"
#include "TestPixels.h"

#include <painter/Painter.h>
#include <painter/record/detail/PaintingCodes.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

using namespace Qel;
using QelTest::Rgba;
using QelTest::RandomImage;
using QelTest::RecordingPainter;

namespace {

// The shared recorder, plus the font of characters and the text runs as runs.
struct Recorder : RecordingPainter {
	void CharacterOp(const Pointf& p, int ch, Font f) override
	{
		Put("Character" + P(p) + std::to_string(ch) + "/" + std::to_string(f.AsInt64()));
	}
	void TextOp(const Pointf& p, const wchar* text, Font f, int n, const double* dx) override
	{
		std::string s = "Text" + P(p) + std::to_string(n) + "/" + std::to_string(f.AsInt64()) + ":";
		for(int i = 0; i < n; i++)
			s += std::to_string(text[i]) + (dx ? "@" + N(dx[i]) : "") + ",";
		Put(s + (dx ? "dx" : "nodx"));
	}
};


Image sImage(int cx, int cy)
{
	ImageBuffer ib(cx, cy);
	for(RGBA& c : ib)
		c = Rgba(1, 2, 3, 255);
	return ib;
}

Xform2D sXform(double k)
{
	Xform2D m;
	m.x = Pointf(k, 0.5);
	m.y = Pointf(-0.25, k + 1);
	m.t = Pointf(3 * k, -k);
	return m;
}

// Every painter call the stream can hold, each once (paired path codes both ways).
void sEveryCall(Painter& p)
{
	RGBA a = Rgba(10, 20, 30, 40), b = Rgba(50, 60, 70, 80);
	Font fnt = Font::FromInt64(0x0012003400560078LL);
	p.ClearOp(a);
	for(bool rel : {false, true}) {
		p.MoveOp(Pointf(1, 2), rel);
		p.LineOp(Pointf(3, 4), rel);
		p.QuadraticOp(Pointf(5, 6), Pointf(7, 8), rel);
		p.SmoothQuadraticOp(Pointf(9, 10), rel);
		p.CubicOp(Pointf(11, 12), Pointf(13, 14), Pointf(15, 16), rel);
		p.SmoothCubicOp(Pointf(17, 18), Pointf(19, 20), rel);
		p.ArcOp(Pointf(21, 22), Pointf(23, 24), 0.5, -1.25, rel);
		p.SvgArcOp(Pointf(25, 26), 0.75, rel, !rel, Pointf(27, 28), rel);
	}
	p.LineOp(Pointf(-INFINITY, 5), false); // a Null coordinate stays Null
	p.CloseOp();
	p.DivOp();
	p.FillOp(a);
	p.FillOp(sImage(3, 2), sXform(1), 13);
	p.FillOp(Pointf(1, 1), a, Pointf(9, 9), b, 2);
	p.FillOp(Pointf(2, 3), a, Pointf(4, 5), 6.5, b, 129);
	p.StrokeOp(1.5, b);
	p.StrokeOp(2.5, sImage(5, 1), sXform(2), 128 + 6);
	p.StrokeOp(3.5, Pointf(0, 1), b, Pointf(2, 3), a, 1);
	p.StrokeOp(4.5, Pointf(5, 6), b, Pointf(7, 8), 9.5, a, 0);
	p.ClipOp();
	p.CharacterOp(Pointf(10, 20), 0x1F600, fnt);
	wchar text[] = {'a', 0x10FFFF, 'c'};
	double dx[] = {1.5, 2.5, 3.5};
	p.TextOp(Pointf(1, 2), text, fnt, 3, dx);
	p.TextOp(Pointf(3, 4), text, fnt, 2, nullptr);
	p.TextOp(Pointf(5, 6), text, fnt, 0, nullptr);
	p.ColorStopOp(0.25, b);
	p.ClearStopsOp();
	p.OpacityOp(0.5);
	p.LineCapOp(2);
	p.LineJoinOp(4);
	p.MiterLimitOp(7);
	p.EvenOddOp(true);
	p.EvenOddOp(false);
	p.DashOp(Vector<double>{4, 2, 1, 2}, 1.5);
	p.DashOp(Vector<double>(), 3);
	p.TransformOp(sXform(3));
	p.BeginOp();
	p.BeginMaskOp();
	p.BeginOnPathOp(0.5, true);
	p.InvertOp(true);
	p.FillOp(a, b, sXform(4), 1);
	p.StrokeOp(5.5, b, a, sXform(5), 2);
	p.FillOp(Pointf(0.5, 0.25), a, b, sXform(6), 0);
	p.StrokeOp(6.5, Pointf(0.75, 0.125), b, a, sXform(7), 130);
	p.ImageFilterOp(7);
	p.EndOp();
	p.EndOp();
	p.EndOp();
}

Painting sRecordEverything()
{
	PaintingPainter pp(100, 50);
	sEveryCall(pp);
	return pp;
}

std::vector<std::string> sPlay(const Painting& p)
{
	Recorder r;
	PlayPainting(r, p);
	return r.calls;
}

Painting sStream(const std::vector<byte>& bytes)
{
	Painting p;
	p.cmd = String((const char*)bytes.data(), (int)bytes.size());
	return p;
}

void sPutDouble(std::vector<byte>& v, double d)
{
	byte b[8];
	memcpy(b, &d, 8);
	v.insert(v.end(), b, b + 8);
}

void sPutInt(std::vector<byte>& v, int x)
{
	byte b[4];
	memcpy(b, &x, 4);
	v.insert(v.end(), b, b + 4);
}

} // namespace

TEST(Painting, RecordAndPlayEveryCommand)
{
	Recorder direct;
	sEveryCall(direct);
	Painting p = sRecordEverything();
	EXPECT_EQ(p.size, Sizef(100, 50));
	EXPECT_EQ(p.data.GetCount(), 2);
	std::vector<std::string> played = sPlay(p);
	EXPECT_EQ(played, direct.calls);
	// playing twice gives the same calls: playback keeps no state of its own
	EXPECT_EQ(sPlay(p), direct.calls);
}

TEST(Painting, StreamFormat)
{
	PaintingPainter pp;
	pp.ClearOp(Rgba(1, 2, 3, 4));
	pp.MoveOp(Pointf(1, 2), true);
	pp.MiterLimitOp(4.75);
	pp.FillOp(sImage(2, 2), Xform2D(), 0x1FF);
	Painting p = pp;
	const byte* s = (const byte*)~p.cmd;
	ASSERT_EQ(p.cmd.GetLength(), 5 + 17 + 2 + 50);
	// colours in memory order b, g, r, a
	EXPECT_EQ(std::vector<byte>(s, s + 5), (std::vector<byte>{0, 3, 2, 1, 4}));
	EXPECT_EQ(s[5], 5);
	double y;
	memcpy(&y, s + 14, 8);
	EXPECT_EQ(y, 2);
	EXPECT_EQ(s[22], 38);
	EXPECT_EQ(s[23], 4); // whole numbers only
	EXPECT_EQ(s[24], 23);
	double xx;
	memcpy(&xx, s + 25, 8);
	EXPECT_EQ(xx, 1);
	EXPECT_EQ(s[73], 255);
	// GetResult leaves the painter able to go on
	pp.CloseOp();
	Painting q = pp;
	EXPECT_EQ(q.cmd.GetLength(), p.cmd.GetLength() + 1);
	EXPECT_EQ(q.data.GetCount(), 1);
}

// The recorder writes every code that playback reads, each by the one operand table.
TEST(Painting, EveryCodeByTheTable)
{
	using Qel::detail::PAINTING_OPERANDS;
	Painting p = sRecordEverything();
	const byte* s = (const byte*)~p.cmd;
	const byte* e = s + p.cmd.GetLength();
	std::vector<bool> seen(256);
	while(s < e) {
		int code = *s++;
		int n = PAINTING_OPERANDS[code];
		ASSERT_GE(n, 0) << code;
		seen[code] = true;
		int count = 0;
		if(code == Qel::detail::PAINTING_TEXT || code == Qel::detail::PAINTING_DASH)
			memcpy(&count, s + (code == Qel::detail::PAINTING_TEXT ? 16 : 0), 4);
		int item = code == Qel::detail::PAINTING_DASH ? 8 : code == Qel::detail::PAINTING_TEXT ? s[20] ? 12 : 4 : 0;
		s += n + count * item + (code == Qel::detail::PAINTING_DASH ? 8 : 0);
	}
	EXPECT_EQ(s, e);
	for(int code = 0; code < 256; code++)
		EXPECT_EQ(seen[code], PAINTING_OPERANDS[code] >= 0) << code;
}

TEST(Painting, HandWrittenStreams)
{
	EXPECT_TRUE(sPlay(Painting()).empty());
	// unknown codes are skipped one byte at a time
	EXPECT_EQ(sPlay(sStream({1, 2, 3, 60, 255, 52, 20})), (std::vector<std::string>{"Close"}));
	// 38 with 4: a miter limit of 4
	EXPECT_EQ(sPlay(sStream({38, 4})), (std::vector<std::string>{"MiterLimit4"}));
	// 40 with no lengths and start 3: solid with start 3
	std::vector<byte> d = {40};
	sPutInt(d, 0);
	sPutDouble(d, 3);
	EXPECT_EQ(sPlay(sStream(d)), (std::vector<std::string>{"Dash[]3"}));
	// 4 then 5: the second move is relative
	std::vector<byte> m = {4};
	sPutDouble(m, 10);
	sPutDouble(m, 10);
	m.push_back(5);
	sPutDouble(m, 1);
	sPutDouble(m, 2);
	EXPECT_EQ(sPlay(sStream(m)), (std::vector<std::string>{"Move(10,10)", "Move(1,2),rel"}));
}

TEST(Painting, ImagesRunOut)
{
	PaintingPainter pp(10, 10);
	pp.FillOp(sImage(4, 4), Xform2D(), 0);
	pp.CloseOp();
	pp.StrokeOp(2, sImage(3, 3), Xform2D(), 0);
	pp.CloseOp();
	Painting p = pp;
	EXPECT_EQ(sPlay(p).size(), 4u);
	// one image for two image commands: the first plays, playback stops at the second
	Painting one = p;
	one.data = ValueArray();
	one.data.Add(sImage(4, 4));
	std::vector<std::string> c = sPlay(one);
	ASSERT_EQ(c.size(), 2u);
	EXPECT_EQ(c[0].substr(0, 10), "FillImage4");
	// an element that is not an Image stops it at once
	Painting wrong = p;
	wrong.data = ValueArray();
	wrong.data.Add(Value(5));
	wrong.data.Add(sImage(3, 3));
	EXPECT_TRUE(sPlay(wrong).empty());
}

TEST(Painting, CutAtEveryByte)
{
	Painting full = sRecordEverything();
	std::vector<std::string> all = sPlay(full);
	int n = full.cmd.GetLength();
	size_t last = 0;
	for(int i = 0; i <= n; i++) {
		Painting p = full;
		p.cmd = full.cmd.Mid(0, i);
		std::vector<std::string> c = sPlay(p);
		// what plays is always the calls of the whole commands so far
		ASSERT_LE(c.size(), all.size()) << i;
		EXPECT_TRUE(std::equal(c.begin(), c.end(), all.begin())) << i;
		EXPECT_GE(c.size(), last) << i;
		last = c.size();
	}
	EXPECT_EQ(last, all.size());
}

TEST(Painting, ImpossibleCountsStop)
{
	for(int n : {-1, -2147483647 - 1, 2147483647, 1000, 3}) {
		for(int hasdx : {0, 1}) {
			std::vector<byte> t = {32};
			sPutDouble(t, 1);
			sPutDouble(t, 2);
			sPutInt(t, n);
			t.push_back((byte)hasdx);
			sPutInt(t, 0);
			sPutInt(t, 0);
			for(int i = 0; i < 2; i++) { // two characters only
				sPutInt(t, 'x');
				if(hasdx)
					sPutDouble(t, 1);
			}
			t.push_back(20);
			std::vector<std::string> c = sPlay(sStream(t));
			EXPECT_TRUE(c.empty()) << n << " " << hasdx;
		}
		std::vector<byte> d = {40};
		sPutInt(d, n);
		sPutDouble(d, 1);
		sPutDouble(d, 2);
		d.push_back(20);
		EXPECT_TRUE(sPlay(sStream(d)).empty()) << n;
	}
	// the count that fits plays
	std::vector<byte> d = {40};
	sPutInt(d, 1);
	sPutDouble(d, 1);
	sPutDouble(d, 2);
	d.push_back(20);
	EXPECT_EQ(sPlay(sStream(d)), (std::vector<std::string>{"Dash[1]2", "Close"}));
}

TEST(Painting, NaNOperandsAreLeftOut)
{
	PaintingPainter pp;
	pp.MoveOp(Pointf(NAN, 1), false);
	pp.LineOp(Pointf(1, 1), false);
	pp.FillOp(sImage(2, 2), Xform2D::Scale(NAN, 1), 0);
	pp.FillOp(sImage(3, 3), Xform2D(), 0);
	wchar t[] = {'a', 'b'};
	double dx[] = {1, NAN};
	pp.TextOp(Pointf(0, 0), t, Font(), 2, dx);
	pp.DashOp(Vector<double>{1, NAN}, 0);
	pp.TransformOp(Xform2D::Translation(NAN, 0));
	pp.BeginOnPathOp(NAN, false);
	pp.EndOp();
	pp.OpacityOp(NAN);
	pp.CloseOp();
	std::vector<std::string> c = sPlay(pp);
	// the NaN image fill still takes its image, so the next one gets the right one
	ASSERT_EQ(c.size(), 5u);
	EXPECT_EQ(c[0], "Line(1,1)");
	EXPECT_EQ(c[1].substr(0, 10), "FillImage3");
	EXPECT_EQ(c[2], "BeginOnPath00");
	EXPECT_EQ(c[3], "End");
	EXPECT_EQ(c[4], "Close");
}

TEST(Painting, DrawPaintingOnPainter)
{
	PaintingPainter pp(100, 50);
	pp.MoveOp(Pointf(1, 2), false);
	Painting p = pp;
	Recorder r;
	r.DrawPaintingOp(Rect(10, 20, 210, 120), p);
	EXPECT_EQ(r.calls, (std::vector<std::string>{
		"Begin", "Transform[(1,0)(0,1)(10,20)]", "Transform[(2,0)(0,2)(0,0)]", "Move(1,2)", "End"}));
	// without a size there is nothing to scale onto the rectangle
	for(Sizef sz : {Sizef(0, 50), Sizef(-INFINITY, -INFINITY), Sizef(NAN, 1)}) {
		p.size = sz;
		Recorder z;
		z.DrawPaintingOp(Rect(0, 0, 10, 10), p);
		EXPECT_TRUE(z.calls.empty());
	}
	// a rectangle wider than an int holds still scales by its full width
	p.size = Sizef(100, 50);
	Recorder w;
	w.DrawPaintingOp(Rect(-2000000000, 0, 2000000000, 100), p);
	ASSERT_EQ(w.calls.size(), 5u);
	EXPECT_EQ(w.calls[2], "Transform[(4e+07,0)(0,2)(0,0)]");
}
