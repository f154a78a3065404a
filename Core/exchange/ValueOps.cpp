// The per-type operation records of the standard small types, and the rich operations of
// WString: what a Value dispatches to for the Null test, stored forms, hash, equality, text
// and ordering.
#include <Core/value/Value.h>
#include <Core/types/Color.h>
#include "Xmlize.h"
#include "Jsonize.h"
#include <Core/value/ValueArray.h>
#include <Core/text/WString.h>
#include <Core/text/Utf.h>
#include <Core/text/FormatDouble.h>
#include <Core/text/FormatInt.h>
#include <Core/format/DateText.h>

#include <limits>

namespace Qel {

namespace {

template <class T>
int Sgn(T a, T b)
{
	return (a > b) - (a < b);
}

// Integral doubles and floats hash as the integer, so equal numbers of all kinds hash alike.
bool IntegralHash(double d, hash_t& h)
{
	if(d >= -0x1p63 && d < 0x1p63 && d == double(int64(d))) {
		h = hash_t(int64(d));
		return true;
	}
	return false;
}

} // namespace

// The standard small types' operation records; friend of Value for the payload reads.
struct ValueStdOps {
	template <class T>
	static const T& Of(const void* p) { return *static_cast<const T*>(p); }

	template <class T>
	static const T* Ptr(const Value& v) { return v.GetPtr<T>(); }

	// The other value's number when it holds one of the number types (small or in a representation).
	static bool AsDouble(const Value& v, double& x)
	{
		if(auto p = Ptr<double>(v)) x = *p;
		else if(auto p = Ptr<int>(v)) x = *p;
		else if(auto p = Ptr<int64>(v)) x = double(*p);
		else if(auto p = Ptr<float>(v)) x = *p;
		else if(auto p = Ptr<bool>(v)) x = *p;
		else return false;
		return true;
	}

	static int CompareDouble(double a, double b) { return Sgn(a, b); }

	// String
	static bool   StringIsNull(const void* p)             { return Of<String>(p).IsEmpty(); }
	static hash_t StringHash(const void* p)               { return Of<String>(p).GetHashValue(); }
	static bool   StringEqual(const void* a, const void* b) { return Of<String>(a).IsSame(Of<String>(b)); }
	static bool   NoPolyEqual(const void*, const Value&)  { return false; }
	static String StringText(const void* p)               { return Of<String>(p); }
	static int    StringCompare(const void* a, const void* b) { return Of<String>(a).Compare(Of<String>(b)); }
	static int    StringPolyCompare(const void* p, const Value& v) { return TextPolyCompare(Of<String>(p), v); }

	// Against a String held in a representation or a WString: by code points.
	static int TextPolyCompare(const String& s, const Value& v)
	{
		if(v.GetType() == STRING_V && v.IsRef())
			return CodePointCompare(s.ToWString(), static_cast<const RawValueRep<String>*>(v.GetVoidPtr())->v.ToWString());
		if(auto w = Ptr<WString>(v))
			return CodePointCompare(s.ToWString(), *w);
		return 0;
	}

	static int CodePointCompare(const WString& a, const WString& b)
	{
		int n = min(a.GetLength(), b.GetLength());
		for(int i = 0; i < n; i++)
			if(a[i] != b[i])
				return Sgn<dword>(a[i], b[i]);
		return Sgn(a.GetLength(), b.GetLength());
	}

	// int
	static bool   IntIsNull(const void* p)                { return IsNull(Of<int>(p)); }
	static hash_t IntHash(const void* p)                  { return hash_t(int64(Of<int>(p))); }
	static bool   IntEqual(const void* a, const void* b)  { return Of<int>(a) == Of<int>(b); }
	static String IntText(const void* p)                  { return FormatInt64(IsNull(Of<int>(p)) ? INT64_NULL : Of<int>(p)); }
	static int    IntCompare(const void* a, const void* b) { return Sgn(Of<int>(a), Of<int>(b)); }
	static bool IntPolyEqual(const void* p, const Value& v)
	{
		int a = Of<int>(p);
		if(auto d = Ptr<double>(v)) return double(a) == *d;
		if(auto f = Ptr<float>(v)) return float(a) == *f;
		if(auto q = Ptr<int64>(v)) return int64(a) == *q;
		return false;
	}
	static int IntPolyCompare(const void* p, const Value& v)
	{
		int a = Of<int>(p);
		if(auto q = Ptr<int64>(v)) return Sgn<int64>(a, *q);
		double x;
		return AsDouble(v, x) ? CompareDouble(a, x) : 0;
	}

