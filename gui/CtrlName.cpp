// The texts that name a control in diagnostics and in the user log.
#include "Ctrl.h"
#include "detail/CtrlAccess.h"

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

Ctrl* detail::GetTopWindowCtrl(const Ctrl* c)
{
	bool (*is_window)(const Ctrl*) = sIsWindow.load();
	Ctrl* q = const_cast<Ctrl*>(c);
	for(int guard = 0; q && guard < 10000; guard++) {
		q = q->GetTopCtrl();
		if(is_window && is_window(q))
			return q;
		q = q->GetOwner();
	}
	return nullptr;
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
