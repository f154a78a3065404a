// Value trees built from fuzzed bytes go through all three stored forms and must come back equal.
#include <Core/Core.h>
#include <Core/value/Complex.h>
#include <Core/exchange/Xmlize.h>
#include <Core/exchange/Jsonize.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

using namespace Qel;

namespace {

struct Reader {
	const uint8_t* p;
	const uint8_t* e;
	int Byte()            { return p < e ? *p++ : 0; }
	template <class T> T Get()
	{
		T x{};
		size_t n = min<size_t>(sizeof(T), e - p);
		memcpy(&x, p, n);
		p += n;
		return x;
	}
	bool More() const     { return p < e; }
};

Value Build(Reader& r, int depth)
{
	switch(r.Byte() % 20) {
	case 0:  return Value();
	case 1:  return r.Get<int>();
	case 2:  return r.Get<double>();
	case 3:  { int n = r.Byte() % 20; String s; for(int i = 0; i < n; i++) s.Cat(char(r.Byte())); return s; }
	case 4:  return Date(r.Get<word>() % 10000, r.Byte() % 12 + 1, r.Byte() % 28 + 1);
	case 5:  return Time(r.Get<word>() % 10000, r.Byte() % 12 + 1, r.Byte() % 28 + 1, r.Byte() % 24, r.Byte() % 60, r.Byte() % 60);
	case 6:  return r.Get<int64>();
	case 7:  return bool(r.Byte() & 1);
	case 8:  return r.Get<float>();
	case 9:  return Color::FromRaw(r.Get<dword>() & 0xFFFFFF); // the XML and JSON forms hold plain colours
	case 10: return Size(r.Get<int>(), r.Get<int>());
	case 11: return Point(r.Get<int>(), r.Get<int>());
	case 12: return Pointf(r.Get<double>(), r.Get<double>());
	case 13: return Rect64(r.Get<int64>(), r.Get<int64>(), r.Get<int64>(), r.Get<int64>());
	case 14: return Complex(r.Get<double>(), r.Get<double>());
	case 15: { // code points that survive UTF-8 both ways
		WString w;
		int n = r.Byte() % 8;
		for(int i = 0; i < n; i++)
			w.Cat(wchar(0x20 + r.Get<word>() % 0xD700));
		return w;
	}
	case 16: return ErrorValue("e");
	case 17: case 18: {
		ValueArray a;
		int n = depth < 6 ? r.Byte() % 5 : 0;
		for(int i = 0; i < n && r.More(); i++)
			a.Add(Build(r, depth + 1));
		return a;
	}
	default: {
		ValueMap m;
		int n = depth < 6 ? r.Byte() % 5 : 0;
		for(int i = 0; i < n && r.More(); i++) {
			Value k = Build(r, depth + 1);
			m.Add(k, Build(r, depth + 1));
		}
		return m;
	}
	}
}

// Equal, or (for forms that map every Null to one Null) both Null. A NaN inside a geometric
// value makes it unequal even to itself; its text still shows the Null coordinate alike.
void Same(const Value& a, const Value& b)
{
	if(!(a == b) && !(a.IsNull() && b.IsNull()) && a.ToText() != b.ToText()) {
		fprintf(stderr, "%s\n%s\n", ~a.ToText(), ~b.ToText());
		abort();
	}
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	Reader r{ data, data + size };
	Value v = Build(r, 0);
	v.ToText();
	v.GetHashValue();
	v.Compare(Value(1));

	Value b;
	if(!LoadFromString(b, StoreAsString(v)))
		abort();
	Same(b, v);

	XmlNode n;
	XmlIO so(n, false);
	v.Xmlize(so);
	Value x;
	XmlIO lo(n, true);
	x.Xmlize(lo);
	Same(x, v);

	Value j;
	ValueFromJson(j, ValueToJson(v));
	Same(j, v);
	return 0;
}
