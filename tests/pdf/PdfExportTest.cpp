// Recorded pages to PDF: the hooks, page sizes, failures, hostile drawings and exports on
// several threads at once.
#include "PdfTools.h"
#include "../Hostile.h"

#include <draw/record/DrawingDraw.h>
#include <painter/Painter.h>
#include <richtext/RichText.h>

#include <gtest/gtest.h>

#include <random>
#include <thread>
#include <vector>

using namespace Qel;
using namespace QelTest;

namespace {

Drawing Page(Size sz, void (*draw)(Draw&) = nullptr)
{
	DrawingDraw dd(sz);
	if(draw)
		draw(dd);
	return dd;
}

String Export(std::initializer_list<Drawing> pages)
{
	Array<Drawing> a;
	for(const Drawing& w : pages)
		a.Add(w);
	return GetDrawingToPdfHook()(a);
}

void Content(Draw& w)
{
	w.DrawRect(10, 10, 100, 100, Color(0, 128, 0));
	w.DrawText(10, 150, "Seite eins · страница", Font(Font::SERIF, 50), Color(0, 0, 0));
	w.DrawImage(200, 10, 200, 100, TestImage(30, 20));
	PdfDrawRawData(w, 200, 200, 80, 80, RedJpeg());
}

} // namespace

TEST(PdfExport, PagesAtTheirSizes)
{
	ASSERT_EQ(GetDrawingToPdfHook(), &DrawingToPdf);
	ASSERT_EQ(GetDrawRawDataHook(), &PdfDrawRawData);
	String pdf = Export({ Page(Size(600, 600), Content), Page(Size(1200, 300)), Page(Size(120000, 1)) });
	ASSERT_TRUE(IsValidPdf(pdf));
	std::string info = Shell("pdfinfo -f 1 -l 3 '" + Save("sizes.pdf", pdf) + "'");
	EXPECT_NE(info.find("Page    1 size:  72 x 72 pts"), std::string::npos) << info;
	EXPECT_NE(info.find("Page    2 size:  144 x 36 pts"), std::string::npos) << info;
	EXPECT_NE(info.find("Page    3 size:  14400 x 0.12 pts"), std::string::npos) << info;
	EXPECT_NE(PdfText(pdf).find("Seite eins · страница"), std::string::npos);
	EXPECT_NE(Shell("pdfimages -list '" + Save("sizes.pdf", pdf) + "'").find("jpeg"), std::string::npos);

	EXPECT_TRUE(Export({}).IsEmpty());
	for(Size bad : { Size(0, 10), Size(10, 0), Size(120001, 10), Size(10, -5), Size(INT_MIN, INT_MIN) })
		EXPECT_TRUE(Export({ Page(Size(10, 10)), Page(bad) }).IsEmpty()) << bad.cx << " x " << bad.cy;

	// a value of the wrong kind where playback wants an image leaves as it is
	DrawingDraw dd(100, 100);
	dd.DrawImage(0, 0, TestImage(2, 2));
	Drawing w = dd;
	w.val.Clone()[0] = String("not an image");
	EXPECT_THROW(Export({ w }), ValueTypeError);
}

// Pictures of a hostile size on a page: only what shows on the page is made, in bands.
TEST(PdfExport, HugePicturesCostWhatShowsOnThePage)
{
	auto page = [](Draw& w) {
		// a 2 x 2 24-bit BMP
		static const unsigned char bmp[] = {
			'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0,
			0, 0, 0, 0, 16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
			0, 0, 255, 255, 255, 255, 0, 0, 255, 0, 0, 0, 0, 255, 0, 0, 0, 0};
		w.DrawDataOp(0, -(1 << 29), 4000, 1 << 30, String((const char*)bmp, sizeof(bmp)), "image_data");
		w.DrawImage(-100, -(1 << 29), 4000, 1 << 30, TestImage(4, 4));
	};
	QEL_EXPECT_BOUNDED(400, 60, Export({ Page(Size(600, 600), page) }).IsEmpty() ? abort() : (void)0);
}

