// Paste sources, the drop dispatch over the control tree and the drag of a control's own data.
// The window system's side of both lives in the backend.
#include "Clip.h"
#include <gui/paint/ImageDraw.h>
#include <gui/detail/Backend.h>
#include <gui/clip/detail/Clip.h>
#include <gui/ctrl/detail/CtrlAccess.h>
#include <gui/ctrl/detail/Focus.h>

namespace Qel {

using namespace detail;

namespace {

// The drop in progress: the control under it, the last point in that control's view (or frame
// area when inframe) and a copy of the last paste source. The point's address names the
// repeat timer.
struct DropState {
	Ptr<Ctrl>   ctrl;
	Point       pos = Point(0, 0);
	bool        inframe = false;
	PasteSource clip;
};

DropState& sDrop()
{
	static DropState s;
	return s;
}

void sSendDrop(Ctrl* c, Point p, bool inframe, PasteSource& clip)
{
	if(inframe)
		c->FrameDragAndDrop(p, clip);
	else
		c->DragAndDrop(p, clip);
}

// While the pointer rests, the control gets a repeat and the last drop again, so it can scroll.
void sDragRepeatTick()
{
	DropState& d = sDrop();
	Ptr<Ctrl> c = d.ctrl;
	if(!c) {
		Qel::KillTimeCallback(&d.pos);
		return;
	}
	c->DragRepeat(d.pos);
	if(c) {
		PasteSource clip = d.clip;
		sSendDrop(c, d.pos, d.inframe, clip);
	}
}

// Formats of a list, empty parts dropped.
Vector<String> sFormats(const char* fmts)
{
	return Split(fmts ? fmts : "", ';');
}

} // namespace

bool ClipData::Render(String& out) const
{
	if(render) {
		out = render(data);
		return true;
	}
	// a value without a text form offers nothing rather than failing inside the window system's
	// request
	try {
		out = data.ToString();
		return true;
	}
	catch(const ValueTypeError&) {
		out.Clear();
		return false;
	}
}

bool PasteSource::Accept(const char* fmts)
{
	GuiLock lock;
	for(const String& f : sFormats(fmts)) {
		if(accepted && f == fmt)
			return paste;
		if(IsAvailable(f)) {
			accepted = true;
			if(paste) {
				fmt = f;
				data = Get(f);
				return true;
			}
			return false;
		}
	}
	return false;
}

bool PasteSource::IsAvailable(const char* f) const
{
	GuiLock lock;
	String s = f;
	switch(kind) {
	case DROP:      return DropIsAvailable(s);
	case SELECTION: return ClipIsAvailable(SEL_PRIMARY, s);
	default:        return ClipIsAvailable(SEL_CLIPBOARD, s);
	}
}

String PasteSource::Get(const char* f) const
{
	GuiLock lock;
	String s = f;
	switch(kind) {
	case DROP:      return DropGet(s);
	case SELECTION: return ClipGet(SEL_PRIMARY, s);
	default:        return ClipGet(SEL_CLIPBOARD, s);
	}
}

PasteSource& SelectionPasteSource()
{
	GuiLock lock;
	static PasteSource s(PasteSource::SELECTION, true);
	s.kind = PasteSource::SELECTION;
	s.fmt.Clear();
	return s;
}

void AppendClipboard(const char* fmts, const Value& data, ClipRender render)
{
	GuiLock lock;
	for(const String& f : sFormats(fmts))
		ClipPut(SEL_CLIPBOARD, f, ClipData(data, render));
}

void Ctrl::DispatchDrop(Point p, PasteSource& clip)
{
	GuiLock lock;
	DropState& d = sDrop();
	Qel::KillTimeCallback(&d.pos);
	d.clip = clip;
	Ptr<Ctrl> c = this;
	Ptr<Ctrl> stop;
	while(c && c->IsEnabled()) {
		stop = c;
		if(c->AcceptsMouse()) {
			Rect view = c->GetView();
			d.inframe = !view.Contains(p);
			d.pos = d.inframe ? p : Point(p.x - view.left, p.y - view.top);
			sSendDrop(c, d.pos, d.inframe, clip);
			// the outermost control that takes a format hides its children from the drop
			if(clip.accepted || !c)
				break;
		}
		Point q = p;
		Ctrl* child = CtrlAccess::ChildAtPoint(*c, q);
		if(!child)
			break;
		c = child;
		p = q;
	}
	if(stop != d.ctrl) {
		Ptr<Ctrl> old = d.ctrl;
		if(old)
			old->DragLeave();
		d.ctrl = stop;
		if(stop)
			stop->DragEnter();
	}
	if(d.ctrl)
		Qel::SetTimeCallback(-40, sDragRepeatTick, &d.pos);
}

void Ctrl::DispatchDropLeave()
{
	GuiLock lock;
	DropState& d = sDrop();
	if(Ptr<Ctrl> c = d.ctrl) {
		c->DragLeave();
		Qel::KillTimeCallback(&d.pos);
		d.ctrl = nullptr;
	}
}

Ptr<Ctrl>& detail::SelectionOwner()
{
	static Ptr<Ctrl> owner;
	return owner;
}

DragSourceState& detail::DragState()
{
	static DragSourceState s;
	return s;
}

Ctrl* Ctrl::GetDragAndDropSource()
{
	GuiLock lock;
	return DragState().source;
}

Image detail::MakeDragImage(const Image& sample, int limit)
{
	if(sample.IsEmpty())
		return Image();
	Size in(min(sample.GetWidth(), limit), min(sample.GetHeight(), limit));
	Size sz(in.cx + 2, in.cy + 2);
	ImageDraw w(sz);
	w.DrawRect(0, 0, sz.cx, sz.cy, Color(255, 255, 255));
	DrawFrame(w, Rect(0, 0, sz.cx, sz.cy), Color(0, 0, 0));
	w.DrawImage(1, 1, in.cx, in.cy, sample);
	return w.GetImage();
}

int Ctrl::DoDragAndDrop(const VectorMap<String, ClipData>& data, const Image& sample, dword actions)
{
	GuiLock lock;
	Ctrl* w = GetTopWindowCtrl(this);
	if(!w || !w->IsTopLevel() || !w->IsOpen())
		return 0;
	DragSourceState& d = DragState();
	if(d.source) // one drag at a time: the window system runs only one
		return 0;
	d.formats.Clear();
	for(int i = 0; i < data.GetCount(); i++)
		d.formats.Add(data.GetKey(i));
	d.extra.Clear();
	d.data = data;
	d.result = 0;
	d.source = this;
	d.image = MakeDragImage(sample, 128 << GetDisplayScaleShift());
	if(StartDrag(w, actions))
		while(d.source && !GetTopCtrls().IsEmpty()) {
			PumpEvents(nullptr, true);
			if(d.source)
				WaitForEvents(10);
		}
	d.source = nullptr;
	d.data.Clear();
	d.image = Image();
	EndDrag();
	return d.result;
}

void Ctrl::SetSelectionSource(const char* fmts)
{
	GuiLock lock;
	Ptr<Ctrl>& owner = SelectionOwner();
	owner = this;
	ClipClear(SEL_PRIMARY);
	for(const String& f : sFormats(fmts))
		ClipPut(SEL_PRIMARY, f, ClipData(f, GetSelectionSourceData));
}

String GetSelectionSourceData(const Value& fmt)
{
	GuiLock lock;
	Ctrl* c = SelectionOwner();
	return c ? c->GetSelectionData(fmt.ToString()) : String();
}

String JoinUriLines(const Vector<String>& uris)
{
	String out;
	for(const String& u : uris) {
		out << u;
		out << '\n';
	}
	return out;
}

Vector<String> SplitUriLines(const String& data)
{
	Vector<String> out;
	const char* s = data.Begin();
	const char* e = data.End();
	while(s < e) {
		const char* q = s;
		while(q < e && *q != '\n')
			q++;
		const char* t = q;
		while(t > s && t[-1] == '\r')
			t--;
		if(t > s)
			out.Add(String(s, int(t - s)));
		s = q + 1;
	}
	return out;
}

} // namespace Qel
