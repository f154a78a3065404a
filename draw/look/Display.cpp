// The standard display, the dialog background and displayed values.
#include "Display.h"
#include <draw/iml/DrawImg.h>
#include <draw/canvas/DrawTextLines.h>
#include <draw/theme/Theme.h>

#include <Core/format/Format.h>

namespace Qel {

AttrText::operator Value() const
{
	return Value::MakeRaw(*this);
}

namespace {

bool sActive(dword style) { return style & (DISPLAY_CURSOR | DISPLAY_SELECT | DISPLAY_READONLY); }

const AttrText* sAttr(const Value& q)
{
	return q.GetType() == ValueTypeNo<AttrText>() ? &q.To<AttrText>() : nullptr;
}

Color sOr(Color a, Color b) { return a.IsNull() ? b : a; }

int sWidth(const Rect& r)  { return r.right - r.left; }
int sHeight(const Rect& r) { return r.bottom - r.top; }

} // namespace

void Display::PaintBackground(Draw& w, const Rect& r, const Value& q, Color, Color paper, dword style) const
{
	if(const AttrText* a = sAttr(q))
		paper = sActive(style) ? sOr(a->paper, paper) : sOr(a->normalpaper, sOr(a->paper, paper));
	w.DrawRectOp(r.left, r.top, sWidth(r), sHeight(r), paper);
}

void Display::Paint(Draw& w, const Rect& r, const Value& q, Color ink, Color paper, dword style) const
{
	PaintBackground(w, r, q, ink, paper, style);
}

Size Display::GetStdSize(const Value& q) const
{
	return StdDisplay().GetStdSize(q);
}

Size Display::RatioSize(const Value&, int cx, int cy) const
{
	return Size(cx, cy);
}

void StdDisplayClass::Paint(Draw& w, const Rect& r, const Value& q, Color ink, Color paper, dword style) const
{
	PaintBackground(w, r, q, ink, paper, style);
	PaintContent(w, r, q, ink, paper, style);
}

void StdDisplayClass::PaintContent(Draw& w, const Rect& r, const Value& q, Color ink, Color, dword style) const
{
	int cx = sWidth(r), cy = sHeight(r);
	if(q.GetType() == IMAGE_V) {
		Image m = q.To<Image>();
		Size sz = m.GetSize();
		w.DrawImage(r.left + max((cx - sz.cx) / 2, 0), r.top + max((cy - sz.cy) / 2, 0), m);
		return;
	}
	String text;
	Font font = StdFont();
	int a = align;
	int x = r.left;
	if(const AttrText* t = sAttr(q)) {
		text = t->text;
		font = t->font;
		ink = sOr(sActive(style) ? t->ink : t->normalink, ink);
		if(t->align != INT_NULL)
			a = t->align;
		if(!t->img.IsEmpty()) {
			Size isz = t->img.GetSize();
			w.DrawImage(x, r.top + max((cy - isz.cy) / 2, 0), t->img);
			x += isz.cx + t->imgspc;
		}
	}
	else if(q.GetType() == STRING_V)
		text = q.ToString();
	else if(!q.IsVoid())
		text = StdFormat(q);
	if(text.IsEmpty())
		return;
	Size tsz = GetSmartTextSize(~text, font);
	int avail = r.right - x;
	bool over = tsz.cx > avail;
	int tx = over || a == ALIGN_LEFT ? x : a == ALIGN_RIGHT ? r.right - tsz.cx : x + (avail - tsz.cx) / 2;
	int ty = 3 * tsz.cy < 4 * cy ? r.top + (cy - tsz.cy) / 2 : r.top;
	if(!over) {
		DrawSmartText(w, tx, ty, avail, ~text, font, ink);
		return;
	}
	// too wide: clipped before an ellipsis that sits on the baseline
	Image dots = DrawImg::threedots();
	Size dsz = dots.GetSize();
	int clip = max(r.right - dsz.cx, x);
	w.ClipOp(Rect(x, r.top, clip, r.bottom));
	DrawSmartText(w, tx, ty, avail, ~text, font, ink);
	w.EndOp();
	w.DrawImage(clip, ty + font.GetAscent() - dsz.cy, dots);
}

Size StdDisplayClass::GetStdSize(const Value& q) const
{
	if(q.GetType() == IMAGE_V)
		return q.To<Image>().GetSize();
	if(const AttrText* t = sAttr(q)) {
		Size sz = t->text.IsEmpty() ? Size(0, 0) : GetSmartTextSize(~t->text, t->font, INT_MAX);
		if(!t->img.IsEmpty()) {
			Size isz = t->img.GetSize();
			sz.cx += isz.cx + t->imgspc;
			sz.cy = max(sz.cy, isz.cy);
		}
		return sz;
	}
	String text = q.GetType() == STRING_V ? q.ToString() : q.IsVoid() ? String() : StdFormat(q);
	return GetSmartTextSize(~text, StdFont(), INT_MAX);
}

const StdDisplayClass& StdDisplay()
{
	static const StdDisplayClass d;
	return d;
}

namespace {

class DialogBackgroundClass : public Display {
public:
	void Paint(Draw& w, const Rect& r, const Value&, Color, Color, dword) const override
	{
		w.DrawRectOp(r.left, r.top, sWidth(r), sHeight(r), ThemeFaceColor());
	}
};

} // namespace

const Display& DialogBackground()
{
	static const DialogBackgroundClass d;
	return d;
}

void DisplayedValue::Paint(Draw& w, const Rect& r, Color ink, Color paper, dword style) const
{
	if(display)
		display->Paint(w, r, value, ink, paper, style);
}

void DisplayedValue::Paint(Draw& w, int x, int y, int cx, int cy, Color ink, Color paper, dword style) const
{
	Paint(w, Rect(x, y, x + cx, y + cy), ink, paper, style);
}

Size DisplayedValue::GetStdSize() const
{
	return display ? display->GetStdSize(value) : Size(0, 0);
}

} // namespace Qel
