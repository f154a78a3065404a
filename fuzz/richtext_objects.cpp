// Stored objects of every built-in type from fuzzed text: read, measured, written back,
// painted and made into images. Stored objects are untrusted (smart-text labels carry them):
// nothing may crash, hang, or decode a declared size whole. The first bytes choose the type and
// the sizes; the rest is the stored text.
#include <richtext/RichText.h>
#include <plugin/png/detail/PngChecksums.h>

#include <stdlib.h>

using namespace Qel;

extern "C" const char* __lsan_default_suppressions()
{
	return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
	// damaged checksums would stop most mutations of a PNG at its first chunk
	detail::SetPngIgnoreChecksums(true);
	(void)StdFont().GetCy();
	return 0;
}

namespace {

void Check(bool b)
{
	if(!b)
		abort();
}

const char* const TYPES[] = { "Drawing", "PING", "image", "PNG", "rawimage", "iml" };

// The PNG reader decodes interlaced pictures whole, by design, before the first row: a
// declared size beyond what a real picture of this length could fill is its business, not
// the objects'.
bool sLargeInterlacedPng(const String& s)
{
	auto be32 = [&](int at) {
		return uint64(byte(s[at])) << 24 | uint64(byte(s[at + 1])) << 16 | uint64(byte(s[at + 2])) << 8 | byte(s[at + 3]);
	};
	int at = s.Find("IHDR");
	return at >= 0 && at + 17 <= s.GetLength() && s[at + 16] != 0 && be32(at + 4) * be32(at + 8) > (1 << 22);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	if(size < 5)
		return 0;
	const char* type = TYPES[data[0] % 6];
	Size paint(data[1] + 1, data[2] + 1);
	Size image(data[3] % 64 + 1, data[4] % 64 + 1);
	String text((const char*)data + 5, int(size - 5));
	if(sLargeInterlacedPng(text))
		return 0;

	RichObject o;
	Check(o.Read(type, text, Size(10 * data[1], 10 * data[2])));
	const RichObjectType* t = o.GetType();
	Size phys = o.GetPhysicalSize(), px = o.GetPixelSize();
	Check((phys.cx >= 0 && phys.cy >= 0 && px.cx >= 0 && px.cy >= 0) || *type == 'D');
	(void)t->GetDefaultSize(o.GetData(), Size(3000, 3000));

	// written back, the text reads as the same object
	String stored = t->Write(o.GetData());
	RichObject again;
	again.Read(t->GetTypeName(o.GetData()), stored, o.GetSize());
	Check(t->Write(o.GetData()) == stored);
	Check(again.GetType()->Write(again.GetData()) == stored);
	Check(again.GetPixelSize() == px);

	NilDraw w;
	o.Paint(w, paint);
	Image m = o.ToImage(image);
	Check(m.GetWidth() <= image.cx && m.GetHeight() <= image.cy);
	return 0;
}
