// The DataDrawer registry, the shared data operation of Draw and the "image_data" drawer.
#include "DataDrawer.h"
#include <draw/detail/DrawInt.h>
#include <draw/imageops/Rescale.h>

namespace Qel {

namespace {

// Data above this in either direction is rendered and drawn in bands of DATA_BAND_ROWS rows.
constexpr int DATA_BAND_MAX = 2048;
constexpr int DATA_BAND_ROWS = 32;
// Pixels a drawer that cannot make a part may render for one picture that shows only in part.
constexpr int64 DATA_WHOLE_MAX = int64(1) << 28;

StaticMutex sRegistryMutex;

VectorMap<String, DataDrawer::Factory>& sRegistry()
{
	static VectorMap<String, DataDrawer::Factory> r = [] {
		VectorMap<String, DataDrawer::Factory> m;
		m.Add("image_data", cDrawRasterDataFactory);
		return m;
	}();
	return r;
}

class cDrawRasterData : public DataDrawer {
	StringStream                  stream;
	std::unique_ptr<StreamRaster> raster;
	std::unique_ptr<Rescaler>     rescaler;

public:
	void Open(const String& data, int cx, int cy) override
	{
		OpenPart(data, cx, cy, Rect(0, 0, cx, cy));
	}

	bool OpenPart(const String& data, int cx, int cy, const Rect& part) override
	{
		rescaler.reset();
		stream.Open(data);
		raster = OpenStreamRaster(stream);
		if(!raster)
			return true;
		rescaler = std::make_unique<Rescaler>();
		if(!rescaler->Create(*raster, Size(cx, cy), Rect(Point(0, 0), raster->GetSize()), part))
			rescaler.reset();
		return true;
	}

	void Render(ImageBuffer& ib) override
	{
		if(rescaler)
			for(int y = 0; y < ib.GetHeight(); y++)
				rescaler->GetLine(ib[y]);
	}
};

} // namespace

DataDrawer* cDrawRasterDataFactory() { return new cDrawRasterData; }

bool DataDrawer::OpenPart(const String&, int, int, const Rect&) { return false; }

void DataDrawer::Register(const char* id, Factory factory)
{
	Mutex::Lock lock(sRegistryMutex);
	sRegistry().Add(String(id), factory);
}

std::unique_ptr<DataDrawer> DataDrawer::Create(const String& id)
{
	Mutex::Lock lock(sRegistryMutex);
	const Factory* f = sRegistry().FindPtr(id);
	return std::unique_ptr<DataDrawer>(f && *f ? (*f)() : nullptr);
}

void Draw::DrawDataOp(int x, int y, int cx, int cy, const String& data, const char* id)
{
	detail::NativeScope native(*this, x, y, cx, cy);
	if(cx <= 0 || cy <= 0)
		return;
	std::unique_ptr<DataDrawer> dd = DataDrawer::Create(id);
	if(!dd)
		return;
	if(cx <= DATA_BAND_MAX && cy <= DATA_BAND_MAX) {
		dd->Open(data, cx, cy);
		ImageBuffer ib;
		if(!ib.Create(cx, cy))
			return;
		dd->Render(ib);
		Image m(ib);
		DrawImageOp(x, y, cx, cy, m, Rect(0, 0, cx, cy), Color());
		return;
	}
	// Bands on every target, whatever it says of itself: memory stays bounded by the band. The
	// work is bounded by what shows: a drawer makes only that part, or the whole when it cannot
	// make parts and the whole is not too large.
	Rect v = detail::VisiblePart(*this, x, y, cx, cy);
	if(v.left >= v.right)
		return;
	bool part = v != Rect(0, 0, cx, cy) && dd->OpenPart(data, cx, cy, v);
	if(!part) {
		if(v != Rect(0, 0, cx, cy) && int64(cx) * v.bottom > DATA_WHOLE_MAX)
			return;
		dd->Open(data, cx, cy);
	}
	int left = part ? v.left : 0, width = part ? v.right - v.left : cx;
	for(int y0 = part ? v.top : 0; y0 < v.bottom; y0 += DATA_BAND_ROWS) {
		ImageBuffer ib;
		if(!ib.Create(width, min(DATA_BAND_ROWS, v.bottom - y0)))
			return;
		dd->Render(ib);
		if(y0 + ib.GetHeight() > v.top) // rows above the part are made only to reach it
			DrawImageBand(*this, x + left, y + y0, Image(ib));
	}
}

} // namespace Qel
