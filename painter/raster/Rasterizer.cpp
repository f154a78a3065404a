#include "Rasterizer.h"

#include <Core/base/Panic.h>
#include <Core/base/Heap.h>
#include <Core/container/Sort.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace Qel {

// Cells of a path go to one array in the order they are made, tagged with their line, and are
// grouped by line once the path is complete (Seal). Small paths thus touch a few contiguous
// blocks instead of a line record per row, which matters most for the many rasterisers of co
// mode, each filled on one thread and rendered on others.
void Rasterizer::Free()
{
	MemoryFree(cells);
	MemoryFree(sealed);
	MemoryFree(edge);
	delete[] start;
	cells = nullptr;
	sealed = nullptr;
	start = nullptr;
	edge = nullptr;
	has_edges = false;
	count = capacity = sealed_capacity = 0;
}

Rasterizer::~Rasterizer()
{
	Free();
}

void Rasterizer::Create(int cx, int cy, bool subpixel)
{
	Free();
	cx = cx < 0 ? 0 : cx;
	cy = cy < 0 ? 0 : cy;
	size = Size(cx, cy);
	mx = subpixel ? 768 : 256;
	// Memory in proportion to what can be seen: legitimate paths stay far below it, hostile ones
	// stop there.
	limit = (int)std::clamp<int64>(16 * ((int64)cx * (subpixel ? 3 : 1) + 1) * ((int64)cy + 1), 1 << 18, 1 << 24);
	full = false;
	start = new int[(size_t)cy + 2];
	clip = Rectf(0, 0, cx, cy);
	p0 = Pointf(0, 0);
	min_y = 2147483647;
	max_y = -2147483647 - 1;
	is_sealed = true;
}

void Rasterizer::Reset()
{
	if(has_edges) {
		if(size.cy > 1024) { // tall: not kept (co mode has hundreds of rasterisers)
			MemoryFree(edge);
			edge = nullptr;
		}
		else { // the entries touched: min_y .. max_y + 1, and the two of the spill line
			int last = std::min(max_y + 2, size.cy + 1);
			for(int side = 0; side < 2; side++)
				memset(edge + side * ((size_t)size.cy + 2) + min_y, 0, sizeof(int64) * (last - min_y + 1));
		}
		has_edges = false;
	}
	full = false;
	count = 0;
	is_sealed = true;
	// storage is kept for the next path, unless one path made it large
	if(capacity > 16384) {
		MemoryFree(cells);
		cells = nullptr;
		capacity = 0;
	}
	if(sealed_capacity > 16384) {
		MemoryFree(sealed);
		sealed = nullptr;
		sealed_capacity = 0;
	}
	p0 = Pointf(0, 0);
	min_y = 2147483647;
	max_y = -2147483647 - 1;
}

bool Rasterizer::Grow(int n)
{
	int64 want = (int64)count + n;
	if(want > limit) {
		full = true;
		return false;
	}
	int64 cap = std::min<int64>(std::max<int64>(want, (int64)capacity + capacity / 2 + 64), limit);
	size_t sz = (size_t)cap * sizeof(LineCell);
	LineCell* b = (LineCell*)MemoryAllocSz(sz);
	if(count)
		memcpy((void*)b, (const void*)cells, (size_t)count * sizeof(LineCell));
	MemoryFree(cells);
	cells = b;
	capacity = (int)std::min<int64>(sz / sizeof(LineCell), limit);
	return true;
}

