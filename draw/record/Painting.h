// Painting: a recorded sequence of painter operations with the values they refer to and the
// painting's own size. The painter module writes and plays the command stream.
#pragma once

#include <Core/types/Gtypes.h>
#include <Core/text/String.h>
#include <Core/value/ValueArray.h>

#include <cmath>

namespace Qel {

class XmlIO;
class JsonIO;

class Painting {
public:
	String     cmd;                               // the command stream
	ValueArray data;                              // values the commands refer to, in order
	Sizef      size = Sizef(-INFINITY, -INFINITY); // Null: both halves the double Null

	Painting() = default;
	// A Null Value gives the Null Painting; a Value of another type throws ValueTypeError.
	Painting(const Value& v);
	operator Value() const;

	Sizef GetSize() const { return size; }
	bool  IsNullInstance() const { return cmd.IsEmpty(); }
	bool  IsNull() const { return cmd.IsEmpty(); }

	// Command stream, value list, then the size as two doubles.
	void Serialize(Stream& s);
	// Attribute or member "data": the enveloped stored form as hexadecimal text.
	void Xmlize(XmlIO& xio);
	void Jsonize(JsonIO& jio);

	hash_t GetHashValue() const;
	// Sizes compare as doubles, so a NaN half is never equal.
	bool   operator==(const Painting& b) const
	{
		return cmd == b.cmd && data.Get() == b.data.Get() && size.cx == b.size.cx && size.cy == b.size.cy;
	}
	String ToString() const;
	int    Compare(const Painting&) const { return 0; }
};

template <> inline dword ValueTypeNo<Painting>() { return PAINTING_V; }

const Painting& NullPainting();

} // namespace Qel
