// BufferPainter: set-up, the attribute stack, attribute operations and path building.
#include "BufferPainter.h"
#include <painter/buffer/detail/BufferPainterInt.h>

#include <Core/text/Exc.h>
#include <Core/format/Format.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace Qel {

namespace {

std::atomic<int64> sBufferLimit{INT_MAX};

const Pointf sNull(-INFINITY, -INFINITY);

inline bool sIsNullD(double v) { return !std::isfinite(v); }

} // namespace

int64 detail::GetPainterBufferLimit()
{
	return sBufferLimit.load(std::memory_order_relaxed);
}

void detail::SetPainterBufferLimit(int64 bytes)
{
	sBufferLimit.store(bytes, std::memory_order_relaxed);
}

BufferPainter::ClipLevel& BufferPainter::ClipLevel::operator=(ClipLevel&& b) noexcept
{
	if(this != &b) {
		Clear();
		line = b.line;
		cy = b.cy;
		b.line = nullptr;
		b.cy = 0;
	}
	return *this;
}

void BufferPainter::ClipLevel::Create(int n)
{
	Clear();
	if((int64)n * (int64)sizeof(byte*) > detail::GetPainterBufferLimit())
		throw Exc("Clip too large");
	line = (byte**)MemoryAlloc(sizeof(byte*) * (size_t)(n > 0 ? n : 1));
	memset((void*)line, 0, sizeof(byte*) * (size_t)n);
	cy = n;
}

void BufferPainter::ClipLevel::Set(int y, byte* l)
{
	if(ClipFiller::IsClipBlock(line[y]))
		MemoryFree(line[y]);
	line[y] = l;
}

void BufferPainter::ClipLevel::Clear()
{
	if(line) {
		for(int i = 0; i < cy; i++)
			if(ClipFiller::IsClipBlock(line[i]))
				MemoryFree(line[i]);
		MemoryFree(line);
	}
	line = nullptr;
	cy = 0;
}

void BufferPainter::OnPathTarget::Move(const Pointf& p)
{
	path.Add({p, 0.0});
	pos = p;
}

void BufferPainter::OnPathTarget::Line(const Pointf& p)
{
	double d = Distance(pos, p);
	// Past a million records (only hostile curves flatten to that many) the last one stretches
	// to take the rest, so memory stays bounded and the length and the end stay right.
	if(path.GetCount() >= (1 << 20))
		path.Top() = {p, path.Top().len + d};
	else
		path.Add({p, d});
	len += d;
	pos = p;
}

BufferPainter::BufferPainter(ImageBuffer& ib, int mode_)
{
	current = ccontrol = qcontrol = move = sNull;
	Create(ib, mode_);
}

BufferPainter::~BufferPainter()
{
	FinishNoThrow();
	RestoreMasked();
}

void BufferPainter::RestoreMasked() noexcept
{
	if(mask.GetCount())
		*ip = std::move(mask[0]);
	mask.Clear();
}

void BufferPainter::FinishNoThrow() noexcept
{
	try {
		Finish();
	}
	catch(const Exc& e) {
		StdLogPut(~("Painter job failed: " + e + "\n"));
	}
	catch(const std::exception& e) {
		StdLogPut(~(String("Painter job failed: ") + e.what() + "\n"));
	}
	catch(...) {
		StdLogPut("Painter job failed with an unknown exception\n");
	}
}

void BufferPainter::Create(ImageBuffer& ib, int mode_)
{
	Finish(); // queued work belongs to the old target
	RestoreMasked();
	ip = &ib;
	ib.SetKind(IMAGE_ALPHA);
	Sizef sz(ib.GetWidth(), ib.GetHeight());
	if(mode_ != mode || sz != size) {
		mode = mode_;
		size = sz;
		rasterizer.Create(ib.GetWidth(), ib.GetHeight(), mode == RENDER_SUBPIXEL);
		cojob.Clear();
		cofill.Clear();
		jobcount = 0;
		render_cx = ib.GetWidth() * (mode == RENDER_SUBPIXEL ? 3 : 1);
		// Every job keeps a rasteriser with a cell line per image line (about 192 bytes each);
		// the batch shrinks so that a batch's rasterisers stay near 48 MB.
		batchlimit = (int)std::clamp<int64>((48 << 20) / (192 * ((int64)ib.GetHeight() + 1)), 16, 256);
		// Jobs of two batches hold their cells at once: a job that needs more than its share
		// (28 bytes a cell, 512 MB for all) is made again alone (RenderJobsInOrder).
		joblimit = (int)std::clamp<int64>((512 << 20) / (56 * (int64)batchlimit), 16384, rasterizer.GetCellLimit());
		if(mode == RENDER_SUBPIXEL)
			subpixel.Alloc((size_t)render_cx + 30);
		else
			subpixel.Clear();
		co_subpixel.Clear();
		co_span.Clear();
		co_clear.Clear();
		span.Clear();
	}
	AllocWorkerBuffers();
	if(!paths)
		paths.reset(new PathInfo[256]);
	Attr d;
	d.stop = std::move(attr.stop);
	d.stop_sorted = attr.stop_sorted;
	d.onpath = attr.onpath;
	d.filter = attr.filter;
	attr = std::move(d);
	pathattr = attr;
	pathattr.mtx_serial = 0;
	path_index = 0;
	path = &paths[0];
	ClearPath();
	fillcount = emptycount = 0;
	cut = false;
	attrstack.Clear();
	clip.Clear();
	mask.Clear();
	onpathstack.Clear();
	pathlenstack.Clear();
	onpath.Clear();
	pathlen = 0;
	preclip_mtx_serial = -1;
}

