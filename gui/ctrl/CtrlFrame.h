// Frames take their share of a control's rectangle from the outside (borders, bars, scroll
// bars); what the last one leaves is the control's view. A control holds its frames in order,
// the outermost first.
#pragma once

#include <draw/Draw.h>

namespace Qel {

class Ctrl;

class CtrlFrame {
public:
	// Shrinks r by the frame's share and places the controls the frame hosts.
	virtual void FrameLayout(Rect& r) = 0;
	// Grows sz by the frame's thickness.
	virtual void FrameAddSize(Size& sz) = 0;
	// Paints into r, the rectangle the frames before this one left.
	virtual void FramePaint(Draw& w, const Rect& r) = 0;
	virtual void FrameAdd(Ctrl& ctrl);
	virtual void FrameRemove();
	// Margin by which the frame paints outside the control.
	virtual int  OverPaint() const;

	CtrlFrame() = default;
	CtrlFrame(const CtrlFrame&) = delete;
	CtrlFrame& operator=(const CtrlFrame&) = delete;
	virtual ~CtrlFrame() = default;
};

class NullFrameClass : public CtrlFrame {
public:
	void FrameLayout(Rect& r) override;
	void FrameAddSize(Size& sz) override;
	void FramePaint(Draw& w, const Rect& r) override;
};

// The shared empty frame that every new control holds.
CtrlFrame& NullFrame();

// Rings of a border table, drawn only when the rectangle has room for all of them.
class BorderFrame : public CtrlFrame {
protected:
	const ColorF* border;

public:
	void FrameLayout(Rect& r) override;
	void FrameAddSize(Size& sz) override;
	void FramePaint(Draw& w, const Rect& r) override;

	explicit BorderFrame(const ColorF* border) : border(border) {}
};

CtrlFrame& TextColorBorderFrame();
CtrlFrame& OutsetFrame();

// For frames that host a control c of thickness t: c is placed along one edge of r in frame
// coordinates and r loses t there. A hidden c takes no room; a null c changes nothing.
void LayoutFrameLeft(Rect& r, Ctrl* c, int t);
void LayoutFrameRight(Rect& r, Ctrl* c, int t);
void LayoutFrameTop(Rect& r, Ctrl* c, int t);
void LayoutFrameBottom(Rect& r, Ctrl* c, int t);

} // namespace Qel
