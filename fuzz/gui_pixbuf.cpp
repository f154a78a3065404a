// Pixbuf samples of fuzzed width, height, rowstride, channels, bits and alpha over fuzzed bytes
// become an Image: refused, or an image whose colours never exceed their alpha (the invariant
// every image operation relies on), which goes out to a pixbuf and back to the same size and
// alphas.
#include <gui/gtk/detail/Clip.h>

#include <stdlib.h>

using namespace Qel;
using namespace Qel::detail;

extern "C" const char* __lsan_default_suppressions()
{
	return "leak:libfontconfig.so\nleak:libglib-2.0.so\nleak:libgobject-2.0.so\nleak:libgtk-3.so\nleak:libgdk-3.so\n"
	       "leak:libX11.so\nleak:libcairo.so\nleak:libpango\n";
}

namespace {

void Check(bool b)
{
	if(!b)
		abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	if(size < 12)
		return 0;
	auto u16 = [&](int i) { return int(data[i] | data[i + 1] << 8); };
	int cx = u16(0) % 300 - 2;
	int cy = u16(2) % 300 - 2;
	int stride = u16(4) - 8;
	int channels = data[6] % 6;
	int bits = data[7] & 1 ? 8 : data[7];
	bool alpha = data[8] & 1;
	const byte* px = data + 12;
	int64 len = int64(size) - 12 - (data[9] & 3);
	Image img = PixelsToImage(px, len, cx, cy, stride, channels, bits, alpha);
	if(img.IsEmpty())
		return 0;
	Check(img.GetWidth() == cx && img.GetHeight() == cy);
	for(const RGBA& p : img)
		Check(p.r <= p.a && p.g <= p.a && p.b <= p.a);
	GdkPixbuf* pb = ImageToPixbuf(img);
	Check(pb);
	Image back = PixbufToImage(pb);
	g_object_unref(pb);
	Check(back.GetSize() == img.GetSize());
	for(int64 i = 0; i < img.GetLength(); i++)
		Check(back.Begin()[i].a == img.Begin()[i].a);
	return 0;
}
