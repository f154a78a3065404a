// Drawing playback: the records of a Drawing replayed onto any Draw, scaled from the drawing's
// size to the target rectangle. Coordinates are scaled in absolute drawing units and then made
// relative to the current target origin, so nested offsets never accumulate rounding errors.
#include "Drawing.h"
#include <draw/canvas/DrawTarget.h>
#include "Painting.h"

#include <Core/container/Buffer.h>
#include <Core/stream/MemStream.h>

#include <cmath>

namespace Qel {

using namespace detail;

namespace {

// Nested drawings (inline or from value lists, through the targets' DrawDrawingOp) deeper than
// this are not played: a hostile record must not recurse until the stack runs out.
constexpr int MAX_DRAWING_DEPTH = 64;
thread_local int tDrawingDepth;

// a * b / c truncated toward zero; 128-bit when the product might not fit.
inline int64 sScale(int64 a, int64 b, int64 c)
{
	if(a == int32(a) && b == int32(b))
		return a * b / c;
	return int64((__int128)a * b / c);
}

class sPlayer {
public:
	sPlayer(Draw& d, const Drawing& w, int64 tcx, int64 tcy)
	:	d(d), w(w), s(w.data.Begin(), w.data.GetLength()),
		dcx(w.size.cx), dcy(w.size.cy), tcx(tcx), tcy(tcy)
	{
		s.SetLoading();
		same = dcx == tcx && dcy == tcy;
		list = !w.val.IsEmpty();
	}

	void Play();
	void CloseAll();

private:
	Draw&          d;
	const Drawing& w;
	MemReadStream  s;
	int64          dcx, dcy, tcx, tcy;
	bool           same;
	bool           list;
	Point64        srcpos = Point64(0, 0);
	Point64        trgpos = Point64(0, 0);
	Vector<Point64> stack;
	int            vi = 0;

	int   X(int64 v) const { return int(sScale(srcpos.x + v, tcx, dcx) - trgpos.x); }
	int   Y(int64 v) const { return int(sScale(srcpos.y + v, tcy, dcy) - trgpos.y); }
	Point Map(Point p) const { return Point(X(p.x), Y(p.y)); }
	Rect  Map(const Rect& r) const { return Rect(X(r.left), Y(r.top), X(r.right), Y(r.bottom)); }
	// x, y, cx, cy of a mapped extent (a Rect holding a size, not a right and bottom)
	Rect  Extent(int x, int y, int cx, int cy) const
	{
		int l = X(x), t = Y(y);
		return Rect(l, t, int(int64(X(int64(x) + cx)) - l), int(int64(Y(int64(y) + cy)) - t));
	}
	int   Width(int wd) const { return wd > 0 ? int(sScale(wd, tcx + tcy, dcx + dcy)) : wd; }
	Color Ink(Color c) const { return c == DEFAULT_INK ? d.GetDefaultInk() : c; }

	int64 Left()           { return s.GetLeft(); }
	int   Int()            { return s.Get32le(); }
	Color ReadColor()      { return Color::FromRaw(dword(s.Get32le())); }
	Point ReadPoint()      { Point p; p.x = Int(); p.y = Int(); return p; }
	Rect  ReadRect()       { Rect r; r.left = Int(); r.top = Int(); r.right = Int(); r.bottom = Int(); return r; }
	int   Packed()         { int n = 0; s.PackNullable(n); return n; }

	void Push()            { stack.Add(srcpos); stack.Add(trgpos); }

	const Value* NextValue();
	Image    TakeImage();
	Drawing  TakeDrawing();
	Painting TakePainting();
	String   TakeString();

