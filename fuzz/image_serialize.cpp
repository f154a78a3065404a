// The binary stream form of an Image loaded from fuzzed bytes, in quiet and throwing mode: a
// load fails cleanly (empty image, stream error) or gives an image that stores and loads back
// to the same pixels and spots.
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
	if(size < 1)
		return 0;
	bool throwing = data[0] & 1;
	StringStream in(String((const char*)data + 1, int(size - 1)));
	in.SetLoading();
	if(throwing)
		in.LoadThrowing();
	Image img;
	try {
		img.Serialize(in);
	}
	catch(const LoadingError&) {
		Check(img.IsEmpty());
		return 0;
	}
	if(in.IsError()) {
		Check(img.IsEmpty());
		return 0;
	}
	StringStream out;
	img.Serialize(out);
	StringStream again(out.GetResult());
	again.SetLoading();
	Image back;
	back.Serialize(again);
	Check(!again.IsError());
	Check(ImageHash(back) == ImageHash(img) && back.GetSize() == img.GetSize() &&
	      back.GetHotSpot() == img.GetHotSpot() && back.Get2ndSpot() == img.Get2ndSpot() &&
	      back.GetPhysicalSize() == img.GetPhysicalSize());
	return 0;
}
