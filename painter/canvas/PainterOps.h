// Painter: the vector drawing interface in double coordinates. Concrete painters implement the
// virtual operations; callers use them or the chaining wrappers.
#pragma once

#include <painter/path/Xform2D.h>

#include <Core/types/Color.h>
#include <Core/text/String.h>
#include <Core/container/Vector.h>
#include <draw/canvas/DrawTarget.h>

namespace Qel {

// Dash text: numbers, alternately on and off; ":n" sets the start offset. An odd count repeats.
Vector<double> ParseDashPattern(const String& text, double& start);

// A Painter is also a Draw: the integer drawing operations are implemented here once, through
// the painter's own path, fill, stroke, clip and transform operations, and every painter inherits
// them. BeginOp/EndOp (the attribute stack) stay each painter's own.
class Painter : public Draw {
public:
	dword GetInfo() const override;
	void  OffsetOp(const Point& p) override;
	bool  ClipOp(const Rect& r) override;
	bool  ClipoffOp(const Rect& r) override;
	bool  ExcludeClipOp(const Rect& r) override;
	bool  IntersectClipOp(const Rect& r) override;
	bool  IsPaintingOp(const Rect& r) const override;
	void  DrawRectOp(int x, int y, int cx, int cy, Color color) override;
	void  DrawImageOp(int x, int y, int cx, int cy, const Image& img, const Rect& src, Color color) override;
	void  DrawLineOp(int x1, int y1, int x2, int y2, int width, Color color) override;
	void  DrawPolyPolylineOp(const Point* vertices, int vertex_count, const int* counts,
	                         int count_count, int width, Color color, Color doxor) override;
	void  DrawPolyPolyPolygonOp(const Point* vertices, int vertex_count,
	                            const int* subpolygon_counts, int scc,
	                            const int* disjunct_polygon_counts, int dpcc, Color color,
	                            int width, Color outline, uint64 pattern, Color doxor) override;
	void  DrawArcOp(const Rect& rc, const Point& start, const Point& end, int width, Color color) override;
	void  DrawEllipseOp(const Rect& r, Color color, int pen, Color pencolor) override;
	void  DrawTextOp(int x, int y, int angle, const wchar* text, Font font, Color ink, int n,
	                 const int* dx) override;
	void  DrawPaintingOp(const Rect& target, const Painting& w) override;

	virtual void ClearOp(const RGBA& color) = 0;

	virtual void MoveOp(const Pointf& p, bool rel) = 0;
	virtual void LineOp(const Pointf& p, bool rel) = 0;
	virtual void QuadraticOp(const Pointf& p1, const Pointf& p, bool rel) = 0;
	virtual void SmoothQuadraticOp(const Pointf& p, bool rel) = 0;
	virtual void CubicOp(const Pointf& p1, const Pointf& p2, const Pointf& p, bool rel) = 0;
	virtual void SmoothCubicOp(const Pointf& p2, const Pointf& p, bool rel) = 0;
	virtual void ArcOp(const Pointf& c, const Pointf& r, double angle, double sweep, bool rel) = 0;
	virtual void SvgArcOp(const Pointf& r, double xangle, bool large, bool sweep, const Pointf& p, bool rel) = 0;
	virtual void CloseOp() = 0;
	virtual void DivOp() = 0;

	virtual void FillOp(const RGBA& color) = 0;
	virtual void FillOp(const Image& image, const Xform2D& transsrc, dword flags) = 0;
	virtual void FillOp(const Pointf& p1, const RGBA& color1, const Pointf& p2, const RGBA& color2, int style) = 0;
	virtual void FillOp(const Pointf& f, const RGBA& color1, const Pointf& c, double r, const RGBA& color2, int style) = 0;
	virtual void FillOp(const RGBA& color1, const RGBA& color2, const Xform2D& transsrc, int style) = 0;
	virtual void FillOp(const Pointf& f, const RGBA& color1, const RGBA& color2, const Xform2D& transsrc, int style) = 0;

