#include "Value.h"
#include "ValueArray.h"
#include "WString.h"
#include "Utf.h"
#include "FormatDouble.h"
#include "FormatInt.h"

#include <cmath>
#include <limits>

namespace Qel {

namespace {

constexpr int    INT_NULL   = int(0x80000000);
constexpr int64  INT64_NULL = int64(0x8000000000000000ull);

template <class T>
int Sgn(T a, T b)
{
	return (a > b) - (a < b);
}

// Truncating conversions that give the target's Null instead of undefined behaviour for NaN and
// for values outside the target's range.
int SafeInt(double d)
{
	return d > -2147483649.0 && d < 2147483648.0 ? int(d) : INT_NULL;
}

int64 SafeInt64(double d)
{
	return d >= -0x1p63 && d < 0x1p63 ? int64(d) : INT64_NULL;
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
};

namespace {

using Ops = ValueStdOps;
using Rec = Value::SmallValueOpsRec;

// Stored forms (slots 1-3) are filled in by the serialisation code.
constinit Rec sStringOps = { Ops::StringIsNull, nullptr, nullptr, nullptr, Ops::StringHash, Ops::StringEqual,
                             Ops::NoPolyEqual, Ops::StringText, Ops::StringCompare, Ops::StringPolyCompare };
constinit Rec sIntOps = { Ops::IntIsNull, nullptr, nullptr, nullptr, Ops::IntHash, Ops::IntEqual,
                          Ops::IntPolyEqual, Ops::IntText, Ops::IntCompare, Ops::IntPolyCompare };
constinit Rec sDoubleOps = { Ops::DoubleIsNull, nullptr, nullptr, nullptr, Ops::DoubleHash, Ops::DoubleEqual,
                             Ops::NoPolyEqual, Ops::DoubleText, Ops::DoubleCompare, Ops::DoublePolyCompare };
constinit Rec sVoidOps = { Ops::VoidIsNull, nullptr, nullptr, nullptr, Ops::VoidHash, Ops::VoidEqual,
                           Ops::NoPolyEqual, Ops::VoidText, nullptr, nullptr };
constinit Rec sDateOps = { Ops::DateIsNull, nullptr, nullptr, nullptr, Ops::DateHash, Ops::DateEqual,
                           Ops::DatePolyEqual, Ops::DateText, Ops::DateCompare, Ops::DatePolyCompare };
constinit Rec sTimeOps = { Ops::TimeIsNull, nullptr, nullptr, nullptr, Ops::TimeHash, Ops::TimeEqual,
                           Ops::NoPolyEqual, Ops::TimeText, Ops::TimeCompare, Ops::TimePolyCompare };
constinit Rec sInt64Ops = { Ops::Int64IsNull, nullptr, nullptr, nullptr, Ops::Int64Hash, Ops::Int64Equal,
                            Ops::Int64PolyEqual, Ops::Int64Text, Ops::Int64Compare, Ops::Int64PolyCompare };
constinit Rec sBoolOps = { Ops::BoolIsNull, nullptr, nullptr, nullptr, Ops::BoolHash, Ops::BoolEqual,
                           Ops::BoolPolyEqual, Ops::BoolText, Ops::BoolCompare, Ops::BoolPolyCompare };
constinit Rec sFloatOps = { Ops::FloatIsNull, nullptr, nullptr, nullptr, Ops::FloatHash, Ops::FloatEqual,
                            Ops::NoPolyEqual, Ops::FloatText, Ops::FloatCompare, Ops::FloatPolyCompare };

} // namespace

constinit const Value::SmallValueOpsRec* Value::SmallValueOps[256] = {
	&sStringOps, &sIntOps, &sDoubleOps, &sVoidOps, &sDateOps, &sTimeOps, nullptr, nullptr,
	nullptr, nullptr, &sInt64Ops, &sBoolOps, nullptr, &sFloatOps,
};

Value& Value::operator=(const Value& v)
{
	if(this != &v) {
		Value t(v); // v may live inside what this value releases
		Free();
		data.SetRaw(t.data);
		t.SetVoidRaw();
	}
	return *this;
}

Value& Value::operator=(Value&& v) noexcept
{
	if(this != &v) {
		Value t(static_cast<Value&&>(v));
		Free();
		data.SetRaw(t.data);
		t.SetVoidRaw();
	}
	return *this;
}

bool Value::IsNullSlow() const
{
	if(IsRef())
		return GetVoidPtr()->IsNull();
	return SmallValueOps[Tag() >> 8]->IsNull(data.chr);
}

hash_t Value::GetHashValue() const
{
	if(IsString())
		return data.IsEmpty() ? 0 : data.GetHashValue();
	if(IsNull())
		return 0;
	if(IsRef())
		return GetVoidPtr()->GetHashValue();
	return SmallValueOps[Tag() >> 8]->GetHashValue(data.chr);
}

bool Value::IsEqualSlow(const Value& b) const
{
	switch(Tag() == b.Tag() ? Tag() >> 8 : 0) { // the common kinds without a call through the table
	case INT_V:
		return data.w[0] == b.data.w[0];
	case INT64_V:
		return data.q[0] == b.data.q[0];
	case DOUBLE_V: {
		double x = Peek<double>(), y = b.Peek<double>();
		return x == y || (Qel::IsNull(x) && Qel::IsNull(y));
	}
	case BOOL_V:
		return data.chr[0] == b.data.chr[0];
	}
	dword ta = GetType();
	dword tb = b.GetType();
	if(ta == tb && ta != VOID_V) {
		if(IsRef() && b.IsRef()) {
			if(GetVoidPtr()->IsEqual(b.GetVoidPtr()))
				return true;
		}
		else if(Tag() == b.Tag()) {
			if(SmallValueOps[Tag() >> 8]->IsEqual(data.chr, b.data.chr))
				return true;
		}
		else if(ta == STRING_V) { // one of them held in a representation
			if(To<String>() == b.To<String>())
				return true;
		}
	}
	else if(ta != tb && (IsPolyEqual(b) || b.IsPolyEqual(*this)))
		return true;
	return IsNull() && b.IsNull();
}

bool Value::IsPolyEqual(const Value& b) const
{
	if(IsRef())
		return GetVoidPtr()->IsPolyEqual(b);
	const SmallValueOpsRec* r = SmallValueOps[IsString() ? 0 : Tag() >> 8];
	if(r && r->IsPolyEqual && r->IsPolyEqual(data.chr, b))
		return true;
	return IsNull() && b.IsNull();
}

namespace {

int PolyCompareOf(const Value& a, const Value& b, const Value::SmallValueOpsRec* r, const void* body)
{
	if(a.IsRef())
		return a.GetVoidPtr()->PolyCompare(b);
	return r && r->PolyCompare ? r->PolyCompare(body, b) : 0;
}

} // namespace

int Value::CompareSlow(const Value& b) const
{
	bool as = IsString();
	bool bs = b.IsString();
	if(as && bs)
		return data.Compare(b.data);
	dword t = Tag();
	if(t == b.Tag()) // fast paths; two Null dates or times compare equal whatever their other bytes
		switch(t >> 8) {
		case DATE_V:
			return Peek<Date>().Compare(b.Peek<Date>());
		case TIME_V:
			return Peek<Time>().Compare(b.Peek<Time>());
		case INT64_V: // the Null is the smallest int64 anyway
			return Sgn(int64(data.q[0]), int64(b.data.q[0]));
		case INT_V:
			return Sgn(int(data.w[0]), int(b.data.w[0]));
		case DOUBLE_V: {
			double x = Peek<double>(), y = b.Peek<double>();
			if(std::isfinite(x) && std::isfinite(y))
				return Sgn(x, y);
			break;
		}
		}
	bool an = IsNull();
	bool bn = b.IsNull();
	if(an || bn)
		return an ? bn ? 0 : -1 : 1;
	dword ta = GetType();
	if(ta == b.GetType()) {
		if(IsRef() && b.IsRef())
			return GetVoidPtr()->Compare(b.GetVoidPtr());
		if(t == b.Tag())
			return SmallValueOps[t >> 8]->Compare(data.chr, b.data.chr);
		if(ta == STRING_V)
			return To<String>().Compare(b.To<String>());
	}
	const SmallValueOpsRec* ra = IsRef() ? nullptr : SmallValueOps[as ? 0 : t >> 8];
	if(int q = PolyCompareOf(*this, b, ra, data.chr))
		return q;
	const SmallValueOpsRec* rb = b.IsRef() ? nullptr : SmallValueOps[bs ? 0 : b.Tag() >> 8];
	return -PolyCompareOf(b, *this, rb, b.data.chr);
}

String Value::GetTypeName() const
{
	if(IsString())
		return "String";
	if(IsRef()) {
		const Void* rep = GetVoidPtr();
		if(!rep)
			return String();
		const char* s = typeid(*rep).name();
		return String(s + (*s == '*'));
	}
	switch(Tag() >> 8) {
	case INT_V:    return "int";
	case DOUBLE_V: return "double";
	case FLOAT_V:  return "float";
	case 3:        return "void";
	case DATE_V:   return "Date";
	case TIME_V:   return "Time";
	case INT64_V:  return "int64";
	case BOOL_V:   return "bool";
	}
	return FormatInt64(Tag() >> 8);
}

String Value::ToText() const
{
	if(IsString())
		return data;
	if(IsNull())
		return String();
	if(IsRef())
		return GetVoidPtr()->AsString();
	return SmallValueOps[Tag() >> 8]->AsString(data.chr);
}

void Value::ThrowTypeError(const char* target, dword type) const
{
	String text = "Invalid value conversion: ";
	text << GetTypeName() << " -> " << (target + (*target == '*'));
	throw ValueTypeError(text, *this, int(type));
}

int Value::ToIntSlow() const
{
	if(IsNull())
		return INT_NULL;
	switch(Tag()) {
	case INT64_V << 8: return int(dword(data.q[0]));
	case FLOAT_V << 8: return SafeInt(Peek<float>());
	case BOOL_V << 8:  return data.chr[0];
	}
	return SafeInt(To<double>());
}

int64 Value::ToInt64Slow() const
{
	if(IsNull())
		return INT64_NULL;
	switch(Tag()) {
	case INT_V << 8:   return int(data.w[0]);
	case FLOAT_V << 8: return SafeInt64(Peek<float>());
	case BOOL_V << 8:  return data.chr[0];
	}
	return SafeInt64(To<double>());
}

double Value::ToDoubleSlow() const
{
	if(IsNull())
		return -std::numeric_limits<double>::infinity();
	switch(Tag()) {
	case INT_V << 8:   return int(data.w[0]);
	case FLOAT_V << 8: return Peek<float>();
	case BOOL_V << 8:  return data.chr[0];
	}
	return double(To<int64>());
}

float Value::ToFloatSlow() const
{
	if(IsNull())
		return -std::numeric_limits<float>::infinity();
	switch(Tag()) {
	case INT_V << 8:    return float(int(data.w[0]));
	case DOUBLE_V << 8: return float(Peek<double>());
	case BOOL_V << 8:   return data.chr[0];
	}
	return float(To<int64>());
}

bool Value::ToBoolSlow() const
{
	if(IsNull())
		return false;
	switch(Tag()) {
	case INT_V << 8:    return data.w[0];
	case INT64_V << 8:  return data.q[0];
	case FLOAT_V << 8:  return Peek<float>() != 0;
	case DOUBLE_V << 8: return Peek<double>() != 0;
	}
	return To<int64>();
}

String Value::ToStringSlow() const
{
	if(IsNull())
		return String();
	if(IsRef() && data.w[2] == STRING_V)
		return static_cast<const RawValueRep<String>*>(GetVoidPtr())->v;
	return To<WString>().ToString();
}

WString Value::ToWString() const
{
	if(IsNull())
		return WString();
	if(auto w = GetPtr<WString>())
		return *w;
	String s = ToString();
	return ToUtf32(~s, s.GetLength());
}

Value::operator WString() const
{
	return ToWString();
}

Date Value::ToDate() const
{
	if(Tag() == DATE_V << 8)
		return Peek<Date>();
	return IsNull() ? Date() : To<Date>();
}

Time Value::ToTime() const
{
	if(Tag() == TIME_V << 8)
		return Peek<Time>();
	return IsNull() ? Time() : To<Time>();
}

const Rect& GetNullRect()
{
	static const Rect r(INT_NULL, INT_NULL, INT_NULL, INT_NULL);
	return r;
}

Rect Value::ToRect() const
{
	return IsNull() ? GetNullRect() : To<Rect>();
}

Value::Value(const WString& s)
{
	InitRef(new RichValueRep<WString>(s), WSTRING_V);
}

String ValueErrorCls::AsString() const
{
	String s = "<error: '";
	s << v << "'>";
	return s;
}

int ValueErrorCls::PolyCompare(const Value& b) const
{
	return ValueStdOps::TextPolyCompare(v, b);
}

Value ErrorValue(const String& text)
{
	return Value(new ValueErrorCls(text), ERROR_V);
}

Value ErrorValue(const char* text)
{
	return ErrorValue(String(text));
}

String GetErrorText(const Value& v)
{
	return v.GetType() == ERROR_V ? static_cast<const RawValueRep<String>*>(v.GetVoidPtr())->v : String();
}

const Value& SharedErrorValue()
{
	static const Value v = ErrorValue(String());
	return v;
}

} // namespace Qel

namespace Qel {

bool RichValueTraits<WString>::IsNull(const WString& x)
{
	return x.IsEmpty();
}

hash_t RichValueTraits<WString>::Hash(const WString& x)
{
	return x.GetHashValue();
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
