// Rich-text painting: one 1920 x 1080 screenful of the benchmark document (10,000 paragraphs in
// DejaVu Sans, laid out 1920 pixels wide at the screen zoom 96/600) painted with RichText::Paint
// by the painter into an image, with the window at the top, the middle and the end of the
// document; the same frames walked onto NilDraw, which paints nothing (the walk's share of a
// frame); and a window of 120 short paragraphs, more than the paragraph caches keep, against one
// of 50, so that the larger window lays out every paragraph on every frame (painted, and with
// the layouts and drawing calls alone). The peer (bench_richtext_paint_peer) has Pango with
// cairo show the same paragraphs.
#include <painter/Painter.h>
#include <richtext/RichText.h>

#include "PrivateFonts.h"
#include "RichTextData.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

using namespace Qel;

namespace {

const bool sPrivateFonts = bench::UsePrivateFonts();

constexpr int PARAGRAPHS = 10000;
constexpr int SCREEN_CX = 1920;
constexpr int SCREEN_CY = 1080;
constexpr Zoom ZOOM(96, 600);
constexpr int WIDTH = SCREEN_CX * 600 / 96;   // 12,000 units
constexpr int HEIGHT = SCREEN_CY * 600 / 96;  // 6,750 units
constexpr int LABELS = 2000;

const Rect PAGE(0, 0, WIDTH, 268435455);

// Counts the paragraphs painted, to set beside the peer's count.
struct ParaCounter : RichPaintTracer {
	int count = 0;
	void ParagraphBegin(const Rect&, PagePos, const RichPara&) override { count++; }
};

struct sDocument {
	RichText doc;
	int      height = 0; // units
};

const sDocument& sDoc()
{
	static sDocument d = [] {
		sDocument d;
		d.doc = ParseQtf(bench::MakeRichDocument(PARAGRAPHS).qtf.c_str());
		PagePos end = d.doc.GetHeight(PAGE);
		if(end.page != 0)
			abort();
		d.height = end.y;
		fprintf(stderr, "Qel: document %d pixels high\n", ZOOM * d.height);
		return d;
	}();
	return d;
}

// Takes every paragraph for visible, so that each is laid out and its drawing calls are made,
// but draws nothing.
struct PaintingNilDraw : NilDraw {
	bool IsPaintingOp(const Rect&) const override { return true; }
};

// Short labels as paragraphs, and where each begins (from a walk told to paint them all).
struct sLabelDocument {
	RichText    doc;
	Vector<int> top;
};

const sLabelDocument& sLabels()
{
	static sLabelDocument d = [] {
		sLabelDocument d;
		std::vector<bench::RichLabel> l = bench::MakeRichLabels(LABELS);
		std::string qtf = "[ ";
		for(size_t i = 0; i < l.size(); i++)
			qtf += (i ? "&][ " : "") + l[i].qtf;
		d.doc = ParseQtf((qtf + "]").c_str());
		struct Tops : RichPaintTracer {
			Vector<int>* top;
			void ParagraphBegin(const Rect&, PagePos at, const RichPara&) override { top->Add(at.y); }
		} tops;
		tops.top = &d.top;
		PaintingNilDraw nil;
		SimplePageDraw pw(nil);
		pw.tracer = &tops;
		RichPaintInfo pi;
		pi.zoom = ZOOM;
		d.doc.Paint(pw, PagePos(0, 0), PAGE, pi);
		if(d.top.GetCount() != LABELS)
			abort();
		return d;
	}();
	return d;
}

bool sReady(benchmark::State& state)
{
	if(!sPrivateFonts)
		state.SkipWithError("the private font set is not built");
	return sPrivateFonts;
}

// The window of the frame whose top is at percent of the document's scrolling range.
RichPaintInfo sWindow(int percent, int* top)
{
	*top = int(int64(max(sDoc().height - HEIGHT, 0)) * percent / 100);
	RichPaintInfo pi;
	pi.zoom = ZOOM;
	pi.window_top = PagePos(0, *top);
	pi.window_bottom = PagePos(0, *top + HEIGHT);
	return pi;
}

// One frame into ib: cleared, then the window painted scrolled to its top.
void sPaintFrame(const RichText& doc, ImageBuffer& ib, const RichPaintInfo& pi, int top,
                 RichPaintTracer* tracer = nullptr)
{
	BufferPainter w(ib);
	w.DrawRect(0, 0, ib.GetWidth(), ib.GetHeight(), Color(255, 255, 255));
	w.Offset(0, -(ZOOM * top));
	SimplePageDraw pw(w);
	pw.tracer = tracer;
	doc.Paint(pw, PagePos(0, 0), PAGE, pi);
	w.End();
}

void BM_Frame(benchmark::State& state)
{
	if(!sReady(state))
		return;
	const sDocument& d = sDoc();
	int top;
	RichPaintInfo pi = sWindow(int(state.range(0)), &top);
	ImageBuffer ib(SCREEN_CX, SCREEN_CY);
	ParaCounter n;
	sPaintFrame(d.doc, ib, pi, top, &n);
	for(auto _ : state)
		sPaintFrame(d.doc, ib, pi, top);
	state.counters["paragraphs"] = n.count;
}

void BM_Walk(benchmark::State& state)
{
	if(!sReady(state))
		return;
	const sDocument& d = sDoc();
	int top;
	RichPaintInfo pi = sWindow(int(state.range(0)), &top);
	NilDraw nil;
	SimplePageDraw pw(nil);
	for(auto _ : state)
		d.doc.Paint(pw, PagePos(0, 0), PAGE, pi);
}

// count short paragraphs from the middle of the label document, painted into an image of their
// height.
void BM_Labels(benchmark::State& state)
{
	if(!sReady(state))
		return;
	const sLabelDocument& d = sLabels();
	int count = int(state.range(0));
	int first = LABELS / 2;
	RichPaintInfo pi;
	pi.zoom = ZOOM;
	pi.window_top = PagePos(0, d.top[first]);
	pi.window_bottom = PagePos(0, d.top[first + count]);
	ImageBuffer ib(SCREEN_CX, ZOOM * (d.top[first + count] - d.top[first]) + 1);
	ParaCounter n;
	sPaintFrame(d.doc, ib, pi, d.top[first], &n);
	if(n.count < count)
		abort();
	for(auto _ : state)
		sPaintFrame(d.doc, ib, pi, d.top[first]);
	state.counters["paragraphs"] = benchmark::Counter(double(count), benchmark::Counter::kIsIterationInvariantRate);
}

// The same windows without the rendering: what the layouts and the drawing calls cost.
void BM_LabelsNoInk(benchmark::State& state)
{
	if(!sReady(state))
		return;
	const sLabelDocument& d = sLabels();
	int count = int(state.range(0));
	int first = LABELS / 2;
	RichPaintInfo pi;
	pi.zoom = ZOOM;
	pi.window_top = PagePos(0, d.top[first]);
	pi.window_bottom = PagePos(0, d.top[first + count]);
	PaintingNilDraw nil;
	SimplePageDraw pw(nil);
	for(auto _ : state)
		d.doc.Paint(pw, PagePos(0, 0), PAGE, pi);
	state.counters["paragraphs"] = benchmark::Counter(double(count), benchmark::Counter::kIsIterationInvariantRate);
}

} // namespace

BENCHMARK(BM_Frame)->Name("Frame/Qel")->Arg(0)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Walk)->Name("Walk/QelNilDraw")->Arg(0)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Labels)->Name("ShortParagraphs/Qel")->Arg(50)->Arg(120)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LabelsNoInk)->Name("ShortParagraphsNoInk/Qel")->Arg(50)->Arg(120)->Unit(benchmark::kMillisecond);
