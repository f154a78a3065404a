// What the clipboard, drop and drag code of the GUI core shares with the windowing backend.
#pragma once

#include <gui/clip/Clip.h>

namespace Qel::detail {

// The two selections the backend keeps.
enum { SEL_CLIPBOARD = 0, SEL_PRIMARY = 1 };

// Served by the backend: offering a format, forgetting everything offered, and asking the owner
// of a selection (a blocking wait). ClipPut first forgets what was offered before another
// program took the selection.
void   ClipPut(int sel, const String& fmt, const ClipData& data);
void   ClipClear(int sel);
bool   ClipIsAvailable(int sel, const String& fmt);
String ClipGet(int sel, const String& fmt);
// The "image" format as an Image and "text" as UTF-32, sparing the byte string on the way.
Image  ClipGetImage(int sel);
WString ClipGetText(int sel);

// The drop in progress: whether it offers fmt, and its data (empty after about a second).
bool   DropIsAvailable(const String& fmt);
String DropGet(const String& fmt);

// The control whose selection data the primary selection offers.
Ptr<Ctrl>& SelectionOwner();

// The running drag of a control of this program.
struct DragSourceState {
	Ptr<Ctrl>                   source;
	VectorMap<String, ClipData> data;
	Vector<String>              formats; // in target order
	Vector<String>              extra;   // targets past the data's, answered by GetDropData
	int                         result = 0;
	Image                       image;   // the icon; empty for the default one
};
DragSourceState& DragState();

// Starts the window system's drag from top's native window with the formats of DragState and
// the allowed actions (bit 0 copy, bit 1 move); false when the window system refused.
bool   StartDrag(Ctrl* top, dword actions);
// Frees what StartDrag kept for the drag once it is over.
void   EndDrag();

// The drag icon for a sample picture: white, a black one-pixel border and the sample scaled into
// the interior, at most limit pixels each way inside the border; empty for an empty sample.
Image  MakeDragImage(const Image& sample, int limit);

} // namespace Qel::detail
