// RichObject: an object embedded in rich text (a drawing, an image, ...), kept as an opaque data
// value with its sizes and the name of its type. RichObjectType: the stateless handler of one
// kind of object, registered once under its type name; objects of an unknown type keep their
// stored text and paint as a placeholder.
#pragma once

#include <Core/Core.h>
#include <draw/Draw.h>

#include <richtext/object/RichTextHooks.h>

namespace Qel {

class RichObject;

class RichObjectType {
public:
	virtual String GetTypeName(const Value& data) const = 0;
	virtual String GetDefaultText() const;
	// Stored text to data value and back; by default the text is the value.
	virtual Value  Read(const String& s) const;
	virtual String Write(const Value& data) const;
	virtual bool   IsText() const;
	virtual bool   AcceptClip(PasteSource& clip) const;
	virtual Value  ReadClip(PasteSource& clip) const;
	virtual String GetClipFormats() const;
	virtual String GetClipData(const Value& data, const String& format) const;

	// With the caller's context (the document's, usually); each defaults to its form below.
	virtual Size   GetDefaultSize(const Value& data, Size maxsize, void* context) const;
	virtual Size   GetPhysicalSize(const Value& data, void* context) const;
	virtual Size   GetPixelSize(const Value& data, void* context) const;
	virtual void   Paint(const Value& data, Draw& w, Size sz, void* context) const;
	// By default the object painted on the theme paper colour into an image of sz.
	virtual Image  ToImage(int64 serial_id, const Value& data, Size sz, void* context) const;
	// Hooks for editors and other hosts; nothing here calls them.
	virtual void   Edit(RichObject& object, void* context) const;
	virtual void   Action(RichObject& object, int action, void* context) const;
	virtual String GetHint(const Value& data, Size at, Size sz, void* context) const;

	virtual ~RichObjectType();

	// The physical size (else the pixel size * 600 / 96), divided by the smallest whole number
	// that makes it fit into maxsize; (0, 0) for Null data.
	virtual Size   GetDefaultSize(const Value& data, Size maxsize) const;
	virtual Size   GetPhysicalSize(const Value& data) const = 0;
	virtual Size   GetPixelSize(const Value& data) const = 0;
	virtual void   Paint(const Value& data, Draw& w, Size sz) const;
	virtual Image  ToImage(int64 serial_id, const Value& data, Size sz) const;
	virtual void   Edit(RichObject& object) const;
	virtual void   Action(RichObject& object, int action) const;
	virtual String GetHint(const Value& data, Size at, Size sz) const;
};

class RichObject {
	Value                 data;
	int                   ydelta = 0;        // vertical offset on its line
	Size                  size = Size(0, 0); // laid out in this size (text units)
	Size                  physical_size = Size(0, 0);
	Size                  pixel_size = Size(0, 0);
	bool                  keepratio = true;
	const RichObjectType* type = nullptr;    // null: no handler for type_name
	int64                 serial = 0;
	String                type_name;

public:
	// Adds a handler under a name; the first one registered under a name is the one found.
	// Registration belongs to start-up: the registry is not locked.
	static void                  Register(const char* name, RichObjectType* type);
	static const RichObjectType* FindType(const String& name);

	// Builds the object of a type from its stored text; false when no handler knows the type,
	// in which case the text is kept as it is and sz is taken for all three sizes. Any type name
	// is kept, and QTF keeps it too (but for a NUL, which it leaves out).
	bool  Read(const String& type_name, const String& data, Size sz, void* context = nullptr);
	void  Clear();
	// A new serial number from the process-wide counter; caches of object images key on it.
	void  NewSerial();
	// Paints into (0, 0, sz): through the handler, or as a placeholder box with the type name.
	void  Paint(Draw& w, Size sz, void* context = nullptr) const;
	Image ToImage(Size sz, void* context = nullptr) const;

	const Value&          GetData() const         { return data; }
	bool                  IsNull() const          { return data.IsNull(); }
	int                   GetYDelta() const       { return ydelta; }
	void                  SetYDelta(int y)        { ydelta = y; }
	Size                  GetSize() const         { return size; }
	void                  SetSize(Size sz)        { size = sz; }
	Size                  GetPhysicalSize() const { return physical_size; }
	Size                  GetPixelSize() const    { return pixel_size; }
	bool                  IsKeepRatio() const     { return keepratio; }
	void                  KeepRatio(bool b)       { keepratio = b; }
	const RichObjectType* GetType() const         { return type; }
	const String&         GetTypeName() const     { return type_name; }
	int64                 GetSerialId() const     { return serial; }
};

} // namespace Qel
