// cairo's PDF surface writing the document of pdf_inputs.h: the same glyphs at the same places
// (design widths from the same font files, read through FreeType), shapes and the shared image.
// Font files and the ascent come from the framework's font list, outside the timing.
#include <draw/Draw.h>

#include "pdf_inputs.h"

#include <benchmark/benchmark.h>

#include <cairo-ft.h>
#include <cairo-pdf.h>
#include <cairo.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <string>

using namespace PdfBench;

namespace {

struct Face {
	FT_Face            ft = nullptr;
	cairo_font_face_t* cairo = nullptr;
	double             ascent = 0;
};

struct Line {
	std::vector<cairo_glyph_t> glyphs;
};

cairo_status_t sWrite(void* closure, const unsigned char* data, unsigned int length)
{
	((std::string*)closure)->append((const char*)data, length);
	return CAIRO_STATUS_SUCCESS;
}

std::string Document(const std::vector<Line>& lines, Face* faces, cairo_surface_t* img)
{
	std::string out;
	cairo_surface_t* s = cairo_pdf_surface_create_for_stream(sWrite, &out, PAGE_CX * 0.12, PAGE_CY * 0.12);
	cairo_t* cr = cairo_create(s);
	cairo_scale(cr, 0.12, 0.12); // dots
	cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
	for(int p = 0; p < PAGES; p++) {
		cairo_set_source_rgb(cr, 0, 0, 0);
		for(int i = 0; i < LINES; i++) {
			cairo_set_font_face(cr, faces[i & 1].cairo);
			cairo_set_font_size(cr, TEXT_HEIGHT);
			const Line& l = lines[p * LINES + i];
			cairo_show_glyphs(cr, l.glyphs.data(), int(l.glyphs.size()));
		}
		for(const Box& b : Boxes(p)) {
			cairo_set_source_rgb(cr, (b.rgb >> 16) / 255.0, ((b.rgb >> 8) & 255) / 255.0, (b.rgb & 255) / 255.0);
			cairo_rectangle(cr, b.x, b.y, b.cx, b.cy);
			cairo_fill(cr);
		}
		cairo_set_source_rgb(cr, 0, 0, 128 / 255.0);
		cairo_set_line_width(cr, 6);
		cairo_move_to(cr, LEFT, 600);
		cairo_line_to(cr, PAGE_CX - LEFT, 600);
		cairo_stroke(cr);
		cairo_save(cr);
		cairo_translate(cr, 4300, 350);
		cairo_scale(cr, 300, 150);
		cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
		cairo_restore(cr);
		cairo_set_source_rgb(cr, 200 / 255.0, 220 / 255.0, 1);
		cairo_fill_preserve(cr);
		cairo_set_source_rgb(cr, 0, 0, 0);
		cairo_set_line_width(cr, 4);
		cairo_stroke(cr);
		cairo_save(cr);
		cairo_translate(cr, LEFT, 150);
		cairo_scale(cr, 2, 2);
		cairo_set_source_surface(cr, img, 0, 0);
		cairo_paint(cr);
		cairo_restore(cr);
		cairo_show_page(cr);
	}
	cairo_destroy(cr);
	cairo_surface_finish(s);
	cairo_surface_destroy(s);
	return out;
}

void Document100(benchmark::State& state)
{
	FT_Library lib;
	FT_Init_FreeType(&lib);
	Face faces[2];
	int kinds[] = { Qel::Font::SANSSERIF, Qel::Font::SERIF };
	for(int i = 0; i < 2; i++) {
		Qel::Font f(kinds[i], TEXT_HEIGHT);
		FT_New_Face(lib, f.GetMetrics().path, f.GetMetrics().face_index, &faces[i].ft);
		faces[i].cairo = cairo_ft_font_face_create_for_ft_face(faces[i].ft, 0);
		faces[i].ascent = f.GetAscent();
	}
	std::vector<Line> lines;
	for(int k = 0; k < PAGES * LINES; k++) {
		const Face& face = faces[k % LINES & 1];
		Line l;
		double x = LEFT, y = TOP + LINE_STEP * (k % LINES) + face.ascent;
		for(char32_t c : Lines()[k]) {
			FT_UInt g = FT_Get_Char_Index(face.ft, c);
			l.glyphs.push_back(cairo_glyph_t{ g, x, y });
			FT_Load_Glyph(face.ft, g, FT_LOAD_NO_SCALE);
			x += double(face.ft->glyph->metrics.horiAdvance) * TEXT_HEIGHT / face.ft->units_per_EM;
		}
		lines.push_back(std::move(l));
	}
	std::vector<uint8_t> px = ImagePixels();
	cairo_surface_t* img = cairo_image_surface_create_for_data(px.data(), CAIRO_FORMAT_ARGB32, IMAGE_CX, IMAGE_CY,
	                                                           4 * IMAGE_CX);
	std::string pdf;
	for(auto _ : state)
		pdf = Document(lines, faces, img);
	state.counters["bytes"] = double(pdf.size());
	state.SetItemsProcessed(state.iterations() * PAGES);
	cairo_surface_destroy(img);
	for(Face& f : faces)
		cairo_font_face_destroy(f.cairo);
}

} // namespace

BENCHMARK(Document100)->Name("Document100/cairo")->Unit(benchmark::kMillisecond);
