// Test doubles of the rich-text tests. "TestRect" is a registered object type whose data is the
// text "cx cy pcx pcy" (physical and pixel size) and whose Paint draws one red rectangle over
// the object; an object of a type name nobody registered has exactly the size it is given.
#pragma once

#include <richtext/RichText.h>

namespace QelTest {

using namespace Qel;

class TestRectType : public RichObjectType {
public:
	using RichObjectType::GetPhysicalSize;
	using RichObjectType::GetPixelSize;
	using RichObjectType::Paint;

	String GetTypeName(const Value&) const override { return "TestRect"; }
	Size   GetPhysicalSize(const Value& data) const override;
	Size   GetPixelSize(const Value& data) const override;
	void   Paint(const Value& data, Draw& w, Size sz) const override;
};

inline constexpr Color TEST_RECT_COLOR = Color(255, 0, 0);

// An object of the registered test type with the given sizes.
RichObject TestRectObject(Size physical, Size pixel, Size sz);

} // namespace QelTest
