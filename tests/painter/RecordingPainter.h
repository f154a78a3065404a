// A painter that records every call with its arguments, one string per call.
#pragma once

#include <painter/Painter.h>

#include <cstdio>
#include <string>
#include <vector>

namespace QelTest {

using namespace Qel;

class RecordingPainter : public Painter {
public:
	std::vector<std::string> calls;
	Pointf current = Pointf(0, 0);

	static std::string N(double v) { char b[64]; snprintf(b, sizeof(b), "%.6g", v); return b; }
	static std::string P(const Pointf& p) { return "(" + N(p.x) + "," + N(p.y) + ")"; }
	static std::string C(const RGBA& c) { return "#" + std::to_string(c.r) + "." + std::to_string(c.g) + "." + std::to_string(c.b) + "." + std::to_string(c.a); }
	static std::string M(const Xform2D& m) { return "[" + P(m.x) + P(m.y) + P(m.t) + "]"; }
	static std::string R(bool rel) { return rel ? ",rel" : ""; }

	void Put(std::string s) { calls.push_back(std::move(s)); }

	void BeginOp() override { Put("Begin"); }
	void EndOp() override { Put("End"); }
	void ClearOp(const RGBA& c) override { Put("Clear" + C(c)); }
	void MoveOp(const Pointf& p, bool rel) override { Put("Move" + P(p) + R(rel)); }
	void LineOp(const Pointf& p, bool rel) override { Put("Line" + P(p) + R(rel)); }
	void QuadraticOp(const Pointf& p1, const Pointf& p, bool rel) override { Put("Quadratic" + P(p1) + P(p) + R(rel)); }
	void SmoothQuadraticOp(const Pointf& p, bool rel) override { Put("SmoothQuadratic" + P(p) + R(rel)); }
	void CubicOp(const Pointf& p1, const Pointf& p2, const Pointf& p, bool rel) override { Put("Cubic" + P(p1) + P(p2) + P(p) + R(rel)); }
	void SmoothCubicOp(const Pointf& p2, const Pointf& p, bool rel) override { Put("SmoothCubic" + P(p2) + P(p) + R(rel)); }
	void ArcOp(const Pointf& c, const Pointf& r, double a, double s, bool rel) override { Put("Arc" + P(c) + P(r) + N(a) + "," + N(s) + R(rel)); }
	void SvgArcOp(const Pointf& r, double xa, bool large, bool sweep, const Pointf& p, bool rel) override
	{ Put("SvgArc" + P(r) + N(xa) + "," + std::to_string(large) + std::to_string(sweep) + P(p) + R(rel)); }
	void CloseOp() override { Put("Close"); }
	void DivOp() override { Put("Div"); }
	void FillOp(const RGBA& c) override { Put("Fill" + C(c)); }
	void FillOp(const Image& img, const Xform2D& m, dword f) override { Put("FillImage" + std::to_string(img.GetWidth()) + M(m) + std::to_string(f)); }
	void FillOp(const Pointf& p1, const RGBA& c1, const Pointf& p2, const RGBA& c2, int s) override { Put("FillLinear" + P(p1) + C(c1) + P(p2) + C(c2) + std::to_string(s)); }
	void FillOp(const Pointf& f, const RGBA& c1, const Pointf& c, double r, const RGBA& c2, int s) override { Put("FillRadial" + P(f) + C(c1) + P(c) + N(r) + C(c2) + std::to_string(s)); }
	void FillOp(const RGBA& c1, const RGBA& c2, const Xform2D& m, int s) override { Put("FillLinearX" + C(c1) + C(c2) + M(m) + std::to_string(s)); }
	void FillOp(const Pointf& f, const RGBA& c1, const RGBA& c2, const Xform2D& m, int s) override { Put("FillRadialX" + P(f) + C(c1) + C(c2) + M(m) + std::to_string(s)); }
	void StrokeOp(double w, const RGBA& c) override { Put("Stroke" + N(w) + C(c)); }
	void StrokeOp(double w, const Image& img, const Xform2D& m, dword f) override { Put("StrokeImage" + N(w) + std::to_string(img.GetWidth()) + M(m) + std::to_string(f)); }
	void StrokeOp(double w, const Pointf& p1, const RGBA& c1, const Pointf& p2, const RGBA& c2, int s) override { Put("StrokeLinear" + N(w) + P(p1) + C(c1) + P(p2) + C(c2) + std::to_string(s)); }
	void StrokeOp(double w, const RGBA& c1, const RGBA& c2, const Xform2D& m, int s) override { Put("StrokeLinearX" + N(w) + C(c1) + C(c2) + M(m) + std::to_string(s)); }
	void StrokeOp(double w, const Pointf& f, const RGBA& c1, const Pointf& c, double r, const RGBA& c2, int s) override { Put("StrokeRadial" + N(w) + P(f) + C(c1) + P(c) + N(r) + C(c2) + std::to_string(s)); }
	void StrokeOp(double w, const Pointf& f, const RGBA& c1, const RGBA& c2, const Xform2D& m, int s) override { Put("StrokeRadialX" + N(w) + P(f) + C(c1) + C(c2) + M(m) + std::to_string(s)); }
	void ClipOp() override { Put("Clip"); }
	using Painter::ClipOp;
	void CharacterOp(const Pointf& p, int ch, Font) override { Put("Character" + P(p) + std::to_string(ch)); }
	void ColorStopOp(double pos, const RGBA& c) override { Put("ColorStop" + N(pos) + C(c)); }
	void ClearStopsOp() override { Put("ClearStops"); }
	void OpacityOp(double o) override { Put("Opacity" + N(o)); }
	void LineCapOp(int v) override { Put("LineCap" + std::to_string(v)); }
	void LineJoinOp(int v) override { Put("LineJoin" + std::to_string(v)); }
	void MiterLimitOp(double l) override { Put("MiterLimit" + N(l)); }
	void EvenOddOp(bool b) override { Put("EvenOdd" + std::to_string(b)); }
	void DashOp(const Vector<double>& d, double start) override
	{
		std::string s = "Dash[";
		for(int i = 0; i < d.GetCount(); i++)
			s += (i ? "," : "") + N(d[i]);
		Put(s + "]" + N(start));
	}
	using Painter::DashOp;
	void InvertOp(bool b) override { Put("Invert" + std::to_string(b)); }
	void ImageFilterOp(int f) override { Put("ImageFilter" + std::to_string(f)); }
	void TransformOp(const Xform2D& m) override { Put("Transform" + M(m)); }
	void BeginMaskOp() override { Put("BeginMask"); }
	void BeginOnPathOp(double q, bool abs) override { Put("BeginOnPath" + N(q) + std::to_string(abs)); }
};

} // namespace QelTest
