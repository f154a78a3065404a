#include "CairoCount.h"

namespace guitest {

CairoCounts& Counted()
{
	static CairoCounts c;
	return c;
}

} // namespace guitest

using guitest::Counted;

// Each wrapped function counts, then calls cairo's own.
#define QEL_COUNTED(ret, name, params, args, count)                                                            \
	ret __real_##name params;                                                                                 \
	ret __wrap_##name params { count; return __real_##name args; }

extern "C" {

QEL_COUNTED(void, cairo_show_glyphs, (cairo_t* cr, const cairo_glyph_t* g, int n), (cr, g, n),
            (Counted().show_glyphs++, Counted().glyphs += n))
QEL_COUNTED(void, cairo_save, (cairo_t* cr), (cr), Counted().save++)
QEL_COUNTED(void, cairo_restore, (cairo_t* cr), (cr), Counted().restore++)
QEL_COUNTED(cairo_scaled_font_t*, cairo_scaled_font_create,
            (cairo_font_face_t* f, const cairo_matrix_t* m, const cairo_matrix_t* ctm, const cairo_font_options_t* o),
            (f, m, ctm, o), Counted().fonts_made++)
QEL_COUNTED(void, cairo_scaled_font_destroy, (cairo_scaled_font_t* sf), (sf), Counted().fonts_destroyed++)
QEL_COUNTED(cairo_surface_t*, cairo_image_surface_create, (cairo_format_t f, int cx, int cy), (f, cx, cy),
            Counted().surfaces_made++)
QEL_COUNTED(cairo_surface_t*, cairo_surface_create_similar_image,
            (cairo_surface_t* s, cairo_format_t f, int cx, int cy), (s, f, cx, cy), Counted().surfaces_made++)
QEL_COUNTED(void, cairo_surface_destroy, (cairo_surface_t* s), (s), Counted().surfaces_destroyed++)

} // extern "C"
