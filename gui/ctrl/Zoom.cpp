// The layout zoom and the re-skin of every window.
#include "Zoom.h"
#include "Ctrl.h"
#include <richtext/RichText.h>

namespace Qel {

namespace {

const char sZoomText[] = "OK Cancel Exit Retry";

Size sMeasured;  // 0 width: not computed
Size sReference;
bool sReSkinning;
bool sPostReSkin;
byte sPostReSkinId; // identity of the queued re-skin

void (* const* sSkin)();
int sSkinIndex;

std::atomic<Size (*)()> sMeasure;

Size sMeasureText()
{
	Size (*m)() = sMeasure.load();
	return m ? m() : GetTextSize(sZoomText, StdFont());
}

void sForgetZoom()
{
	sMeasured.cx = sReference.cx = 0;
}

// The queued re-skin must not outlive the timer list.
struct PostReSkinAtExit {
	~PostReSkinAtExit() { KillTimeCallback(&sPostReSkinId); }
} sPostReSkinAtExit;

} // namespace

void detail::SetZoomTextMeasure(Size (*measure)())
{
	GuiLock lock;
	sMeasure.store(measure);
	sForgetZoom();
}

void detail::SetPostReSkin(bool on)
{
	GuiLock lock;
	sPostReSkin = on;
}

void ComputeLayoutZoom()
{
	GuiLock lock;
	if(sMeasured.cx && sReference.cx)
		return;
	bool big = GetStdFontSize().cy >= 21;
	Size t = sMeasured;
	if(sMeasured.cx == 0) {
		t = sMeasureText();
		if(big)
			t.cy += 4;
	}
	if(sReference.cx == 0)
		sReference = big ? Size(99, 17) : Size(99, 13);
	sMeasured = Size(max(t.cx, sReference.cx), max(t.cy, sReference.cy));
	SetRichTextStdScreenZoom(min(t.cx * 96 / sReference.cx, t.cy * 96 / sReference.cy), 600);
	Ctrl::ReSkin();
}

int HorzLayoutZoom(int v)
{
	if(v < -15999)
		return v;
	GuiLock lock;
	ComputeLayoutZoom();
	return int(int64(v) * sMeasured.cx / sReference.cx);
}

int VertLayoutZoom(int v)
{
	if(v < -15999)
		return v;
	GuiLock lock;
	ComputeLayoutZoom();
	return int(int64(v) * sMeasured.cy / sReference.cy);
}

Size LayoutZoom(int cx, int cy)
{
	return Size(HorzLayoutZoom(cx), VertLayoutZoom(cy));
}

Size LayoutZoom(Size sz)
{
	return LayoutZoom(sz.cx, sz.cy);
}

Font StdFontZoomed(int height)
{
	return Font(0, VertLayoutZoom(height));
}

void Ctrl::SetSkin(void (* const* skin)())
{
	GuiLock lock;
	sSkin = skin;
}

void Ctrl::ReSkin()
{
	GuiLock lock;
	if(sReSkinning)
		return;
	struct Guard {
		Guard()  { sReSkinning = true; }
		~Guard() { sReSkinning = false; }
	} guard;
	ResetThemeValues();
	sForgetZoom();
	Iml::RefreshAll();
	if(sSkin) {
		int i = 0;
		while(i < sSkinIndex && sSkin[i])
			i++;
		if(i == sSkinIndex && sSkin[i])
			sSkin[i]();
	}
	sForgetZoom();
	ComputeLayoutZoom();
	ApplyThemeResets();
	Array<Ptr<Ctrl>> tops;
	for(Ctrl* q : GetTopCtrls())
		tops.Add(q);
	for(Ctrl* q : tops)
		if(q) {
			q->SyncLayout(2);
			q->ApplySkinDeep();
			q->RefreshFrame();
		}
}

void Ctrl::PostReSkin()
{
	GuiLock lock;
	if(sPostReSkin)
		KillSetTimeCallback(1, [] { Ctrl::ReSkin(); }, &sPostReSkinId);
}

} // namespace Qel
