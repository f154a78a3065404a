#include "Value.h"
#include <Core/text/WString.h>
#include <Core/text/Utf.h>
#include <Core/text/FormatDouble.h>
#include <Core/text/FormatInt.h>

#include <cmath>
#include <limits>

namespace Qel {

namespace {

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

} // namespace

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
	String name = GetRegisteredName(Tag() >> 8); // small types of other kinds: Color, Size, Point...
	return name.IsEmpty() ? FormatInt64(Tag() >> 8) : name;
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


String ValueErrorCls::AsString() const
{
	String s = "<error: '";
	s << v << "'>";
	return s;
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
