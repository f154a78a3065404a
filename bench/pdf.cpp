// PDF documents written by PdfDraw: the input of pdf_inputs.h, text at the design widths of two
// faces, shapes and one shared image on 100 pages. The peer program writes the same with cairo.
#include <pdf/Pdf.h>

#include "pdf_inputs.h"

#include <benchmark/benchmark.h>

using namespace Qel;
using namespace PdfBench;

namespace {

Image SharedImage()
{
	ImageBuffer ib(IMAGE_CX, IMAGE_CY);
	memcpy((void*)ib.Begin(), ImagePixels().data(), ImagePixels().size());
	return Image(std::move(ib));
}

String Document(const Vector<WString>& lines, const Image& img)
{
	Font sans(Font::SANSSERIF, TEXT_HEIGHT), serif(Font::SERIF, TEXT_HEIGHT);
	PdfDraw pdf(PAGE_CX, PAGE_CY);
	for(int p = 0; p < PAGES; p++) {
		pdf.StartPage();
		for(int i = 0; i < LINES; i++) {
			const WString& l = lines[p * LINES + i];
			pdf.DrawText(LEFT, TOP + LINE_STEP * i, l, i & 1 ? serif : sans, Color(0, 0, 0));
		}
		for(const Box& b : Boxes(p))
			pdf.DrawRect(b.x, b.y, b.cx, b.cy, Color(b.rgb >> 16, (b.rgb >> 8) & 255, b.rgb & 255));
		pdf.DrawLineOp(LEFT, 600, PAGE_CX - LEFT, 600, 6, Color(0, 0, 128));
		pdf.DrawEllipse(Rect(4000, 200, 4600, 500), Color(200, 220, 255), 4, Color(0, 0, 0));
		pdf.DrawImage(LEFT, 150, 2 * IMAGE_CX, 2 * IMAGE_CY, img);
	}
	return pdf.Finish();
}

void Document100(benchmark::State& state)
{
	Vector<WString> lines;
	for(const std::u32string& l : Lines())
		lines.Add(WString((const wchar*)l.data(), int(l.size())));
	Image img = SharedImage();
	String pdf;
	for(auto _ : state)
		pdf = Document(lines, img);
	state.counters["bytes"] = pdf.GetLength();
	state.SetItemsProcessed(state.iterations() * PAGES);
}

} // namespace

BENCHMARK(Document100)->Name("Document100/Qel")->Unit(benchmark::kMillisecond);
