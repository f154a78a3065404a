#include "Convert.h"
#include "Format.h"
#include <Core/detail/FormatBuf.h>
#include <Core/text/FormatDouble.h>
#include <Core/text/FormatInt.h>
#include "Scan.h"
#include <Core/text/WString.h>

#include <cmath>
#include <cstdio>

namespace Qel {

namespace {

Value sError(const char* text)
{
	return ErrorValue(detail::FormatTranslate(text));
}

} // namespace

Value Convert::Format(const Value& q) const
{
	if(q.IsNull())
		return String();
	switch(q.GetType()) {
	case 3:
	case 8:
		return q;
	case 1:
	case 11: {
		char b[16];
		return String(b, snprintf(b, sizeof(b), "%d", q.ToInt()));
	}
	case 10:
		return FormatInt64(q.ToInt64());
	case 2: {
		double d = q.ToDouble();
		return std::isfinite(d) ? FormatDoubleG(d) : String();
	}
	case 13:
		return FormatFloat(q.ToFloat());
	case 4:
	case 5:
		return detail::FormatDateTime(q, detail::FormatCurrentLanguage());
	}
	return q.ToText();
}

Value Convert::Scan(const Value& text) const
{
	return text;
}

int Convert::Filter(int chr) const
{
	return chr;
}

Value NoConvertClass::Format(const Value& q) const
{
	return q;
}

const Convert& GetStdConvert()
{
	static Convert c;
	return c;
}

const NoConvertClass& NoConvert()
{
	static NoConvertClass c;
	return c;
}

String StdFormat(const Value& q)
{
	Value v = GetStdConvert().Format(q);
	return v.GetType() == 3 ? v.To<String>() : v.ToString();
}

Value ConvertDouble::Format(const Value& q) const
{
	if(q.IsNull())
		return Value(INT_NULL);
	return Qel::Format(~pattern, q.ToDouble());
}

Value ConvertDouble::Scan(const Value& text) const
{
	// Numbers other than text are read through their text form, so scanning never throws.
	String s = text.GetType() == 3 ? text.To<String>() : text.GetType() == 8 ? text.ToString() : text.ToText();
	if(pattern.GetLength() && pattern != "%.10g") {
		detail::FormatBuf b;
		for(const char* p = ~s; *p; p++) {
			char c = *p;
			if(c == ',' || c == '.')
				b.Cat('.');
			else if(c == 'e' || c == 'E')
				b.Cat('E');
			else if(c == '+' || c == '-' || (c >= '0' && c <= '9'))
				b.Cat(c);
		}
		int n = b.GetLength();
		while(n && b.Begin()[n - 1] == 'E')
			n--;
		s = String(b.Begin(), n);
	}
	Value q = ScanDoubleValue(~s);
	if(q.GetType() == 6)
		return q;
	if(q.IsNull())
		return notnull ? sError("Null value not allowed.") : q;
	double d = q.ToDouble();
	if(d >= minval && maxval >= d)
		return q;
	return ErrorValue(Qel::Format(detail::FormatTranslate("Number must be between %g and %g."), minval, maxval));
}

int ConvertDouble::Filter(int chr) const
{
	if(chr == ',' || chr == '.')
		return comma ? ',' : '.';
	if(chr == 'e' || chr == 'E')
		return 'E';
	if(chr == '+' || chr == '-' || (chr >= '0' && chr <= '9'))
		return chr;
	return 0;
}

Value ConvertString::Scan(const Value& text) const
{
	int type = text.GetType();
	if(type == 6)
		return text;
	// Texts of either width are checked alike and returned in their own type.
	auto check = [&](auto s) -> Value {
		if(trimleft)
			s = TrimLeft(s);
		if(trimright)
			s = TrimRight(s);
		int n = s.GetLength();
		if(n == 0 && notnull)
			return sError("Null value not allowed.");
		if(n <= maxlen)
			return s;
		return Value();
	};
	Value v;
	if(type == 3)
		v = check(text.To<String>());
	else if(type == 8)
		v = check(text.ToWString());
	if(!v.IsVoid())
		return v;
	return ErrorValue(Qel::Format(detail::FormatTranslate("Please enter no more than %d characters."), maxlen));
}

} // namespace Qel