// Paintings of a hostile size: rich text whose drawing object holds one 10^8 dots tall or one
// whose corners wrap around int, and one 10^8 dots tall whose middle is on the page. The page
// shows what meets it, made in bounded time and bytes.
TEST(PdfExport, HugePaintingsCostWhatShowsOnThePage)
{
	const char* name[] = { "painting_tall.qtf", "painting_wrap.qtf" };
	String qtf[2];
	for(int i = 0; i < 2; i++) {
		qtf[i] = LoadFile(String(QEL_TEST_DATA) + "/hostile/" + name[i]);
		ASSERT_TRUE(qtf[i].Find("Drawing") >= 0) << name[i]; // an empty text would pass all below
	}
	auto page = [&](int i) {
		DrawingDraw dd(1200, 1200);
		if(i < 2) {
			SimplePageDraw pw(dd);
			ParseQtf(qtf[i]).Paint(pw, Rect(0, 0, 1200, 1200), RichPaintInfo());
		}
		else { // the upper half red, the lower half blue, parted at y = 600 of the page
			PaintingPainter pp(100, 100);
			pp.RectPath(0, 0, 100, 50).Fill(Color(255, 0, 0));
			pp.RectPath(0, 50, 100, 50).Fill(Color(0, 0, 255));
			dd.DrawPaintingOp(Rect(100, 600 - 50000000, 1100, 600 + 50000000), pp);
		}
		return Drawing(dd);
	};
	// all bounded runs first: a child runs the test's code up to its own
	for(int i = 0; i < 3; i++)
		QEL_EXPECT_BOUNDED(400, 30, Export({ page(i) }).GetLength() > 200000 ? abort() : (void)0);
	if(HasFailure())
		return;
	for(int i = 0; i < 3; i++) {
		Drawing w = page(i);
		String pdf = Export({ w });
		ASSERT_TRUE(IsValidPdf(pdf)) << i;
		if(i == 1)
			continue; // corners the wrap has reversed: a painter mirrors, the page shows nothing
		Image shown = RenderPage(pdf), painted = PaintDrawing(w);
		PictureDiff d = Compare(shown, painted);
		EXPECT_LE(d.block, 48) << i;
		EXPECT_LE(d.mean, 4.5) << i;
		if(i == 2) {
			EXPECT_EQ(shown[300][600], Color(255, 0, 0).ToRGBA());
			EXPECT_EQ(shown[900][600], Color(0, 0, 255).ToRGBA());
		}
	}
}

TEST(PdfExport, HostileDrawingsGiveValidDocuments)
{
	std::vector<Drawing> cases;
	// open levels, extreme operands, escapes of every kind
	cases.push_back(Page(Size(1000, 1000), [](Draw& w) {
		w.BeginOp();
		w.Offset(INT_MAX, INT_MIN);
		w.ClipOff(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
		w.DrawRect(INT_MIN, INT_MIN, INT_MAX, INT_MAX, Color(1, 1, 1));
		w.DrawText(INT_MAX, INT_MAX, INT_MAX, WString("overflow"), Font(Font::SANSSERIF, 32767), Color(0, 0, 0));
		w.Escape("data:\xFF\xD8\xFF\xC0\x00\x11\x08"); // a frame cut short
		w.DrawImage(0, 0, 10, 10, TestImage(4, 4));
		w.Escape(String("url:(\\)\x01\xFF", 9) + String('x', 100000));
		w.DrawEllipse(Rect(0, 0, 10, 10), Color(1, 1, 1));
		w.Escape("data:");
		w.Escape("url:");
		w.Escape("url:");
		Point v[] = { Point(0, 0), Point(INT_MAX, INT_MIN), Point(INT_MIN, 5) };
		int bad[] = { 3, INT_MAX, -1 };
		w.DrawPolyPolyPolygonOp(v, 3, bad, 3, bad, 3, Color(0, 0, 0), 1, Color(1, 1, 1), 1, Color());
		w.DrawPolyPolylineOp(v, 3, bad, 3, -7, Color(0, 0, 0), Color());
	}));
	// command streams of random bytes, with objects to take
	std::mt19937 rng(49);
	for(int i = 0; i < 60; i++) {
		Drawing w = Page(Size(1 + rng() % 3000, 1 + rng() % 3000), Content);
		String junk;
		for(int n = rng() % 400; n > 0; n--)
			junk.Cat(char(rng() % 4 ? rng() % 21 : rng()));
		w.data = i % 2 ? w.data + junk : junk;
		cases.push_back(w);
	}
	for(const Drawing& w : cases) {
		String pdf;
		try {
			pdf = Export({ w });
		}
		catch(ValueTypeError&) {
			continue;
		}
		ASSERT_FALSE(pdf.IsEmpty());
		ASSERT_TRUE(IsValidPdf(pdf)) << HexString(w.data);
		ASSERT_FALSE(RenderPage(pdf, 1, 10).IsEmpty());
	}
}

TEST(PdfExport, FourThreadsAtOnce)
{
	Drawing w = Page(Size(900, 900), Content);
	std::vector<String> out(16);
	std::vector<std::thread> threads;
	for(int t = 0; t < 4; t++)
		threads.emplace_back([&, t] {
			InitPdfDrawHooks();
			for(int i = t; i < 16; i += 4)
				out[i] = Export({ w, w });
		});
	for(std::thread& t : threads)
		t.join();
	for(const String& s : out)
		EXPECT_EQ(s.GetLength(), out[0].GetLength()); // the date and ID differ, not their lengths
	EXPECT_TRUE(IsValidPdf(out[7]));
	EXPECT_NE(PdfText(out[11]).find("Seite eins"), std::string::npos);
}
