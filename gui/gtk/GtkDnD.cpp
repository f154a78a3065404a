// Drag and drop through GTK: every native window is a drop target that asks the control under
// the pointer whether it takes what is dragged, and the source of the drags its controls start.
#include "detail/Clip.h"
#include "detail/EventQueue.h"
#include "detail/Wnd.h"
#include <gui/ctrl/detail/CtrlAccess.h>
#include <gui/gtk/GtkApp.h>

namespace Qel {

using namespace detail;

namespace {

// The drag over one of our windows: its context and widget (referenced while kept), the time,
// what it offers, and the data request in flight.
struct DropTarget {
	GdkDragContext* context = nullptr;
	GtkWidget*      widget = nullptr;
	guint32         time = 0;
	DropFormats     offered;
	bool            pending = false;
	String          requested;
	String          received;
	bool            delivering = false;
	GtkTargetList*  drag_targets = nullptr; // of our own running drag
	GdkDragContext* drag_context = nullptr; // GTK's, valid while the drag runs
};

DropTarget& sDnd()
{
	static DropTarget s;
	return s;
}

void sKeep(GdkDragContext* context, GtkWidget* widget, guint32 time)
{
	DropTarget& s = sDnd();
	if(context != s.context) {
		g_object_ref(context);
		if(s.context)
			g_object_unref(s.context);
		s.context = context;
	}
	if(widget != s.widget) {
		g_object_ref(widget);
		if(s.widget)
			g_object_unref(s.widget);
		s.widget = widget;
	}
	s.time = time;
}

void sRelease()
{
	DropTarget& s = sDnd();
	if(s.context)
		g_object_unref(s.context);
	if(s.widget)
		g_object_unref(s.widget);
	s.context = nullptr;
	s.widget = nullptr;
	s.offered = DropFormats(); // a paste source of the drop offers nothing once it is over
}

GdkModifierType sPointerState(GtkWidget* widget)
{
	GdkModifierType mask = GdkModifierType(0);
	GdkWindow* w = gtk_widget_get_window(widget);
	GdkDisplay* d = gdk_display_get_default();
	GdkSeat* seat = d ? gdk_display_get_default_seat(d) : nullptr;
	GdkDevice* pointer = seat ? gdk_seat_get_pointer(seat) : nullptr;
	if(w && pointer)
		gdk_window_get_device_position(w, pointer, nullptr, nullptr, &mask);
	return mask;
}

gboolean sDrop(GtkWidget* widget, GdkDragContext* context, gint x, gint y, guint time, bool drop, int id)
{
	DropTarget& s = sDnd();
	CollectDropFormats(context, s.offered);
	sKeep(context, widget, time);
	PasteSource clip(PasteSource::DROP, drop);
	GdkModifierType mod = sPointerState(widget);
	int action = mod & GDK_CONTROL_MASK ? 1 : 2;
	if(!s.pending) {
		// what the pointer did before the drag reached here is dispatched first
		s.delivering = true;
		try {
			PumpEvents(nullptr, false);
		}
		catch(...) {
			s.delivering = false;
			throw;
		}
		s.delivering = false;
	}
	Ctrl* c = FindWndCtrl(id);
	if(c && c->IsTopLevel() && c->IsOpen()) {
		int scale = GetDisplayScale();
		int ox = 0, oy = 0;
		if(GdkWindow* w = gtk_widget_get_window(widget))
			gdk_window_get_origin(w, &ox, &oy);
		QueuedGdkEvent& e = CurrentGdkEvent();
		e.state = mod;
		e.mousepos = Point((ox + x) * scale, (oy + y) * scale);
		c->DispatchDrop(Point(x * scale, y * scale), clip);
	}
	bool move = action == 2;
	gdk_drag_status(context, clip.accepted ? move ? GDK_ACTION_MOVE : GDK_ACTION_COPY : GdkDragAction(0), time);
	if(drop) {
		gtk_drag_finish(context, clip.accepted, clip.accepted && move, time);
		sRelease();
		Ctrl::DispatchDropLeave();
	}
	return TRUE;
}

gboolean sDragMotion(GtkWidget* widget, GdkDragContext* context, gint x, gint y, guint time, gpointer data)
{
	return Guarded<gboolean>(FALSE, [&] { return sDrop(widget, context, x, y, time, false, DataToId(data)); });
}

gboolean sDragDrop(GtkWidget* widget, GdkDragContext* context, gint x, gint y, guint time, gpointer data)
{
	return Guarded<gboolean>(FALSE, [&] { return sDrop(widget, context, x, y, time, true, DataToId(data)); });
}

void sDragLeave(GtkWidget*, GdkDragContext*, guint, gpointer)
{
	Guarded([] { Ctrl::DispatchDropLeave(); });
}

void sDragDataReceived(GtkWidget*, GdkDragContext*, gint, gint, GtkSelectionData* sel, guint, guint, gpointer)
{
	Guarded([&] {
		DropTarget& s = sDnd();
		if(!s.pending)
			return;
		s.received = ReadSelectionData(sel, s.requested);
		s.pending = false;
	});
}

cairo_surface_t* sIconSurface(const Image& img)
{
	Size sz = img.GetSize();
	cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, sz.cx, sz.cy);
	if(cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
		cairo_surface_destroy(surface);
		return nullptr;
	}
	cairo_surface_flush(surface);
	byte* data = cairo_image_surface_get_data(surface);
	int stride = cairo_image_surface_get_stride(surface);
	// premultiplied b, g, r, a is cairo's ARGB32 on this byte order
	for(int y = 0; y < sz.cy; y++)
		memcpy(data + int64(y) * stride, img[y], sz.cx * sizeof(RGBA));
	cairo_surface_mark_dirty(surface);
	return surface;
}

void sDragBegin(GtkWidget*, GdkDragContext* context, gpointer)
{
	Guarded([&] {
		const Image& img = DragState().image;
		cairo_surface_t* surface = img.HasPixels() ? sIconSurface(img) : nullptr;
		if(!surface) {
			gtk_drag_set_icon_default(context);
			return;
		}
		int scale = GetDisplayScale();
		int off = 8 << (IsHiDpiMode() ? 1 : 0);
		cairo_surface_set_device_scale(surface, scale, scale);
		cairo_surface_set_device_offset(surface, off, off);
		gtk_drag_set_icon_surface(context, surface);
		cairo_surface_destroy(surface);
	});
}

void sDragDataGet(GtkWidget*, GdkDragContext*, GtkSelectionData* sel, guint info, guint, gpointer)
{
	Guarded([&] {
		DragSourceState& d = DragState();
		if(info < (guint)d.data.GetCount()) {
			// copies: rendering may run code that ends the drag
			String fmt = d.data.GetKey(info);
			ClipData data = d.data[info];
			PutSelectionData(sel, fmt, data);
			return;
		}
		int i = int(info - d.data.GetCount());
		if(i < d.extra.GetCount())
			if(Ptr<Ctrl> c = d.source) {
				String fmt = d.extra[i];
				PutSelectionBytes(sel, fmt, c->GetDropData(fmt));
			}
	});
}

void sDragDataDelete(GtkWidget*, GdkDragContext*, gpointer)
{
}

void sDragEnd(GtkWidget*, GdkDragContext* context, gpointer)
{
	Guarded([&] {
		DragSourceState& d = DragState();
		GdkDragAction a = gdk_drag_context_get_selected_action(context);
		d.result = a == GDK_ACTION_MOVE ? 2 : a == GDK_ACTION_COPY ? 1 : 0;
		d.source = nullptr;
	});
}

gboolean sDragFailed(GtkWidget*, GdkDragContext*, GtkDragResult, gpointer)
{
	Guarded([] {
		DragSourceState& d = DragState();
		d.result = 0;
		d.source = nullptr;
	});
	return FALSE;
}

// The names GTK's text, image and URI target lists hold, gathered once.
struct TargetSets {
	Index<String> text, image, uri;
};

Index<String> sTargetNames(void (*add)(GtkTargetList*))
{
	Index<String> names;
	GtkTargetList* list = gtk_target_list_new(nullptr, 0);
	add(list);
	int n = 0;
	GtkTargetEntry* table = gtk_target_table_new_from_list(list, &n);
	for(int i = 0; i < n; i++)
		if(table[i].target)
			names.FindAdd(table[i].target);
	gtk_target_table_free(table, n);
	gtk_target_list_unref(list);
	return names;
}

const TargetSets& sTargetSets()
{
	static StaticMutex lock;
	static TargetSets* sets;
	Mutex::Lock guard(lock);
	if(!sets) {
		sets = new TargetSets;
		sets->text = sTargetNames([](GtkTargetList* l) { gtk_target_list_add_text_targets(l, 0); });
		sets->image = sTargetNames([](GtkTargetList* l) { gtk_target_list_add_image_targets(l, 0, TRUE); });
		sets->uri = sTargetNames([](GtkTargetList* l) { gtk_target_list_add_uri_targets(l, 0); });
	}
	return *sets;
}

} // namespace

