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

// The XML form, optionally with spaces between and around the hex pairs.
Value XmlRoundTrip(Value v, bool spaced = false)
{
	XmlNode n;
	XmlIO out(n, false);
	v.Xmlize(out);
	String hex = n.Attr("data"), t = " ";
	for(int i = 0; i < hex.GetLength(); i += 2)
		t << hex.Mid(i, 2) << ' ';
	if(spaced)
		n.SetAttr("data", t);
	Value back;
	XmlIO in(n, true);
	back.Xmlize(in);
	return back;
}

Value BinaryRoundTrip(Value v)
{
	StringStream ss;
	v.Serialize(ss);
	StringStream in(ss.GetResult());
	in.SetLoading();
	Value back;
	back.Serialize(in);
	EXPECT_FALSE(in.IsError());
	return back;
}

} // namespace

TEST(DrawingValue, NullTypesAndConversions)
{
	struct { Value v; dword type; bool null; const char* name; const char* text; } cases[] = {
		{ Drawing(), DRAWING_V, true, "Drawing", nullptr },
		{ OneRect(), DRAWING_V, false, "Drawing", "drawing (100, 50)" },
		{ Painting(), PAINTING_V, true, "Painting", nullptr },
		{ SomePainting(), PAINTING_V, false, "Painting", "painting (1.5, 2)" },
	};
	for(auto& c : cases) {
		EXPECT_EQ(c.v.GetType(), c.type);
		EXPECT_EQ(c.v.IsNull(), c.null);
		EXPECT_EQ(Value::GetRegisteredName(c.type), c.name);
		if(c.text) {
			EXPECT_EQ(c.v.ToText(), c.text);
		}
	}
	Drawing w = Value();
	EXPECT_EQ(w.size, Size(INT_NULL, INT_NULL));
	EXPECT_TRUE(w.data.IsEmpty() && w.val.IsEmpty());
	Painting p = Value();
	EXPECT_TRUE(p.cmd.IsEmpty() && std::isinf(p.size.cx) && std::isinf(p.size.cy));
	EXPECT_EQ(Drawing(Value(OneRect())), OneRect());
	EXPECT_EQ(Painting(Value(SomePainting())), SomePainting());
	for(Value v : { Value(5), Value("text"), Value(SomePainting()) }) {
		try {
			Drawing x(v);
			ADD_FAILURE();
		}
		catch(const ValueTypeError& e) {
			EXPECT_EQ(String(e).Find("Invalid value conversion: " + v.GetTypeName() + " -> "), 0);
		}
	}
	EXPECT_THROW(Painting(Value(OneRect())), ValueTypeError);
}

TEST(DrawingValue, EqualityAndHash)
{
	Drawing listed = OneRect();
	listed.val.Add(1);
	struct { Value a, b; bool equal, hash; } cases[] = {
		{ OneRect(), OneRect(), true, true },
		{ OneRect(Size(100, 50)), OneRect(Size(10, 5)), false, true }, // the size is not hashed
		{ OneRect(), listed, false, false },
		{ SomePainting(), SomePainting(), true, true },
		{ SomePainting(), SomePainting(Sizef(3, 2)), false, true },
		{ SomePainting(Sizef(NAN, 2)), SomePainting(Sizef(NAN, 2)), false, true }, // NaN is never equal
		{ Painting(), Painting(), true, true },
		{ OneRect(), SomePainting(), false, false },
	};
	for(auto& c : cases) {
		EXPECT_EQ(c.a == c.b, c.equal) << c.a.ToText() << " " << c.b.ToText();
		EXPECT_EQ(c.a.GetHashValue() == c.b.GetHashValue(), c.hash) << c.a.ToText() << " " << c.b.ToText();
	}
}

TEST(DrawingValue, StoredForms)
{
	Drawing listed = OneRect();
	listed.val.Add("x");
	DrawingDraw r(20, 20);
	r.DrawImageOp(0, 0, 10, 10, Image(ImageBuffer(2, 2)), Rect(0, 0, 2, 2), Color());
	r.DrawDrawingOp(Rect(0, 0, 5, 5), OneRect());
	r.DrawPaintingOp(Rect(0, 0, 5, 5), SomePainting());
	for(const Value& v : { Value(OneRect()), Value(listed), Value(Drawing(r)), Value(SomePainting()), Value(Painting()), Value(Drawing()) }) {
		EXPECT_EQ(BinaryRoundTrip(v), v);
		EXPECT_EQ(XmlRoundTrip(v), v);
		EXPECT_EQ(XmlRoundTrip(v, true), v);
		if(!v.IsNull()) { // a Null Value goes to JSON as null
			Value back;
			ValueFromJson(back, ValueToJson(v));
			EXPECT_EQ(back, v);
		}
	}
	// "data" holds the enveloped stored form as hex without grouping
	XmlNode n;
	XmlIO out(n, false);
	Value(OneRect()).Xmlize(out);
	Drawing w = OneRect();
	EXPECT_EQ(n.Attr("data"), HexString(StoreAsString(w)));
	Painting p = SomePainting();
	EXPECT_EQ(ValueToJson(p)["value"]["data"], Value(HexString(StoreAsString(p))));
}

TEST(DrawingValue, DamagedFormsFail)
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