void Rasterizer::Seal()
{
	if(is_sealed)
		return;
	is_sealed = true;
	if(min_y > max_y || !start)
		return;
	// counting sort by line; cells of the spill line (below max_y) are left out
	int* s = start;
	for(int y = min_y; y <= max_y + 1; y++)
		s[y] = 0;
	int n = 0;
	for(const LineCell* c = cells, *e = cells + count; c < e; c++)
		if(c->y <= max_y) {
			s[c->y]++;
			n++;
		}
	if(has_edges)
		n += SealEdges(s, 0, false) + SealEdges(s, 1, false);
	if(n > sealed_capacity) {
		MemoryFree(sealed);
		sealed = nullptr;
		sealed_capacity = 0;
		size_t sz = (size_t)n * sizeof(Cell);
		sealed = (Cell*)MemoryAllocSz(sz);
		sealed_capacity = (int)std::min<size_t>(sz / sizeof(Cell), 2147483647);
	}
	int at = 0;
	for(int y = min_y; y <= max_y; y++) {
		at += s[y];
		s[y] = at; // end of line y for now; the scatter below moves it to the start
	}
	s[max_y + 1] = at;
	// the border cells at the ends of their lines, where sorting leaves them
	if(has_edges)
		SealEdges(s, 1, true);
	for(int i = count; i-- > 0;) {
		const LineCell& c = cells[i];
		if(c.y <= max_y) {
			Cell& d = sealed[--s[c.y]];
			d.x = c.x;
			d.cover = c.cover;
			d.area = c.area;
		}
	}
	if(has_edges)
		SealEdges(s, 0, true);
}

int Rasterizer::GetCellCount(int y) const
{
	if(y < min_y || y > max_y)
		return 0;
	if(is_sealed)
		return start[y + 1] - start[y];
	int n = 0;
	for(int i = 0; i < count; i++)
		n += cells[i].y == y;
	return n;
}

void Rasterizer::Move(const Pointf& p)
{
	p0 = p;
}

void Rasterizer::Line(const Pointf& p)
{
	AddClippedLine(p0.x, p0.y, p.x, p.y);
	p0 = p;
}

inline void Rasterizer::AddCell(int ey, int x, int cover, int area)
{
	if(count >= capacity && !Grow(1))
		return;
	LineCell& c = cells[count++];
	c.y = ey;
	c.x = x;
	c.cover = (int16)cover;
	c.area = area;
}

inline Rasterizer::LineCell* Rasterizer::Reserve(int ey, int n)
{
	if(count + n > capacity && !Grow(n))
		return nullptr;
	LineCell* c = cells + count;
	count += n;
	for(int i = 0; i < n; i++)
		c[i].y = ey;
	return c;
}

// Cells of a cached glyph; past the cell limit they are dropped, as a segment's would be.
void Rasterizer::AddCells(int ey, const Cell* c, int n, int dx)
{
	if(n <= 0)
		return;
	LineCell* d = Reserve(ey, n);
	if(!d)
		return;
	for(int i = 0; i < n; i++) {
		d[i].x = c[i].x + dx;
		d[i].cover = c[i].cover;
		d[i].area = c[i].area;
	}
}

// Coordinates already clipped to the box, but clamp in double anyway so no conversion can
// leave the int range.
static inline int sFix(double v, double scale)
{
	double f = v * scale + 0.5;
	if(!(f > -1e9))
		f = -1e9;
	if(f > 1e9)
		f = 1e9;
	return (int)f;
}

