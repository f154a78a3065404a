// The compressed string form of an Image loaded from fuzzed bytes: it may be refused, but never
// crash, hang or allocate beyond what the data really inflates to; what loads stores back to a
// string that loads to the same pixels.
#include <draw/Draw.h>

#include <stdlib.h>

using namespace Qel;

namespace {

void Check(bool b)
{
	if(!b)
		abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	String s((const char*)data, (int)size);
	Image img = LoadImageFromString(s);
	Size sz = GetImageStringSize(s);
	if(img.IsEmpty())
		return 0;
	Check(img.GetSize() == sz);
	Check(img.GetPhysicalSize() == GetImageStringPhysicalSize(s));
	Image back = LoadImageFromString(StoreImageAsString(img));
	Check(ImageHash(back) == ImageHash(img) && back.GetHotSpot() == img.GetHotSpot());
	return 0;
}
