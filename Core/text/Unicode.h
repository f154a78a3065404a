// Per-character Unicode queries: simple case mapping, letter tests, ASCII fallback.
// Code points below U+0800 are answered from constant tables; higher ones from a table that is
// unpacked from compressed data the first time it is needed.
#pragma once

#include "UnicodeTables.h"

namespace Qel {

namespace detail {

int  UnicodeToUpperHi(int c);
int  UnicodeToLowerHi(int c);
int  UnicodeToAsciiHi(int c);
bool UnicodeIsLetterHi(int c);
bool UnicodeIsLowerHi(int c);

extern const byte UnicodeData[];
extern const int  UnicodeDataSize;
extern const int  UnicodeDataRawSize;

} // namespace detail

inline int UnicodeToUpper(int c)     { return (unsigned)c < 2048 ? detail::UnicodeUpper800[c] : detail::UnicodeToUpperHi(c); }
inline int UnicodeToLower(int c)     { return (unsigned)c < 2048 ? detail::UnicodeLower800[c] : detail::UnicodeToLowerHi(c); }
inline int UnicodeToAscii(int c)     { return (unsigned)c < 2048 ? detail::UnicodeAscii800[c] : detail::UnicodeToAsciiHi(c); }
inline bool UnicodeIsLetter(int c)   { return (unsigned)c < 2048 ? detail::UnicodeFlags800[c] & 4 : detail::UnicodeIsLetterHi(c); }
inline bool UnicodeIsLower(int c)    { return (unsigned)c < 2048 ? detail::UnicodeFlags800[c] & 1 || detail::UnicodeUpper800[c] != c
                                                                 : detail::UnicodeIsLowerHi(c); }

// Upper case of a code point.
inline int ToUpper(int c)            { return UnicodeToUpper(c); }

} // namespace Qel
