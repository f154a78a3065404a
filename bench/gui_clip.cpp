// The clipboard of the framework against xclip on an X server of this program's own: 1 MB of
// text and a 1024 x 1024 picture offered to xclip (each iteration is one xclip -o, answered by
// the program's loop) and read from xclip; and an Image to a GdkPixbuf and back. Peers in
// gui_clip_peer.cpp.
#include <gui/Gui.h>
#include <gui/clip/detail/Clip.h>
#include <gui/gtk/detail/Clip.h>

// after the framework's headers: X11's macros would spoil names there
#include "GuiClipCases.h"

using namespace Qel;
using namespace bench;

namespace {

bool sStarted()
{
	static bool ok = [] {
		if(!StartOwnDisplay())
			return false;
		char name[] = "bench_gui_clip";
		char* argv[] = {name, nullptr};
		return InitGtkApp(1, argv, environ);
	}();
	return ok;
}

void sPump()
{
	GuiWait(1);
	Ctrl::ProcessEvents();
}

Image sImage()
{
	std::vector<unsigned char> px = ClipStraightPixels();
	return detail::PixelsToImage(px.data(), (int64)px.size(), CLIP_IMAGE_SIZE, CLIP_IMAGE_SIZE, CLIP_IMAGE_SIZE * 4, 4, 8,
	                             true);
}

// What xclip serves: the same bytes the peer serves.
std::string sPng()
{
	std::vector<unsigned char> px = ClipPixels();
	GdkPixbuf* pb = gdk_pixbuf_new_from_data(px.data(), GDK_COLORSPACE_RGB, TRUE, 8, CLIP_IMAGE_SIZE, CLIP_IMAGE_SIZE,
	                                         CLIP_IMAGE_SIZE * 4, nullptr, nullptr);
	gchar* buf = nullptr;
	gsize n = 0;
	gdk_pixbuf_save_to_buffer(pb, &buf, &n, "png", nullptr, nullptr);
	std::string s(buf, n);
	g_free(buf);
	g_object_unref(pb);
	return s;
}

void OfferText(benchmark::State& state)
{
	if(!sStarted())
		return state.SkipWithError("no display for GTK");
	GuiLock lock;
	std::string text = ClipText();
	AppendClipboard("text", String(text.data(), (int)text.size()));
	std::string out = ClipTempPath("text");
	for(auto _ : state)
		if(!ReadWithXclip("UTF8_STRING", out, sPump))
			return state.SkipWithError("xclip failed");
	if(FileSize(out) != (long)text.size())
		state.SkipWithError("text lost");
	remove(out.c_str());
	ClearClipboard();
}

void OfferImage(benchmark::State& state)
{
	if(!sStarted())
		return state.SkipWithError("no display for GTK");
	GuiLock lock;
	AppendClipboard("image", sImage());
	std::string out = ClipTempPath("png");
	for(auto _ : state)
		if(!ReadWithXclip("image/png", out, sPump))
			return state.SkipWithError("xclip failed");
	Image back = LoadImageFile(out.c_str());
	if(back.GetSize() != Size(CLIP_IMAGE_SIZE, CLIP_IMAGE_SIZE))
		state.SkipWithError("no image");
	remove(out.c_str());
	ClearClipboard();
}

void ReadText(benchmark::State& state)
{
	if(!sStarted())
		return state.SkipWithError("no display for GTK");
	GuiLock lock;
	std::string text = ClipText();
	std::string path = ClipTempPath("serve-text");
	WriteFile(path, text.data(), text.size());
	pid_t server = ServeWithXclip(path, "UTF8_STRING");
	while(detail::ClipGet(detail::SEL_CLIPBOARD, "text").GetLength() != (int)text.size())
		sPump();
	int64 bytes = 0;
	for(auto _ : state)
		bytes += ReadClipboardUnicodeText().GetLength();
	if(bytes == 0)
		state.SkipWithError("no text");
	StopChild(server);
	remove(path.c_str());
}

void ReadImage(benchmark::State& state)
{
	if(!sStarted())
		return state.SkipWithError("no display for GTK");
	GuiLock lock;
	std::string png = sPng();
	std::string path = ClipTempPath("serve-png");
	WriteFile(path, png.data(), png.size());
	pid_t server = ServeWithXclip(path, "image/png");
	PasteSource clip;
	while(!IsAvailableImage(clip))
		sPump();
	for(auto _ : state)
		if(GetImage(clip).GetSize() != Size(CLIP_IMAGE_SIZE, CLIP_IMAGE_SIZE))
			return state.SkipWithError("no image");
	StopChild(server);
	remove(path.c_str());
}

void ImagePixbufRoundTrip(benchmark::State& state)
{
	Image img = sImage();
	for(auto _ : state) {
		GdkPixbuf* pb = detail::ImageToPixbuf(img);
		Image back = detail::PixbufToImage(pb);
		g_object_unref(pb);
		benchmark::DoNotOptimize(back.Begin());
	}
}

} // namespace

BENCHMARK(OfferText)->Name("OfferText1MB/QelClipboard")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(ReadText)->Name("ReadText1MB/QelClipboard")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(OfferImage)->Name("OfferImage1024/QelClipboard")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(ReadImage)->Name("ReadImage1024/QelClipboard")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(ImagePixbufRoundTrip)->Name("PixbufRoundTrip1024/QelImage")->Unit(benchmark::kMicrosecond);
