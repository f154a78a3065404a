// The record of one native window, owned by its top-level control.
#pragma once

#include <gui/ctrl/Ctrl.h>
#include <gui/detail/Backend.h>

#include <gtk/gtk.h>

namespace Qel::detail {

struct Top {
	GtkWidget* window = nullptr;
	GtkWidget* header = nullptr;
	GtkWidget* drawing = nullptr;   // receives events and paints; the window itself without a header
	GtkIMContext* im_context = nullptr;
	int        frame_left = 0, frame_top = 0, frame_right = 0, frame_bottom = 0;
	bool       csd = false;         // client-side decorations in use
	uint64     cursor_id = 0;       // serial id of the image last set as the cursor
	bool       cursor_set = false;
	int        id = 0;
	Vector<Rect> invalid;           // GDK units; a Null first entry stands for the whole window
	Vector<ScrollRequest> scroll;
	Ptr<Ctrl>  owner;
};

} // namespace Qel::detail
