// Peers of gui_draw.cpp on the C library's allocator: Pango layouts and precomputed glyphs on
// cairo, cairo surfaces and GdkPixbufs for images, a cairo surface read back into a pixbuf,
// and the same cells painted straight with cairo.
#include "GuiDrawCases.h"
#include "ProcStatus.h"

#include <cairo-ft.h>
#include <fontconfig/fontconfig.h>
#include <gdk/gdk.h>
#include <pango/pangocairo.h>

using namespace bench;

namespace {

struct Canvas {
	cairo_surface_t* surface;
	cairo_t*         cr;

	Canvas(int cx, int cy)
	{
		surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, cx, cy);
		cr = cairo_create(surface);
		cairo_set_source_rgb(cr, 1, 1, 1);
		cairo_paint(cr);
	}
	~Canvas()
	{
		cairo_destroy(cr);
		cairo_surface_destroy(surface);
	}
	int Ink()
	{
		cairo_surface_flush(surface);
		int n = 0, w = cairo_image_surface_get_width(surface), h = cairo_image_surface_get_height(surface);
		for(int y = 0; y < h; y++) {
			const uint8_t* row = cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
			for(int x = 0; x < w; x++)
				n += row[4 * x + 2] < 128;
		}
		return n;
	}
};

void PangoText(benchmark::State& state)
{
	std::vector<std::string> lines = TextLines();
	Canvas c(CANVAS_CX, CANVAS_CY);
	PangoLayout* layout = pango_cairo_create_layout(c.cr);
	PangoFontDescription* d = pango_font_description_from_string("DejaVu Sans");
	pango_font_description_set_absolute_size(d, TEXT_PX * PANGO_SCALE);
	pango_layout_set_font_description(layout, d);
	pango_font_description_free(d);
	auto draw = [&] {
		cairo_set_source_rgb(c.cr, 0, 0, 0);
		for(int i = 0; i < TEXT_STRINGS; i++) {
			pango_layout_set_text(layout, lines[i].c_str(), -1);
			cairo_move_to(c.cr, TextX(i), TextY(i));
			pango_cairo_show_layout(c.cr, layout);
		}
	};
	draw();
	state.counters["ink"] = c.Ink();
	for(auto _ : state)
		draw();
	g_object_unref(layout);
}

void CairoGlyphs(benchmark::State& state)
{
	std::vector<std::string> lines = TextLines();
	Canvas c(CANVAS_CX, CANVAS_CY);
	FcPattern* p = FcPatternCreate();
	FcPatternAddString(p, FC_FAMILY, (const FcChar8*)"DejaVu Sans");
	FcPatternAddInteger(p, FC_PIXEL_SIZE, TEXT_PX);
	FcConfigSubstitute(nullptr, p, FcMatchPattern);
	FcDefaultSubstitute(p);
	FcResult result;
	FcPattern* match = FcFontMatch(nullptr, p, &result);
	FcPatternDestroy(p);
	cairo_font_face_t* face = cairo_ft_font_face_create_for_pattern(match);
	FcPatternDestroy(match);
	cairo_set_font_face(c.cr, face);
	cairo_set_font_size(c.cr, TEXT_PX);
	cairo_scaled_font_t* sf = cairo_get_scaled_font(c.cr);
	cairo_font_extents_t fe;
	cairo_scaled_font_extents(sf, &fe);
	std::vector<cairo_glyph_t*> glyphs(TEXT_STRINGS);
	std::vector<int> counts(TEXT_STRINGS);
	for(int i = 0; i < TEXT_STRINGS; i++) {
		glyphs[i] = nullptr;
		cairo_scaled_font_text_to_glyphs(sf, TextX(i), TextY(i) + int(fe.ascent), lines[i].c_str(), -1, &glyphs[i],
		                                 &counts[i], nullptr, nullptr, nullptr);
	}
	auto draw = [&] {
		cairo_set_source_rgb(c.cr, 0, 0, 0);
		for(int i = 0; i < TEXT_STRINGS; i++)
			cairo_show_glyphs(c.cr, glyphs[i], counts[i]);
	};
	draw();
	state.counters["ink"] = c.Ink();
	for(auto _ : state)
		draw();
	for(cairo_glyph_t* g : glyphs)
		cairo_glyph_free(g);
	cairo_font_face_destroy(face);
}

cairo_surface_t* sSurface(int n, int side)
{
	cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, side, side);
	uint8_t* data = cairo_image_surface_get_data(s);
	for(int y = 0; y < side; y++)
		for(int x = 0; x < side; x++)
			ImagePixel(n, x, y, data + y * cairo_image_surface_get_stride(s) + 4 * x);
	cairo_surface_mark_dirty(s);
	return s;
}

// The same pixels unpremultiplied, as a pixbuf holds them.
GdkPixbuf* sPixbuf(int n, int side)
{
	GdkPixbuf* pb = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, side, side);
	uint8_t* data = gdk_pixbuf_get_pixels(pb);
	int stride = gdk_pixbuf_get_rowstride(pb);
	for(int y = 0; y < side; y++)
		for(int x = 0; x < side; x++) {
			uint8_t p[4];
			ImagePixel(n, x, y, p);
			uint8_t* q = data + y * stride + 4 * x;
			for(int k = 0; k < 3; k++)
				q[k] = uint8_t(p[3] ? p[2 - k] * 255 / p[3] : 0);
			q[3] = p[3];
		}
	return pb;
}

void CachedSurface(benchmark::State& state)
{
	Canvas c(CANVAS_CX, CANVAS_CY);
	cairo_surface_t* s = sSurface(0, CACHED_SIDE);
	for(auto _ : state)
		for(int i = 0; i < CACHED_DRAWS; i++) {
			cairo_set_source_surface(c.cr, s, DrawX(i), DrawY(i));
			cairo_paint(c.cr);
		}
	cairo_surface_destroy(s);
}

