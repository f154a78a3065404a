// The vocabulary QTF shares between its reader and its writer: colour and height digits,
// colour letters, charset codes, bullets, numbering and line-spacing letters, and the characters
// text needs no escape for. Each table is defined once, here, so both directions agree.
#pragma once

#include <Core/Core.h>
#include <draw/Draw.h>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace Qel::detail {

// Characters that are text wherever they stand: the blank, "!", "#", "%", "(", ")", ",", ".",
// "/", digits, ";", "<", ">", "?", ASCII letters, and every byte from 128 up.
struct QtfPlainTable {
	bool flag[256] = {};

	constexpr QtfPlainTable()
	{
		for(int c = 0; c < 256; c++) {
			flag[c] = c >= 128 || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
			for(const char* s = " !#%(),./;<>?"; *s; s++)
				flag[c] |= c == *s;
		}
	}
};

inline constexpr QtfPlainTable QtfPlain;
inline bool IsQtfPlain(int c) { return QtfPlain.flag[byte(c)]; }

#ifdef __SSE2__
// Which of the sixteen bytes x are lower-case letters, blanks, commas, full stops or in whole
// two-byte characters led by C3 to DF (most of a text; U+00A0 to U+00BF and everything longer
// are left to the caller): a bit a byte, the first lowest. The first skip bytes are set
// whatever they are and lead no character. tail gets the continuation bytes among them.
QEL_FORCE_INLINE unsigned QtfPlainChunk(__m128i x, int skip, unsigned& tail)
{
	__m128i m = _mm_and_si128(_mm_cmpgt_epi8(x, _mm_set1_epi8('a' - 1)), _mm_cmplt_epi8(x, _mm_set1_epi8('z' + 1)));
	m = _mm_or_si128(m, _mm_cmpeq_epi8(x, _mm_set1_epi8(' ')));
	m = _mm_or_si128(m, _mm_cmpeq_epi8(x, _mm_set1_epi8(',')));
	m = _mm_or_si128(m, _mm_cmpeq_epi8(x, _mm_set1_epi8('.')));
	// signed bytes: C3..DF are -61..-33, 80..BF are -128..-65
	__m128i l = _mm_and_si128(_mm_cmpgt_epi8(x, _mm_set1_epi8(char(0xC2))), _mm_cmplt_epi8(x, _mm_set1_epi8(char(0xE0))));
	__m128i c = _mm_cmplt_epi8(x, _mm_set1_epi8(char(0xC0)));
	unsigned skipped = (1u << skip) - 1;
	unsigned lead = unsigned(_mm_movemask_epi8(l)) & ~skipped;
	tail = unsigned(_mm_movemask_epi8(c)) & lead << 1; // continuations right after a lead
	return unsigned(_mm_movemask_epi8(m)) | skipped | (lead & tail >> 1) | tail;
}
#endif

// The colours of the digits 0 to 9, the writer's only short forms.
extern const Color QtfDigitColor[10];
// The colour a letter names: lower and upper case have tables of their own; a letter not listed
// gives white.
Color QtfLetterColor(int c);

// Font heights of the digits 0 to 9; the digit of a height, -1 when no digit has it.
extern const int QtfDigitHeight[10];
int QtfHeightDigit(int height);

// A charset code of one character ("_" UTF-8, "0".."8" 15..23, "A".."Z" 1..26); -1 when the
// character is no code.
int QtfCharsetOfCode(int c);
// The code of a charset: one character, or its name when no character has it.
String QtfCharsetCode(int charset);

// Language codes with a written form: none (0), and the four letters A to Z of a language and
// country ("%DE-AT") or the two of a language alone ("%DE;"). A charset in a code is not written:
// it reads back as its letters alone. Any other code is written as none. QtfWrittenLanguage gives
// what a code reads back as.
int  QtfWrittenLanguage(int code);
// The written form of QtfWrittenLanguage(code) after its "%": "-", "EN-US" or "EN;" (the ";"
// keeps a "-" and two letters that may follow, a strikeout and two commands, out of the code).
void QtfCatLanguageCode(String& out, int code);
// The code after a "%" at s, its form read: "%", "-", two letters and, after "-" or "_", two
// more; a letter value beyond Z, as "[", "\\", "]", "^" or "_", stands in a code of none.
// Characters that form no code are not read. Returns what follows.
const char* QtfReadLanguage(const char* s, int& code);

// "O" bullets: "_" none, "0".."3" the round and box bullets, "9" text; anything else round.
int QtfBulletOfChar(int c);
int QtfBulletChar(int bullet);

// Numbering level styles "-10aAiI": the style of a character (-1 when none), the character of
// a style ("-" for unknown styles).
int QtfNumberOfChar(int c);
int QtfNumberChar(int style);

// "p" line spacing letters "o", "h", "d", "w".
int         QtfLineSpacingOfChar(int c);
const char* QtfLineSpacingCode(int linespacing);

} // namespace Qel::detail