	// double
	static bool   DoubleIsNull(const void* p)             { return IsNull(Of<double>(p)); }
	static bool   DoubleEqual(const void* a, const void* b) { return Of<double>(a) == Of<double>(b); }
	static String DoubleText(const void* p)               { return FormatDouble(Of<double>(p)); }
	static int    DoubleCompare(const void* a, const void* b) { return CompareDouble(Of<double>(a), Of<double>(b)); }
	static hash_t DoubleHash(const void* p)
	{
		double d = Of<double>(p);
		hash_t h;
		if(IntegralHash(d, h))
			return h;
		std::memcpy(&h, &d, 8);
		return h + detail::HASH_SM;
	}
	static int DoublePolyCompare(const void* p, const Value& v)
	{
		double x;
		return AsDouble(v, x) ? CompareDouble(Of<double>(p), x) : 0;
	}

	// void
	static bool   VoidIsNull(const void*)                 { return true; }
	static hash_t VoidHash(const void*)                   { return 0; }
	static bool   VoidEqual(const void*, const void*)     { return true; }
	static String VoidText(const void*)                   { return String(); }

	// Date
	static bool   DateIsNull(const void* p)               { return Of<Date>(p).IsNull(); }
	static hash_t DateHash(const void* p)                 { return Of<Date>(p).GetHashValue(); }
	static bool   DateEqual(const void* a, const void* b) { return std::memcmp(a, b, 4) == 0; }
	static String DateText(const void* p)                 { return FormatDate(Of<Date>(p)); }
	static int    DateCompare(const void* a, const void* b) { return Of<Date>(a).Compare(Of<Date>(b)); }
	static bool DatePolyEqual(const void* p, const Value& v)
	{
		auto t = Ptr<Time>(v);
		return t && std::memcmp(p, t, 4) == 0 && t->hour == 0 && t->minute == 0 && t->second == 0;
	}
	// A Date orders as the midnight of its day against a Time, from either side.
	static int DatePolyCompare(const void* p, const Value& v)
	{
		auto t = Ptr<Time>(v);
		return t ? Time(Of<Date>(p)).Compare(*t) : 0;
	}

	// Time
	static bool   TimeIsNull(const void* p)               { return Of<Time>(p).IsNull(); }
	static hash_t TimeHash(const void* p)                 { return Of<Time>(p).GetHashValue(); }
	static String TimeText(const void* p)                 { return FormatTime(Of<Time>(p), true); }
	static int    TimeCompare(const void* a, const void* b) { return Of<Time>(a).Compare(Of<Time>(b)); }
	static bool   TimeEqual(const void* a, const void* b) { return std::memcmp(a, b, 7) == 0; }
	static int TimePolyCompare(const void* p, const Value& v)
	{
		auto d = Ptr<Date>(v);
		return d ? Of<Time>(p).Compare(Time(*d)) : 0;
	}

	// int64
	static bool   Int64IsNull(const void* p)              { return IsNull(Of<int64>(p)); }
	static hash_t Int64Hash(const void* p)                { return hash_t(Of<int64>(p)); }
	static bool   Int64Equal(const void* a, const void* b) { return Of<int64>(a) == Of<int64>(b); }
	static String Int64Text(const void* p)                { return FormatInt64(Of<int64>(p)); }
	static int    Int64Compare(const void* a, const void* b) { return Sgn(Of<int64>(a), Of<int64>(b)); }
	static bool Int64PolyEqual(const void* p, const Value& v)
	{
		auto d = Ptr<double>(v);
		return d && double(Of<int64>(p)) == *d;
	}
	static int Int64PolyCompare(const void* p, const Value& v)
	{
		int64 a = Of<int64>(p);
		if(auto d = Ptr<double>(v)) return CompareDouble(double(a), *d);
		if(auto f = Ptr<float>(v)) return Sgn(a, SaturatedInt64(*f));
		if(auto b = Ptr<bool>(v)) return Sgn<int64>(a, *b);
		if(auto i = Ptr<int>(v)) return Sgn<int64>(a, *i);
		if(auto q = Ptr<int64>(v)) return Sgn(a, *q);
		return 0;
	}
	// Truncation toward zero that stays defined beyond the int64 range.
	static int64 SaturatedInt64(double f)
	{
		return f >= 0x1p63 ? std::numeric_limits<int64>::max() : f < -0x1p63 ? INT64_NULL : int64(f);
	}

