#include <richtext/RichText.h>

#include <gtest/gtest.h>

using namespace Qel;

namespace {

class sEchoField : public RichPara::FieldType {
public:
	Array<RichPara::Part> Evaluate(const String& param, VectorMap<String, Value>& vars,
	                               const RichPara::CharFormat& fmt) const override
	{
		Array<RichPara::Part> r;
		r.Add().text = WString(Format("%s:%d", param, vars.GetCount()));
		r.Top().format = fmt;
		return r;
	}
};

} // namespace

TEST(ValueField, ShowsTheVariableOrNullAndMarksOnRequest)
{
	RichPara::FieldType* t = RichPara::GetFieldType("VALUE");
	ASSERT_NE(t, nullptr); // registered before main
	EXPECT_EQ(t, &GetRichNumberField());
	RichPara::CharFormat f;
	f.Bold();
	VectorMap<String, Value> vars;
	vars.Add("answer", 42);
	Array<RichPara::Part> r = t->Evaluate("answer", vars, f);
	ASSERT_EQ(r.GetCount(), 1);
	EXPECT_EQ(r[0].text, WString("42"));
	EXPECT_TRUE(r[0].format.IsBold());
	EXPECT_TRUE(r[0].format.paper.IsNull());
	r = t->Evaluate("missing", vars, f);
	ASSERT_EQ(r.GetCount(), 1);
	EXPECT_EQ(r[0].text, WString(Value().ToText()));
	vars.Add("__DISPLAY_VALUE_FIELDS", Value());
	EXPECT_TRUE(t->Evaluate("answer", vars, f)[0].format.paper.IsNull()); // a Null switch is off
	vars.Remove(vars.Find("__DISPLAY_VALUE_FIELDS"));
	vars.Add("__DISPLAY_VALUE_FIELDS", 1);
	EXPECT_EQ(t->Evaluate("answer", vars, f)[0].format.paper, Color(0xE0, 0xE0, 0xE0));
}

TEST(RichParaFields, CatEvaluatesAndEvaluateFieldsReplaces)
{
	static sEchoField echo;
	RichPara::Register("qeltest-echo", echo);
	static sEchoField other;
	RichPara::Register("qeltest-echo", other); // the first registration stays
	EXPECT_EQ(RichPara::GetFieldType("qeltest-echo"), &echo);
	EXPECT_EQ(RichPara::GetFieldType("qeltest-none"), nullptr);

	RichPara p;
	RichPara::CharFormat f;
	p.Cat("qeltest-echo", "p", f);
	p.Cat("qeltest-none", "q", f);
	p.Cat(WString("text"), f);
	ASSERT_EQ(p.part.GetCount(), 3);
	ASSERT_EQ(p.part[0].fieldpart.GetCount(), 1);
	EXPECT_EQ(p.part[0].fieldpart[0].text, WString("p:0")); // with no variables
	EXPECT_TRUE(p.part[1].fieldpart.IsEmpty());               // unknown type: not evaluated
	EXPECT_EQ(p.GetLength(), 1 + 1 + 4);

	VectorMap<String, Value> vars;
	vars.Add("a", 1);
	vars.Add("b", 2);
	EXPECT_TRUE(p.EvaluateFields(vars));
	EXPECT_EQ(p.part[0].fieldpart[0].text, WString("p:2"));
	EXPECT_TRUE(p.part[1].fieldpart.IsEmpty());
	RichPara none;
	none.Cat("qeltest-none", "", f);
	EXPECT_FALSE(none.EvaluateFields(vars));
}
