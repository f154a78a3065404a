// The clipboard, the primary selection and drops as controls see them. Data travels in named
// formats ("text", "files", "image", or any other name, which is the window system's target of
// that name carrying raw bytes); a list of formats is one string with ';' between names.
// Everything here runs on the GUI thread under the GUI lock; reading waits for the owner of the
// data, running the event loop meanwhile.
#pragma once

#include <gui/ctrl/Ctrl.h>

namespace Qel {

// Renders a clipboard entry's value into the bytes of its format when someone asks for them.
using ClipRender = String (*)(const Value& data);

// One format's entry of the clipboard or of a drag: the value and how to render it. Without a
// render function a String goes out unchanged and any other value as its text (Null as empty
// text, a WString as UTF-8); a value that has no text form offers nothing.
struct ClipData {
	using Relocatable = void; // a Value and a function pointer

	Value      data;
	ClipRender render = nullptr;

	// The bytes; false (out left empty) when the value cannot be rendered by default.
	bool Render(String& out) const;

	ClipData() = default;
	ClipData(const Value& data, ClipRender render = nullptr) : data(data), render(render) {}
};

// Data offered for pasting: by the clipboard (kind 0), by a drop in progress (1) or by the
// primary selection (2).
class PasteSource {
public:
	enum { CLIPBOARD = 0, DROP = 1, SELECTION = 2 };

	int    kind = CLIPBOARD;
	bool   paste = false;    // Accept fetches the data of the format it finds
	bool   accepted = false; // a format of some Accept was available
	String fmt;              // the format accepted when pasting
	String data;             // its data

	// Finds the first format of the list that the source offers: marks the source accepted and,
	// when pasting, fetches it into fmt and data and returns true; false when not pasting or
	// when none is offered. Asked again for the format it fetched, it answers at once.
	bool   Accept(const char* fmts);
	bool   IsAccepted() const                  { return accepted; }
	bool   IsPaste() const                     { return paste; }
	// A single format.
	bool   IsAvailable(const char* fmt) const;
	String Get(const char* fmt) const;

	PasteSource() = default;
	PasteSource(int kind, bool paste) : kind(kind), paste(paste) {}
};

// The primary selection's source (pasting); every call starts it afresh.
PasteSource& SelectionPasteSource();

// Adds data to the clipboard under each format of the list. Formats already there are replaced;
// after another program took the clipboard, the earlier formats are forgotten first.
void AppendClipboard(const char* fmts, const Value& data, ClipRender render = nullptr);
void ClearClipboard();

String  GetTextClipFormat();                          // "text"
void    AppendClipboardUnicodeText(const WString& s);
// Bytes that are not UTF-8 arrive as escape characters, never lost.
WString ReadClipboardUnicodeText();
bool    IsClipboardAvailableText();
WString GetWString(PasteSource& clip);
bool    IsAvailableText(PasteSource& clip);
// Adds "text" to a drag's formats.
void    AppendClipText(VectorMap<String, ClipData>& data, const WString& text);
// The text as UTF-8 when fmt is "text", else empty.
String  GetTextClipData(const WString& text, const String& fmt);

String  GetImageClipFormat();                         // "image"
bool    IsAvailableImage(PasteSource& clip);
// The empty image when the source offers none.
Image   GetImage(PasteSource& clip);
// An image (an Image value) stored as the string form that the "image" format carries.
String  GetImageClipData(const Value& img, const String& fmt);

// What the primary selection offers for format fmt: the selection data of the control that set
// itself as the source, while it exists; empty otherwise.
String  GetSelectionSourceData(const Value& fmt);

// The "files" form: URIs one per line, each line ending with a line feed; reading drops empty
// lines and carriage returns before the line feed.
String         JoinUriLines(const Vector<String>& uris);
Vector<String> SplitUriLines(const String& data);

} // namespace Qel
