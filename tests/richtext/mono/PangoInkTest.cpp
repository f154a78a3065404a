// Lines of DejaVu Sans Mono painted at screen zoom by the painter and by Pango with cairo, at the
// same baseline: the ink of each line covers the same pixels give or take one on every side.
// Pango is asked for unhinted outlines at unrounded positions, as the painter draws them.
#ifdef QEL_TEST_PANGO

#include <richtext/RichText.h>

#include <gtest/gtest.h>
#include <pango/pangocairo.h>

using namespace Qel;

namespace {

const int W = 420, H = 40;

// The box of the pixels darker than mid grey: left, top, right, bottom (exclusive).
template <class Dark>
Rect InkBox(Dark dark)
{
	Rect r(W, H, 0, 0);
	for(int y = 0; y < H; y++)
		for(int x = 0; x < W; x++)
			if(dark(x, y)) {
				r.left = min(r.left, x);
				r.top = min(r.top, y);
				r.right = max(r.right, x + 1);
				r.bottom = max(r.bottom, y + 1);
			}
	return r;
}

Rect QelInk(const char* text, int& baseline)
{
	RichPara p;
	RichPara::CharFormat f;
	f.Face(Font::MONOSPACE).Height(100);
	p.Cat(WString(text), f);
	RichText doc;
	doc.Cat(p);
	Zoom z(96, 600);
	baseline = z * Font(Font::MONOSPACE, 100).GetAscent();
	ImageAnyDraw w(W, H);
	w.DrawRect(0, 0, W, H, Color(255, 255, 255));
	SimplePageDraw pw(w);
	RichPaintInfo pi;
	pi.zoom = z;
	doc.Paint(pw, PagePos(0, 0), Rect(0, 0, 2600, 1000), pi);
	Image m = w;
	return InkBox([&](int x, int y) {
		const RGBA& c = m[y][x];
		return c.r + c.g + c.b < 3 * 128;
	});
}

Rect PangoInk(const char* text, int baseline)
{
	cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, W, H);
	cairo_t* cr = cairo_create(s);
	cairo_set_source_rgb(cr, 1, 1, 1);
	cairo_paint(cr);
	cairo_set_source_rgb(cr, 0, 0, 0);
	PangoLayout* l = pango_cairo_create_layout(cr);
	cairo_font_options_t* o = cairo_font_options_create(); // outlines as they are, as the painter draws them
	cairo_font_options_set_hint_style(o, CAIRO_HINT_STYLE_NONE);
	cairo_font_options_set_hint_metrics(o, CAIRO_HINT_METRICS_OFF);
	cairo_font_options_set_antialias(o, CAIRO_ANTIALIAS_GRAY);
	pango_cairo_context_set_font_options(pango_layout_get_context(l), o);
	pango_context_set_round_glyph_positions(pango_layout_get_context(l), FALSE);
	pango_layout_context_changed(l);
	PangoFontDescription* d = pango_font_description_from_string("DejaVu Sans Mono");
	pango_font_description_set_absolute_size(d, 16 * PANGO_SCALE);
	pango_layout_set_font_description(l, d);
	pango_layout_set_text(l, text, -1);
	cairo_move_to(cr, 0, baseline);
	pango_cairo_show_layout_line(cr, pango_layout_get_line_readonly(l, 0));
	cairo_surface_flush(s);
	const unsigned char* px = cairo_image_surface_get_data(s);
	int stride = cairo_image_surface_get_stride(s);
	Rect r = InkBox([&](int x, int y) {
		const unsigned char* p = px + y * stride + 4 * x;
		return p[0] + p[1] + p[2] < 3 * 128;
	});
	pango_font_description_free(d);
	cairo_font_options_destroy(o);
	g_object_unref(l);
	cairo_destroy(cr);
	cairo_surface_destroy(s);
	return r;
}

} // namespace

TEST(PangoInk, LinesCoverTheSamePixels)
{
	// Short lines: both place glyphs at the same advances to a thirtieth of a pixel, but the painter
	// starts every glyph on a whole pixel.
	for(const char* text : {"The quick brown", "fox jumps over", "12 lazy dogs; gj", "[braces] {curly}",
	                        "~!@#$%^*()_+=|", "Ag", "....:::::...."}) {
		int baseline;
		Rect q = QelInk(text, baseline);
		Rect p = PangoInk(text, baseline);
		EXPECT_LE(abs(q.left - p.left), 1) << text;
		EXPECT_LE(abs(q.top - p.top), 1) << text;
		EXPECT_LE(abs(q.right - p.right), 1) << text;
		EXPECT_LE(abs(q.bottom - p.bottom), 1) << text;
		EXPECT_GT(q.right - q.left, 10) << text;
	}
}

#endif
