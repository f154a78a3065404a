// Typed data drawn into a rectangle (Draw::DrawDataOp): a process-wide registry maps a format id
// to a factory of DataDrawers, which decode the data into rows of pixels of the wanted size.
// "image_data" is always there: any image file format the raster registry reads.
#pragma once

#include "DrawTarget.h"

#include <memory>

namespace Qel {

class DataDrawer {
public:
	using Factory = DataDrawer* (*)();

	// Prepares to produce cx x cy pixels of data.
	virtual void Open(const String& data, int cx, int cy) = 0;
	// Fills ib with the next rows, top to bottom; its height says how many.
	virtual void Render(ImageBuffer& ib) = 0;
	// In place of Open, for a picture that shows only in part: prepares to produce the pixels of
	// part (within 0, 0, cx, cy) as the whole would have them; Render then fills rows of part's
	// width from part's top. False (the default) when the drawer can only make the whole.
	virtual bool OpenPart(const String& data, int cx, int cy, const Rect& part);
	virtual ~DataDrawer() {}

	// A second registration of an id does not replace the first.
	static void Register(const char* id, Factory factory);
	// Null for an unknown id.
	static std::unique_ptr<DataDrawer> Create(const String& id);
};

// The "image_data" drawer: any registered raster format, rescaled while it is decoded.
DataDrawer* cDrawRasterDataFactory();

} // namespace Qel
