#include <richtext/object/RichObject.h>
#include <richtext/object/detail/ObjectImage.h>

#include <atomic>

namespace Qel {

namespace {

// Filled by the static initialisers of the modules that bring object types.
VectorMap<String, RichObjectType*>& sTypes()
{
	static VectorMap<String, RichObjectType*> types;
	return types;
}

std::atomic<int64>& sSerial()
{
	static std::atomic<int64> serial{0};
	return serial;
}

// Object images are made only up to a size: a stored object's size is untrusted.
bool sImageTooLarge(Size sz)
{
	return detail::ObjectArea(sz) > detail::OBJECT_IMAGE_MAX_PIXELS;
}

} // namespace

String RichObjectType::GetDefaultText() const                              { return String(); }
Value  RichObjectType::Read(const String& s) const                         { return s; }
bool   RichObjectType::IsText() const                                      { return false; }
bool   RichObjectType::AcceptClip(PasteSource&) const                      { return false; }
Value  RichObjectType::ReadClip(PasteSource&) const                        { return INT_NULL; } // the int Null
String RichObjectType::GetClipFormats() const                              { return String(); }
String RichObjectType::GetClipData(const Value&, const String&) const      { return String(); }

// A String unchanged, a WString as UTF-8; other types throw ValueTypeError, so a handler whose
// data is not text writes it itself.
String RichObjectType::Write(const Value& data) const
{
	return data.ToString();
}

Size RichObjectType::GetDefaultSize(const Value& data, Size maxsize, void*) const
{
	return GetDefaultSize(data, maxsize);
}

Size RichObjectType::GetPhysicalSize(const Value& data, void*) const { return GetPhysicalSize(data); }
Size RichObjectType::GetPixelSize(const Value& data, void*) const    { return GetPixelSize(data); }

void RichObjectType::Paint(const Value& data, Draw& w, Size sz, void*) const
{
	Paint(data, w, sz);
}

Image RichObjectType::ToImage(int64, const Value& data, Size sz, void* context) const
{
	if(sImageTooLarge(sz))
		return Image();
	ImageAnyDraw iw(sz);
	iw.DrawRect(0, 0, sz.cx, sz.cy, ThemePaperColor());
	Paint(data, iw, sz, context);
	return iw;
}

void   RichObjectType::Edit(RichObject& object, void*) const                 { Edit(object); }
void   RichObjectType::Action(RichObject& object, int action, void*) const   { Action(object, action); }
String RichObjectType::GetHint(const Value&, Size, Size, void*) const        { return String(); }

RichObjectType::~RichObjectType() = default;

Size RichObjectType::GetDefaultSize(const Value& data, Size maxsize) const
{
	if(data.IsNull())
		return Size(0, 0);
	Size s = GetPhysicalSize(data, nullptr);
	if(s.cx == 0 && s.cy == 0) {
		s = detail::ScaleObjectSize(GetPixelSize(data, nullptr), 625, 100);
	}
	int w = s.cx, h = s.cy;
	for(int d = 1; d < 9999; d++) {
		w = s.cx / d;
		h = s.cy / d;
		if(w <= maxsize.cx && h <= maxsize.cy)
			break;
	}
	return Size(w, h);
}

void  RichObjectType::Paint(const Value&, Draw&, Size) const {}

Image RichObjectType::ToImage(int64 serial_id, const Value& data, Size sz) const
{
	return ToImage(serial_id, data, sz, nullptr);
}

void   RichObjectType::Edit(RichObject&) const {}
void   RichObjectType::Action(RichObject&, int) const {}

String RichObjectType::GetHint(const Value& data, Size at, Size sz) const
{
	return GetHint(data, at, sz, nullptr);
}

void RichObject::Register(const char* name, RichObjectType* type)
{
	sTypes().Add(name, type);
}

const RichObjectType* RichObject::FindType(const String& name)
{
	const VectorMap<String, RichObjectType*>& types = sTypes();
	int q = types.Find(name);
	return q >= 0 ? types[q] : nullptr;
}

bool RichObject::Read(const String& type_name_, const String& data_, Size sz, void* context)
{
	String name = type_name_; // either argument may be this object's own
	String text = data_;
	const RichObjectType* t = FindType(name);
	if(!t) {
		// The handler of an earlier content does not read this one: it would write it out
		// under its own type name.
		type = nullptr;
		type_name = name;
		data = text;
		size = physical_size = pixel_size = sz;
		NewSerial();
		return false;
	}
	Clear();
	type = t;
	type_name = name;
	data = t->Read(text);
	physical_size = t->GetPhysicalSize(data, context);
	pixel_size = t->GetPixelSize(data, context);
	if(physical_size.cx == 0 || physical_size.cy == 0)
		physical_size = detail::ObjectPixelsToDots(pixel_size);
	size = sz;
	NewSerial();
	return true;
}

void RichObject::Clear()
{
	data = Value();
	ydelta = 0;
	size = physical_size = pixel_size = Size(0, 0);
	keepratio = true;
	type = nullptr;
	serial = 0;
	type_name.Clear();
}

void RichObject::NewSerial()
{
	serial = sSerial().fetch_add(1, std::memory_order_relaxed) + 1;
}

void RichObject::Paint(Draw& w, Size sz, void* context) const
{
	if(type) {
		type->Paint(data, w, sz, context);
		return;
	}
	w.DrawRect(0, 0, sz.cx, sz.cy, ThemeFaceColor());
	DrawFrame(w, 0, 0, sz.cx, sz.cy, ThemeTextColor());
	w.DrawText(2, 2, type_name, StdFont(), DEFAULT_INK);
}

Image RichObject::ToImage(Size sz, void* context) const
{
	if(type)
		return type->ToImage(serial, data, sz, context);
	if(sImageTooLarge(sz))
		return Image();
	ImageAnyDraw iw(sz);
	Paint(iw, sz, context);
	return iw;
}

} // namespace Qel
