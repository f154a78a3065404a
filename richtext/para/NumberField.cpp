#include <richtext/para/NumberField.h>

namespace Qel {

Array<RichPara::Part> RichNumberField::Evaluate(const String& param, VectorMap<String, Value>& vars,
                                                const RichPara::CharFormat& fmt) const
{
	int q = vars.Find(param);
	Value v = q >= 0 ? vars[q] : Value();
	Array<RichPara::Part> r;
	RichPara::Part& p = r.Add();
	p.text = v.ToText().ToWString();
	p.format = fmt;
	q = vars.Find("__DISPLAY_VALUE_FIELDS");
	if(q >= 0 && !vars[q].IsNull())
		p.format.paper = Color(0xE0, 0xE0, 0xE0);
	return r;
}

RichNumberField& GetRichNumberField()
{
	static RichNumberField f;
	return f;
}

} // namespace Qel
