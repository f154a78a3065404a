// A plain GTK 3 program that the clipboard and drag-and-drop tests talk to. It shows a window
// titled "QelPeer" and prints "READY x y w h" (its client area on the screen); then, by mode:
//   source TARGET=FILE...  a drag source offering each target with the bytes of its file
//                          ("text" stands for GTK's text targets); prints "BEGIN" when a drag
//                          starts, "ACTION <action>" when the target's answer changed it,
//                          "END <action>" when it ends and "FAILED" when it failed
//   target                 a drop target for URIs, text, images and any other target; prints
//                          "DROP <action> <target> <offered targets, comma separated>" and the
//                          data as "DATA <hex>"
//   offer SEL TARGET FILE  owns CLIPBOARD or PRIMARY, offering the file's bytes as TARGET
//   read SEL TARGET        prints "DATA <hex>" of what the selection holds as TARGET
// Actions print as numbers: 0 none, 1 copy, 2 move.
#include <gtk/gtk.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Offer {
	std::string target;
	std::string data;
};

std::vector<Offer> sOffers;

std::string sReadFile(const char* path)
{
	std::string s;
	if(FILE* f = fopen(path, "rb")) {
		char buf[4096];
		size_t n;
		while((n = fread(buf, 1, sizeof(buf), f)) > 0)
			s.append(buf, n);
		fclose(f);
	}
	return s;
}

void sPrintHex(const guchar* p, int n)
{
	printf("DATA ");
	for(int i = 0; i < n; i++)
		printf("%02x", p[i]);
	printf("\n");
	fflush(stdout);
}

int sAction(GdkDragAction a)
{
	return a == GDK_ACTION_MOVE ? 2 : a == GDK_ACTION_COPY ? 1 : 0;
}

void sDataGet(GtkWidget*, GdkDragContext*, GtkSelectionData* sel, guint info, guint, gpointer)
{
	if(info >= sOffers.size())
		return;
	const Offer& o = sOffers[info];
	if(o.target == "text")
		gtk_selection_data_set_text(sel, o.data.data(), (int)o.data.size());
	else
		gtk_selection_data_set(sel, gtk_selection_data_get_target(sel), 8, (const guchar*)o.data.data(),
		                       (int)o.data.size());
}

GdkDragContext* sDragging;

// GTK tells no change of the action on X11: it is looked at every few milliseconds instead.
gboolean sWatchAction(gpointer)
{
	static int last = 0;
	if(!sDragging)
		return G_SOURCE_REMOVE;
	int a = sAction(gdk_drag_context_get_selected_action(sDragging));
	if(a != last) {
		last = a;
		printf("ACTION %d\n", a);
		fflush(stdout);
	}
	return G_SOURCE_CONTINUE;
}

void sBegin(GtkWidget*, GdkDragContext* c, gpointer)
{
	sDragging = c;
	g_timeout_add(5, sWatchAction, nullptr);
	// told once GTK's grab has reached the server: moves after it belong to the drag
	g_idle_add([](gpointer) -> gboolean {
		gdk_display_sync(gdk_display_get_default());
		printf("BEGIN\n");
		fflush(stdout);
		return G_SOURCE_REMOVE;
	}, nullptr);
}

void sEnd(GtkWidget*, GdkDragContext* c, gpointer)
{
	sDragging = nullptr;
	printf("END %d\n", sAction(gdk_drag_context_get_selected_action(c)));
	fflush(stdout);
}

gboolean sFailed(GtkWidget*, GdkDragContext*, GtkDragResult, gpointer)
{
	printf("FAILED\n");
	fflush(stdout);
	return TRUE; // no animation back to the source
}

void sReceived(GtkWidget*, GdkDragContext* c, gint, gint, GtkSelectionData* sel, guint, guint time, gpointer)
{
	std::string targets;
	for(GList* l = gdk_drag_context_list_targets(c); l; l = l->next) {
		gchar* name = gdk_atom_name(GDK_POINTER_TO_ATOM(l->data));
		targets += (targets.empty() ? "" : ",") + std::string(name);
		g_free(name);
	}
	gchar* target = gdk_atom_name(gtk_selection_data_get_target(sel));
	printf("DROP %d %s %s\n", sAction(gdk_drag_context_get_selected_action(c)), target, targets.c_str());
	g_free(target);
	int n = gtk_selection_data_get_length(sel);
	sPrintHex(gtk_selection_data_get_data(sel), n > 0 ? n : 0);
	gtk_drag_finish(c, n >= 0, FALSE, time);
}

void sClipGet(GtkClipboard*, GtkSelectionData* sel, guint info, gpointer)
{
	sDataGet(nullptr, nullptr, sel, info, 0, nullptr);
}

