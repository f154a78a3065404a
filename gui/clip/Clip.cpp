// The text and image conveniences of the clipboard and of paste sources.
#include "Clip.h"
#include <gui/clip/detail/Clip.h>

namespace Qel {

using namespace detail;

namespace {

String sTextRender(const Value& v)
{
	return ToUtf8(v.ToWString());
}

} // namespace

void ClearClipboard()
{
	GuiLock lock;
	ClipClear(SEL_CLIPBOARD);
}

String GetTextClipFormat()
{
	return "text";
}

void AppendClipboardUnicodeText(const WString& s)
{
	AppendClipboard("text", ToUtf8(s));
}

WString ReadClipboardUnicodeText()
{
	GuiLock lock;
	return ClipGetText(SEL_CLIPBOARD);
}

bool IsClipboardAvailableText()
{
	GuiLock lock;
	return ClipIsAvailable(SEL_CLIPBOARD, "text");
}

WString GetWString(PasteSource& clip)
{
	return ToUtf32(clip.Get("text"));
}

bool IsAvailableText(PasteSource& clip)
{
	return clip.IsAvailable("text");
}

void AppendClipText(VectorMap<String, ClipData>& data, const WString& text)
{
	data.GetAdd("text") = ClipData(text, sTextRender);
}

String GetTextClipData(const WString& text, const String& fmt)
{
	return fmt == "text" ? ToUtf8(text) : String();
}

String GetImageClipFormat()
{
	return "image";
}

bool IsAvailableImage(PasteSource& clip)
{
	return clip.IsAvailable("image");
}

Image GetImage(PasteSource& clip)
{
	GuiLock lock;
	if(clip.accepted && clip.paste && clip.fmt == "image")
		return LoadImageFromString(clip.data); // fetched already
	if(clip.kind == PasteSource::DROP)
		return LoadImageFromString(clip.Get("image"));
	return ClipGetImage(clip.kind == PasteSource::SELECTION ? SEL_PRIMARY : SEL_CLIPBOARD);
}

String GetImageClipData(const Value& img, const String& fmt)
{
	if(fmt != "image" || img.GetType() != IMAGE_V)
		return String();
	return StoreImageAsString(Image(img));
}

} // namespace Qel
