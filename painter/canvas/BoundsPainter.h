// BoundsPainter: forwards path geometry, scopes, transforms and clips to a target painter and
// measures the geometry on the way. The path box holds the exact bounds of the path built since
// the last BeginOp, in current coordinates; Bounds adds it (widened by a stroke) to the
// accumulated bounds in root coordinates. Fills, strokes and attributes are not forwarded: the
// caller sets them on the target itself.
#pragma once

#include "PainterOps.h"

namespace Qel {

class BoundsPainter : public NilPainter {
public:
	explicit BoundsPainter(Painter& target);

	void BeginOp() override;
	void EndOp() override;

	void MoveOp(const Pointf& p, bool rel) override;
	void LineOp(const Pointf& p, bool rel) override;
	void QuadraticOp(const Pointf& p1, const Pointf& p, bool rel) override;
	void SmoothQuadraticOp(const Pointf& p, bool rel) override;
	void CubicOp(const Pointf& p1, const Pointf& p2, const Pointf& p, bool rel) override;
	void SmoothCubicOp(const Pointf& p2, const Pointf& p, bool rel) override;
	void ArcOp(const Pointf& c, const Pointf& r, double angle, double sweep, bool rel) override;
	void SvgArcOp(const Pointf& r, double xangle, bool large, bool sweep, const Pointf& p, bool rel) override;
	void CloseOp() override;
	void DivOp() override;
	void ClipOp() override;
	using Painter::ClipOp;
	// Text becomes glyph outlines made of this painter's path operations, so it is forwarded
	// and measured as paths.
	void CharacterOp(const Pointf& p, int ch, Font fnt) override;
	void TextOp(const Pointf& p, const wchar* text, Font fnt, int n, const double* dx) override;
	void TransformOp(const Xform2D& m) override;

	// Adds the path box, widened by width / 2 on every side and mapped to root coordinates, to
	// the accumulated bounds (only while compute_bounds is set).
	void Bounds(double width);

	const Rectf& GetPathBox() const   { return pathbox; }
	const Rectf& GetBounds() const    { return bounds; }
	const Xform2D& GetTransform() const { return mtx.Top(); }

	bool compute_bounds = false;

	static Rectf NullRect();
	static bool  IsEmpty(const Rectf& r);

private:
	Painter&        target;
	Rectf           pathbox;
	Pointf          current = Pointf(0, 0);
	Pointf          start = Pointf(0, 0);   // of the sub-path: where a close returns to
	Pointf          qcontrol = Pointf(0, 0);
	Pointf          ccontrol = Pointf(0, 0);
	Vector<Xform2D> mtx;
	Rectf           bounds;

	Pointf Abs(const Pointf& p, bool rel) const { return rel ? Pointf(p.x + current.x, p.y + current.y) : p; }
	void   Add(const Pointf& p);
	void   AddX(double x);
	void   AddY(double y);
	bool   Inside(const Pointf& p) const;
	void   AddQuadratic(const Pointf& p1, const Pointf& p);
	void   AddCubic(const Pointf& p1, const Pointf& p2, const Pointf& p);
};

} // namespace Qel
