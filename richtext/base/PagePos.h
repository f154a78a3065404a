// PagePos: a position in laid-out rich text, a page and a y on it (text units), ordered by
// page, then y.
#pragma once

#include <Core/Core.h>

#include <compare>

namespace Qel {

struct PagePos {
	int page = 0;
	int y = 0;

	constexpr PagePos() = default;
	constexpr PagePos(int page, int y) : page(page), y(y) {}

	constexpr bool operator==(const PagePos&) const = default;
	constexpr auto operator<=>(const PagePos&) const = default;
};

} // namespace Qel
