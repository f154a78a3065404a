// Font measuring beside HarfBuzz, Pango and cairo (C libraries, on malloc), and a paragraph of
// text painted into an image beside cairo_show_text and Pango.
#include <draw/Draw.h>
#include <painter/Painter.h>

#include <benchmark/benchmark.h>

#include <cairo-ft.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <hb-ft.h>
#include <hb.h>
#include <pango/pangocairo.h>
#include <pango/pangoft2.h>

#include <cstdio>
#include <random>
#include <vector>
#include <cstdlib>

using namespace Qel;

namespace {

const Font sFont(Font::SANSSERIF, 13);

const WString& Text()
{
	static WString t = [] {
		WString s;
		const char* words = "The quick brown fox jumps over the lazy dog; Příliš žluťoučký kůň úpěl ďábelské ódy. ";
		WString w = ToUtf32(words, (int)strlen(words));
		while(s.GetLength() < 10000)
			s.Cat(w);
		return s.Mid(0, 10000);
	}();
	return t;
}

// The face file Qel measures with, opened once more for the peers.
struct Peer {
	FT_Library   lib = nullptr;
	FT_Face      face = nullptr;
	hb_font_t*   hb = nullptr;
	std::vector<hb_codepoint_t> cps, glyphs;
	std::vector<hb_position_t>  adv;

