// Monitor geometry and work areas from GDK.
#include <gui/detail/Backend.h>
#include <gui/window/detail/Screen.h>


#include <gdk/gdk.h>

#include <atomic>

namespace Qel::detail {

namespace {

Rect sRect(const GdkRectangle& r)
{
	return Rect(r.x, r.y, r.x + r.width, r.y + r.height);
}

GdkWindow* sRoot()
{
	return gdk_display_get_default() ? gdk_get_default_root_window() : nullptr;
}

class GdkQuery : public ScreenQuery {
public:
	bool HasRoot() override
	{
		return sRoot();
	}

	bool IsWayland() override
	{
		return IsWaylandDisplay();
	}

	Rect GetRootGeometry() override
	{
		GdkWindow* root = sRoot();
		if(!root)
			return Rect(0, 0, 1024, 768);
		int x, y, cx, cy;
		gdk_window_get_geometry(root, &x, &y, &cx, &cy);
		return Rect(x, y, x + cx, y + cy);
	}

	bool GetMonitorAtRoot(Rect& geometry) override
	{
		GdkWindow* root = sRoot();
		if(!root)
			return false;
		GdkMonitor* m = gdk_display_get_monitor_at_window(gdk_display_get_default(), root);
		if(!m)
			return false;
		GdkRectangle r;
		gdk_monitor_get_geometry(m, &r);
		geometry = sRect(r);
		return true;
	}

	int GetMonitors(Vector<MonitorArea>& out) override
	{
		out.Clear();
		GdkDisplay* d = gdk_display_get_default();
		if(!d)
			return -1;
		GdkMonitor* primary = gdk_display_get_primary_monitor(d);
		int pi = -1;
		for(int i = 0, n = gdk_display_get_n_monitors(d); i < n; i++) {
			GdkMonitor* m = gdk_display_get_monitor(d, i);
			if(!m)
				continue;
			if(m == primary)
				pi = out.GetCount();
			GdkRectangle g, w;
			gdk_monitor_get_geometry(m, &g);
			gdk_monitor_get_workarea(m, &w);
			out.Add(MonitorArea{sRect(g), sRect(w)});
		}
		return pi;
	}
};

} // namespace

bool IsWaylandDisplay()
{
	// decided once there is a display to ask
	static std::atomic<int> wayland{-1};
	int v = wayland.load();
	if(v < 0) {
		GdkDisplay* d = gdk_display_get_default();
		if(!d)
			return false;
		GType t = g_type_from_name("GdkWaylandDisplay");
		wayland = v = t && G_TYPE_CHECK_INSTANCE_TYPE(d, t);
	}
	return v;
}

ScreenQuery& GdkScreenQuery()
{
	static GdkQuery q;
	return q;
}

} // namespace Qel::detail
