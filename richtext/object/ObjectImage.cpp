#include <richtext/object/detail/ObjectImage.h>

#include <limits.h>
#include <math.h>

namespace Qel::detail {

namespace {

int sClampInt(int64 v)
{
	return int(clamp<int64>(v, INT_MIN, INT_MAX));
}

} // namespace

Size FitObjectArea(Size sz, int64 max)
{
	int64 a = ObjectArea(sz);
	if(a <= max)
		return sz;
	double f = sqrt(double(max) / double(a));
	int64 cx = clamp<int64>(int64(sz.cx * f), 1, max);
	int64 cy = clamp<int64>(int64(sz.cy * f), 1, max);
	// rounding, or a side held at 1, may leave a little too much
	cy = min(cy, max / cx);
	cx = min(cx, max / cy);
	return Size(int(cx), int(cy));
}

Size ScaleObjectSize(Size sz, int num, int den)
{
	return Size(sClampInt(int64(sz.cx) * num / den), sClampInt(int64(sz.cy) * num / den));
}

Size ObjectPixelsToDots(Size px)
{
	return ScaleObjectSize(px, 600, 96);
}

Image DecodeObjectRaster(Raster& r, Size sz)
{
	Size isz = r.GetSize();
	int64 area = ObjectArea(isz);
	if(area == 0 || ObjectArea(sz) == 0 || r.IsError())
		return Image();
	// a damaged file would otherwise be read to its declared end, row by empty row
	Gate<int, int> failed = [&](int, int) { return r.IsError(); };
	if(area <= ObjectArea(sz) && area <= OBJECT_IMAGE_MAX_PIXELS) {
		Image m = r.GetImage(failed);
		return r.IsError() ? Image() : m;
	}
	ImageEncoder e;
	if(!Rescale(e, FitObjectArea(sz, OBJECT_IMAGE_MAX_PIXELS), r, Rect(0, 0, isz.cx, isz.cy), failed) || r.IsError())
		return Image();
	return e.GetImage();
}

} // namespace Qel::detail
