// Targets for the frame, display and look tests: a recording target that also records image
// drawing, and a small canvas that keeps the colour of every pixel a rectangle covered.
#pragma once

#include "RecordingDraw.h"

#include <map>
#include <utility>

namespace QelTest {

class ImageRecordingDraw : public RecordingDraw {
public:
	void DrawImageOp(int x, int y, int cx, int cy, const Image& img, const Rect& src, Color color) override
	{
		Put("Image " + I(x) + "," + I(y) + "," + I(cx) + "," + I(cy) + " " + Img(img) + R(src) + C(color));
	}
};

// Pixels as (x, y) -> 0x00BBGGRR of the last rectangle over them; images and everything else
// are recorded as calls.
class PixelDraw : public ImageRecordingDraw {
public:
	std::map<std::pair<int, int>, dword> px;

	void DrawRectOp(int x, int y, int cx, int cy, Color color) override
	{
		for(int j = y; j < y + cy; j++)
			for(int i = x; i < x + cx; i++)
				px[{ i, j }] = color.Get();
	}
	dword At(int x, int y) const
	{
		auto q = px.find({ x, y });
		return q == px.end() ? 0xFFFFFFFF : q->second;
	}
	bool Has(int x, int y) const { return px.count({ x, y }); }
};

} // namespace QelTest
