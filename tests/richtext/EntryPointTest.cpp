#include <richtext/RichText.h>
#include <richtext/object/detail/ClipHooks.h>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace Qel;

namespace {

String sClipData(const Value&, const String& fmt) { return "data:" + fmt; }
bool   sAccept(PasteSource&) { return true; }
Image  sRead(PasteSource&) { return Image(); }
String sFormats() { return "image"; }

} // namespace

TEST(Zoom, ScalesWithWideProductAndZeroDivisor)
{
	EXPECT_EQ(Zoom(96, 600) * 600, 96);
	EXPECT_EQ(Zoom(3, 2) * -7, -10);  // truncates toward zero
	EXPECT_EQ(2000000000 * Zoom(3, 4), 1500000000); // the product passes 32 bits
	EXPECT_EQ(Zoom(5, 0) * 1234, 0);
	EXPECT_EQ(Zoom() * 77, 77);
}

// 96/600 until set. Writers store pairs whose two halves are equal; a reader must never see
// them mixed.
TEST(ScreenZoom, DefaultAndReadersNeverSeeHalfAnUpdate)
{
	EXPECT_EQ(GetRichTextStdScreenZoom(), Zoom(96, 600));
	EXPECT_EQ(RichTextScreenZoom(), Zoom(96, 600));
	std::atomic<bool> stop{false};
	std::atomic<int> torn{0};
	std::vector<std::thread> readers;
	for(int t = 0; t < 4; t++)
		readers.emplace_back([&] {
			while(!stop.load()) {
				Zoom z = GetRichTextStdScreenZoom();
				if(z.m != z.d && !(z.m == 96 && z.d == 600))
					torn++;
			}
		});
	for(int i = 1; i < 20000; i++)
		SetRichTextStdScreenZoom(i, i);
	stop = true;
	for(std::thread& t : readers)
		t.join();
	EXPECT_EQ(RichTextScreenZoom(), Zoom(19999, 19999));
	SetRichTextStdScreenZoom(96, 600);
	EXPECT_EQ(torn.load(), 0);
}

TEST(RichTextInit, OnceInitialiserAndClipboardHooks)
{
	RichTextInitOnce();
	RichTextInitOnce();
	detail::RichImageClipHooks before = detail::GetRichImageClipHooks();
	SetRichImageClipboardHooks(sClipData, sAccept, sRead, sFormats);
	detail::RichImageClipHooks h = detail::GetRichImageClipHooks();
	EXPECT_EQ(h.data(Image(), "png"), "data:png");
	EXPECT_EQ(h.accept, &sAccept);
	EXPECT_EQ(h.read, &sRead);
	EXPECT_EQ(h.formats(), "image");
	SetRichImageClipboardHooks(before.data, before.accept, before.read, before.formats);
}
