#include "DrawCanvas.h"

#include <gtest/gtest.h>

using namespace QelTest;

TEST(NilDraw, DrawsNothingAndCountsInDots)
{
	NilDraw w;
	EXPECT_EQ(w.GetNativeDpi(), Size(600, 600));
	EXPECT_EQ(w.GetDefaultInk(), Color(0, 0, 0));
	EXPECT_EQ(w.GetPageSize(), Size(0, 0));
	EXPECT_EQ(w.GetPaintRect(), Rect(0, 0, 0, 0));
	for(Rect r : { Rect(0, 0, 10, 10), Rect(-5, -5, 5, 5), Rect(0, 0, 0, 0) }) {
		EXPECT_FALSE(w.IsPaintingOp(r));
		EXPECT_FALSE(w.ClipOp(r));
		EXPECT_FALSE(w.ClipoffOp(r));
		EXPECT_FALSE(w.ExcludeClipOp(r));
		EXPECT_FALSE(w.IntersectClipOp(r));
	}
	Drawing d;
	d.size = Size(10, 10);
	d.data = "\x09\x00\x00\x00\x00";
	w.DrawDrawing(0, 0, 10, 10, d);
	w.DrawImage(0, 0, 3000, 3000, ImageBuffer(10, 10));
	w.DrawDataOp(0, 0, 3000, 3000, "x", "image_data");
	w.DrawPaintingOp(Rect(0, 0, 3000, 3000), Painting());
}

namespace {

int sLive;           // inner targets alive
RecordingDraw* sLast; // the latest inner target

class Inner : public RecordingDraw {
public:
	std::string kind;
	Inner(const char* k) : kind(k) { sLive++; sLast = this; }
	~Inner() override { sLive--; }
};

Draw* sCreateA(Size sz) { auto* w = new Inner("A"); w->page = sz; return w; }
Draw* sCreateB(Size sz) { auto* w = new Inner("B"); w->page = sz; return w; }
Image sExtract(Draw& w)
{
	Inner* i = dynamic_cast<Inner*>(&w);
	if(!i)
		return Image();
	ImageBuffer b(w.GetPageSize());
	b.SetHotSpot(Point(i->kind == "A" ? 1 : 2, int(i->calls.size())));
	return Image(b);
}

struct Hooks {
	~Hooks() { ImageAnyDraw::Register(nullptr, nullptr); }
};

} // namespace

TEST(ImageAnyDraw, WithoutHooksDrawsNothingAndGivesTheEmptyImage)
{
	ImageAnyDraw w(10, 10);
	w.DrawRect(0, 0, 5, 5, Color(1, 2, 3));
	w.DrawImage(0, 0, ImageBuffer(3, 3));
	w.DrawDataOp(0, 0, 10, 10, "", "image_data");
	EXPECT_FALSE(w.IsPaintingOp(Rect(0, 0, 1, 1)));
	EXPECT_EQ(w.GetInfo(), 0u);
	EXPECT_TRUE(Image(w).IsEmpty());
}

TEST(ImageAnyDraw, ForwardsToTheRegisteredTarget)
{
	Hooks reset;
	ImageAnyDraw::RegisterDefault(sCreateA, sExtract);
	ImageAnyDraw::RegisterDefault(sCreateB, sExtract); // a default does not replace a default
	{
		ImageAnyDraw w(Size(7, 5));
		ASSERT_EQ(sLive, 1);
		Inner* in = static_cast<Inner*>(sLast);
		EXPECT_EQ(in->kind, "A");
		in->info = INFO_DOTS;
		EXPECT_EQ(w.GetInfo(), dword(INFO_DOTS));
		EXPECT_EQ(w.GetNativeDpi(), Size(600, 600)); // a shared default, over the forwarded info
		EXPECT_EQ(w.GetPageSize(), Size(7, 5));
		w.DrawRect(1, 2, 3, 4, Color(0, 0, 0));
		w.Offset(1, 1);
		w.EndOp();
		w.DrawLineOp(0, 0, 5, 5, 1, Color(0, 0, 0));
		w.DrawImageOp(0, 0, 2, 2, ImageBuffer(2, 2), Rect(0, 0, 2, 2), Color());
		EXPECT_EQ(NoSums(in->Take()), (std::vector<std::string>{ "Rect 1,2,3,4#00000000", "Offset(1,1)", "End",
		                                                 "Line 0,0,5,5 w1#00000000",
		                                                 "BeginNative", "SysImage 0,0 img2x2#FFFFFFFF",
		                                                 "EndNative" }));
		Image m = w;
		EXPECT_EQ(m.GetSize(), Size(7, 5));
		EXPECT_EQ(m.GetHotSpot(), Point(1, 0));
	}
	EXPECT_EQ(sLive, 0); // the inner target goes with the ImageAnyDraw

	// The painter's registration wins, before or after the default.
	ImageAnyDraw::Register(sCreateB, sExtract);
	ImageAnyDraw::RegisterDefault(sCreateA, sExtract);
	{
		ImageAnyDraw w(Size(3, 3));
		EXPECT_EQ(static_cast<Inner*>(sLast)->kind, "B");
		EXPECT_EQ(Image(w).GetHotSpot(), Point(2, 0));
	}
	EXPECT_EQ(sLive, 0);
}
