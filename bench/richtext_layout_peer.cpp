// The peer of bench_richtext_layout: Pango lays out the benchmark document's paragraphs (table
// cells as paragraphs of their own) from Pango markup in DejaVu Sans 12 at 96 dpi, 800 pixels
// wide, one PangoLayout each, wrapping at words: new layouts (cold), the kept layouts at another
// width (resize), and the kept layouts measured again, from their own cache and after being
// told their context changed (warm).
#include "PrivateFonts.h"
#include "RichTextData.h"

#include <benchmark/benchmark.h>
#include <pango/pangoft2.h>

#include <cstdio>
#include <cstdlib>

namespace {

const bool sPrivateFonts = bench::UsePrivateFonts();

constexpr int PARAGRAPHS = 10000;
constexpr int WIDTH_PX = 800;

struct sPango {
	PangoFontMap*               map = nullptr;
	PangoContext*               context = nullptr;
	std::vector<std::string>    text;
	std::vector<PangoAttrList*> attrs;
	std::vector<PangoLayout*>   layouts; // kept, laid out at WIDTH_PX
};

PangoLayout* sLayout(const sPango& p, size_t i, int width_px)
{
	PangoLayout* l = pango_layout_new(p.context);
	pango_layout_set_text(l, p.text[i].c_str(), int(p.text[i].size()));
	pango_layout_set_attributes(l, p.attrs[i]);
	pango_layout_set_wrap(l, PANGO_WRAP_WORD);
	pango_layout_set_width(l, width_px * PANGO_SCALE);
	return l;
}

const sPango& sDoc()
{
	static sPango p = [] {
		sPango p;
		p.map = pango_ft2_font_map_new();
		pango_ft2_font_map_set_resolution(PANGO_FT2_FONT_MAP(p.map), 96, 96);
		p.context = pango_font_map_create_context(p.map);
		PangoFontDescription* font = pango_font_description_from_string("DejaVu Sans 12");
		pango_context_set_font_description(p.context, font);
		pango_font_description_free(font);
		bench::RichDocument doc = bench::MakeRichDocument(PARAGRAPHS);
		for(size_t i = 0; i < doc.pango.size(); i++) {
			char* text = nullptr;
			PangoAttrList* attrs = nullptr;
			if(!pango_parse_markup(doc.pango[i].c_str(), -1, 0, &attrs, &text, nullptr, nullptr) ||
			   doc.paragraphs[i].PlainText() != text) {
				fprintf(stderr, "Pango's text of paragraph %d differs from the document's\n", int(i));
				abort();
			}
			p.text.push_back(text);
			p.attrs.push_back(attrs);
			g_free(text);
		}
		// Lines of the paragraphs outside tables, to set beside Qel's count.
		long long lines = 0;
		size_t k = 0;
		for(const bench::RichBlock& b : doc.blocks) {
			PangoLayout* l = sLayout(p, k, WIDTH_PX);
			if(!b.table)
				lines += pango_layout_get_line_count(l);
			g_object_unref(l);
			k += b.table ? b.cells.size() : 1;
		}
		fprintf(stderr, "Pango: %d blocks, %lld lines outside tables\n", int(doc.blocks.size()), lines);
		for(size_t i = 0; i < p.text.size(); i++) {
			p.layouts.push_back(sLayout(p, i, WIDTH_PX));
			int w, h;
			pango_layout_get_pixel_size(p.layouts.back(), &w, &h);
		}
		return p;
	}();
	return p;
}

bool sReady(benchmark::State& state)
{
	if(!sPrivateFonts)
		state.SkipWithError("the private font set is not built");
	return sPrivateFonts;
}

void sPerParagraph(benchmark::State& state, size_t n)
{
	state.counters["paragraphs"] = benchmark::Counter(double(n), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_Cold(benchmark::State& state)
{
	if(!sReady(state))
		return;
	const sPango& p = sDoc();
	for(auto _ : state) {
		long long height = 0;
		for(size_t i = 0; i < p.text.size(); i++) {
			PangoLayout* l = sLayout(p, i, WIDTH_PX);
			int w, h;
			pango_layout_get_pixel_size(l, &w, &h);
			height += h;
			g_object_unref(l);
		}
		benchmark::DoNotOptimize(height);
	}
	sPerParagraph(state, p.text.size());
}

void BM_Resize(benchmark::State& state)
{
	if(!sReady(state))
		return;
	const sPango& p = sDoc();
	int width = WIDTH_PX;
	for(auto _ : state) {
		width = width == WIDTH_PX ? WIDTH_PX + 1 : WIDTH_PX;
		long long height = 0;
		for(PangoLayout* l : p.layouts) {
			pango_layout_set_width(l, width * PANGO_SCALE);
			int w, h;
			pango_layout_get_pixel_size(l, &w, &h);
			height += h;
		}
		benchmark::DoNotOptimize(height);
	}
	for(PangoLayout* l : p.layouts) {
		pango_layout_set_width(l, WIDTH_PX * PANGO_SCALE);
		int w, h;
		pango_layout_get_pixel_size(l, &w, &h);
	}
	sPerParagraph(state, p.text.size());
}

void BM_WarmCached(benchmark::State& state)
{
	if(!sReady(state))
		return;
	const sPango& p = sDoc();
	for(auto _ : state) {
		long long height = 0;
		for(PangoLayout* l : p.layouts) {
			int w, h;
			pango_layout_get_pixel_size(l, &w, &h);
			height += h;
		}
		benchmark::DoNotOptimize(height);
	}
	sPerParagraph(state, p.text.size());
}

void BM_WarmRelayout(benchmark::State& state)
{
	if(!sReady(state))
		return;
	const sPango& p = sDoc();
	for(auto _ : state) {
		long long height = 0;
		for(PangoLayout* l : p.layouts) {
			pango_layout_context_changed(l);
			int w, h;
			pango_layout_get_pixel_size(l, &w, &h);
			height += h;
		}
		benchmark::DoNotOptimize(height);
	}
	sPerParagraph(state, p.text.size());
}

} // namespace

BENCHMARK(BM_Cold)->Name("GetHeightCold/Pango")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Resize)->Name("GetHeightResize/Pango")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WarmCached)->Name("GetHeightWarm/PangoCached")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WarmRelayout)->Name("GetHeightWarm/PangoRelayout")->Unit(benchmark::kMillisecond);
