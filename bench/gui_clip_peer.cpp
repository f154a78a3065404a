// Peers of gui_clip.cpp: a plain GTK program on its own X server offering the same text and
// picture with gtk_clipboard_set_text and gtk_clipboard_set_image, reading them with
// gtk_clipboard_wait_for_text (made UTF-32) and gtk_clipboard_wait_for_image; and the copy of a picture into a
// pixbuf and out again (gdk_pixbuf_new_from_data over the pixels, gdk_pixbuf_copy).
#include "GuiClipCases.h"

#include <gtk/gtk.h>

using namespace bench;

namespace {

bool sStarted()
{
	static bool ok = StartOwnDisplay() && gtk_init_check(nullptr, nullptr);
	return ok;
}

void sPump()
{
	g_timeout_add(1, [](gpointer) -> gboolean { return G_SOURCE_REMOVE; }, nullptr);
	g_main_context_iteration(nullptr, TRUE);
	while(g_main_context_iteration(nullptr, FALSE))
		;
}

GtkClipboard* sClipboard()
{
	return gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
}

GdkPixbuf* sPixbuf(std::vector<unsigned char>& px)
{
	return gdk_pixbuf_new_from_data(px.data(), GDK_COLORSPACE_RGB, TRUE, 8, CLIP_IMAGE_SIZE, CLIP_IMAGE_SIZE,
	                                CLIP_IMAGE_SIZE * 4, nullptr, nullptr);
}

void OfferText(benchmark::State& state)
{
	if(!sStarted())
		return state.SkipWithError("no display for GTK");
	std::string text = ClipText();
	gtk_clipboard_set_text(sClipboard(), text.data(), (int)text.size());
	std::string out = ClipTempPath("text");
	for(auto _ : state)
		if(!ReadWithXclip("UTF8_STRING", out, sPump))
			return state.SkipWithError("xclip failed");
	if(FileSize(out) != (long)text.size())
		state.SkipWithError("text lost");
	remove(out.c_str());
	gtk_clipboard_clear(sClipboard());
}

void OfferImage(benchmark::State& state)
{
	if(!sStarted())
		return state.SkipWithError("no display for GTK");
	std::vector<unsigned char> px = ClipPixels();
	GdkPixbuf* pb = sPixbuf(px);
	gtk_clipboard_set_image(sClipboard(), pb);
	std::string out = ClipTempPath("png");
	for(auto _ : state)
		if(!ReadWithXclip("image/png", out, sPump))
			return state.SkipWithError("xclip failed");
	GdkPixbuf* back = gdk_pixbuf_new_from_file(out.c_str(), nullptr);
	if(!back || gdk_pixbuf_get_width(back) != CLIP_IMAGE_SIZE)
		state.SkipWithError("no image");
	if(back)
		g_object_unref(back);
	remove(out.c_str());
	gtk_clipboard_clear(sClipboard());
	g_object_unref(pb);
}

void ReadText(benchmark::State& state)
{
	if(!sStarted())
		return state.SkipWithError("no display for GTK");
	std::string text = ClipText();
	std::string path = ClipTempPath("serve-text");
	WriteFile(path, text.data(), text.size());
	pid_t server = ServeWithXclip(path, "UTF8_STRING");
	for(;;) {
		gchar* s = gtk_clipboard_wait_for_text(sClipboard());
		bool whole = s && strlen(s) == text.size();
		g_free(s);
		if(whole)
			break;
		sPump();
	}
	long bytes = 0;
	for(auto _ : state) {
		// UTF-32, as the framework gives it
		gchar* s = gtk_clipboard_wait_for_text(sClipboard());
		glong n = 0;
		gunichar* w = s ? g_utf8_to_ucs4_fast(s, -1, &n) : nullptr;
		bytes += n;
		g_free(w);
		g_free(s);
	}
	if(bytes == 0)
		state.SkipWithError("no text");
	StopChild(server);
	remove(path.c_str());
}

void ReadImage(benchmark::State& state)
{
	if(!sStarted())
		return state.SkipWithError("no display for GTK");
	std::vector<unsigned char> px = ClipPixels();
	GdkPixbuf* pb = sPixbuf(px);
	gchar* buf = nullptr;
	gsize n = 0;
	gdk_pixbuf_save_to_buffer(pb, &buf, &n, "png", nullptr, nullptr);
	std::string path = ClipTempPath("serve-png");
	WriteFile(path, buf, n);
	g_free(buf);
	g_object_unref(pb);
	pid_t server = ServeWithXclip(path, "image/png");
	while(!gtk_clipboard_wait_is_image_available(sClipboard()))
		sPump();
	for(auto _ : state) {
		GdkPixbuf* img = gtk_clipboard_wait_for_image(sClipboard());
		if(!img || gdk_pixbuf_get_width(img) != CLIP_IMAGE_SIZE)
			return state.SkipWithError("no image");
		g_object_unref(img);
	}
	StopChild(server);
	remove(path.c_str());
}

void ImagePixbufRoundTrip(benchmark::State& state)
{
	std::vector<unsigned char> px = ClipPixels();
	for(auto _ : state) {
		GdkPixbuf* wrap = sPixbuf(px);
		GdkPixbuf* copy = gdk_pixbuf_copy(wrap);
		benchmark::DoNotOptimize(gdk_pixbuf_read_pixels(copy));
		g_object_unref(copy);
		g_object_unref(wrap);
	}
}

} // namespace

BENCHMARK(OfferText)->Name("OfferText1MB/GtkClipboard")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(ReadText)->Name("ReadText1MB/GtkClipboard")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(OfferImage)->Name("OfferImage1024/GtkClipboard")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(ReadImage)->Name("ReadImage1024/GtkClipboard")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(ImagePixbufRoundTrip)->Name("PixbufRoundTrip1024/GdkPixbuf")->Unit(benchmark::kMicrosecond);
