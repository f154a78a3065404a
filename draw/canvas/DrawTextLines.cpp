// Multi-line text with tabs and an access key, and the smart-text entry points.
#include "DrawTextLines.h"

namespace Qel {

namespace {

SmartTextSizeFn sSmartTextSize;
DrawSmartTextFn sDrawSmartText;

int sWidth(Font font, wchar c)
{
	GlyphInfo gi = font.GetGlyphInfo(c);
	return gi.IsNormal() ? gi.width : 0;
}

int sKeyForm(int c) { return UnicodeToAscii(ToUpper(c)); }

// Lays the text out line by line and passes each run of printable characters to
// run(x, y, text, n, marked), x and y relative to the text's corner; returns the text's size.
template <class Run>
Size sLayout(const wchar* text, Font font, dword accesskey, Run run)
{
	static const wchar empty[1] = { 0 };
	if(!text)
		text = empty;
	int lh = font.GetCy();
	int key = accesskey & 0xFFFF;
	int keypos = int(accesskey >> 16);
	if(key)
		key = sKeyForm(key);
	int x = 0, y = 0, cx = 0;
	const wchar* start = nullptr;
	int startx = 0;
	auto flush = [&](const wchar* end) {
		if(start && end > start)
			run(startx, y, start, int(end - start), false);
		start = nullptr;
	};
	for(const wchar* s = text;; s++) {
		wchar c = *s;
		if(c == 0 || c == '\n') {
			flush(s);
			cx = max(cx, x);
			y += lh;
			if(c == 0)
				break;
			x = 0;
			continue;
		}
		if(c < 32) {
			flush(s);
			// A line height of 0 gives no tab stops: the tab adds nothing.
			if(c == '\t' && lh > 0)
				x = (x / (2 * lh) + 1) * (2 * lh);
			continue;
		}
		if(key && (keypos == 0 || s - text == keypos - 1) && sKeyForm(c) == key) {
			flush(s);
			run(x, y, s, 1, true);
			x += sWidth(font, c);
			key = 0;
			continue;
		}
		if(!start) {
			start = s;
			startx = x;
		}
		x += sWidth(font, c);
	}
	return Size(cx, y);
}

} // namespace

Size GetMultilineTextSize(const wchar* text, Font font)
{
	return sLayout(text, font, 0, [](int, int, const wchar*, int, bool) {});
}

void DrawMultilineText(Draw& w, int x, int y, const wchar* text, Font font, Color ink, dword accesskey)
{
	sLayout(text, font, accesskey, [&](int px, int py, const wchar* s, int n, bool marked) {
		w.DrawText(x + px, y + py, s, marked ? Font(font).Underline() : font, ink, n);
	});
}

void SetSmartTextHooks(SmartTextSizeFn size, DrawSmartTextFn draw)
{
	sSmartTextSize = size;
	sDrawSmartText = draw;
}

Size GetSmartTextSize(const char* text, Font font, int cx)
{
	if(sSmartTextSize)
		return sSmartTextSize(text, font, cx);
	return GetMultilineTextSize(ToUnicode(String(text), CHARSET_UTF8).Begin(), font);
}

void DrawSmartText(Draw& w, int x, int y, int cx, const char* text, Font font, Color ink, dword accesskey)
{
	if(sDrawSmartText) {
		sDrawSmartText(w, x, y, cx, text, font, ink, accesskey);
		return;
	}
	DrawMultilineText(w, x, y, ToUnicode(String(text), CHARSET_UTF8).Begin(), font, ink, accesskey);
}

} // namespace Qel