void BufferPainter::AllocWorkerBuffers()
{
	if(co && mode == RENDER_SUBPIXEL && co_subpixel.IsEmpty()) {
		int n = CoWork::GetPoolSize();
		for(int i = 0; i < n; i++)
			co_subpixel.Add().Alloc((size_t)render_cx + 30);
	}
}

BufferPainter& BufferPainter::Co(bool b)
{
	if(b != co)
		Finish();
	co = b;
	AllocWorkerBuffers();
	return *this;
}

BufferPainter& BufferPainter::CoThreads(int threads)
{
	Finish();
	co_threads = threads < 0 ? 0 : threads;
	return *this;
}

// Attribute stack --------------------------------------------------------------------------

void BufferPainter::BeginOp()
{
	attr.onpath = false;
	attrstack.Add(attr);
	attr.hasclip = false;
}

void BufferPainter::EndOp()
{
	if(attrstack.IsEmpty())
		return;
	const Attr& s = attrstack.Top();
	bool endmask = s.mask;
	bool endonpath = s.onpath;
	if(clip.GetCount() != s.cliplevel || endmask)
		Finish(); // the pool reads the clip and the target
	attr = attrstack.Top();
	attrstack.Drop();
	pathattr = attr;
	if(clip.GetCount() > attr.cliplevel)
		clip.Trim(attr.cliplevel);
	if(endmask)
		EndMask();
	if(endonpath) {
		attr.onpath = false;
		if(onpathstack.GetCount()) {
			onpath = onpathstack.Pop();
			pathlen = pathlenstack.Pop();
		}
	}
}

// Attribute operations ---------------------------------------------------------------------

void BufferPainter::OpacityOp(double o)
{
	SetAttr([&](Attr& a) { a.opacity *= o; });
}

void BufferPainter::LineCapOp(int linecap)
{
	byte c = linecap == LINECAP_SQUARE || linecap == LINECAP_ROUND ? (byte)linecap : (byte)LINECAP_BUTT;
	SetAttr([&](Attr& a) { a.cap = c; });
}

void BufferPainter::LineJoinOp(int linejoin)
{
	// any code but miter and round bevels (kept whole: a truncated byte could read as miter)
	byte j = linejoin == LINEJOIN_MITER || linejoin == LINEJOIN_ROUND ? (byte)linejoin : (byte)LINEJOIN_BEVEL;
	SetAttr([&](Attr& a) { a.join = j; });
}

void BufferPainter::MiterLimitOp(double l)
{
	SetAttr([&](Attr& a) { a.miter_limit = l; });
}

void BufferPainter::EvenOddOp(bool evenodd)
{
	SetAttr([&](Attr& a) { a.evenodd = evenodd; });
}

void BufferPainter::InvertOp(bool invert)
{
	SetAttr([&](Attr& a) { a.invert = invert; });
}

void BufferPainter::ImageFilterOp(int filter)
{
	SetAttr([&](Attr& a) { a.filter = filter; });
}

const BufferPainter::DashInfo* BufferPainter::InternDash(const String& key, Vector<double>&& dash, double start)
{
	int q = dashes.Find(key);
	if(q >= 0)
		return &dashes[q];
	DashInfo& d = dashes.Add(key);
	d.dash = std::move(dash);
	d.start = start;
	return &d;
}

