// Text in bold, italic and a link, a ruler, bullets and numbering, a table with grid, borders,
// background, a round and a spanning cell, and a PNG picture, painted by the painter.
#include "RenderedPage.h"

#include <string>

namespace QelTest {

using namespace Qel;

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

} // namespace

Image RenderPage()
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

} // namespace QelTest
