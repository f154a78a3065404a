// Painting playback of arbitrary command streams with an arbitrary value list. The input
// starts with the value list: a count byte (0..7), then per value a kind byte (image of the next
// two bytes' size, an int, a text) and its bytes; the rest is the command stream. The stream is
// played into a recording painter, whose record is played again: both must stop cleanly, and
// the second playback must give the same record. Then it is painted into a 64 x 64 image.
#include <painter/Painter.h>

#include <stdlib.h>

using namespace Qel;

// fontconfig loses a block while it reads some system configurations; that is not ours to find.
extern "C" const char* __lsan_default_suppressions()
{
	return "leak:libfontconfig.so\n";
}

namespace {

struct Input {
	const uint8_t* p;
	size_t n;

	int Byte() { if(!n) return 0; n--; return *p++; }
};

Value ReadValue(Input& in)
{
	switch(in.Byte() % 3) {
	case 0: {
		int cx = in.Byte() % 9, cy = in.Byte() % 9;
		ImageBuffer ib(cx, cy);
		for(RGBA& c : ib) {
			byte a = byte(in.Byte());
			c = RGBA{ byte(a / 2), byte(a / 3), byte(a / 4), a };
		}
		return Image(ib);
	}
	case 1:
		return Value(in.Byte());
	}
	return Value(String("x"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	Input in{ data, size };
	Painting p;
	int count = in.Byte() % 8;
	for(int i = 0; i < count; i++)
		p.data.Add(ReadValue(in));
	p.cmd = String((const char*)in.p, (int)in.n);
	p.size = Sizef(64, 64);

	PaintingPainter rec(64, 64);
	PlayPainting(rec, p);
	Painting once = rec;
	PaintingPainter again(64, 64);
	PlayPainting(again, once);
	Painting twice = again;
	if(once.cmd != twice.cmd || once.data.GetCount() != twice.data.GetCount())
		abort();
	ImagePainter ip(64, 64);
	PlayPainting(ip, p);
	Image m = ip;
	if(m.GetSize() != Size(64, 64))
		abort();
	return 0;
}
