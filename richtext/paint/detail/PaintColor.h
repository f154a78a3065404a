// The colour a painting uses for a stored one: as stored, or its dark-theme twin when the
// painting is for a dark background. Null stays Null (no colour).
#pragma once

#include <draw/Draw.h>

namespace Qel::detail {

inline Color PaintColor(Color c, bool dark)
{
	return dark && !c.IsNull() ? DarkThemeCached(c) : c;
}

} // namespace Qel::detail
