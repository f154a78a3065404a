// Poly-polylines and polygons with counts from the input, as recorded drawings may hold them,
// onto a painter: whatever the counts, nothing is read past the vertices.
#include <painter/Painter.h>

#include <cstring>
#include <memory>

using namespace Qel;

namespace {

struct Counter : NilPainter {
	long n = 0;
	void MoveOp(const Pointf&, bool) override { n++; }
	void LineOp(const Pointf&, bool) override { n++; }
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
	// Bytes: vertex count, subpolygon count count, disjunct count count, then signed counts.
	if(size < 3)
		return 0;
	int nv = data[0], scc = data[1], dpcc = data[2];
	data += 3;
	size -= 3;
	// Exact-size blocks, so the address sanitizer sees any read past them.
	std::unique_ptr<Point[]> v(new Point[nv ? nv : 1]);
	for(int i = 0; i < nv; i++)
		v[i] = Point(i, i & 7);
	auto counts = [&](int n) {
		std::unique_ptr<int[]> c(new int[n ? n : 1]);
		for(int i = 0; i < n; i++)
			c[i] = i < (int)size ? (int8_t)data[i] : 1;
		return c;
	};
	std::unique_ptr<int[]> sub = counts(scc);
	std::unique_ptr<int[]> dis = counts(dpcc);
	Counter p;
	p.DrawPolyPolylineOp(v.get(), nv, sub.get(), scc, -3, Color(1, 2, 3), Color());
	p.DrawPolyPolyPolygonOp(v.get(), nv, sub.get(), scc, dis.get(), dpcc, Color(1, 2, 3), 1, Color(4, 5, 6),
	                        size & 1 ? 0x0F0F0F0F0F0F0F0Full : 0, Color());
	return 0;
}