String DropFormats::Target(const String& fmt) const
{
	if(fmt == "text")
		return text_target;
	if(fmt == "image")
		return image_target;
	if(fmt == "files")
		return files_target;
	return fmt;
}

void detail::CollectDropFormats(const Vector<String>& targets, DropFormats& out)
{
	const TargetSets& sets = sTargetSets();
	out.formats.Clear();
	out.text_target.Clear();
	out.image_target.Clear();
	out.files_target.Clear();
	auto add = [&](const char* fmt, String& first, const String& name) {
		if(out.formats.Find(fmt) < 0) {
			out.formats.Add(fmt);
			first = name;
		}
	};
	for(const String& name : targets) {
		bool known = false;
		if(sets.text.Find(name) >= 0) {
			add("text", out.text_target, name);
			known = true;
		}
		if(sets.image.Find(name) >= 0) {
			add("image", out.image_target, name);
			known = true;
		}
		if(sets.uri.Find(name) >= 0) {
			add("files", out.files_target, name);
			known = true;
		}
		// a target that bears the name of one of the three forms would be taken for it
		if(!known && name != "text" && name != "image" && name != "files" && out.formats.Find(name) < 0)
			out.formats.Add(name);
	}
}

void detail::CollectDropFormats(GdkDragContext* context, DropFormats& out)
{
	Vector<String> names;
	for(GList* l = gdk_drag_context_list_targets(context); l; l = l->next)
		if(gchar* name = gdk_atom_name(GDK_POINTER_TO_ATOM(l->data))) {
			names.Add(name);
			g_free(name);
		}
	CollectDropFormats(names, out);
}