	Peer()
	{
		const FontMetrics& m = sFont.GetMetrics();
		FT_Init_FreeType(&lib);
		FT_New_Face(lib, m.path, m.face_index, &face);
		FT_Set_Char_Size(face, 13 * 64, 13 * 64, 0, 0);
		hb = hb_ft_font_create_referenced(face);
		hb_ft_font_set_load_flags(hb, FT_LOAD_NO_BITMAP); // the flags Qel measures with
		for(int c : Text())
			cps.push_back(c);
		glyphs.resize(cps.size());
		adv.resize(cps.size());
	}
	int64 Measure()
	{
		unsigned n = cps.size();
		hb_font_get_nominal_glyphs(hb, n, cps.data(), sizeof(hb_codepoint_t), glyphs.data(), sizeof(hb_codepoint_t));
		hb_font_get_glyph_h_advances(hb, n, glyphs.data(), sizeof(hb_codepoint_t), adv.data(), sizeof(hb_position_t));
		int64 w = 0;
		for(hb_position_t a : adv)
			w += (a + 32) >> 6;
		return w;
	}
};

Peer& GetPeer()
{
	static Peer p;
	return p;
}

int64 QelMeasure(Font f)
{
	int64 w = 0;
	for(int c : Text())
		w += f.GetWidth(c);
	return w;
}

void Measure_Qel(benchmark::State& state)
{
	int64 w = QelMeasure(sFont);
	// Both sides round 26.6 advances the same way, so the totals must agree.
	if(w != GetPeer().Measure())
		state.SkipWithError("widths differ from HarfBuzz");
	for(auto _ : state)
		benchmark::DoNotOptimize(QelMeasure(sFont));
	state.SetItemsProcessed(state.iterations() * Text().GetLength());
}
BENCHMARK(Measure_Qel)->Name("Measure/Qel");

void Measure_HarfBuzz(benchmark::State& state)
{
	Peer& p = GetPeer();
	for(auto _ : state)
		benchmark::DoNotOptimize(p.Measure());
	state.SetItemsProcessed(state.iterations() * Text().GetLength());
}
BENCHMARK(Measure_HarfBuzz)->Name("Measure/HarfBuzz");

void Measure_Pango(benchmark::State& state)
{
	PangoFontMap* map = pango_ft2_font_map_new();
	PangoContext* ctx = pango_font_map_create_context(map);
	PangoLayout* layout = pango_layout_new(ctx);
	PangoFontDescription* d = pango_font_description_from_string("DejaVu Sans");
	pango_font_description_set_absolute_size(d, 13 * PANGO_SCALE);
	pango_layout_set_font_description(layout, d);
	String utf8 = Text().ToString();
	for(auto _ : state) {
		pango_layout_set_text(layout, ~utf8, utf8.GetLength());
		int w, h;
		pango_layout_get_pixel_size(layout, &w, &h);
		benchmark::DoNotOptimize(w);
	}
	pango_font_description_free(d);
	g_object_unref(layout);
	g_object_unref(ctx);
	g_object_unref(map);
	state.SetItemsProcessed(state.iterations() * Text().GetLength());
}
BENCHMARK(Measure_Pango)->Name("Measure/Pango");

void Threads_Qel(benchmark::State& state)
{
	for(auto _ : state)
		benchmark::DoNotOptimize(QelMeasure(sFont));
	state.SetItemsProcessed(state.iterations() * Text().GetLength());
}
BENCHMARK(Threads_Qel)->Name("Threads8/Qel")->Threads(8)->UseRealTime();

void Threads_HarfBuzz(benchmark::State& state)
{
	Peer& p = GetPeer(); // one shared hb_font; each thread its own buffers
	std::vector<hb_codepoint_t> glyphs(p.cps.size());
	std::vector<hb_position_t> adv(p.cps.size());
	for(auto _ : state) {
		unsigned n = p.cps.size();
		hb_font_get_nominal_glyphs(p.hb, n, p.cps.data(), sizeof(hb_codepoint_t), glyphs.data(), sizeof(hb_codepoint_t));
		hb_font_get_glyph_h_advances(p.hb, n, glyphs.data(), sizeof(hb_codepoint_t), adv.data(), sizeof(hb_position_t));
		benchmark::DoNotOptimize(adv.data());
	}
	state.SetItemsProcessed(state.iterations() * Text().GetLength());
}
BENCHMARK(Threads_HarfBuzz)->Name("Threads8/HarfBuzz")->Threads(8)->UseRealTime();

// Glyph information straight from the face, without the caches.
void ColdGlyph_Qel(benchmark::State& state)
{
	int c = 0;
	for(auto _ : state)
		benchmark::DoNotOptimize(HasGlyph(sFont, 'A' + (c++ & 31)));
}
BENCHMARK(ColdGlyph_Qel)->Name("ColdGlyph/Qel");

void ColdGlyph_FreeType(benchmark::State& state)
{
	Peer& p = GetPeer();
	int c = 0;
	for(auto _ : state) {
		FT_UInt g = FT_Get_Char_Index(p.face, 'A' + (c++ & 31));
		benchmark::DoNotOptimize(FT_Load_Glyph(p.face, g, FT_LOAD_NO_BITMAP));
		benchmark::DoNotOptimize(p.face->glyph->metrics.horiAdvance);
	}
}
BENCHMARK(ColdGlyph_FreeType)->Name("ColdGlyph/FreeType");

void Metrics_Qel(benchmark::State& state)
{
	int n = state.range(0);
	Vector<Font> fonts;
	for(int i = 0; i < n; i++)
		fonts.Add(Font(Font::SANSSERIF, 8 + i % 50).Bold(i >= 50));
	int i = 0;
	for(auto _ : state) {
		benchmark::DoNotOptimize(fonts[i].GetMetrics().ascent);
		if(++i == n)
			i = 0;
	}
}
BENCHMARK(Metrics_Qel)->Name("Metrics/Qel")->Arg(2)->Arg(10)->Arg(100);

void Metrics_Cairo(benchmark::State& state)
{
	int n = state.range(0);
	Peer& p = GetPeer();
	cairo_font_face_t* face = cairo_ft_font_face_create_for_ft_face(p.face, 0);
	cairo_matrix_t id;
	cairo_matrix_init_identity(&id);
	cairo_font_options_t* opt = cairo_font_options_create();
	std::vector<cairo_scaled_font_t*> fonts;
	for(int i = 0; i < n; i++) {
		cairo_matrix_t m;
		cairo_matrix_init_scale(&m, 8 + i % 50 + (i >= 50 ? 0.5 : 0), 8 + i % 50);
		fonts.push_back(cairo_scaled_font_create(face, &m, &id, opt));
	}
	int i = 0;
	for(auto _ : state) {
		cairo_font_extents_t e;
		cairo_scaled_font_extents(fonts[i], &e);
		benchmark::DoNotOptimize(e.ascent);
		if(++i == n)
			i = 0;
	}
	for(auto* f : fonts)
		cairo_scaled_font_destroy(f);
	cairo_font_options_destroy(opt);
	cairo_font_face_destroy(face);
}
BENCHMARK(Metrics_Cairo)->Name("Metrics/Cairo")->Arg(2)->Arg(10)->Arg(100);

// A paragraph of 2000 words, broken into lines by Qel's measure, drawn on a white 1000 x 1000
// image in black DejaVu Sans of 12 pixels: the same lines at the same places through Draw on an
// ImageAnyDraw and through cairo_show_text; Pango lays the same text out in the same width
// itself. Unhinted grey anti-aliasing everywhere. The "ink" counter (pixels darker than half)
// shows that the sides draw about the same.
constexpr int PARA_SIZE = 1000;
constexpr int PARA_PX = 12;
constexpr int PARA_MARGIN = 10;

Font ParaFont()
{
	return Font(Font::FindFaceName("DejaVu Sans"), PARA_PX);
}

const String& ParaText()
{
	static String t = [] {
		const char* words[] = { "the", "of", "painter", "and", "glyph", "coverage", "a", "to", "in", "text",
		                        "cache", "line", "is", "quickly", "measured", "words", "brown", "pixel", "on",
		                        "framework", "that", "image", "with", "for", "paragraph", "drawing", "fox" };
		std::mt19937 rng(3);
		String s;
		for(int i = 0; i < 2000; i++) {
			if(i)
				s.Cat(' ');
			s.Cat(words[rng() % (sizeof(words) / sizeof(words[0]))]);
		}
		return s;
	}();
	return t;
}

struct ParaLine {
	String text;
	int    y;
};

const std::vector<ParaLine>& ParaLines()
{
	static std::vector<ParaLine> lines = [] {
		std::vector<ParaLine> r;
		Font f = ParaFont();
		int width = PARA_SIZE - 2 * PARA_MARGIN, y = PARA_MARGIN;
		String line;
		for(const String& w : Split(ParaText(), ' ')) {
			String t = line.IsEmpty() ? w : line + " " + w;
			if(!line.IsEmpty() && GetTextSize(t, f).cx > width) {
				r.push_back({line, y});
				y += f.GetHeight();
				line = w;
			}
			else
				line = t;
		}
		r.push_back({line, y});
		return r;
	}();
	return lines;
}

template <class Pixel>
int Ink(const Pixel* p, int n)
{
	int k = 0;
	for(int i = 0; i < n; i++)
		k += p[i] < 128;
	return k;
}

void Paragraph_Qel(benchmark::State& state)
{
	InitPainterDrawHooks();
	Font f = ParaFont();
	auto draw = [&](Draw& w) {
		w.DrawRect(0, 0, PARA_SIZE, PARA_SIZE, Color(255, 255, 255));
		for(const ParaLine& l : ParaLines())
			w.DrawText(PARA_MARGIN, l.y, l.text, f, Color(0, 0, 0));
	};
	{
		ImageAnyDraw w(PARA_SIZE, PARA_SIZE);
		draw(w);
		Image m = w;
		std::vector<byte> red;
		for(const RGBA& p : m)
			red.push_back(p.r);
		state.counters["ink"] = Ink(red.data(), (int)red.size());
	}
	for(auto _ : state) {
		ImageAnyDraw w(PARA_SIZE, PARA_SIZE);
		draw(w);
		Image m = w;
		benchmark::DoNotOptimize(m);
	}
}
BENCHMARK(Paragraph_Qel)->Name("Paragraph2000/Qel")->Unit(benchmark::kMillisecond);

cairo_font_options_t* ParaOptions()
{
	cairo_font_options_t* o = cairo_font_options_create();
	cairo_font_options_set_antialias(o, CAIRO_ANTIALIAS_GRAY);
	cairo_font_options_set_hint_style(o, CAIRO_HINT_STYLE_NONE);
	cairo_font_options_set_hint_metrics(o, CAIRO_HINT_METRICS_OFF);
	return o;
}

int CairoInk(cairo_surface_t* s)
{
	cairo_surface_flush(s);
	const byte* d = cairo_image_surface_get_data(s);
	std::vector<byte> red;
	for(int i = 0; i < PARA_SIZE * PARA_SIZE; i++)
		red.push_back(d[4 * i + 2]);
	return Ink(red.data(), (int)red.size());
}

void Paragraph_CairoShowText(benchmark::State& state)
{
	cairo_font_options_t* o = ParaOptions();
	auto draw = [&](cairo_surface_t*& s) {
		s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, PARA_SIZE, PARA_SIZE);
		cairo_t* cr = cairo_create(s);
		cairo_set_source_rgb(cr, 1, 1, 1);
		cairo_paint(cr);
		cairo_set_source_rgb(cr, 0, 0, 0);
		cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
		cairo_set_font_size(cr, PARA_PX);
		cairo_set_font_options(cr, o);
		cairo_font_extents_t fe;
		cairo_font_extents(cr, &fe);
		for(const ParaLine& l : ParaLines()) {
			cairo_move_to(cr, PARA_MARGIN, l.y + fe.ascent);
			cairo_show_text(cr, ~l.text);
		}
		cairo_destroy(cr);
	};
	cairo_surface_t* s;
	draw(s);
	state.counters["ink"] = CairoInk(s);
	cairo_surface_destroy(s);
	for(auto _ : state) {
		draw(s);
		cairo_surface_flush(s);
		cairo_surface_destroy(s);
	}
	cairo_font_options_destroy(o);
}
BENCHMARK(Paragraph_CairoShowText)->Name("Paragraph2000/cairo_show_text")->Unit(benchmark::kMillisecond);

