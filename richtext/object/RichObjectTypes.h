// The object types rich text brings itself: recorded drawings ("Drawing"), image files shown as
// they are ("PING"), images in the framework's image string ("image"), PNG data decoded when read
// ("PNG"), image files of any registered format or SVG text ("rawimage") and icons of the
// registered image lists ("iml"). Each is registered once at start-up; stored objects are
// untrusted, so none of them decodes an image of more than 64 Mpixel whole or makes an object
// image of more than 16 Mpixel.
#pragma once

#include <draw/Draw.h>

#include <richtext/object/RichObject.h>

namespace Qel {

class RichObjectTypeDrawingCls : public RichObjectType {
public:
	// What a "Drawing" object holds: the drawing and its physical size in document units.
	struct Data {
		Drawing drawing;
		Size    sz = Size(0, 0);
	};

	using RichObjectType::GetPhysicalSize;
	using RichObjectType::GetPixelSize;
	using RichObjectType::Paint;

	String GetTypeName(const Value& data) const override;
	// Version (int32, 1), sz (two int32), then the drawing's own stored form. A damaged text
	// reads as the void value.
	Value  Read(const String& s) const override;
	String Write(const Value& data) const override;
	Size   GetPhysicalSize(const Value& data) const override;
	Size   GetPixelSize(const Value& data) const override;
	// White, then the drawing scaled into (0, 0, sz).
	void   Paint(const Value& data, Draw& w, Size sz) const override;

	static Value MakeValue(const Drawing& drawing, Size sz);
	// The record held, or null for any other value.
	static const Data* GetData(const Value& data);
};

// The bytes of an image file, decoded only to be painted; red where they cannot be.
class RichObjectTypePNGCls : public RichObjectType {
public:
	using RichObjectType::GetPhysicalSize;
	using RichObjectType::GetPixelSize;
	using RichObjectType::Paint;

	String GetTypeName(const Value& data) const override;
	Size   GetPhysicalSize(const Value& data) const override;
	Size   GetPixelSize(const Value& data) const override;
	void   Paint(const Value& data, Draw& w, Size sz) const override;
};

// An image string. The clipboard goes through the hooks the GUI installs
// (SetRichImageClipboardHooks); without them there is none.
class RichImage : public RichObjectType {
public:
	using RichObjectType::GetPhysicalSize;
	using RichObjectType::GetPixelSize;
	using RichObjectType::Paint;
	using RichObjectType::ToImage;

	String GetTypeName(const Value& data) const override;
	bool   AcceptClip(PasteSource& clip) const override;
	Value  ReadClip(PasteSource& clip) const override;
	String GetClipFormats() const override;
	String GetClipData(const Value& data, const String& format) const override;
	Size   GetPhysicalSize(const Value& data) const override;
	Size   GetPixelSize(const Value& data) const override;
	void   Paint(const Value& data, Draw& w, Size sz) const override;
	Image  ToImage(int64 serial_id, const Value& data, Size sz, void* context) const override;
};

// PNG (or any registered format) decoded once, when read; the bytes stay when they do not decode.
// A decoded one is written back as an image string, under the type name "image".
class RichPNG : public RichObjectType {
public:
	using RichObjectType::GetPhysicalSize;
	using RichObjectType::GetPixelSize;
	using RichObjectType::Paint;
	using RichObjectType::ToImage;

	String GetTypeName(const Value& data) const override;
	Value  Read(const String& s) const override;
	String Write(const Value& data) const override;
	Size   GetPhysicalSize(const Value& data) const override;
	Size   GetPixelSize(const Value& data) const override;
	void   Paint(const Value& data, Draw& w, Size sz) const override;
	Image  ToImage(int64 serial_id, const Value& data, Size sz, void* context) const override;
};

// The bytes of an image file of any registered format, or SVG text. Large pictures are rescaled
// while they are decoded, so they are never held at full size.
class RichRawImage : public RichObjectType {
public:
	using RichObjectType::GetPhysicalSize;
	using RichObjectType::GetPixelSize;
	using RichObjectType::Paint;
	using RichObjectType::ToImage;

	String GetTypeName(const Value& data) const override;
	Size   GetPhysicalSize(const Value& data) const override;
	Size   GetPixelSize(const Value& data) const override;
	void   Paint(const Value& data, Draw& w, Size sz) const override;
	// The decoded picture is cached by the object's serial number (ImgFormatLoader).
	Image  ToImage(int64 serial_id, const Value& data, Size sz, void* context) const override;
};

// "list:image" of the registered image lists.
class RichImlImage : public RichObjectType {
public:
	using RichObjectType::GetPhysicalSize;
	using RichObjectType::GetPixelSize;
	using RichObjectType::Paint;
	using RichObjectType::ToImage;

	String GetTypeName(const Value& data) const override;
	bool   IsText() const override;
	Size   GetPhysicalSize(const Value& data) const override;
	Size   GetPixelSize(const Value& data) const override;
	void   Paint(const Value& data, Draw& w, Size sz) const override;
	Image  ToImage(int64 serial_id, const Value& data, Size sz, void* context) const override;
};

// The picture of a "rawimage" object, decoded through the image cache under the object's serial
// number: whole up to 16 Mpixel, larger ones rescaled to that while decoding.
class ImgFormatLoader : public ImageMaker {
public:
	int64  serial_id = 0;
	String data;

	String Key() const override;
	Image  Make() const override;

	ImgFormatLoader(int64 serial_id, const String& data) : serial_id(serial_id), data(data) {}
};

} // namespace Qel
