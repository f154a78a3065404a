// Style properties, colours and transform lists of SVG documents.
#include "detail/SvgParser.h"

#include <Core/text/CParser.h>
#include <Core/text/Charset.h>
#include <Core/text/FormatDouble.h>
#include <Core/thread/Thread.h>

#include <atomic>
#include <cmath>

namespace Qel {

namespace {

struct sNamedColor {
	const char* name;
	byte r, g, b;
};

// The SVG colour keywords; of the grey pairs only the forms below are known.
const sNamedColor sColors[] = {
	{ "aliceblue", 240, 248, 255 }, { "antiquewhite", 250, 235, 215 }, { "aqua", 0, 255, 255 },
	{ "aquamarine", 127, 255, 212 }, { "azure", 240, 255, 255 }, { "beige", 245, 245, 220 },
	{ "bisque", 255, 228, 196 }, { "black", 0, 0, 0 }, { "blanchedalmond", 255, 235, 205 },
	{ "blue", 0, 0, 255 }, { "blueviolet", 138, 43, 226 }, { "brown", 165, 42, 42 },
	{ "burlywood", 222, 184, 135 }, { "cadetblue", 95, 158, 160 }, { "chartreuse", 127, 255, 0 },
	{ "chocolate", 210, 105, 30 }, { "coral", 255, 127, 80 }, { "cornflowerblue", 100, 149, 237 },
	{ "cornsilk", 255, 248, 220 }, { "crimson", 220, 20, 60 }, { "cyan", 0, 255, 255 },
	{ "darkblue", 0, 0, 139 }, { "darkcyan", 0, 139, 139 }, { "darkgoldenrod", 184, 134, 11 },
	{ "darkgray", 169, 169, 169 }, { "darkgreen", 0, 100, 0 }, { "darkkhaki", 189, 183, 107 },
	{ "darkmagenta", 139, 0, 139 }, { "darkolivegreen", 85, 107, 47 }, { "darkorange", 255, 140, 0 },
	{ "darkorchid", 153, 50, 204 }, { "darkred", 139, 0, 0 }, { "darksalmon", 233, 150, 122 },
	{ "darkseagreen", 143, 188, 143 }, { "darkslateblue", 72, 61, 139 }, { "darkslategray", 47, 79, 79 },
	{ "darkturquoise", 0, 206, 209 }, { "darkviolet", 148, 0, 211 }, { "deeppink", 255, 20, 147 },
	{ "deepskyblue", 0, 191, 255 }, { "dimgray", 105, 105, 105 }, { "dodgerblue", 30, 144, 255 },
	{ "firebrick", 178, 34, 34 }, { "floralwhite", 255, 250, 240 }, { "forestgreen", 34, 139, 34 },
	{ "fuchsia", 255, 0, 255 }, { "gainsboro", 220, 220, 220 }, { "ghostwhite", 248, 248, 255 },
	{ "gold", 255, 215, 0 }, { "goldenrod", 218, 165, 32 }, { "gray", 128, 128, 128 },
	{ "green", 0, 128, 0 }, { "greenyellow", 173, 255, 47 }, { "honeydew", 240, 255, 240 },
	{ "hotpink", 255, 105, 180 }, { "indianred", 205, 92, 92 }, { "indigo", 75, 0, 130 },
	{ "ivory", 255, 255, 240 }, { "khaki", 240, 230, 140 }, { "lavender", 230, 230, 250 },
	{ "lavenderblush", 255, 240, 245 }, { "lawngreen", 124, 252, 0 }, { "lemonchiffon", 255, 250, 205 },
	{ "lightblue", 173, 216, 230 }, { "lightcoral", 240, 128, 128 }, { "lightcyan", 224, 255, 255 },
	{ "lightgoldenrodyellow", 250, 250, 210 }, { "lightgrey", 211, 211, 211 }, { "lightgreen", 144, 238, 144 },
	{ "lightpink", 255, 182, 193 }, { "lightsalmon", 255, 160, 122 }, { "lightseagreen", 32, 178, 170 },
	{ "lightskyblue", 135, 206, 250 }, { "lightslategray", 119, 136, 153 }, { "lightsteelblue", 176, 196, 222 },
	{ "lightyellow", 255, 255, 224 }, { "lime", 0, 255, 0 }, { "limegreen", 50, 205, 50 },
	{ "linen", 250, 240, 230 }, { "magenta", 255, 0, 255 }, { "maroon", 128, 0, 0 },
	{ "mediumaquamarine", 102, 205, 170 }, { "mediumblue", 0, 0, 205 }, { "mediumorchid", 186, 85, 211 },
	{ "mediumpurple", 147, 112, 219 }, { "mediumseagreen", 60, 179, 113 }, { "mediumslateblue", 123, 104, 238 },
	{ "mediumspringgreen", 0, 250, 154 }, { "mediumturquoise", 72, 209, 204 }, { "mediumvioletred", 199, 21, 133 },
	{ "midnightblue", 25, 25, 112 }, { "mintcream", 245, 255, 250 }, { "mistyrose", 255, 228, 225 },
	{ "moccasin", 255, 228, 181 }, { "navajowhite", 255, 222, 173 }, { "navy", 0, 0, 128 },
	{ "oldlace", 253, 245, 230 }, { "olive", 128, 128, 0 }, { "olivedrab", 107, 142, 35 },
	{ "orange", 255, 165, 0 }, { "orangered", 255, 69, 0 }, { "orchid", 218, 112, 214 },
	{ "palegoldenrod", 238, 232, 170 }, { "palegreen", 152, 251, 152 }, { "paleturquoise", 175, 238, 238 },
	{ "palevioletred", 219, 112, 147 }, { "papayawhip", 255, 239, 213 }, { "peachpuff", 255, 218, 185 },
	{ "peru", 205, 133, 63 }, { "pink", 255, 192, 203 }, { "plum", 221, 160, 221 },
	{ "powderblue", 176, 224, 230 }, { "purple", 128, 0, 128 }, { "red", 255, 0, 0 },
	{ "rosybrown", 188, 143, 143 }, { "royalblue", 65, 105, 225 }, { "saddlebrown", 139, 69, 19 },
	{ "salmon", 250, 128, 114 }, { "sandybrown", 244, 164, 96 }, { "seagreen", 46, 139, 87 },
	{ "seashell", 255, 245, 238 }, { "sienna", 160, 82, 45 }, { "silver", 192, 192, 192 },
	{ "skyblue", 135, 206, 235 }, { "slateblue", 106, 90, 205 }, { "slategray", 112, 128, 144 },
	{ "snow", 255, 250, 250 }, { "springgreen", 0, 255, 127 }, { "steelblue", 70, 130, 180 },
	{ "tan", 210, 180, 140 }, { "teal", 0, 128, 128 }, { "thistle", 216, 191, 216 },
	{ "tomato", 255, 99, 71 }, { "turquoise", 64, 224, 208 }, { "violet", 238, 130, 238 },
	{ "wheat", 245, 222, 179 }, { "white", 255, 255, 255 }, { "whitesmoke", 245, 245, 245 },
	{ "yellow", 255, 255, 0 }, { "yellowgreen", 154, 205, 50 },
};

static_assert(sizeof(sColors) / sizeof(sColors[0]) == 140);

const VectorMap<String, int>& sColorMap()
{
	static std::atomic<bool> ready;
	static VectorMap<String, int>* map;
	if(!ready.load(std::memory_order_acquire)) {
		static StaticMutex lock;
		Mutex::Lock guard(lock);
		if(!ready.load(std::memory_order_relaxed)) {
			static VectorMap<String, int> m;
			for(const sNamedColor& c : sColors)
				m.Add(c.name, (int)Color(c.r, c.g, c.b).GetRaw());
			map = &m;
			ready.store(true, std::memory_order_release);
		}
	}
	return *map;
}

bool sIsDigit(int c)  { return c >= '0' && c <= '9'; }
bool sIsXDigit(int c) { return sIsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
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

int sClamp255(double v)
{
	return v < 0 ? 0 : v > 255 ? 255 : (int)v;
}

} // namespace

Color GetSvgNamedColor(const String& name)
{
	const VectorMap<String, int>& m = sColorMap();
	int q = m.Find(name);
	if(q < 0)
		q = m.Find(ToLower(name));
	return q < 0 ? Color() : Color::FromRaw((dword)m[q]);
}

Color GetSvgColor(const String& text)
{
	String s = ToLower(text);
	if(s.IsEmpty() || s == "none")
		return Color();
	const char* p = ~s;
	if(*p == '#') {
		while(*p && !sIsXDigit(*p))
			p++;
		uint64 v = 0;
		int n = 0;
		for(; sIsXDigit(*p); p++, n++)
			v = (v << 4) | (uint64)(sIsDigit(*p) ? *p - '0' : (*p | 0x20) - 'a' + 10);
		if(n > 3)
			return Color(int(v >> 16) & 255, int(v >> 8) & 255, int(v) & 255);
		int r = int(v >> 8) & 15, g = int(v >> 4) & 15, b = int(v) & 15;
		return Color(r * 17, g * 17, b * 17);
	}
	try {
		CParser q(p);
		if(q.Id("rgb")) {
			q.Char('(');
			int c[3];
			for(int i = 0; i < 3; i++) {
				double v = q.ReadDouble();
				if(q.Char('%'))
					v = v * 255 / 100;
				c[i] = sClamp255(v);
				q.Char(',');
			}
			return Color(c[0], c[1], c[2]);
		}
	}
	catch(const CParser::Error&) {
		// not an rgb() form: try the names
	}
	return GetSvgNamedColor(s);
}

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
				if(kind == "translate") {
					if(n >= 2)
						m = Xform2D::Translation(a[0], a[1]);
				}
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

void SvgParser::SetDash()
{
	// commas separate the lengths as well as blanks do
	String d = Top().dash_array;
	d.Replace(",", " ");
	if(d == "none")
		d.Clear();
	sw.DashOp(d, Top().dash_offset);
}

static double sNumberOr1(const String& v)
{
	double d = ScanDouble(~v);
	return IsNull(d) ? 1 : d;
}

static int sLeadingInt(const char* s)
{
	while(*s == ' ' || *s == '\t')
		s++;
	int64 v = 0;
	for(; *s >= '0' && *s <= '9'; s++)
		v = std::min<int64>(v * 10 + (*s - '0'), 1000000);
	return (int)v;
}

void SvgParser::ProcessValue(const String& name, const String& value_)
{
	String value = TrimBoth(value_);
	if(value == "inherit")
		return;
	State& s = Top();
	auto paint = [&](int& grad, Color& color) {
		if(value.StartsWith("url(#")) {
			int e = value.Find(')', 5);
			String id = value.Mid(5, (e < 0 ? value.GetLength() : e) - 5);
			grad = gradient.Find(id);
			color = Color();
		}
		else {
			grad = -1;
			color = GetSvgColor(value);
		}
	};
	if(name == "opacity")
		s.opacity = sNumberOr1(value);
	else if(name == "fill")
		paint(s.fill_gradient, s.fill);
	else if(name == "fill-opacity")
		s.fill_opacity = sNumberOr1(value);
	else if(name == "fill-rule")
		sw.EvenOddOp(value == "evenodd");
	else if(name == "stroke")
		paint(s.stroke_gradient, s.stroke);
	else if(name == "stroke-opacity")
		s.stroke_opacity = sNumberOr1(value);
	else if(name == "stroke-width")
		s.stroke_width = sNumberOr1(value);
	else if(name == "stroke-linecap")
		sw.LineCapOp(value == "round" ? 2 : value == "square" ? 1 : 0);
	else if(name == "stroke-linejoin")
		sw.LineJoinOp(value == "round" ? 4 : value == "bevel" ? 5 : 3);
	else if(name == "miter-limit" || name == "stroke-miterlimit")
		sw.MiterLimitOp(std::max(1.0, sNumberOr1(value)));
	else if(name == "stroke-dasharray") {
		s.dash_array = value;
		SetDash();
	}
	else if(name == "stroke-dashoffset") {
		s.dash_offset = ScanDouble(~value);
		SetDash();
	}
	else if(name == "font-family")
		s.font.Face(value == "roman;serif" ? Font::SERIF
		            : value == "courier" || value == "monospace" ? Font::MONOSPACE : Font::SANSSERIF);
	else if(name == "font-size")
		s.font.Height(std::min(sLeadingInt(~value), 32767));
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
