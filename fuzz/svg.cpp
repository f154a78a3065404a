// Whole SVG documents: rendered onto a painter that measures everything it is given, measured
// alone, rendered into an image or at a fitted size, and tested for being SVG at all.
#include <painter/Painter.h>
#include <painter/svg/detail/SvgParser.h>
#include <painter/buffer/ImagePainter.h>

#include <Core/text/String.h>

using namespace Qel;

namespace {

// Keeps scopes balanced-checked: a reader that ends more scopes than it opened is a fault.
struct ScopePainter : NilPainter {
	int depth = 0;
	void BeginOp() override { depth++; }
	void EndOp() override   { if(--depth < 0) __builtin_trap(); }
	using NilPainter::ClipOp;
};

} // namespace

// fontconfig loses a block while it reads some system configurations; not ours to find.
extern "C" const char* __lsan_default_suppressions()
{
	return "leak:libfontconfig.so\n";
}

// Text is measured in the system's fonts: load their configuration up front.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
	(void)Font::FindFaceName("serif");
	(void)Font(1, 24).GetCy();
	return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	String text((const char*)data, (int)size);
	ScopePainter sp;
	BoundsPainter bp(sp);
	RenderSVG(bp, ~text, [](String, String& d) { d = "not an image"; });
	if(sp.depth != 0)
		__builtin_trap();
	GetSVGBoundingBox(~text);
	IsSVG(~text);
	if(size & 1) {
		ImagePainter ip(32, 32);
		RenderSVG(ip, ~text);
		ip.GetResult();
	}
	else
		RenderSVGImage(Size(24, 24), text);
	return 0;
}
