// Glyph outlines for text on a painter: flattened once per (font, character, tolerance) into a
// compact float array, cached per thread in front of the process-wide value cache.
#include "BufferPainter.h"

#include <Core/value/ValueCache.h>
#include <Core/util/Util.h>

#include <cmath>
#include <cstring>

namespace Qel {

namespace {

constexpr float MOVE_MARK = 1e31f;

// Records an outline: a move is {marker, x, y}, a line {x, y}; curves arrive flattened.
class sGlyphPainter : public NilPainter, public LinearPathConsumer {
public:
	Vector<float> glyph;
	double        tolerance = 0.3;
	Pointf        pos = Pointf(-INFINITY, -INFINITY);
	Pointf        move = Pointf(-INFINITY, -INFINITY);

	void Line(const Pointf& p) override
	{
		glyph.Add((float)p.x);
		glyph.Add((float)p.y);
		pos = p;
	}
	void Move(const Pointf& p) override
	{
		glyph.Add(MOVE_MARK);
		Line(p);
		move = pos;
	}

	void MoveOp(const Pointf& p, bool) override { Move(p); }
	void LineOp(const Pointf& p, bool) override { Line(p); }
	void QuadraticOp(const Pointf& p1, const Pointf& p, bool) override
	{
		ApproximateQuadratic(*this, pos, p1, p, tolerance * tolerance);
		pos = p;
	}
	void CubicOp(const Pointf& p1, const Pointf& p2, const Pointf& p, bool) override
	{
		ApproximateCubic(*this, pos, p1, p2, p, tolerance * tolerance);
		pos = p;
	}
	void CloseOp() override
	{
		if(std::isfinite(move.x) && move != pos)
			Line(move);
	}
};

} // namespace

void ApproximateChar(LinearPathConsumer& t, const Pointf& p, int ch, Font fnt, double tolerance)
{
	static const int kind = RegisterTypeNo("Qel::GlyphOutline");
	static const int maker = RegisterTypeNo("Qel::GlyphOutlineMaker");
	Value v = MakeValueTL(
		[&] {
			byte k[28];
			int32 a = kind, b = maker, c = ch;
			int64 f = fnt.AsInt64();
			memcpy(k, &a, 4);
			memcpy(k + 4, &b, 4);
			memcpy(k + 8, &f, 8);
			memcpy(k + 16, &tolerance, 8);
			memcpy(k + 24, &c, 4);
			return String((const char*)k, 28);
		},
		[&](Value& out) {
			sGlyphPainter gp;
			gp.tolerance = tolerance;
			PaintCharacter(gp, Pointf(0, 0), ch, fnt);
			int n = gp.glyph.GetCount();
			auto* rep = new RawValueRep<Vector<float>>;
			rep->v = std::move(gp.glyph);
			out = Value(rep, ValueTypeNo<Vector<float>>());
			return 4 * n;
		});
	const Vector<float>& g = v.To<Vector<float>>();
	const float* s = g.begin();
	int n = g.GetCount();
	for(int i = 0; i < n;) {
		if(s[i] > 1e30f) {
			if(i + 2 >= n)
				break;
			t.Move(Pointf(p.x + s[i + 1], p.y + s[i + 2]));
			i += 3;
		}
		else {
			if(i + 1 >= n)
				break;
			t.Line(Pointf(p.x + s[i], p.y + s[i + 1]));
			i += 2;
		}
	}
}

} // namespace Qel
