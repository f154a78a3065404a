// Recorded pages as a PDF document, raw image data on any target, and the hooks that give both
// to the drawing layer.
#include "PdfDraw.h"

#include <atomic>

namespace Qel {

namespace {

std::atomic<bool> sHooksInstalled;
StaticMutex       sHooksLock;

// Shown where raw data is drawn: a grey frame with its diagonals.
Image sPlaceholder()
{
	static const Image m = [] {
		const int n = 48;
		ImageBuffer ib(n, n);
		for(int y = 0; y < n; y++)
			for(int x = 0; x < n; x++) {
				bool line = x < 2 || y < 2 || x >= n - 2 || y >= n - 2 || abs(x - y) < 2 || abs(x + y - n + 1) < 2;
				byte v = line ? 128 : 232;
				ib[y][x] = RGBA{ v, v, v, 255 };
			}
		return Image(std::move(ib));
	}();
	return m;
}

} // namespace

String DrawingToPdf(const Array<Drawing>& pages)
{
	if(pages.IsEmpty())
		return String();
	for(const Drawing& w : pages)
		if(w.size.cx < 1 || w.size.cy < 1 || w.size.cx > PdfDraw::MAX_SIDE || w.size.cy > PdfDraw::MAX_SIDE)
			return String();
	PdfDraw pdf(pages[0].size);
	for(const Drawing& w : pages) {
		pdf.PageSize(w.size);
		pdf.StartPage();
		pdf.DrawDrawing(0, 0, w.size.cx, w.size.cy, w);
		pdf.EndPage();
	}
	return pdf.Finish();
}

void PdfDrawRawData(Draw& w, int x, int y, int cx, int cy, const String& data)
{
	w.Escape("data:" + data);
	w.DrawImage(x, y, cx, cy, sPlaceholder());
}

void InitPdfDrawHooks()
{
	if(sHooksInstalled.load(std::memory_order_acquire))
		return;
	Mutex::Lock lock(sHooksLock);
	if(sHooksInstalled.load(std::memory_order_relaxed))
		return;
	SetPdfHooks(DrawingToPdf, PdfDrawRawData);
	sHooksInstalled.store(true, std::memory_order_release);
}

} // namespace Qel
