// Debug builds check that a drawing operation left its cairo context healthy: a context in error
// silently drops everything drawn after.
#pragma once

#include <cairo.h>

#ifndef NDEBUG
#include <cassert>
#endif

namespace Qel::detail {

struct CairoStatusCheck {
#ifndef NDEBUG
	cairo_t* cr;

	explicit CairoStatusCheck(cairo_t* cr) : cr(cr) {}
	~CairoStatusCheck() { assert(!cr || cairo_status(cr) == CAIRO_STATUS_SUCCESS); }
#else
	explicit CairoStatusCheck(cairo_t*) {}
#endif
	CairoStatusCheck(const CairoStatusCheck&) = delete;
	CairoStatusCheck& operator=(const CairoStatusCheck&) = delete;
};

} // namespace Qel::detail