	// bool
	static bool   BoolIsNull(const void*)                 { return false; }
	static hash_t BoolHash(const void* p)                 { return Of<bool>(p); }
	static bool   BoolEqual(const void* a, const void* b) { return Of<bool>(a) == Of<bool>(b); }
	static String BoolText(const void* p)                 { return Of<bool>(p) ? "true" : "false"; }
	static int    BoolCompare(const void* a, const void* b) { return Sgn<int>(Of<bool>(a), Of<bool>(b)); }
	static bool BoolPolyEqual(const void* p, const Value& v)
	{
		int a = Of<bool>(p);
		if(auto d = Ptr<double>(v)) return *d == a;
		if(auto f = Ptr<float>(v)) return *f == float(a);
		if(auto q = Ptr<int64>(v)) return *q == a;
		if(auto i = Ptr<int>(v)) return *i == a;
		return false;
	}
	static int BoolPolyCompare(const void* p, const Value& v)
	{
		int a = Of<bool>(p);
		if(auto q = Ptr<int64>(v)) return Sgn<int64>(a, *q);
		double x;
		return AsDouble(v, x) ? CompareDouble(a, x) : 0;
	}

	// float
	static bool   FloatIsNull(const void* p)              { return IsNull(Of<float>(p)); }
	static bool   FloatEqual(const void* a, const void* b) { return Of<float>(a) == Of<float>(b); }
	static String FloatText(const void* p)                { return FormatFloat(Of<float>(p)); }
	static int    FloatCompare(const void* a, const void* b) { return Sgn(Of<float>(a), Of<float>(b)); }
	static hash_t FloatHash(const void* p)
	{
		float f = Of<float>(p);
		hash_t h;
		if(IntegralHash(f, h))
			return h;
		uint32 bits;
		std::memcpy(&bits, &f, 4);
		return detail::HASH_K + (bits >> 16) + detail::HASH_M * (bits & 0xffff);
	}
	static int FloatPolyCompare(const void* p, const Value& v)
	{
		double x;
		return AsDouble(v, x) ? CompareDouble(Of<float>(p), x) : 0;
	}

	// Binary payloads, little-endian; a short read leaves the stream in error.
	template <class T>
	static void Plain(void* p, Stream& s)   { s.Serialize(*static_cast<T*>(p)); }
	static void DateSerialize(void* p, Stream& s)
	{
		Date& d = *static_cast<Date*>(p);
		s % d.day % d.month % d.year;
	}
	static void TimeSerialize(void* p, Stream& s)
	{
		Time& t = *static_cast<Time*>(p);
		s % t.day % t.month % t.year % t.hour % t.minute % t.second;
	}

	// XML: the attribute "value" of the node; JSON: the scalar's own exchange.
	template <class T>
	static void AttrValue(void* p, XmlIO& xio)   { xio.Attr("value", *static_cast<T*>(p)); }
	template <class T>
	static void JsonValue(void* p, JsonIO& jio)  { Qel::Jsonize(jio, *static_cast<T*>(p)); }
	static void StringXml(void* p, XmlIO& xio)   { XmlizeText(xio, *static_cast<String*>(p)); }
	static void StringJson(void* p, JsonIO& jio) { JsonizeText(jio, *static_cast<String*>(p)); }
	static void ColorXml(void* p, XmlIO& xio)    { static_cast<Color*>(p)->Xmlize(xio); }
	static void ColorJson(void* p, JsonIO& jio)  { static_cast<Color*>(p)->Jsonize(jio); }

