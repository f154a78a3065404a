// The drawing module's start-up initialiser. It is linked into every program that links
// Qel::Draw (not through the archive, where nothing would pull it in), and registers what the
// module brings with its lower stages: the BMP reader with the raster registry and the image
// list "DrawImg", so that "DrawImg:..." works in programs that never name the list.
#include <draw/detail/BuiltIn.h>
#include <draw/iml/DrawImg.h>
#include <draw/raster/BMP.h>

namespace {

[[maybe_unused]] const bool sRegistered = [] {
	Qel::detail::SetBuiltInRasterFormats(Qel::RegisterBMPRaster);
	Qel::DrawImg::Iml();
	return true;
}();

} // namespace
