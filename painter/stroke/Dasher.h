// Dasher: cuts a flattened centre line into dashes; each dash reaches the target as its own
// sub-path. The pattern continues across sub-paths.
#pragma once

#include <painter/path/LinearPath.h>

#include <Core/container/Vector.h>

namespace Qel {

class Rasterizer;

class Dasher : public LinearPathFilter {
public:
	void Move(const Pointf& p) override;
	void Line(const Pointf& p) override;

	// A pattern with a negative or non-finite entry, or without a positive sum, strokes solid.
	void Init(const Vector<double>& pattern, double start);
	// Only what lies in view (the visible area grown by the reach of the stroke, in the
	// coordinates the dasher gets) is cut into dashes: the pattern steps over the rest
	// arithmetically, and what is passed on there, a line over gaps at most, never shows. Set
	// after Init; Init makes the whole plane the view.
	void SetView(const Rectf& r) { view = r; }

	// Past this many cuts the rest of the path is passed solid, so a tiny pattern on a long
	// path stays bounded.
	static constexpr int64 MAX_CUTS = 1000000;
	// Past this many cuts in view (at most MAX_CUTS; set after Init) likewise: a small picture
	// has no use for a million dashes, each as wide as it.
	void SetViewCutLimit(int64 n) { maxshown = n; }

	// When set, the rest of a path is dropped once this rasteriser has no room for more cells.
	const Rasterizer* sink = nullptr;

private:
	const Vector<double>* pattern = nullptr;
	int    index = 0;
	double sum = 0;
	double rem = 0;
	byte   on = 1;
	Pointf p0;
	int64  cuts = 0;
	int64  shown = 0;
	int64  maxshown = MAX_CUTS;
	Rectf  view;

	// With an odd count of elements a pass turns dashes into gaps: the pattern repeats after two.
	double Period() const { return pattern->GetCount() % 2 ? 2 * sum : sum; }
	void Next();
	void Step(double& t, double to, bool keep);
};

} // namespace Qel
