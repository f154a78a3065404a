// Drawing: a recorded sequence of Draw operations, the size of the area they were recorded in,
// and the values (images, drawings, paintings, texts) the commands take as objects.
#pragma once

#include <Core/Gtypes.h>
#include <Core/String.h>
#include <Core/ValueArray.h>

namespace Qel {

class Drawing {
public:
	Size       size = Size(int(0x80000000), int(0x80000000)); // Null
	String     data;                                         // the command stream
	ValueArray val;                                          // object operands, in order of use

	Size GetSize() const { return size; }
	bool IsNullInstance() const { return data.IsEmpty(); }
};

} // namespace Qel
