// The cache of glyph coverage. A glyph is rasterised once per (font, character, phase of its
// origin, subpixel mode) from its cached outline, placed so that it lies wholly inside a private
// rasteriser; the cells that come out are those any rasteriser makes of the glyph at the same
// phase, moved by whole pixels, because the fixed-point arithmetic only sees the fractions.
#include <painter/buffer/detail/GlyphCoverage.h>
#include <painter/raster/detail/RasterizerCells.h>
#include "BufferPainter.h"

#include <Core/container/Index.h>
#include <Core/base/Heap.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <new>
#include <pthread.h>

namespace Qel {

// Cells from the cache enter the rasteriser as if its own segments had made them.
bool Rasterizer::TouchLines(int y0, int y1)
{
	if(!start || y0 > y1 || y0 < 0 || y1 > size.cy)
		return false;
	is_sealed = false;
	min_y = std::min(min_y, y0);
	max_y = std::max(max_y, y1 < size.cy - 1 ? y1 : size.cy - 1);
	return true;
}

namespace detail {

namespace {

// Larger glyphs are rasterised from their outlines each time: they are rare, and their coverage
// would crowd out the text sizes the cache is for.
constexpr int    MAX_GLYPH_PIXELS = 256;
constexpr int    SHARDS = 16;
constexpr size_t DEFAULT_BUDGET = 8 << 20;

// A plain mutex: under contention a waiting thread sleeps rather than spin against the holder.
struct sLock {
	pthread_mutex_t m = PTHREAD_MUTEX_INITIALIZER;

	void Enter() { pthread_mutex_lock(&m); }
	void Leave() { pthread_mutex_unlock(&m); }
};

struct sKey {
	using Relocatable = void;
	int64 font;
	int32 ch;
	int32 mode; // phases and subpixel flag

	bool  operator==(const sKey& b) const { return font == b.font && ch == b.ch && mode == b.mode; }
	qword GetHashValue() const            { return CombineHash(font, ch).Put(mode); }
	// Its top bits depend on every part: they pick the shard and the front slot.
	qword Mixed() const
	{
		qword h = GetHashValue();
		h ^= h >> 29;
		return h * 0x9E3779B97F4A7C15ull;
	}
};

struct alignas(64) sShard {
	sLock                   lock;
	Index<sKey>             key;
	Vector<GlyphCoverage*>  item;
	GlyphCoverage           lru;   // head of the recency ring: next is the most recent
	size_t                  bytes = 0;

	sShard() { lru.prev = lru.next = &lru; }
};

struct sCache {
	sShard              shard[SHARDS];
	std::atomic<size_t> budget{DEFAULT_BUDGET};
};

// Never destroyed: glyphs are drawn by static objects' destructors too.
sCache& sGlyphCache()
{
	alignas(sCache) static unsigned char buffer[sizeof(sCache)];
	static sCache* c = new(buffer) sCache;
	return *c;
}

void sUnlinkLru(GlyphCoverage* g)
{
	g->prev->next = g->next;
	g->next->prev = g->prev;
}

void sLinkLru(sShard& s, GlyphCoverage* g)
{
	g->next = s.lru.next;
	g->prev = &s.lru;
	s.lru.next->prev = g;
	s.lru.next = g;
}

// The outline of the glyph, as the painter's path chain would get it, relative to the origin.
struct sOutline : LinearPathConsumer {
	Vector<Pointf> point;
	Vector<bool>   move;

	void Move(const Pointf& p) override { point.Add(p); move.Add(true); }
	void Line(const Pointf& p) override { point.Add(p); move.Add(false); }
};

// Writes the coverage the rasteriser renders for one line.
struct sMaskFiller : Rasterizer::Filler {
	uint16* row = nullptr;
	int     x0 = 0;
	int     x = 0;