	virtual void StrokeOp(double width, const RGBA& rgba) = 0;
	virtual void StrokeOp(double width, const Image& image, const Xform2D& transsrc, dword flags) = 0;
	virtual void StrokeOp(double width, const Pointf& p1, const RGBA& color1, const Pointf& p2, const RGBA& color2, int style) = 0;
	virtual void StrokeOp(double width, const RGBA& color1, const RGBA& color2, const Xform2D& transsrc, int style) = 0;
	virtual void StrokeOp(double width, const Pointf& f, const RGBA& color1, const Pointf& c, double r, const RGBA& color2, int style) = 0;
	virtual void StrokeOp(double width, const Pointf& f, const RGBA& color1, const RGBA& color2, const Xform2D& transsrc, int style) = 0;

	using Draw::ClipOp;
	virtual void ClipOp() = 0;

	// One character's outline, top left of its cell at p; TextOp adds a run of them (dx, when
	// given, holds each advance). The default TextOp goes through CharacterOp.
	virtual void CharacterOp(const Pointf& p, int ch, Font fnt) = 0;
	virtual void TextOp(const Pointf& p, const wchar* text, Font fnt, int n, const double* dx);

	virtual void ColorStopOp(double pos, const RGBA& color) = 0;
	virtual void ClearStopsOp() = 0;
	virtual void OpacityOp(double o) = 0;
	virtual void LineCapOp(int linecap) = 0;
	virtual void LineJoinOp(int linejoin) = 0;
	virtual void MiterLimitOp(double l) = 0;
	virtual void EvenOddOp(bool evenodd) = 0;
	virtual void DashOp(const Vector<double>& dash, double start) = 0;
	virtual void DashOp(const String& dash, double start);
	virtual void InvertOp(bool invert) = 0;
	virtual void ImageFilterOp(int filter) = 0;

	virtual void TransformOp(const Xform2D& m) = 0;

	virtual void BeginMaskOp() = 0;
	virtual void BeginOnPathOp(double q, bool abs) = 0;

	virtual ~Painter() = default;

	// Chaining wrappers; none adds state.
	Painter& Begin()                                          { BeginOp(); return *this; }
	Painter& End()                                            { EndOp(); return *this; }
	Painter& Clear(const RGBA& color)                         { ClearOp(color); return *this; }
	Painter& Clear(Color color)                               { ClearOp(color.ToRGBA()); return *this; }

	Painter& Move(const Pointf& p, bool rel = false)          { MoveOp(p, rel); return *this; }
	Painter& Move(double x, double y, bool rel = false)       { return Move(Pointf(x, y), rel); }
	Painter& Line(const Pointf& p, bool rel = false)          { LineOp(p, rel); return *this; }
	Painter& Line(double x, double y, bool rel = false)       { return Line(Pointf(x, y), rel); }
	Painter& Quadratic(const Pointf& p1, const Pointf& p, bool rel = false) { QuadraticOp(p1, p, rel); return *this; }
	Painter& Quadratic(const Pointf& p, bool rel = false)     { SmoothQuadraticOp(p, rel); return *this; }
	Painter& Cubic(const Pointf& p1, const Pointf& p2, const Pointf& p, bool rel = false) { CubicOp(p1, p2, p, rel); return *this; }
	Painter& Cubic(const Pointf& p2, const Pointf& p, bool rel = false) { SmoothCubicOp(p2, p, rel); return *this; }
	Painter& Arc(const Pointf& c, const Pointf& r, double angle, double sweep, bool rel = false) { ArcOp(c, r, angle, sweep, rel); return *this; }
	Painter& SvgArc(const Pointf& r, double xangle, bool large, bool sweep, const Pointf& p, bool rel = false) { SvgArcOp(r, xangle, large, sweep, p, rel); return *this; }
	Painter& Close()                                          { CloseOp(); return *this; }
	Painter& Div()                                            { DivOp(); return *this; }

