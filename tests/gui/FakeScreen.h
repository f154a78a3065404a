// A fake of the monitor queries, installed for the life of the object.
#pragma once

#include <gui/detail/Backend.h>
#include <gui/window/detail/Screen.h>

namespace guitest {

using namespace Qel;

class FakeScreen : public detail::ScreenQuery {
public:
	bool has_root = true;
	bool wayland = false;
	Rect root = Rect(0, 0, 1920, 1080);
	bool has_monitor_at_root = true;
	Rect monitor_at_root = Rect(0, 0, 1920, 1080);
	Vector<detail::MonitorArea> monitors;
	int  primary = 0;

	bool HasRoot() override                  { return has_root; }
	bool IsWayland() override                { return wayland; }
	Rect GetRootGeometry() override          { return root; }
	bool GetMonitorAtRoot(Rect& g) override  { g = monitor_at_root; return has_monitor_at_root; }
	int  GetMonitors(Vector<detail::MonitorArea>& out) override
	{
		out = monitors;
		return primary;
	}

	FakeScreen()  { detail::SetScreenQuery(this); }
	~FakeScreen() override
	{
		detail::SetScreenQuery(nullptr);
		detail::SetDisplayScale(1);
	}
};

} // namespace guitest
