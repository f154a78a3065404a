// Helpers of the object-type tests: PNG files made here (any declared size, with or without a
// physical size), and a recording target that notes images with the rectangle they are drawn
// into instead of rescaling them.
#pragma once

#include "draw/RecordingDraw.h"

#include <richtext/RichText.h>

#include <functional>

namespace QelTest {

using namespace Qel;

// A PNG file of a declared size, colour type and depth whose IDAT holds raw (filter bytes
// included) compressed; pixels_per_metre adds a pHYs chunk in metres.
String PngFile(int cx, int cy, int depth, int ctype, const String& raw, int pixels_per_metre = 0);
// An 8-bit RGBA picture of sz whose pixels are pixel(x, y) (not premultiplied).
String RgbaPng(Size sz, std::function<RGBA (int, int)> pixel, int pixels_per_metre = 0);
// A 1-bit grey picture of sz in vertical stripes: cheap to make at any size.
String StripesPng(Size sz);

// Images drawn are noted as "Image x,y,cx,cy <size and checksum>", whatever their size.
class ImageRecordingDraw : public RecordingDraw {
public:
	std::vector<Image> images;

	void DrawImageOp(int x, int y, int cx, int cy, const Image& img, const Rect&, Color) override
	{
		images.push_back(img);
		Put("Image " + I(x) + "," + I(y) + "," + I(cx) + "," + I(cy) + " " + Img(img));
	}
};

// An object of a registered type read from its stored text.
RichObject ReadObject(const char* type, const String& data, Size sz = Size(100, 100));

} // namespace QelTest
