// The stored form of a Painting and its life as a Value (type 48).
#include "Painting.h"
#include "Drawing.h"

#include <Core/text/FormatDouble.h>
#include <Core/stream/Stream.h>
#include <Core/stream/StringStream.h>
#include <Core/detail/BySerialize.h>

namespace Qel {

namespace {

Value::Void* sNewPaintingRep() { return new RichValueRep<Painting>; }

[[maybe_unused]] const int sPaintingValueRegistered = (Value::Register(PAINTING_V, sNewPaintingRep, "Painting"), 0);

} // namespace

void Painting::Serialize(Stream& s)
{
	if(s.IsStoring()) {
		String c = cmd;
		ValueArray d = data;
		Sizef sz = size;
		s % c;
		d.Serialize(s);
		s % sz.cx % sz.cy;
		return;
	}
	String c;
	ValueArray d;
	Sizef sz;
	s % c;
	d.Serialize(s);
	s % sz.cx % sz.cy;
	if(s.IsError())
		return;
	cmd = c;
	data = d;
	size = sz;
}

void Painting::Xmlize(XmlIO& xio)
{
	detail::XmlizeBySerialize(xio, *this);
}

void Painting::Jsonize(JsonIO& jio)
{
	detail::JsonizeBySerialize(jio, *this);
}

hash_t Painting::GetHashValue() const
{
	return cmd.GetHashValue() * HASH_MUL + HASH_KEY + detail::ValueListHash(data);
}

String Painting::ToString() const
{
	String r = "painting (";
	r << FormatDouble(size.cx) << ", " << FormatDouble(size.cy) << ")";
	return r;
}

const Painting& NullPainting()
{
	static const Painting null;
	return null;
}

Painting::Painting(const Value& v)
{
	*this = v.IsNull() ? NullPainting() : v.To<Painting>();
}

Painting::operator Value() const
{
	return Value::MakeRich(*this);
}

} // namespace Qel
