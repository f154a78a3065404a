// An SVG document as an image of a given size.
#include "detail/SvgParser.h"
#include <painter/buffer/ImagePainter.h>

#include <cmath>

namespace Qel {

// The text is parsed once: the tree is walked first to measure, then to draw.
Image RenderSVGImage(Size sz, const char* svg, SvgResourceLoader resloader)
{
	XmlNode doc;
	if(!detail::SvgParser::ParseXml(svg, doc))
		return Image();
	int64 length = svg ? (int64)strlen(svg) : 0;
	Rectf r;
	{
		NilPainter nil;
		detail::SvgParser sp(nil);
		sp.bp.compute_bounds = true;
		sp.Walk(doc, length);
		r = sp.bp.GetBounds();
	}
	double w = r.right - r.left, h = r.bottom - r.top;
	// content out at the ends of the number range has no size to scale
	if(BoundsPainter::IsEmpty(r) || !std::isfinite(w) || !std::isfinite(h))
		return Image();
	Sizef f = GetFitSize(Sizef(w, h), sz.cx - 10, sz.cy - 10);
	if(!(f.cx > 0 && f.cy > 0 && f.cx <= sz.cx && f.cy <= sz.cy))
		return Image();
	Size isz((int)std::ceil(f.cx), (int)std::ceil(f.cy));
	ImagePainter p(isz);
	p.Clear(Color(255, 255, 255));
	p.Scale(std::min(isz.cx / w, isz.cy / h));
	p.Translate(-r.left, -r.top);
	detail::SvgParser sp(p);
	sp.resloader = std::move(resloader);
	sp.Walk(doc, length);
	return p.GetResult();
}

Image RenderSVGImage(Size sz, const String& svg)
{
	return RenderSVGImage(sz, ~svg, SvgResourceLoader());
}

} // namespace Qel
