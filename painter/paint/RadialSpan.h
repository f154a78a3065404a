// Radial gradient source: each target pixel takes the colour of a 2048-pixel gradient line at
// the place where the ray from the focus through the pixel meets the circle.
#pragma once

#include <painter/raster/Fillers.h>
#include <painter/path/Xform2D.h>

#include <draw/image/Image.h>

namespace Qel {

class PainterRadialSpan : public SpanSource {
public:
	// m maps gradient space (centre c, radius r, focus f) to the target. style & 3: 1 repeat,
	// 2 reflect, anything else pads. line holds the 2048 colours from the focus to the circle.
	PainterRadialSpan(const Xform2D& m, const Pointf& c, double r, const Pointf& f, int style,
	                  const Image& line);

	void Get(RGBA* span, int x, int y, unsigned len) override;

	// Paints nothing: no radius, no line, or a transform that cannot be undone.
	bool IsEmpty() const { return !pixels; }

	enum { LINE = 2048 };

private:
	Xform2D     xform;    // target -> gradient space
	Pointf      c;
	double      r = 0;
	Pointf      fc;       // focus - centre
	int         style = 0;
	Image       line;
	const RGBA* pixels = nullptr;
	double      C = 0;    // |f - c|^2 - r^2
};

} // namespace Qel
