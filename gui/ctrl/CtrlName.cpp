// The texts that name a control in diagnostics and in the user log.
#include "Ctrl.h"
#include <gui/ctrl/detail/CtrlAccess.h>
#include <gui/ctrl/detail/Focus.h>

#include <atomic>
#include <typeinfo>

namespace Qel {

namespace {

std::atomic<bool (*)(const Ctrl*)> sIsWindow;

// The class name as the program declares it, without the framework's namespace.
String sTypeName(const Ctrl* c)
{
	const char* raw = typeid(*c).name();
	if(*raw == '*')
		raw++;
	String s = Demangle(raw);
	if(s.StartsWith("Qel::"))
		s = s.Mid(5);
	return s;
}

} // namespace

void detail::SetWindowClassTest(bool (*is_window)(const Ctrl*))
{
	sIsWindow.store(is_window);
}

bool detail::IsWindowCtrl(const Ctrl* c)
{
	bool (*is_window)(const Ctrl*) = sIsWindow.load();
	return c && is_window && is_window(c);
}

detail::WindowHooks& detail::GetWindowHooks()
{
	static WindowHooks hooks;
	return hooks;
}

Ctrl* detail::GetTopWindowCtrl(const Ctrl* c)
{
	Ctrl* q = const_cast<Ctrl*>(c);
	// the guard stops an owner cycle
	for(int guard = 0; q && guard < 10000; guard++) {
		q = q->GetTopCtrl();
		if(IsWindowCtrl(q))
			return q;
		q = q->GetOwner();
	}
	return nullptr;
}

Ctrl* Ctrl::GetTopWindow0() const
{
	GuiLock lock;
	return detail::GetTopWindowCtrl(this);
}

Ctrl* Ctrl::GetMainWindow0() const
{
	GuiLock lock;
	Ctrl* q = const_cast<Ctrl*>(this)->GetTopCtrl();
	for(int guard = 0; guard < 10000; guard++) {
		Ctrl* o = q->GetOwner();
		if(!o)
			break;
		q = o->GetTopCtrl();
	}
	return detail::IsWindowCtrl(q) ? q : nullptr;
}

String Ctrl::Name(const Ctrl* c)
{
	if(!c)
		return "NULL";
	GuiLock lock;
	String path;
	for(const Ctrl* q = c; q; q = q->GetParent()) {
		String id = q->GetLayoutId();
		if(!id.IsEmpty())
			path = "." + id + path;
	}
	String s = sTypeName(c);
	s << " " << path << " : 0x" << FormatUnsignedHex(uint64(uintptr_t(c)));
	if(const Ctrl* p = c->GetParent())
		s << " (parent " << sTypeName(p) << ")";
	return s;
}

String Ctrl::Desc(const Ctrl* c)
{
	if(!c)
		return "NULL";
	GuiLock lock;
	String s = sTypeName(c);
	String d = c->GetDesc();
	if(!d.IsEmpty())
		s << " \"" << d << "\"";
	else if(const Ctrl* p = c->GetPrev()) {
		String pd = p->GetDesc();
		if(!pd.IsEmpty())
			s << " <<\"" << pd << "\">>";
	}
	const Ctrl* w = detail::GetTopWindowCtrl(c);
	if(w && w != c) {
		String wd = w->GetDesc();
		if(!wd.IsEmpty())
			s << " (\"" << wd << "\")";
		else
			s << " (" << sTypeName(w) << ")";
	}
	return s;
}

} // namespace Qel
