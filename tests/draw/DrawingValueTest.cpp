#include <gtest/gtest.h>

#include <draw/Draw.h>

#include <cmath>

using namespace Qel;

namespace {

Drawing OneRect(Size sz = Size(100, 50))
{
	DrawingDraw r(sz);
	r.DrawRectOp(1, 2, 3, 4, Color(5, 6, 7));
	return r;
}

Painting SomePainting(Sizef sz = Sizef(1.5, 2))
{
	Painting p;
	p.cmd = "cmd";
	p.data.Add(12);
	p.size = sz;
	return p;
}

Value XmlRoundTrip(const Value& v, bool spaced = false)
{
	XmlNode n;
	XmlIO out(n, false);
	Value(v).Xmlize(out);
	if(spaced) { // a space between every pair of hex digits, and some around
		String hex = n.Attr("data"), t = " ";
		for(int i = 0; i < hex.GetLength(); i += 2)
			t << hex.Mid(i, 2) << ' ';
		n.SetAttr("data", t);
	}
	Value back;
	XmlIO in(n, true);
	back.Xmlize(in);
	return back;
}

Value JsonRoundTrip(const Value& v)
{
	Value j = ValueToJson(v);
	Value back;
	ValueFromJson(back, j);
	return back;
}

Value BinaryRoundTrip(const Value& v)
{
	StringStream ss;
	Value(v).Serialize(ss);
	StringStream in(ss.GetResult());
	in.SetLoading();
	Value back;
	back.Serialize(in);
	EXPECT_FALSE(in.IsError());
	return back;
}

} // namespace

TEST(DrawingValue, NullAndTypes)
{
	struct { Value v; dword type; bool null; const char* name; } cases[] = {
		{ Drawing(), DRAWING_V, true, "Drawing" },
		{ OneRect(), DRAWING_V, false, "Drawing" },
		{ Painting(), PAINTING_V, true, "Painting" },
		{ SomePainting(), PAINTING_V, false, "Painting" },
	};
	for(auto& c : cases) {
		EXPECT_EQ(c.v.GetType(), c.type);
		EXPECT_EQ(c.v.IsNull(), c.null);
		EXPECT_EQ(Value::GetRegisteredName(c.type), c.name);
	}
	// a Null Value converts to the Null objects
	Drawing w = Value();
	EXPECT_EQ(w.size, Size(int(0x80000000), int(0x80000000)));
	EXPECT_TRUE(w.data.IsEmpty() && w.val.IsEmpty());
	Painting p = Value();
	EXPECT_TRUE(p.cmd.IsEmpty() && std::isinf(p.size.cx) && std::isinf(p.size.cy));
	EXPECT_EQ(Drawing(Value(OneRect())), OneRect());
	EXPECT_EQ(Painting(Value(SomePainting())), SomePainting());
}

TEST(DrawingValue, OtherTypesThrow)
{
	for(Value v : { Value(5), Value("text"), Value(SomePainting()) }) {
		try {
			Drawing w(v);
			ADD_FAILURE();
		}
		catch(const ValueTypeError& e) {
			EXPECT_EQ(String(e).Find("Invalid value conversion: " + v.GetTypeName() + " -> "), 0);
		}
	}
	EXPECT_THROW(Painting(Value(OneRect())), ValueTypeError);
	EXPECT_THROW(Painting(Value(1.5)), ValueTypeError);
}

TEST(DrawingValue, EqualityAndHash)
{
	Value a = OneRect(Size(100, 50)), b = OneRect(Size(100, 50)), c = OneRect(Size(10, 5));
	EXPECT_EQ(a, b);
	EXPECT_NE(a, c); // sizes differ...
	EXPECT_EQ(a.GetHashValue(), c.GetHashValue()); // ...but do not enter the hash
	Drawing d = OneRect();
	d.val.Add(1);
	EXPECT_NE(a, Value(d));
	EXPECT_NE(a.GetHashValue(), Value(d).GetHashValue());

	Value p = SomePainting(), q = SomePainting(Sizef(3, 2));
	EXPECT_EQ(p, Value(SomePainting()));
	EXPECT_NE(p, q);
	EXPECT_EQ(p.GetHashValue(), q.GetHashValue());
	// a NaN half is never equal, not even to itself
	Value n1 = SomePainting(Sizef(NAN, 2)), n2 = SomePainting(Sizef(NAN, 2));
	EXPECT_NE(n1, n2);
	EXPECT_EQ(Value(Painting()), Value(Painting()));
	// drawings and paintings never equal one another
	EXPECT_NE(Value(OneRect()), Value(SomePainting()));
}

TEST(DrawingValue, AsString)
{
	EXPECT_EQ(Value(OneRect(Size(100, 50))).ToText(), "drawing (100, 50)");
	EXPECT_EQ(Value(SomePainting(Sizef(1.5, 2))).ToText(), "painting (1.5, 2)");
}

TEST(DrawingValue, StoredForms)
{
	Drawing listed = OneRect();
	listed.val.Add("x");
	Image img = [] { ImageBuffer b(2, 2); for(RGBA& p : b) p = RGBA{ 1, 2, 3, 255 }; return Image(b); }();
	DrawingDraw r(20, 20);
	r.DrawImageOp(0, 0, 10, 10, img, Rect(0, 0, 2, 2), Color());
	r.DrawDrawingOp(Rect(0, 0, 5, 5), OneRect());
	r.DrawPaintingOp(Rect(0, 0, 5, 5), SomePainting());
	Value cases[] = { OneRect(), listed, Drawing(r), SomePainting(), Painting(), Drawing() };
	for(const Value& v : cases) {
		EXPECT_EQ(BinaryRoundTrip(v), v);
		EXPECT_EQ(XmlRoundTrip(v), v);
		EXPECT_EQ(XmlRoundTrip(v, true), v);
		if(!v.IsNull()) { // a Null Value goes to JSON as null
			EXPECT_EQ(JsonRoundTrip(v), v);
		}
	}
	// the stored String is the enveloped form, hex without grouping
	XmlNode n;
	XmlIO out(n, false);
	Value(OneRect()).Xmlize(out);
	Drawing w = OneRect();
	EXPECT_EQ(n.Attr("data"), HexString(StoreAsString(w)));
	Value j = ValueToJson(SomePainting());
	Painting p = SomePainting();
	EXPECT_EQ(j["value"]["data"], Value(HexString(StoreAsString(p))));
}

TEST(DrawingValue, DamagedExchangeFormsThrow)
{
	for(const char* bad : { "", "zz", "6461746100", "64617461" "64000000" }) {
		XmlNode n;
		n.SetAttr("type", "Drawing");
		n.SetAttr("data", bad);
		XmlIO in(n, true);
		Value v;
		EXPECT_THROW(v.Xmlize(in), XmlError) << bad;
		ValueMap m, payload;
		payload.Add("data", bad);
		m.Add("type", "Painting");
		m.Add("value", payload);
		EXPECT_THROW(ValueFromJson(v, m), JsonizeError) << bad;
	}
	// a damaged stored string loads as false and leaves the object as it was
	Drawing w = OneRect();
	String s = StoreAsString(w);
	s.Set(s.GetLength() - 1, 'x');
	EXPECT_FALSE(LoadFromString(w, s));
	EXPECT_EQ(w, OneRect());
	Painting p = SomePainting();
	EXPECT_FALSE(LoadFromString(p, "data\x01\xff\xff\xff\x7f"));
	EXPECT_EQ(p, SomePainting());
}
