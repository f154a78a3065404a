// The stored form of a Painting and its life as a Value (type 48).
#include "Painting.h"
#include "Drawing.h"

#include <Core/text/FormatDouble.h>
#include <Core/stream/Stream.h>
#include <Core/stream/StringStream.h>
#include <Core/util/Util.h>
#include <Core/exchange/Xmlize.h>
#include <Core/xml/XmlParser.h>
#include <Core/exchange/Jsonize.h>
#include <Core/exchange/Store.h>

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
	if(xio.IsStoring()) {
		Painting p = *this;
		xio.SetAttr("data", HexString(StoreAsString(p)));
		return;
	}
	if(!LoadFromString(*this, ScanHexString(xio.GetAttr("data"))))
		throw XmlError("xmlize by serialize error");
}

void Painting::Jsonize(JsonIO& jio)
{
	if(jio.IsStoring()) {
		Painting p = *this;
		jio.Set("data", HexString(StoreAsString(p)));
		return;
	}
	const Value& v = jio.Get("data");
	String hex = v.GetType() == STRING_V || v.GetType() == WSTRING_V ? v.ToString() : String();
	if(!LoadFromString(*this, ScanHexString(hex)))
		throw JsonizeError("jsonize by serialize error");
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
