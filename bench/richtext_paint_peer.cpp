// The peer of bench_richtext_paint: Pango with cairo shows the benchmark document's paragraphs
// (from Pango markup, DejaVu Sans 12 at 96 dpi, 1920 pixels wide; a table's cells four to a row,
// 480 pixels each) on a 1920 x 1080 cairo image surface: cleared, then every layout that meets
// the screen shown with pango_cairo_show_layout. The layouts are made once and kept, as a
// program scrolling a document would keep them; the visible ones are found by binary search.
#include "PrivateFonts.h"
#include "RichTextData.h"

#include <benchmark/benchmark.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

const bool sPrivateFonts = bench::UsePrivateFonts();

constexpr int PARAGRAPHS = 10000;
constexpr int SCREEN_CX = 1920;
constexpr int SCREEN_CY = 1080;
constexpr int COLUMNS = 4;

struct Placed {
	PangoLayout* layout;
	int          x, y;
	int          bottom;
};

struct sPango {
	PangoFontMap*       map = nullptr;
	PangoContext*       context = nullptr;
	std::vector<Placed> placed;  // in order of their tops
	std::vector<int>    bottom;  // the lowest bottom of placed[0..i], for the search
	int                 height = 0;
};

PangoContext* sContext(PangoFontMap*& map)
{
	map = pango_cairo_font_map_new();
	pango_cairo_font_map_set_resolution(PANGO_CAIRO_FONT_MAP(map), 96);
	PangoContext* context = pango_font_map_create_context(map);
	PangoFontDescription* font = pango_font_description_from_string("DejaVu Sans 12");
	pango_context_set_font_description(context, font);
	pango_font_description_free(font);
	return context;
}

PangoLayout* sLayout(PangoContext* context, const std::string& markup, const std::string& plain, int width_px)
{
	char* text = nullptr;
	PangoAttrList* attrs = nullptr;
	if(!pango_parse_markup(markup.c_str(), -1, 0, &attrs, &text, nullptr, nullptr) || plain != text) {
		fprintf(stderr, "Pango's text of a paragraph differs from the document's\n");
		abort();
	}
	PangoLayout* l = pango_layout_new(context);
	pango_layout_set_text(l, text, -1);
	pango_layout_set_attributes(l, attrs);
	pango_layout_set_wrap(l, PANGO_WRAP_WORD);
	pango_layout_set_width(l, width_px * PANGO_SCALE);
	pango_attr_list_unref(attrs);
	g_free(text);
	return l;
}

int sHeight(PangoLayout* l)
{
	int w, h;
	pango_layout_get_pixel_size(l, &w, &h);
	return h;
}

void sAdd(sPango& p, PangoLayout* l, int x, int y)
{
	int b = y + sHeight(l);
	p.placed.push_back({l, x, y, b});
	p.bottom.push_back(std::max(b, p.bottom.empty() ? 0 : p.bottom.back()));
	p.height = std::max(p.height, b);
}

const sPango& sDoc()
{
	static sPango p = [] {
		sPango p;
		p.context = sContext(p.map);
		bench::RichDocument doc = bench::MakeRichDocument(PARAGRAPHS);
		size_t k = 0;
		for(const bench::RichBlock& b : doc.blocks) {
			if(!b.table) {
				sAdd(p, sLayout(p.context, doc.pango[k], doc.paragraphs[k].PlainText(), SCREEN_CX), 0, p.height);
				k++;
				continue;
			}
			for(size_t c = 0; c < b.cells.size(); c += COLUMNS) {
				int y = p.height;
				for(int i = 0; i < COLUMNS; i++, k++)
					sAdd(p, sLayout(p.context, doc.pango[k], doc.paragraphs[k].PlainText(), SCREEN_CX / COLUMNS),
					     i * SCREEN_CX / COLUMNS, y);
			}
		}
		fprintf(stderr, "Pango: document %d pixels high\n", p.height);
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

// Clears the surface and shows what meets the band [top, top + surface height); returns how many
// layouts were shown.
int sPaintFrame(const sPango& p, cairo_surface_t* surface, int top)
{
	int cy = cairo_image_surface_get_height(surface);
	cairo_t* cr = cairo_create(surface);
	cairo_set_source_rgb(cr, 1, 1, 1);
	cairo_paint(cr);
	cairo_set_source_rgb(cr, 0, 0, 0);
	size_t i = size_t(std::upper_bound(p.bottom.begin(), p.bottom.end(), top) - p.bottom.begin());
	int shown = 0;
	for(; i < p.placed.size() && p.placed[i].y < top + cy; i++)
		if(p.placed[i].bottom > top) {
			cairo_move_to(cr, p.placed[i].x, p.placed[i].y - top);
			pango_cairo_show_layout(cr, p.placed[i].layout);
			shown++;
		}
	cairo_destroy(cr);
	cairo_surface_flush(surface);
	return shown;
}

void BM_Frame(benchmark::State& state)
{
	if(!sReady(state))
		return;
	const sPango& p = sDoc();
	int top = int((long long)std::max(p.height - SCREEN_CY, 0) * state.range(0) / 100);
	cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, SCREEN_CX, SCREEN_CY);
	int shown = sPaintFrame(p, surface, top);
	for(auto _ : state)
		sPaintFrame(p, surface, top);
	cairo_surface_destroy(surface);
	state.counters["paragraphs"] = shown;
}

} // namespace

BENCHMARK(BM_Frame)->Name("Frame/Pango")->Arg(0)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond);
