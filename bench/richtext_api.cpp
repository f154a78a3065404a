// Rich text's public API as programs use it. Labels: 1,000 short QTF texts each parsed, zoomed
// to the screen, measured (width, then height at that width) and painted, as a label of rich
// text is shown; the peer sets Pango markup and asks for the pixel size. Carets: the caret and
// the position under a point at the end of documents of 1,000 to 100,000 paragraphs (a walk
// over the parts; no peer). A "rawimage" object of an 8000 x 6000 PNG painted into 800 x 600
// (an image drawing), which decodes the file straight to the target size: time and peak_KB, the
// resident memory one paint adds in a fresh process. The peer: bench_richtext_api_peer.
#include "PrivateFonts.h"
#include "RawImageData.h"
#include "RichTextData.h"

#include <richtext/RichText.h>

#include <benchmark/benchmark.h>

#include <map>

using namespace Qel;

namespace {

const bool sPrivateFonts = bench::UsePrivateFonts();

const std::vector<bench::RichLabel>& sLabels()
{
	static std::vector<bench::RichLabel> l = bench::MakeRichLabels(1000);
	return l;
}

// Each label as a label shows it; the sums of the widths and heights in pixels.
Size sLabelRoad()
{
	Zoom screen = GetRichTextStdScreenZoom();
	RichPaintInfo pi;
	pi.zoom = Zoom(1, 1); // the text is in pixels once zoomed
	NilDraw w;
	Size sum(0, 0);
	for(const bench::RichLabel& l : sLabels()) {
		RichText t = ParseQtf(l.qtf.c_str());
		t.ApplyZoom(screen);
		int cx = t.GetWidth();
		int cy = t.GetHeight(Zoom(1, 1), cx);
		t.Paint(w, 0, 0, cx, pi);
		sum.cx += cx;
		sum.cy += cy;
	}
	return sum;
}

void BM_Labels(benchmark::State& state)
{
	if(!sPrivateFonts) {
		state.SkipWithError("the private font set is not built");
		return;
	}
	static bool checked = [] {
		Size s = sLabelRoad();
		// set beside the peer's sums: the same text in the same faces at 16 pixels
		fprintf(stderr, "Qel labels: %d pixels wide, %d high in all\n", s.cx, s.cy);
		if(s.cx <= 0 || s.cy <= 0)
			abort();
		return true;
	}();
	(void)checked;
	for(auto _ : state)
		benchmark::DoNotOptimize(sLabelRoad());
	state.SetItemsProcessed(state.iterations() * int64(sLabels().size()));
}

const Rect CARET_PAGE(0, 0, 4800, 6600); // letter paper less an inch of margins

// n paragraphs of label text.
const RichText& sDocument(int n)
{
	static std::map<int, RichText> docs;
	auto q = docs.find(n);
	if(q != docs.end())
		return q->second;
	std::vector<bench::RichLabel> l = bench::MakeRichLabels(1000);
	std::string qtf = "[ ";
	for(int i = 0; i < n; i++)
		qtf += (i ? "&][ " : "") + l[i % l.size()].qtf;
	RichText& doc = docs[n] = ParseQtf((qtf + "]").c_str());
	if(doc.GetPartCount() != n)
		abort();
	doc.GetHeight(CARET_PAGE); // laid out once: the walks below step over what is laid out
	return doc;
}

void BM_CaretAtEnd(benchmark::State& state)
{
	if(!sPrivateFonts) {
		state.SkipWithError("the private font set is not built");
		return;
	}
	const RichText& doc = sDocument(int(state.range(0)));
	int end = doc.GetLength();
	for(auto _ : state)
		benchmark::DoNotOptimize(doc.GetCaret(end, CARET_PAGE));
	state.counters["paragraphs"] = benchmark::Counter(double(state.range(0)), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_PosAtEnd(benchmark::State& state)
{
	if(!sPrivateFonts) {
		state.SkipWithError("the private font set is not built");
		return;
	}
	const RichText& doc = sDocument(int(state.range(0)));
	int end = doc.GetLength();
	RichCaret c = doc.GetCaret(end, CARET_PAGE);
	PagePos at(c.page, c.top + 1);
	if(doc.GetPos(c.left, at, CARET_PAGE) != end)
		abort();
	for(auto _ : state)
		benchmark::DoNotOptimize(doc.GetPos(c.left, at, CARET_PAGE));
	state.counters["paragraphs"] = benchmark::Counter(double(state.range(0)), benchmark::Counter::kIsIterationInvariantRate);
}

const RichObject& sRawImage()
{
	static RichObject o = [] {
		const bench::RawImagePng& png = bench::GetRawImagePng();
		RichObject o;
		o.Read("rawimage", String(png.bytes.data(), int(png.bytes.size())), Size(5000, 3750));
		return o;
	}();
	return o;
}

Image sPaintRawImage()
{
	ImageAnyDraw w(bench::RAW_TARGET_CX, bench::RAW_TARGET_CY);
	sRawImage().Paint(w, Size(bench::RAW_TARGET_CX, bench::RAW_TARGET_CY));
	return w;
}

const bool sPeakChild = bench::PeakChild("rawimage", [] { sRawImage(); }, [] { sPaintRawImage(); });

void BM_RawImage(benchmark::State& state)
{
	static bool checked = [] {
		Image m = sPaintRawImage();
		if(m.GetSize() != Size(bench::RAW_TARGET_CX, bench::RAW_TARGET_CY))
			abort();
		double sum[3] = {};
		for(const RGBA& p : m) {
			sum[0] += p.r;
			sum[1] += p.g;
			sum[2] += p.b;
		}
		double mean[3];
		for(int c = 0; c < 3; c++)
			mean[c] = sum[c] / m.GetLength();
		bench::CheckRawMeans("Qel", mean);
		return true;
	}();
	(void)checked;
	for(auto _ : state)
		benchmark::DoNotOptimize(sPaintRawImage());
	state.counters["peak_KB"] = double(bench::PeakKB("rawimage"));
	state.SetItemsProcessed(state.iterations() * int64(bench::RAW_CX) * bench::RAW_CY);
}

} // namespace

BENCHMARK(BM_Labels)->Name("Labels1000/Qel")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CaretAtEnd)->Name("CaretAtEnd/Qel")->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PosAtEnd)->Name("PosAtEnd/Qel")->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RawImage)->Name("RawImage8000x6000To800x600/Qel")->Unit(benchmark::kMillisecond)->UseRealTime();