void Rasterizer::AddClippedLine(double x1, double y1, double x2, double y2)
{
	if(!start || full)
		return;
	// Wholly inside the box (the usual case): no cut, no split. The comparisons fail for NaN.
	if(x1 >= clip.left && x1 <= clip.right && x2 >= clip.left && x2 <= clip.right &&
	   y1 >= clip.top && y1 <= clip.bottom && y2 >= clip.top && y2 <= clip.bottom) {
		AddLine(sFix(x1, mx), sFix(y1, 256), sFix(x2, mx), sFix(y2, 256));
		return;
	}
	if(!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2))
		return;
	if((y1 < clip.top && y2 < clip.top) || (y1 > clip.bottom && y2 > clip.bottom))
		return;
	if(y1 < clip.top) {
		x1 += (x2 - x1) * (clip.top - y1) / (y2 - y1);
		y1 = clip.top;
	}
	else if(y1 > clip.bottom) {
		x1 += (x2 - x1) * (clip.bottom - y1) / (y2 - y1);
		y1 = clip.bottom;
	}
	if(y2 < clip.top) {
		x2 = x1 + (x2 - x1) * (clip.top - y1) / (y2 - y1);
		y2 = clip.top;
	}
	else if(y2 > clip.bottom) {
		x2 = x1 + (x2 - x1) * (clip.bottom - y1) / (y2 - y1);
		y2 = clip.bottom;
	}
	// cutting a segment of huge extent at the box can overflow: nothing of it can be drawn sanely
	if(!std::isfinite(x1) || !std::isfinite(x2))
		return;
	// Split where the segment crosses the left and right edges; parts outside become vertical
	// segments on the edge, so winding inside the box is unchanged.
	double t[4];
	int n = 0;
	t[n++] = 0;
	if(x1 != x2) {
		double ta = (clip.left - x1) / (x2 - x1);
		double tb = (clip.right - x1) / (x2 - x1);
		if(ta > tb) {
			double h = ta;
			ta = tb;
			tb = h;
		}
		if(ta > 0 && ta < 1)
			t[n++] = ta;
		if(tb > 0 && tb < 1)
			t[n++] = tb;
	}
	t[n++] = 1;
	double px = x1, py = y1;
	for(int i = 1; i < n; i++) {
		double qx = i == n - 1 ? x2 : x1 + (x2 - x1) * t[i];
		double qy = i == n - 1 ? y2 : y1 + (y2 - y1) * t[i];
		// (a NaN from an overflowing split lands on the left edge, never outside the box)
		double ax = !(px >= clip.left) ? clip.left : px > clip.right ? clip.right : px;
		double bx = !(qx >= clip.left) ? clip.left : qx > clip.right ? clip.right : qx;
		// Pieces outside are wholly on one side: edges on it.
		double mxp = (px + qx) / 2;
		if(mxp < clip.left)
			AddEdge(0, py, qy);
		else if(mxp > clip.right)
			AddEdge(1, py, qy);
		else
			AddLine(sFix(ax, mx), sFix(py, 256), sFix(bx, mx), sFix(qy, 256));
		px = qx;
		py = qy;
	}
}

// A vertical edge on the left (side 0) or right (1) border from y1 to y2: per line the cover it
// crosses there (256 a whole line), as the cells of a vertical line would hold it, kept as
// differences so that the edge costs four entries.
void Rasterizer::AddEdge(int side, double y1, double y2)
{
	int fy1 = sFix(y1, 256), fy2 = sFix(y2, 256);
	int ey1 = fy1 >> 8, ey2 = fy2 >> 8;
	if(fy1 == fy2 || !Touch(ey1) || !Touch(ey2))
		return;
	if(!edge) {
		size_t n = 2 * ((size_t)size.cy + 2);
		edge = (int64*)MemoryAlloc(n * sizeof(int64));
		memset(edge, 0, n * sizeof(int64));
	}
	has_edges = true;
	int64* d = edge + side * ((size_t)size.cy + 2);
	int sign = 1;
	if(fy2 < fy1) {
		std::swap(fy1, fy2);
		std::swap(ey1, ey2);
		sign = -1;
	}
	fy1 &= 255;
	fy2 &= 255;
	d[ey1] += sign * (256 - fy1);
	d[ey1 + 1] += sign * fy1;
	d[ey2] += sign * (fy2 - 256);
	d[ey2 + 1] -= sign * fy2;
}

// The summed border covers of one side, each line's as one cell on the border: counted into s,
// or (put) placed at the end of each line's part of the sealed cells, s[y] moving down past it.
// Gives the count.
int Rasterizer::SealEdges(int* s, int side, bool put)
{
	const int64* d = edge + side * ((size_t)size.cy + 2);
	int x = sFix(side ? clip.right : clip.left, mx) >> 8;
	int64 cover = 0;
	int n = 0;
	for(int y = min_y; y <= max_y; y++) {
		int64 v = cover += d[y];
		if(v == 0)
			continue;
		n++;
		if(!put) {
			s[y]++;
			continue;
		}
		// Beyond any sane winding only the parity of the fill and the sign still matter: keep
		// them in range of the cell.
		if(v > (1 << 28) || v < -(1 << 28))
			v = v > 0 ? (1 << 28) + (v & 511) : -((1 << 28) + (-v & 511));
		Cell& c = sealed[--s[y]];
		c.x = x;
		c.cover = (int32)v;
		c.area = 0;
	}
	return n;
}

inline bool Rasterizer::Touch(int ey)
{
	is_sealed = false; // the line range may change even where no cell is made
	if(ey < min_y) {
		if(ey < 0)
			return false;
		min_y = ey;
	}
	if(ey > max_y) {
		if(ey > size.cy)
			return false;
		max_y = ey < size.cy - 1 ? ey : size.cy - 1;
	}
	return true;
}