	void Start(int minx, int) override { x = minx - x0; }
	void Render(int val) override      { row[x++] = (uint16)val; }
	void Render(int val, int len) override
	{
		for(int i = 0; i < len; i++)
			row[x++] = (uint16)val;
	}
};

GlyphCoverage* sMake(Font fnt, int ch, int phasex, int phasey, bool subpixel)
{
	sOutline o;
	ApproximateChar(o, Pointf(0, 0), ch, fnt, 0.3);
	double l = INFINITY, t = INFINITY, r = -INFINITY, b = -INFINITY;
	for(const Pointf& p : o.point) {
		if(!std::isfinite(p.x) || !std::isfinite(p.y))
			return nullptr;
		l = std::min(l, p.x);
		t = std::min(t, p.y);
		r = std::max(r, p.x);
		b = std::max(b, p.y);
	}
	bool empty = o.point.IsEmpty();
	if(!empty && (r - l > MAX_GLYPH_PIXELS || b - t > MAX_GLYPH_PIXELS))
		return nullptr;
	// The glyph goes where its box starts a pixel in, at the phase asked for.
	int kx = empty ? 0 : 1 - (int)std::floor(l);
	int ky = empty ? 0 : 1 - (int)std::floor(t);
	double ox = kx + (double)phasex / GLYPH_PHASES;
	double oy = ky + (double)phasey / GLYPH_PHASES;
	int cx = empty ? 1 : (int)std::ceil(ox + r) + 2;
	int cy = empty ? 1 : (int)std::ceil(oy + b) + 2;
	thread_local Rasterizer raster;
	Size sz = raster.GetSize();
	if(sz.cx < cx || sz.cy < cy || raster.IsSubpixel() != subpixel)
		raster.Create(std::max(sz.cx, cx), std::max(sz.cy, cy), subpixel);
	raster.Reset();
	for(int i = 0; i < o.point.GetCount(); i++) {
		Pointf p(o.point[i].x + ox, o.point[i].y + oy);
		if(o.move[i])
			raster.Move(p);
		else
			raster.Line(p);
	}
	raster.Seal();
	int miny = raster.GetMinY(), maxy = raster.GetMaxY();
	int rows = miny <= maxy ? maxy - miny + 1 : 0;
	int ncells = 0;
	int minx = INT_MAX, maxx = INT_MIN;
	for(int y = miny; y <= maxy; y++) {
		int n = RasterizerCells::Count(raster, y);
		const Rasterizer::Cell* c = RasterizerCells::Get(raster, y);
		ncells += n;
		for(int i = 0; i < n; i++) {
			minx = std::min(minx, c[i].x);
			maxx = std::max(maxx, c[i].x);
		}
	}
	bool mask = !subpixel && ncells;
	int mw = mask ? maxx - minx + 1 : 0;
	int stride = mask ? mw + GLYPH_MASK_PAD : 0;
	size_t bytes = sizeof(GlyphCoverage) + sizeof(int) * (rows + 1) + sizeof(Rasterizer::Cell) * ncells +
	               sizeof(uint16) * stride * rows + sizeof(int16) * 2 * rows + 16;
	byte* block = (byte*)MemoryAlloc(bytes);
	GlyphCoverage* g = new(block) GlyphCoverage;
	byte* q = block + sizeof(GlyphCoverage);
	int* rowstart = (int*)q;
	q += sizeof(int) * (rows + 1);
	Rasterizer::Cell* cells = (Rasterizer::Cell*)q;
	q += sizeof(Rasterizer::Cell) * ncells;
	uint16* m = (uint16*)q;
	q += sizeof(uint16) * stride * rows;
	int16* span = (int16*)q;
	int unit = subpixel ? 3 : 1;
	int k = 0;
	for(int i = 0; i < rows; i++) {
		int y = miny + i;
		int n = RasterizerCells::Count(raster, y);
		const Rasterizer::Cell* c = RasterizerCells::Get(raster, y);
		rowstart[i] = k;
		for(int j = 0; j < n; j++) {
			cells[k] = c[j];
			cells[k].x -= kx * unit;
			k++;
		}
		if(mask) {
			uint16* row = m + (size_t)i * stride;
			memset(row, 0, sizeof(uint16) * stride);
			sMaskFiller f;
			f.row = row;
			f.x0 = minx;
			raster.Render(y, f, true);
			int a = 0, e = mw;
			while(a < e && !row[a])
				a++;
			while(e > a && !row[e - 1])
				e--;
			span[2 * i] = (int16)a;
			span[2 * i + 1] = (int16)e;
		}
	}
	rowstart[rows] = k;
	g->left = empty ? 1 : l;
	g->top = empty ? 1 : t;
	g->right = empty ? 0 : r;
	g->bottom = empty ? 0 : b;
	g->row0 = rows ? miny - ky : 0;
	g->rows = rows;
	g->touch0 = rows ? miny - ky : 0; // no line touched: an empty range
	g->touch1 = rows ? maxy - ky : -1;
	g->rowstart = rowstart;
	g->cells = cells;
	g->mx0 = minx - kx;
	g->mw = mw;
	g->stride = stride;
	g->mask = mask ? m : nullptr;
	g->span = mask ? span : nullptr;
	g->bytes = bytes;
	raster.Reset();
	return g;
}

} // namespace

void GlyphCoverage::Release()
{
	if(refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
		this->~GlyphCoverage();
		MemoryFree(this);
	}
}

bool GlyphOrigin(double x, double y, int& ix, int& iy, int& phasex, int& phasey)
{
	double fx = x * GLYPH_PHASES + 0.5;
	double fy = y * GLYPH_PHASES + 0.5;
	if(!(std::fabs(fx) < 1e9 && std::fabs(fy) < 1e9))
		return false;
	static_assert(GLYPH_PHASES == 4);
	// rounded down (std::floor is a call where the processor has no rounding instruction)
	int a = (int)fx, b = (int)fy;
	a -= a > fx;
	b -= b > fy;
	ix = a >> 2; // floor division, negative positions too
	iy = b >> 2;
	phasex = a & 3;
	phasey = b & 3;
	return true;
}

namespace {

GlyphCoverage* sGetShared(const sKey& k, Font fnt, int ch, int phasex, int phasey, bool subpixel, size_t budget)
{
	sCache& c = sGlyphCache();
	sShard& s = c.shard[(k.Mixed() >> 56) % SHARDS];
	s.lock.Enter();
	int i = s.key.Find(k);
	if(i >= 0) {
		GlyphCoverage* g = s.item[i];
		if(s.lru.next != g) {
			sUnlinkLru(g);
			sLinkLru(s, g);
		}
		g->Retain();
		s.lock.Leave();
		return g;
	}
	s.lock.Leave();
	// Made outside the lock; a thread that made it meanwhile wins.
	GlyphCoverage* g = sMake(fnt, ch, phasex, phasey, subpixel);
	size_t room = budget / SHARDS;
	if(!g || g->bytes > room / 4)
		return g;
	GlyphCoverage* drop = nullptr;
	s.lock.Enter();
	i = s.key.Find(k);
	if(i >= 0) {
		drop = g;
		g = s.item[i];
		g->Retain();
		s.lock.Leave();
		drop->Release();
		return g;
	}
	i = s.key.Put(k);
	if(i >= s.item.GetCount())
		s.item.SetCount(i + 1, nullptr);
	s.item[i] = g;
	g->slot = i;
	g->Retain(); // the cache's reference
	sLinkLru(s, g);
	s.bytes += g->bytes;
	// The least recently used go; a glyph being drawn lives on until its drawer lets it go.
	Vector<GlyphCoverage*> gone;
	while(s.bytes > room && s.lru.prev != g) {
		GlyphCoverage* old = s.lru.prev;
		sUnlinkLru(old);
		s.key.Unlink(old->slot);
		s.item[old->slot] = nullptr;
		s.bytes -= old->bytes;
		gone.Add(old);
	}
	s.lock.Leave();
	for(GlyphCoverage* old : gone)
		old->Release();
	return g;
}

// Each thread keeps the glyphs it drew last in front of the shared cache, with a reference to
// each: a glyph drawn again is found without a lock or a reference count. What the front holds
// is bounded apart from the shared budget.
struct sFront {
	static constexpr int    SLOTS = 256;
	static constexpr size_t MAX_BYTES = 256 << 10;

