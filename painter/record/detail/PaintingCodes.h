// The command codes of a Painting's stream and how many operand bytes follow each: the
// recording painter writes by this table and playback reads by it.
#pragma once

#include <array>

namespace Qel::detail {

// Paired path codes: even absolute, odd relative (the code plus one).
enum PaintingCode {
	PAINTING_CLEAR = 0,
	PAINTING_MOVE = 4, PAINTING_LINE = 6, PAINTING_QUADRATIC = 8, PAINTING_QUADRATIC_S = 10,
	PAINTING_CUBIC = 12, PAINTING_CUBIC_S = 14, PAINTING_ARC = 16, PAINTING_SVGARC = 18,
	PAINTING_CLOSE = 20, PAINTING_DIV = 21,
	PAINTING_FILL_SOLID = 22, PAINTING_FILL_IMAGE = 23, PAINTING_FILL_GRADIENT = 24,
	PAINTING_FILL_RADIAL = 25,
	PAINTING_STROKE_SOLID = 26, PAINTING_STROKE_IMAGE = 27, PAINTING_STROKE_GRADIENT = 28,
	PAINTING_STROKE_RADIAL = 29,
	PAINTING_CLIP = 30, PAINTING_CHARACTER = 31, PAINTING_TEXT = 32,
	PAINTING_COLORSTOP = 33, PAINTING_CLEARSTOPS = 34, PAINTING_OPACITY = 35,
	PAINTING_LINECAP = 36, PAINTING_LINEJOIN = 37, PAINTING_MITERLIMIT = 38,
	PAINTING_EVENODD = 39, PAINTING_DASH = 40, PAINTING_TRANSFORM = 41,
	PAINTING_BEGIN = 42, PAINTING_END = 43, PAINTING_BEGINMASK = 44, PAINTING_BEGINONPATH = 45,
	PAINTING_INVERT = 46,
	PAINTING_FILL_GRADIENT_X = 47, PAINTING_STROKE_GRADIENT_X = 48,
	PAINTING_FILL_RADIAL_X = 49, PAINTING_STROKE_RADIAL_X = 50,
	PAINTING_IMAGE_FILTER = 51,
};

// Operand bytes of each code, -1 for the codes that carry none and are skipped. Text and dash
// carry lists: theirs is the size of the fixed head (text: point, count, the advances flag and
// the font, then per character an int and, with advances, a double; dash: the count, then that
// many doubles and the start).
inline constexpr std::array<signed char, 256> PAINTING_OPERANDS = [] {
	// operand sizes: byte 1, int 4, double 8, point 16, rgba 4, xform 48, font 8
	constexpr struct { int code, bytes; bool paired; } sizes[] = {
		{ PAINTING_CLEAR, 4, false },
		{ PAINTING_MOVE, 16, true }, { PAINTING_LINE, 16, true },
		{ PAINTING_QUADRATIC, 32, true }, { PAINTING_QUADRATIC_S, 16, true },
		{ PAINTING_CUBIC, 48, true }, { PAINTING_CUBIC_S, 32, true },
		{ PAINTING_ARC, 48, true }, { PAINTING_SVGARC, 42, true },
		{ PAINTING_CLOSE, 0, false }, { PAINTING_DIV, 0, false },
		{ PAINTING_FILL_SOLID, 4, false }, { PAINTING_FILL_IMAGE, 49, false },
		{ PAINTING_FILL_GRADIENT, 41, false }, { PAINTING_FILL_RADIAL, 49, false },
		{ PAINTING_STROKE_SOLID, 12, false }, { PAINTING_STROKE_IMAGE, 57, false },
		{ PAINTING_STROKE_GRADIENT, 49, false }, { PAINTING_STROKE_RADIAL, 57, false },
		{ PAINTING_CLIP, 0, false }, { PAINTING_CHARACTER, 28, false }, { PAINTING_TEXT, 29, false },
		{ PAINTING_COLORSTOP, 12, false }, { PAINTING_CLEARSTOPS, 0, false },
		{ PAINTING_OPACITY, 8, false },
		{ PAINTING_LINECAP, 1, false }, { PAINTING_LINEJOIN, 1, false },
		{ PAINTING_MITERLIMIT, 1, false }, { PAINTING_EVENODD, 1, false },
		{ PAINTING_DASH, 4, false }, { PAINTING_TRANSFORM, 48, false },
		{ PAINTING_BEGIN, 0, false }, { PAINTING_END, 0, false },
		{ PAINTING_BEGINMASK, 0, false }, { PAINTING_BEGINONPATH, 9, false },
		{ PAINTING_INVERT, 1, false },
		{ PAINTING_FILL_GRADIENT_X, 57, false }, { PAINTING_STROKE_GRADIENT_X, 65, false },
		{ PAINTING_FILL_RADIAL_X, 73, false }, { PAINTING_STROKE_RADIAL_X, 81, false },
		{ PAINTING_IMAGE_FILTER, 1, false },
	};
	std::array<signed char, 256> t {};
	for(signed char& n : t)
		n = -1;
	for(auto s : sizes) {
		t[s.code] = (signed char)s.bytes;
		if(s.paired)
			t[s.code + 1] = (signed char)s.bytes;
	}
	return t;
}();

} // namespace Qel::detail
