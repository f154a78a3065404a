// Stroker: turns a flattened centre line into stroke outlines (segments, joins, caps), as many
// small contours meant to be filled with the non-zero rule.
#pragma once

#include <painter/path/LinearPath.h>

namespace Qel {

enum {
	LINECAP_BUTT = 0,
	LINECAP_SQUARE = 1,
	LINECAP_ROUND = 2,
	LINEJOIN_MITER = 3,
	LINEJOIN_ROUND = 4,
	LINEJOIN_BEVEL = 5,
};

class Stroker : public LinearPathFilter {
public:
	void Move(const Pointf& p) override;
	void Line(const Pointf& p) override;
	void End() override;

	// preclip: sub-paths of one segment far outside it are dropped; pass a Rectf with a
	// non-finite left to switch culling off.
	void Init(double width, double miterlimit, double tolerance, int linecap, int linejoin,
	          const Rectf& preclip);
	// The visible area in the coordinates the stroker gets (after Init; Init makes it the whole
	// plane). Round joins and caps whose circle does not cross it take eight steps a turn: what
	// shows of them is the same, and huge widths do not cost thousands of points each.
	void SetView(const Rectf& r) { view = r; }
	void Finish();

private:
	double w2 = 0;
	double qmiter = 0;
	double fid = 0;
	double tw = 0;
	Pointf p1, d1, o1, a1, b1;
	Pointf p0, d0, o0, a0, b0;
	Pointf p2;
	int    linecap = LINECAP_BUTT;
	int    linejoin = LINEJOIN_MITER;
	Rectf  preclip;
	int    lines = 0;
	Rectf  view;

	void Round(const Pointf& c, const Pointf& u1, const Pointf& u2);
	void Cap(const Pointf& c, const Pointf& s, const Pointf& e, const Pointf& o);
	Pointf Offset(const Pointf& dn) const;
};

} // namespace Qel
