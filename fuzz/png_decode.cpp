// PNG files from fuzzed bytes through LoadImageString: refused or decoded, never a crash, a
// hang or an exception through libpng. A decoded picture is read again backwards, which
// restarts decoding, and must give the same rows. Declared sizes beyond a few million pixels
// are left out: such a picture is allocated whole, as it would be for a real file.
#include <plugin/png/png.h>
#include <plugin/png/detail/PngChecksums.h>
#include <draw/Draw.h>

#include <stdlib.h>
#include <string.h>

using namespace Qel;

namespace {

void Check(bool b)
{
	if(!b)
		abort();
}

uint64 sBe32(const uint8_t* p)
{
	return uint64(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
	detail::SetPngIgnoreChecksums(true);
	return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	if(size >= 24 && sBe32(data + 16) * sBe32(data + 20) > (1 << 22))
		return 0;
	String s((const char*)data, (int)size);
	Image img = LoadImageString(s);
	if(img.IsEmpty())
		return 0;
	for(RGBA c : img)
		Check(c.r <= c.a && c.g <= c.a && c.b <= c.a);
	StringStream in(s);
	std::unique_ptr<StreamRaster> r = OpenStreamRaster(in);
	Check(r && r->GetSize() == img.GetSize());
	int cy = img.GetHeight();
	Raster::Line last = r->GetLine(cy - 1);
	Raster::Line first = r->GetLine(0);
	if(!r->IsError())
		Check(memcmp(first.GetRGBA(), img[0], img.GetWidth() * sizeof(RGBA)) == 0);
	return 0;
}
