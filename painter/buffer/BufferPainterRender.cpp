// BufferPainter: the path chain, immediate rendering and the two-stage pipeline of co mode.
#include "BufferPainter.h"
#include <painter/buffer/detail/BufferPainterInt.h>

#include <Core/text/Exc.h>
#include <draw/detail/PixelBlend.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <initializer_list>

namespace Qel {

struct BufferPainter::PathChain {
	Transformer         transformer;
	Stroker             stroker;
	Dasher              dasher;
	OnPathTarget        onpath;
	LinearPathConsumer* head = nullptr;
	Rasterizer*         sink = nullptr;
	double              tolerance = 0.3;
	bool                evenodd = false;
	bool                close = false;  // fills and clips: each sub-path closes by itself
	bool                direct = false;
	bool                culled = false;
	bool                cull = false; // curves whose control points all lie outside cullbox are chords
	Rectf               cullbox;      // in device pixels

	explicit PathChain(const Xform2D& m) : transformer(m) {}
};

namespace {

const Rectf sNoPreclip(-INFINITY, -INFINITY, INFINITY, INFINITY);

inline bool sHasPreclip(const Rectf& r) { return std::isfinite(r.left); }

inline int sAlpha(double opacity)
{
	double a = opacity * 256;
	return a >= 256 ? 256 : a > 0 ? (int)a : 0;
}

inline Pointf sGetPoint(const byte* s)
{
	Pointf p;
	memcpy(&p.x, s, 8);
	memcpy(&p.y, s + 8, 8);
	return p;
}

} // namespace

void BufferPainter::SyncTransformCache()
{
	if(pathattr.mtx_serial == preclip_mtx_serial)
		return;
	preclip_mtx_serial = pathattr.mtx_serial;
	const Xform2D& m = pathattr.mtx;
	preclip = sNoPreclip;
	if(dopreclip) {
		Xform2D inv = Inverse(m);
		if(IsFinite(inv)) {
			Pointf c[4] = {inv.Transform(Pointf(0, 0)), inv.Transform(Pointf(size.cx, 0)),
			               inv.Transform(Pointf(0, size.cy)), inv.Transform(Pointf(size.cx, size.cy))};
			Rectf r(c[0].x, c[0].y, c[0].x, c[0].y);
			for(const Pointf& p : c) {
				r.left = std::min(r.left, p.x);
				r.top = std::min(r.top, p.y);
				r.right = std::max(r.right, p.x);
				r.bottom = std::max(r.bottom, p.y);
			}
			if(std::isfinite(r.left) && std::isfinite(r.top) && std::isfinite(r.right) && std::isfinite(r.bottom))
				preclip = r;
		}
	}
	double a = Length(m.TransformVector(Pointf(1, 0)));
	double b = Length(m.TransformVector(Pointf(0, 1)));
	regular = std::fabs(a - b) < std::max(std::fabs(a), std::fabs(b)) * 1e-10;
}

void BufferPainter::SetupChain(PathChain& c, RenderKind kind, double width, const PathInfo& p,
                               const PathAttr& a, Rasterizer& r, const Rectf& pc, bool reg)
{
	c.transformer.target = &r;
	c.sink = &r;
	c.evenodd = a.evenodd;
	c.direct = kind != RenderKind::STROKE && reg && !p.ischar;
	c.close = kind == RenderKind::FILL || kind == RenderKind::CLIP;
	c.culled = false;
	if(sHasPreclip(pc) && !p.ischar) {
		// the farthest a join or cap reaches from the centre line (a limit below one mitres nothing)
		double e = (std::max(a.miter_limit, 1.0) + 1) * std::max(width, 0.0);
		const Rectf& b = p.bbox;
		c.culled = b.bottom + e < pc.top || b.top - e > pc.bottom || b.right + e < pc.left || b.left - e > pc.right;
	}
	if(c.direct) {
		c.tolerance = 0.3;
		c.head = &r;
	}
	else {
		double sa = Length(a.mtx.TransformVector(Pointf(1, 0)));
		double sb = Length(a.mtx.TransformVector(Pointf(0, 1)));
		c.tolerance = 0.3 / std::sqrt((sa * sa + sb * sb) / 2);
		c.head = &c.transformer;
	}
	// A curve whose control polygon lies wholly outside the target (with room for the stroke)
	// adds the same winding inside it as its chord: drawing it as the chord saves flattening
	// curves far off the picture, which hostile sizes make endless. Dashes need the true length.
	double scale = std::max(Length(a.mtx.TransformVector(Pointf(1, 0))), Length(a.mtx.TransformVector(Pointf(0, 1))));
	double margin = 2 + (width > 0 ? (std::max(a.miter_limit, 1.0) + 1) * width * scale : 0);
	c.cull = kind != RenderKind::ONPATH && !a.dash && std::isfinite(margin);
	c.cullbox = Rectf(-margin, -margin, size.cx + margin, size.cy + margin);
	if(kind == RenderKind::ONPATH) {
		c.head = &c.onpath;
		c.direct = false;
		return;
	}
	if(!(width > 0))
		return;
	c.stroker.Init(width, a.miter_limit, c.tolerance, a.cap, a.join, pc);
	c.stroker.target = c.head;
	c.head = &c.stroker;
	c.evenodd = false;
	// The image (and a pixel round it) in path coordinates: the stroker and the dasher spend
	// their work on what shows there.
	Xform2D inv = Inverse(a.mtx);
	Rectf view(-INFINITY, -INFINITY, INFINITY, INFINITY);
	if(IsFinite(inv)) {
		Rectf v(INFINITY, INFINITY, -INFINITY, -INFINITY);
		for(Pointf q : {Pointf(-1, -1), Pointf(size.cx + 1, -1), Pointf(-1, size.cy + 1), Pointf(size.cx + 1, size.cy + 1)}) {
			Pointf u = inv.Transform(q);
			v = Rectf(std::min(v.left, u.x), std::min(v.top, u.y), std::max(v.right, u.x), std::max(v.bottom, u.y));
		}
		if(std::isfinite(v.left) && std::isfinite(v.top) && std::isfinite(v.right) && std::isfinite(v.bottom))
			view = v;
	}
	c.stroker.SetView(view);
	if(a.dash) {
		c.dasher.Init(a.dash->dash, a.dash->start);
		c.dasher.target = c.head;
		c.dasher.sink = &r;
		c.dasher.SetViewCutLimit(std::clamp<int64>(16 * (int64)size.cx * (int64)size.cy, 65536, Dasher::MAX_CUTS));
		// grown by the farthest a join or cap reaches from the centre line
		double e = (std::max(a.miter_limit, 1.0) + 1) * width;
		if(std::isfinite(view.left) && std::isfinite(e))
			c.dasher.SetView(Rectf(view.left - e, view.top - e, view.right + e, view.bottom + e));
		c.head = &c.dasher;
	}
}

void BufferPainter::FeedChain(PathChain& c, const Vector<byte>& data, const PathAttr& a)
{
	const byte* s = data.begin();
	const byte* e = data.end();
	LinearPathConsumer& t = *c.head;
	double tol2 = c.tolerance * c.tolerance;
	bool direct = c.direct;
	const Xform2D& m = a.mtx;
	auto pt = [&](const byte* q) {
		Pointf p = sGetPoint(q);
		return direct ? m.Transform(p) : p;
	};
	auto outside = [&](std::initializer_list<Pointf> ps) {
		if(!c.cull)
			return false;
		bool l = true, r = true, t = true, b = true;
		for(Pointf q : ps) {
			Pointf d = direct ? q : m.Transform(q);
			l = l && d.x < c.cullbox.left;
			r = r && d.x > c.cullbox.right;
			t = t && d.y < c.cullbox.top;
			b = b && d.y > c.cullbox.bottom;
		}
		return l || r || t || b;
	};
	// An area ends each sub-path with the line back to its start, so that one sub-path's end
	// never joins the next one's start; the path itself stays open for a stroke that follows.
	Pointf pos(0, 0), start(0, 0);
	bool open = false;
	auto close = [&] {
		if(c.close && open && pos != start)
			t.Line(start);
		open = false;
	};
	while(e - s >= 4 && !c.sink->IsFull()) {
		int32 code;
		memcpy(&code, s, 4);
		switch(code) {
		case MOVE:
			close();
			pos = start = pt(s + 4);
			t.Move(pos);
			s += 20;
			break;
		case LINE:
			pos = pt(s + 4);
			t.Line(pos);
			open = true;
			s += 20;
			break;
		case QUADRATIC: {
			Pointf p = pt(s + 4), p1 = pt(s + 20);
			if(outside({pos, p1, p}))
				t.Line(p);
			else
				ApproximateQuadratic(t, pos, p1, p, tol2);
			pos = p;
			open = true;
			s += 36;
			break;
		}
		case CUBIC: {
			Pointf p = pt(s + 4), p1 = pt(s + 20), p2 = pt(s + 36);
			if(outside({pos, p1, p2, p}))
				t.Line(p);
			else
				ApproximateCubic(t, pos, p1, p2, p, tol2);
			pos = p;
			open = true;
			s += 52;
			break;
		}
		case CHAR: {
			Pointf p = sGetPoint(s + 4);
			int32 ch;
			int64 f;
			memcpy(&ch, s + 20, 4);
			memcpy(&f, s + 24, 8);
			close();
			ApproximateChar(t, p, ch, Font::FromInt64(f), c.tolerance); // outlines close themselves
			pos = start = p;
			s += 32;
			break;
		}
		default:
			s = e;
			break;
		}
	}
	close();
	t.End();
}

RGBA* BufferPainter::SpanBuffer()
{
	int w = CoWork::GetWorkerIndex();
	if(w >= 0 && w < co_span.GetCount())
		return co_span[w];
	if(!span)
		span.Alloc((size_t)render_cx + 3);
	return span;
}

int16* BufferPainter::SubpixelBuffer()
{
	int w = CoWork::GetWorkerIndex();
	if(w >= 0 && w < co_subpixel.GetCount())
		return co_subpixel[w];
	return subpixel;
}

void BufferPainter::DoClear(int y)
{
	if(co_clear && co_clear[y]) {
		RGBA* t = (*ip)[y];
		RGBA c = co_clear_color;
		for(int x = 0; x < ip->GetWidth(); x++)
			t[x] = c;
		co_clear[y] = 0;
	}
}

void BufferPainter::PendingClears()
{
	if(!co_clear)
		return;
	CoFor(ip->GetHeight(), [&](int y) { DoClear(y); });
	co_clear.Clear();
}

// Runs fn on up to the painter's thread limit (the caller included, never more threads than
// items); instances share the counter they take item numbers from. Only the threads asked for are
// woken, and the caller never waits for a helper that had not started.
template <class F>
void BufferPainter::CoLoop(int items, F fn)
{
	int n = co_threads > 0 ? co_threads : CoWork::GetPoolSize() + 1;
	n = std::min(n, items);
	std::atomic<int> next{0};
	if(n <= 1) {
		fn(next);
		return;
	}
	CoWork cw;
	for(int i = 1; i < n; i++)
		cw.Schedule([&] { fn(next); });
	try {
		fn(next);
	}
	catch(...) {
		try {
			cw.Finish();
		}
		catch(...) {
		}
		throw;
	}
	// The items are gone: helpers not yet started are not waited for.
	cw.Cancel();
	cw.Finish();
}

// The base filler wrapped in the no-AA and mask filters when they apply.
static void sRenderWrapped(Rasterizer& r, int y, Rasterizer::Filler& base, bool noaa, const byte* m,
                           bool evenodd)
{
	if(!noaa && !m) {
		r.Render(y, base, evenodd);
		return;
	}
	Rasterizer::Filler* f = &base;
	NoAAFillerFilter nf;
	MaskFillerFilter mf;
	if(noaa) {
		nf.t = f;
		f = &nf;
	}
	if(m) {
		mf.Set(f, m);
		f = &mf;
	}
	r.Render(y, *f, evenodd);
}

bool BufferPainter::RenderLine(Rasterizer& r, int y, SpanSource* ss, const RGBA& solid, int alpha,
                               bool evenodd, bool invert, ClipFiller* cf)
{
	const ClipLevel* cl = clip.GetCount() ? &clip.Top() : nullptr;
	const byte* m = nullptr;
	if(cl) {
		if(!cl->HasLines() || !(m = (*cl)[y]))
			return false;
		if(m == (const byte*)1) // the whole line is visible
			m = nullptr;
	}
	bool noaa = mode == RENDER_NOAA;
	// only the filler in use is set up: this runs for every line of every path
	if(cf) {
		cf->Clear();
		sRenderWrapped(r, y, *cf, noaa, m, evenodd);
		return true;
	}
	RGBA* line = (*ip)[y];
	if(mode == RENDER_SUBPIXEL) {
		SubpixelFiller subf;
		subf.sbuffer = SubpixelBuffer();
		subf.t = line;
		subf.end = line + ip->GetWidth();
		subf.invert = invert;
		subf.color = solid;
		if(ss) {
			subf.ss = ss;
			subf.alpha = alpha;
			subf.buffer = SpanBuffer();
			subf.y = y;
		}
		sRenderWrapped(r, y, subf, noaa, m, evenodd);
	}
	else if(ss) {
		SpanFiller spf;
		spf.t = line;
		spf.ss = ss;
		spf.alpha = alpha;
		spf.y = y;
		spf.buffer = SpanBuffer();
		sRenderWrapped(r, y, spf, noaa, m, evenodd);
	}
	else {
		SolidFiller sf;
		sf.t = line;
		sf.c = solid;
		sf.invert = invert;
		sRenderWrapped(r, y, sf, noaa, m, evenodd);
	}
	return true;
}

void BufferPainter::RenderImmediate(RenderKind kind, double width, SpanSource* ss, const RGBA& color,
                                    ClipLevel* newclip)
{
	const PathAttr& a = pathattr;
	int alpha = sAlpha(a.opacity);
	if(!newclip && kind != RenderKind::ONPATH && alpha == 0)
		return;
	RGBA solid = detail::ScalePixel(color, alpha);
	Rasterizer& r = rasterizer;
	int n = path->path.GetCount();
	if(kind == RenderKind::ONPATH) {
		PathChain c(a.mtx);
		SetupChain(c, kind, width, *path, a, r, preclip, regular);
		for(int i = 0; i < n; i++)
			FeedChain(c, path->path[i], a);
		onpath = std::move(c.onpath.path);
		pathlen = c.onpath.len;
		return;
	}
	// Glyphs of fills and clips come from the coverage cache when the transform only moves them.
	bool glyphs = path->ischar && (kind == RenderKind::FILL || kind == RenderKind::CLIP);
	bool direct = glyphs && !co && !ss && !newclip && mode == RENDER_AA && !clip.GetCount() && !a.invert && a.evenodd;
	for(int i = 0; i < n; i++) {
		if(direct && PaintGlyph(path->path[i], a, solid))
			continue;
		r.Reset();
		PathChain c(a.mtx);
		SetupChain(c, kind, width, *path, a, r, preclip, regular);
		if(c.culled)
			return;
		if(!glyphs || !FeedGlyph(r, path->path[i], a))
			FeedChain(c, path->path[i], a);
		cut = cut || r.IsFull();
		r.Seal(); // before lines go to several threads
		int miny = r.GetMinY(), maxy = r.GetMaxY();
		if(miny > maxy)
			continue;
		if(newclip) {
			ClipLevel part;
			part.Create(ip->GetHeight());
			ClipFiller cf(render_cx);
			for(int y = miny; y <= maxy; y++)
				if(RenderLine(r, y, nullptr, solid, alpha, c.evenodd, false, &cf))
					part.Set(y, cf.Finish());
			if(newclip->HasLines())
				UniteClip(*newclip, part);
			else
				*newclip = std::move(part);
		}
		else
			RenderLines(r, ss, solid, alpha, c.evenodd, a.invert);
	}
	r.Reset();
}

void BufferPainter::RenderLines(Rasterizer& r, SpanSource* ss, const RGBA& solid, int alpha, bool evenodd, bool invert)
{
	int miny = r.GetMinY(), maxy = r.GetMaxY();
	auto line = [&](int y) {
		DoClear(y);
		RenderLine(r, y, ss, solid, alpha, evenodd, invert, nullptr);
	};
	if(co && maxy - miny >= 7 && !(mode == RENDER_SUBPIXEL && clip.GetCount()))
		CoLoop(maxy - miny + 1, [&](std::atomic<int>& next) {
			for(int y; (y = miny + next.fetch_add(1, std::memory_order_relaxed)) <= maxy;)
				line(y);
		});
	else
		for(int y = miny; y <= maxy; y++)
			line(y);
}

void BufferPainter::CountEmpty()
{
	if(++emptycount + fillcount >= batchlimit) {
		FinishPathJob();
		render.Finish();
	}
}

void BufferPainter::QueueJobs(RenderKind kind, double width, std::unique_ptr<SpanSource>& ss, const RGBA& color)
{
	int n = path->path.GetCount();
	SpanSource* s = ss.get();
	for(int i = 0; i < n; i++) {
		if(fillcount >= cofill.GetCount()) {
			Rasterizer& r = cofill.Add().rasterizer;
			r.Create(ip->GetWidth(), ip->GetHeight(), mode == RENDER_SUBPIXEL);
			r.SetCellLimit(joblimit);
		}
		PathJob& j = cofill[fillcount++];
		j.attr = pathattr;
		j.path = path;
		j.subpath = i;
		j.preclip = preclip;
		j.regular = regular;
		j.kind = kind;
		j.width = width;
		j.color = color;
		j.ss = s;
		if(i == n - 1)
			j.owned = std::move(ss);
		if(fillcount + emptycount >= batchlimit)
			FinishPathJob();
	}
}

void BufferPainter::RenderJobs()
{
	struct Release { // sources go once the batch has rendered, also after a failure
		BufferPainter& p;
		~Release()
		{
			for(int i = 0; i < p.jobcount; i++)
				p.cojob[i].owned.reset();
		}
	} release{*this};
	int miny = ip->GetHeight() - 1, maxy = 0;
	// the line loop reads the jobs' line ranges from one compact block
	Buffer<int> range(2 * (size_t)jobcount);
	for(int i = 0; i < jobcount; i++) {
		PathJob& j = cojob[i];
		j.alpha = sAlpha(j.attr.opacity);
		j.solid = detail::ScalePixel(j.color, j.alpha);
		int lo = j.rasterizer.GetMinY(), hi = j.rasterizer.GetMaxY();
		if(!j.alpha)
			hi = lo - 1;
		range[2 * i] = lo;
		range[2 * i + 1] = hi;
		if(lo <= hi) {
			miny = std::min(miny, lo);
			maxy = std::max(maxy, hi);
		}
	}
	if(miny > maxy)
		return;
	// Per line the jobs that cover it, in queue order (a counting sort by line).
	int nl = maxy - miny + 1;
	Buffer<int> first((size_t)nl + 1, 0);
	for(int i = 0; i < jobcount; i++)
		for(int y = range[2 * i]; y <= range[2 * i + 1]; y++)
			first[y - miny + 1]++;
	for(int k = 0; k < nl; k++)
		first[k + 1] += first[k];
	Buffer<int> jobs(std::max(first[nl], 1));
	Buffer<int> pos((size_t)nl);
	memcpy(pos, first, sizeof(int) * nl);
	for(int i = 0; i < jobcount; i++)
		for(int y = range[2 * i]; y <= range[2 * i + 1]; y++)
			jobs[pos[y - miny]++] = i;
	// what the line loop needs of each job, packed: the job records are large
	struct Brief {
		Rasterizer* r;
		SpanSource* ss;
		RGBA        solid;
		int         alpha;
		bool        evenodd;
		bool        invert;
	};
	Buffer<Brief> brief((size_t)jobcount);
	for(int i = 0; i < jobcount; i++) {
		PathJob& j = cojob[i];
		brief[i] = Brief{&j.rasterizer, j.ss, j.solid, j.alpha, j.evenodd, j.attr.invert};
	}
	auto line = [&](int y) {
		DoClear(y);
		for(int k = first[y - miny]; k < first[y - miny + 1]; k++) {
			const Brief& j = brief[jobs[k]];
			RenderLine(*j.r, y, j.ss, j.solid, j.alpha, j.evenodd, j.invert, nullptr);
		}
	};
	if(maxy - miny < 7) {
		for(int y = miny; y <= maxy; y++)
			line(y);
		return;
	}
	// Threads take runs of neighbouring lines: fewer trips to the shared counter, and the cell
	// lines of a job next to each other in memory stay with one thread.
	int threads = co_threads > 0 ? co_threads : CoWork::GetPoolSize() + 1;
	int run = std::clamp(nl / (8 * threads), 1, 16);
	int runs = (nl + run - 1) / run;
	CoLoop(runs, [&](std::atomic<int>& next) {
		for(int k; (k = next.fetch_add(1, std::memory_order_relaxed)) < runs;) {
			int y = miny + k * run;
			int e = std::min(y + run, maxy + 1);
			for(; y < e; y++)
				line(y);
		}
	});
}

// A batch with a job past its share of cells: each such job is made again alone with the limit of
// a single path and rendered before the next, so that at most one holds that many cells. Job by
// job in queue order gives every pixel the same paths in the same order as the line loop.
void BufferPainter::RenderJobsInOrder()
{
	struct Release {
		BufferPainter& p;
		~Release()
		{
			for(int i = 0; i < p.jobcount; i++)
				p.cojob[i].owned.reset();
		}
	} release{*this};
	for(int i = 0; i < jobcount; i++) {
		PathJob& j = cojob[i];
		Rasterizer& r = j.rasterizer;
		bool big = r.IsFull();
		if(big) {
			r.Reset();
			r.SetCellLimit(rasterizer.GetCellLimit());
			PathChain c(j.attr.mtx);
			SetupChain(c, j.kind, j.width, *j.path, j.attr, r, j.preclip, j.regular);
			if(!c.culled)
				FeedChain(c, j.path->path[j.subpath], j.attr);
			cut = cut || r.IsFull();
			r.Seal();
		}
		j.alpha = sAlpha(j.attr.opacity);
		j.solid = detail::ScalePixel(j.color, j.alpha);
		if(j.alpha && r.GetMinY() <= r.GetMaxY())
			RenderLines(r, j.ss, j.solid, j.alpha, j.evenodd, j.attr.invert);
		if(big)
			r.Reset(); // gives the large block back
	}
}

void BufferPainter::FinishPathJob()
{
	if(fillcount == 0) {
		emptycount = 0;
		return;
	}
	std::exception_ptr e;
	try {
		CoLoop(fillcount, [&](std::atomic<int>& next) {
			for(int i; (i = next.fetch_add(1, std::memory_order_relaxed)) < fillcount;) {
				PathJob& j = cofill[i];
				j.rasterizer.Reset();
				j.rasterizer.SetCellLimit(joblimit); // after a job that was made again alone
				PathChain c(j.attr.mtx);
				SetupChain(c, j.kind, j.width, *j.path, j.attr, j.rasterizer, j.preclip, j.regular);
				j.evenodd = c.evenodd;
				const Vector<byte>& part = j.path->path[j.subpath];
				if(!c.culled && !(j.path->ischar && j.kind == RenderKind::FILL && FeedGlyph(j.rasterizer, part, j.attr)))
					FeedChain(c, part, j.attr);
				j.rasterizer.Seal(); // its lines are rendered on several threads
			}
		});
	}
	catch(...) {
		e = std::current_exception();
	}
	try {
		render.Finish(); // the previous batch has rendered
	}
	catch(...) {
		if(!e)
			e = std::current_exception();
	}
	if(e) { // the batch is dropped; the painter stays usable
		for(int i = 0; i < fillcount; i++) {
			cofill[i].owned.reset();
			cofill[i].rasterizer.Reset();
		}
		fillcount = emptycount = 0;
		std::rethrow_exception(e);
	}
	bool big = false;
	for(int i = 0; i < fillcount; i++)
		big = big || cofill[i].rasterizer.IsFull();
	std::swap(cojob, cofill);
	jobcount = fillcount;
	fillcount = emptycount = 0;
	if(big)
		RenderJobsInOrder();
	else
		render.Schedule([this] { RenderJobs(); });
}

void BufferPainter::Finish()
{
	FinishPathJob();
	render.Finish();
	PendingClears();
}

void BufferPainter::RenderPath(double width, std::unique_ptr<SpanSource> ss, const RGBA& color)
{
	if(width == -2) {
		ClipOp();
		return;
	}
	RenderKind kind = width == -1 ? RenderKind::FILL : width == -3 ? RenderKind::ONPATH : RenderKind::STROKE;
	DoRenderPath(kind, kind == RenderKind::STROKE && width > 0 ? width : 0, ss, color, nullptr);
}

void BufferPainter::DoRenderPath(RenderKind kind, double width, std::unique_ptr<SpanSource>& ss,
                                 const RGBA& color, ClipLevel* newclip)
{
	if(pendingtext.active)
		MakePendingText();
	current = move = Pointf(-INFINITY, -INFINITY);
	bool paints = kind == RenderKind::FILL || kind == RenderKind::STROKE;
	if((kind == RenderKind::STROKE && !(width > 0 && std::isfinite(width))) || (!ss && paints && color.a == 0)) {
		if(co)
			CountEmpty();
		return;
	}
	SyncTransformCache();
	if(ss) {
		if(co && co_span.IsEmpty()) {
			int n = CoWork::GetPoolSize();
			for(int i = 0; i < n; i++)
				co_span.Add().Alloc((size_t)render_cx + 3);
		}
		if(!span)
			span.Alloc((size_t)render_cx + 3);
	}
	if(co) {
		if(paints && mode != RENDER_NOAA) {
			QueueJobs(kind, width, ss, color);
			return;
		}
		FinishPathJob();
		render.Finish();
	}
	RenderImmediate(kind, width, ss.get(), color, newclip);
}

} // namespace Qel