void BufferPainter::DashOp(const Vector<double>& dash, double start)
{
	const DashInfo* d = nullptr;
	if(dash.GetCount()) {
		String key;
		key.Cat('v');
		key.Cat((const char*)&start, sizeof(double));
		key.Cat((const char*)dash.begin(), dash.GetCount() * (int)sizeof(double));
		d = InternDash(key, Vector<double>(dash), start);
	}
	SetAttr([&](Attr& a) { a.dash = d; });
}

void BufferPainter::DashOp(const String& dash, double start)
{
	String key;
	key.Cat('t');
	if(start != 0)
		key.Cat((const char*)&start, sizeof(double));
	key.Cat(dash);
	int q = dashes.Find(key);
	const DashInfo* d;
	if(q >= 0)
		d = &dashes[q];
	else {
		Vector<double> pat = ParseDashPattern(dash, start);
		d = InternDash(key, std::move(pat), start);
	}
	if(d->dash.IsEmpty())
		d = nullptr;
	SetAttr([&](Attr& a) { a.dash = d; });
}

bool BufferPainter::IsPaintingOp(const Rect& r) const
{
	const Xform2D& m = attr.mtx;
	Rectf b(INFINITY, INFINITY, -INFINITY, -INFINITY);
	for(Pointf p : {Pointf(r.left, r.top), Pointf(r.right, r.top), Pointf(r.left, r.bottom), Pointf(r.right, r.bottom)}) {
		p = m.Transform(p);
		if(!std::isfinite(p.x) || !std::isfinite(p.y))
			return true;
		b = Rectf(std::min(b.left, p.x), std::min(b.top, p.y), std::max(b.right, p.x), std::max(b.bottom, p.y));
	}
	return b.right > 0 && b.bottom > 0 && b.left < size.cx && b.top < size.cy;
}

void BufferPainter::ColorStopOp(double pos, const RGBA& color)
{
	pos = pos < 0 ? 0 : pos > 1 ? 1 : pos;
	if(!std::isfinite(pos))
		pos = 0;
	SetAttr([&](Attr& a) {
		int n = a.stop.GetCount();
		// ascending stops, the usual case, stay in order as they come
		if(a.stop_sorted == n && (n == 0 || a.stop[n - 1].pos < pos))
			a.stop_sorted++;
		a.stop.Add(GradientStop{pos, color});
	});
}

void BufferPainter::SortStops(const Attr& a)
{
	// Stops stand in the order they were given, so a stable sort keeps equal places in that order:
	// a hard edge goes from the first given to the next.
	Vector<GradientStop>& s = a.stop;
	int n = s.GetCount();
	std::stable_sort(s.begin(), s.end(), [](const GradientStop& x, const GradientStop& y) { return x.pos < y.pos; });
	a.stop_sorted = n;
}

void BufferPainter::ClearStopsOp()
{
	SetAttr([&](Attr& a) {
		a.stop.Clear();
		a.stop_sorted = 0;
	});
}

void BufferPainter::TransformOp(const Xform2D& m)
{
	attr.mtx = m * attr.mtx;
	pathattr.mtx = attr.mtx;
	attr.mtx_serial = pathattr.mtx_serial = ++mtx_serial;
}

// Path building ----------------------------------------------------------------------------

void BufferPainter::ClearPath()
{
	pendingtext.active = false;
	current = move = sNull;
	ccontrol = qcontrol = Pointf(0, 0);
	path->ischar = false;
	path->bbox = Rectf(1e200, 1e200, -1e200, -1e200);
	// Parts beyond the first keep their small buffers for the parts of the next path.
	while(path->path.GetCount() > 1) {
		Vector<byte>& b = path->path.Top();
		if(b.GetAlloc() <= 2048 && path->spare.GetCount() < 4096) {
			b.SetCount(0);
			path->spare.Add(std::move(b));
		}
		path->path.Drop();
	}
	if(path->path.IsEmpty())
		path->path.Add();
	Vector<byte>& b = path->path[0];
	if(b.GetAlloc() > 2048) {
		b.Clear();
		b.Reserve(128);
	}
	else
		b.SetCount(0);
}

Pointf BufferPainter::PathPoint(const Pointf& p, bool rel)
{
	if(IsNull(current)) {
		if(co)
			path_index = (path_index + 1) & 255;
		path = &paths[path_index];
		ClearPath();
		pathattr = attr;
		current = Pointf(0, 0);
		// placement along a path follows the newest one
		onpath.Clear();
		pathlen = 0;
	}
	Pointf r;
	r.x = sIsNullD(p.x) ? current.x : rel ? p.x + current.x : p.x;
	r.y = sIsNullD(p.y) ? current.y : rel ? p.y + current.y : p.y;
	// kept whatever the pre-clip option: it may be switched on before the path is rendered
	Rectf& b = path->bbox;
	b.left = std::min(b.left, r.x);
	b.top = std::min(b.top, r.y);
	b.right = std::max(b.right, r.x);
	b.bottom = std::max(b.bottom, r.y);
	return r;
}

