// Displays paint a Value into a rectangle: the standard display shows images, attributed texts
// and the text form of anything else; the dialog background fills with the face colour.
#pragma once

#include <draw/canvas/DrawTarget.h>

namespace Qel {

enum { ALIGN_LEFT, ALIGN_CENTER, ALIGN_RIGHT };

// Paint style bits under which an attributed text uses its ink and paper rather than its normal ones.
enum : dword {
	DISPLAY_CURSOR    = 0x1,
	DISPLAY_SELECT    = 0x4,
	DISPLAY_READONLY  = 0x8,
};

// A text with its own drawing attributes; Null attributes take those the display is given.
struct AttrText {
	String text;               // UTF-8
	Font   font = StdFont();
	Color  ink, normalink;
	Color  paper, normalpaper;
	int    align = INT_NULL; // Null: the display's alignment
	Image  img;                // drawn before the text
	int    imgspc = 0;         // between the image and the text

	AttrText() = default;
	AttrText(const char* s) : text(s) {}
	AttrText(const String& s) : text(s) {}

	operator Value() const;
};

template <> inline dword ValueTypeNo<AttrText>() { return 151; }

class Display {
public:
	virtual void PaintBackground(Draw& w, const Rect& r, const Value& q, Color ink, Color paper, dword style) const;
	virtual void Paint(Draw& w, const Rect& r, const Value& q, Color ink, Color paper, dword style) const;
	virtual Size GetStdSize(const Value& q) const;
	virtual Size RatioSize(const Value& q, int cx, int cy) const;
	virtual ~Display() = default;
};

class StdDisplayClass : public Display {
public:
	explicit StdDisplayClass(int align = ALIGN_LEFT) : align(align) {}

	void Paint(Draw& w, const Rect& r, const Value& q, Color ink, Color paper, dword style) const override;
	Size GetStdSize(const Value& q) const override;
	virtual void PaintContent(Draw& w, const Rect& r, const Value& q, Color ink, Color paper, dword style) const;

protected:
	int align;
};

const StdDisplayClass& StdDisplay();
// Fills with the theme's face colour.
const Display& DialogBackground();

// A value with the display that paints it; without a display it paints nothing and has no size.
class DisplayedValue {
public:
	DisplayedValue() = default;
	DisplayedValue(const Display& d, const Value& v) : value(v), display(&d) {}

	void Paint(Draw& w, const Rect& r, Color ink, Color paper, dword style) const;
	void Paint(Draw& w, int x, int y, int cx, int cy, Color ink, Color paper, dword style) const;
	Size GetStdSize() const;

	const Value&   GetValue() const   { return value; }
	const Display* GetDisplay() const { return display; }

private:
	Value          value;
	const Display* display = nullptr;
};

} // namespace Qel
