// Rasterizer: anti-aliased scan conversion of flattened paths into per-line coverage 0..256.
// Fixed point inside: y in 1/256 pixel, x in 1/256 cell column (pixel, or a third of a pixel
// in subpixel mode).
#pragma once

#include "LinearPath.h"

namespace Qel {

class Rasterizer : public LinearPathConsumer {
public:
	class Filler {
	public:
		virtual void Start(int minx, int maxx) = 0;
		virtual void Render(int val) = 0;
		virtual void Render(int val, int len) = 0;
		virtual void End() {}
		virtual ~Filler() = default;
	};

	struct Cell {
		int32 x;      // 32-bit so very wide images in subpixel mode do not overflow
		int16 cover;
		int32 area;
	};

	void Move(const Pointf& p) override;
	void Line(const Pointf& p) override;
	void End() override {}

	void Create(int cx, int cy, bool subpixel);
	void Reset();

	int  GetMinY() const { return min_y; }
	int  GetMaxY() const { return max_y; }
	Size GetSize() const { return size; }
	bool IsSubpixel() const { return mx == 768; }

	void Render(int y, Filler& f, bool evenodd);

	// Fixed-point entry points, public for the tests of the exact arithmetic.
	void AddClippedLine(double x1, double y1, double x2, double y2);
	void AddLine(int x1, int y1, int x2, int y2);

	int         GetCellCount(int y) const { return lines[y].count; }
	const Cell* GetCells(int y) const     { return lines[y].Cells(); }

	Rasterizer() = default;
	Rasterizer(int cx, int cy, bool subpixel = false) { Create(cx, cy, subpixel); }
	~Rasterizer();

	Rasterizer(const Rasterizer&) = delete;
	Rasterizer& operator=(const Rasterizer&) = delete;

private:
	enum { INLINE_CELLS = 15, DENSE_CELLS = 256 };

	struct CellLine {
		int count = 0;
		int capacity = INLINE_CELLS;
		union {
			Cell  inl[INLINE_CELLS];
			Cell* heap;
		};

		Cell*       Cells()       { return capacity == INLINE_CELLS ? inl : heap; }
		const Cell* Cells() const { return capacity == INLINE_CELLS ? inl : heap; }
		void        Clear();
		void        Grow(int newcap);
		CellLine() {}
	};

	Rectf     clip = Rectf(0, 0, 0, 0);
	Pointf    p0;
	CellLine* lines = nullptr;
	int       min_y = 2147483647;
	int       max_y = -2147483647 - 1;
	Size      size;
	int       mx = 256;

	void Free();
	void AddCell(int ey, int x, int cover, int area);
	Cell* Reserve(int ey, int n);
	void RowSegment(int ey, int x1, int fy1, int x2, int fy2);
	void RowSegmentCells(int ey, int x1, int x2, int dy);
	bool Touch(int ey);
};

} // namespace Qel
