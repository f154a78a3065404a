// Linked into every program that links Qel::Png (not through the archive, where nothing would
// pull it in), so that PNG joins the format registry before main.
#include "png.h"

namespace {

[[maybe_unused]] const bool sRegistered = (Qel::RegisterPNGRaster(), true);

} // namespace
