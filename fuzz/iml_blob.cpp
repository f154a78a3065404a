// Image-list blocks from fuzzed bytes: parsed as inflated records, and as a compressed block
// behind a list. Every image that comes out has all its pixels; nothing reads past the data.
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
	if(size > 1 << 20)
		return 0;
	Vector<ImageIml> out;
	ParseImlBlob(out, data, (int)size);
	int64 bytes = 0;
	for(const ImageIml& m : out) {
		Check(m.flags < 256);
		bytes += 13 + 4 * m.image.GetLength();
		if(!m.image.IsEmpty())
			ImageHash(m.image); // reads every pixel
	}
	Check(bytes <= int64(size) + 13);

	// the same bytes as a compressed block of three images, under every display state
	static const char* const names[] = { "a", "b", "c" };
	// the block cache knows blocks by address, and inputs may reuse one: decoding another list's
	// block first makes sure that this input is decoded
	static Iml other(names, 1);
	static const bool added = (other.AddData(Iml::BASE, (const byte*)"x", 1, 1), true);
	(void)added;
	for(int state = 0; state < 4; state++) {
		other.GetRaw(Iml::BASE, 0);
		SetHiDpiMode(state & 2);
		SetDarkTheme(state & 1);
		Iml list(names, 3);
		list.AddData(Iml::BASE, data, (int)size, 3);
		for(int i = 0; i < 3; i++) {
			Image m = list.Get(i);
			Check(m.IsEmpty() || m.GetLength() == int64(m.GetWidth()) * m.GetHeight());
		}
	}
	SetHiDpiMode(false);
	SetDarkTheme(false);
	return 0;
}
