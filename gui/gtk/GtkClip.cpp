// CLIPBOARD and PRIMARY: each selection is one wrapper that offers the program's formats to
// other programs and reads what they offer; the forms the formats travel in; the atom cache.
#include <gui/gtk/detail/Clip.h>
#include <gui/gtk/detail/Wnd.h>

#include <algorithm>

namespace Qel {

using namespace detail;

namespace {

// One selection: the formats offered, in order (a format's position is its target info
// number), with their data.
class GtkClip {
public:
	void   Put(const String& fmt, const ClipData& data);
	String Get(const String& fmt);
	// The offered image itself, without its string form; the text decoded straight from GTK's.
	Image  GetImage();
	WString GetText();
	bool   IsAvailable(const String& fmt);
	void   Clear();

	explicit GtkClip(GdkAtom selection) : selection(selection) {}

private:
	GdkAtom                     selection;
	VectorMap<String, ClipData> target;
	bool                        owned = false;   // false once another program took the selection
	bool                        setting = false; // our own offer replaces our earlier one

	GtkClipboard* Clipboard() const
	{
		CheckGuiStarted();
		GdkDisplay* d = gdk_display_get_default();
		return d ? gtk_clipboard_get_for_display(d, selection) : nullptr;
	}

	static String ReadText(GtkClipboard* cb);
	static void GetProc(GtkClipboard*, GtkSelectionData* sel, guint info, gpointer user);
	static void ClearProc(GtkClipboard*, gpointer user);
};

void GtkClip::GetProc(GtkClipboard*, GtkSelectionData* sel, guint info, gpointer user)
{
	Guarded([&] {
		GtkClip& c = *static_cast<GtkClip*>(user);
		if(info < (guint)c.target.GetCount()) {
			// a copy: rendering may run code that changes the offer
			String fmt = c.target.GetKey(info);
			ClipData data = c.target[info];
			PutSelectionData(sel, fmt, data);
		}
	});
}

void GtkClip::ClearProc(GtkClipboard*, gpointer user)
{
	Guarded([&] {
		GtkClip& c = *static_cast<GtkClip*>(user);
		if(!c.setting)
			c.owned = false;
	});
}

// GTK's own text reading drops what is not UTF-8 and stops at a NUL: the bytes of the first
// text target the owner answers are decoded here instead. Runs without the GUI lock.
String GtkClip::ReadText(GtkClipboard* cb)
{
	for(const char* target : {"UTF8_STRING", "text/plain;charset=utf-8", "COMPOUND_TEXT", "STRING", "text/plain"})
		if(GtkSelectionData* d = gtk_clipboard_wait_for_contents(cb, gdk_atom_intern_static_string(target))) {
			bool answered = gtk_selection_data_get_length(d) >= 0;
			String out = ReadSelectionText(d);
			gtk_selection_data_free(d);
			if(answered)
				return out;
		}
	return String();
}

void GtkClip::Put(const String& fmt, const ClipData& data)
{
	GuiLock lock;
	GtkClipboard* cb = Clipboard();
	if(!cb)
		return;
	if(!owned)
		target.Clear();
	target.GetAdd(fmt) = data;
	GtkTargetList* list = gtk_target_list_new(nullptr, 0);
	for(int i = 0; i < target.GetCount(); i++)
		AddClipTargets(list, target.GetKey(i), i);
	int n = 0;
	GtkTargetEntry* table = gtk_target_table_new_from_list(list, &n);
	setting = true;
	owned = gtk_clipboard_set_with_data(cb, table, n, GetProc, ClearProc, this);
	setting = false;
	gtk_clipboard_set_can_store(cb, nullptr, 0);
	gtk_target_table_free(table, n);
	gtk_target_list_unref(list);
}

void GtkClip::Clear()
{
	GuiLock lock;
	if(GtkClipboard* cb = Clipboard()) {
		setting = true;
		gtk_clipboard_clear(cb);
		setting = false;
	}
	target.Clear();
	owned = false;
}

String GtkClip::Get(const String& fmt)
{
	GuiLock lock;
	GtkClipboard* cb = Clipboard();
	if(!cb)
		return String();
	if(fmt == "image") {
		Image img = GetImage();
		return img.IsEmpty() ? String() : StoreImageAsString(img);
	}
	String out;
	// the owner answers through the main loop, which may be this program's own
	GuiUnlockAll unlock;
	if(fmt == "text")
		out = ReadText(cb);
	else if(fmt == "files") {
		if(gchar** uris = gtk_clipboard_wait_for_uris(cb)) {
			for(gchar** u = uris; *u; u++)
				out << *u << '\n';
			g_strfreev(uris);
		}
	}
	else if(GtkSelectionData* d = gtk_clipboard_wait_for_contents(cb, ClipAtom(fmt))) {
		int len = gtk_selection_data_get_length(d);
		if(len > 0)
			out = String((const char*)gtk_selection_data_get_data(d), len);
		gtk_selection_data_free(d);
	}
	return out;
}

Image GtkClip::GetImage()
{
	GuiLock lock;
	GtkClipboard* cb = Clipboard();
	if(!cb)
		return Image();
	GdkPixbuf* pb;
	{
		GuiUnlockAll unlock;
		pb = gtk_clipboard_wait_for_image(cb);
	}
	Image img = PixbufToImage(pb);
	if(pb)
		g_object_unref(pb);
	return img;
}

WString GtkClip::GetText()
{
	GuiLock lock;
	GtkClipboard* cb = Clipboard();
	if(!cb)
		return WString();
	String s;
	{
		GuiUnlockAll unlock;
		s = ReadText(cb);
	}
	return ToUtf32(s);
}

bool GtkClip::IsAvailable(const String& fmt)
{
	GuiLock lock;
	GtkClipboard* cb = Clipboard();
	if(!cb)
		return false;
	GdkAtom atom = fmt == "text" || fmt == "files" || fmt == "image" ? GDK_NONE : ClipAtom(fmt);
	GuiUnlockAll unlock;
	if(fmt == "text")
		return gtk_clipboard_wait_is_text_available(cb);
	if(fmt == "files")
		return gtk_clipboard_wait_is_uris_available(cb);
	if(fmt == "image")
		return gtk_clipboard_wait_is_image_available(cb);
	return gtk_clipboard_wait_is_target_available(cb, atom);
}

// Never destroyed: GTK may still clear an offer while the program exits.
GtkClip& sClip(int sel)
{
	static GtkClip* clipboard = new GtkClip(GDK_SELECTION_CLIPBOARD);
	static GtkClip* primary = new GtkClip(GDK_SELECTION_PRIMARY);
	return sel == SEL_PRIMARY ? *primary : *clipboard;
}

} // namespace

GdkAtom detail::ClipAtom(const String& name)
{
	GuiLock lock;
	static VectorMap<String, GdkAtom> cache;
	int i = cache.Find(name);
	if(i >= 0)
		return cache[i];
	GdkAtom a = gdk_atom_intern(~name, FALSE);
	cache.Add(name, a);
	return a;
}

void detail::AddClipTargets(GtkTargetList* list, const String& fmt, guint info)
{
	if(fmt == "files")
		gtk_target_list_add_uri_targets(list, info);
	else if(fmt == "text")
		gtk_target_list_add_text_targets(list, info);
	else if(fmt == "image")
		gtk_target_list_add_image_targets(list, info, TRUE);
	else
		gtk_target_list_add(list, ClipAtom(fmt), 0, info);
}

bool detail::PutSelectionData(GtkSelectionData* sel, const String& fmt, const ClipData& data)
{
	if(fmt == "image" && !data.render && data.data.GetType() == IMAGE_V) {
		GdkPixbuf* pb = ImageToPixbuf(Image(data.data));
		if(!pb)
			return false;
		bool ok = gtk_selection_data_set_pixbuf(sel, pb);
		g_object_unref(pb);
		return ok;
	}
	String bytes;
	return data.Render(bytes) && PutSelectionBytes(sel, fmt, bytes);
}

namespace {

// GTK's conversions for the text targets stop at a NUL: each piece between NULs is converted on
// its own and the pieces are joined again around them.
bool sSetTextPieces(GtkSelectionData* sel, const String& text)
{
	String out;
	GdkAtom type = gtk_selection_data_get_target(sel);
	int format = 8;
	for(int from = 0; from <= text.GetLength();) {
		int end = text.Find('\0', from);
		if(end < 0)
			end = text.GetLength();
		if(from)
			out.Cat('\0');
		if(end > from) {
			GtkSelectionData* piece = gtk_selection_data_copy(sel);
			bool ok = gtk_selection_data_set_text(piece, ~text + from, end - from);
			if(ok) {
				const guchar* d = gtk_selection_data_get_data(piece);
				int n = gtk_selection_data_get_length(piece);
				if(d && n > 0)
					out.Cat((const char*)d, n);
				type = gtk_selection_data_get_data_type(piece);
				format = gtk_selection_data_get_format(piece);
			}
			gtk_selection_data_free(piece);
			if(!ok)
				return false;
		}
		from = end + 1;
	}
	gtk_selection_data_set(sel, type, format, (const guchar*)~out, out.GetLength());
	return true;
}

} // namespace

bool detail::PutSelectionBytes(GtkSelectionData* sel, const String& fmt, const String& bytes)
{
	if(fmt == "text")
		return bytes.Find('\0') < 0 ? gtk_selection_data_set_text(sel, ~bytes, bytes.GetLength())
		                             : sSetTextPieces(sel, bytes);
	if(fmt == "files") {
		Vector<String> lines = SplitUriLines(bytes);
		Vector<gchar*> uris;
		for(String& s : lines)
			uris.Add((gchar*)~s);
		uris.Add(nullptr);
		return gtk_selection_data_set_uris(sel, uris.begin());
	}
	if(fmt == "image") {
		GdkPixbuf* pb = ImageToPixbuf(LoadImageFromString(bytes));
		if(!pb)
			return false;
		bool ok = gtk_selection_data_set_pixbuf(sel, pb);
		g_object_unref(pb);
		return ok;
	}
	gtk_selection_data_set(sel, ClipAtom(fmt), 8, (const guchar*)~bytes, bytes.GetLength());
	return true;
}

String detail::ReadSelectionData(GtkSelectionData* sel, const String& fmt)
{
	String out;
	if(!sel)
		return out;
	if(fmt == "text")
		out = ReadSelectionText(sel);
	else if(fmt == "image") {
		if(GdkPixbuf* pb = gtk_selection_data_get_pixbuf(sel)) {
			Image img = PixbufToImage(pb);
			g_object_unref(pb);
			if(!img.IsEmpty())
				out = StoreImageAsString(img);
		}
	}
	else if(fmt == "files") {
		if(gchar** uris = gtk_selection_data_get_uris(sel)) {
			for(gchar** u = uris; *u; u++)
				out << *u << '\n';
			g_strfreev(uris);
		}
	}
	else {
		int len = gtk_selection_data_get_length(sel);
		if(len > 0)
			out = String((const char*)gtk_selection_data_get_data(sel), len);
	}
	return out;
}

String detail::DecodeClipText(const char* data, int len, const String& type)
{
	String out;
	if(len <= 0)
		return out;
	bool plain = type == "text/plain" || type.StartsWith("text/plain;");
	String charset;
	if(plain && type.GetLength() > 11) {
		// "text/plain;charset=X" and its variants of spacing, case, quotes and other parameters
		for(const String& p : Split(type.Mid(11), ';')) {
			String param = TrimBoth(p);
			if(param.GetLength() > 8 && g_ascii_strncasecmp(~param, "charset=", 8) == 0)
				charset = TrimBoth(param.Mid(8));
		}
		if(charset.GetLength() >= 2 && *charset == '"' && charset[charset.GetLength() - 1] == '"')
			charset = charset.Mid(1, charset.GetLength() - 2);
	}
	bool latin1 = type == "STRING" || type == "text/plain" ||
	              (plain && (g_ascii_strcasecmp(~charset, "iso-8859-1") == 0 || g_ascii_strcasecmp(~charset, "latin1") == 0));
	bool utf8 = !plain || charset.IsEmpty() || g_ascii_strcasecmp(~charset, "utf-8") == 0 ||
	            g_ascii_strcasecmp(~charset, "utf8") == 0;
	if(latin1) {
		out.Reserve(len);
		for(int i = 0; i < len; i++) {
			byte c = data[i];
			if(c < 0x80)
				out.Cat(c);
			else {
				out.Cat(0xC0 | (c >> 6));
				out.Cat(0x80 | (c & 0x3F));
			}
		}
	}
	else {
		gchar* s = nullptr;
		gsize n = 0;
		if(!utf8 && (s = g_convert(data, len, "UTF-8", ~charset, nullptr, &n, nullptr)) && n <= INT_MAX)
			out = String(s, (int)n);
		else // UTF-8, or a charset that cannot be converted: the bytes as they came
			out = String(data, len);
		g_free(s);
	}
	if(plain && out.Find('\r') >= 0)
		out.Replace("\r\n", "\n");
	return out;
}

String detail::ReadSelectionText(GtkSelectionData* sel)
{
	int len = sel ? gtk_selection_data_get_length(sel) : -1;
	const guchar* data = sel ? gtk_selection_data_get_data(sel) : nullptr;
	if(len <= 0 || !data)
		return String();
	gchar* name = gdk_atom_name(gtk_selection_data_get_data_type(sel));
	String type = name ? name : "";
	g_free(name);
	GdkDisplay* display = gtk_selection_data_get_display(sel);
	if(type == "COMPOUND_TEXT" && display) {
		// GDK makes a list of the pieces between NULs: joined again when none went missing,
		// else the bytes as they came
		gchar** list = nullptr;
		int n = gdk_text_property_to_utf8_list_for_display(display, gtk_selection_data_get_data_type(sel),
		                                                   gtk_selection_data_get_format(sel), data, len, &list);
		String out;
		bool whole = n == (int)std::count(data, data + len, '\0') + 1;
		for(int i = 0; whole && i < n; i++) {
			if(i)
				out.Cat('\0');
			out.Cat(list[i]);
		}
		g_strfreev(list);
		if(whole)
			return out;
	}
	return DecodeClipText((const char*)data, len, type);
}

void detail::ClipPut(int sel, const String& fmt, const ClipData& data)
{
	sClip(sel).Put(fmt, data);
}

void detail::ClipClear(int sel)
{
	sClip(sel).Clear();
}

bool detail::ClipIsAvailable(int sel, const String& fmt)
{
	return sClip(sel).IsAvailable(fmt);
}

String detail::ClipGet(int sel, const String& fmt)
{
	return sClip(sel).Get(fmt);
}

Image detail::ClipGetImage(int sel)
{
	return sClip(sel).GetImage();
}

WString detail::ClipGetText(int sel)
{
	return sClip(sel).GetText();
}

} // namespace Qel
