#include "RichTestTypes.h"
#include "draw/RecordingDraw.h"

#include <gtest/gtest.h>

using namespace Qel;
using namespace QelTest;

namespace {

// The smallest handler: data is a size, nothing else overridden.
class sSizeOnly : public RichObjectType {
public:
	Size phys, pix;
	String GetTypeName(const Value&) const override { return "size-only"; }
	Size   GetPhysicalSize(const Value&) const override { return phys; }
	Size   GetPixelSize(const Value&) const override { return pix; }
};

} // namespace

TEST(RichObject, UnregisteredTypeKeepsTextAndGivenSizeAndPaintsPlaceholder)
{
	RichObject o;
	EXPECT_FALSE(o.Read("NoSuchType", "raw bytes", Size(300, 200)));
	EXPECT_EQ(o.GetTypeName(), "NoSuchType");
	EXPECT_EQ(o.GetData(), Value("raw bytes"));
	EXPECT_EQ(o.GetSize(), Size(300, 200));
	EXPECT_EQ(o.GetPhysicalSize(), Size(300, 200));
	EXPECT_EQ(o.GetPixelSize(), Size(300, 200));
	EXPECT_EQ(o.GetType(), nullptr);
	EXPECT_NE(o.GetSerialId(), 0);

	RecordingDraw w;
	o.Paint(w, Size(40, 20));
	std::vector<std::string> calls = w.Take();
	ASSERT_EQ(calls.size(), 6u);
	EXPECT_EQ(calls[0], "Rect 0,0,40,20" + RecordingDraw::C(ThemeFaceColor()));
	EXPECT_EQ(calls[1], "Rect 0,0,39,1" + RecordingDraw::C(ThemeTextColor()));
	EXPECT_EQ(calls[4], "Rect 0,19,40,1" + RecordingDraw::C(ThemeTextColor()));
	EXPECT_EQ(calls[5].substr(0, 26), "Text 2,2 a0 \"NoSuchType\" f");
	// the standard font (as the target receives it, resolved) with the default ink
	char font[32];
	snprintf(font, sizeof(font), "f%llx", (unsigned long long)StdFont().Resolved().AsInt64());
	EXPECT_NE(calls[5].find(font), std::string::npos) << calls[5];
	EXPECT_NE(calls[5].find(RecordingDraw::C(w.GetDefaultInk())), std::string::npos);
}

TEST(RichObject, RegisteredTypeReadsSizesAndPaintsThroughIt)
{
	RichObject o = TestRectObject(Size(0, 0), Size(96, 48), Size(120, 60));
	EXPECT_NE(o.GetType(), nullptr);
	EXPECT_EQ(o.GetTypeName(), "TestRect");
	EXPECT_EQ(o.GetPixelSize(), Size(96, 48));
	EXPECT_EQ(o.GetPhysicalSize(), Size(600, 300)); // from the pixel size at 96 per inch
	EXPECT_EQ(o.GetSize(), Size(120, 60));
	RichObject p = TestRectObject(Size(1000, 0), Size(9, 6), Size(1, 1));
	EXPECT_EQ(p.GetPhysicalSize(), Size(56, 37)); // a zero width is enough to take the pixel size

	RecordingDraw w;
	o.Paint(w, Size(12, 7));
	ASSERT_EQ(w.calls.size(), 1u);
	EXPECT_EQ(w.calls[0], "Rect 0,0,12,7" + RecordingDraw::C(TEST_RECT_COLOR));

	// the default ToImage paints on the theme paper
	Image m = o.ToImage(Size(5, 4));
	ASSERT_EQ(m.GetSize(), Size(5, 4));
	EXPECT_EQ(m[2][3].r, 255);
	EXPECT_EQ(m[2][3].g, 0);
	EXPECT_EQ(m[2][3].a, 255);
	// an unknown type renders its placeholder
	RichObject u;
	u.Read("Unknown", "", Size(30, 20));
	Image pm = u.ToImage(Size(30, 20));
	ASSERT_EQ(pm.GetSize(), Size(30, 20));
	EXPECT_EQ(Color(pm[0][0]).Get(), ThemeTextColor().Get()); // the frame
	EXPECT_EQ(Color(pm[19][29]).Get(), ThemeTextColor().Get());
	EXPECT_EQ(Color(pm[18][28]).Get(), ThemeFaceColor().Get());
}

TEST(RichObject, SerialsClearAndRereading)
{
	RichObject a, b;
	a.Read("TestRect", "1 1 1 1", Size(1, 1));
	b.Read("TestRect", "1 1 1 1", Size(1, 1));
	EXPECT_NE(a.GetSerialId(), b.GetSerialId());
	int64 s = b.GetSerialId();
	b.NewSerial();
	EXPECT_GT(b.GetSerialId(), s);
	RichObject c = b; // a copy is the same content
	EXPECT_EQ(c.GetSerialId(), b.GetSerialId());

	a.SetYDelta(5);
	a.KeepRatio(false);
	a.Clear();
	EXPECT_TRUE(a.IsKeepRatio());
	EXPECT_EQ(a.GetYDelta(), 0);
	EXPECT_TRUE(a.GetData().IsVoid());
	EXPECT_EQ(a.GetType(), nullptr);
	EXPECT_EQ(a.GetSerialId(), 0);
	EXPECT_TRUE(a.GetTypeName().IsEmpty());
	EXPECT_EQ(a.GetSize(), Size(0, 0));

	// Reading content no handler knows drops the handler of the earlier content: it would
	// paint and write the new data as its own type.
	b.Read("NotRegistered", "other", Size(8, 9));
	EXPECT_EQ(b.GetType(), nullptr);
	EXPECT_EQ(b.GetTypeName(), "NotRegistered");
	RecordingDraw w;
	b.Paint(w, Size(8, 9));
	EXPECT_EQ(w.calls.size(), 6u); // the placeholder, not a red rectangle
}

TEST(RichObjectType, DefaultSizeAndDefaults)
{
	sSizeOnly t;
	t.phys = Size(1000, 500);
	EXPECT_EQ(t.GetDefaultSize("x", Size(400, 400)), Size(333, 166)); // divided by 3
	EXPECT_EQ(t.GetDefaultSize("x", Size(1000, 500)), Size(1000, 500));
	EXPECT_EQ(t.GetDefaultSize(Value(), Size(400, 400)), Size(0, 0));
	EXPECT_EQ(t.GetDefaultSize("x", Size(-1, -1)), Size(0, 0)); // gives up at the last divisor
	t.phys = Size(0, 0);
	t.pix = Size(96, 48);
	EXPECT_EQ(t.GetDefaultSize("x", Size(10000, 10000), nullptr), Size(600, 300));

	EXPECT_EQ(t.Read("stored"), Value("stored"));
	EXPECT_EQ(t.Write(Value("stored")), "stored");
	EXPECT_EQ(t.Write(Value(WString("\xc3\xa9t\xc3\xa9"))), "\xc3\xa9t\xc3\xa9");
	EXPECT_THROW(t.Write(Value(12)), ValueTypeError); // data that is not text is the type's to write
	EXPECT_FALSE(t.IsText());
	EXPECT_TRUE(t.GetDefaultText().IsEmpty());
	EXPECT_TRUE(t.GetClipFormats().IsEmpty());
	RecordingDraw w;
	t.Paint(Value("x"), w, Size(3, 3), nullptr); // paints nothing by default
	EXPECT_TRUE(w.calls.empty());
	EXPECT_EQ(RichObject::FindType("TestRect")->GetTypeName(Value()), "TestRect");
	EXPECT_EQ(RichObject::FindType("no such"), nullptr);
}
