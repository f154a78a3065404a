// The fatal-error box: a desktop message program started through the shell, else a plain GTK
// dialog. It runs in a process whose state may be damaged, so it allocates nothing on the way
// to the shell.
#include <gui/gtk/detail/Panic.h>
#include "GtkApp.h"

#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace Qel {

namespace {

// Bytes of the UTF-8 sequence starting at s, or 1 where none is well formed: the cut never
// falls inside a character.
int sUnit(const unsigned char* s)
{
	int n = s[0] < 0xC2 ? 1 : s[0] < 0xE0 ? 2 : s[0] < 0xF0 ? 3 : s[0] < 0xF5 ? 4 : 1;
	for(int i = 1; i < n; i++)
		if((s[i] & 0xC0) != 0x80)
			return 1;
	return n;
}

bool sSpecial(unsigned char c)
{
	// what keeps its meaning inside double quotes
	return c == '"' || c == '\\' || c == '$' || c == '`';
}

// Appends text quoted while it fits below limit; false once something did not fit.
bool sPut(char* buf, int& pos, int limit, const char* text)
{
	const unsigned char* s = (const unsigned char*)text;
	while(*s) {
		int n = sUnit(s);
		int need = n + (n == 1 && sSpecial(*s));
		if(pos + need > limit)
			return false;
		if(need > n)
			buf[pos++] = '\\';
		memcpy(buf + pos, s, n);
		pos += n;
		s += n;
	}
	return true;
}

} // namespace

int detail::BuildPanicCommand(char* buf, int size, const char* prefix, const char* title, const char* text)
{
	if(size < 2)
		return 0;
	int limit = size - 2; // room for the closing quote and the terminating zero
	int pos = 0;
	for(const char* p = prefix; *p && pos < limit; p++)
		buf[pos++] = *p;
	if(sPut(buf, pos, limit, title ? title : "") && sPut(buf, pos, limit, "\n"))
		sPut(buf, pos, limit, text ? text : "");
	buf[pos++] = '"';
	buf[pos] = 0;
	return pos;
}

void GtkPanicMessageBox(const char* title, const char* text)
{
	if(GdkDisplay* d = gdk_display_get_default())
		if(GdkSeat* seat = gdk_display_get_default_seat(d))
			gdk_seat_ungrab(seat);
	const char* prefix = nullptr;
	if(system("which gxmessage") == 0)
		prefix = "gxmessage -center \"";
	else if(system("which kdialog") == 0)
		prefix = "kdialog --error \"";
	else if(system("which xmessage") == 0)
		prefix = "xmessage -center \"";
	if(prefix) {
		char cmd[2048];
		detail::BuildPanicCommand(cmd, sizeof(cmd), prefix, title, text);
		int status = system(cmd);
		(void)status; // whatever the program answers, the panic goes on
		return;
	}
	if(!gdk_display_get_default()) {
		// no desktop to show a dialog on: the terminal is all there is
		dprintf(2, "%s: %s\n", title ? title : "", text ? text : "");
		return;
	}
	GtkWidget* box = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR, GTK_BUTTONS_CLOSE, "%s: %s",
	                                        title ? title : "", text ? text : "");
	gtk_dialog_run(GTK_DIALOG(box));
	gtk_widget_destroy(box);
}

} // namespace Qel
