// Gradients of SVG documents: collected as the walk meets them, completed from the gradient
// they reference on first use, and mapped onto the bounding box of the element's path.
#include "detail/SvgParser.h"

#include <Core/text/FormatDouble.h>

#include <cmath>
#include <limits>

namespace Qel::detail {

static const double sUnset = -std::numeric_limits<double>::infinity();

// An offset written as a percentage is a fraction like any other.
static double sOffset(const String& text)
{
	const char* end = nullptr;
	double v = ScanDouble(~text, &end);
	if(!IsNull(v) && end) {
		while(*end == ' ' || *end == '\t' || *end == '\n' || *end == '\r')
			end++;
		if(*end == '%')
			v /= 100;
	}
	return v;
}

SvgParser::Stop SvgParser::ParseStop(const XmlNode& n)
{
	Color color;
	double opacity = 1, offset = 0;
	String style = n.Attr("style");
	const char* s = ~style;
	while(*s) {
		const char* e = strchr(s, ';');
		if(!e)
			e = s + strlen(s);
		String decl(s, e);
		int q = decl.Find(':');
		if(q >= 0) {
			String name = TrimBoth(decl.Left(q)), value = TrimBoth(decl.Mid(q + 1));
			if(name == "stop-color")
				color = GetSvgColor(value);
			else if(name == "stop-opacity")
				opacity = ScanDouble(~value);
			else if(name == "offset")
				offset = sOffset(value);
		}
		s = *e ? e + 1 : e;
	}
	String v = n.Attr("stop-color");
	if(!v.IsEmpty())
		color = GetSvgColor(v);
	v = n.Attr("stop-opacity");
	if(!v.IsEmpty()) {
		double o = ScanDouble(~v);
		if(!IsNull(o))
			opacity = o;
	}
	double o = sOffset(n.Attr("offset"));
	if(!IsNull(o))
		offset = o;
	// an unreadable opacity from the style text is no opacity
	double a = IsNull(opacity) ? 0 : opacity * 255 + 0.5;
	int alpha = a < 0 ? 0 : a > 255 ? 255 : (int)a;
	Stop stop;
	stop.offset = offset;
	// a stop without a colour is black
	int m = alpha + alpha / 128;
	stop.color.r = byte(color.GetR() * m / 256);
	stop.color.g = byte(color.GetG() * m / 256);
	stop.color.b = byte(color.GetB() * m / 256);
	stop.color.a = byte(alpha);
	return stop;
}

void SvgParser::ParseGradient(const XmlNode& n, bool radial)
{
	Gradient& g = gradient.Add(n.Attr("id"));
	g.radial = radial;
	g.user_space = n.Attr("gradientUnits") == "userSpaceOnUse";
	g.transform = n.Attr("gradientTransform");
	g.href = n.Attr("xlink:href");
	g.resolved = g.href.IsEmpty();
	auto get = [&](const char* id, double def) {
		double v = ScanDouble(~n.Attr(id));
		return IsNull(v) ? g.resolved ? def : sUnset : v;
	};
	g.cx = get("cx", 0.5);
	g.cy = get("cy", 0.5);
	g.r = get("r", 1);
	double v = ScanDouble(~n.Attr("fx"));
	g.fx = IsNull(v) ? g.cx : v;
	v = ScanDouble(~n.Attr("fy"));
	g.fy = IsNull(v) ? g.cy : v;
	g.x1 = get("x1", 0);
	g.y1 = get("y1", 0);
	g.x2 = get("x2", sUnset);
	g.y2 = get("y2", 0);
	String spread = n.Attr("spreadMethod");
	g.style = spread == "pad" ? 0 : spread == "repeat" ? 1 : spread == "reflect" ? 2 : int(0x80000000);
	for(int i = 0; i < n.GetCount() && g.stops.GetCount() < MAX_STOPS; i++)
		if(n.Node(i).IsTag("stop"))
			g.stops.Add(ParseStop(n.Node(i)));
}

// Chains of references are followed in a loop, not by recursion: documents may chain thousands.
void SvgParser::ResolveGradient(int i)
{
	Vector<int> chain;
	for(;;) {
		Gradient& g = gradient[i];
		if(g.resolved || g.href.GetLength() < 2)
			break;
		g.resolved = true;
		int f = gradient.Find(g.href.Mid(1));
		if(f < 0)
			break;
		chain.Add(i);
		chain.Add(f);
		i = f;
	}
	// pairs (referrer, referenced), completed from the far end of the chain
	for(int k = chain.GetCount() - 2; k >= 0; k -= 2) {
		Gradient& g = gradient[chain[k]];
		const Gradient& f = gradient[chain[k + 1]];
		if(g.stops.IsEmpty() && &g != &f)
			g.stops.Append(f.stops);
		auto take = [](double& a, double b) { if(IsNull(a)) a = b; };
		take(g.x1, f.x1);
		take(g.y1, f.y1);
		take(g.x2, f.x2);
		take(g.y2, f.y2);
		take(g.cx, f.cx);
		take(g.cy, f.cy);
		take(g.fx, f.fx);
		take(g.fy, f.fy);
		take(g.r, f.r);
		take(g.x1, 0);
		take(g.y1, 0);
		take(g.cx, 0.5);
		take(g.cy, 0.5);
		take(g.fx, g.cx);
		take(g.fy, g.cy);
		take(g.r, 1);
		if(g.transform.IsEmpty())
			g.transform = f.transform;
		if(IsNull(g.style))
			g.style = IsNull(f.style) ? 0 : f.style;
	}
}

void SvgParser::PaintGradient(int i, bool stroke)
{
	ResolveGradient(i);
	Gradient& g = gradient[i];
	if(g.stops.IsEmpty())
		return;
	const Rectf& box = bp.GetPathBox();
	Pointf tl(box.left, box.top);
	Sizef size(box.right - box.left, box.bottom - box.top);
	// Unset coordinates take their usual defaults.
	auto def = [](double v, double d) { return IsNull(v) ? d : v; };
	Pointf c(def(g.cx, 0.5), def(g.cy, 0.5));
	double r = def(g.r, 1);
	Pointf p1(def(g.x1, 0), def(g.y1, 0));
	Pointf p2(IsNull(g.x2) ? g.user_space ? box.right : 1 : g.x2, def(g.y2, 0));
	Pointf f(def(g.fx, c.x), def(g.fy, c.y));
	if(BoundsPainter::IsEmpty(box))
		return;
	// In box units an empty box gives no geometry to map onto; in user space the gradient is
	// built where it stands, so no division by the box size is needed.
	if(!g.user_space && !(size.cx > 0 && size.cy > 0))
		return;
	Xform2D m;
	Pointf focus;
	if(g.radial) {
		m.x = Pointf(r, 0);
		m.y = Pointf(0, r);
		m.t = c;
		focus = r != 0 ? Pointf((f.x - c.x) / r, (f.y - c.y) / r) : Pointf(0, 0);
	}
	else {
		Pointf d(p2.x - p1.x, p2.y - p1.y);
		m.x = Pointf(d.x, -d.y);
		m.y = Pointf(d.y, d.x);
		m.t = p1;
	}
	if(!g.user_space)
		m = m * Xform2D::Scale(size.cx, size.cy) * Xform2D::Translation(tl.x, tl.y);
	if(!g.transform.IsEmpty())
		m = m * Transform(~g.transform);
	RGBA c1 = g.stops[0].color, c2 = g.stops.Top().color;
	int style = IsNull(g.style) ? 0 : g.style;
	for(const Stop& s : g.stops)
		sw.ColorStopOp(s.offset, s.color);
	double w = Top().stroke_width;
	if(stroke) {
		if(g.radial)
			sw.StrokeOp(w, focus, c1, c2, m, style);
		else
			sw.StrokeOp(w, c1, c2, m, style);
	}
	else if(g.radial)
		sw.FillOp(focus, c1, c2, m, style);
	else
		sw.FillOp(c1, c2, m, style);
	bp.Bounds(stroke ? w : 0);
	sw.ClearStopsOp();
	painted = true;
}

} // namespace Qel::detail
