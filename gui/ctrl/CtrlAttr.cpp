// The property store: small typed records in one packed block. A control that only has a layout
// id keeps a plain pointer to its static text until some other property is written.
#include "Ctrl.h"

#include <cstring>

namespace Qel {

PackedData& Ctrl::Attrs()
{
	if(flags & LAYOUTIDPTR) {
		const char* id = layout_id_literal;
		flags &= ~LAYOUTIDPTR;
		new(&attrs) PackedData;
		attrs.SetData(ATTR_LAYOUTID, id, (int)strlen(id));
	}
	return attrs;
}

Ctrl& Ctrl::SetLayoutId(const char* id)
{
	GuiLock lock;
	if(!id)
		id = "";
	if((flags & LAYOUTIDPTR) || attrs.IsEmpty()) {
		if(!(flags & LAYOUTIDPTR))
			attrs.~PackedData();
		layout_id_literal = id;
		flags |= LAYOUTIDPTR;
	}
	else
		attrs.SetData(ATTR_LAYOUTID, id, (int)strlen(id));
	return *this;
}

String Ctrl::GetLayoutId() const
{
	GuiLock lock;
	if(flags & LAYOUTIDPTR)
		return layout_id_literal;
	String s;
	attrs.GetData(ATTR_LAYOUTID, s);
	return s;
}

void Ctrl::SetTextAttr(int key, const char* text)
{
	GuiLock lock;
	Attrs().SetData(key, text, text ? (int)strlen(text) : 0);
}

void Ctrl::SetTextAttr(int key, const String& text)
{
	GuiLock lock;
	Attrs().SetData(key, text.Begin(), text.GetLength());
}

String Ctrl::GetTextAttr(int key) const
{
	GuiLock lock;
	String s;
	if(!(flags & LAYOUTIDPTR))
		attrs.GetData(key, s);
	return s;
}

namespace {

// The record of key when it holds exactly n bytes.
template <class T>
bool sGetAttr(const PackedData& attrs, dword flags, int key, T& out)
{
	if(flags & Ctrl::LAYOUTIDPTR)
		return false;
	int len;
	const byte* p = attrs.GetData(key, len);
	if(!p || len != (int)sizeof(T))
		return false;
	memcpy(&out, p, sizeof(T));
	return true;
}

} // namespace

void Ctrl::SetIntAttr(int key, int v)
{
	GuiLock lock;
	Attrs().SetData(key, &v, sizeof(v));
}

int Ctrl::GetIntAttr(int key, int def) const
{
	GuiLock lock;
	int v;
	return sGetAttr(attrs, flags, key, v) ? v : def;
}

void Ctrl::SetColorAttr(int key, Color c)
{
	GuiLock lock;
	dword w = c.GetRaw();
	Attrs().SetData(key, &w, sizeof(w));
}

Color Ctrl::GetColorAttr(int key) const
{
	GuiLock lock;
	dword w;
	return sGetAttr(attrs, flags, key, w) ? Color::FromRaw(w) : Color();
}

void Ctrl::SetFontAttr(int key, Font f)
{
	GuiLock lock;
	if(f.IsNull())
		Attrs().SetData(key, nullptr, 0);
	else {
		int64 w = f.AsInt64();
		Attrs().SetData(key, &w, sizeof(w));
	}
}

Font Ctrl::GetFontAttr(int key) const
{
	GuiLock lock;
	int64 w;
	return sGetAttr(attrs, flags, key, w) ? Font::FromInt64(w) : Font();
}

void Ctrl::SetVoidPtrAttr(int key, const void* p)
{
	GuiLock lock;
	if(p)
		Attrs().SetData(key, &p, sizeof(p));
	else
		Attrs().SetData(key, nullptr, 0);
}

void* Ctrl::GetVoidPtrAttr(int key) const
{
	GuiLock lock;
	void* p;
	return sGetAttr(attrs, flags, key, p) ? p : nullptr;
}

} // namespace Qel
