// Gradients of SVG documents: collected as the walk meets them, completed from the gradient
// they reference on first use, and mapped onto the bounding box of the element's path.
#include "detail/SvgParser.h"

#include <cmath>

namespace Qel::detail {

namespace {

// A number or a percentage, as a fraction; false for anything else.
bool sFraction(const String& text, double& v)
{
	SvgParser::Unit u;
	if(!SvgParser::ReadLength(text, v, u) || (u != SvgParser::NUMBER && u != SvgParser::PERCENT))
		return false;
	if(u == SvgParser::PERCENT)
		v /= 100;
	return true;
}

double sClamp01(double v)
{
	return v < 0 ? 0 : v > 1 ? 1 : v;
}

} // namespace

SvgParser::Stop SvgParser::ParseStop(const XmlNode& n, const Ink& color, const Ink& inherited)
{
	Ink ink;
	double opacity = 1, offset = 0;
	auto set = [&](const String& name, const String& value) {
		double v;
		if(name == "stop-color") {
			if(value == "inherit")
				ink = inherited;
			else if(Ink k; ParseInk(value, k))
				ink = k.current ? color : k;
		}
		else if(name == "stop-opacity") {
			if(sFraction(value, v))
				opacity = v;
		}
		else if(name == "offset") {
			if(sFraction(value, v))
				offset = v;
		}
	};
	String style = n.Attr("style");
	const char* s = ~style;
	while(*s) {
		const char* e = strchr(s, ';');
		if(!e)
			e = s + strlen(s);
		String decl(s, e);
		int q = decl.Find(':');
		if(q >= 0)
			set(TrimBoth(decl.Left(q)), TrimBoth(decl.Mid(q + 1)));
		s = *e ? e + 1 : e;
	}
	for(const char* name : { "stop-color", "stop-opacity", "offset" }) {
		String v = TrimBoth(n.Attr(name));
		if(!v.IsEmpty())
			set(name, v);
	}
	// a stop without a colour is black
	if(ink.color.IsNull())
		ink.alpha = 0;
	double a = sClamp01(opacity) * ink.alpha * 255 + 0.5;
	Stop stop;
	stop.offset = sClamp01(offset);
	stop.color = MakeRGBA(a <= 0 ? 0 : a >= 255 ? 255 : (int)a, ink.color.IsNull() ? Color(0, 0, 0) : ink.color);
	return stop;
}

SvgParser::Stop SvgParser::ParseStop(const XmlNode& n)
{
	return ParseStop(n, Ink(), Ink());
}

void SvgParser::ParseGradient(const XmlNode& n, bool radial)
{
	Gradient& g = gradient.Add(n.Attr("id"));
	g.radial = radial;
	String units = n.Attr("gradientUnits");
	g.units = units == "userSpaceOnUse" ? 1 : units == "objectBoundingBox" ? 0 : -1;
	g.transform = n.Attr("gradientTransform");
	g.href = n.Attr("xlink:href");
	if(g.href.IsEmpty())
		g.href = n.Attr("href");
	g.resolved = g.href.IsEmpty();
	// Percentages stay percentages until the gradient paints: of the box, or of the viewport.
	auto get = [&](const char* id, Axis axis) {
		Coord c;
		double v;
		Unit u;
		if(ReadLength(n.Attr(id), v, u)) {
			c.pct = u == PERCENT;
			c.v = c.pct ? v : Resolve(v, u, axis);
		}
		return c;
	};
	if(radial) {
		g.cx = get("cx", HORZ);
		g.cy = get("cy", VERT);
		g.r = get("r", DIAGONAL);
		g.fx = get("fx", HORZ);
		g.fy = get("fy", VERT);
	}
	else {
		g.x1 = get("x1", HORZ);
		g.y1 = get("y1", VERT);
		g.x2 = get("x2", HORZ);
		g.y2 = get("y2", VERT);
	}
	String spread = n.Attr("spreadMethod");
	g.style = spread == "pad" ? 0 : spread == "repeat" ? 1 : spread == "reflect" ? 2 : INT_NULL;
	// currentColor and inherit in the stops take the gradient element's own properties
	Ink color = Top().color, inherited;
	if(Ink k; ParseInk(n.Attr("color"), k) && !k.current)
		color = k;
	if(Ink k; ParseInk(n.Attr("stop-color"), k))
		inherited = k.current ? color : k;
	double last = 0;
	for(int i = 0; i < n.GetCount() && g.stops.GetCount() < MAX_STOPS; i++)
		if(n.Node(i).IsTag("stop")) {
			Stop s = ParseStop(n.Node(i), color, inherited);
			s.offset = last = std::max(s.offset, last); // never before the one before
			g.stops.Add(s);
		}
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
	// pairs (referrer, referenced), completed from the far end of the chain; the geometry comes
	// only from a gradient of the same kind
	for(int k = chain.GetCount() - 2; k >= 0; k -= 2) {
		Gradient& g = gradient[chain[k]];
		const Gradient& f = gradient[chain[k + 1]];
		if(g.stops.IsEmpty() && &g != &f)
			g.stops.Append(f.stops);
		if(g.units < 0)
			g.units = f.units;
		if(g.transform.IsEmpty())
			g.transform = f.transform;
		if(IsNull(g.style))
			g.style = f.style;
		if(g.radial == f.radial) {
			auto take = [](Coord& a, const Coord& b) { if(IsNull(a.v)) a = b; };
			take(g.x1, f.x1);
			take(g.y1, f.y1);
			take(g.x2, f.x2);
			take(g.y2, f.y2);
			take(g.cx, f.cx);
			take(g.cy, f.cy);
			take(g.fx, f.fx);
			take(g.fy, f.fy);
			take(g.r, f.r);
		}
	}
}

bool SvgParser::PaintGradient(int i, bool stroke)
{
	ResolveGradient(i);
	const Gradient& g = gradient[i];
	const Rectf& box = bp.GetPathBox();
	if(g.stops.IsEmpty() || BoundsPainter::IsEmpty(box))
		return false;
	bool user = g.units == 1;
	Pointf tl(box.left, box.top);
	Sizef size(box.right - box.left, box.bottom - box.top);
	// a box without area gives box units nothing to map onto
	if(!user && !(size.cx > 0 && size.cy > 0))
		return false;
	const Sizef& vp = Top().viewport;
	// unset coordinates take their defaults, given as percentages
	auto at = [&](const Coord& c, double pct, Axis axis) {
		double v = IsNull(c.v) ? pct : c.v;
		if(!IsNull(c.v) && !c.pct)
			return v;
		if(!user)
			return v / 100;
		double base = axis == HORZ ? vp.cx : axis == VERT ? vp.cy
		              : std::sqrt((vp.cx * vp.cx + vp.cy * vp.cy) / 2);
		return v * base / 100;
	};
	double w = Top().stroke_width;
	const RGBA& last = g.stops.Top().color;
	auto solid = [&] { // a gradient without extent shows its last colour
		if(stroke)
			sw.StrokeOp(w, last);
		else
			sw.FillOp(last);
		bp.Bounds(stroke ? w : 0);
		painted = true;
		return true;
	};
	Xform2D m;
	Pointf focus(0, 0);
	if(g.radial) {
		Pointf c(at(g.cx, 50, HORZ), at(g.cy, 50, VERT));
		double r = at(g.r, 50, DIAGONAL);
		Pointf f(IsNull(g.fx.v) ? c.x : at(g.fx, 50, HORZ), IsNull(g.fy.v) ? c.y : at(g.fy, 50, VERT));
		if(!(r >= 0) || !std::isfinite(r))
			return false;
		if(r == 0)
			return solid();
		// a focus outside the circle is moved onto it, just inside so the cone stays defined
		Pointf d(f.x - c.x, f.y - c.y);
		double dl = std::sqrt(d.x * d.x + d.y * d.y), lim = r * 0.999;
		if(dl > lim) {
			d.x *= lim / dl;
			d.y *= lim / dl;
		}
		m.x = Pointf(r, 0);
		m.y = Pointf(0, r);
		m.t = c;
		focus = Pointf(d.x / r, d.y / r);
	}
	else {
		Pointf p1(at(g.x1, 0, HORZ), at(g.y1, 0, VERT));
		Pointf p2(at(g.x2, 100, HORZ), at(g.y2, 0, VERT));
		Pointf d(p2.x - p1.x, p2.y - p1.y);
		if(d.x == 0 && d.y == 0)
			return solid();
		m.x = Pointf(d.x, -d.y);
		m.y = Pointf(d.y, d.x);
		m.t = p1;
	}
	// the gradient's own transform, then the box
	if(!g.transform.IsEmpty())
		m = m * Transform(~g.transform);
	if(!user)
		m = m * Xform2D::Scale(size.cx, size.cy) * Xform2D::Translation(tl.x, tl.y);
	RGBA c1 = g.stops[0].color;
	int style = IsNull(g.style) ? 0 : g.style;
	for(const Stop& s : g.stops)
		sw.ColorStopOp(s.offset, s.color);
	if(stroke) {
		if(g.radial)
			sw.StrokeOp(w, focus, c1, last, m, style);
		else
			sw.StrokeOp(w, c1, last, m, style);
	}
	else if(g.radial)
		sw.FillOp(focus, c1, last, m, style);
	else
		sw.FillOp(c1, last, m, style);
	bp.Bounds(stroke ? w : 0);
	sw.ClearStopsOp();
	painted = true;
	return true;
}

} // namespace Qel::detail