bool detail::DropIsAvailable(const String& fmt)
{
	GuiLock lock;
	return sDnd().offered.formats.Find(fmt) >= 0;
}

String detail::DropGet(const String& fmt)
{
	GuiLock lock;
	DropTarget& s = sDnd();
	if(!s.context || !s.widget || s.pending)
		return String();
	String target = s.offered.Target(fmt);
	if(target.IsEmpty())
		return String();
	s.received.Clear();
	s.requested = fmt;
	s.pending = true;
	gtk_drag_get_data(s.widget, s.context, ClipAtom(target), s.time);
	// data that does not come within about a second is given up: the drop goes on without it
	gint64 end = g_get_monotonic_time() + 999 * 1000;
	for(gint64 now = g_get_monotonic_time(); s.pending && now < end; now = g_get_monotonic_time()) {
		guint wake = g_timeout_add(guint((end - now + 999) / 1000), [](gpointer) -> gboolean { return G_SOURCE_REMOVE; },
		                           nullptr);
		IterateGtkMainContext(true);
		if(GSource* src = g_main_context_find_source_by_id(nullptr, wake))
			g_source_destroy(src);
	}
	s.pending = false;
	return std::move(s.received);
}

bool detail::IsDropDelivering()
{
	GuiLock lock;
	return sDnd().delivering;
}

