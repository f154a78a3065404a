// A Draw target that records every call it receives, one string per call, with settable info
// flags, native dpi and answers to the clip queries, so the shared defaults can be checked exactly.
#pragma once

#include <draw/Draw.h>

#include <cstdio>
#include <string>
#include <vector>

namespace QelTest {

using namespace Qel;

class RecordingDraw : public Draw {
public:
	std::vector<std::string> calls;
	dword info = 0;
	Size  dpi = Size(0, 0);       // (0, 0): the shared default
	Size  page = Size(0, 0);      // (0, 0): the shared default
	bool  painting = true;        // answer of IsPaintingOp
	bool  clip = true;            // answer of the clip operations
	int   level = 0;

	static std::string I(int v) { return std::to_string(v); }
	static std::string C(Color c) { char b[16]; snprintf(b, sizeof(b), "#%08X", unsigned(c.GetRaw())); return b; }
	static std::string P(const Point& p) { return "(" + I(p.x) + "," + I(p.y) + ")"; }
	static std::string R(const Rect& r) { return "[" + I(r.left) + "," + I(r.top) + "," + I(r.right) + "," + I(r.bottom) + "]"; }
	// An image as its size and a checksum of its pixels: equal pixels give equal text.
	static std::string Img(const Image& m)
	{
		uint64 h = 1469598103934665603ull;
		for(const RGBA& p : m) {
			h = (h ^ (dword(p.b) | dword(p.g) << 8 | dword(p.r) << 16 | dword(p.a) << 24)) * 1099511628211ull;
		}
		char b[64];
		snprintf(b, sizeof(b), "img%dx%d:%016llx", m.GetWidth(), m.GetHeight(), (unsigned long long)h);
		return b;
	}

	void Put(std::string s) { calls.push_back(std::move(s)); }
	// The calls recorded since the last Take, emptied.
	std::vector<std::string> Take() { std::vector<std::string> r; r.swap(calls); return r; }

	dword GetInfo() const override { return info; }
	Size  GetPageSize() const override { return page.cx || page.cy ? page : Draw::GetPageSize(); }
	Size  GetNativeDpi() const override { return dpi.cx || dpi.cy ? dpi : Draw::GetNativeDpi(); }
	int   GetClipLevel() const override { return level; }

	void StartPage() override { Put("StartPage"); }
	void EndPage() override { Put("EndPage"); }
	void BeginOp() override { Put("Begin"); level++; }
	void EndOp() override { Put("End"); level--; }
	void OffsetOp(const Point& p) override { Put("Offset" + P(p)); level++; }
	bool ClipOp(const Rect& r) override { Put("Clip" + R(r)); level++; return clip; }
	bool ClipoffOp(const Rect& r) override { Put("Clipoff" + R(r)); level++; return clip; }
	bool ExcludeClipOp(const Rect& r) override { Put("ExcludeClip" + R(r)); return clip; }
	bool IntersectClipOp(const Rect& r) override { Put("IntersectClip" + R(r)); return clip; }
	bool IsPaintingOp(const Rect&) const override { return painting; }

	void DrawRectOp(int x, int y, int cx, int cy, Color color) override
	{ Put("Rect " + I(x) + "," + I(y) + "," + I(cx) + "," + I(cy) + C(color)); }
	void SysDrawImageOp(int x, int y, const Image& img, Color color) override
	{ Put("SysImage " + I(x) + "," + I(y) + " " + Img(img) + C(color)); }
	void BeginNative() override { Put("BeginNative"); }
	void EndNative() override { Put("EndNative"); }
	void Escape(const String& data) override { Put("Escape " + std::string(~data, data.GetLength())); }
	void DrawLineOp(int x1, int y1, int x2, int y2, int width, Color color) override
	{ Put("Line " + I(x1) + "," + I(y1) + "," + I(x2) + "," + I(y2) + " w" + I(width) + C(color)); }
	void DrawPolyPolylineOp(const Point* v, int vc, const int* c, int cc, int width, Color color, Color doxor) override
	{
		std::string s = "PolyPolyline";
		for(int i = 0; i < vc; i++) s += P(v[i]);
		s += " counts";
		for(int i = 0; i < cc; i++) s += " " + I(c[i]);
		Put(s + " w" + I(width) + C(color) + C(doxor));
	}
	void DrawPolyPolyPolygonOp(const Point* v, int vc, const int* sc, int scc, const int* dc, int dcc, Color color,
	                           int width, Color outline, uint64 pattern, Color doxor) override
	{
		std::string s = "PolyPolyPolygon";
		for(int i = 0; i < vc; i++) s += P(v[i]);
		s += " sub";
		for(int i = 0; i < scc; i++) s += " " + I(sc[i]);
		s += " disj";
		for(int i = 0; i < dcc; i++) s += " " + I(dc[i]);
		char b[32]; snprintf(b, sizeof(b), " p%llx", (unsigned long long)pattern);
		Put(s + C(color) + " w" + I(width) + C(outline) + b + C(doxor));
	}
	void DrawArcOp(const Rect& rc, const Point& start, const Point& end, int width, Color color) override
	{ Put("Arc" + R(rc) + P(start) + P(end) + " w" + I(width) + C(color)); }
	void DrawEllipseOp(const Rect& r, Color color, int pen, Color pencolor) override
	{ Put("Ellipse" + R(r) + C(color) + " w" + I(pen) + C(pencolor)); }
	void DrawTextOp(int x, int y, int angle, const wchar* text, Font font, Color ink, int n, const int* dx) override
	{
		std::string s = "Text " + I(x) + "," + I(y) + " a" + I(angle) + " \"";
		String u = ToUtf8(text, n);
		s.append(~u, u.GetLength());
		char b[32]; snprintf(b, sizeof(b), "\" f%llx", (unsigned long long)font.AsInt64());
		s += b + C(ink);
		if(dx) {
			s += " dx";
			for(int i = 0; i < n; i++) s += " " + I(dx[i]);
		}
		Put(s);
	}
};

} // namespace QelTest
