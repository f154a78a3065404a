// The stored forms and Value conversions of the plain types that sit below Value and the streams
// (Color, Time): binary, XML and JSON.
#include "Jsonize.h"
#include "Xmlize.h"
#include <Core/stream/Stream.h>
#include <Core/types/Color.h>
#include <Core/types/TimeDate.h>
#include <Core/value/Value.h>

namespace Qel {

void Time::Serialize(Stream& s)
{
	s % day % month % year % hour % minute % second;
}

void Color::Serialize(Stream& s)
{
	s % color;
}

namespace {

int sClampChannel(int x)
{
	return x < 0 ? 0 : x > 255 ? 255 : x;
}

// Components travel as three integers; Null as three integer Nulls. A loaded Null red is a Null
// colour; other components outside 0-255 are clamped.
template <class F>
void sExchange(Color& c, bool loading, F exchange)
{
	int r = INT_NULL, g = r, b = r;
	if(!loading && !c.IsNull()) {
		r = c.GetR();
		g = c.GetG();
		b = c.GetB();
	}
	exchange(r, g, b);
	if(loading)
		c = IsNull(r) ? Color() : Color(sClampChannel(r), sClampChannel(g), sClampChannel(b));
}

} // namespace

void Color::Xmlize(XmlIO& xio)
{
	sExchange(*this, xio.IsLoading(), [&](int& r, int& g, int& b) { xio.Attr("red", r).Attr("green", g).Attr("blue", b); });
}

void Color::Jsonize(JsonIO& jio)
{
	sExchange(*this, jio.IsLoading(), [&](int& r, int& g, int& b) { jio("red", r)("green", g)("blue", b); });
}

Color::Color(const Value& v)
{
	color = v.IsNull() ? NULL_WORD : v.To<Color>().GetRaw();
}

Color::operator Value() const
{
	return Value::MakeSmall(*this);
}

} // namespace Qel
