// Rich text on long documents: what a query or a frame near the end costs against the same near
// the top. Documents of 1,000, 100,000 and 1,000,000 paragraphs of 30 to 60 words (three or four
// lines on a printed page, one or two across a screen) in DejaVu Sans, each built once and kept:
// - CaretAtEnd, PosAtEnd: the caret of the end and the position under it, on a printed page
//   (letter paper less an inch of margins), after a first query has laid everything out;
// - EditThenCaretAtEnd: the last paragraph but one stored again (alternately with and without
//   an extra word), then the caret of the end;
// - EditAtTopThenCaretAtEnd: the same with the second paragraph, so that the caret's walk
//   crosses the whole document (laid out already): what a walk costs a paragraph;
// - Frame: a 1920 x 1080 frame at the screen zoom 96/600 painted by the painter with the window
//   at the top, the middle and the end, beside Pango with cairo on the same text and width
//   (one PangoLayout per paragraph made once and kept, only those meeting the frame shown);
// - DocumentMemory: heap and resident bytes per paragraph that the laid-out document takes; its
//   time is what building it took (parsed and laid out; Pango: layouts made and measured). Pango
//   keeps each layout's text and attributes but not its lines (lines_B_per_para, sampled, is
//   what they would add): lines for a million paragraphs would not fit in memory.
// Pango and cairo allocate with malloc, so both sides live in this one program.
//
// The default pass (the CI's short run included) uses 1,000 and 100,000 paragraphs only (Pango
// laying out 100,000 paragraphs is most of its time, some 20 seconds): the 1,000,000-paragraph
// documents take minutes and gigabytes to build, and are built only when the environment asks
// for them with QEL_BENCH_LARGE=1.
#include <painter/Painter.h>
#include <richtext/RichText.h>

#include "PrivateFonts.h"
#include "ProcStatus.h"
#include "RichTextData.h"

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace Qel;

namespace {

const bool sPrivateFonts = bench::UsePrivateFonts();

bool sLarge()
{
	const char* s = getenv("QEL_BENCH_LARGE");
	return s && *s && strcmp(s, "0") != 0;
}

const Rect PRINT_PAGE(0, 0, 4800, 6600); // letter paper less an inch of margins, 600 dpi

constexpr int SCREEN_CX = 1920;
constexpr int SCREEN_CY = 1080;
constexpr Zoom ZOOM(96, 600);
constexpr int SCREEN_WIDTH = SCREEN_CX * 600 / 96;   // 12,000 units
constexpr int SCREEN_HEIGHT = SCREEN_CY * 600 / 96;  // 6,750 units
// One page as deep as positions go: a million paragraphs run past the 268,435,455 units of
// the usual unbounded page.
const Rect SCREEN_PAGE(0, 0, SCREEN_WIDTH, 2147483647);

// The paragraphs of the documents, the same on both sides: made again from the seed for each
// document rather than kept, so that only the documents take memory.
class ParaGen {
	bench::detail::RichGen text{2026};
	std::mt19937           words{7};
	int                    index = 0;

public:
	bench::RichParagraph Next()
	{
		bool link = index++ % 10 == 0;
		return text.Paragraph(30 + int(words() % 31), link);
	}
};

// Bytes in use on this thread's heap and the process-wide tiers.
size_t sHeapInUse()
{
	auto p = std::make_unique<MemoryProfile>();
	size_t n = p->large_total + p->big_total + p->huge_total;
	for(int i = 0; i < 1024; i++)
		n += size_t(p->allocated[i]) * size_t(i) * 4;
	return n;
}

size_t sMallocInUse()
{
	struct mallinfo2 m = mallinfo2();
	return m.uordblks + m.hblkhd;
}

double sRssBytes()
{
	return double(ProcStatusKB("VmRSS:")) * 1024;
}

// One document at a time is kept on each side (benchmarks run size after size), so that the
// largest ones do not sit beside each other.
struct QelDoc {
	int      paragraphs = 0;
	RichText doc;
	double   heap_per_para = 0;
	double   rss_per_para = 0;
	double   build_seconds = 0;   // parsed and laid out on the printed page
	int      pages = 0;           // printed pages
	int      screen_height = -1;  // units at the screen width; -1: not measured yet
};

QelDoc& sQel(int n)
{
	static std::unique_ptr<QelDoc> d;
	if(d && d->paragraphs == n)
		return *d;
	d.reset();
	d = std::make_unique<QelDoc>();
	d->paragraphs = n;
	size_t heap0 = sHeapInUse();
	double rss0 = sRssBytes();
	auto t0 = std::chrono::steady_clock::now();
	std::vector<std::pair<int, std::string>> sampled; // the text of every thousandth paragraph
	{
		std::string qtf = "[ ";
		ParaGen g;
		for(int i = 0; i < n; i++) {
			bench::RichParagraph p = g.Next();
			if(i % 1000 == 500 || i == n - 1)
				sampled.emplace_back(i, p.PlainText());
			qtf += (i ? "&][ " : "") + bench::detail::QtfRuns(p);
		}
		d->doc = ParseQtf((qtf + "]").c_str());
	}
	if(d->doc.GetPartCount() != n)
		abort();
	for(const auto& [i, plain] : sampled) {
		WString text;
		for(const RichPara::Part& part : d->doc.Get(i, d->doc.GetStyles()).part)
			text.Cat(part.text);
		if(ToUtf8(text) != plain.c_str()) {
			fprintf(stderr, "Qel's text of paragraph %d differs from the generated one\n", i);
			abort();
		}
	}
	d->pages = d->doc.GetHeight(PRINT_PAGE).page + 1; // laid out once
	d->build_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
	d->heap_per_para = double(sHeapInUse() - heap0) / n;
	d->rss_per_para = (sRssBytes() - rss0) / n;
	fprintf(stderr, "Qel: %d paragraphs on %d printed pages\n", n, d->pages);
	return *d;
}

struct Placed {
	PangoLayout* layout;
	int          y, bottom;
};

struct PangoDoc {
	int                 paragraphs = 0;
	PangoFontMap*       map = nullptr;
	PangoContext*       context = nullptr;
	std::vector<Placed> placed;
	int                 height = 0;
	double              malloc_per_para = 0;
	double              lines_per_para = 0;
	double              rss_per_para = 0;
	double              build_seconds = 0;

