// What the GUI core registers with the modules below it when the program starts.
#include <gui/clip/Clip.h>
#include <gui/ctrl/Ctrl.h>
#include <gui/clip/CtrlCoreImg.h>
#include <gui/paint/ImageDraw.h>
#include <gui/input/detail/Keys.h>

#include <painter/Painter.h>
#include <richtext/RichText.h>
#include <plugin/png/png.h>

#include <cstdlib>

namespace Qel {

namespace {

constexpr int KEY = 1;

const TranslationRecord sGuiTable[] = {
	{ KEY, "Failed to initialized GTK app!" },
	{ 0, nullptr }
};

} // namespace

Image RenderGlyphByCairo(int cx, int x, Font font, int chr, int y, int cy, Color ink, Color paper)
{
	ImageDraw w(cx, cy);
	w.DrawRect(0, 0, cx, cy, paper);
	wchar c = (wchar)chr;
	w.DrawText(x, -y, &c, font, ink, 1);
	return w.GetImage();
}

void InitCtrlCorePackage()
{
	static StaticMutex lock;
	static bool done;
	Mutex::Lock guard(lock);
	if(!done) {
		done = true;
		SetRenderGlyphHook(RenderGlyphByCairo);
	}
}

namespace detail {

void GuiStartupRegistrations()
{
	static StaticMutex lock;
	static bool done;
	Mutex::Lock guard(lock);
	if(done)
		return;
	done = true;
	InitCtrlCorePackage();
	RegisterPNGRaster();
	RichTextInitOnce();
	// cairo paints ImageAnyDraws unless the painter (registered next) takes them over
	ImageAnyDraw::RegisterDefault(CreateImageDraw, ExtractImageDraw);
	InitPainterDrawHooks();
	CtrlCoreImg::Iml(); // registers the list by name
	SetStdFontChangeHook([] { Ctrl::ReSkin(); });
	KeyNames();
	SetTimerPassHooks([] { Ctrl::CheckMouseCtrl(); Ctrl::SyncCaret(); }, [] { Ctrl::SyncRefreshFlags(); });
	atexit(ClearTimers);
	SetRichImageClipboardHooks(GetImageClipData, IsAvailableImage, GetImage, GetImageClipFormat);
	RegisterBMPRaster();
	RegisterTranslationModule(sGuiTable, "Gui");
}

} // namespace detail

} // namespace Qel
