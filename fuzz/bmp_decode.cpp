// BMP files from fuzzed bytes through LoadImageString: refused or decoded, never a crash, a
// hang or a read outside the data. Declared sizes beyond a few million pixels are left out:
// such a picture is allocated whole, as it would be for a real file.
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

int64 sLe32(const uint8_t* p)
{
	int32 v;
	memcpy(&v, p, 4);
	return v;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	if(size >= 26) {
		int64 cx = sLe32(data + 18), cy = sLe32(data + 22);
		if(cx * (cy < 0 ? -cy : cy) > (1 << 22))
			return 0;
	}
	String s((const char*)data, (int)size);
	Image img = LoadImageString(s);
	if(img.IsEmpty())
		return 0;
	Check(img.GetWidth() == sLe32(data + 18));
	// every pixel written is premultiplied
	for(RGBA c : img)
		Check(c.r <= c.a && c.g <= c.a && c.b <= c.a);
	return 0;
}
