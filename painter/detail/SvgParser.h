// The SVG reader's context for one document. Internal: used by the reader's sources, its tests
// and its fuzz targets.
#pragma once

#include <painter/BoundsPainter.h>
#include <painter/Svg.h>

#include <Core/container/Array.h>
#include <Core/container/Map.h>
#include <Core/xml/XmlNode.h>
#include <draw/font/Font.h>

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

	struct Stop {
		RGBA   color;
		double offset;
	};

	struct Gradient {
		bool         resolved = true;
		bool         radial = false;
		double       x1, y1, x2, y2;
		double       cx, cy;
		double       fx, fy;
		double       r;
		int          style;      // 0 pad, 1 repeat, 2 reflect, int Null when unset
		bool         user_space = false;
		String       transform;
		Vector<Stop> stops;
		String       href;
	};

	struct State {
		double         opacity = 1;
		int            fill_gradient = -1;
		Color          fill = Color(0, 0, 0);
		double         fill_opacity = 1;
		int            stroke_gradient = -1;
		Color          stroke;    // Null: no stroke
		double         stroke_width = 1;
		double         stroke_opacity = 1;
		String         dash_array;
		double         dash_offset = 0;
		int            text_anchor = 0; // 0 start, 1 middle, 2 end
		Font           font = Font(Font::SERIF, 24);
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

	// Attributes of the current element.
	double  Dbl(const char* id, double def = 0) const;
	static Rectf  GetViewBox(const XmlNode& n);
	static Sizef  GetSize(const XmlNode& n);
	static Pointf GetPoint(const XmlNode& n);

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
	void    Poly(const XmlNode& n, bool line);
	void    Use(const XmlNode& n, int depth);
	void    NestedSvg(const XmlNode& n, int depth);
	void    Image(const XmlNode& n);
	void    Text(const XmlNode& n);
	void    DoText(const XmlNode& n);
	void    StyleSheet(const XmlNode& n);

	// Styles, colours and transforms.
	void    Style(const char* text);
	void    ProcessValue(const String& name, const String& value);
	void    SetDash();
	static Xform2D Transform(const char* text);
	static Vector<Pointf> ParsePoints(const char* text);
	static void ParseClasses(const char* text, VectorMap<String, String>& classes);

	// Gradients.
	void    ParseGradient(const XmlNode& n, bool radial);
	void    ResolveGradient(int i);
	void    PaintGradient(int i, bool stroke);
	static  Stop ParseStop(const XmlNode& n);

	State&  Top()                 { return state.Top(); }
};

} // namespace Qel::detail
