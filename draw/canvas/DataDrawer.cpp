// The DataDrawer registry, the shared data operation of Draw and the "image_data" drawer.
#include "DataDrawer.h"
#include <draw/detail/DrawInt.h>
#include <draw/imageops/Rescale.h>

namespace Qel {

namespace {

// Data above this in either direction is rendered and drawn in bands of DATA_BAND_ROWS rows.
constexpr int DATA_BAND_MAX = 2048;
constexpr int DATA_BAND_ROWS = 32;

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
		rescaler.reset();
		stream.Open(data);
		raster = OpenStreamRaster(stream);
		if(!raster)
			return;
		rescaler = std::make_unique<Rescaler>();
		if(!rescaler->Create(*raster, Size(cx, cy), Rect(Point(0, 0), raster->GetSize())))
			rescaler.reset();
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
	dd->Open(data, cx, cy);
	// Bands on every target, whatever it says of itself: memory stays bounded by the band.
	if(cx > DATA_BAND_MAX || cy > DATA_BAND_MAX) {
		for(int y0 = 0; y0 < cy; y0 += DATA_BAND_ROWS) {
			ImageBuffer ib;
			if(!ib.Create(cx, min(DATA_BAND_ROWS, cy - y0)))
				return;
			dd->Render(ib);
			DrawImageBand(*this, x, y + y0, Image(ib));
		}
		return;
	}
	ImageBuffer ib;
	if(!ib.Create(cx, cy))
		return;
	dd->Render(ib);
	Image m(ib);
	DrawImageOp(x, y, cx, cy, m, Rect(0, 0, cx, cy), Color());
}

} // namespace Qel
