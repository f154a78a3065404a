#include "PaintingPainter.h"

#include "detail/PaintingCodes.h"

#include <Core/base/Panic.h>

namespace Qel {

using namespace detail;

void PaintingPainter::Create(double cx, double cy)
{
	cmd.Create();
	lastCode = -1;
	data = ValueArray();
	size = Sizef(cx, cy);
}

// Every command must carry the operands that playback will read for its code.
void PaintingPainter::EndLastOp()
{
	if(lastCode < 0)
		return;
	int64 written = cmd.GetPos() - lastStart;
	int64 need = PAINTING_OPERANDS[lastCode];
	bool list = lastCode == PAINTING_TEXT || lastCode == PAINTING_DASH;
	if(list ? written < need : written != need)
		Panic("Painting command with the wrong number of operand bytes");
	lastCode = -1;
}

void PaintingPainter::Op(int code)
{
	EndLastOp();
	Put(code);
	lastCode = code;
	lastStart = cmd.GetPos();
}

Painting PaintingPainter::GetResult()
{
	EndLastOp();
	Painting p;
	p.cmd = cmd.GetResult();
	p.data = data;
	p.size = size;
	// the stream was switched to reading: start a new one holding the same bytes
	cmd.Create();
	cmd.Put(p.cmd);
	return p;
}

void PaintingPainter::Put(const Xform2D& m)
{
	Putf(m.x.x);
	Putf(m.x.y);
	Putf(m.y.x);
	Putf(m.y.y);
	Putf(m.t.x);
	Putf(m.t.y);
}

void PaintingPainter::PutImage(const Image& img)
{
	data.Add(img);
}

void PaintingPainter::BeginOp()
{
	Op(PAINTING_BEGIN);
}

void PaintingPainter::EndOp()
{
	Op(PAINTING_END);
}

void PaintingPainter::ClearOp(const RGBA& color)
{
	Op(PAINTING_CLEAR);
	Put(color);
}

void PaintingPainter::MoveOp(const Pointf& p, bool rel)
{
	PutPath(PAINTING_MOVE, rel);
	Put(p);
}

void PaintingPainter::LineOp(const Pointf& p, bool rel)
{
	PutPath(PAINTING_LINE, rel);
	Put(p);
}

void PaintingPainter::QuadraticOp(const Pointf& p1, const Pointf& p, bool rel)
{
	PutPath(PAINTING_QUADRATIC, rel);
	Put(p1);
	Put(p);
}

void PaintingPainter::SmoothQuadraticOp(const Pointf& p, bool rel)
{
	PutPath(PAINTING_QUADRATIC_S, rel);
	Put(p);
}

void PaintingPainter::CubicOp(const Pointf& p1, const Pointf& p2, const Pointf& p, bool rel)
{
	PutPath(PAINTING_CUBIC, rel);
	Put(p1);
	Put(p2);
	Put(p);
}

void PaintingPainter::SmoothCubicOp(const Pointf& p2, const Pointf& p, bool rel)
{
	PutPath(PAINTING_CUBIC_S, rel);
	Put(p2);
	Put(p);
}

void PaintingPainter::ArcOp(const Pointf& c, const Pointf& r, double angle, double sweep, bool rel)
{
	PutPath(PAINTING_ARC, rel);
	Put(c);
	Put(r);
	Putf(angle);
	Putf(sweep);
}

void PaintingPainter::SvgArcOp(const Pointf& r, double xangle, bool large, bool sweep, const Pointf& p, bool rel)
{
	PutPath(PAINTING_SVGARC, rel);
	Put(r);
	Putf(xangle);
	Put(large);
	Put(sweep);
	Put(p);
}

void PaintingPainter::CloseOp()
{
	Op(PAINTING_CLOSE);
}

void PaintingPainter::DivOp()
{
	Op(PAINTING_DIV);
}

void PaintingPainter::FillOp(const RGBA& color)
{
	Op(PAINTING_FILL_SOLID);
	Put(color);
}

void PaintingPainter::FillOp(const Image& image, const Xform2D& transsrc, dword flags)
{
	Op(PAINTING_FILL_IMAGE);
	Put(transsrc);
	Put(flags & 255);
	PutImage(image);
}

void PaintingPainter::FillOp(const Pointf& p1, const RGBA& color1, const Pointf& p2, const RGBA& color2, int style)
{
	Op(PAINTING_FILL_GRADIENT);
	Put(p1);
	Put(color1);
	Put(p2);
	Put(color2);
	Put(style & 255);
}

void PaintingPainter::FillOp(const Pointf& f, const RGBA& color1, const Pointf& c, double r, const RGBA& color2, int style)
{
	Op(PAINTING_FILL_RADIAL);
	Put(f);
	Put(color1);
	Put(c);
	Putf(r);
	Put(color2);
	Put(style & 255);
}

void PaintingPainter::FillOp(const RGBA& color1, const RGBA& color2, const Xform2D& transsrc, int style)
{
	Op(PAINTING_FILL_GRADIENT_X);
	Put(color1);
	Put(color2);
	Put(transsrc);
	Put(style & 255);
}

void PaintingPainter::FillOp(const Pointf& f, const RGBA& color1, const RGBA& color2, const Xform2D& transsrc, int style)
{
	Op(PAINTING_FILL_RADIAL_X);
	Put(f);
	Put(color1);
	Put(color2);
	Put(transsrc);
	Put(style & 255);
}

void PaintingPainter::StrokeOp(double width, const RGBA& rgba)
{
	Op(PAINTING_STROKE_SOLID);
	Putf(width);
	Put(rgba);
}

void PaintingPainter::StrokeOp(double width, const Image& image, const Xform2D& transsrc, dword flags)
{
	Op(PAINTING_STROKE_IMAGE);
	Putf(width);
	Put(transsrc);
	Put(flags & 255);
	PutImage(image);
}

void PaintingPainter::StrokeOp(double width, const Pointf& p1, const RGBA& color1, const Pointf& p2, const RGBA& color2, int style)
{
	Op(PAINTING_STROKE_GRADIENT);
	Putf(width);
	Put(p1);
	Put(color1);
	Put(p2);
	Put(color2);
	Put(style & 255);
}

void PaintingPainter::StrokeOp(double width, const RGBA& color1, const RGBA& color2, const Xform2D& transsrc, int style)
{
	Op(PAINTING_STROKE_GRADIENT_X);
	Putf(width);
	Put(color1);
	Put(color2);
	Put(transsrc);
	Put(style & 255);
}

void PaintingPainter::StrokeOp(double width, const Pointf& f, const RGBA& color1, const Pointf& c, double r, const RGBA& color2, int style)
{
	Op(PAINTING_STROKE_RADIAL);
	Putf(width);
	Put(f);
	Put(color1);
	Put(c);
	Putf(r);
	Put(color2);
	Put(style & 255);
}

void PaintingPainter::StrokeOp(double width, const Pointf& f, const RGBA& color1, const RGBA& color2, const Xform2D& transsrc, int style)
{
	Op(PAINTING_STROKE_RADIAL_X);
	Putf(width);
	Put(f);
	Put(color1);
	Put(color2);
	Put(transsrc);
	Put(style & 255);
}

void PaintingPainter::ClipOp()
{
	Op(PAINTING_CLIP);
}

void PaintingPainter::CharacterOp(const Pointf& p, int ch, Font fnt)
{
	Op(PAINTING_CHARACTER);
	Put(p);
	Put32(ch);
	Put(fnt);
}

void PaintingPainter::TextOp(const Pointf& p, const wchar* text, Font fnt, int n, const double* dx)
{
	n = max(n, 0);
	Op(PAINTING_TEXT);
	Put(p);
	Put32(n);
	Put(dx != nullptr);
	Put(fnt);
	for(int i = 0; i < n; i++) {
		Put32(text[i]);
		if(dx)
			Putf(dx[i]);
	}
}

void PaintingPainter::ColorStopOp(double pos, const RGBA& color)
{
	Op(PAINTING_COLORSTOP);
	Putf(pos);
	Put(color);
}

void PaintingPainter::ClearStopsOp()
{
	Op(PAINTING_CLEARSTOPS);
}

void PaintingPainter::OpacityOp(double o)
{
	Op(PAINTING_OPACITY);
	Putf(o);
}

void PaintingPainter::LineCapOp(int linecap)
{
	Op(PAINTING_LINECAP);
	Put(linecap & 255);
}

void PaintingPainter::LineJoinOp(int linejoin)
{
	Op(PAINTING_LINEJOIN);
	Put(linejoin & 255);
}

void PaintingPainter::MiterLimitOp(double l)
{
	// the stream keeps whole numbers 0 .. 255
	Op(PAINTING_MITERLIMIT);
	Put(l >= 0 ? l < 255 ? (int)l : 255 : 0);
}

void PaintingPainter::EvenOddOp(bool evenodd)
{
	Op(PAINTING_EVENODD);
	Put(evenodd);
}

void PaintingPainter::DashOp(const Vector<double>& dash, double start)
{
	Op(PAINTING_DASH);
	Put32(dash.GetCount());
	for(double d : dash)
		Putf(d);
	Putf(start);
}

void PaintingPainter::InvertOp(bool invert)
{
	Op(PAINTING_INVERT);
	Put(invert);
}

void PaintingPainter::ImageFilterOp(int filter)
{
	Op(PAINTING_IMAGE_FILTER);
	Put(filter & 255);
}

void PaintingPainter::TransformOp(const Xform2D& m)
{
	Op(PAINTING_TRANSFORM);
	Put(m);
}

void PaintingPainter::BeginMaskOp()
{
	Op(PAINTING_BEGINMASK);
}

void PaintingPainter::BeginOnPathOp(double q, bool abs)
{
	Op(PAINTING_BEGINONPATH);
	Putf(q);
	Put(abs);
}

} // namespace Qel
