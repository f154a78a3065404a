// The SVG reader's context for one document. Internal: used by the reader's sources, its tests
// and its fuzz targets.
#pragma once

#include <painter/canvas/BoundsPainter.h>
#include <painter/svg/Svg.h>

#include <Core/container/Array.h>
#include <Core/container/Map.h>
#include <Core/xml/XmlNode.h>
#include <draw/font/Font.h>

#include <limits>

namespace Qel::detail {

class SvgParser {
public:
	// One nesting limit for every element kind, and a budget of work per document (elements,
	// their children and attribute text; see Cost), so neither deep trees nor "use" fan-out can
	// exhaust the stack or the time.
	static constexpr int MAX_DEPTH = 256;
	static constexpr int MAX_ELEMENTS = 100000;
	// Stops of one gradient past this are left out.
	static constexpr int MAX_STOPS = 65536;

	// What a percentage of a length is taken of: the viewport's width, its height, or its
	// normalised diagonal.
	enum Axis { HORZ, VERT, DIAGONAL };

	// Length units; NUMBER is a plain number in user units.
	enum Unit { NUMBER, PX, PT, PC, MM, CM, IN, EM, EX, PERCENT };

	// A colour as documents write it.
	struct Ink {
		Color  color = Color(0, 0, 0); // Null: none
		double alpha = 1;              // its own alpha: #rgba, rgba(), hsla(), transparent
		bool   current = false;        // currentColor: the element's `color` when it paints
	};

	// A fill or a stroke: a gradient, with the colour used when it cannot paint, or a colour.
	struct Paint {
		int gradient = -1;
		Ink ink;
	};

	struct Stop {
		RGBA   color;
		double offset;
	};

	// A gradient coordinate: unset, a number, or a percentage (of the box in box units, of the
	// viewport in user space).
	struct Coord {
		double v = -std::numeric_limits<double>::infinity();
		bool   pct = false;
	};

	struct Gradient {
		bool         resolved = true;
		bool         radial = false;
		Coord        x1, y1, x2, y2;
		Coord        cx, cy;
		Coord        fx, fy;
		Coord        r;
		int          style;      // 0 pad, 1 repeat, 2 reflect, int Null when unset
		int          units = -1; // 0 box units, 1 user space, -1 unset
		String       transform;
		Vector<Stop> stops;
		String       href;
	};

	struct State {
		double         opacity = 1;
		Paint          fill;
		double         fill_opacity = 1;
		Paint          stroke = { -1, Ink{ Color(), 1, false } }; // none
		double         stroke_width = 1;
		double         stroke_opacity = 1;
		String         dash_array;
		double         dash_offset = 0;
		int            text_anchor = 0; // 0 start, 1 middle, 2 end
		Font           font = Font(Font::SERIF, 24);
		double         font_size = 24;  // what em and ex are taken of
		Ink            color;           // the `color` property, for currentColor
		Sizef          viewport = Sizef(100, 100); // of the nearest svg element, for percentages
		const XmlNode* n = nullptr;     // the element to restore when this one ends
	};

	Painter&                          sw;
	ArrayMap<String, Gradient>        gradient;
	const XmlNode*                    current = nullptr;
	Array<State>                      state;
	bool                              painted = false;
	BoundsPainter                     bp;
	VectorMap<String, const XmlNode*> idmap;
	VectorMap<String, String>         classes;
	SvgResourceLoader                 resloader;
	int                               budget = MAX_ELEMENTS;

	explicit SvgParser(Painter& sw);

	bool    Parse(const char* svg);
	// Parse in two steps, for a caller that walks one tree twice.
	static bool ParseXml(const char* svg, XmlNode& doc); // false: not well-formed XML
	void    Walk(const XmlNode& doc, int64 length);      // length of the text, for the budget

	// A number at s (sign, digits, fraction, exponent); the position after it, or null.
	static const char* ScanNumber(const char* s, double& v);
	// Lengths: a number with its unit and nothing else; false when the text is not one.
	static bool ReadLength(const char*& s, double& v, Unit& unit);
	static bool ReadLength(const String& text, double& v, Unit& unit);
	// A length in user units along axis, from the element's font size and viewport.
	double  Resolve(double v, Unit unit, Axis axis) const;
	// The text as a length in user units; def when it is not a length.
	double  Length(const String& text, Axis axis, double def) const;
	// Attributes of the current element.
	double  Dbl(const char* id, Axis axis, double def = 0) const;
	static Rectf  GetViewBox(const XmlNode& n);
	Sizef   GetSize(const XmlNode& n) const;
	Pointf  GetPoint(const XmlNode& n) const;
	Sizef   GetViewport(const XmlNode& n) const;

	void    IndexIds(const XmlNode& n);
	static int Cost(const XmlNode& n);
	void    Element(const XmlNode& n, int depth, bool use);
	void    StartElement(const XmlNode& n);
	void    EndElement();
	void    PaintFill();          // the current path, without ending the element
	void    PaintStroke();
	void    FinishElement();
	void    StrokeFinishElement();
	void    Items(const XmlNode& n, int depth);
	void    Rect(const XmlNode& n);
	void    Ellipse(const XmlNode& n, bool circle);
	void    Poly(const XmlNode& n, bool line);
	void    Use(const XmlNode& n, int depth);
	void    NestedSvg(const XmlNode& n, int depth);
	void    Image(const XmlNode& n);
	void    Text(const XmlNode& n);
	void    DoText(const XmlNode& n);
	void    StyleSheet(const XmlNode& n);

	// Styles, colours and transforms.
	static bool ParseInk(const String& text, Ink& ink); // false: not a colour
	bool    GetRGBA(const Ink& ink, RGBA& c) const;         // false: none
	void    SetPaint(Paint& paint, const String& value);
	void    Style(const char* text);
	void    ProcessValue(const String& name, const String& value);
	void    SetDash();
	static Xform2D Transform(const char* text);
	static Vector<Pointf> ParsePoints(const char* text);
	static void ParseClasses(const char* text, VectorMap<String, String>& classes);

	// Gradients.
	void    ParseGradient(const XmlNode& n, bool radial);
	void    ResolveGradient(int i);
	bool    PaintGradient(int i, bool stroke); // false: it cannot paint
	// inherited: the gradient's stop-color for "inherit"; color: the `color` for currentColor
	static  Stop ParseStop(const XmlNode& n, const Ink& color, const Ink& inherited);
	static  Stop ParseStop(const XmlNode& n);

	State&  Top()                 { return state.Top(); }
};

} // namespace Qel::detail