	~PangoDoc()
	{
		for(Placed& p : placed)
			g_object_unref(p.layout);
		if(context)
			g_object_unref(context);
		if(map)
			g_object_unref(map);
	}
};

PangoDoc& sPango(int n)
{
	static std::unique_ptr<PangoDoc> d;
	if(d && d->paragraphs == n)
		return *d;
	d.reset();
	d = std::make_unique<PangoDoc>();
	d->paragraphs = n;
	size_t malloc0 = sMallocInUse();
	double rss0 = sRssBytes();
	auto t0 = std::chrono::steady_clock::now();
	d->map = pango_cairo_font_map_new();
	pango_cairo_font_map_set_resolution(PANGO_CAIRO_FONT_MAP(d->map), 96);
	d->context = pango_font_map_create_context(d->map);
	PangoFontDescription* font = pango_font_description_from_string("DejaVu Sans 12");
	pango_context_set_font_description(d->context, font);
	pango_font_description_free(font);
	d->placed.reserve(size_t(n));
	ParaGen g;
	double lines = 0;
	int samples = 0;
	for(int i = 0; i < n; i++) {
		bench::RichParagraph para = g.Next();
		std::string markup = bench::detail::PangoRuns(para);
		// markup Pango refused would leave an empty, quickly laid out paragraph
		char* text = nullptr;
		PangoAttrList* attrs = nullptr;
		if(!pango_parse_markup(markup.c_str(), int(markup.size()), 0, &attrs, &text, nullptr, nullptr) ||
		   para.PlainText() != text) {
			fprintf(stderr, "Pango's text of paragraph %d differs from the generated one\n", i);
			abort();
		}
		PangoLayout* l = pango_layout_new(d->context);
		pango_layout_set_text(l, text, -1);
		pango_layout_set_attributes(l, attrs);
		pango_attr_list_unref(attrs);
		g_free(text);
		pango_layout_set_wrap(l, PANGO_WRAP_WORD);
		pango_layout_set_width(l, SCREEN_CX * PANGO_SCALE);
		int w, h;
		bool sample = i % 1000 == 500;
		size_t before = sample ? sMallocInUse() : 0;
		pango_layout_get_pixel_size(l, &w, &h);
		if(sample) {
			lines += double(sMallocInUse() - before);
			samples++;
		}
		// Every paragraph's lines kept would take about 15 KB a paragraph, 15 GB for a million:
		// the layout keeps its text and attributes, and lays its lines out again (once) when
		// it is shown.
		pango_layout_context_changed(l);
		d->placed.push_back({l, d->height, d->height + h});
		d->height += h;
	}
	d->build_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
	d->malloc_per_para = double(sMallocInUse() - malloc0) / n;
	d->lines_per_para = samples ? lines / samples : 0;
	d->rss_per_para = (sRssBytes() - rss0) / n;
	fprintf(stderr, "Pango: %d paragraphs %d pixels high\n", n, d->height);
	return *d;
}

bool sReady(benchmark::State& state)
{
	if(!sPrivateFonts)
		state.SkipWithError("the private font set is not built");
	return sPrivateFonts;
}

void BM_MemoryQel(benchmark::State& state, int n)
{
	if(!sReady(state))
		return;
	QelDoc& d = sQel(n);
	for(auto _ : state)
		state.SetIterationTime(d.build_seconds);
	state.counters["heap_B_per_para"] = d.heap_per_para;
	state.counters["rss_B_per_para"] = d.rss_per_para;
	state.counters["pages"] = d.pages;
}

void BM_MemoryPango(benchmark::State& state, int n)
{
	if(!sReady(state))
		return;
	PangoDoc& d = sPango(n);
	for(auto _ : state)
		state.SetIterationTime(d.build_seconds);
	state.counters["malloc_B_per_para"] = d.malloc_per_para;
	state.counters["lines_B_per_para"] = d.lines_per_para;
	state.counters["rss_B_per_para"] = d.rss_per_para;
}

// The per-paragraph share of a walk over the whole document.
void sPerParagraph(benchmark::State& state, int n)
{
	state.counters["per_para"] = benchmark::Counter(double(n),
		benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_CaretAtEnd(benchmark::State& state, int n)
{
	if(!sReady(state))
		return;
	const RichText& doc = sQel(n).doc;
	int end = doc.GetLength();
	RichCaret c = doc.GetCaret(end, PRINT_PAGE); // whatever layout is missing is made here
	if(c.page + 1 != sQel(n).pages)
		abort();
	for(auto _ : state)
		benchmark::DoNotOptimize(doc.GetCaret(end, PRINT_PAGE));
	sPerParagraph(state, n);
}

void BM_PosAtEnd(benchmark::State& state, int n)
{
	if(!sReady(state))
		return;
	const RichText& doc = sQel(n).doc;
	int end = doc.GetLength();
	RichCaret c = doc.GetCaret(end, PRINT_PAGE);
	PagePos at(c.page, c.top + 1);
	if(doc.GetPos(c.left, at, PRINT_PAGE) != end)
		abort();
	for(auto _ : state)
		benchmark::DoNotOptimize(doc.GetPos(c.left, at, PRINT_PAGE));
	sPerParagraph(state, n);
}

// Each iteration stores paragraph i again, alternately with an extra word and as it was, and
// asks for the caret of the end: the edit, the paragraph's new layout and the walk from there.
void sEditThenCaret(benchmark::State& state, int n, int i)
{
	if(!sReady(state))
		return;
	RichText& doc = sQel(n).doc;
	RichPara original = doc.Get(i, doc.GetStyles());
	RichPara edited = original;
	edited.Cat(WString(" edited"), original.part.Top().format);
	const RichStyle& style = GetStyle(doc.GetStyles(), original.format.styleid);
	doc.GetCaret(doc.GetLength(), PRINT_PAGE);
	bool flip = false;
	for(auto _ : state) {
		flip = !flip;
		doc.SetPara(i, flip ? edited : original, style);
		benchmark::DoNotOptimize(doc.GetCaret(doc.GetLength(), PRINT_PAGE));
	}
	if(flip)
		doc.SetPara(i, original, style);
	sPerParagraph(state, n);
}

void BM_EditThenCaret(benchmark::State& state, int n)
{
	sEditThenCaret(state, n, n - 2);
}

void BM_EditAtTopThenCaret(benchmark::State& state, int n)
{
	sEditThenCaret(state, n, 1);
}

// Counts the paragraphs painted, to set beside Pango's count.
struct ParaCounter : RichPaintTracer {
	int count = 0;
	void ParagraphBegin(const Rect&, PagePos, const RichPara&) override { count++; }
};

void sPaintQel(const RichText& doc, ImageBuffer& ib, const RichPaintInfo& pi, int top,
               RichPaintTracer* tracer = nullptr)
{
	BufferPainter w(ib);
	w.DrawRect(0, 0, ib.GetWidth(), ib.GetHeight(), Color(255, 255, 255));
	w.Offset(0, -(ZOOM * top));
	SimplePageDraw pw(w);
	pw.tracer = tracer;
	doc.Paint(pw, PagePos(0, 0), SCREEN_PAGE, pi);
	w.End();
}

void BM_FrameQel(benchmark::State& state, int n, int percent)
{
	if(!sReady(state))
		return;
	QelDoc& d = sQel(n);
	if(d.screen_height < 0) {
		PagePos end = d.doc.GetHeight(SCREEN_PAGE);
		if(end.page != 0)
			abort();
		d.screen_height = end.y;
		fprintf(stderr, "Qel: %d paragraphs %d pixels high\n", n, ZOOM * end.y);
	}
	int top = int(int64(max(d.screen_height - SCREEN_HEIGHT, 0)) * percent / 100);
	RichPaintInfo pi;
	pi.zoom = ZOOM;
	pi.window_top = PagePos(0, top);
	pi.window_bottom = PagePos(0, top + SCREEN_HEIGHT);
	ImageBuffer ib(SCREEN_CX, SCREEN_CY);
	ParaCounter shown;
	sPaintQel(d.doc, ib, pi, top, &shown);
	for(auto _ : state)
		sPaintQel(d.doc, ib, pi, top);
	state.counters["paragraphs"] = shown.count;
}

// Clears the surface and shows the layouts that meet the band [top, top + surface height);
// returns how many were shown.
int sPaintPango(const PangoDoc& d, cairo_surface_t* surface, int top)
{
	cairo_t* cr = cairo_create(surface);
	cairo_set_source_rgb(cr, 1, 1, 1);
	cairo_paint(cr);
	cairo_set_source_rgb(cr, 0, 0, 0);
	auto i = std::upper_bound(d.placed.begin(), d.placed.end(), top,
	                          [](int y, const Placed& p) { return y < p.bottom; });
	int shown = 0;
	for(; i != d.placed.end() && i->y < top + SCREEN_CY; ++i) {
		cairo_move_to(cr, 0, i->y - top);
		pango_cairo_show_layout(cr, i->layout);
		shown++;
	}
	cairo_destroy(cr);
	cairo_surface_flush(surface);
	return shown;
}

void BM_FramePango(benchmark::State& state, int n, int percent)
{
	if(!sReady(state))
		return;
	const PangoDoc& d = sPango(n);
	int top = int(int64(std::max(d.height - SCREEN_CY, 0)) * percent / 100);
	cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, SCREEN_CX, SCREEN_CY);
	int shown = sPaintPango(d, surface, top);
	for(auto _ : state)
		sPaintPango(d, surface, top);
	cairo_surface_destroy(surface);
	state.counters["paragraphs"] = shown;
}

// Size after size, so that each side keeps one document at a time; the frames of Qel and Pango
// side by side.
const bool sRegistered = [] {
	std::vector<int> sizes = {1000, 100000};
	if(sLarge())
		sizes.push_back(1000000);
	const struct {
		const char* name;
		int         percent;
	} window[] = {{"top", 0}, {"middle", 50}, {"end", 100}};
	for(int n : sizes) {
		std::string s = std::to_string(n);
		benchmark::RegisterBenchmark(("DocumentMemory/Qel/" + s).c_str(), BM_MemoryQel, n)
			->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
		benchmark::RegisterBenchmark(("CaretAtEnd/Qel/" + s).c_str(), BM_CaretAtEnd, n)
			->Unit(benchmark::kMicrosecond);
		benchmark::RegisterBenchmark(("PosAtEnd/Qel/" + s).c_str(), BM_PosAtEnd, n)
			->Unit(benchmark::kMicrosecond);
		benchmark::RegisterBenchmark(("EditThenCaretAtEnd/Qel/" + s).c_str(), BM_EditThenCaret, n)
			->Unit(benchmark::kMicrosecond);
		benchmark::RegisterBenchmark(("EditAtTopThenCaretAtEnd/Qel/" + s).c_str(), BM_EditAtTopThenCaret, n)
			->Unit(benchmark::kMicrosecond);
		if(n < 100000)
			continue; // a thousand paragraphs are a few screens: nothing to scroll through
		benchmark::RegisterBenchmark(("DocumentMemory/Pango/" + s).c_str(), BM_MemoryPango, n)
			->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
		for(const auto& w : window) {
			benchmark::RegisterBenchmark(("Frame/Qel/" + s + "/" + w.name).c_str(), BM_FrameQel, n, w.percent)
				->Unit(benchmark::kMillisecond);
			benchmark::RegisterBenchmark(("Frame/Pango/" + s + "/" + w.name).c_str(), BM_FramePango, n,
			                             w.percent)
				->Unit(benchmark::kMillisecond);
		}
	}
	return true;
}();

} // namespace
