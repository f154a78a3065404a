// Whether the PNG reader lets chunk checksums pass unchecked. Only the fuzz target turns this on:
// mutated data would rarely get past the checksums, so without it the fuzzer would never reach
// the decoder behind them.
#pragma once

namespace Qel::detail {

void SetPngIgnoreChecksums(bool ignore);

} // namespace Qel::detail
