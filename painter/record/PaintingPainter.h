// Painting records: PaintingPainter writes every painter call into a Painting's command stream,
// PlayPainting replays such a stream onto any painter.
#pragma once

#include <painter/canvas/PainterOps.h>

#include <Core/stream/StringStream.h>
#include <draw/record/Painting.h>

namespace Qel {

class PaintingPainter : public Painter {
public:
	void BeginOp() override;
	void EndOp() override;

	void ClearOp(const RGBA& color) override;

	void MoveOp(const Pointf& p, bool rel) override;
	void LineOp(const Pointf& p, bool rel) override;
	void QuadraticOp(const Pointf& p1, const Pointf& p, bool rel) override;
	void SmoothQuadraticOp(const Pointf& p, bool rel) override;
	void CubicOp(const Pointf& p1, const Pointf& p2, const Pointf& p, bool rel) override;
	void SmoothCubicOp(const Pointf& p2, const Pointf& p, bool rel) override;
	void ArcOp(const Pointf& c, const Pointf& r, double angle, double sweep, bool rel) override;
	void SvgArcOp(const Pointf& r, double xangle, bool large, bool sweep, const Pointf& p, bool rel) override;
	void CloseOp() override;
	void DivOp() override;

	void FillOp(const RGBA& color) override;
	void FillOp(const Image& image, const Xform2D& transsrc, dword flags) override;
	void FillOp(const Pointf& p1, const RGBA& color1, const Pointf& p2, const RGBA& color2, int style) override;
	void FillOp(const Pointf& f, const RGBA& color1, const Pointf& c, double r, const RGBA& color2, int style) override;
	void FillOp(const RGBA& color1, const RGBA& color2, const Xform2D& transsrc, int style) override;
	void FillOp(const Pointf& f, const RGBA& color1, const RGBA& color2, const Xform2D& transsrc, int style) override;

	void StrokeOp(double width, const RGBA& rgba) override;
	void StrokeOp(double width, const Image& image, const Xform2D& transsrc, dword flags) override;
	void StrokeOp(double width, const Pointf& p1, const RGBA& color1, const Pointf& p2, const RGBA& color2, int style) override;
	void StrokeOp(double width, const RGBA& color1, const RGBA& color2, const Xform2D& transsrc, int style) override;
	void StrokeOp(double width, const Pointf& f, const RGBA& color1, const Pointf& c, double r, const RGBA& color2, int style) override;
	void StrokeOp(double width, const Pointf& f, const RGBA& color1, const RGBA& color2, const Xform2D& transsrc, int style) override;

	void ClipOp() override;
	using Painter::ClipOp;

	void CharacterOp(const Pointf& p, int ch, Font fnt) override;
	void TextOp(const Pointf& p, const wchar* text, Font fnt, int n, const double* dx) override;

	void ColorStopOp(double pos, const RGBA& color) override;
	void ClearStopsOp() override;
	void OpacityOp(double o) override;
	void LineCapOp(int linecap) override;
	void LineJoinOp(int linejoin) override;
	void MiterLimitOp(double l) override;
	void EvenOddOp(bool evenodd) override;
	void DashOp(const Vector<double>& dash, double start) override;
	using Painter::DashOp;
	void InvertOp(bool invert) override;
	void ImageFilterOp(int filter) override;

	void TransformOp(const Xform2D& m) override;

	void BeginMaskOp() override;
	void BeginOnPathOp(double q, bool abs) override;

	// Starts a new, empty record of the given size (in the painting's own units).
	void     Create(double cx, double cy);
	void     Create(Sizef sz)              { Create(sz.cx, sz.cy); }
	Sizef    GetSize() const               { return size; }
	// The record so far; the painter can go on adding to it.
	Painting GetResult();
	operator Painting()                    { return GetResult(); }

	PaintingPainter()                      { Create(0, 0); }
	PaintingPainter(double cx, double cy)  { Create(cx, cy); }
	explicit PaintingPainter(Sizef sz)     { Create(sz); }

private:
	StringStream cmd;
	ValueArray   data;
	Sizef        size;
	int          lastCode = -1; // the command being written and where its operands start
	int64        lastStart = 0;

	void Op(int code);
	void EndLastOp();
	void Put(int c)                        { cmd.Put(c); }
	void Put32(int v)                      { cmd.Put32le(v); }
	void Putf(double v)                    { cmd.Put(&v, 8); }
	void Put(const Pointf& p)              { Putf(p.x); Putf(p.y); }
	void Put(const RGBA& c)                { cmd.Put(&c, 4); }
	void Put(const Xform2D& m);
	void Put(Font f)                       { int64 v = f.AsInt64(); cmd.Put(&v, 8); }
	void PutPath(int code, bool rel)       { Op(code + (int)rel); }
	void PutImage(const Image& img);
};

// Replays p's command stream onto sw in sw's current user space (the painting's size is not
// applied). Playback ends at the end of the stream, at a command cut short or with an
// impossible count, and at an image command whose image is missing; commands with a NaN
// operand are left out.
void PlayPainting(Painter& sw, const Painting& p);

} // namespace Qel
