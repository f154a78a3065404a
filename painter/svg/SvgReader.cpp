// The SVG document reader: walks the XML tree once and turns each element into path
// operations on the target painter, filled and stroked with the element's inherited style.
#include "detail/SvgParser.h"

#include <Core/text/FormatDouble.h>
#include <Core/xml/XmlParser.h>
#include <draw/raster/Raster.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace Qel {

namespace detail {

SvgParser::SvgParser(Painter& sw)
:	sw(sw), bp(sw)
{
	state.Add();
}

// Without recursion: documents may nest far deeper than the reader draws.
void SvgParser::IndexIds(const XmlNode& root)
{
	Vector<const XmlNode*> work;
	work.Add(&root);
	while(!work.IsEmpty()) {
		const XmlNode* n = work.Pop();
		if(n->IsTag()) {
			String id = n->Attr("id");
			if(!id.IsEmpty())
				idmap.Add("#" + id, n);
		}
		for(int i = n->GetCount(); --i >= 0;)
			work.Add(&n->Node(i));
	}
}

void SvgParser::StartElement(const XmlNode& n)
{
	State& s = state.Add(Top());
	s.n = current;
	current = &n;
	bp.BeginOp();
	bp.TransformOp(Transform(~n.Attr("transform")));
	Style(~n.Attr("style"));
	String cls = n.Attr("class");
	if(!cls.IsEmpty()) {
		int q = classes.Find(cls);
		if(q >= 0)
			Style(~classes[q]);
	}
	for(int i = 0; i < n.GetAttrCount(); i++)
		ProcessValue(n.AttrId(i), n.Attr(i));
	painted = false;
}

void SvgParser::EndElement()
{
	if(!painted)
		sw.StrokeOp(0, Color(0, 0, 0).ToRGBA());
	current = Top().n;
	if(state.GetCount() > 1)
		state.Drop();
	bp.EndOp();
}

// A gradient that cannot paint gives way to the colour written after it, if any.
void SvgParser::PaintFill()
{
	State& s = Top();
	double o = s.opacity * s.fill_opacity;
	if(o <= 0 || (s.fill.gradient < 0 && s.fill.ink.color.IsNull() && !s.fill.ink.current))
		return;
	if(o != 1) {
		sw.BeginOp();
		sw.OpacityOp(o);
	}
	RGBA c;
	if(s.fill.gradient >= 0 && PaintGradient(s.fill.gradient, false))
		;
	else if(GetRGBA(s.fill.ink, c)) {
		sw.FillOp(c);
		bp.Bounds(0);
		painted = true;
	}
	if(o != 1)
		sw.EndOp();
}

void SvgParser::PaintStroke()
{
	State& s = Top();
	double w = s.stroke_width;
	if(!(w > 0) || (s.stroke.gradient < 0 && s.stroke.ink.color.IsNull() && !s.stroke.ink.current))
		return;
	double o = s.opacity * s.stroke_opacity;
	if(o != 1) {
		sw.BeginOp();
		sw.OpacityOp(o);
	}
	RGBA c;
	if(s.stroke.gradient >= 0 && PaintGradient(s.stroke.gradient, true))
		;
	else if(GetRGBA(s.stroke.ink, c)) {
		sw.StrokeOp(w, c);
		bp.Bounds(w);
		painted = true;
	}
	if(o != 1)
		sw.EndOp();
}

void SvgParser::FinishElement()
{
	PaintFill();
	PaintStroke();
	EndElement();
}

void SvgParser::StrokeFinishElement()
{
	PaintStroke();
	EndElement();
}

void SvgParser::Items(const XmlNode& n, int depth)
{
	StartElement(n);
	for(int i = 0; i < n.GetCount(); i++)
		Element(n.Node(i), depth, false);
	EndElement();
}

// A negative or zero size is an error that leaves the shape out. A corner radius that is
// missing or negative takes the other one; both are at most half the size.
void SvgParser::Rect(const XmlNode& n)
{
	StartElement(n);
	double w = Dbl("width", HORZ), h = Dbl("height", VERT);
	if(w > 0 && h > 0) {
		double x = Dbl("x", HORZ), y = Dbl("y", VERT);
		double rx = Dbl("rx", HORZ, -1), ry = Dbl("ry", VERT, -1);
		if(rx < 0)
			rx = ry;
		if(ry < 0)
			ry = rx;
		rx = std::min(rx, w / 2);
		ry = std::min(ry, h / 2);
		if(rx > 0 && ry > 0)
			bp.RoundedRectangle(x, y, w, h, rx, ry).Close();
		else
			bp.RectPath(x, y, w, h);
		FinishElement();
	}
	else
		EndElement();
}

// An ellipse radius that is missing or negative takes the other one; a circle's must be there.
void SvgParser::Ellipse(const XmlNode& n, bool circle)
{
	StartElement(n);
	double rx, ry;
	if(circle)
		rx = ry = Dbl("r", DIAGONAL);
	else {
		rx = Dbl("rx", HORZ, -1);
		ry = Dbl("ry", VERT, -1);
		if(rx < 0)
			rx = ry;
		if(ry < 0)
			ry = rx;
	}
	if(rx > 0 && ry > 0) {
		bp.Ellipse(Dbl("cx", HORZ), Dbl("cy", VERT), rx, ry);
		FinishElement();
	}
	else
		EndElement();
}

void SvgParser::Poly(const XmlNode& n, bool line)
{
	Vector<Pointf> p = ParsePoints(~n.Attr("points"));
	if(p.IsEmpty())
		return;
	StartElement(n);
	bp.MoveOp(p[0], false);
	for(int i = 1; i < p.GetCount(); i++)
		bp.LineOp(p[i], false);
	if(line)
		StrokeFinishElement();
	else {
		bp.CloseOp();
		FinishElement();
	}
}

static bool sFinitePositive(double v)
{
	return std::isfinite(v) && v > 0;
}

void SvgParser::Use(const XmlNode& n, int depth)
{
	String ref = n.Attr("href");
	if(ref.IsEmpty())
		ref = n.Attr("xlink:href");
	int q = idmap.Find(ref);
	if(q < 0)
		return;
	const XmlNode& target = *idmap[q];
	StartElement(n);
	Rectf vb = GetViewBox(target);
	Sizef sz = GetSize(target);
	bp.Translate(Dbl("x", HORZ), Dbl("y", VERT));
	bool draw = true;
	if(!BoundsPainter::IsEmpty(vb) && !IsNull(sz.cx)) {
		double sx = sz.cx / (vb.right - vb.left), sy = sz.cy / (vb.bottom - vb.top);
		// an empty view box shows nothing rather than scaling by infinity
		draw = sFinitePositive(sx) && sFinitePositive(sy);
		if(draw) {
			bp.RectPath(0, 0, sz.cx, sz.cy);
			bp.ClipOp();
			bp.Scale(sx, sy);
			bp.Translate(-vb.left, -vb.top);
		}
	}
	if(draw)
		Element(target, depth + 1, true);
	EndElement();
}

void SvgParser::NestedSvg(const XmlNode& n, int depth)
{
	Sizef sz = GetSize(n);
	if(IsNull(sz.cx))
		return;
	Pointf pos = GetPoint(n);
	if(IsNull(pos.x))
		pos = Pointf(0, 0);
	Rectf vb = GetViewBox(n);
	if(BoundsPainter::IsEmpty(vb))
		vb = Rectf(0, 0, sz.cx, sz.cy);
	double s = std::min(sz.cx / (vb.right - vb.left), sz.cy / (vb.bottom - vb.top));
	if(!sFinitePositive(s))
		return;
	bp.BeginOp();
	bp.Translate(pos);
	bp.Scale(s);
	bp.Translate(-vb.left, -vb.top);
	Sizef viewport(vb.right - vb.left, vb.bottom - vb.top);
	StartElement(n);
	Top().viewport = viewport;
	for(int i = 0; i < n.GetCount(); i++)
		Element(n.Node(i), depth + 1, false);
	EndElement();
	bp.EndOp();
}

void SvgParser::Image(const XmlNode& n)
{
	StartElement(n);
	String ref = n.Attr("xlink:href");
	String data;
	if(resloader)
		resloader(ref, data);
	if(!data.IsEmpty()) {
		Qel::Image img = LoadImageString(data);
		if(!img.IsEmpty()) {
			double x = Dbl("x", HORZ), y = Dbl("y", VERT), cx = Dbl("width", HORZ), cy = Dbl("height", VERT);
			Size isz = img.GetSize();
			bp.RectPath(x, y, cx, cy);
			// the image stretched over the rectangle
			Xform2D m;
			m.x = Pointf(cx / isz.cx, 0);
			m.y = Pointf(0, cy / isz.cy);
			m.t = Pointf(x, y);
			sw.FillOp(img, m, 0);
			bp.Bounds(0);
			painted = true;
		}
	}
	EndElement();
}

void SvgParser::StyleSheet(const XmlNode& n)
{
	ParseClasses(~n.GatherText(), classes);
}

void SvgParser::DoText(const XmlNode& n)
{
	String t;
	for(char c : n.GatherText())
		if(c == '\n' || c == '\t')
			t.Cat(' ');
		else if(c != '\r')
			t.Cat(c);
	if(t.IsEmpty())
		return;
	const State& s = Top();
	Font font = s.font;
	WString w = t.ToWString();
	double x = Dbl("x", HORZ);
	if(s.text_anchor) {
		double width = 0;
		for(int i = 0; i < w.GetCount(); i++)
			width += font.GetWidth(w[i]);
		x -= s.text_anchor == 1 ? width / 2 : width;
	}
	double y = Dbl("y", VERT) - font.GetAscent();
	bp.TextOp(Pointf(x, y), w.begin(), font, w.GetCount(), nullptr);
}

void SvgParser::Text(const XmlNode& n)
{
	StartElement(n);
	DoText(n);
	bool tspans = false;
	for(int i = 0; i < n.GetCount(); i++)
		if(n.Node(i).IsTag("tspan")) {
			if(!tspans) {
				// each run is painted once, in its own element's style
				PaintFill();
				PaintStroke();
				tspans = true;
			}
			bool own = painted;
			StartElement(n.Node(i));
			DoText(n.Node(i));
			FinishElement();
			painted = own;
		}
	if(tspans)
		EndElement();
	else
		FinishElement();
}

// Work units of drawing an element once: referenced content may be drawn many times over, so
// the budget counts what it takes to draw, not just elements.
int SvgParser::Cost(const XmlNode& n)
{
	int64 c = 1 + n.GetCount();
	for(int i = 0; i < n.GetAttrCount(); i++)
		c += n.Attr(i).GetLength() / 64;
	for(int i = 0; i < n.GetCount(); i++)
		if(n.Node(i).IsText())
			c += n.Node(i).GetText().GetLength() / 4;
	return (int)std::min<int64>(c, INT_MAX / 2);
}

void SvgParser::Element(const XmlNode& n, int depth, bool use)
{
	if(depth > MAX_DEPTH || !n.IsTag())
		return;
	if(budget <= 0)
		return;
	budget -= Cost(n);
	const String& tag = n.GetText();
	if(tag == "defs") {
		for(int i = 0; i < n.GetCount(); i++) {
			const XmlNode& c = n.Node(i);
			if(c.IsTag("linearGradient"))
				ParseGradient(c, false);
			else if(c.IsTag("radialGradient"))
				ParseGradient(c, true);
		}
	}
	else if(tag == "linearGradient")
		ParseGradient(n, false);
	else if(tag == "radialGradient")
		ParseGradient(n, true);
	else if(tag == "rect")
		Rect(n);
	else if(tag == "ellipse")
		Ellipse(n, false);
	else if(tag == "circle")
		Ellipse(n, true);
	else if(tag == "line") {
		StartElement(n);
		bp.MoveOp(Pointf(Dbl("x1", HORZ), Dbl("y1", VERT)), false);
		bp.LineOp(Pointf(Dbl("x2", HORZ), Dbl("y2", VERT)), false);
		FinishElement();
	}
	else if(tag == "polygon")
		Poly(n, false);
	else if(tag == "polyline")
		Poly(n, true);
	else if(tag == "path") {
		StartElement(n);
		ParseSvgPathData(bp, n.Attr("d"));
		FinishElement();
	}
	else if(tag == "image")
		Image(n);
	else if(tag == "text")
		Text(n);
	else if(tag == "g")
		Items(n, depth + 1);
	else if(tag == "symbol") {
		if(use)
			Items(n, depth + 1);
	}
	else if(tag == "use")
		Use(n, depth);
	else if(tag == "svg")
		NestedSvg(n, depth);
	else if(tag == "style")
		StyleSheet(n);
}

bool SvgParser::ParseXml(const char* svg, XmlNode& doc)
{
	try {
		doc = ParseXmlTree(svg ? svg : "", XT_SKIP_DECLS | XT_SKIP_PIS | XT_SKIP_COMMENTS);
	}
	catch(const XmlError&) {
		return false;
	}
	return true;
}

void SvgParser::Walk(const XmlNode& doc, int64 length)
{
	// room to draw the document several times over through references
	budget = (int)std::min<int64>(MAX_ELEMENTS + length / 8, INT_MAX / 2);
	IndexIds(doc);
	for(int i = 0; i < doc.GetCount(); i++) {
		const XmlNode& root = doc.Node(i);
		if(root.IsTag("svg")) {
			state[0].viewport = Sizef(100, 100);
			state[0].viewport = GetViewport(root);
			StartElement(root);
			for(int j = 0; j < root.GetCount(); j++)
				Element(root.Node(j), 0, false);
			EndElement();
		}
	}
}

bool SvgParser::Parse(const char* svg)
{
	XmlNode doc;
	if(!ParseXml(svg, doc))
		return false;
	Walk(doc, svg ? (int64)strlen(svg) : 0);
	return true;
}

} // namespace detail

bool RenderSVG(Painter& p, const char* svg, SvgResourceLoader resloader)
{
	detail::SvgParser sp(p);
	sp.resloader = std::move(resloader);
	return sp.Parse(svg);
}

Rectf GetSVGBoundingBox(const char* svg)
{
	NilPainter nil;
	detail::SvgParser sp(nil);
	sp.bp.compute_bounds = true;
	return sp.Parse(svg) ? sp.bp.GetBounds() : BoundsPainter::NullRect();
}

bool IsSVG(const char* svg)
{
	try {
		XmlParser p(svg ? svg : "");
		while(!p.IsEof() && !p.AtStartTag())
			p.SkipElement();
		return p.AtStartTag("svg");
	}
	catch(const XmlError&) {
		return false;
	}
}

Rectf GetSvgPathBoundingBox(const char* path)
{
	NilPainter nil;
	BoundsPainter bp(nil);
	ParseSvgPathData(bp, path);
	bp.FillOp(Color(0, 0, 0).ToRGBA());
	return bp.GetPathBox();
}

} // namespace Qel
