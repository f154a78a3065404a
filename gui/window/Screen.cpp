// Screen and work areas from the monitors the backend reports, in device pixels.
#include <gui/ctrl/Ctrl.h>
#include <gui/detail/Backend.h>
#include <gui/window/detail/Screen.h>

#include <atomic>

namespace Qel {

namespace {

std::atomic<int>                  sScale{1};
std::atomic<detail::ScreenQuery*> sQuery;

Rect sScaled(const Rect& r)
{
	int s = detail::GetDisplayScale();
	return Rect(r.left * s, r.top * s, r.right * s, r.bottom * s);
}

} // namespace

int detail::GetDisplayScale()
{
	return sScale.load(std::memory_order_relaxed);
}

int detail::GetDisplayScaleShift()
{
	int shift = 0;
	for(int s = GetDisplayScale(); s > 1; s >>= 1)
		shift++;
	return shift;
}

void detail::SetDisplayScale(int scale)
{
	sScale.store(max(scale, 1), std::memory_order_relaxed);
}

detail::ScreenQuery& detail::GetScreenQuery()
{
	ScreenQuery* q = sQuery.load(std::memory_order_acquire);
	return q ? *q : GdkScreenQuery();
}

void detail::SetScreenQuery(ScreenQuery* q)
{
	sQuery.store(q, std::memory_order_release);
}

Rect Ctrl::GetVirtualScreenArea()
{
	GuiLock lock;
	detail::ScreenQuery& q = detail::GetScreenQuery();
	Rect fallback(0, 0, 1024, 768);
	if(!q.HasRoot())
		return fallback;
	Rect r;
	if(q.IsWayland()) {
		if(!q.GetMonitorAtRoot(r))
			r = fallback;
	}
	else
		r = q.GetRootGeometry();
	return sScaled(r);
}

Rect Ctrl::GetPrimaryWorkArea()
{
	GuiLock lock;
	detail::ScreenQuery& q = detail::GetScreenQuery();
	if(q.IsWayland())
		return GetVirtualScreenArea();
	Vector<detail::MonitorArea> m;
	int primary = q.GetMonitors(m);
	if(m.IsEmpty())
		return GetVirtualScreenArea();
	// a display that marks no monitor as primary: the first one stands for it
	return sScaled(m[primary >= 0 && primary < m.GetCount() ? primary : 0].workarea);
}

Rect Ctrl::GetWorkArea(Point pt)
{
	GuiLock lock;
	detail::ScreenQuery& q = detail::GetScreenQuery();
	bool wayland = q.IsWayland();
	Vector<detail::MonitorArea> m;
	q.GetMonitors(m);
	for(const detail::MonitorArea& a : m) {
		Rect r = sScaled(wayland ? a.geometry : a.workarea);
		if(r.Contains(pt))
			return r;
	}
	return GetPrimaryWorkArea();
}

} // namespace Qel