void Paragraph_Pango(benchmark::State& state)
{
	cairo_font_options_t* o = ParaOptions();
	PangoFontDescription* d = pango_font_description_from_string("DejaVu Sans");
	pango_font_description_set_absolute_size(d, PARA_PX * PANGO_SCALE);
	const String& text = ParaText();
	auto draw = [&](cairo_surface_t*& s) {
		s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, PARA_SIZE, PARA_SIZE);
		cairo_t* cr = cairo_create(s);
		cairo_set_source_rgb(cr, 1, 1, 1);
		cairo_paint(cr);
		cairo_set_source_rgb(cr, 0, 0, 0);
		PangoLayout* layout = pango_cairo_create_layout(cr);
		PangoContext* ctx = pango_layout_get_context(layout);
		pango_cairo_context_set_font_options(ctx, o);
		pango_context_set_round_glyph_positions(ctx, FALSE);
		pango_layout_context_changed(layout);
		pango_layout_set_font_description(layout, d);
		pango_layout_set_width(layout, (PARA_SIZE - 2 * PARA_MARGIN) * PANGO_SCALE);
		pango_layout_set_wrap(layout, PANGO_WRAP_WORD);
		pango_layout_set_text(layout, ~text, text.GetLength());
		cairo_move_to(cr, PARA_MARGIN, PARA_MARGIN);
		pango_cairo_show_layout(cr, layout);
		g_object_unref(layout);
		cairo_destroy(cr);
	};
	cairo_surface_t* s;
	draw(s);
	state.counters["ink"] = CairoInk(s);
	cairo_surface_destroy(s);
	for(auto _ : state) {
		draw(s);
		cairo_surface_flush(s);
		cairo_surface_destroy(s);
	}
	pango_font_description_free(d);
	cairo_font_options_destroy(o);
}
BENCHMARK(Paragraph_Pango)->Name("Paragraph2000/pango_cairo_show_layout")->Unit(benchmark::kMillisecond);

} // namespace
