// The stored form of a Drawing and its life as a Value (type 49).
#include "Drawing.h"

#include <Core/stream/Stream.h>
#include <Core/stream/StringStream.h>
#include <Core/detail/BySerialize.h>

namespace Qel {

namespace {

constexpr dword LIST_BIT = 0x80000000;

// The stored height with bit 31 cleared, back to the height it was stored from: heights below
// 2^30 come back exactly, negative ones too (their bit 30 is set), and the bare bit is the Null
// height, so every Drawing reloads as it was (a zero height with values reloads as Null, which
// draws nothing as well).
int sLoadedHeight(dword stored)
{
	if(stored == LIST_BIT)
		return INT_NULL;
	return int(stored << 1) >> 1;
}

Value::Void* sNewDrawingRep() { return new RichValueRep<Drawing>; }

[[maybe_unused]] const int sDrawingValueRegistered = (Value::Register(DRAWING_V, sNewDrawingRep, "Drawing"), 0);

} // namespace

void Drawing::Serialize(Stream& s)
{
	if(s.IsStoring()) {
		// A negative height (the Null one included) has bit 31 set already, which also says that
		// a value list follows: then one follows, empty or not.
		bool list = !val.IsEmpty() || size.cy < 0;
		int cx = size.cx;
		dword cy = dword(size.cy) | (list ? LIST_BIT : 0);
		s % cx % cy;
		String d = data;
		s % d;
		if(list) {
			ValueArray v = val;
			v.Serialize(s);
		}
		return;
	}
	int cx = 0;
	dword cy = 0;
	String d;
	s % cx % cy % d;
	if(s.IsError())
		return;
	if(cy & LIST_BIT) {
		ValueArray v;
		v.Serialize(s);
		if(s.IsError())
			return;
		val = v;
		size = Size(cx, sLoadedHeight(cy));
	}
	else
		size = Size(cx, int(cy));
	data = d;
}

void Drawing::Xmlize(XmlIO& xio)
{
	detail::XmlizeBySerialize(xio, *this);
}

void Drawing::Jsonize(JsonIO& jio)
{
	detail::JsonizeBySerialize(jio, *this);
}

hash_t Drawing::GetHashValue() const
{
	return data.GetHashValue() * HASH_MUL + HASH_KEY + detail::ValueListHash(val);
}

String Drawing::ToString() const
{
	String r = "drawing (";
	r << size.cx << ", " << size.cy << ")";
	return r;
}

namespace detail {

hash_t ValueListHash(const ValueArray& a)
{
	hash_t h = a.GetCount() + HASH_SM;
	for(const Value& v : a.Get())
		h = h * HASH_M + v.GetHashValue();
	return h;
}

} // namespace detail

const Drawing& NullDrawing()
{
	static const Drawing null;
	return null;
}

Drawing::Drawing(const Value& v)
{
	*this = v.IsNull() ? NullDrawing() : v.To<Drawing>();
}

Drawing::operator Value() const
{
	return Value::MakeRich(*this);
}

} // namespace Qel
