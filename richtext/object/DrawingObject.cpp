// "Drawing": a recorded Drawing with its physical size.
#include <richtext/object/RichObjectTypes.h>

namespace Qel {

String RichObjectTypeDrawingCls::GetTypeName(const Value&) const
{
	return "Drawing";
}

Value RichObjectTypeDrawingCls::MakeValue(const Drawing& drawing, Size sz)
{
	Data d;
	d.drawing = drawing;
	d.sz = sz;
	return Value::MakeRaw(d);
}

const RichObjectTypeDrawingCls::Data* RichObjectTypeDrawingCls::GetData(const Value& data)
{
	return data.GetType() == ValueTypeNo<Data>() ? &data.To<Data>() : nullptr;
}

Value RichObjectTypeDrawingCls::Read(const String& s) const
{
	StringStream ss(s);
	ss.SetLoading();
	int version = 0; // only 1 has been written; the field is for later forms
	Data d;
	ss % version % d.sz;
	d.drawing.Serialize(ss);
	if(ss.IsError())
		return Value();
	return Value::MakeRaw(d);
}

String RichObjectTypeDrawingCls::Write(const Value& data) const
{
	const Data* d = GetData(data);
	if(!d)
		return String();
	StringStream ss;
	int version = 1;
	Size sz = d->sz;
	Drawing drawing = d->drawing;
	ss % version % sz;
	drawing.Serialize(ss);
	return ss.GetResult();
}

Size RichObjectTypeDrawingCls::GetPhysicalSize(const Value& data) const
{
	const Data* d = GetData(data);
	return d ? d->sz : Size(0, 0);
}

Size RichObjectTypeDrawingCls::GetPixelSize(const Value& data) const
{
	const Data* d = GetData(data);
	return d ? d->drawing.GetSize() : Size(0, 0);
}

void RichObjectTypeDrawingCls::Paint(const Value& data, Draw& w, Size sz) const
{
	w.DrawRect(0, 0, sz.cx, sz.cy, Color(255, 255, 255));
	if(const Data* d = GetData(data))
		try {
			w.DrawDrawing(0, 0, sz.cx, sz.cy, d->drawing);
		}
		catch(ValueTypeError&) {
			// a stored drawing whose objects are of the wrong kinds: what came before stays
		}
}

} // namespace Qel
