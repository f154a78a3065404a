// A whole page rendered at screen zoom by the painter and compared with its reference picture
// (tests/data/richtext/page.png, checked by eye when it was made): text in bold, italic and a
// link, a ruler, bullets and numbering, a table with grid, borders, background, a round and a
// spanning cell, and a PNG picture. Run with QEL_WRITE_REFERENCE=1 to write the picture again.
#include "PaintTestUtil.h"

#include <gtest/gtest.h>

#include <png.h>

using namespace QelTest;

namespace {

const char PAGE_QTF[] =
	"[A+100 Rich text in [* bold], [/ italic] and a [^https://example.com^ link], laid out on a page and painted "
	"by the painter at screen zoom.&]"
	"[H10b40a20h(40.80.160) A ruler above this paragraph.&]"
	"[O0l100i150 A round bullet&][O2l100i150 A square bullet&]"
	"[N1m.;l100i150 First numbered&][N1m.;l100i150 Second numbered&]"
	"{{1:1:1f8g4G(90.90.90)@(235.235.235) [* Header]::!a8/30@(220.235.255) Blue cell::!oa10/60R(200.0.0) Round cell"
	"::! Plain::-1 Spanning two columns:: ::! [/ Left]::@(255.250.200) Background::!a4/25 Borders}}"
	"[b40 A picture: ";

std::string Page()
{
	String png = LoadFile(QEL_TEST_DATA "/pngsuite/basn6a08.png");
	return std::string(PAGE_QTF) + ~Format("@@PNG:400*400(%s)]", Base64Encode(png));
}

Image Render()
{
	RichText doc = ParseQtf(Page().c_str());
	ImageAnyDraw w(600, 560);
	w.DrawRect(0, 0, 600, 560, Color(255, 255, 255));
	SimplePageDraw pw(w);
	RichPaintInfo pi;
	pi.zoom = Zoom(96, 600);
	doc.Paint(pw, PagePos(0, 0), Rect(150, 150, 3600, 3400), pi);
	return w;
}

void WritePng(const Image& m, const char* path)
{
	png_image img = {};
	img.version = PNG_IMAGE_VERSION;
	img.width = m.GetWidth();
	img.height = m.GetHeight();
	img.format = PNG_FORMAT_RGBA;
	std::vector<byte> px;
	for(const RGBA& p : m) // opaque: premultiplied is plain
		px.insert(px.end(), {p.r, p.g, p.b, p.a});
	ASSERT_TRUE(png_image_write_to_file(&img, path, 0, px.data(), 0, nullptr));
}

} // namespace

TEST(RenderedPage, MatchesItsReference)
{
	const char* path = QEL_TEST_DATA "/richtext/page.png";
	Image m = Render();
	ASSERT_EQ(m.GetSize(), Size(600, 560));
	if(getenv("QEL_WRITE_REFERENCE"))
		WritePng(m, path);
	Image ref = LoadImageFile(path);
	ASSERT_EQ(ref.GetSize(), m.GetSize());
	int64 close = 0;
	const RGBA* a = m.begin();
	const RGBA* b = ref.begin();
	for(int i = 0; i < m.GetLength(); i++)
		close += abs(a[i].r - b[i].r) <= 2 && abs(a[i].g - b[i].g) <= 2 && abs(a[i].b - b[i].b) <= 2 &&
		         abs(a[i].a - b[i].a) <= 2;
	EXPECT_GE(close * 1000, int64(m.GetLength()) * 995) << close << " of " << m.GetLength();
}