	// Color (a 32-bit word; special words are not Null, only the all-ones one)
	static bool   ColorIsNull(const void* p)              { return Of<Color>(p).IsNull(); }
	static void   ColorSerialize(void* p, Stream& s)      { static_cast<Color*>(p)->Serialize(s); }
	static hash_t ColorHash(const void* p)                { return Of<Color>(p).GetHashValue(); }
	static bool   ColorEqual(const void* a, const void* b) { return Of<Color>(a) == Of<Color>(b); }
	static String ColorText(const void* p)                { return Of<Color>(p).ToString(); }
	static int    NoCompare(const void*, const void*)     { return 0; }
};

namespace {

using Ops = ValueStdOps;
using Rec = Value::SmallValueOpsRec;

constinit Rec sStringOps = {
	Ops::StringIsNull, Ops::Plain<String>, Ops::StringXml, Ops::StringJson,
	Ops::StringHash, Ops::StringEqual, Ops::NoPolyEqual,
	Ops::StringText, Ops::StringCompare, Ops::StringPolyCompare,
};
constinit Rec sIntOps = {
	Ops::IntIsNull, Ops::Plain<int>, Ops::AttrValue<int>, Ops::JsonValue<int>,
	Ops::IntHash, Ops::IntEqual, Ops::IntPolyEqual,
	Ops::IntText, Ops::IntCompare, Ops::IntPolyCompare,
};
constinit Rec sDoubleOps = {
	Ops::DoubleIsNull, Ops::Plain<double>, Ops::AttrValue<double>, Ops::JsonValue<double>,
	Ops::DoubleHash, Ops::DoubleEqual, Ops::NoPolyEqual,
	Ops::DoubleText, Ops::DoubleCompare, Ops::DoublePolyCompare,
};
constinit Rec sVoidOps = {
	Ops::VoidIsNull, nullptr, nullptr, nullptr,
	Ops::VoidHash, Ops::VoidEqual, Ops::NoPolyEqual,
	Ops::VoidText, nullptr, nullptr,
};
constinit Rec sDateOps = {
	Ops::DateIsNull, Ops::DateSerialize, Ops::AttrValue<Date>, Ops::JsonValue<Date>,
	Ops::DateHash, Ops::DateEqual, Ops::DatePolyEqual,
	Ops::DateText, Ops::DateCompare, Ops::DatePolyCompare,
};
constinit Rec sTimeOps = {
	Ops::TimeIsNull, Ops::TimeSerialize, Ops::AttrValue<Time>, Ops::JsonValue<Time>,
	Ops::TimeHash, Ops::TimeEqual, Ops::NoPolyEqual,
	Ops::TimeText, Ops::TimeCompare, Ops::TimePolyCompare,
};
constinit Rec sInt64Ops = {
	Ops::Int64IsNull, Ops::Plain<int64>, Ops::AttrValue<int64>, Ops::JsonValue<int64>,
	Ops::Int64Hash, Ops::Int64Equal, Ops::Int64PolyEqual,
	Ops::Int64Text, Ops::Int64Compare, Ops::Int64PolyCompare,
};
constinit Rec sBoolOps = {
	Ops::BoolIsNull, Ops::Plain<bool>, Ops::AttrValue<bool>, Ops::JsonValue<bool>,
	Ops::BoolHash, Ops::BoolEqual, Ops::BoolPolyEqual,
	Ops::BoolText, Ops::BoolCompare, Ops::BoolPolyCompare,
};
constinit Rec sColorOps = {
	Ops::ColorIsNull, Ops::ColorSerialize, Ops::ColorXml, Ops::ColorJson,
	Ops::ColorHash, Ops::ColorEqual, Ops::NoPolyEqual,
	Ops::ColorText, Ops::NoCompare, nullptr,
};
constinit Rec sFloatOps = {
	Ops::FloatIsNull, Ops::Plain<float>, Ops::AttrValue<float>, Ops::JsonValue<float>,
	Ops::FloatHash, Ops::FloatEqual, Ops::NoPolyEqual,
	Ops::FloatText, Ops::FloatCompare, Ops::FloatPolyCompare,
};

} // namespace

namespace detail {
extern const Value::SmallValueOpsRec SizeValueOps;
extern const Value::SmallValueOpsRec PointValueOps;
} // namespace detail

namespace {

constexpr Value::SmallValueOpsTable sStdTable()
{
	Value::SmallValueOpsTable t{};
	const Rec* std[] = { &sStringOps, &sIntOps, &sDoubleOps, &sVoidOps, &sDateOps, &sTimeOps, nullptr, nullptr,
	                     nullptr, nullptr, &sInt64Ops, &sBoolOps, nullptr, &sFloatOps };
	for(dword i = 0; i < sizeof(std) / sizeof(std[0]); i++)
		t.rec[i] = std[i];
	t.rec[COLOR_V] = &sColorOps;
	t.rec[SIZE_V] = &detail::SizeValueOps;
	t.rec[POINT_V] = &detail::PointValueOps;
	return t;
}

} // namespace

constinit Value::SmallValueOpsTable Value::SmallValueOps = sStdTable();

int ValueErrorCls::PolyCompare(const Value& b) const
{
	return ValueStdOps::TextPolyCompare(v, b);
}


bool RichValueTraits<WString>::IsNull(const WString& x)
{
	return x.IsEmpty();
}

// As the text in the default charset, so a WString hashes like the String it equals.
hash_t RichValueTraits<WString>::Hash(const WString& x)
{
	return x.ToString().GetHashValue();
}

bool RichValueTraits<WString>::Equal(const WString& a, const WString& b)
{
	return a == b;
}

bool RichValueTraits<WString>::PolyEqual(const WString& a, const Value& b)
{
	return b.GetType() == STRING_V && !b.IsNull() && a == b.ToWString();
}

String RichValueTraits<WString>::Text(const WString& x)
{
	return x.ToString();
}

int RichValueTraits<WString>::Compare(const WString& a, const WString& b)
{
	return ValueStdOps::CodePointCompare(a, b);
}

int RichValueTraits<WString>::PolyCompare(const WString& a, const Value& b)
{
	return b.GetType() == STRING_V ? ValueStdOps::CodePointCompare(a, b.ToWString()) : 0;
}

} // namespace Qel
