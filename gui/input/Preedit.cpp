// Popups, and the pre-edit popup that shows an input method's composition at the caret.
#include <gui/ctrl/Ctrl.h>
#include <gui/ctrl/CtrlFrame.h>
#include <gui/detail/Backend.h>
#include <gui/ctrl/detail/Focus.h>
#include <gui/detail/Geom.h>
#include <gui/input/detail/Preedit.h>

namespace Qel {

using namespace detail;

namespace {

Ctrl* sPreeditOwner; // plain: cleared whenever the popup closes

// Drops the entries of controls that are gone.
void sPrune(Array<Ptr<Ctrl>>& list)
{
	for(int i = list.GetCount() - 1; i >= 0; i--)
		if(!list[i])
			list.Remove(i);
}

} // namespace

void Ctrl::PopUp(Ctrl* owner, bool, bool activate, bool, bool)
{
	GuiLock lock;
	Ctrl* ow = owner ? owner->GetTopCtrl() : GetActiveCtrl();
	Ptr<Ctrl> self = this;
	CreateNativeWindow(ow, true);
	if(!self)
		return;
	FocusState& f = Focus();
	if(activate) {
		SetFocus();
		if(self) {
			sPrune(f.popup_grabs);
			f.popup_grabs.Add(this);
			GrabPopup();
			CheckMouseCtrl();
		}
	}
	if(self) {
		sPrune(f.popups);
		for(int i = f.popups.GetCount() - 1; i >= 0; i--)
			if(f.popups[i] == this)
				f.popups.Remove(i);
		f.popups.Add(this);
	}
}

Rect Ctrl::GetWorkArea(const Ctrl* c)
{
	GuiLock lock;
	return c ? c->GetWorkArea() : GetPrimaryWorkArea();
}

Point Ctrl::GetPreedit()
{
	GuiLock lock;
	if(GetFocusCtrl() == this) {
		Rect r = GetCaret();
		if(r.bottom > r.top)
			return Point(r.right, r.top);
	}
	return Point(INT_NULL, INT_NULL);
}

Font Ctrl::GetPreeditFont()
{
	GuiLock lock;
	static int target = INT_NULL;
	static Font font;
	Ctrl* f = GetFocusCtrl();
	if(!f)
		return StdFont();
	Rect c = f->GetCaret();
	int t = max(7 << GetDisplayScaleShift(), c.bottom - c.top);
	if(t != target) {
		target = t;
		// the largest standard font that fits within the caret, searched downwards
		int h = t;
		while(h > 0 && StdFont().Height(h).GetCy() >= t)
			h--;
		font = h > 0 ? StdFont().Height(h) : StdFont();
	}
	return font;
}

Rect detail::GetPreeditRect(Ctrl* owner)
{
	GuiLock lock;
	Ctrl* f = Ctrl::GetFocusCtrl();
	if(owner && f && owner->HasFocusDeep()) {
		Point p = f->GetPreedit();
		if(!IsNull(p.x) && !IsNull(p.y)) {
			Rect sv = f->GetScreenView();
			int x = SatAdd(sv.left, p.x), y = SatAdd(sv.top, p.y);
			Font fnt = f->GetPreeditFont();
			return Rect(x, SatSub(y, 1), x, SatAdd(y, fnt.GetCy()));
		}
	}
	return Rect(INT_NULL, INT_NULL, INT_NULL, INT_NULL);
}

Ctrl* detail::GetPreeditOwner()
{
	GuiLock lock;
	return sPreeditOwner;
}

PreeditCtrl& detail::GetPreeditCtrl()
{
	static PreeditCtrl* p = new PreeditCtrl; // outlives the windows closed at exit
	return *p;
}

void detail::ShowPreedit(Ctrl* owner, const WString& text, int cursor)
{
	GuiLock lock;
	if(text.IsEmpty()) {
		ClosePreedit();
		return;
	}
	PreeditCtrl& p = GetPreeditCtrl();
	p.text = text;
	p.cursor = cursor;
	sPreeditOwner = owner;
	SyncPreedit(owner);
	if(!p.IsOpen())
		p.PopUp(owner, false, false, false, false);
	p.Refresh();
}

void detail::SyncPreedit(Ctrl* owner)
{
	GuiLock lock;
	if(!owner || owner != sPreeditOwner || !Ctrl::GetFocusCtrl())
		return;
	Rect r = GetPreeditRect(owner);
	if(IsNull(r.left)) // no caret to show it at
		return;
	PreeditCtrl& p = GetPreeditCtrl();
	p.font = Ctrl::GetFocusCtrl()->GetPreeditFont();
	int shift = GetDisplayScaleShift();
	int width = SatAdd(GetTextSize(p.text, p.font).cx, 4 << shift);
	int left = r.left, right = SatAdd(left, width);
	Rect work = Ctrl::GetWorkArea(owner);
	if(right > work.right) {
		// no room right of the caret: the popup ends just left of it
		right = min(work.right, SatSub(left, 2 << shift));
		left = SatSub(right, width);
	}
	p.SetRect(Rect(left, r.top, right, r.bottom));
}

void detail::ClosePreedit()
{
	GuiLock lock;
	PreeditCtrl& p = GetPreeditCtrl();
	if(p.IsOpen())
		p.Close();
	sPreeditOwner = nullptr;
}

PreeditCtrl::PreeditCtrl()
{
	SetFrame(TextColorBorderFrame());
}

PreeditCtrl::~PreeditCtrl() = default;

void PreeditCtrl::Paint(Draw& w)
{
	GuiLock lock;
	int h = IsHiDpiMode();
	Size sz = GetSize();
	w.DrawRect(0, 0, sz.cx, sz.cy, ThemeWhite());
	int x = 2 << h;
	w.DrawText(x, sz.cy - font.GetCy(), text, font, ThemeBlack());
	int c = max(cursor, 0);
	if(c < text.GetCount()) {
		int cx = x + GetTextSize(text.Begin(), font, c).cx;
		w.DrawRect(cx, 0, 1 << h, sz.cy, INVERT_COLOR);
	}
}

} // namespace Qel