	Painter& Fill(const RGBA& color)                          { FillOp(color); return *this; }
	Painter& Fill(Color color)                                { FillOp(color.ToRGBA()); return *this; }
	Painter& Fill(const Image& image, const Xform2D& transsrc = Xform2D(), dword flags = 0) { FillOp(image, transsrc, flags); return *this; }
	Painter& Fill(const Image& image, const Pointf& p1, const Pointf& p2, dword flags = 0);
	Painter& Fill(const Image& image, double x1, double y1, double x2, double y2, dword flags = 0) { return Fill(image, Pointf(x1, y1), Pointf(x2, y2), flags); }
	Painter& Fill(const Pointf& p1, const RGBA& color1, const Pointf& p2, const RGBA& color2, int style = 0) { FillOp(p1, color1, p2, color2, style); return *this; }
	Painter& Fill(const Pointf& f, const RGBA& color1, const Pointf& c, double r, const RGBA& color2, int style = 0) { FillOp(f, color1, c, r, color2, style); return *this; }
	Painter& Fill(const Pointf& c, const RGBA& color1, double r, const RGBA& color2, int style = 0) { FillOp(c, color1, c, r, color2, style); return *this; }
	Painter& Fill(const RGBA& color1, const RGBA& color2, const Xform2D& transsrc, int style = 0) { FillOp(color1, color2, transsrc, style); return *this; }
	Painter& Fill(const Pointf& f, const RGBA& color1, const RGBA& color2, const Xform2D& transsrc, int style = 0) { FillOp(f, color1, color2, transsrc, style); return *this; }

	Painter& Stroke(double width, const RGBA& color)          { StrokeOp(width, color); return *this; }
	Painter& Stroke(double width, Color color)                { StrokeOp(width, color.ToRGBA()); return *this; }
	Painter& Stroke(double width, const Image& image, const Xform2D& transsrc, dword flags = 0) { StrokeOp(width, image, transsrc, flags); return *this; }
	Painter& Stroke(double width, const Image& image, const Pointf& p1, const Pointf& p2, dword flags = 0);
	Painter& Stroke(double width, const Pointf& p1, const RGBA& color1, const Pointf& p2, const RGBA& color2, int style = 0) { StrokeOp(width, p1, color1, p2, color2, style); return *this; }
	Painter& Stroke(double width, const Pointf& f, const RGBA& color1, const Pointf& c, double r, const RGBA& color2, int style = 0) { StrokeOp(width, f, color1, c, r, color2, style); return *this; }
	Painter& Stroke(double width, const RGBA& color1, const RGBA& color2, const Xform2D& transsrc, int style = 0) { StrokeOp(width, color1, color2, transsrc, style); return *this; }
	Painter& Stroke(double width, const Pointf& f, const RGBA& color1, const RGBA& color2, const Xform2D& transsrc, int style = 0) { StrokeOp(width, f, color1, color2, transsrc, style); return *this; }

	Painter& Clip()                                           { ClipOp(); return *this; }

	Painter& Character(const Pointf& p, int ch, Font fnt)     { CharacterOp(p, ch, fnt); return *this; }
	Painter& Character(double x, double y, int ch, Font fnt)  { return Character(Pointf(x, y), ch, fnt); }
	// dx, when given, holds one advance per character; n < 0 takes the text up to its zero.
	Painter& Text(const Pointf& p, const wchar* text, Font fnt, int n = -1, const double* dx = nullptr);
	Painter& Text(double x, double y, const wchar* text, Font fnt, int n = -1, const double* dx = nullptr) { return Text(Pointf(x, y), text, fnt, n, dx); }
	Painter& Text(const Pointf& p, const WString& text, Font fnt, const double* dx = nullptr);
	Painter& Text(double x, double y, const WString& text, Font fnt, const double* dx = nullptr) { return Text(Pointf(x, y), text, fnt, dx); }
	Painter& Text(const Pointf& p, const String& text, Font fnt, const double* dx = nullptr);
	Painter& Text(double x, double y, const String& text, Font fnt, const double* dx = nullptr) { return Text(Pointf(x, y), text, fnt, dx); }
	Painter& Text(const Pointf& p, const char* text, Font fnt, const double* dx = nullptr) { return Text(p, String(text ? text : ""), fnt, dx); }
	Painter& Text(double x, double y, const char* text, Font fnt, const double* dx = nullptr) { return Text(Pointf(x, y), text, fnt, dx); }

