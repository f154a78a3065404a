// Drawing: a recorded sequence of Draw operations, the size of the area they were recorded in,
// and the values (images, drawings, paintings, texts) the commands take as objects.
#pragma once

#include <Core/types/Gtypes.h>
#include <Core/text/String.h>
#include <Core/value/ValueArray.h>

namespace Qel {

class Draw;
class XmlIO;
class JsonIO;

class Drawing {
public:
	Size       size = Size(INT_NULL, INT_NULL); // Null
	String     data;                                         // the command stream
	ValueArray val;                                          // object operands, in order of use

	Drawing() = default;
	// A Null Value gives the Null Drawing; a Value of another type throws ValueTypeError.
	Drawing(const Value& v);
	operator Value() const;

	Size GetSize() const { return size; }
	bool IsNullInstance() const { return data.IsEmpty(); }
	bool IsNull() const { return data.IsEmpty(); }

	// Size, command stream and, when bit 31 of the stored height says so, the value list.
	void Serialize(Stream& s);
	// Attribute or member "data": the enveloped stored form as hexadecimal text.
	void Xmlize(XmlIO& xio);
	void Jsonize(JsonIO& jio);

	hash_t GetHashValue() const;
	bool   operator==(const Drawing& b) const { return size == b.size && data == b.data && val.Get() == b.val.Get(); }
	String ToString() const;
	int    Compare(const Drawing&) const { return 0; }
};

template <> inline dword ValueTypeNo<Drawing>() { return DRAWING_V; }

const Drawing& NullDrawing();

namespace detail {
// Record codes of the command stream.
enum {
	DRAWING_BEGIN = 1, DRAWING_OFFSET, DRAWING_CLIP, DRAWING_CLIPOFF, DRAWING_EXCLUDECLIP,
	DRAWING_INTERSECTCLIP, DRAWING_END, DRAWING_RECT, DRAWING_IMAGE, DRAWING_NOP, DRAWING_DRAWING,
	DRAWING_LINE, DRAWING_ELLIPSE, DRAWING_TEXT, DRAWING_ARC, DRAWING_POLYPOLYLINE,
	DRAWING_POLYPOLYPOLYGON, DRAWING_DATA, DRAWING_PAINTING, DRAWING_ESCAPE,
};
// Text encodings of the text record besides a character-set number.
enum { DRAWING_TEXT_UTF32 = 0xFE, DRAWING_TEXT_UTF16 = 0xFF };

// The hash of a value list as its Value would hash, shared with Painting.
hash_t ValueListHash(const ValueArray& a);
} // namespace detail

// Replays w into target on d, scaling the drawing's size to the rectangle's: the default body of
// Draw::DrawDrawingOp.
void PlayDrawing(Draw& d, const Rect& target, const Drawing& w);

} // namespace Qel
