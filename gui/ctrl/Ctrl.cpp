// Construction, destruction, the child tree and the default behaviour of the virtual operations.
#include "Ctrl.h"
#include <gui/detail/Backend.h>
#include <gui/ctrl/detail/CtrlAccess.h>

namespace Qel {

Ctrl::Ctrl()
:	frame{nullptr, 0, 0, 0, 0}, parent(nullptr), attrs()
{
	GuiLock lock;
	flags = 0;
	frame.frame = &NullFrame();
	pos = LogPos();
	flags = VISIBLE | ENABLED | WANTFOCUS | INITFOCUS | EDITABLEFLAG | CONSTRUCTED;
}

Ctrl::~Ctrl()
{
	{
		GuiLock lock;
		flags |= DESTROYING;
		while(firstchild)
			RemoveChild(firstchild);
		if(!IsTopLevel() && parent)
			parent->RemoveChild(this);
		Close();
		KillTimeCallbacks(this, (byte*)this + sizeof(Ctrl));
		if(flags & LAYOUTIDPTR) {
			flags &= ~LAYOUTIDPTR;
			new(&attrs) PackedData;
		}
		attrs.Clear();
		if(flags & MULTIFRAME) {
			delete[] multi.frames;
			flags &= ~MULTIFRAME;
			frame = FrameRec{nullptr, 0, 0, 0, 0};
		}
		if(IsTopLevel() && top) {
			detail::FreeTop(top);
			detail::CtrlAccess::SetTop(*this, nullptr);
		}
	}
	attrs.~PackedData();
}

// Tree ------------------------------------------------------------------------------------------

Ctrl* Ctrl::GetTopCtrl()
{
	Ctrl* c = this;
	while(!c->IsTopLevel() && c->parent)
		c = c->parent;
	return c;
}

const Ctrl* Ctrl::GetTopCtrl() const
{
	return const_cast<Ctrl*>(this)->GetTopCtrl();
}

bool Ctrl::HasChildDeep(Ctrl* c) const
{
	GuiLock lock;
	while(c && (c = c->GetParent()))
		if(c == this)
			return true;
	return false;
}

Ctrl* Ctrl::GetFocusChildDeep() const
{
	GuiLock lock;
	Ctrl* f = GetFocusCtrl();
	return f && HasChildDeep(f) ? f : nullptr;
}

void Ctrl::UnlinkChild(Ctrl* child)
{
	if(child->next == child)
		firstchild = nullptr;
	else {
		if(firstchild == child)
			firstchild = child->next;
		child->prev->next = child->next;
		child->next->prev = child->prev;
	}
	child->parent = child->prev = child->next = nullptr;
}

void Ctrl::CancelModeDeep()
{
	CancelMode();
	for(Ctrl* q = firstchild; q; q = q->GetNext())
		q->CancelModeDeep();
}

void Ctrl::AddChild(Ctrl* child)
{
	GuiLock lock;
	if(!child || child == this)
		return;
	if(child->GetParent() == this && GetLastChild() == child)
		return;
	bool reorder = false;
	if(Ctrl* old = child->GetParent()) {
		if(old == this) {
			ChildRemoved(child);
			child->ReleaseFocusAndCapture();
			UnlinkChild(child);
			reorder = true;
		}
		else
			old->RemoveChild(child);
	}
	Ctrl* prev_last = GetLastChild();
	if(prev_last) {
		child->prev = prev_last;
		child->next = firstchild;
		prev_last->next = child;
		firstchild->prev = child;
	}
	else
		firstchild = child->prev = child->next = child;
	if(child->IsTopLevel()) {
		if(child->top) {
			child->Close();
			if(child->IsTopLevel() && child->top)
				detail::FreeTop(child->top);
		}
		child->flags &= ~TOPLEVEL;
	}
	child->parent = this;
	child->CancelModeDeep();
	if(!reorder)
		child->UpdateRectRefresh();
	ChildAdded(child);
	child->ParentChange();
	if(!reorder && IsOpen())
		child->NotifyState(OPEN);
}

void Ctrl::RemoveChild(Ctrl* child)
{
	GuiLock lock;
	if(!child || child->IsTopLevel() || child->parent != this)
		return;
	Rect r = child->GetRect();
	int m = child->overpaint;
	r = Rect(r.left - m, r.top - m, r.right + m, r.bottom + m);
	if(child->InFrame())
		RefreshFrame(r);
	else
		Refresh(r);
	ChildRemoved(child);
	child->ReleaseFocusAndCapture();
	UnlinkChild(child);
	child->ParentChange();
	if(IsOpen())
		child->NotifyState(CLOSE);
}

void Ctrl::Remove()
{
	GuiLock lock;
	if(Ctrl* p = GetParent())
		p->RemoveChild(this);
}

void Ctrl::Action()
{
	// a copy, so that the callback may replace WhenAction while it runs
	Function<void ()> action = WhenAction;
	action();
}

void Ctrl::StateDeep(int reason)
{
	GuiLock lock;
	if(IsDestroying())
		return;
	for(Ctrl* q = firstchild; q; q = q->GetNext())
		q->StateDeep(reason);
	StateChanged(reason);
}

void Ctrl::ApplySkinDeep()
{
	for(Ctrl* q = firstchild; q; q = q->GetNext())
		q->ApplySkinDeep();
	ApplySkin();
}

void Ctrl::ClearFullRefreshDeep()
{
	flags &= ~FULLREFRESH;
	for(Ctrl* q = firstchild; q; q = q->GetNext())
		q->ClearFullRefreshDeep();
}

bool Ctrl::IsOpen() const
{
	GuiLock lock;
	const Ctrl* q = GetTopCtrl();
	return q->IsTopLevel() && (q->flags & ISOPEN) && detail::WndIsOpen(q->top);
}

// Member timers -----------------------------------------------------------------------------------

void Ctrl::SetTimeCallback(int delay_ms, Function<void ()> cb, int id)
{
	Qel::SetTimeCallback(delay_ms, std::move(cb), (byte*)this + id);
}

void Ctrl::KillTimeCallback(int id)
{
	Qel::KillTimeCallback((byte*)this + id);
}

bool Ctrl::ExistsTimeCallback(int id) const
{
	return Qel::ExistsTimeCallback((byte*)this + id);
}

// Virtual defaults ------------------------------------------------------------------------------

bool Ctrl::Accept()
{
	GuiLock lock;
	if(!IsEnabled() || !IsVisible())
		return true;
	if(ErrorValueHook()(GetData())) {
		SetWantedFocus();
		return false;
	}
	for(Ctrl* q = firstchild; q; q = q->GetNext())
		if(!q->Accept())
			return false;
	return true;
}

void Ctrl::Reject()
{
	GuiLock lock;
	for(Ctrl* q = firstchild; q; q = q->GetNext())
		q->Reject();
}

void  Ctrl::SetData(const Value&) {}
Value Ctrl::GetData() const       { return Value(); }

void Ctrl::Serialize(Stream& s)
{
	GuiLock lock;
	Value x;
	if(s.IsStoring())
		x = GetData();
	x.Serialize(s);
	if(s.IsLoading())
		SetData(x);
	for(Ctrl* q = firstchild; q; q = q->GetNext())
		q->Serialize(s);
}

void Ctrl::Jsonize(JsonIO& jio)
{
	GuiLock lock;
	Value x;
	if(jio.IsStoring())
		x = GetData();
	x.Jsonize(jio);
	if(jio.IsLoading())
		SetData(x);
}

void Ctrl::Xmlize(XmlIO& xio)
{
	GuiLock lock;
	Value x;
	if(xio.IsStoring())
		x = GetData();
	x.Xmlize(xio);
	if(xio.IsLoading())
		SetData(x);
}

void Ctrl::SetModify()
{
	GuiLock lock;
	flags |= MODIFIED;
	if(this == GetFocusCtrl())
		CancelPreedit();
}

void Ctrl::ClearModify()
{
	GuiLock lock;
	flags &= ~MODIFIED;
	if(this == GetFocusCtrl())
		CancelPreedit();
}

bool Ctrl::IsModified() const             { return flags & MODIFIED; }
void Ctrl::Paint(Draw&)                   {}
int  Ctrl::OverPaint() const              { return 0; }
void Ctrl::CancelMode()                   {}
void Ctrl::Activate()                     {}
void Ctrl::Deactivate()                   {}
void Ctrl::DeactivateBy(Ctrl*)            {}
void Ctrl::MouseEnter(Point, dword)       {}
void Ctrl::MouseMove(Point, dword)        {}
void Ctrl::LeftDown(Point, dword)         {}
void Ctrl::LeftDouble(Point p, dword k)   { LeftDown(p, k); }
void Ctrl::LeftTriple(Point p, dword k)   { LeftDown(p, k); }
void Ctrl::LeftRepeat(Point, dword)       {}
void Ctrl::LeftDrag(Point, dword)         {}
void Ctrl::LeftHold(Point, dword)         {}
void Ctrl::LeftUp(Point, dword)           {}
void Ctrl::RightDown(Point, dword)        {}
void Ctrl::RightDouble(Point p, dword k)  { RightDown(p, k); }
void Ctrl::RightTriple(Point p, dword k)  { RightDown(p, k); }
void Ctrl::RightRepeat(Point, dword)      {}
void Ctrl::RightDrag(Point, dword)        {}
void Ctrl::RightHold(Point, dword)        {}
void Ctrl::RightUp(Point, dword)          {}
void Ctrl::MiddleDown(Point, dword)       {}
void Ctrl::MiddleDouble(Point, dword)     {}
void Ctrl::MiddleTriple(Point, dword)     {}
void Ctrl::MiddleRepeat(Point, dword)     {}
void Ctrl::MiddleDrag(Point, dword)       {}
void Ctrl::MiddleHold(Point, dword)       {}
void Ctrl::MiddleUp(Point, dword)         {}
void Ctrl::MouseLeave()                   {}
void Ctrl::PenEvent(Point, const PenInfo&, dword) {}

Rect Ctrl::GetCaret() const
{
	return GetNullRect();
}

void   Ctrl::DragAndDrop(Point, PasteSource&)      {}
void   Ctrl::FrameDragAndDrop(Point, PasteSource&) {}
void   Ctrl::DragRepeat(Point)                     {}
void   Ctrl::DragEnter()                           {}
void   Ctrl::DragLeave()                           {}
String Ctrl::GetDropData(const String& fmt) const  { return GetSelectionData(fmt); }
String Ctrl::GetSelectionData(const String&) const { return String(); }
bool   Ctrl::Key(dword, int)                       { return false; }
void   Ctrl::GotFocus()                            {}
void   Ctrl::LostFocus()                           {}
dword  Ctrl::GetAccessKeys() const                 { return 0; }

void Ctrl::AssignAccessKeys(dword used)
{
	GuiLock lock;
	for(Ctrl* q = firstchild; q; q = q->GetNext()) {
		q->AssignAccessKeys(used);
		used |= q->GetAccessKeys();
	}
}

void Ctrl::PostInput()
{
	if(Ctrl* p = GetParent())
		p->PostInput();
}

void Ctrl::ChildFrameMouseEvent(Ctrl* child, int event, Point p, int zdelta, dword keyflags)
{
	if(Ctrl* q = GetParent())
		q->ChildFrameMouseEvent(child, event, p, zdelta, keyflags);
}

void Ctrl::ChildMouseEvent(Ctrl* child, int event, Point p, int zdelta, dword keyflags)
{
	if(Ctrl* q = GetParent())
		q->ChildMouseEvent(child, event, p, zdelta, keyflags);
}

void Ctrl::ChildGotFocus()
{
	if(Ctrl* p = GetParent())
		p->ChildGotFocus();
}

void Ctrl::ChildLostFocus()
{
	if(Ctrl* p = GetParent())
		p->ChildLostFocus();
}

void Ctrl::ChildAdded(Ctrl* child)
{
	if(Ctrl* p = GetParent())
		p->ChildAdded(child);
}

void Ctrl::ChildRemoved(Ctrl* child)
{
	if(Ctrl* p = GetParent())
		p->ChildRemoved(child);
}

void Ctrl::ParentChange()       {}
void Ctrl::StateChanged(int)    {}
void Ctrl::Layout()             {}

bool Ctrl::IsShownEnabled() const
{
	GuiLock lock;
	if(!IsEnabled())
		return false;
	const Ctrl* p = GetParent();
	return p ? p->IsShownEnabled() : true;
}

Rect Ctrl::GetOpaqueRect() const
{
	GuiLock lock;
	if(IsTransparent())
		return Rect();
	Size sz = GetSize();
	return Rect(0, 0, sz.cx, sz.cy);
}

Rect   Ctrl::GetVoidRect() const { return Rect(); }
void   Ctrl::Updated()           {}
bool   Ctrl::ExtraQuery()        { return false; }
String Ctrl::GetDesc() const     { return String(); }
void   Ctrl::SetMinSize(Size)    {}
void   Ctrl::ApplySkin()         {}

} // namespace Qel
