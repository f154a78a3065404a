// Colours of SVG documents: hexadecimal forms with or without alpha, rgb(), rgba(), hsl(),
// hsla(), the keyword names, currentColor and transparent.
#include "detail/SvgParser.h"

#include <Core/text/Charset.h>
#include <Core/thread/Thread.h>

#include <atomic>
#include <cmath>

namespace Qel {

namespace {

struct sNamedColor {
	const char* name;
	byte r, g, b;
};

// The SVG colour keywords, both spellings of the greys.
const sNamedColor sColors[] = {
	{ "aliceblue", 240, 248, 255 }, { "antiquewhite", 250, 235, 215 }, { "aqua", 0, 255, 255 },
	{ "aquamarine", 127, 255, 212 }, { "azure", 240, 255, 255 }, { "beige", 245, 245, 220 },
	{ "bisque", 255, 228, 196 }, { "black", 0, 0, 0 }, { "blanchedalmond", 255, 235, 205 },
	{ "blue", 0, 0, 255 }, { "blueviolet", 138, 43, 226 }, { "brown", 165, 42, 42 },
	{ "burlywood", 222, 184, 135 }, { "cadetblue", 95, 158, 160 }, { "chartreuse", 127, 255, 0 },
	{ "chocolate", 210, 105, 30 }, { "coral", 255, 127, 80 }, { "cornflowerblue", 100, 149, 237 },
	{ "cornsilk", 255, 248, 220 }, { "crimson", 220, 20, 60 }, { "cyan", 0, 255, 255 },
	{ "darkblue", 0, 0, 139 }, { "darkcyan", 0, 139, 139 }, { "darkgoldenrod", 184, 134, 11 },
	{ "darkgray", 169, 169, 169 }, { "darkgrey", 169, 169, 169 }, { "darkgreen", 0, 100, 0 }, { "darkkhaki", 189, 183, 107 },
	{ "darkmagenta", 139, 0, 139 }, { "darkolivegreen", 85, 107, 47 }, { "darkorange", 255, 140, 0 },
	{ "darkorchid", 153, 50, 204 }, { "darkred", 139, 0, 0 }, { "darksalmon", 233, 150, 122 },
	{ "darkseagreen", 143, 188, 143 }, { "darkslateblue", 72, 61, 139 }, { "darkslategray", 47, 79, 79 }, { "darkslategrey", 47, 79, 79 },
	{ "darkturquoise", 0, 206, 209 }, { "darkviolet", 148, 0, 211 }, { "deeppink", 255, 20, 147 },
	{ "deepskyblue", 0, 191, 255 }, { "dimgray", 105, 105, 105 }, { "dimgrey", 105, 105, 105 }, { "dodgerblue", 30, 144, 255 },
	{ "firebrick", 178, 34, 34 }, { "floralwhite", 255, 250, 240 }, { "forestgreen", 34, 139, 34 },
	{ "fuchsia", 255, 0, 255 }, { "gainsboro", 220, 220, 220 }, { "ghostwhite", 248, 248, 255 },
	{ "gold", 255, 215, 0 }, { "goldenrod", 218, 165, 32 }, { "gray", 128, 128, 128 }, { "grey", 128, 128, 128 },
	{ "green", 0, 128, 0 }, { "greenyellow", 173, 255, 47 }, { "honeydew", 240, 255, 240 },
	{ "hotpink", 255, 105, 180 }, { "indianred", 205, 92, 92 }, { "indigo", 75, 0, 130 },
	{ "ivory", 255, 255, 240 }, { "khaki", 240, 230, 140 }, { "lavender", 230, 230, 250 },
	{ "lavenderblush", 255, 240, 245 }, { "lawngreen", 124, 252, 0 }, { "lemonchiffon", 255, 250, 205 },
	{ "lightblue", 173, 216, 230 }, { "lightcoral", 240, 128, 128 }, { "lightcyan", 224, 255, 255 },
	{ "lightgoldenrodyellow", 250, 250, 210 }, { "lightgray", 211, 211, 211 }, { "lightgrey", 211, 211, 211 }, { "lightgreen", 144, 238, 144 },
	{ "lightpink", 255, 182, 193 }, { "lightsalmon", 255, 160, 122 }, { "lightseagreen", 32, 178, 170 },
	{ "lightskyblue", 135, 206, 250 }, { "lightslategray", 119, 136, 153 }, { "lightslategrey", 119, 136, 153 }, { "lightsteelblue", 176, 196, 222 },
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
	{ "skyblue", 135, 206, 235 }, { "slateblue", 106, 90, 205 }, { "slategray", 112, 128, 144 }, { "slategrey", 112, 128, 144 },
	{ "snow", 255, 250, 250 }, { "springgreen", 0, 255, 127 }, { "steelblue", 70, 130, 180 },
	{ "tan", 210, 180, 140 }, { "teal", 0, 128, 128 }, { "thistle", 216, 191, 216 },
	{ "tomato", 255, 99, 71 }, { "turquoise", 64, 224, 208 }, { "violet", 238, 130, 238 },
	{ "wheat", 245, 222, 179 }, { "white", 255, 255, 255 }, { "whitesmoke", 245, 245, 245 },
	{ "yellow", 255, 255, 0 }, { "yellowgreen", 154, 205, 50 },
};

static_assert(sizeof(sColors) / sizeof(sColors[0]) == 147);

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
bool sIsBlank(int c)  { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

int sHex(int c)
{
	return sIsDigit(c) ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

double sClamp(double v, double hi)
{
	return v < 0 ? 0 : v > hi ? hi : v;
}

// "#" and 3, 4, 6 or 8 hexadecimal digits (the last of 4 or 8 being the alpha); an ICC colour
// or other text may follow after a blank.
bool sHexColor(const char* p, detail::SvgParser::Ink& ink)
{
	int d[8], n = 0;
	while(n < 8 && sHex(*p) >= 0)
		d[n++] = sHex(*p++);
	if(sHex(*p) >= 0 || (*p && !sIsBlank(*p)))
		return false;
	int a = 255;
	if(n == 3 || n == 4) {
		ink.color = Color(d[0] * 17, d[1] * 17, d[2] * 17);
		if(n == 4)
			a = d[3] * 17;
	}
	else if(n == 6 || n == 8) {
		ink.color = Color(d[0] * 16 + d[1], d[2] * 16 + d[3], d[4] * 16 + d[5]);
		if(n == 8)
			a = d[6] * 16 + d[7];
	}
	else
		return false;
	ink.alpha = a / 255.0;
	return true;
}

double sHue(double h, double m1, double m2)
{
	if(h < 0)
		h += 1;
	if(h > 1)
		h -= 1;
	return 6 * h < 1 ? m1 + (m2 - m1) * h * 6 : 2 * h < 1 ? m2 : 3 * h < 2 ? m1 + (m2 - m1) * (2.0 / 3 - h) * 6 : m1;
}

// rgb(), rgba(), hsl(), hsla(): three numbers and an optional alpha, separated by commas or
// blanks; each may be a percentage. The closing parenthesis may be missing.
bool sFunctionColor(const char* p, bool hsl, detail::SvgParser::Ink& ink)
{
	double v[4];
	bool pct[4];
	int n = 0;
	for(;;) {
		while(sIsBlank(*p))
			p++;
		if(*p == ')' || *p == '\0' || n == 4)
			break;
		if(n && (*p == ',' || *p == '/')) {
			p++;
			while(sIsBlank(*p))
				p++;
		}
		p = detail::SvgParser::ScanNumber(p, v[n]);
		if(!p || !std::isfinite(v[n]))
			return false;
		pct[n] = *p == '%';
		if(pct[n])
			p++;
		else if(hsl && n == 0 && (p[0] | 0x20) == 'd' && (p[1] | 0x20) == 'e' && (p[2] | 0x20) == 'g')
			p += 3;
		n++;
	}
	if(n < 3 || (*p != ')' && *p != '\0'))
		return false;
	if(hsl) {
		double h = std::fmod(v[0], 360) / 360;
		if(h < 0)
			h += 1;
		double s = sClamp(v[1], 100) / 100, l = sClamp(v[2], 100) / 100;
		double m2 = l <= 0.5 ? l * (s + 1) : l + s - l * s, m1 = l * 2 - m2;
		auto c = [](double x) { return int(x * 255 + 0.5); };
		ink.color = Color(c(sHue(h + 1.0 / 3, m1, m2)), c(sHue(h, m1, m2)), c(sHue(h - 1.0 / 3, m1, m2)));
	}
	else {
		if(pct[0] != pct[1] || pct[0] != pct[2])
			return false; // numbers and percentages do not mix
		int c[3];
		for(int i = 0; i < 3; i++)
			c[i] = (int)sClamp(pct[i] ? v[i] * 255 / 100 : v[i], 255);
		ink.color = Color(c[0], c[1], c[2]);
	}
	ink.alpha = n == 4 ? sClamp(pct[3] ? v[3] / 100 : v[3], 1) : 1;
	return true;
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

// Null also for currentColor, which has no colour of its own, and for a colour that shows
// nothing.
Color GetSvgColor(const String& text)
{
	detail::SvgParser::Ink ink;
	if(!detail::SvgParser::ParseInk(text, ink) || ink.current || !(ink.alpha > 0))
		return Color();
	return ink.color;
}

namespace detail {

bool SvgParser::ParseInk(const String& text, Ink& ink)
{
	String s = ToLower(TrimBoth(text));
	const char* p = ~s;
	Ink r;
	if(s == "none")
		r.color = Color();
	else if(s == "currentcolor")
		r.current = true;
	else if(s == "transparent")
		r.alpha = 0;
	else if(*p == '#') {
		if(!sHexColor(p + 1, r))
			return false;
	}
	else if(strncmp(p, "rgb", 3) == 0 || strncmp(p, "hsl", 3) == 0) {
		bool hsl = *p == 'h';
		p += 3;
		p += *p == 'a';
		while(sIsBlank(*p))
			p++;
		p += *p == '(';
		if(!sFunctionColor(p, hsl, r))
			return false;
	}
	else {
		// a name, perhaps with an ICC colour after it
		const char* e = p;
		while(*e && !sIsBlank(*e))
			e++;
		r.color = GetSvgNamedColor(String(p, e));
		if(r.color.IsNull())
			return false;
	}
	ink = r;
	return true;
}

} // namespace detail

} // namespace Qel
