// An SVG document as an image of a given size.
#include "Svg.h"
#include "BoundsPainter.h"
#include "ImagePainter.h"

#include <cmath>

namespace Qel {

Image RenderSVGImage(Size sz, const char* svg, SvgResourceLoader resloader)
{
	Rectf r = GetSVGBoundingBox(svg);
	if(BoundsPainter::IsEmpty(r))
		return Image();
	double w = r.right - r.left, h = r.bottom - r.top;
	Sizef f = GetFitSize(Sizef(w, h), sz.cx - 10, sz.cy - 10);
	Size isz((int)std::ceil(f.cx), (int)std::ceil(f.cy));
	if(isz.cx <= 0 || isz.cy <= 0)
		return Image();
	ImagePainter p(isz);
	p.Clear(Color(255, 255, 255));
	p.Scale(std::min(isz.cx / w, isz.cy / h));
	p.Translate(-r.left, -r.top);
	RenderSVG(p, svg, std::move(resloader));
	return p.GetResult();
}

Image RenderSVGImage(Size sz, const String& svg)
{
	return RenderSVGImage(sz, ~svg, SvgResourceLoader());
}

} // namespace Qel
