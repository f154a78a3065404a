#include "PaintingPainter.h"

#include "detail/PaintingCodes.h"

#include <Core/container/Buffer.h>

#include <cmath>
#include <cstring>

namespace Qel {

using namespace detail;

namespace {

// Reads operands whose presence the caller has checked; notes any NaN on the way.
struct sReader {
	const byte* s;
	const byte* e;
	bool        nan = false;

	size_t Left() const  { return size_t(e - s); }
	int    Byte()        { return *s++; }
	int    Int()         { int v; memcpy(&v, s, 4); s += 4; return v; }
	double Double()      { double v; memcpy(&v, s, 8); s += 8; nan |= std::isnan(v); return v; }
	Pointf Point()       { double x = Double(); return Pointf(x, Double()); }
	RGBA   Color()       { RGBA c; memcpy(&c, s, 4); s += 4; return c; }
	Font   Fnt()         { int64 v; memcpy(&v, s, 8); s += 8; return Font::FromInt64(v); }
	Xform2D Xform()
	{
		Xform2D m;
		m.x.x = Double();
		m.x.y = Double();
		m.y.x = Double();
		m.y.y = Double();
		m.t.x = Double();
		m.t.y = Double();
		return m;
	}
};

} // namespace

void PlayPainting(Painter& sw, const Painting& p)
{
	sReader r;
	r.s = (const byte*)p.cmd.Begin();
	r.e = r.s + p.cmd.GetLength();
	const ValueArray& data = p.data;
	int ii = 0;
	while(r.s < r.e) {
		int code = r.Byte();
		int need = PAINTING_OPERANDS[code];
		if(need < 0)
			continue;
		if(r.Left() < (size_t)need)
			return; // a command cut short
		r.nan = false;
		bool rel = code & 1;
		switch(code) {
		case PAINTING_CLEAR: {
			RGBA c = r.Color();
			sw.ClearOp(c);
			break;
		}
		case PAINTING_MOVE: case PAINTING_MOVE + 1: {
			Pointf pt = r.Point();
			if(!r.nan)
				sw.MoveOp(pt, rel);
			break;
		}
		case PAINTING_LINE: case PAINTING_LINE + 1: {
			Pointf pt = r.Point();
			if(!r.nan)
				sw.LineOp(pt, rel);
			break;
		}
		case PAINTING_QUADRATIC: case PAINTING_QUADRATIC + 1: {
			Pointf p1 = r.Point();
			Pointf pt = r.Point();
			if(!r.nan)
				sw.QuadraticOp(p1, pt, rel);
			break;
		}
		case PAINTING_QUADRATIC_S: case PAINTING_QUADRATIC_S + 1: {
			Pointf pt = r.Point();
			if(!r.nan)
				sw.SmoothQuadraticOp(pt, rel);
			break;
		}
		case PAINTING_CUBIC: case PAINTING_CUBIC + 1: {
			Pointf p1 = r.Point();
			Pointf p2 = r.Point();
			Pointf pt = r.Point();
			if(!r.nan)
				sw.CubicOp(p1, p2, pt, rel);
			break;
		}
		case PAINTING_CUBIC_S: case PAINTING_CUBIC_S + 1: {
			Pointf p2 = r.Point();
			Pointf pt = r.Point();
			if(!r.nan)
				sw.SmoothCubicOp(p2, pt, rel);
			break;
		}
		case PAINTING_ARC: case PAINTING_ARC + 1: {
			Pointf c = r.Point();
			Pointf rr = r.Point();
			double angle = r.Double();
			double sweep = r.Double();
			if(!r.nan)
				sw.ArcOp(c, rr, angle, sweep, rel);
			break;
		}
		case PAINTING_SVGARC: case PAINTING_SVGARC + 1: {
			Pointf rr = r.Point();
			double xangle = r.Double();
			bool large = r.Byte();
			bool sweep = r.Byte();
			Pointf pt = r.Point();
			if(!r.nan)
				sw.SvgArcOp(rr, xangle, large, sweep, pt, rel);
			break;
		}
		case PAINTING_CLOSE:
			sw.CloseOp();
			break;
		case PAINTING_DIV:
			sw.DivOp();
			break;
		case PAINTING_FILL_SOLID: {
			RGBA c = r.Color();
			sw.FillOp(c);
			break;
		}
		case PAINTING_FILL_IMAGE: case PAINTING_STROKE_IMAGE: {
			double width = code == PAINTING_STROKE_IMAGE ? r.Double() : 0;
			Xform2D m = r.Xform();
			dword flags = r.Byte();
			if(ii >= data.GetCount() || data[ii].GetType() != IMAGE_V)
				return;
			Image img = data[ii++];
			if(r.nan)
				break;
			if(code == PAINTING_FILL_IMAGE)
				sw.FillOp(img, m, flags);
			else
				sw.StrokeOp(width, img, m, flags);
			break;
		}
		case PAINTING_FILL_GRADIENT: case PAINTING_STROKE_GRADIENT: {
			double width = code == PAINTING_STROKE_GRADIENT ? r.Double() : 0;
			Pointf p1 = r.Point();
			RGBA c1 = r.Color();
			Pointf p2 = r.Point();
			RGBA c2 = r.Color();
			int style = r.Byte();
			if(r.nan)
				break;
			if(code == PAINTING_FILL_GRADIENT)
				sw.FillOp(p1, c1, p2, c2, style);
			else
				sw.StrokeOp(width, p1, c1, p2, c2, style);
			break;
		}
		case PAINTING_FILL_RADIAL: case PAINTING_STROKE_RADIAL: {
			double width = code == PAINTING_STROKE_RADIAL ? r.Double() : 0;
			Pointf f = r.Point();
			RGBA c1 = r.Color();
			Pointf c = r.Point();
			double rr = r.Double();
			RGBA c2 = r.Color();
			int style = r.Byte();
			if(r.nan)
				break;
			if(code == PAINTING_FILL_RADIAL)
				sw.FillOp(f, c1, c, rr, c2, style);
			else
				sw.StrokeOp(width, f, c1, c, rr, c2, style);
			break;
		}
		case PAINTING_STROKE_SOLID: {
			double width = r.Double();
			RGBA c = r.Color();
			if(!r.nan)
				sw.StrokeOp(width, c);
			break;
		}
		case PAINTING_CLIP:
			sw.ClipOp();
			break;
		case PAINTING_CHARACTER: {
			Pointf pt = r.Point();
			int ch = r.Int();
			Font fnt = r.Fnt();
			if(!r.nan)
				sw.CharacterOp(pt, ch, fnt);
			break;
		}
		case PAINTING_TEXT: {
			Pointf pt = r.Point();
			int n = r.Int();
			bool hasdx = r.Byte();
			Font fnt = r.Fnt();
			size_t item = hasdx ? 12 : 4;
			if(n < 0 || r.Left() / item < (size_t)n)
				return; // a count the stream cannot hold
			Buffer<wchar> text(n);
			Buffer<double> dx;
			if(hasdx)
				dx.Alloc(n);
			for(int i = 0; i < n; i++) {
				text[i] = (wchar)r.Int();
				if(hasdx)
					dx[i] = r.Double();
			}
			if(!r.nan)
				sw.TextOp(pt, text, fnt, n, hasdx ? dx.Get() : nullptr);
			break;
		}
		case PAINTING_COLORSTOP: {
			double pos = r.Double();
			RGBA c = r.Color();
			if(!r.nan)
				sw.ColorStopOp(pos, c);
			break;
		}
		case PAINTING_CLEARSTOPS:
			sw.ClearStopsOp();
			break;
		case PAINTING_OPACITY: {
			double o = r.Double();
			if(!r.nan)
				sw.OpacityOp(o);
			break;
		}
		case PAINTING_LINECAP:
			sw.LineCapOp(r.Byte());
			break;
		case PAINTING_LINEJOIN:
			sw.LineJoinOp(r.Byte());
			break;
		case PAINTING_MITERLIMIT:
			sw.MiterLimitOp(r.Byte());
			break;
		case PAINTING_EVENODD:
			sw.EvenOddOp(r.Byte());
			break;
		case PAINTING_DASH: {
			int n = r.Int();
			if(n < 0 || r.Left() / 8 < (size_t)n + 1)
				return;
			Vector<double> dash;
			dash.SetCount(n);
			for(int i = 0; i < n; i++)
				dash[i] = r.Double();
			double start = r.Double();
			if(!r.nan)
				sw.DashOp(dash, start);
			break;
		}
		case PAINTING_TRANSFORM: {
			Xform2D m = r.Xform();
			if(!r.nan)
				sw.TransformOp(m);
			break;
		}
		case PAINTING_BEGIN:
			sw.BeginOp();
			break;
		case PAINTING_END:
			sw.EndOp();
			break;
		case PAINTING_BEGINMASK:
			sw.BeginMaskOp();
			break;
		case PAINTING_BEGINONPATH: {
			double q = r.Double();
			bool abs = r.Byte();
			// the scope opens either way, so that the record's own end still balances it
			sw.BeginOnPathOp(r.nan ? 0 : q, abs);
			break;
		}
		case PAINTING_INVERT:
			sw.InvertOp(r.Byte());
			break;
		case PAINTING_FILL_GRADIENT_X: case PAINTING_STROKE_GRADIENT_X: {
			double width = code == PAINTING_STROKE_GRADIENT_X ? r.Double() : 0;
			RGBA c1 = r.Color();
			RGBA c2 = r.Color();
			Xform2D m = r.Xform();
			int style = r.Byte();
			if(r.nan)
				break;
			if(code == PAINTING_FILL_GRADIENT_X)
				sw.FillOp(c1, c2, m, style);
			else
				sw.StrokeOp(width, c1, c2, m, style);
			break;
		}
		case PAINTING_FILL_RADIAL_X: case PAINTING_STROKE_RADIAL_X: {
			double width = code == PAINTING_STROKE_RADIAL_X ? r.Double() : 0;
			Pointf f = r.Point();
			RGBA c1 = r.Color();
			RGBA c2 = r.Color();
			Xform2D m = r.Xform();
			int style = r.Byte();
			if(r.nan)
				break;
			if(code == PAINTING_FILL_RADIAL_X)
				sw.FillOp(f, c1, c2, m, style);
			else
				sw.StrokeOp(width, f, c1, c2, m, style);
			break;
		}
		case PAINTING_IMAGE_FILTER:
			sw.ImageFilterOp(r.Byte());
			break;
		}
	}
}

void Painter::DrawPaintingOp(const Rect& target, const Painting& w)
{
	Sizef sz = w.size;
	// a painting without a usable size cannot be scaled onto the rectangle
	if(!(sz.cx > 0 && sz.cy > 0 && std::isfinite(sz.cx) && std::isfinite(sz.cy)))
		return;
	BeginOp();
	TransformOp(Xform2D::Translation(target.left, target.top));
	// in double: the sides of a far-reaching rectangle overflow an int
	TransformOp(Xform2D::Scale(((double)target.right - target.left) / sz.cx,
	                           ((double)target.bottom - target.top) / sz.cy));
	PlayPainting(*this, w);
	EndOp();
}

} // namespace Qel