	struct Slot {
		sKey           key{0, 0, -1};
		GlyphCoverage* g = nullptr;
	};
	Slot           slot[SLOTS];
	GlyphCoverage* current = nullptr; // one not kept in a slot, held until the next lookup
	size_t         bytes = 0;
	uint32         generation = 0;

	void Clear()
	{
		for(Slot& s : slot)
			if(s.g) {
				s.g->Release();
				s = Slot();
			}
		if(current)
			current->Release();
		current = nullptr;
		bytes = 0;
	}
	~sFront() { Clear(); }
};

std::atomic<uint32> sGeneration{1}; // a new budget empties the fronts

} // namespace

const GlyphCoverage* FindGlyphCoverage(Font fnt, int ch, int phasex, int phasey, bool subpixel)
{
	thread_local sFront front;
	uint32 gen = sGeneration.load(std::memory_order_acquire);
	if(front.generation != gen) {
		front.Clear();
		front.generation = gen;
	}
	sKey k{fnt.AsInt64(), ch, phasex | phasey << 4 | subpixel << 8};
	sFront::Slot& f = front.slot[(k.Mixed() >> 48) % sFront::SLOTS];
	if(f.g && f.key == k)
		return f.g;
	size_t budget = sGlyphCache().budget.load(std::memory_order_relaxed);
	if(budget == 0)
		return nullptr;
	GlyphCoverage* g = sGetShared(k, fnt, ch, phasex, phasey, subpixel, budget);
	if(!g)
		return nullptr;
	if(front.current) {
		front.current->Release();
		front.current = nullptr;
	}
	if(f.g) {
		front.bytes -= f.g->bytes;
		f.g->Release();
		f.g = nullptr;
	}
	if(front.bytes + g->bytes <= sFront::MAX_BYTES) {
		f.key = k;
		f.g = g;
		front.bytes += g->bytes;
	}
	else
		front.current = g;
	return g;
}

size_t GetGlyphCacheBytes()
{
	size_t n = 0;
	for(sShard& s : sGlyphCache().shard) {
		s.lock.Enter();
		n += s.bytes;
		s.lock.Leave();
	}
	return n;
}

size_t GetGlyphCacheBudget()
{
	return sGlyphCache().budget.load(std::memory_order_relaxed);
}

void SetGlyphCacheBudget(size_t bytes)
{
	sCache& c = sGlyphCache();
	c.budget.store(bytes, std::memory_order_relaxed);
	sGeneration.fetch_add(1, std::memory_order_release);
	size_t room = bytes / SHARDS;
	for(sShard& s : c.shard) {
		Vector<GlyphCoverage*> gone;
		s.lock.Enter();
		while(s.bytes > room && s.lru.prev != &s.lru) {
			GlyphCoverage* old = s.lru.prev;
			sUnlinkLru(old);
			s.key.Unlink(old->slot);
			s.item[old->slot] = nullptr;
			s.bytes -= old->bytes;
			gone.Add(old);
		}
		s.lock.Leave();
		for(GlyphCoverage* old : gone)
			old->Release();
	}
}

} // namespace detail

} // namespace Qel