bool detail::StartDrag(Ctrl* top, dword actions)
{
	GuiLock lock;
	Top* t = CtrlAccess::GetTop(*top);
	GtkWidget* widget = t ? EventWidget(t) : nullptr;
	if(!widget)
		return false;
	DragSourceState& d = DragState();
	DropTarget& s = sDnd();
	if(s.drag_targets)
		gtk_target_list_unref(s.drag_targets);
	s.drag_targets = gtk_target_list_new(nullptr, 0);
	for(int i = 0; i < d.formats.GetCount(); i++)
		AddClipTargets(s.drag_targets, d.formats[i], i);
	for(int i = 0; i < d.extra.GetCount(); i++)
		AddClipTargets(s.drag_targets, d.extra[i], d.formats.GetCount() + i);
	dword held = GdkButtonWord();
	int button = held & 0x100 ? 1 : held & 0x200 ? 2 : 3;
	// no event: GTK takes the current time and the pointer device
	GdkDragContext* context = gtk_drag_begin_with_coordinates(widget, s.drag_targets,
	                                                          GdkDragAction((actions * 2) & 6), button,
	                                                          nullptr, -1, -1);
	s.drag_context = context;
	return context;
}

void detail::EndDrag()
{
	GuiLock lock;
	DropTarget& s = sDnd();
	if(s.drag_targets)
		gtk_target_list_unref(s.drag_targets);
	s.drag_targets = nullptr;
	s.drag_context = nullptr;
	// GTK's grab took the release of the button that dragged: the buttons held are asked anew,
	// or the next events would still report it held
	GdkModifierType mask = GdkModifierType(0);
	GdkDisplay* d = gdk_display_get_default();
	GdkSeat* seat = d ? gdk_display_get_default_seat(d) : nullptr;
	if(GdkDevice* pointer = seat ? gdk_seat_get_pointer(seat) : nullptr)
		gdk_device_get_state(pointer, gdk_get_default_root_window(), nullptr, &mask);
	GdkButtonWord() = (GdkButtonWord() & ~0x700u) | (dword(mask) & 0x700u);
}

GdkDragContext* detail::RunningDragContext()
{
	GuiLock lock;
	return DragState().source ? sDnd().drag_context : nullptr;
}

void detail::ConnectDragAndDrop(GtkWidget* widget, int id)
{
	gpointer data = IdToData(id);
	gtk_drag_dest_set(widget, GtkDestDefaults(0), nullptr, 0, GdkDragAction(GDK_ACTION_COPY | GDK_ACTION_MOVE));
	g_signal_connect(widget, "drag-begin", G_CALLBACK(sDragBegin), data);
	g_signal_connect(widget, "drag-data-delete", G_CALLBACK(sDragDataDelete), data);
	g_signal_connect(widget, "drag-data-get", G_CALLBACK(sDragDataGet), data);
	g_signal_connect(widget, "drag-data-received", G_CALLBACK(sDragDataReceived), data);
	g_signal_connect(widget, "drag-drop", G_CALLBACK(sDragDrop), data);
	g_signal_connect(widget, "drag-end", G_CALLBACK(sDragEnd), data);
	g_signal_connect(widget, "drag-failed", G_CALLBACK(sDragFailed), data);
	g_signal_connect(widget, "drag-leave", G_CALLBACK(sDragLeave), data);
	g_signal_connect(widget, "drag-motion", G_CALLBACK(sDragMotion), data);
}

} // namespace Qel