// Floor division with non-negative remainder.
static inline void sDivFloor(int64 p, int64 d, int& q, int& r)
{
	int64 qq = p / d, rr = p % d;
	if(rr < 0) {
		qq--;
		rr += d;
	}
	q = (int)qq;
	r = (int)rr;
}

// Most row pieces of small shapes stay in one cell: that case is inlined into AddLine.
inline void Rasterizer::RowSegment(int ey, int x1, int fy1, int x2, int fy2)
{
	int dy = fy2 - fy1;
	if(dy == 0)
		return;
	int ex1 = x1 >> 8, ex2 = x2 >> 8;
	if(ex1 == ex2)
		AddCell(ey, ex1, dy, ((x1 & 255) + (x2 & 255)) * dy);
	else
		RowSegmentCells(ey, x1, x2, dy);
}

void Rasterizer::RowSegmentCells(int ey, int x1, int x2, int dy)
{
	int ex1 = x1 >> 8, ex2 = x2 >> 8;
	int fx1 = x1 & 255, fx2 = x2 & 255;
	int n = ex2 > ex1 ? ex2 - ex1 + 1 : ex1 - ex2 + 1;
	LineCell* c = Reserve(ey, n);
	if(!c)
		return;
	int64 p;
	int first, step, dx;
	if(x2 < x1) {
		p = (int64)fx1 * dy;
		first = 0;
		step = -1;
		dx = x1 - x2;
	}
	else {
		p = (int64)(256 - fx1) * dy;
		first = 256;
		step = 1;
		dx = x2 - x1;
	}
	int delta, mod;
	sDivFloor(p, dx, delta, mod);
	c->x = ex1;
	c->cover = (int16)delta;
	c->area = (fx1 + first) * delta;
	c++;
	int used = delta;
	int ex = ex1 + step;
	if(ex != ex2) {
		int lift, rem;
		sDivFloor((int64)256 * dy, dx, lift, rem);
		mod -= dx;
		while(ex != ex2) {
			delta = lift;
			mod += rem;
			if(mod >= 0) {
				mod -= dx;
				delta++;
			}
			c->x = ex;
			c->cover = (int16)delta;
			c->area = 256 * delta;
			c++;
			used += delta;
			ex += step;
		}
	}
	delta = dy - used;
	c->x = ex2;
	c->cover = (int16)delta;
	c->area = (fx2 + 256 - first) * delta;
}

void Rasterizer::AddLine(int x1, int y1, int x2, int y2)
{
	int ey1 = y1 >> 8, ey2 = y2 >> 8;
	if(!Touch(ey1) || !Touch(ey2))
		return;
	if((int64)x2 - x1 >= 4194304 || (int64)x1 - x2 >= 4194304) {
		int xm = (int)(((int64)x1 + x2) >> 1), ym = (y1 + y2) >> 1;
		AddLine(x1, y1, xm, ym);
		AddLine(xm, ym, x2, y2);
		return;
	}
	int fy1 = y1 & 255, fy2 = y2 & 255;
	if(ey1 == ey2) {
		RowSegment(ey1, x1, fy1, x2, fy2);
		return;
	}
	if(x1 == x2) {
		int ex = x1 >> 8, two_fx = 2 * (x1 & 255);
		int first = y2 >= y1 ? 256 : 0;
		int step = y2 >= y1 ? 1 : -1;
		int d = first - fy1;
		AddCell(ey1, ex, d, two_fx * d);
		d = 2 * first - 256;
		for(int ey = ey1 + step; ey != ey2; ey += step)
			AddCell(ey, ex, d, two_fx * d);
		d = fy2 + first - 256;
		AddCell(ey2, ex, d, two_fx * d);
		return;
	}
	int64 dx = (int64)x2 - x1;
	int64 dy = (int64)y2 - y1;
	int64 p;
	int first, step;
	if(dy < 0) {
		p = (int64)fy1 * dx;
		first = 0;
		step = -1;
		dy = -dy;
	}
	else {
		p = (int64)(256 - fy1) * dx;
		first = 256;
		step = 1;
	}
	int delta, mod;
	sDivFloor(p, dy, delta, mod);
	int x_from = x1 + delta;
	RowSegment(ey1, x1, fy1, x_from, first);
	int ey = ey1 + step;
	if(ey != ey2) {
		int lift, rem;
		sDivFloor(256 * dx, dy, lift, rem);
		mod -= (int)dy;
		while(ey != ey2) {
			delta = lift;
			mod += rem;
			if(mod >= 0) {
				mod -= (int)dy;
				delta++;
			}
			int x_to = x_from + delta;
			RowSegment(ey, x_from, 256 - first, x_to, first);
			x_from = x_to;
			ey += step;
		}
	}
	RowSegment(ey2, x_from, 256 - first, x2, fy2);
}

