// Rasterizer: anti-aliased scan conversion of flattened paths into per-line coverage 0..256.
// Fixed point inside: y in 1/256 pixel, x in 1/256 cell column (pixel, or a third of a pixel
// in subpixel mode).
#pragma once

#include <painter/path/LinearPath.h>

namespace Qel {

namespace detail { struct RasterizerCells; }

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
		int32 cover;  // 32-bit for the summed cover of the edges outside the box (no larger)
		int32 area;
	};

	void Move(const Pointf& p) override;
	void Line(const Pointf& p) override;
	void End() override {}

	void Create(int cx, int cy, bool subpixel);
	void Reset();

	// The cells one path may make; past them the rest of the path is dropped (what was added
	// stays) and IsFull tells. Create sets a limit in proportion to the image.
	void SetCellLimit(int n)  { limit = n < 1 ? 1 : n; }
	int  GetCellLimit() const { return limit; }
	bool IsFull() const       { return full; }

	int  GetMinY() const { return min_y; }
	int  GetMaxY() const { return max_y; }
	Size GetSize() const { return size; }
	bool IsSubpixel() const { return mx == 768; }

	void Render(int y, Filler& f, bool evenodd);

	// Line adds its segment through these: AddClippedLine clips it to the area and converts it to
	// fixed point for AddLine.
	void AddClippedLine(double x1, double y1, double x2, double y2);
	void AddLine(int x1, int y1, int x2, int y2);

	// Groups the cells by line. Render does it when needed; callers that render lines on several
	// threads call it once before.
	void Seal();

	// Cells made by another rasteriser (cached glyphs): lines y0..y1 count as touched (false,
	// and nothing done, when they leave the area), then line ey gets n cells with their columns
	// moved by dx.
	bool TouchLines(int y0, int y1);
	void AddCells(int ey, const Cell* c, int n, int dx);

	Rasterizer() = default;
	Rasterizer(int cx, int cy, bool subpixel = false) { Create(cx, cy, subpixel); }
	~Rasterizer();

	Rasterizer(const Rasterizer&) = delete;
	Rasterizer& operator=(const Rasterizer&) = delete;

private:
	friend struct detail::RasterizerCells;

	enum { DENSE_CELLS = 256 };

	struct LineCell {
		int32 y;
		int32 x;
		int32 cover;
		int32 area;
	};

	Rectf     clip = Rectf(0, 0, 0, 0);
	Pointf    p0;
	LineCell* cells = nullptr;   // as made, tagged with the line
	int       count = 0;
	int       capacity = 0;
	Cell*     sealed = nullptr;  // grouped by line: line y is sealed[start[y]] .. sealed[start[y + 1]]
	int       sealed_capacity = 0;
	int*      start = nullptr;   // cy + 2 entries, valid for min_y .. max_y + 1 when sealed
	bool      is_sealed = true;
	int       min_y = 2147483647;
	int       max_y = -2147483647 - 1;
	Size      size;
	int       mx = 256;
	// Pieces outside the box on the left or the right are no cells: their cover is kept per line,
	// as differences from the line above (a piece costs four entries, whatever it spans), and
	// becomes one cell at the box edge when the path is sealed. cy + 2 entries a side, made when
	// first needed.
	int64*    edge = nullptr;
	bool      has_edges = false;
	int       limit = 0;
	bool      full = false;

	int  GetCellCount(int y) const;
	// The cells of line y (seals first).
	const Cell* GetCells(int y) { Seal(); return y < min_y || y > max_y ? nullptr : sealed + start[y]; }

	void Free();
	void AddCell(int ey, int x, int cover, int area);
	LineCell* Reserve(int ey, int n);
	bool Grow(int n);
	void AddEdge(int side, double y1, double y2);
	int  SealEdges(int* s, int side, bool put);
	void RowSegment(int ey, int x1, int fy1, int x2, int fy2);
	void RowSegmentCells(int ey, int x1, int x2, int dy);
	bool Touch(int ey);
};

} // namespace Qel
