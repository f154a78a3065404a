// A control's logical position: per axis one packed 32-bit word saying to which edges of its
// parent the control is attached, so its rectangle can be computed again whenever the parent's
// size changes. Bits 30-31 hold the alignment, bits 15-29 the signed field a, bits 0-14 the
// signed field b.
#pragma once

#include <Core/Core.h>

namespace Qel {

class LogPosAxis {
	dword word = 0x40000000;

	static constexpr int Field(dword w) { return int(w & 0x4000 ? w | 0xFFFF8000 : w & 0x7FFF); }

public:
	enum {
		CENTER = 0,
		LEFT   = 1,
		RIGHT  = 2,
		SIZE   = 3,
		TOP    = LEFT,
		BOTTOM = RIGHT,
	};

	constexpr LogPosAxis() = default;
	constexpr LogPosAxis(int align, int a, int b)
	:	word(dword(align) << 30 | (dword(a) & 0x7FFF) << 15 | (dword(b) & 0x7FFF)) {}

	static constexpr LogPosAxis FromWord(dword w) { LogPosAxis x; x.word = w; return x; }

	constexpr int   GetAlign() const { return int(word >> 30); }
	// left/top and right/bottom: the offset from the near edge or the far edge's distance;
	// centre: the shift from the centred place; both edges: the near inset
	constexpr int   GetA() const     { return Field(word >> 15); }
	// the size, or with both edges the far inset
	constexpr int   GetB() const     { return Field(word); }
	constexpr dword GetWord() const  { return word; }
	constexpr operator dword() const { return word; }

	// Whether the axis gives the control no extent of its own.
	constexpr bool IsEmpty() const   { return GetAlign() == SIZE ? GetB() <= GetA() : GetB() < 1; }

	constexpr bool operator==(const LogPosAxis& b) const = default;
};

struct LogPos {
	LogPosAxis x;
	LogPosAxis y;

	constexpr LogPos() = default;
	constexpr LogPos(LogPosAxis x, LogPosAxis y) : x(x), y(y) {}

	constexpr bool operator==(const LogPos& b) const = default;
};

// Field values that stand for the control's standard, maximum and minimum size.
enum {
	STDSIZE = -16382,
	MAXSIZE = -16381,
	MINSIZE = -16380,
};

} // namespace Qel
