// Convert: translation between a Value and the text a user sees and types (edit fields).
// Scanners never throw: a rejected text gives an error Value carrying the message.
#pragma once

#include <Core/base/Defs.h>
#include <Core/text/String.h>
#include <Core/value/Value.h>

#include <cfloat>
#include <climits>

namespace Qel {

class Convert {
public:
	Convert() = default;
	virtual ~Convert() = default;

	virtual Value Format(const Value& q) const;
	virtual Value Scan(const Value& text) const;
	virtual int   Filter(int chr) const;
};

class ConvertDouble : public Convert {
public:
	ConvertDouble(double minval = -DBL_MAX, double maxval = DBL_MAX, bool notnull = false)
		: minval(minval), maxval(maxval), notnull(notnull) {}

	Value Format(const Value& q) const override;
	Value Scan(const Value& text) const override;
	int   Filter(int chr) const override;

	double minval;
	double maxval;
	bool   notnull;
	bool   comma = false;
	String pattern = "%.10g";
};

class ConvertString : public Convert {
public:
	ConvertString(int maxlen = INT_MAX, bool notnull = false) : maxlen(maxlen), notnull(notnull) {}

	Value Scan(const Value& text) const override;

	int  maxlen;
	bool notnull;
	bool trimleft = false;
	bool trimright = false;
};

class NoConvertClass : public Convert {
public:
	Value Format(const Value& q) const override;
};

const Convert&        GetStdConvert();
const NoConvertClass& NoConvert();

} // namespace Qel