void PixbufEachDraw(benchmark::State& state)
{
	Canvas c(CANVAS_CX, CANVAS_CY);
	GdkPixbuf* pb = sPixbuf(0, CACHED_SIDE);
	for(auto _ : state)
		for(int i = 0; i < CACHED_DRAWS; i++) {
			gdk_cairo_set_source_pixbuf(c.cr, pb, DrawX(i), DrawY(i));
			cairo_paint(c.cr);
		}
	g_object_unref(pb);
}

// GDK makes the surface similar to the screen's root window: this one needs a display.
void DistinctPixbufs(benchmark::State& state)
{
	if(!gdk_init_check(nullptr, nullptr)) {
		state.SkipWithError("no display");
		return;
	}
	std::vector<GdkPixbuf*> pbs;
	for(int i = 0; i < DISTINCT; i++)
		pbs.push_back(sPixbuf(i, DISTINCT_SIDE));
	Canvas c(CANVAS_CX, CANVAS_CY);
	long base = ProcStatusKB("VmRSS:");
	for(auto _ : state)
		for(int i = 0; i < DISTINCT; i++) {
			cairo_surface_t* s = gdk_cairo_surface_create_from_pixbuf(pbs[i], 1, nullptr);
			cairo_set_source_surface(c.cr, s, DrawX(i), DrawY(i));
			cairo_paint(c.cr);
			cairo_set_source_rgb(c.cr, 0, 0, 0); // lets the surface go
			cairo_surface_destroy(s);
		}
	state.counters["peak_MB"] = ProcStatusKB("VmHWM:") / 1024.0;
	state.counters["above_inputs_MB"] = (ProcStatusKB("VmHWM:") - base) / 1024.0;
	for(GdkPixbuf* pb : pbs)
		g_object_unref(pb);
}

void FillAndPixbuf(benchmark::State& state)
{
	for(auto _ : state) {
		Canvas c(FILL_CX, FILL_CY);
		for(int i = 0; i < FILL_RECTS; i++) {
			int x, y, cx, cy;
			FillRect(i, x, y, cx, cy);
			cairo_set_source_rgb(c.cr, i % 256 / 255.0, i * 7 % 256 / 255.0, i * 13 % 256 / 255.0);
			cairo_rectangle(c.cr, x, y, cx, cy);
			cairo_fill(c.cr);
		}
		GdkPixbuf* pb = gdk_pixbuf_get_from_surface(c.surface, 0, 0, FILL_CX, FILL_CY);
		benchmark::DoNotOptimize(pb);
		g_object_unref(pb);
	}
}

// Each cell as a toolkit paints a child: saved, clipped to its rectangle, moved there.
void sCells(benchmark::State& state, int x0, int y0, int x1, int y1)
{
	Canvas c(GRID_COLUMNS * CELL_CX, GRID_CONTROLS / GRID_COLUMNS * CELL_CY);
	cairo_rectangle(c.cr, x0, y0, x1 - x0, y1 - y0);
	cairo_clip(c.cr);
	for(auto _ : state)
		for(int i = 0; i < GRID_CONTROLS; i++) {
			int x = i % GRID_COLUMNS * CELL_CX, y = i / GRID_COLUMNS * CELL_CY;
			if(x >= x1 || y >= y1 || x + CELL_CX <= x0 || y + CELL_CY <= y0)
				continue;
			uint32_t rgb = CellColor(i);
			cairo_save(c.cr);
			cairo_rectangle(c.cr, x, y, CELL_CX, CELL_CY);
			cairo_clip(c.cr);
			cairo_translate(c.cr, x, y);
			cairo_set_source_rgb(c.cr, (rgb & 255) / 255.0, (rgb >> 8 & 255) / 255.0, (rgb >> 16 & 255) / 255.0);
			cairo_rectangle(c.cr, 0, 0, CELL_CX, CELL_CY);
			cairo_fill(c.cr);
			cairo_set_source_rgb(c.cr, 0, 0, 0);
			cairo_rectangle(c.cr, 0, 0, CELL_CX, 1);
			cairo_fill(c.cr);
			cairo_restore(c.cr);
		}
}

void Cells(benchmark::State& state)
{
	sCells(state, 0, 0, GRID_COLUMNS * CELL_CX, GRID_CONTROLS / GRID_COLUMNS * CELL_CY);
}

void CellsClip20(benchmark::State& state)
{
	sCells(state, 490, 490, 510, 510);
}

} // namespace

BENCHMARK(PangoText)->Name("Text2000x40/pango_cairo_show_layout")->Unit(benchmark::kMillisecond);
BENCHMARK(CairoGlyphs)->Name("Text2000x40/cairo_show_glyphs")->Unit(benchmark::kMillisecond);
BENCHMARK(CachedSurface)->Name("CachedImage64x10000/cairo_surface")->Unit(benchmark::kMillisecond);
BENCHMARK(PixbufEachDraw)->Name("CachedImage64x10000/gdk_cairo_set_source_pixbuf")->Unit(benchmark::kMillisecond);
BENCHMARK(DistinctPixbufs)->Name("DistinctImages5000/gdk_cairo_surface_create_from_pixbuf")->Unit(benchmark::kMillisecond);
BENCHMARK(FillAndPixbuf)->Name("Fill1000RectsRead/gdk_pixbuf_get_from_surface")->Unit(benchmark::kMillisecond);
BENCHMARK(Cells)->Name("PaintTree1000/cairo")->Unit(benchmark::kMillisecond);
BENCHMARK(CellsClip20)->Name("PaintTree1000Clip20/cairo")->Unit(benchmark::kMillisecond);
