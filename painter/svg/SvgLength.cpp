// Numbers and lengths of SVG documents: units, percentages of the viewport and the font size.
#include "detail/SvgParser.h"

#include <Core/detail/ScanDouble.h>

#include <cmath>

namespace Qel::detail {

namespace {

inline bool sIsDigit(int c) { return c >= '0' && c <= '9'; }
inline bool sIsBlank(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
inline int  sLower(int c)   { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

struct sUnitName {
	char                 name[3];
	SvgParser::Unit      unit;
};

const sUnitName sUnits[] = {
	{ "px", SvgParser::PX }, { "pt", SvgParser::PT }, { "pc", SvgParser::PC }, { "mm", SvgParser::MM },
	{ "cm", SvgParser::CM }, { "in", SvgParser::IN }, { "em", SvgParser::EM }, { "ex", SvgParser::EX },
};

} // namespace

// Optional sign, digits with an optional fraction, and an exponent only where digits follow the
// "e": "2em" is 2 in em, "2e1" is 20.
const char* SvgParser::ScanNumber(const char* s, double& v)
{
	bool neg = *s == '-';
	s += *s == '-' || *s == '+';
	if(!sIsDigit(*s) && !(*s == '.' && sIsDigit(s[1])))
		return nullptr;
	const char* b = s;
	s = ScanUnsignedDouble(v, b, 0, false);
	if(!s)
		return nullptr;
	if((*s | 0x20) == 'e') {
		const char* e = s + 1;
		e += *e == '-' || *e == '+';
		if(sIsDigit(*e)) {
			s = ScanUnsignedDouble(v, b, 0, true);
			if(!s)
				return nullptr;
		}
	}
	if(neg)
		v = -v;
	return s;
}

bool SvgParser::ReadLength(const char*& s, double& v, Unit& unit)
{
	const char* e = ScanNumber(s, v);
	if(!e || !std::isfinite(v))
		return false;
	unit = NUMBER;
	if(*e == '%') {
		unit = PERCENT;
		e++;
	}
	else if((*e | 0x20) >= 'a' && (*e | 0x20) <= 'z') {
		const sUnitName* u = nullptr;
		for(const sUnitName& x : sUnits)
			if(sLower(e[0]) == x.name[0] && sLower(e[1]) == x.name[1])
				u = &x;
		if(!u)
			return false;
		e += 2;
		if((*e | 0x20) >= 'a' && (*e | 0x20) <= 'z')
			return false; // a longer unit name
		unit = u->unit;
	}
	s = e;
	return true;
}

bool SvgParser::ReadLength(const String& text, double& v, Unit& unit)
{
	const char* s = ~text;
	while(sIsBlank(*s))
		s++;
	if(!ReadLength(s, v, unit))
		return false;
	while(sIsBlank(*s))
		s++;
	return *s == '\0';
}

double SvgParser::Resolve(double v, Unit unit, Axis axis) const
{
	switch(unit) {
	case PT:      return v * 96 / 72;
	case PC:      return v * 96 / 6;
	case MM:      return v * 96 / 25.4;
	case CM:      return v * 96 / 2.54;
	case IN:      return v * 96;
	case EM:      return v * state.Top().font_size;
	case EX:      return v * state.Top().font_size / 2;
	case PERCENT: {
		const Sizef& vp = state.Top().viewport;
		double base = axis == HORZ ? vp.cx : axis == VERT ? vp.cy
		              : std::sqrt((vp.cx * vp.cx + vp.cy * vp.cy) / 2);
		return v * base / 100;
	}
	default:      return v;
	}
}

double SvgParser::Length(const String& text, Axis axis, double def) const
{
	double v;
	Unit u;
	if(!ReadLength(text, v, u))
		return def;
	v = Resolve(v, u, axis);
	return std::isfinite(v) ? v : def;
}

double SvgParser::Dbl(const char* id, Axis axis, double def) const
{
	if(!current)
		return def;
	return Length(current->Attr(id), axis, def);
}

Sizef SvgParser::GetSize(const XmlNode& n) const
{
	double inf = -std::numeric_limits<double>::infinity();
	Sizef sz(Length(n.Attr("width"), HORZ, inf), Length(n.Attr("height"), VERT, inf));
	if(IsNull(sz.cx) || IsNull(sz.cy))
		sz.cx = sz.cy = inf;
	return sz;
}

Pointf SvgParser::GetPoint(const XmlNode& n) const
{
	double inf = -std::numeric_limits<double>::infinity();
	Pointf p(Length(n.Attr("x"), HORZ, inf), Length(n.Attr("y"), VERT, inf));
	if(IsNull(p.x) || IsNull(p.y))
		p.x = p.y = inf;
	return p;
}

// What percentages inside an svg element are taken of: its view box, else its size, else the
// viewport it sits in.
Sizef SvgParser::GetViewport(const XmlNode& n) const
{
	Rectf vb = GetViewBox(n);
	if(!BoundsPainter::IsEmpty(vb) && vb.right > vb.left && vb.bottom > vb.top)
		return Sizef(vb.right - vb.left, vb.bottom - vb.top);
	Sizef sz = GetSize(n);
	if(!IsNull(sz.cx) && sz.cx > 0 && sz.cy > 0)
		return sz;
	return state.Top().viewport;
}

} // namespace Qel::detail