	Painter& ColorStop(double pos, const RGBA& color)         { ColorStopOp(pos, color); return *this; }
	Painter& ClearStops()                                     { ClearStopsOp(); return *this; }
	Painter& Opacity(double o)                                { OpacityOp(o); return *this; }
	Painter& LineCap(int linecap)                             { LineCapOp(linecap); return *this; }
	Painter& LineJoin(int linejoin)                           { LineJoinOp(linejoin); return *this; }
	Painter& MiterLimit(double l)                             { MiterLimitOp(l); return *this; }
	Painter& EvenOdd(bool evenodd = true)                     { EvenOddOp(evenodd); return *this; }
	Painter& Dash(const Vector<double>& dash, double start = 0) { DashOp(dash, start); return *this; }
	Painter& Dash(const String& dash, double start = 0)       { DashOp(dash, start); return *this; }
	Painter& Dash(const char* dash, double start = 0)         { DashOp(dash ? String(dash) : String(), start); return *this; }
	Painter& Invert(bool b = true)                            { InvertOp(b); return *this; }
	Painter& ImageFilter(int filter)                          { ImageFilterOp(filter); return *this; }

	Painter& Transform(const Xform2D& m)                      { TransformOp(m); return *this; }
	Painter& Translate(double x, double y)                    { return Transform(Xform2D::Translation(x, y)); }
	Painter& Translate(const Pointf& p)                       { return Translate(p.x, p.y); }
	Painter& Rotate(double a)                                 { return Transform(Xform2D::Rotation(a)); }
	Painter& Scale(double sx, double sy)                      { return Transform(Xform2D::Scale(sx, sy)); }
	Painter& Scale(double s)                                  { return Scale(s, s); }

	Painter& BeginMask()                                      { BeginMaskOp(); return *this; }
	Painter& BeginOnPath(double q, bool abs = false)          { BeginOnPathOp(q, abs); return *this; }

