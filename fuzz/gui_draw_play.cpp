// Fuzzed Drawing command streams played onto a 64 x 64 ImageDraw (and its opacity draw), once
// at the recorded size and once scaled and offset inside a clip. Whatever the stream says, the
// cairo contexts must stay healthy, the image must come out whole, and nothing may be made at
// a size the target does not have (the allocation limit of the options file watches that).
#include <gui/Gui.h>
#include <gui/paint/ImageDraw.h>

#include <cairo.h>
#include <stdlib.h>

using namespace Qel;

extern "C" const char* __lsan_default_suppressions()
{
	return "leak:libfontconfig.so\nleak:libglib-2.0.so\nleak:libgobject-2.0.so\n";
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
	(void)Font::FindFaceName("serif");
	(void)Font(2, 12).GetCy();
	return 0;
}

namespace {

void Check(bool b)
{
	if(!b)
		abort();
}

bool Healthy(SystemDraw& w)
{
	return cairo_status(w.GetCairo()) == CAIRO_STATUS_SUCCESS;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	if(size < 3)
		return 0;
	Drawing d;
	d.size = Size(data[1] + 1, data[2] + 1);
	d.data = String((const char*)data + 3, int(size - 3));
	if(data[0] & 1) { // object operands the stream may refer to
		ImageBuffer ib(3, 2);
		for(RGBA& p : ib)
			p = RGBA{ 10, 20, 30, 200 };
		ib[0][0] = RGBA{ 0, 0, 0, 0 };
		DrawingDraw inner(4, 4);
		inner.DrawRectOp(0, 0, 2, 2, Color(1, 2, 3));
		Image img(ib);
		d.val.Add(img);
		d.val.Add(Drawing(inner));
		d.val.Add(img);
		d.val.Add("text");
		d.val.Add(5);
	}
	ImageDraw w(64, 64);
	SystemDraw& target = data[0] & 2 ? w.Alpha() : w;
	try {
		PlayDrawing(target, Rect(0, 0, 64, 64), d);
		target.ClipOff(-7, 5, 50, 40);
		PlayDrawing(target, Rect(-30, -20, 90, 100), d);
		target.EndOp();
	}
	catch(ValueTypeError&) {
	}
	target.FlushText();
	Check(Healthy(w));
	Check(Healthy(w.Alpha()));
	Image m = w.GetImage();
	Check(m.GetSize() == Size(64, 64));
	return 0;
}
