// SVG path data into a painter that does nothing, and into a small rasterised target through
// flattening, the stroker and the rasteriser.
#include <painter/Painter.h>

#include <Core/text/String.h>

#include <cmath>

using namespace Qel;

namespace {

// Flattens the parsed path into a rasteriser, as a software painter would.
struct RasterPainter : NilPainter {
	Rasterizer r{64, 64};
	Stroker    s;
	Pointf     cur = Pointf(0, 0);
	Pointf     ctrl = Pointf(0, 0);
	bool       stroke = false;

	LinearPathConsumer& T() { return stroke ? (LinearPathConsumer&)s : (LinearPathConsumer&)r; }

	void MoveOp(const Pointf& p, bool) override { T().Move(p); cur = ctrl = p; }
	void LineOp(const Pointf& p, bool) override { T().Line(p); cur = ctrl = p; }
	void QuadraticOp(const Pointf& p1, const Pointf& p, bool) override { ApproximateQuadratic(T(), cur, p1, p, 0.09); ctrl = p1; cur = p; }
	void SmoothQuadraticOp(const Pointf& p, bool b) override { QuadraticOp(Pointf(2 * cur.x - ctrl.x, 2 * cur.y - ctrl.y), p, b); }
	void CubicOp(const Pointf& p1, const Pointf& p2, const Pointf& p, bool) override { ApproximateCubic(T(), cur, p1, p2, p, 0.09); ctrl = p2; cur = p; }
	void SmoothCubicOp(const Pointf& p2, const Pointf& p, bool b) override { CubicOp(Pointf(2 * cur.x - ctrl.x, 2 * cur.y - ctrl.y), p2, p, b); }
	void SvgArcOp(const Pointf& r, double xa, bool large, bool sweep, const Pointf& p, bool) override { AppendSvgArc(*this, r, large, sweep, p, cur, xa); cur = ctrl = p; }
};

struct Sink : Rasterizer::Filler {
	int sum = 0;
	void Start(int, int) override {}
	void Render(int v) override { sum += v; }
	void Render(int v, int) override { sum += v; }
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
	String text((const char*)data, (int)size);
	NilPainter nil;
	ParseSvgPathData(nil, text);

	RasterPainter rp;
	rp.s.target = &rp.r;
	rp.s.Init(size & 1 ? 3 : 0.5, 4, 0.3, (int)(size % 3), 3 + (int)(size % 3), Rectf(0, 0, 64, 64));
	for(int pass = 0; pass < 2; pass++) {
		rp.stroke = pass;
		rp.r.Reset();
		ParseSvgPathData(rp, text);
		rp.T().End();
		Sink f;
		for(int y = rp.r.GetMinY(); y <= rp.r.GetMaxY(); y++)
			rp.r.Render(y, f, pass == 0 && (size & 2));
	}
	return 0;
}
