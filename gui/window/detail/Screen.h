// Monitor queries behind an interface, so the screen and work-area rules can be checked
// against a fake as well as against GDK. Rectangles are in GDK units (not yet scaled).
#pragma once

#include <gui/ctrl/Ctrl.h>

namespace Qel::detail {

struct MonitorArea {
	using Relocatable = void;
	Rect geometry;
	Rect workarea;
};

class ScreenQuery {
public:
	virtual bool HasRoot() = 0;
	virtual bool IsWayland() = 0;
	virtual Rect GetRootGeometry() = 0;
	// The monitor showing the root window; false when there is none.
	virtual bool GetMonitorAtRoot(Rect& geometry) = 0;
	// Every monitor; returns the index of the primary one, or -1.
	virtual int  GetMonitors(Vector<MonitorArea>& out) = 0;

	virtual ~ScreenQuery() = default;
};

// The GDK implementation.
ScreenQuery& GdkScreenQuery();
// The query in use (GDK unless replaced); null restores GDK.
ScreenQuery& GetScreenQuery();
void         SetScreenQuery(ScreenQuery* q);

} // namespace Qel::detail
