#include "PaintingPainter.h"

#include <Core/container/Buffer.h>

#include <cmath>
#include <cstring>

namespace Qel {

namespace {

// Operand bytes of each command, -1 for codes without operands that are skipped; the two
// commands with lists (text and dash) give the size of their fixed head here.
constexpr int sOperandSize(int code)
{
	switch(code) {
	case 0: return 4;
	case 4: case 5: case 6: case 7: case 10: case 11: return 16;
	case 8: case 9: case 14: case 15: return 32;
	case 12: case 13: case 16: case 17: return 48;
	case 18: case 19: return 42;
	case 20: case 21: case 30: case 34: case 42: case 43: case 44: return 0;
	case 22: return 4;
	case 23: return 49;
	case 24: return 41;
	case 25: return 49;
	case 26: return 12;
	case 27: return 57;
	case 28: return 49;
	case 29: return 57;
	case 31: return 28;
	case 32: return 29;
	case 33: return 12;
	case 35: return 8;
	case 36: case 37: case 38: case 39: case 46: case 51: return 1;
	case 40: return 4;
	case 41: return 48;
	case 45: return 9;
	case 47: return 57;
	case 48: return 65;
	case 49: return 73;
	case 50: return 81;
	}
	return -1;
}

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
		int need = sOperandSize(code);
		if(need < 0)
			continue;
		if(r.Left() < (size_t)need)
			return; // a command cut short
		r.nan = false;
		bool rel = code & 1;
		switch(code) {
		case 0: {
			RGBA c = r.Color();
			sw.ClearOp(c);
			break;
		}
		case 4: case 5: {
			Pointf pt = r.Point();
			if(!r.nan)
				sw.MoveOp(pt, rel);
			break;
		}
		case 6: case 7: {
			Pointf pt = r.Point();
			if(!r.nan)
				sw.LineOp(pt, rel);
			break;
		}
		case 8: case 9: {
			Pointf p1 = r.Point();
			Pointf pt = r.Point();
			if(!r.nan)
				sw.QuadraticOp(p1, pt, rel);
			break;
		}
		case 10: case 11: {
			Pointf pt = r.Point();
			if(!r.nan)
				sw.SmoothQuadraticOp(pt, rel);
			break;
		}
		case 12: case 13: {
			Pointf p1 = r.Point();
			Pointf p2 = r.Point();
			Pointf pt = r.Point();
			if(!r.nan)
				sw.CubicOp(p1, p2, pt, rel);
			break;
		}
		case 14: case 15: {
			Pointf p2 = r.Point();
			Pointf pt = r.Point();
			if(!r.nan)
				sw.SmoothCubicOp(p2, pt, rel);
			break;
		}
		case 16: case 17: {
			Pointf c = r.Point();
			Pointf rr = r.Point();
			double angle = r.Double();
			double sweep = r.Double();
			if(!r.nan)
				sw.ArcOp(c, rr, angle, sweep, rel);
			break;
		}
		case 18: case 19: {
			Pointf rr = r.Point();
			double xangle = r.Double();
			bool large = r.Byte();
			bool sweep = r.Byte();
			Pointf pt = r.Point();
			if(!r.nan)
				sw.SvgArcOp(rr, xangle, large, sweep, pt, rel);
			break;
		}
		case 20:
			sw.CloseOp();
			break;
		case 21:
			sw.DivOp();
			break;
		case 22: {
			RGBA c = r.Color();
			sw.FillOp(c);
			break;
		}
		case 23: case 27: {
			double width = code == 27 ? r.Double() : 0;
			Xform2D m = r.Xform();
			dword flags = r.Byte();
			if(ii >= data.GetCount() || data[ii].GetType() != IMAGE_V)
				return;
			Image img = data[ii++];
			if(r.nan)
				break;
			if(code == 23)
				sw.FillOp(img, m, flags);
			else
				sw.StrokeOp(width, img, m, flags);
			break;
		}
		case 24: case 28: {
			double width = code == 28 ? r.Double() : 0;
			Pointf p1 = r.Point();
			RGBA c1 = r.Color();
			Pointf p2 = r.Point();
			RGBA c2 = r.Color();
			int style = r.Byte();
			if(r.nan)
				break;
			if(code == 24)
				sw.FillOp(p1, c1, p2, c2, style);
			else
				sw.StrokeOp(width, p1, c1, p2, c2, style);
			break;
		}
		case 25: case 29: {
			double width = code == 29 ? r.Double() : 0;
			Pointf f = r.Point();
			RGBA c1 = r.Color();
			Pointf c = r.Point();
			double rr = r.Double();
			RGBA c2 = r.Color();
			int style = r.Byte();
			if(r.nan)
				break;
			if(code == 25)
				sw.FillOp(f, c1, c, rr, c2, style);
			else
				sw.StrokeOp(width, f, c1, c, rr, c2, style);
			break;
		}
		case 26: {
			double width = r.Double();
			RGBA c = r.Color();
			if(!r.nan)
				sw.StrokeOp(width, c);
			break;
		}
		case 30:
			sw.ClipOp();
			break;
		case 31: {
			Pointf pt = r.Point();
			int ch = r.Int();
			Font fnt = r.Fnt();
			if(!r.nan)
				sw.CharacterOp(pt, ch, fnt);
			break;
		}
		case 32: {
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
		case 33: {
			double pos = r.Double();
			RGBA c = r.Color();
			if(!r.nan)
				sw.ColorStopOp(pos, c);
			break;
		}
		case 34:
			sw.ClearStopsOp();
			break;
		case 35: {
			double o = r.Double();
			if(!r.nan)
				sw.OpacityOp(o);
			break;
		}
		case 36:
			sw.LineCapOp(r.Byte());
			break;
		case 37:
			sw.LineJoinOp(r.Byte());
			break;
		case 38:
			sw.MiterLimitOp(r.Byte());
			break;
		case 39:
			sw.EvenOddOp(r.Byte());
			break;
		case 40: {
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
		case 41: {
			Xform2D m = r.Xform();
			if(!r.nan)
				sw.TransformOp(m);
			break;
		}
		case 42:
			sw.BeginOp();
			break;
		case 43:
			sw.EndOp();
			break;
		case 44:
			sw.BeginMaskOp();
			break;
		case 45: {
			double q = r.Double();
			bool abs = r.Byte();
			// the scope opens either way, so that the record's own end still balances it
			sw.BeginOnPathOp(r.nan ? 0 : q, abs);
			break;
		}
		case 46:
			sw.InvertOp(r.Byte());
			break;
		case 47: case 48: {
			double width = code == 48 ? r.Double() : 0;
			RGBA c1 = r.Color();
			RGBA c2 = r.Color();
			Xform2D m = r.Xform();
			int style = r.Byte();
			if(r.nan)
				break;
			if(code == 47)
				sw.FillOp(c1, c2, m, style);
			else
				sw.StrokeOp(width, c1, c2, m, style);
			break;
		}
		case 49: case 50: {
			double width = code == 50 ? r.Double() : 0;
			Pointf f = r.Point();
			RGBA c1 = r.Color();
			RGBA c2 = r.Color();
			Xform2D m = r.Xform();
			int style = r.Byte();
			if(r.nan)
				break;
			if(code == 49)
				sw.FillOp(f, c1, c2, m, style);
			else
				sw.StrokeOp(width, f, c1, c2, m, style);
			break;
		}
		case 51:
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
	TransformOp(Xform2D::Scale((target.right - target.left) / sz.cx,
	                           (target.bottom - target.top) / sz.cy));
	PlayPainting(*this, w);
	EndOp();
}

} // namespace Qel
