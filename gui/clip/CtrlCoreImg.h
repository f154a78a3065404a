// The GUI core's image list "CtrlCoreImg": the cursors shown while something is dragged.
#pragma once

#include <draw/Draw.h>

namespace Qel {

struct CtrlCoreImg {
	enum { I_DndMoveX11, I_DndMove, I_DndMove98, I_DndNone, I_DndNone98, I_DndCopy, I_DndCopy98, I_DndData, COUNT };

	static Qel::Iml& Iml();
	static Image Get(int i)      { return Iml().Get(i); }
	static Image DndMoveX11()    { return Get(I_DndMoveX11); }
	static Image DndMove()       { return Get(I_DndMove); }
	static Image DndMove98()     { return Get(I_DndMove98); }
	static Image DndNone()       { return Get(I_DndNone); }
	static Image DndNone98()     { return Get(I_DndNone98); }
	static Image DndCopy()       { return Get(I_DndCopy); }
	static Image DndCopy98()     { return Get(I_DndCopy98); }
	static Image DndData()       { return Get(I_DndData); }
};

} // namespace Qel
