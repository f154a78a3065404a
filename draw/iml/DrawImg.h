// The drawing package's image list "DrawImg", made by tools/imlbuild from draw/iml/DrawImg.iml.
#pragma once

#include "Iml.h"

namespace Qel {

struct DrawImg {
	enum { I_threedots, I_DefaultDragImage, COUNT };

	static Qel::Iml& Iml();
	static Image Get(int i)          { return Iml().Get(i); }
	static Image threedots()         { return Get(I_threedots); }
	static Image DefaultDragImage()  { return Get(I_DefaultDragImage); }
};

} // namespace Qel