Pointf BufferPainter::EndPoint(const Pointf& p, bool rel)
{
	return current = PathPoint(p, rel);
}

void BufferPainter::PutElement(const void* data, int len)
{
	Vector<byte>& b = path->path.Top();
	if((int64)b.GetCount() + len > detail::GetPainterBufferLimit())
		throw Exc("Path too large");
	memcpy(b.AddN(len), data, len);
}

namespace {

// Element records are packed: the code, then the fields, without padding.
template <int N>
struct sElement {
	byte data[N];
	int  n = 0;

	sElement& operator<<(int32 v)         { memcpy(data + n, &v, 4); n += 4; return *this; }
	sElement& operator<<(int64 v)         { memcpy(data + n, &v, 8); n += 8; return *this; }
	sElement& operator<<(const Pointf& p) { memcpy(data + n, &p.x, 8); memcpy(data + n + 8, &p.y, 8); n += 16; return *this; }
};

} // namespace

// A segment without a sub-path starts one where the pen is: at (0, 0) on a new path, at the
// closed sub-path's start after a Close.
void BufferPainter::ImplicitMove()
{
	MoveOp(IsNull(current) ? Pointf(0, 0) : current, false);
}

void BufferPainter::MoveOp(const Pointf& p, bool rel)
{
	move = ccontrol = qcontrol = EndPoint(p, rel);
	sElement<20> e;
	e << (int32)MOVE << current;
	PutElement(e.data, e.n);
}

void BufferPainter::LineOp(const Pointf& p, bool rel)
{
	if(IsNull(move))
		ImplicitMove();
	ccontrol = qcontrol = EndPoint(p, rel);
	sElement<20> e;
	e << (int32)LINE << current;
	PutElement(e.data, e.n);
}

void BufferPainter::QuadraticOp(const Pointf& p1, const Pointf& p, bool rel)
{
	if(IsNull(move))
		ImplicitMove();
	qcontrol = PathPoint(p1, rel);
	EndPoint(p, rel);
	sElement<36> e;
	e << (int32)QUADRATIC << current << qcontrol;
	PutElement(e.data, e.n);
}

void BufferPainter::SmoothQuadraticOp(const Pointf& p, bool rel)
{
	QuadraticOp(Pointf(2 * current.x - qcontrol.x, 2 * current.y - qcontrol.y), p, rel);
}

void BufferPainter::CubicOp(const Pointf& p1, const Pointf& p2, const Pointf& p, bool rel)
{
	if(IsNull(move))
		ImplicitMove();
	Pointf c1 = PathPoint(p1, rel);
	ccontrol = PathPoint(p2, rel);
	EndPoint(p, rel);
	sElement<52> e;
	e << (int32)CUBIC << current << c1 << ccontrol;
	PutElement(e.data, e.n);
}

void BufferPainter::SmoothCubicOp(const Pointf& p2, const Pointf& p, bool rel)
{
	CubicOp(Pointf(2 * current.x - ccontrol.x, 2 * current.y - ccontrol.y), p2, p, rel);
}

void BufferPainter::ArcOp(const Pointf& c, const Pointf& r, double angle, double sweep, bool rel)
{
	if(IsNull(move))
		ImplicitMove();
	AppendArc(*this, PathPoint(c, rel), r, angle, sweep);
}

void BufferPainter::SvgArcOp(const Pointf& r, double xangle, bool large, bool sweep, const Pointf& p, bool rel)
{
	if(IsNull(move))
		ImplicitMove();
	Pointf p0 = current;
	Pointf pe = EndPoint(p, rel);
	AppendSvgArc(*this, r, large, sweep, pe, p0, xangle);
}

void BufferPainter::CloseOp()
{
	if(!IsNull(current) && !IsNull(move) && current != move)
		LineOp(move, false);
	move = sNull;
}

void BufferPainter::DivOp()
{
	CloseOp();
	if(!IsNull(current)) {
		if(path->spare.GetCount())
			path->path.Add(path->spare.Pop());
		else
			path->path.Add();
	}
}

void BufferPainter::CharacterOp(const Pointf& p, int ch, Font fnt)
{
	move = EndPoint(p, false);
	sElement<32> e;
	e << (int32)CHAR << current << (int32)ch << fnt.AsInt64();
	PutElement(e.data, e.n);
	path->ischar = true;
	EvenOddOp(true);
}

} // namespace Qel
