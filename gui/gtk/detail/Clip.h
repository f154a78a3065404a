// The GTK side of the clipboard and of drag and drop: the selection wrappers, the atom cache,
// the conversions between Image and GdkPixbuf, the data forms of the formats and the formats a
// drag offers.
#pragma once

#include <gui/clip/detail/Clip.h>

#include <gtk/gtk.h>

namespace Qel::detail {

// The interned atom of a format or target name, cached per name.
GdkAtom ClipAtom(const String& name);

// Straight-alpha RGB(A) samples to an Image (premultiplied): 8 bits, 3 channels without or 4
// with alpha; rows rowstride bytes apart in len bytes. Anything else, or rows that do not fit
// the data, gives the empty image.
Image PixelsToImage(const byte* data, int64 len, int cx, int cy, int rowstride, int channels, int bits, bool alpha);
// The same for a pixbuf (not released here).
Image PixbufToImage(const GdkPixbuf* pb);
// A new RGBA pixbuf of straight alpha; null for an empty image or when none can be made.
GdkPixbuf* ImageToPixbuf(const Image& img);

// Keeps the pixbuf of the last image it converted, so that a caller asking for the same image
// again (a window icon) learns that nothing changed.
class ImageGdk {
public:
	// True when img differs from the last one and the pixbuf was made anew.
	bool       Set(const Image& img);
	GdkPixbuf* Get() const                 { return pixbuf; }

	ImageGdk() = default;
	ImageGdk(const ImageGdk&) = delete;
	ImageGdk& operator=(const ImageGdk&) = delete;
	~ImageGdk();

private:
	Image      image;
	GdkPixbuf* pixbuf = nullptr;
};

// Stores a format's bytes (or, for "image", its Image value) into selection data in the form
// the format travels in. False when the value has nothing to offer.
bool   PutSelectionData(GtkSelectionData* sel, const String& fmt, const ClipData& data);
bool   PutSelectionBytes(GtkSelectionData* sel, const String& fmt, const String& bytes);
// The data of a format read from selection data: UTF-8 text, URIs each ending with a line
// feed, an image in its string form, or raw bytes.
String ReadSelectionData(GtkSelectionData* sel, const String& fmt);

// Text that arrived as data of the given type (the target name the owner answered with) as
// UTF-8, nothing dropped, NULs included. UTF8_STRING and UTF-8 text/plain keep their bytes, so
// those that are not UTF-8 read as escape characters; STRING and text/plain without a charset
// are Latin-1 by the window system's convention; other charsets are converted when they can be.
// The text/plain forms have their CR LF line ends made LF.
String DecodeClipText(const char* data, int len, const String& type);
// The same from selection data, by its type; COMPOUND_TEXT is converted by GDK, NULs kept.
String ReadSelectionText(GtkSelectionData* sel);

// Adds the targets of a format to a list with the info number.
void   AddClipTargets(GtkTargetList* list, const String& fmt, guint info);

// The formats a drag offers: "text", "image" and "files" for the targets GTK treats as such
// (each once, with the first target name that gave it), other target names as they are except
// those three names themselves.
struct DropFormats {
	Index<String> formats;
	String        text_target;
	String        image_target;
	String        files_target;

	// The target to ask for a format.
	String Target(const String& fmt) const;
};
void   CollectDropFormats(const Vector<String>& targets, DropFormats& out);
void   CollectDropFormats(GdkDragContext* context, DropFormats& out);

// GTK's context of the drag this program runs; null when none runs.
GdkDragContext* RunningDragContext();

// Connects the drop target and drag source signals of a native window's event widget.
void   ConnectDragAndDrop(GtkWidget* widget, int id);

} // namespace Qel::detail
