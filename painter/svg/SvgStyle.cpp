// Style properties and transform lists of SVG documents.
#include "detail/SvgParser.h"

#include <Core/text/CParser.h>
#include <Core/text/Charset.h>
#include <Core/text/FormatDouble.h>
#include <Core/thread/Thread.h>

#include <atomic>
#include <cmath>

namespace Qel {

namespace {

bool sIsAlpha(int c)  { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool sIsNumber(const CParser& p)
{
	const char* s = p.GetPtr();
	if(*s == '+' || *s == '-')
		s++;
	if(*s == '.')
		s++;
	return *s >= '0' && *s <= '9';
}

} // namespace

namespace detail {

Xform2D SvgParser::Transform(const char* text)
{
	Xform2D result;
	try {
		CParser p(text ? text : "");
		while(!p.IsEof()) {
			String kind = ToLower(p.ReadId());
			p.Char('(');
			double a[6];
			int n = 0;
			while(!p.IsEof() && !p.Char(')')) {
				double v = p.ReadDouble();
				if(n < 6)
					a[n++] = v;
				p.Char(',');
			}
			Xform2D m;
			if(n > 0) {
				if(kind == "translate")
					m = Xform2D::Translation(a[0], n > 1 ? a[1] : 0);
				else if(kind == "rotate") {
					m = Xform2D::Rotation(a[0] * M_PI / 180);
					if(n >= 3)
						m = Xform2D::Translation(-a[1], -a[2]) * m * Xform2D::Translation(a[1], a[2]);
				}
				else if(kind == "scale")
					m = Xform2D::Scale(a[0], n > 1 ? a[1] : a[0]);
				else if(kind == "skewx")
					m.x.y = std::tan(a[0] * M_PI / 180);
				else if(kind == "skewy")
					m.y.x = std::tan(a[0] * M_PI / 180);
				else if(kind == "matrix" && n >= 6) {
					m.x = Pointf(a[0], a[2]);
					m.y = Pointf(a[1], a[3]);
					m.t = Pointf(a[4], a[5]);
				}
			}
			result = m * result;
			p.Char(',');
		}
	}
	catch(const CParser::Error&) {
		// what was read stands
	}
	return result;
}

Vector<Pointf> SvgParser::ParsePoints(const char* text)
{
	Vector<Pointf> r;
	try {
		CParser p(text ? text : "");
		while(!p.IsEof()) {
			Pointf pt;
			// coordinates land on whole units
			pt.x = std::trunc(p.ReadDouble());
			p.Char(',');
			pt.y = std::trunc(p.ReadDouble());
			p.Char(',');
			r.Add(pt);
		}
	}
	catch(const CParser::Error&) {
		// the points read so far stand
	}
	return r;
}

void SvgParser::Style(const char* text)
{
	String name, value;
	for(const char* s = text; ; s++) {
		if(*s == ':') {
			name.Cat(TrimBoth(value));
			value.Clear();
		}
		else if(*s == ';' || *s == '\0') {
			ProcessValue(name, value);
			name.Clear();
			value.Clear();
			if(*s == '\0')
				break;
		}
		else
			value.Cat(*s);
	}
}

// A dash pattern is a list of lengths; one that is negative, or a list whose sum is zero, draws
// the line solid.
void SvgParser::SetDash()
{
	const State& s = Top();
	Vector<double> d;
	if(s.dash_array != "none") {
		const char* p = ~s.dash_array;
		double sum = 0;
		for(;;) {
			while(*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == ',')
				p++;
			if(!*p)
				break;
			double v;
			Unit u;
			if(!ReadLength(p, v, u) || (v = Resolve(v, u, DIAGONAL)) < 0 || !std::isfinite(v)) {
				d.Clear();
				break;
			}
			d.Add(v);
			sum += v;
		}
		if(!(sum > 0) || !std::isfinite(sum))
			d.Clear();
		for(int i = 0, n = d.GetCount(); n & 1 && i < n; i++)
			d.Add(d[i]); // an odd list is repeated to make it even
	}
	sw.DashOp(d, s.dash_offset);
}

namespace {

// A number or a percentage, for opacities: clamped to 0 ... 1.
bool sClampedFraction(const String& text, double& v)
{
	SvgParser::Unit u;
	if(!SvgParser::ReadLength(text, v, u) || (u != SvgParser::NUMBER && u != SvgParser::PERCENT))
		return false;
	if(u == SvgParser::PERCENT)
		v /= 100;
	v = v < 0 ? 0 : v > 1 ? 1 : v;
	return true;
}

bool sNumber(const String& text, double& v)
{
	SvgParser::Unit u;
	return SvgParser::ReadLength(text, v, u) && u == SvgParser::NUMBER;
}

int sLeadingInt(const char* s)
{
	while(*s == ' ' || *s == '\t')
		s++;
	int64 v = 0;
	for(; *s >= '0' && *s <= '9'; s++)
		v = std::min<int64>(v * 10 + (*s - '0'), 1000000);
	return (int)v;
}

} // namespace

bool SvgParser::GetRGBA(const Ink& ink, RGBA& c) const
{
	const Ink& k = ink.current ? state.Top().color : ink;
	if(k.color.IsNull())
		return false;
	double a = ink.alpha * (ink.current ? k.alpha : 1) * 255 + 0.5;
	c = MakeRGBA(a <= 0 ? 0 : a >= 255 ? 255 : (int)a, k.color);
	return true;
}

// "url(#id)" names a gradient, perhaps with a colour after it for when it cannot paint; a value
// that is not a paint leaves the property as it was.
void SvgParser::SetPaint(Paint& paint, const String& value)
{
	Ink ink;
	if(value.StartsWith("url(")) {
		int e = value.Find(')', 4);
		String id = TrimBoth(value.Mid(4, (e < 0 ? value.GetLength() : e) - 4));
		if(id.StartsWith("#"))
			id.Remove(0);
		paint.gradient = gradient.Find(id);
		ink.color = Color();
		String fallback = e < 0 ? String() : TrimBoth(value.Mid(e + 1));
		if(!fallback.IsEmpty())
			ParseInk(fallback, ink);
		paint.ink = ink;
	}
	else if(ParseInk(value, ink)) {
		paint.gradient = -1;
		paint.ink = ink;
	}
	else if(value == "context-fill" || value == "context-stroke")
		paint = Paint{ -1, Ink{ Color(), 1, false } }; // no context here to take a paint from
}

void SvgParser::ProcessValue(const String& name, const String& value_)
{
	String value = TrimBoth(value_);
	if(value == "inherit")
		return;
	State& s = Top();
	double v;
	if(name == "opacity") {
		if(sClampedFraction(value, v))
			s.opacity = v * (state.GetCount() > 1 ? state[state.GetCount() - 2].opacity : 1);
	}
	else if(name == "fill")
		SetPaint(s.fill, value);
	else if(name == "fill-opacity") {
		if(sClampedFraction(value, v))
			s.fill_opacity = v;
	}
	else if(name == "fill-rule")
		sw.EvenOddOp(value == "evenodd");
	else if(name == "stroke")
		SetPaint(s.stroke, value);
	else if(name == "stroke-opacity") {
		if(sClampedFraction(value, v))
			s.stroke_opacity = v;
	}
	else if(name == "stroke-width") {
		v = Length(value, DIAGONAL, -1);
		if(v >= 0)
			s.stroke_width = v;
	}
	else if(name == "color") {
		Ink ink;
		if(ParseInk(value, ink) && !ink.current)
			s.color = ink;
	}
	else if(name == "stroke-linecap")
		sw.LineCapOp(value == "round" ? 2 : value == "square" ? 1 : 0);
	else if(name == "stroke-linejoin")
		sw.LineJoinOp(value == "round" ? 4 : value == "bevel" ? 5 : 3);
	else if(name == "miter-limit" || name == "stroke-miterlimit") {
		if(sNumber(value, v))
			sw.MiterLimitOp(std::max(1.0, v));
	}
	else if(name == "stroke-dasharray") {
		s.dash_array = value;
		SetDash();
	}
	else if(name == "stroke-dashoffset") {
		v = Length(value, DIAGONAL, s.dash_offset);
		s.dash_offset = v;
		SetDash();
	}
	else if(name == "font-family")
		s.font.Face(value == "roman;serif" ? Font::SERIF
		            : value == "courier" || value == "monospace" ? Font::MONOSPACE : Font::SANSSERIF);
	else if(name == "font-size") {
		// em and percentages of the font size the element inherits
		Unit u;
		if(ReadLength(value, v, u) && v >= 0) {
			v = u == PERCENT ? v * s.font_size / 100 : Resolve(v, u, DIAGONAL);
			if(std::isfinite(v)) {
				s.font_size = std::min(v, 32767.0);
				s.font.Height((int)s.font_size);
			}
		}
	}
	else if(name == "font-style")
		s.font.Italic(value == "italic" || value == "oblique");
	else if(name == "font-weight")
		s.font.Bold(value == "bold" || value == "bolder" || sLeadingInt(~value) >= 500);
	else if(name == "text-anchor")
		s.text_anchor = value == "middle" ? 1 : value == "right" || value == "end" ? 2 : 0;
}

void SvgParser::ParseClasses(const char* text, VectorMap<String, String>& classes)
{
	try {
		CParser p(text ? text : "");
		while(!p.IsEof()) {
			const char* s = p.GetPtr();
			if(s[0] == '.' && (sIsAlpha(s[1]) || s[1] == '_' || s[1] == '$')) {
				p.Char('.');
				String name = p.ReadId();
				if(p.Char('{')) {
					const char* b = p.GetPtr();
					while(!p.IsEof() && !p.IsChar('}'))
						p.SkipTerm();
					classes.Add(name, String(b, p.GetPtr()));
					p.Char('}');
				}
			}
			else if(p.Char('{')) {
				// a rule of another selector: its block is one term
				while(!p.IsEof() && !p.Char('}'))
					p.SkipTerm();
			}
			else
				p.SkipTerm();
		}
	}
	catch(const CParser::Error&) {
		// the classes read so far stand
	}
}

Rectf SvgParser::GetViewBox(const XmlNode& n)
{
	String vb = n.Attr("viewBox");
	Rectf null = BoundsPainter::NullRect();
	if(vb.IsEmpty())
		return null;
	try {
		CParser p(~vb);
		double v[4];
		for(int i = 0; i < 4; i++) {
			while(!p.IsEof() && !sIsNumber(p))
				p.SkipTerm();
			if(p.IsEof())
				return null;
			v[i] = p.ReadDouble();
		}
		return Rectf(v[0], v[1], v[0] + v[2], v[1] + v[3]);
	}
	catch(const CParser::Error&) {
		return null;
	}
}

} // namespace detail

} // namespace Qel
