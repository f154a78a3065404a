#include "Jsonize.h"
#include <Core/format/Scan.h>
#include <Core/text/FormatInt.h>
#include <Core/text/FormatDouble.h>
#include <Core/format/Format.h>
#include <Core/text/WString.h>

#include <cmath>
#include <limits>

namespace Qel {

namespace {

const double sDoubleNull = -std::numeric_limits<double>::infinity();

bool sIsNumberKind(dword t)
{
	return t == DOUBLE_V || t == FLOAT_V || t == INT_V || t == INT64_V || t == BOOL_V;
}

bool sIsTextKind(dword t)
{
	return t == STRING_V || t == WSTRING_V;
}

// The source as a number: Null stays Null, numbers convert, texts are scanned; anything else,
// or a text that holds no number, is an error.
double sNumber(const Value& v)
{
	if(v.IsNull())
		return sDoubleNull;
	dword t = v.GetType();
	double d = sDoubleNull;
	if(sIsNumberKind(t))
		d = v.ToDouble();
	else if(sIsTextKind(t))
		d = ScanDouble(~v.ToString());
	if(!std::isfinite(d))
		throw JsonizeError("number expected");
	return d;
}

bool sIntegral(double d, double lo, double hi)
{
	return d >= lo && d <= hi && d == std::floor(d);
}

// Only the decimal digits of a text source, for dates and times.
String sDigits(const Value& v, const char* error)
{
	if(!sIsTextKind(v.GetType()))
		throw JsonizeError(error);
	String s = v.ToString();
	String r;
	for(char c : s)
		if(c >= '0' && c <= '9')
			r.Cat(c);
	return r;
}

int sField(const String& s, int from, int to = -1)
{
	return ScanInt(~s.Mid(from, to < 0 ? s.GetLength() - from : to - from));
}

bool sDateOk(int y, int m, int d)
{
	return m >= 1 && m <= 12 && d >= 1 && d <= GetDaysOfMonth(m, y);
}

char* sPutDate(char* p, Date d)
{
	detail::PutDigitsFixed(p, dword(d.year), 4);
	p[4] = '-';
	detail::PutDigitPair(p + 5, d.month);
	p[7] = '-';
	detail::PutDigitPair(p + 8, d.day);
	return p + 10;
}

bool sPlainDate(Date d)
{
	return d.year >= 0 && d.year <= 9999 && d.month <= 99 && d.day <= 99;
}

} // namespace

JsonIO::~JsonIO()
{
	delete members;
}

void JsonIO::Set(const char* key, const Value& v)
{
	if(!members)
		members = new ValueMap;
	members->Add(key, v);
}

Value JsonIO::GetResult() const
{
	return members ? Value(*members) : result;
}

const Vector<Value>& detail::JsonElements(const Value& v)
{
	static const Vector<Value> none;
	dword t = v.GetType();
	if(t == VALUEARRAY_V)
		return static_cast<const ValueArray::Data*>(v.GetVoidPtr())->data;
	if(t == VALUEMAP_V)
		return static_cast<const ValueMap::Data*>(v.GetVoidPtr())->value.Get();
	return none;
}

void JsonizeText(JsonIO& io, String& var)
{
	if(io.IsStoring()) {
		io.Set(Value(var));
		return;
	}
	const Value& v = io.Get();
	if(v.IsNull())
		var.Clear();
	else if(sIsTextKind(v.GetType()))
		var = v.ToString();
	else
		throw JsonizeError("string expected");
}

void Jsonize(JsonIO& io, String& var)
{
	JsonizeText(io, var);
}

void Jsonize(JsonIO& io, WString& var)
{
	if(io.IsStoring()) {
		io.Set(Value(var));
		return;
	}
	const Value& v = io.Get();
	if(v.IsNull())
		var.Clear();
	else if(sIsTextKind(v.GetType()))
		var = v.ToWString();
	else
		throw JsonizeError("string expected");
}

void Jsonize(JsonIO& io, double& var)
{
	if(io.IsStoring())
		io.Set(Value(IsNull(var) ? sDoubleNull : var));
	else
		var = sNumber(io.Get());
}

// A float travels as a float Value; loading takes any number or number text.
void Jsonize(JsonIO& io, float& var)
{
	if(io.IsStoring())
		io.Set(Value(IsNull(var) ? -std::numeric_limits<float>::infinity() : var));
	else
		var = float(sNumber(io.Get()));
}

void Jsonize(JsonIO& io, int& var)
{
	if(io.IsStoring()) {
		io.Set(Value(IsNull(var) ? sDoubleNull : double(var)));
		return;
	}
	double d = sNumber(io.Get());
	if(IsNull(d))
		var = INT_NULL;
	else if(sIntegral(d, -2147483648.0, 2147483647.0))
		var = int(d);
	else
		throw JsonizeError("number is not integer");
}

void Jsonize(JsonIO& io, int16& var)
{
	if(io.IsStoring()) {
		io.Set(Value(double(var)));
		return;
	}
	double d;
	try {
		d = sNumber(io.Get());
	}
	catch(JsonizeError&) {
		throw JsonizeError("16-bit integer expected");
	}
	if(IsNull(d) || !sIntegral(d, -32768.0, 32767.0))
		throw JsonizeError("16-bit integer expected");
	var = int16(d);
}

void Jsonize(JsonIO& io, int64& var)
{
	if(io.IsStoring()) {
		// beyond 2^53 a double cannot hold every integer, so such values travel as text
		if(IsNull(var))
			io.Set(Value(INT_NULL));
		else if(var >= -(int64(1) << 53) && var < (int64(1) << 53))
			io.Set(Value(var));
		else
			io.Set(Value(FormatInt64(var)));
		return;
	}
	const Value& v = io.Get();
	if(v.IsNull()) {
		var = INT64_NULL;
		return;
	}
	dword t = v.GetType();
	if(t == INT_V || t == INT64_V) {
		var = v.ToInt64();
		return;
	}
	if(t == DOUBLE_V || t == FLOAT_V || t == BOOL_V) {
		double d = v.ToDouble();
		if(d > -9223372036854775808.0 && d < 9223372036854775808.0) {
			var = int64(d);
			return;
		}
	}
	else if(sIsTextKind(t)) {
		int64 x = ScanInt64(~v.ToString());
		if(!IsNull(x)) {
			var = x;
			return;
		}
	}
	throw JsonizeError("invalid int64 value");
}

void Jsonize(JsonIO& io, bool& var)
{
	if(io.IsStoring()) {
		io.Set(Value(var));
		return;
	}
	const Value& v = io.Get();
	if(v.IsNull() || !sIsNumberKind(v.GetType()))
		throw JsonizeError("boolean expected");
	var = v.ToDouble() != 0;
}

void Jsonize(JsonIO& io, Date& var)
{
	if(io.IsStoring()) {
		if(var.IsNull())
			io.Set(Value(INT_NULL));
		else if(sPlainDate(var)) {
			char h[10];
			io.Set(Value(String(h, sPutDate(h, var))));
		}
		else
			io.Set(Value(Sprintf("%04d-%02d-%02d", var.year, var.month, var.day)));
		return;
	}
	const char* error = "string expected for Date value";
	const Value& v = io.Get();
	if(v.IsNull()) {
		var = Date();
		return;
	}
	String s = sDigits(v, error);
	if(s.GetLength() < 8)
		throw JsonizeError(error);
	int y = sField(s, 0, 4), m = sField(s, 4, 6), d = sField(s, 6, 8);
	if(!sDateOk(y, m, d))
		throw JsonizeError(error);
	var = Date(y, m, d);
}

void Jsonize(JsonIO& io, Time& var)
{
	if(io.IsStoring()) {
		if(var.IsNull())
			io.Set(Value(INT_NULL));
		else if(sPlainDate(var) && var.hour <= 99 && var.minute <= 99 && var.second <= 99) {
			char h[19];
			char* p = sPutDate(h, var);
			*p++ = 'T';
			detail::PutDigitPair(p, var.hour);
			p[2] = ':';
			detail::PutDigitPair(p + 3, var.minute);
			p[5] = ':';
			detail::PutDigitPair(p + 6, var.second);
			io.Set(Value(String(h, p + 8)));
		}
		else
			io.Set(Value(Sprintf("%04d-%02d-%02dT%02d:%02d:%02d", var.year, var.month, var.day,
			                     var.hour, var.minute, var.second)));
		return;
	}
	const char* error = "string expected for Time value";
	const Value& v = io.Get();
	if(v.IsNull()) {
		var = Time();
		return;
	}
	String s = sDigits(v, error);
	if(s.GetLength() < 12)
		throw JsonizeError(error);
	int y = sField(s, 0, 4), m = sField(s, 4, 6), d = sField(s, 6, 8);
	int h = sField(s, 8, 10), n = sField(s, 10, 12);
	int sec = s.GetLength() > 12 ? sField(s, 12) : 0;
	if(!sDateOk(y, m, d) || h > 23 || n > 59 || sec < 0 || sec > 59)
		throw JsonizeError(error);
	var = Time(y, m, d, h, n, sec);
}

} // namespace Qel