	void Text();
	bool PolyPolyline();
	bool PolyPolyPolygon();
};

const Value* sPlayer::NextValue()
{
	int i = vi++;
	return i < w.val.GetCount() ? &w.val[i] : nullptr;
}

// An object operand: the next value-list entry, or inline when the list is empty. An entry past
// the end of the list is Null.
Image sPlayer::TakeImage()
{
	Image m;
	if(!list)
		m.Serialize(s);
	else if(const Value* v = NextValue())
		m = Image(*v);
	return m;
}

Drawing sPlayer::TakeDrawing()
{
	Drawing m; // fresh: an inline drawing without a list of its own must not take another's
	if(!list)
		m.Serialize(s);
	else if(const Value* v = NextValue())
		m = Drawing(*v);
	return m;
}

Painting sPlayer::TakePainting()
{
	Painting m;
	if(!list)
		m.Serialize(s);
	else if(const Value* v = NextValue())
		m = Painting(*v);
	return m;
}

String sPlayer::TakeString()
{
	String m;
	if(!list)
		s % m;
	else if(const Value* v = NextValue())
		m = v->ToString();
	return m;
}

void sPlayer::Text()
{
	int x = Int(), y = Int(), angle = Int();
	Font font;
	font.Serialize(s);
	Color ink = ReadColor();
	int n = max(Packed(), 0);
	int enc = s.Get();
	if(s.IsError() || enc < 0)
		return s.LoadError();
	int unit = enc == DRAWING_TEXT_UTF16 ? 2 : enc == DRAWING_TEXT_UTF32 ? 4 : 1;
	if(int64(n) * unit > Left())
		return s.LoadError();
	Buffer<wchar> text(max(n, 1));
	Buffer<int> pos(max(n, 1)); // the character each stored unit belongs to
	int m = 0;
	if(unit == 1) {
		Buffer<char> b(max(n, 1));
		s.GetAll(b, n);
		ToUnicodeBuffer(text, b, n, enc);
		for(int i = 0; i < n; i++)
			pos[i] = i;
		m = n;
	}
	else if(unit == 4) {
		for(int i = 0; i < n; i++) { // what is no Unicode character reaches no target
			dword c = dword(s.Get32le());
			text[i] = wchar(c <= 0x10FFFF ? c : 0xFFFD);
			pos[i] = i;
		}
		m = n;
	}
	else {
		Buffer<word> u(max(n, 1));
		s.GetAll(u, 2 * n);
		for(int i = 0; i < n; i++) {
			dword c = u[i];
			pos[i] = m;
			if(c >= 0xD800 && c < 0xDC00 && i + 1 < n && u[i + 1] >= 0xDC00 && u[i + 1] < 0xE000) {
				c = 0x10000 + ((c - 0xD800) << 10) + (u[i + 1] - 0xDC00);
				pos[++i] = m;
			}
			text[m++] = wchar(c);
		}
	}
	if(font.GetHeight() == 0) {
		const FontMetrics& fm = font.GetMetrics();
		font.Height(int16(fm.ascent + fm.descent - fm.internal));
	}
	int flag = s.Get();
	angle %= 3600;
	if(s.IsError() || flag < 0)
		return s.LoadError();
	Buffer<int> dx;
	if(flag) {
		if(n > Left())
			return s.LoadError();
		dx.Alloc(max(m, 1));
		for(int i = 0; i < m; i++)
			dx[i] = 0;
		for(int i = 0; i < n; i++) // a surrogate pair advances by the sum of its two units
			dx[pos[i]] += Packed();
		if(s.IsError())
			return;
	}
	if(same) {
		d.DrawText(X(x), Y(y), angle, text, font, ink, m, dx.Get());
		return;
	}
	double q = std::hypot(double(tcx), double(tcy)) / std::hypot(double(dcx), double(dcy));
	Buffer<int> tdx(max(m, 1));
	double p = 0;
	int64 ip = 0;
	for(int i = 0; i < m; i++) {
		double a = dx.Get() ? dx[i] : font.GetWidth(text[i]);
		double p1 = p + a * q;
		int64 ip1 = int64(clamp(std::trunc(p1), -4e18, 4e18));
		tdx[i] = int(clamp<int64>(ip1 - ip, INT_MIN, INT_MAX));
		p = p1;
		ip = ip1;
	}
	// The width scales like the height, so a narrowed or widened font keeps its proportions.
	double sc = std::min(double(tcx) / double(dcx), double(tcy) / double(dcy));
	auto scaled = [&](int v) { int r = int(clamp(std::trunc(sc * v), -32768.0, 32767.0)); return r ? r : 1; };
	font.Height(scaled(font.GetHeight()));
	if(font.GetWidth())
		font.Width(scaled(font.GetWidth()));
	d.DrawText(X(x), Y(y), angle, text, font, ink, m, tdx);
}

// Counts that the target will walk: every count non-negative and together within the array it
// indexes.
bool sCountsFit(const int* c, int n, int64 total)
{
	int64 sum = 0;
	for(int i = 0; i < n; i++) {
		if(c[i] < 0)
			return false;
		sum += c[i];
	}
	return sum <= total;
}

bool sPlayer::PolyPolyline()
{
	Packed(); // version
	int width = Int();
	Color color = ReadColor();
	Color doxor = ReadColor();
	int vc = Int();
	int cc = Int();
	if(s.IsError() || vc < 0 || cc < 0 || 8 * int64(vc) + 4 * int64(cc) > Left())
		return false;
	Buffer<Point> v(max(vc, 1));
	Buffer<int> c(max(cc, 1));
	s.GetAll(v, 8 * vc);
	s.GetAll(c, 4 * cc);
	if(s.IsError() || !sCountsFit(c, cc, vc))
		return false;
	if(!same) {
		for(int i = 0; i < vc; i++)
			v[i] = Map(v[i]);
		width = Width(width);
	}
	d.DrawPolyPolylineOp(v, vc, c, cc, width, Ink(color), doxor);
	return true;
}

bool sPlayer::PolyPolyPolygon()
{
	Packed(); // version
	Color color = ReadColor();
	int width = Int();
	Color outline = ReadColor();
	uint64 pattern = uint64(s.Get64le());
	Color doxor = ReadColor();
	int vc = Int();
	int scc = Int();
	int dcc = Int();
	if(s.IsError() || vc < 0 || scc < 0 || dcc < 0 || 8 * int64(vc) + 4 * (int64(scc) + dcc) > Left())
		return false;
	Buffer<Point> v(max(vc, 1));
	Buffer<int> sc(max(scc, 1));
	Buffer<int> dc(max(dcc, 1));
	s.GetAll(v, 8 * vc);
	s.GetAll(sc, 4 * scc);
	s.GetAll(dc, 4 * dcc);
	// Sub-polygon and disjunct counts both count vertices.
	if(s.IsError() || !sCountsFit(sc, scc, vc) || !sCountsFit(dc, dcc, vc))
		return false;
	if(!same) {
		for(int i = 0; i < vc; i++)
			v[i] = Map(v[i]);
		width = int(sScale(width, tcx + tcy, dcx + dcy));
	}
	d.DrawPolyPolyPolygonOp(v, vc, sc, scc, dc, dcc, Ink(color), width, outline, pattern, doxor);
	return true;
}

void sPlayer::Play()
{
	while(!s.IsEof()) {
		int op = Packed();
		if(s.IsError())
			return;
		switch(op) {
		case DRAWING_BEGIN:
			d.BeginOp();
			Push();
			break;
		case DRAWING_OFFSET: {
			Point p = ReadPoint();
			if(s.IsError())
				return;
			Point q = Map(p);
			d.OffsetOp(q);
			Push();
			srcpos.x += p.x; srcpos.y += p.y;
			trgpos.x += q.x; trgpos.y += q.y;
			break;
		}
		case DRAWING_CLIP: {
			Rect r = ReadRect();
			if(s.IsError())
				return;
			d.ClipOp(Map(r));
			Push();
			break;
		}
		case DRAWING_CLIPOFF: {
			Rect r = ReadRect();
			if(s.IsError())
				return;
			Rect m = Map(r);
			d.ClipoffOp(m);
			Push();
			srcpos.x += r.left; srcpos.y += r.top;
			trgpos.x += m.left; trgpos.y += m.top;
			break;
		}
		case DRAWING_EXCLUDECLIP:
		case DRAWING_INTERSECTCLIP: {
			Rect r = ReadRect();
			if(s.IsError())
				return;
			if(op == DRAWING_EXCLUDECLIP)
				d.ExcludeClipOp(Map(r));
			else
				d.IntersectClipOp(Map(r));
			break;
		}
		case DRAWING_END:
			if(stack.GetCount() >= 2) { // an End without an open level closes nothing
				trgpos = stack.Pop();
				srcpos = stack.Pop();
				d.EndOp();
			}
			break;
		case DRAWING_RECT: {
			int x = Int(), y = Int(), cx = Int(), cy = Int();
			Color c = ReadColor();
			if(s.IsError())
				return;
			Rect r = Extent(x, y, cx, cy);
			d.DrawRectOp(r.left, r.top, r.right, r.bottom, c);
			break;
		}
		case DRAWING_IMAGE: {
			int x = Int(), y = Int(), cx = Int(), cy = Int();
			Image m = TakeImage();
			Rect src = ReadRect();
			Color c = ReadColor();
			if(s.IsError())
				return;
			d.DrawImageOp(X(x), Y(y), int(sScale(cx, tcx, dcx)), int(sScale(cy, tcy, dcy)), m, src, c);
			break;
		}
		case DRAWING_DRAWING: {
			Drawing m = TakeDrawing();
			Rect r = ReadRect();
			if(s.IsError())
				return;
			d.DrawDrawingOp(Map(r), m);
			break;
		}
		case DRAWING_LINE: {
			int x1 = Int(), y1 = Int(), x2 = Int(), y2 = Int(), wd = Int();
			Color c = ReadColor();
			if(s.IsError())
				return;
			d.DrawLineOp(X(x1), Y(y1), X(x2), Y(y2), Width(wd), Ink(c));
			break;
		}
		case DRAWING_ELLIPSE: {
			Rect r = ReadRect();
			Color fill = ReadColor();
			int wd = Packed();
			Color pen = ReadColor();
			if(s.IsError())
				return;
			d.DrawEllipseOp(Map(r), Ink(fill), Width(wd), Ink(pen));
			break;
		}
		case DRAWING_TEXT:
			Text();
			break;
		case DRAWING_ARC: {
			Rect r = ReadRect();
			Point p1 = ReadPoint(), p2 = ReadPoint();
			Color c = ReadColor();
			int wd = Int();
			if(s.IsError())
				return;
			d.DrawArcOp(Map(r), Map(p1), Map(p2), Width(wd), Ink(c));
			break;
		}
		case DRAWING_POLYPOLYLINE:
			if(!PolyPolyline())
				return;
			break;
		case DRAWING_POLYPOLYPOLYGON:
			if(!PolyPolyPolygon())
				return;
			break;
		case DRAWING_DATA: {
			int x = Int(), y = Int(), cx = Int(), cy = Int();
			String id;
			s % id;
			String data = TakeString();
			if(s.IsError())
				return;
			Rect r = Extent(x, y, cx, cy);
			d.DrawDataOp(r.left, r.top, r.right, r.bottom, data, ~id);
			break;
		}
		case DRAWING_PAINTING: {
			Painting m = TakePainting();
			Rect r = ReadRect();
			if(s.IsError())
				return;
			d.DrawPaintingOp(Map(r), m);
			break;
		}
		case DRAWING_ESCAPE: {
			String m;
			if(list)
				if(const Value* v = NextValue())
					m = v->ToString();
			d.Escape(m);
			break;
		}
		default: // no operands
			break;
		}
		if(s.IsError())
			return;
	}
}

// Closes the levels the drawing left open, then the playback's own clip.
void sPlayer::CloseAll()
{
	while(stack.GetCount() >= 2) {
		stack.Drop(2);
		d.EndOp();
	}
	d.EndOp();
}

} // namespace

void PlayDrawing(Draw& d, const Rect& target, const Drawing& w)
{
	int64 tcx = int64(target.right) - target.left;
	int64 tcy = int64(target.bottom) - target.top;
	if(tcx <= 0 || tcy <= 0 || w.size.cx <= 0 || w.size.cy <= 0 || tDrawingDepth >= MAX_DRAWING_DEPTH)
		return;
	struct Depth {
		Depth()  { tDrawingDepth++; }
		~Depth() { tDrawingDepth--; }
	} depth;
	d.ClipoffOp(target);
	sPlayer p(d, w, tcx, tcy);
	try {
		p.Play();
	}
	catch(...) {
		p.CloseAll();
		throw;
	}
	p.CloseAll();
}

// The default body of every target: play the record onto the target itself.
void Draw::DrawDrawingOp(const Rect& target, const Drawing& w)
{
	PlayDrawing(*this, target, w);
}

} // namespace Qel
