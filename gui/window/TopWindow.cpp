// TopWindow without the native window: the modal loop and its codes, closing, accepting and
// rejecting, the remembered focus, focus keys, painting and placement.
#include "TopWindow.h"
#include <gui/base/Settings.h>
#include <gui/ctrl/detail/CtrlAccess.h>
#include <gui/ctrl/detail/Focus.h>
#include <gui/window/detail/TopWindowAccess.h>

namespace Qel {

using namespace detail;

namespace {

int sCascade = INT_NULL; // offset of the last default window rectangle

bool sIsTopWindow(const Ctrl* c)
{
	return dynamic_cast<const TopWindow*>(c);
}

TopWindow* sWindow(Ctrl* c)
{
	return static_cast<TopWindow*>(c);
}

void sUserLog(const char* what, const Ctrl* c)
{
	if(UserLogOn()) {
		String s = what + Ctrl::Desc(c) + "\n";
		StdLog().Put(s.Begin(), s.GetLength());
	}
}

// The core and the backend treat windows specially through these; installed with the first
// window.
void sInstallHooks()
{
	SetWindowClassTest(sIsTopWindow);
	static bool done = [] {
		WindowHooks& h = GetWindowHooks();
		h.set_exit_code = [](Ctrl* w, int code) { TopWindowAccess::ExitCode(*sWindow(w)) = code; };
		h.is_tool_window = [](const Ctrl* w) { return static_cast<const TopWindow*>(w)->IsToolWindow(); };
		h.sync_size_hints = [](Ctrl* w) { sWindow(w)->SyncSizeHints(); };
		h.set_overlapped = [](Ctrl* w, const Rect& r) {
			TopWindow& t = *sWindow(w);
			if(t.GetState() == TopWindow::OVERLAPPED)
				TopWindowAccess::Overlapped(t) = r;
		};
		h.normal_rect = [](const Ctrl* w) { return static_cast<const TopWindow*>(w)->GetOverlappedRect(); };
		h.when_close = [](Ctrl* w) { sWindow(w)->WhenClose(); };
		return true;
	}();
	(void)done;
}

} // namespace

// Theme value ---------------------------------------------------------------------------------

Value& TopWindow::StyleLook()
{
	static byte state, registered;
	static Value look;
	if(!state) {
		RegisterThemeReset(&state, &registered, [] {
			look = Value();
			state = 1;
		});
		state = 1;
	}
	return look;
}

// Life ------------------------------------------------------------------------------------------

TopWindow::TopWindow()
{
	GuiLock lock;
	sInstallHooks();
	background = DisplayedValue(DialogBackground(), Value());
	style = &StyleLook();
	SyncLayout();
	RefreshFrame();
	WhenClose = [this] { Close(); };
}

TopWindow::~TopWindow()
{
	GuiLock lock;
	CtrlAccess::Flags(*this) |= DESTROYING;
	if(InLoop())
		BreakLoop(IDOK);
	if(IsOpen())
		Ctrl::Close();
	WhenClose.Clear();
	FreeIcons();
}

void TopWindow::Slot86Hook() {}

// The loop --------------------------------------------------------------------------------------

TopWindow::Abreak* TopWindow::FindAction(int id)
{
	for(Abreak& a : action)
		if(a.id == id)
			return &a;
	return nullptr;
}

Function<void ()> TopWindow::BreakCallback(int id)
{
	GuiLock lock;
	if(!FindAction(id)) {
		Abreak& a = action.Add();
		a.id = id;
		a.dlg = this;
	}
	Ptr<Ctrl> self = this;
	return [self, id] {
		if(Ctrl* c = self)
			c->BreakLoop(id);
	};
}

void TopWindow::Open()
{
	Open(GetActiveTopWindow());
}

int TopWindow::Run(bool appmodal)
{
	GuiLock lock;
	Ptr<Ctrl> self = this;
	if(!IsOpen())
		Open();
	if(!self)
		return INT_NULL;
	if(!IsVisibleDeep())
		Show();
	bool was_inloop = InLoop();
	int old_exitcode = exitcode;
	exitcode = INT_NULL;

	Vector<Ctrl*> tops = GetTopCtrls();
	Array<Ptr<Ctrl>> list;
	Index<Ctrl*> seen;
	auto add = [&](Ctrl* c) {
		if(seen.Find(c) < 0) {
			seen.Add(c);
			list.Add(c);
		}
	};
	if(appmodal)
		for(Ctrl* q : tops)
			add(q);
	else {
		for(Ctrl* q : tops)
			if(q->InLoop())
				add(q);
		Ctrl* root = this;
		for(int guard = 0; guard < 10000; guard++) {
			Ctrl* o = root->GetOwner();
			if(!o)
				break;
			root = o->GetTopCtrl();
		}
		add(root);
		// the windows the chain's root owns, and theirs in turn
		Vector<Ctrl*> owners{root};
		Index<Ctrl*> walked;
		walked.Add(root);
		while(!owners.IsEmpty()) {
			Ctrl* w = owners.Pop();
			for(Ctrl* q : tops) {
				Ctrl* o = q->GetOwner();
				if(o && o->GetTopCtrl() == w && !q->InLoop() && walked.Find(q) < 0) {
					walked.Add(q);
					add(q);
					owners.Add(q);
				}
			}
		}
	}
	Array<Ptr<Ctrl>> disabled = DisableOtherWindows(list, this);
	EventLoop(this);
	for(int i = disabled.GetCount() - 1; i >= 0; i--)
		if(Ctrl* q = disabled[i])
			q->Enable();
	if(!self)
		return INT_NULL;
	if(IsNull(exitcode)) {
		bool have = (bool)WhenClose;
		WhenClose();
		if(!self)
			return INT_NULL;
		if(!have || IsNull(exitcode))
			DefaultClose();
		if(!self)
			return INT_NULL;
	}
	int code = exitcode;
	CtrlAccess::Flags(*this) = was_inloop ? GetFlags() | INLOOP : GetFlags() & ~INLOOP;
	exitcode = old_exitcode;
	return code;
}

void TopWindow::Close()
{
	GuiLock lock;
	if(InLoop()) {
		// only the innermost loop closes: a window under a running dialog waits for it
		if(GetLoopCtrl() == this)
			DefaultClose();
		return;
	}
	if(IsOpen())
		SuppressMouseUntilRelease();
	Ctrl::Close();
}

void TopWindow::DefaultClose()
{
	GuiLock lock;
	if(FindAction(IDCANCEL) || closerejects) {
		Reject();
		BreakLoop(IDCANCEL);
	}
	else if(FindAction(IDNO)) {
		Reject();
		BreakLoop(IDNO);
	}
	else if(FindAction(IDEXIT)) {
		if(Accept())
			BreakLoop(IDEXIT);
	}
	else if(FindAction(IDYES)) {
		if(Accept())
			BreakLoop(IDYES);
	}
	else if(Accept())
		BreakLoop(IDOK);
}

bool TopWindow::Accept()
{
	GuiLock lock;
	for(Ctrl* q = GetFirstChild(); q; q = q->GetNext())
		if(!q->Accept())
			return false;
	return true;
}

void TopWindow::Reject()
{
	GuiLock lock;
	for(Ctrl* q = GetFirstChild(); q; q = q->GetNext())
		q->Reject();
	if(!backup.IsEmpty()) {
		StringStream s(backup);
		Serialize(s);
	}
}

void TopWindow::Backup()
{
	GuiLock lock;
	StringStream s;
	Serialize(s);
	backup = s.GetResult();
}

// Focus -----------------------------------------------------------------------------------------

void TopWindow::Activate()
{
	GuiLock lock;
	sUserLog("   ACTIVATE ", this);
	Ctrl* f = GetFocusCtrl();
	if(activefocus && (f == this || !GetFocusChildDeep()) && IsEnabled())
		activefocus->SetWantedFocus();
	if(urgent)
		SyncCaption();
}

void TopWindow::Deactivate()
{
	GuiLock lock;
	if(HasFocusDeep())
		activefocus = GetFocusCtrl();
	sUserLog("   DEACTIVATE ", this);
}

void TopWindow::ChildGotFocus()
{
	GuiLock lock;
	activefocus = GetFocusCtrl();
}

bool TopWindow::Key(dword key, int)
{
	GuiLock lock;
	if(GetParent())
		return false;
	bool forward = key == K_TAB || key == K_RIGHT || key == K_DOWN;
	bool backward = key == (K_SHIFT | K_TAB) || key == K_LEFT || key == K_UP;
	if(!forward && !backward)
		return false;
	if(Ctrl* f = GetFocusChildDeep())
		return forward ? IterateFocusForward(f, this) : IterateFocusBackward(f, this);
	Ctrl* c = forward ? GetFirstChild() : GetLastChild();
	if(!c)
		return false;
	if(c->SetWantedFocus())
		return true;
	return forward ? IterateFocusForward(c, this) : IterateFocusBackward(c, this);
}

// Looks and sizes -------------------------------------------------------------------------------

void TopWindow::Paint(Draw& w)
{
	GuiLock lock;
	Rect r(Point(0, 0), GetSize());
	if(!style || IsNull(*style))
		background.Paint(w, r, ThemeTextColor(), ThemeShadowColor(), 0);
	else
		PaintLook(w, r, *style);
}

Size   TopWindow::GetMinSize() const        { return minsize; }
Size   TopWindow::GetStdSize() const        { return GetMinSize(); }
bool   TopWindow::IsShownEnabled() const    { return true; }
String TopWindow::GetDesc() const           { return title.ToString(); }

void TopWindow::SetMinSize(Size sz)
{
	GuiLock lock;
	minsize = sz;
	SyncSizeHints();
}

void Ctrl::SetMinSizeWithFrames(Size& sz)
{
	GuiLock lock;
	sz = AddFrameSize(sz);
	SetMinSize(sz);
}

TopWindow& TopWindow::Title(const WString& text)
{
	GuiLock lock;
	if(text != title) {
		title = text;
		SyncTitle();
	}
	return *this;
}

TopWindow& TopWindow::Icon(const Image& small)
{
	GuiLock lock;
	icon = small;
	SyncCaption();
	return *this;
}

TopWindow& TopWindow::Icon(const Image& small, const Image& large)
{
	GuiLock lock;
	icon = small;
	largeicon = large;
	SyncCaption();
	return *this;
}

TopWindow& TopWindow::LargeIcon(const Image& large)
{
	GuiLock lock;
	largeicon = large;
	SyncCaption();
	return *this;
}

TopWindow& TopWindow::Background(const DisplayedValue& v)
{
	GuiLock lock;
	background = v;
	Refresh();
	return *this;
}

TopWindow& TopWindow::Sizeable(bool b)
{
	GuiLock lock;
	sizeable = b;
	SyncSizeHints();
	return *this;
}

TopWindow& TopWindow::FrameLess(bool b)
{
	GuiLock lock;
	noframe = b;
	SyncCaption();
	return *this;
}

TopWindow& TopWindow::Urgent(bool b)
{
	GuiLock lock;
	urgent = b;
	SyncCaption();
	return *this;
}

int TopWindow::GetState() const
{
	GuiLock lock;
	return state;
}

Rect TopWindow::GetOverlappedRect() const
{
	GuiLock lock;
	return overlapped;
}

// Placement -------------------------------------------------------------------------------------

void detail::ResetDefaultWindowRect()
{
	GuiLock lock;
	sCascade = INT_NULL;
}

Rect GetDefaultWindowRect()
{
	GuiLock lock;
	Rect work = Ctrl::GetPrimaryWorkArea();
	int w = work.right - work.left, h = work.bottom - work.top;
	int cx = 2 * w / 3, cy = 2 * h / 3;
	if(IsNull(sCascade))
		sCascade = min(w / 10, 50);
	if(sCascade + cx + 60 > w || sCascade + cy + 60 > h)
		sCascade = 0;
	else
		sCascade += 10;
	int x = work.left + sCascade + 20, y = work.top + sCascade + 20;
	return Rect(x, y, x + cx, y + cy);
}

void TopWindow::CenterRect(Ctrl* owner)
{
	GuiLock lock;
	Rect r = GetRect();
	if(r.right <= r.left || r.bottom <= r.top) {
		SetRect(GetDefaultWindowRect());
		return;
	}
	Size ms = GetMinSize();
	Size sz(max(r.right - r.left, ms.cx), max(r.bottom - r.top, ms.cy));
	if(r.left == 0 && r.top == 0 && center == CENTER_OWNER) {
		Rect work = owner ? owner->GetWorkArea() : GetPrimaryWorkArea();
		sz.cx = min(sz.cx, work.right - work.left);
		sz.cy = min(sz.cy, work.bottom - work.top);
		int x = work.left + (work.right - work.left - sz.cx) / 2;
		int y = work.top + (work.bottom - work.top - sz.cy) / 2;
		SetRect(x, y, sz.cx, sz.cy);
	}
	else
		SetRect(r.left, r.top, sz.cx, sz.cy);
}

} // namespace Qel
