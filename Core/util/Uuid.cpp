#include "Uuid.h"
#include <Core/base/Random.h>
#include <Core/stream/Stream.h>
#include <Core/exchange/Jsonize.h>
#include <Core/exchange/Xmlize.h>

namespace Qel {

namespace {

Value::Void* sNewUuidRep()
{
	return new RichValueRep<Uuid>;
}

} // namespace

void Uuid::New()
{
	qword w[2];
	do
		RandomFill64(w, 2);
	while(!(w[0] | w[1]));
	a = w[0];
	b = w[1];
}

String Uuid::ToString() const
{
	static const char digit[] = "0123456789ABCDEF";
	dword part[4] = { dword(a), dword(a >> 32), dword(b), dword(b >> 32) };
	char t[32];
	for(int i = 0; i < 4; i++)
		for(int j = 0; j < 8; j++)
			t[8 * i + j] = digit[(part[i] >> (28 - 4 * j)) & 15];
	return String(t, 32);
}

void Uuid::Serialize(Stream& s)
{
	word version = 1;
	s % version % a % b;
}

void Uuid::Xmlize(XmlIO& xio)
{
	String text;
	if(xio.IsStoring())
		text = ToString();
	xio.Attr("value", text);
	if(xio.IsLoading())
		*this = ScanUuid(text);
}

void Uuid::Jsonize(JsonIO& jio)
{
	if(jio.IsLoading())
		*this = ScanUuid(jio.Get().ToText());
	else
		jio.Set(ToString());
}

Uuid::operator Value() const
{
	return Value::MakeRich(*this);
}

Uuid::Uuid(const Value& v)
{
	if(!v.IsNull())
		*this = v.To<Uuid>();
}

Uuid ScanUuid(const char* s)
{
	dword part[4] = {};
	int n = 0;
	for(; s && *s && n < 32; s++) {
		int c = (byte)*s;
		int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
		if(d >= 0) {
			part[n / 8] = part[n / 8] * 16 + d;
			n++;
		}
	}
	Uuid id;
	if(n == 32) {
		id.a = part[0] | qword(part[1]) << 32;
		id.b = part[2] | qword(part[3]) << 32;
	}
	return id;
}

void detail::RegisterUuidValue()
{
	Value::Register(UUID_V, sNewUuidRep, "Uuid");
}

} // namespace Qel