GdkAtom sSelection(const char* name)
{
	return strcmp(name, "primary") == 0 ? GDK_SELECTION_PRIMARY : GDK_SELECTION_CLIPBOARD;
}

GtkTargetList* sOfferTargets()
{
	GtkTargetList* list = gtk_target_list_new(nullptr, 0);
	for(size_t i = 0; i < sOffers.size(); i++)
		if(sOffers[i].target == "text")
			gtk_target_list_add_text_targets(list, (guint)i);
		else
			gtk_target_list_add(list, gdk_atom_intern(sOffers[i].target.c_str(), FALSE), 0, (guint)i);
	return list;
}

} // namespace

int main(int argc, char** argv)
{
	gtk_init(&argc, &argv);
	if(argc < 2)
		return 2;
	std::string mode = argv[1];
	if(mode == "read" && argc == 4) {
		GtkClipboard* cb = gtk_clipboard_get(sSelection(argv[2]));
		GtkSelectionData* d = gtk_clipboard_wait_for_contents(cb, gdk_atom_intern(argv[3], FALSE));
		int n = d ? gtk_selection_data_get_length(d) : -1;
		sPrintHex(d ? gtk_selection_data_get_data(d) : nullptr, n > 0 ? n : 0);
		if(d)
			gtk_selection_data_free(d);
		return n < 0;
	}

	GtkWidget* w = gtk_window_new(GTK_WINDOW_TOPLEVEL);
	gtk_window_set_title(GTK_WINDOW(w), "QelPeer");
	gtk_window_set_default_size(GTK_WINDOW(w), 200, 200);
	gtk_window_move(GTK_WINDOW(w), 700, 100);
	g_signal_connect(w, "destroy", G_CALLBACK(gtk_main_quit), nullptr);

	if(mode == "source") {
		for(int i = 2; i < argc; i++) {
			const char* eq = strchr(argv[i], '=');
			if(!eq)
				return 2;
			sOffers.push_back({std::string(argv[i], eq - argv[i]), sReadFile(eq + 1)});
		}
		GtkTargetList* list = sOfferTargets();
		gtk_drag_source_set(w, GDK_BUTTON1_MASK, nullptr, 0, GdkDragAction(GDK_ACTION_COPY | GDK_ACTION_MOVE));
		gtk_drag_source_set_target_list(w, list);
		gtk_target_list_unref(list);
		g_signal_connect(w, "drag-data-get", G_CALLBACK(sDataGet), nullptr);
		g_signal_connect(w, "drag-begin", G_CALLBACK(sBegin), nullptr);
		g_signal_connect(w, "drag-end", G_CALLBACK(sEnd), nullptr);
		g_signal_connect(w, "drag-failed", G_CALLBACK(sFailed), nullptr);
	}
	else if(mode == "target") {
		gtk_drag_dest_set(w, GTK_DEST_DEFAULT_ALL, nullptr, 0, GdkDragAction(GDK_ACTION_COPY | GDK_ACTION_MOVE));
		GtkTargetList* list = gtk_target_list_new(nullptr, 0);
		gtk_target_list_add_uri_targets(list, 0);
		gtk_target_list_add_text_targets(list, 0);
		gtk_target_list_add_image_targets(list, 0, FALSE);
		gtk_drag_dest_set_target_list(w, list);
		gtk_target_list_unref(list);
		g_signal_connect(w, "drag-data-received", G_CALLBACK(sReceived), nullptr);
	}
	else if(mode == "offer" && argc == 5) {
		sOffers.push_back({argv[3], sReadFile(argv[4])});
		GtkTargetList* list = sOfferTargets();
		int n = 0;
		GtkTargetEntry* table = gtk_target_table_new_from_list(list, &n);
		gtk_clipboard_set_with_data(gtk_clipboard_get(sSelection(argv[2])), table, n, sClipGet, nullptr, nullptr);
		gtk_target_table_free(table, n);
		gtk_target_list_unref(list);
	}
	else
		return 2;

	gtk_widget_show_all(w);
	gtk_widget_realize(w);
	// the origin is known once the window is mapped where it was asked to go
	while(!gtk_widget_get_mapped(w))
		gtk_main_iteration();
	gdk_display_sync(gdk_display_get_default());
	int x = 0, y = 0;
	gdk_window_get_origin(gtk_widget_get_window(w), &x, &y);
	printf("READY %d %d %d %d\n", x, y, gtk_widget_get_allocated_width(w), gtk_widget_get_allocated_height(w));
	fflush(stdout);
	gtk_main();
	return 0;
}
