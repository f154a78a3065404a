// BufferPainter: image fills, and gradients drawn through gradient lines. Linear gradients are
// image fills of a one-pixel-high line; radial ones sample a 2048-pixel line by distance.
#include "BufferPainter.h"
#include <painter/buffer/detail/BufferPainterInt.h>
#include <painter/paint/Gradient.h>
#include <painter/paint/ImageSpan.h>
#include <painter/paint/RadialSpan.h>

#include <cmath>

namespace Qel {

namespace {

const RGBA sNone = {0, 0, 0, 0};

double sStrokeWidth(double width)
{
	return width > 0 ? width : 0; // negative widths are the renderer's codes, never strokes
}

} // namespace

// The gradient line of the path's colour stops.
static Image sGradientLine(const BufferPainter& p, const RGBA& c1, const RGBA& c2, int n)
{
	const Vector<BufferPainter::GradientStop>& stop = p.GetPathAttr().stop;
	Vector<Qel::GradientStop> gs;
	gs.SetCount(stop.GetCount());
	for(int i = 0; i < stop.GetCount(); i++)
		gs[i] = Qel::GradientStop{ stop[i].pos, stop[i].color };
	return GetGradientLine(c1, gs.begin(), gs.GetCount(), c2, n, p.IsImageCache());
}

static void sImageFill(BufferPainter& p, double width, const Image& image, const Rect& part, const Xform2D& m,
                       dword flags)
{
	const BufferPainter::Attr& a = p.GetPathAttr();
	std::unique_ptr<PainterImageSpan> ss;
	if(image.GetWidth() > 0 && image.GetHeight() > 0) {
		ss.reset(new PainterImageSpan(flags, m * a.mtx, image, part, p.IsCo(), p.IsImageCache(), a.filter));
		if(ss->IsEmpty())
			ss.reset();
	}
	// without a source the path is still consumed, drawing nothing
	p.RenderPath(width, std::move(ss), sNone);
}

static int sLineLength(const Xform2D& m, const Pointf& p1, const Pointf& p2)
{
	// the mean scale of the transform, so that the line has about one pixel per device pixel
	double a = std::hypot(m.x.x, m.y.x), b = std::hypot(m.x.y, m.y.y);
	double n = std::sqrt((a * a + b * b) / 2) * Distance(p1, p2);
	return n >= 3 ? n <= 16384 ? int(n) : 16384 : 2; // NaN gives 2
}

static void sRadial(BufferPainter& p, double width, const Pointf& f, const RGBA& c1, const Pointf& c,
                    const RGBA& c2, const Xform2D& m, double r, int style)
{
	std::unique_ptr<PainterRadialSpan> ss(
		new PainterRadialSpan(m, c, r, f, style, sGradientLine(p, c1, c2, PainterRadialSpan::LINE)));
	if(ss->IsEmpty())
		ss.reset();
	p.RenderPath(width, std::move(ss), sNone);
}

void BufferPainter::FillOp(const Image& image, const Xform2D& transsrc, dword flags)
{
	CloseOp();
	sImageFill(*this, -1, image, Rect(Point(0, 0), image.GetSize()), transsrc, flags);
}

void BufferPainter::FillImagePartOp(const Image& img, const Rect& part, const Xform2D& m)
{
	CloseOp();
	sImageFill(*this, -1, img, part, m, FILL_PAD);
}

void BufferPainter::StrokeOp(double width, const Image& image, const Xform2D& transsrc, dword flags)
{
	sImageFill(*this, sStrokeWidth(width), image, Rect(Point(0, 0), image.GetSize()), transsrc, flags);
}

void BufferPainter::FillOp(const Pointf& p1, const RGBA& color1, const Pointf& p2, const RGBA& color2, int style)
{
	int n = sLineLength(GetPathAttr().mtx, p1, p2);
	Fill(sGradientLine(*this, color1, color2, n), p1, p2, GradientImageFlags(style));
}

void BufferPainter::StrokeOp(double width, const Pointf& p1, const RGBA& color1, const Pointf& p2, const RGBA& color2, int style)
{
	int n = sLineLength(GetPathAttr().mtx, p1, p2);
	Stroke(width, sGradientLine(*this, color1, color2, n), p1, p2, GradientImageFlags(style));
}

void BufferPainter::FillOp(const RGBA& color1, const RGBA& color2, const Xform2D& transsrc, int style)
{
	// 500 pixels over gradient positions 0 .. 1 along the x axis of transsrc
	FillOp(sGradientLine(*this, color1, color2, 500), Xform2D::Scale(0.002, 0.002) * transsrc,
	       GradientImageFlags(style));
}

void BufferPainter::StrokeOp(double width, const RGBA& color1, const RGBA& color2, const Xform2D& transsrc, int style)
{
	StrokeOp(width, sGradientLine(*this, color1, color2, 500), Xform2D::Scale(0.002, 0.002) * transsrc,
	         GradientImageFlags(style));
}

void BufferPainter::FillOp(const Pointf& f, const RGBA& color1, const Pointf& c, double r, const RGBA& color2, int style)
{
	sRadial(*this, -1, f, color1, c, color2, GetPathAttr().mtx, r, style);
}

void BufferPainter::StrokeOp(double width, const Pointf& f, const RGBA& color1, const Pointf& c, double r, const RGBA& color2, int style)
{
	sRadial(*this, sStrokeWidth(width), f, color1, c, color2, GetPathAttr().mtx, r, style);
}

void BufferPainter::FillOp(const Pointf& f, const RGBA& color1, const RGBA& color2, const Xform2D& transsrc, int style)
{
	sRadial(*this, -1, f, color1, Pointf(0, 0), color2, transsrc * GetPathAttr().mtx, 1, style);
}

void BufferPainter::StrokeOp(double width, const Pointf& f, const RGBA& color1, const RGBA& color2, const Xform2D& transsrc, int style)
{
	sRadial(*this, sStrokeWidth(width), f, color1, Pointf(0, 0), color2, transsrc * GetPathAttr().mtx, 1, style);
}

} // namespace Qel
