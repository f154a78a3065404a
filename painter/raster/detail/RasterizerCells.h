// The cells a rasteriser has made, line by line, for the tests of its exact arithmetic.
#pragma once

#include <painter/raster/Rasterizer.h>

namespace Qel::detail {

struct RasterizerCells {
	using Cell = Rasterizer::Cell;

	static int         Count(const Rasterizer& r, int y) { return r.GetCellCount(y); }
	// Seals the rasteriser first.
	static const Cell* Get(Rasterizer& r, int y)         { return r.GetCells(y); }
};

} // namespace Qel::detail
