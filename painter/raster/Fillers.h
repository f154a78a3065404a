// Fillers: receivers of one scan line's coverage that blend colour or span pixels into the
// target line, build a run-length clip line, or filter the coverage for another filler.
#pragma once

#include "Rasterizer.h"

#include <Core/types/Color.h>

namespace Qel {

// Source of pixel spans for gradient and image fills.
class SpanSource {
public:
	virtual void Get(RGBA* span, int x, int y, unsigned len) = 0;
	// Where the source already holds the span's pixels as Get would give them (an image
	// placed at whole pixels), those pixels, which stay valid while the source lives; else null.
	virtual const RGBA* Peek(int x, int y, unsigned len) { (void)x; (void)y; (void)len; return nullptr; }
	virtual ~SpanSource() = default;
};

// Blend premultiplied s with coverage v (0..256) into d.
void AlphaBlendCover(RGBA& d, const RGBA& s, int v);
// Premultiplied s scaled by v/256.
RGBA ScaleRGBA(const RGBA& s, int v);

struct SolidFiller : Rasterizer::Filler {
	RGBA* t = nullptr;
	RGBA  c = {0, 0, 0, 0};
	bool  invert = false;

	void Start(int minx, int maxx) override;
	void Render(int val) override;
	void Render(int val, int len) override;
};

struct SpanFiller : Rasterizer::Filler {
	RGBA*       t = nullptr;
	const RGBA* s = nullptr;
	int         y = 0;
	RGBA*       buffer = nullptr;  // at least maxx - minx + 1 pixels
	SpanSource* ss = nullptr;
	int         alpha = 256;

	void Start(int minx, int maxx) override;
	void Render(int val) override;
	void Render(int val, int len) override;
};

// Coverage per sub-column (three per pixel: red, green, blue), spread over five sub-columns
// with weights 1-2-3-2-1 ninths to tame colour fringes. sbuffer holds 3 x width + 30 entries.
struct SubpixelFiller : Rasterizer::Filler {
	int16*      sbuffer = nullptr;
	int16*      begin = nullptr;
	RGBA*       t = nullptr;
	RGBA*       end = nullptr;
	int16*      v = nullptr;
	const RGBA* s = nullptr;
	RGBA        color = {0, 0, 0, 0};
	SpanSource* ss = nullptr;
	int         alpha = 256;
	RGBA*       buffer = nullptr;
	int         y = 0;
	bool        invert = false;

	void Start(int minx, int maxx) override;
	void Render(int val) override;
	void Render(int val, int len) override;
	void End() override;

private:
	void Write(int n);
};

// Builds one clip line: Finish gives 0 (nothing visible), 1 (all visible) or a new block with
// the run-length code (release with MemoryFree): byte 1..255 one column of that mask value;
// 0, n < 128: n + 1 invisible columns; 0, n >= 128: n - 127 visible columns.
class ClipFiller : public Rasterizer::Filler {
public:
	void Start(int minx, int maxx) override;
	void Render(int val) override;
	void Render(int val, int len) override;

	void  Clear();
	byte* Finish();

	static bool  IsClipBlock(const byte* l) { return (uintptr_t)l > 1; }

	ClipFiller(int cx);
	~ClipFiller();
	ClipFiller(const ClipFiller&) = delete;
	ClipFiller& operator=(const ClipFiller&) = delete;

private:
	byte* buffer;
	byte* t;
	int   x;
	int   cx;
	int   last;
	byte* lastn;
	bool  empty;
	bool  full;

	void  Runs(int kind, int len);
};

class MaskFillerFilter : public Rasterizer::Filler {
public:
	void Start(int minx, int maxx) override;
	void Render(int val) override;
	void Render(int val, int len) override;
	void End() override;

	void Set(Rasterizer::Filler* t_, const byte* mask_) { t = t_; mask = mask_; empty = full = 0; }

private:
	Rasterizer::Filler* t = nullptr;
	const byte*         mask = nullptr;
	int                 empty = 0;
	int                 full = 0;
};

struct NoAAFillerFilter : Rasterizer::Filler {
	Rasterizer::Filler* t = nullptr;

	void Start(int minx, int maxx) override { t->Start(minx, maxx); }
	void Render(int val) override           { t->Render(val > 127 ? 256 : 0); }
	void Render(int val, int len) override  { t->Render(val > 127 ? 256 : 0, len); }
	void End() override                     { t->End(); }
};

struct NilFiller : Rasterizer::Filler {
	void Start(int, int) override {}
	void Render(int) override {}
	void Render(int, int) override {}
};

} // namespace Qel
