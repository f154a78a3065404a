// Images of a PdfDraw: the source part of an image stored once per document and scaled into
// its rectangle by the page, or a JPEG file announced by a "data:" escape.
#include "PdfDraw.h"
#include "detail/PdfDocument.h"

namespace Qel {

using namespace detail;

void PdfDraw::DrawImageOp(int x, int y, int cx, int cy, const Image& img, const Rect& src, Color color)
{
	if(!Room())
		return;
	int i = -1;
	double l = x, t = y, w = cx, h = cy;
	if(jpeg.GetCount()) {
		i = doc->JpegFor(jpeg);
		jpeg.Clear();
	}
	if(i < 0) {
		int64 sw = int64(src.right) - src.left, sh = int64(src.bottom) - src.top;
		if(sw <= 0 || sh <= 0 || img.IsEmpty())
			return;
		// Only the part of the source inside the image is stored; it keeps its place.
		Rect s(max(src.left, 0), max(src.top, 0), min(src.right, img.GetWidth()), min(src.bottom, img.GetHeight()));
		if(s.right <= s.left || s.bottom <= s.top)
			return;
		double sx = double(cx) / sw, sy = double(cy) / sh;
		l = x + (double(s.left) - src.left) * sx;
		t = y + (double(s.top) - src.top) * sy;
		w = (s.right - s.left) * sx;
		h = (s.bottom - s.top) * sy;
		i = doc->ImageFor(img, s, color);
		if(i < 0)
			return;
	}
	if(w == 0 || h == 0)
		return;
	page_images.FindAdd(i);
	// Image space is a unit square with its first row at the top.
	content.Cat("q ");
	PdfNumber(content, w);
	content.Cat(" 0 0 ");
	PdfNumber(content, -h);
	content.Cat(' ');
	Pt(l, t + h);
	content.Cat(" cm /I");
	PdfInt(content, i);
	content.Cat(" Do Q\n");
	Mark(l, t, l + w, t + h);
}

} // namespace Qel
