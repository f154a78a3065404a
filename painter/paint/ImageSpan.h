// Image fill source: the pixels of an image placed by a transform, tiled and filtered, as spans
// of target pixels for a SpanFiller.
#pragma once

#include <painter/raster/Fillers.h>
#include <painter/path/Xform2D.h>

#include <Core/container/Buffer.h>
#include <draw/image/Image.h>
#include <draw/imageops/RescaleFilter.h>

namespace Qel {

// Image fill flags: horizontal tiling in bits 0-1, vertical in bits 2-3, then "fast".
enum {
	FILL_HNONE    = 0, FILL_HPAD = 1, FILL_HREPEAT = 2,  FILL_HREFLECT = 3,
	FILL_VNONE    = 0, FILL_VPAD = 4, FILL_VREPEAT = 8,  FILL_VREFLECT = 12,
	FILL_PAD      = FILL_HPAD | FILL_VPAD,
	FILL_REPEAT   = FILL_HREPEAT | FILL_VREPEAT,
	FILL_REFLECT  = FILL_HREFLECT | FILL_VREFLECT,
	FILL_FAST     = 128,
};

class PainterImageSpan : public SpanSource {
public:
	// m places the image in the target. filter: 0 nearest pixel, 1 bilinear (down-scaled images
	// are first shrunk by whole factors, through the image-maker cache when imagecache is on),
	// other values a rescale kernel number. co lets a large shrink run on the worker pool.
	PainterImageSpan(dword flags, const Xform2D& m, const Image& image, bool co, bool imagecache,
	                 int filter);
	// The part of image alone, read where it lies (m places its top left corner): tiled at the
	// part's own edges, it shows none of the pixels around it.
	PainterImageSpan(dword flags, const Xform2D& m, const Image& image, const Rect& part, bool co,
	                 bool imagecache, int filter);

	void Get(RGBA* span, int x, int y, unsigned len) override;
	const RGBA* Peek(int x, int y, unsigned len) override;

	// Nothing to paint: no pixels, or a transform that cannot be undone.
	bool IsEmpty() const         { return !pixels; }

	// What the span source samples (after any shrinking; the whole image a part lies in) and how.
	const Image&   GetImage() const   { return image; }
	const Xform2D& GetInverse() const { return xform; }
	bool           IsKernel() const   { return kernel; }
	bool           IsFast() const     { return fast; }

private:
	int         cx = 0, cy = 0, maxx = 0, maxy = 0; // of the part sampled
	size_t      stride = 0;        // from a row of the part to the next, in pixels
	byte        style = 0, hstyle = 0, vstyle = 0;
	bool        fast = false;
	Image       image;
	const RGBA* pixels = nullptr;  // the part's top left pixel
	Xform2D     xform;          // target pixel -> coordinates in the part
	bool        kernel = false;
	KernelTable kx, ky;
	double      xinv = 0, yinv = 0; // 1 / cx, 1 / cy
	Buffer<RGBA> line;            // one-line images: the row with its tiling laid out
	int         period = 0;        // repeat and reflect: the length of one period of line
	double      pinv = 0;
	bool        moved = false;     // placed by a whole-pixel translation, without a kernel
	int         mx = 0, my = 0;    // that translation, target to image

	static int Tile(int v, int n, int mode, double inv);
	RGBA Fetch(int x, int y) const;
	void MakeLine();
	void GetMoved(RGBA* span, int ix, int iy, unsigned len);
	void GetLine(RGBA* span, double x0, double dx, unsigned len);
	void GetFast(RGBA* span, double x0, double y0, double dx, double dy, unsigned len);
	void GetBilinear(RGBA* span, double x0, double y0, double dx, double dy, unsigned len);
	void GetKernel(RGBA* span, double x0, double y0, double dx, double dy, unsigned len);
};

} // namespace Qel
