// Internals of BufferPainter shared by its sources (and its tests): the records of paths, clip
// levels, on-path placement and co-mode jobs, and the buffer limit.
#pragma once

#include <painter/buffer/BufferPainter.h>

namespace Qel {

// One clip level: per image line nullptr (hidden), (byte*)1 (visible) or a run-length block
// (see ClipFiller). A level without lines hides everything.
class BufferPainter::ClipLevel {
public:
	using Relocatable = void;

	bool        HasLines() const      { return line; }
	const byte* operator[](int y) const { return line[y]; }
	int         GetCount() const      { return cy; }

	ClipLevel() = default;
	ClipLevel(ClipLevel&& b) noexcept : line(b.line), cy(b.cy) { b.line = nullptr; b.cy = 0; }
	ClipLevel& operator=(ClipLevel&& b) noexcept;
	ClipLevel(const ClipLevel&) = delete;
	ClipLevel& operator=(const ClipLevel&) = delete;
	~ClipLevel()                      { Clear(); }

private:
	friend class BufferPainter;
	byte** line = nullptr;
	int    cy = 0;

	void Create(int cy);         // every line hidden
	void Set(int y, byte* l);    // takes over l
	void Clear();
};

// A point of a path recorded for placement along it, with the length of the segment ending
// there (0 after a move).
struct BufferPainter::PathLine {
	Pointf p;
	double len;
};

class BufferPainter::OnPathTarget : public LinearPathConsumer {
public:
	Vector<PathLine> path;
	Pointf           pos = Pointf(0, 0);
	double           len = 0;

	void Move(const Pointf& p) override;
	void Line(const Pointf& p) override;
	void End() override {}
};

// Element codes of the path buffers.
enum BufferPainter::Element : int { MOVE, LINE, QUADRATIC, CUBIC, CHAR };

// A path: its parts (split by Div), each rendered as a unit of its own.
struct BufferPainter::PathInfo {
	Vector<Vector<byte>> path;
	bool                 ischar = false;
	Rectf                bbox;
	Vector<Vector<byte>> spare; // emptied parts kept for the next path (text makes one per glyph)
};

// One queued part of a path in co mode; records and their rasterisers are reused.
struct BufferPainter::PathJob {
	PathAttr                    attr;
	const PathInfo*             path = nullptr;
	Rectf                       preclip;
	RenderKind                  kind = RenderKind::FILL; // a fill or a stroke
	double                      width = 0;
	Rasterizer                  rasterizer;
	SpanSource*                 ss = nullptr;
	std::unique_ptr<SpanSource> owned;   // the source, on the path's last job
	int                         alpha = 256;
	RGBA                        color = {0, 0, 0, 0};
	RGBA                        solid = {0, 0, 0, 0};
	int                         subpath = 0;
	bool                        evenodd = false;
	bool                        regular = true;
};

namespace detail {
// The largest path element buffer or clip work block, in bytes. Larger needs throw an Exc from
// the painter operation that meets them. Tests lower it.
int64 GetPainterBufferLimit();
void  SetPainterBufferLimit(int64 bytes);
} // namespace detail

} // namespace Qel
