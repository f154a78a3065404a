// Lengths of layout are summed in 64 bits and stored in ints no larger than POS_LIMIT, so that a
// sum or difference of two stored values never overflows.
#pragma once

#include <Core/Core.h>

namespace Qel::detail {

inline constexpr int64 POS_LIMIT = 0x3FFFFFFF;

inline int Sat(int64 v)
{
	return int(v < -POS_LIMIT ? -POS_LIMIT : v > POS_LIMIT ? POS_LIMIT : v);
}

} // namespace Qel::detail
