// How the drawing module's own formats join the registries of its lower stages: from above,
// through the module's start-up initialiser (draw/DrawInit.cpp), so that the registries never
// name them.
#pragma once

namespace Qel::detail {

// Called by OpenStreamRaster before each search, after the formats registered at start-up have
// joined, so that those (PNG) are tried first; it must be cheap after its first call.
void SetBuiltInRasterFormats(void (*add)());

} // namespace Qel::detail
