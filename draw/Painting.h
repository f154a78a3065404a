// Painting: a recorded sequence of painter operations with the values they refer to and the
// painting's own size. The painter module writes and plays the command stream.
#pragma once

#include <Core/Gtypes.h>
#include <Core/String.h>
#include <Core/ValueArray.h>

#include <cmath>

namespace Qel {

class Painting {
public:
	String     cmd;                               // the command stream
	ValueArray data;                              // values the commands refer to, in order
	Sizef      size = Sizef(-INFINITY, -INFINITY); // Null: both halves the double Null

	Sizef GetSize() const { return size; }
	bool  IsNullInstance() const { return cmd.IsEmpty(); }
};

} // namespace Qel
