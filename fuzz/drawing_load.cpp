// Drawings and Paintings from fuzzed stored forms (binary Values, the hex "data" of the XML and
// JSON forms) and fuzzed command streams played onto a recording target, at the recorded size
// and scaled. Loads may fail and playback may stop, but nothing may crash, hang, read outside
// its arrays or leave a level open.
#include <draw/Draw.h>

#include "../tests/draw/RecordingDraw.h"

#include <stdlib.h>

using namespace Qel;

extern "C" const char* __lsan_default_suppressions()
{
	return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
	(void)Font::FindFaceName("serif");
	(void)Font(2, 12).GetCy();
	return 0;
}

namespace {

void Check(bool b)
{
	if(!b)
		abort();
}

// The recording target, taking the image, data and painting slots too and walking every array
// the way a real target does, so an operand that reaches past its array shows.
struct Target : QelTest::RecordingDraw {
	int64 sum = 0;

	void DrawImageOp(int x, int y, int cx, int cy, const Image& m, const Rect&, Color) override
	{ sum += int64(x) + y + cx + cy + m.GetWidth(); }
	void DrawDataOp(int, int, int, int, const String& data, const char* id) override
	{ sum += data.GetLength() + (int)strlen(id); }
	void DrawPaintingOp(const Rect& r, const Painting& p) override
	{ sum += int64(r.left) + p.cmd.GetLength() + p.data.GetCount(); }
	void DrawPolyPolylineOp(const Point* v, int vc, const int* c, int cc, int w, Color, Color) override
	{
		int at = 0;
		for(int i = 0; i < cc; i++)
			for(int j = 0; j < c[i]; j++)
				sum += v[at++].x; // the counts must stay within the vertices
		Check(at <= vc);
		sum += w;
	}
	void DrawPolyPolyPolygonOp(const Point* v, int vc, const int* sc, int scc, const int* dc, int dcc, Color,
	                           int, Color, uint64, Color) override
	{
		// both kinds of count count vertices; the disjuncts take whole sub-polygons
		int at = 0, sub = 0;
		for(int i = 0; i < dcc; i++)
			for(int used = 0; used < dc[i] && sub < scc; used += sc[sub++])
				for(int j = 0; j < sc[sub]; j++)
					sum += v[at++].y;
		Check(at <= vc && sub <= scc);
	}
	void DrawTextOp(int x, int, int, const wchar* text, Font, Color, int n, const int* dx) override
	{
		for(int i = 0; i < n; i++)
			sum += int64(text[i]) + (dx ? dx[i] : 0);
		sum += x;
	}
};

void PlayAll(const Drawing& w)
{
	for(Rect r : { Rect(0, 0, w.size.cx, w.size.cy), Rect(3, 4, 53, 44), Rect(-5, -5, 1000, 7) }) {
		Target d;
		try {
			PlayDrawing(d, r, w);
		}
		catch(ValueTypeError&) {
		}
		Check(d.level == 0);
	}
}

void PlayValue(const Value& v)
{
	if(v.GetType() == DRAWING_V)
		PlayAll(Drawing(v));
}

String Stored(Value v)
{
	StringStream ss;
	v.Serialize(ss);
	return ss.GetResult();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	if(size < 1)
		return 0;
	String in((const char*)data + 1, int(size - 1));
	switch(data[0] & 3) {
	case 0: { // a binary Value, whatever type it says
		StringStream s(in);
		s.SetLoading();
		Value v;
		v.Serialize(s);
		if(s.IsError())
			return 0;
		String once = Stored(v);
		StringStream again(once);
		again.SetLoading();
		Value w;
		w.Serialize(again);
		Check(!again.IsError() && Stored(w) == once);
		PlayValue(v);
		break;
	}
	case 1:
	case 2: { // the XML and JSON forms, with the input as the hex text
		bool painting = data[0] & 4;
		Value v;
		try {
			if((data[0] & 3) == 1) {
				XmlNode n;
				n.SetAttr("type", painting ? "Painting" : "Drawing");
				n.SetAttr("data", in);
				XmlIO io(n, true);
				v.Xmlize(io);
			}
			else {
				ValueMap m, payload;
				payload.Add("data", in);
				m.Add("type", painting ? "Painting" : "Drawing");
				m.Add("value", payload);
				ValueFromJson(v, m);
			}
		}
		catch(XmlError&) {
			return 0;
		}
		catch(JsonizeError&) {
			return 0;
		}
		Check(v.GetType() == (painting ? PAINTING_V : DRAWING_V));
		PlayValue(v);
		break;
	}
	case 3: { // a bare command stream, inline objects or a small value list
		if(in.GetLength() < 2)
			return 0;
		Drawing w;
		w.size = Size(byte(in[0]) + 1, byte(in[1]) + 1);
		w.data = in.Mid(2);
		if(data[0] & 4) {
			ImageBuffer b(2, 2);
			for(RGBA& p : b)
				p = RGBA{ 1, 2, 3, 255 };
			DrawingDraw r(4, 4);
			r.DrawRectOp(0, 0, 2, 2, Color(1, 2, 3));
			w.val.Add(Image(b));
			w.val.Add(Drawing(r));
			w.val.Add("text");
			w.val.Add(5); // the wrong kind for any object
		}
		PlayAll(w);
		break;
	}
	}
	return 0;
}
