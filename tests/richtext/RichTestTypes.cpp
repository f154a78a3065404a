#include "RichTestTypes.h"

#include <cstdio>

namespace QelTest {

namespace {

void sScan(const Value& data, Size& physical, Size& pixel)
{
	physical = pixel = Size(0, 0);
	String s = data.ToString();
	sscanf(~s, "%d %d %d %d", &physical.cx, &physical.cy, &pixel.cx, &pixel.cy);
}

TestRectType sTestRect;

[[maybe_unused]] const bool sRegistered = (RichObject::Register("TestRect", &sTestRect), true);

} // namespace

Size TestRectType::GetPhysicalSize(const Value& data) const
{
	Size ph, px;
	sScan(data, ph, px);
	return ph;
}

Size TestRectType::GetPixelSize(const Value& data) const
{
	Size ph, px;
	sScan(data, ph, px);
	return px;
}

void TestRectType::Paint(const Value&, Draw& w, Size sz) const
{
	w.DrawRect(0, 0, sz.cx, sz.cy, TEST_RECT_COLOR);
}

RichObject TestRectObject(Size physical, Size pixel, Size sz)
{
	RichObject o;
	o.Read("TestRect", Format("%d %d %d %d", physical.cx, physical.cy, pixel.cx, pixel.cy), sz);
	return o;
}

} // namespace QelTest