static inline int sCoverage(int v, bool evenodd)
{
	if(v < 0)
		v = -v;
	if(evenodd) {
		v &= 511;
		if(v > 256)
			v = 512 - v;
		return v;
	}
	return v > 256 ? 256 : v;
}

// Lines of small shapes hold a few cells, appended in runs along the edges: insertion sort beats
// the general sort there. Cells of equal x are summed, so their order does not matter.
static inline void sSortCells(Rasterizer::Cell* c, Rasterizer::Cell* e)
{
	if(e - c > 24) {
		Sort(c, e, [](const Rasterizer::Cell& a, const Rasterizer::Cell& b) { return a.x < b.x; });
		return;
	}
	for(Rasterizer::Cell* i = c + 1; i < e; i++) {
		if(!(i->x < (i - 1)->x))
			continue;
		Rasterizer::Cell v = *i;
		Rasterizer::Cell* j = i;
		do {
			*j = *(j - 1);
			j--;
		}
		while(j > c && v.x < (j - 1)->x);
		*j = v;
	}
}

void Rasterizer::Render(int y, Filler& f, bool evenodd)
{
	if(!start || y < min_y || y > max_y)
		return;
	Seal();
	int n = start[y + 1] - start[y];
	if(n == 0)
		return;
	Cell* c = sealed + start[y];
	Cell* e = c + n;
	int minx = c->x, maxx = c->x;
	for(const Cell* q = c + 1; q < e; q++) {
		minx = std::min(minx, q->x);
		maxx = std::max(maxx, q->x);
	}
	// Cells packed into a short stretch (small shapes, glyphs) are summed per column in place of
	// sorting; the filler sees the same calls as from the sorted walk below.
	int w = maxx - minx + 1;
	if(w <= DENSE_CELLS && w <= 2 * n + 16) {
		struct Acc {
			int cover;
			int area;
		};
		Acc  acc[DENSE_CELLS];
		bool has[DENSE_CELLS + 1];
		memset((void*)acc, 0, sizeof(Acc) * w);
		memset(has, 0, w);
		has[w] = true; // stops the search for the next used column
		for(const Cell* q = c; q < e; q++) {
			Acc& a = acc[q->x - minx];
			a.cover += q->cover;
			a.area += q->area;
			has[q->x - minx] = true;
		}
		f.Start(minx, maxx);
		int cover = 0;
		for(int i = 0; i < w;) {
			cover += acc[i].cover;
			int a = acc[i].area;
			int x = i;
			if(a) {
				f.Render(sCoverage((int)(((int64)cover * 512 - a) >> 9), evenodd));
				x++;
			}
			int j = i + 1;
			while(!has[j])
				j++;
			if(j < w && j > x)
				f.Render(sCoverage(cover, evenodd), j - x);
			i = j;
		}
		f.End();
		return;
	}
	sSortCells(c, e);
	f.Start(c->x, (e - 1)->x);
	int cover = 0;
	while(c < e) {
		int x = c->x;
		int a = 0;
		do {
			cover += c->cover;
			a += c->area;
			c++;
		}
		while(c < e && c->x == x);
		if(a) {
			f.Render(sCoverage((int)(((int64)cover * 512 - a) >> 9), evenodd));
			x++;
		}
		if(c < e && c->x > x)
			f.Render(sCoverage(cover, evenodd), c->x - x);
	}
	f.End();
}

} // namespace Qel