	// Shape paths.
	Painter& RectPath(double x, double y, double cx, double cy);
	Painter& RectPath(const Rectf& r)                         { return RectPath(r.left, r.top, r.right - r.left, r.bottom - r.top); }
	Painter& RoundedRectangle(double x, double y, double cx, double cy, double rx, double ry);
	Painter& RoundedRectangle(double x, double y, double cx, double cy, double r) { return RoundedRectangle(x, y, cx, cy, r, r); }
	Painter& Ellipse(double x, double y, double rx, double ry);
	Painter& Circle(double x, double y, double r);

protected:
	// Fills the path with part of img alone, placed by m (the part's top left at m's origin),
	// its edge pixels padded outward. The default fills with a copy of the part; a painter that
	// can read the part where it lies in img does so.
	virtual void FillImagePartOp(const Image& img, const Rect& part, const Xform2D& m);
};

// Painter that does nothing; it parses dash text and turns Draw calls into path calls before
// dropping them. Base for measuring painters.
class NilPainter : public Painter {
public:
	void BeginOp() override {}
	void EndOp() override {}
	void ClearOp(const RGBA&) override {}
	void MoveOp(const Pointf&, bool) override {}
	void LineOp(const Pointf&, bool) override {}
	void QuadraticOp(const Pointf&, const Pointf&, bool) override {}
	void SmoothQuadraticOp(const Pointf&, bool) override {}
	void CubicOp(const Pointf&, const Pointf&, const Pointf&, bool) override {}
	void SmoothCubicOp(const Pointf&, const Pointf&, bool) override {}
	void ArcOp(const Pointf&, const Pointf&, double, double, bool) override {}
	void SvgArcOp(const Pointf&, double, bool, bool, const Pointf&, bool) override {}
	void CloseOp() override {}
	void DivOp() override {}
	void FillOp(const RGBA&) override {}
	void FillOp(const Image&, const Xform2D&, dword) override {}
	void FillOp(const Pointf&, const RGBA&, const Pointf&, const RGBA&, int) override {}
	void FillOp(const Pointf&, const RGBA&, const Pointf&, double, const RGBA&, int) override {}
	void FillOp(const RGBA&, const RGBA&, const Xform2D&, int) override {}
	void FillOp(const Pointf&, const RGBA&, const RGBA&, const Xform2D&, int) override {}
	void StrokeOp(double, const RGBA&) override {}
	void StrokeOp(double, const Image&, const Xform2D&, dword) override {}
	void StrokeOp(double, const Pointf&, const RGBA&, const Pointf&, const RGBA&, int) override {}
	void StrokeOp(double, const RGBA&, const RGBA&, const Xform2D&, int) override {}
	void StrokeOp(double, const Pointf&, const RGBA&, const Pointf&, double, const RGBA&, int) override {}
	void StrokeOp(double, const Pointf&, const RGBA&, const RGBA&, const Xform2D&, int) override {}
	void ClipOp() override {}
	using Painter::ClipOp;
	void CharacterOp(const Pointf&, int, Font) override {}
	void TextOp(const Pointf&, const wchar*, Font, int, const double*) override {}
	void ColorStopOp(double, const RGBA&) override {}
	void ClearStopsOp() override {}
	void OpacityOp(double) override {}
	void LineCapOp(int) override {}
	void LineJoinOp(int) override {}
	void MiterLimitOp(double) override {}
	void EvenOddOp(bool) override {}
	void DashOp(const Vector<double>&, double) override {}
	using Painter::DashOp;
	void InvertOp(bool) override {}
	void ImageFilterOp(int) override {}
	void TransformOp(const Xform2D&) override {}
	void BeginMaskOp() override {}
	void BeginOnPathOp(double, bool) override {}
};

// Arcs as cubic Bezier segments. ArcToCubics maps the unit-circle arc through m and assumes the
// current point is at its start.
void ArcToCubics(Painter& sw, const Xform2D& m, double angle, double sweep);
void AppendArc(Painter& sw, const Pointf& c, const Pointf& r, double angle, double sweep);
void AppendSvgArc(Painter& sw, const Pointf& r, bool large, bool sweep, const Pointf& p, const Pointf& p0, double xangle);

// Forwards glyph outlines from the font layer to a painter's path, in absolute coordinates.
class PaintCharPath : public FontGlyphConsumer {
public:
	Painter* sw = nullptr;

	void Move(Pointf p) override                       { sw->MoveOp(p, false); }
	void Line(Pointf p) override                       { sw->LineOp(p, false); }
	void Quadratic(Pointf p1, Pointf p) override       { sw->QuadraticOp(p1, p, false); }
	void Cubic(Pointf p1, Pointf p2, Pointf p) override { sw->CubicOp(p1, p2, p, false); }
	void Close() override                              { sw->CloseOp(); }
};

// Adds the outline of ch, top left of its cell at p, to the painter's path, with the font
// layer's fallbacks: a composed letter is its base and its mark (separate parts), a replacement
// face is placed on the same baseline. Ends with the even-odd rule set.
void PaintCharacter(Painter& sw, const Pointf& p, int ch, Font fnt);

// The stroke of a Draw pen: negative widths are dash styles drawn 1 wide (-1 is 0 wide); round
// caps; nothing for a Null width or colour. Cap and dash do not outlive the stroke.
void StrokePen(Painter& sw, int width, Color color);

class CParser;

// SVG path data ("d" attribute). Errors end the reading with what was issued so far.
void   ParseSvgPathData(Painter& sw, const char* path);
inline void ParseSvgPathData(Painter& sw, const String& path) { ParseSvgPathData(sw, ~path); }
Pointf ReadSvgPathPoint(CParser& p, const Pointf& current, bool rel);

} // namespace Qel
