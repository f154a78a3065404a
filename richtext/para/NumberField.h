// RichNumberField, the field type "VALUE": shows the value of the variable its parameter names.
#pragma once

#include <richtext/para/RichPara.h>

namespace Qel {

class RichNumberField : public RichPara::FieldType {
public:
	// One part: the text of the variable's value (Null's text when there is no such variable)
	// in fmt, on light grey when the variable "__DISPLAY_VALUE_FIELDS" is set and not Null.
	Array<RichPara::Part> Evaluate(const String& param, VectorMap<String, Value>& vars,
	                               const RichPara::CharFormat& fmt) const override;
};

// The one instance, registered under "VALUE" at start-up.
RichNumberField& GetRichNumberField();

} // namespace Qel
