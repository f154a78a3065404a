#include "CairoCount.h"

namespace guitest {

CairoCounts& Counted()
{
	static CairoCounts c;
	return c;
}

} // namespace guitest

using guitest::Counted;

extern "C" {

void __real_cairo_show_glyphs(cairo_t* cr, const cairo_glyph_t* glyphs, int n);
void __real_cairo_save(cairo_t* cr);
void __real_cairo_restore(cairo_t* cr);
cairo_scaled_font_t* __real_cairo_scaled_font_create(cairo_font_face_t* face, const cairo_matrix_t* font_matrix,
                                                     const cairo_matrix_t* ctm, const cairo_font_options_t* options);
void __real_cairo_scaled_font_destroy(cairo_scaled_font_t* sf);
cairo_surface_t* __real_cairo_image_surface_create(cairo_format_t format, int width, int height);
cairo_surface_t* __real_cairo_surface_create_similar_image(cairo_surface_t* other, cairo_format_t format, int width,
                                                           int height);
void __real_cairo_surface_destroy(cairo_surface_t* s);

void __wrap_cairo_show_glyphs(cairo_t* cr, const cairo_glyph_t* glyphs, int n)
{
	Counted().show_glyphs++;
	Counted().glyphs += n;
	__real_cairo_show_glyphs(cr, glyphs, n);
}

void __wrap_cairo_save(cairo_t* cr)
{
	Counted().save++;
	__real_cairo_save(cr);
}

void __wrap_cairo_restore(cairo_t* cr)
{
	Counted().restore++;
	__real_cairo_restore(cr);
}

cairo_scaled_font_t* __wrap_cairo_scaled_font_create(cairo_font_face_t* face, const cairo_matrix_t* font_matrix,
                                                     const cairo_matrix_t* ctm, const cairo_font_options_t* options)
{
	Counted().fonts_made++;
	return __real_cairo_scaled_font_create(face, font_matrix, ctm, options);
}

void __wrap_cairo_scaled_font_destroy(cairo_scaled_font_t* sf)
{
	Counted().fonts_destroyed++;
	__real_cairo_scaled_font_destroy(sf);
}

cairo_surface_t* __wrap_cairo_image_surface_create(cairo_format_t format, int width, int height)
{
	Counted().surfaces_made++;
	return __real_cairo_image_surface_create(format, width, height);
}

cairo_surface_t* __wrap_cairo_surface_create_similar_image(cairo_surface_t* other, cairo_format_t format, int width,
                                                           int height)
{
	Counted().surfaces_made++;
	return __real_cairo_surface_create_similar_image(other, format, width, height);
}

void __wrap_cairo_surface_destroy(cairo_surface_t* s)
{
	Counted().surfaces_destroyed++;
	__real_cairo_surface_destroy(s);
}

} // extern "C"
