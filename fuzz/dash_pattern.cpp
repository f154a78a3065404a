// Dash text, then the dasher and stroker over a short polyline built from the input bytes.
#include <painter/Painter.h>

#include <Core/text/String.h>

#include <cmath>
#include <cstring>

using namespace Qel;

namespace {

struct Counter : LinearPathConsumer {
	long n = 0;
	void Move(const Pointf&) override { n++; }
	void Line(const Pointf&) override { n++; }
};

} // namespace

// The painter reaches the font layer, which reads the font configuration before main; fontconfig
// loses a block while it reads some system configurations. That is not ours to find.
extern "C" const char* __lsan_default_suppressions()
{
	return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	// First line: the dash text; the rest: doubles of a polyline.
	const char* nl = (const char*)memchr(data, '\n', size);
	size_t tl = nl ? (size_t)(nl - (const char*)data) : size;
	String text((const char*)data, (int)tl);
	double start = 0;
	Vector<double> pat = ParseDashPattern(text, start);

	Counter c;
	Stroker s;
	s.target = &c;
	s.Init(2, 4, 0.3, LINECAP_ROUND, LINEJOIN_ROUND, Rectf(-INFINITY, 0, 0, 0));
	Dasher d;
	d.target = &s;
	d.Init(pat, start);
	d.Move(Pointf(0, 0));
	size_t off = nl ? tl + 1 : size;
	double v[2];
	int k = 0;
	for(int i = 0; i < 4 && off + sizeof(v) <= size; i++, off += sizeof(v)) {
		memcpy(v, data + off, sizeof(v));
		d.Line(Pointf(v[0], v[1]));
		k++;
	}
	if(!k)
		d.Line(Pointf(1000, 0));
	d.End();
	return 0;
}
