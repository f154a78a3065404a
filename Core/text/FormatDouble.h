// Decimal text of doubles and floats, and doubles from decimal text, with exact rounding
// from a table of 128-bit powers of ten (no system formatting or scanning routine).
#pragma once

#include <Core/base/Defs.h>

namespace Qel {

class String;

enum : dword {
	DF_SIGN_PLUS     = 0x1,
	DF_MINUS_ZERO    = 0x2,
	DF_EXP_SIGN      = 0x4,
	DF_CAPITAL_E     = 0x8,
	DF_KEEP_ZEROS    = 0x10,
	DF_FIXED         = 0x20,
	DF_EXPONENT      = 0x40,
	DF_COMMA         = 0x80,
	DF_SHORT_EXP     = 0x1000,
	DF_SPECIALS      = 0x2000,
	DF_SIGN_SPACE    = 0x4000,
	DF_ALWAYS_POINT  = 0x8000,
};

// Bits 16-19: zeros allowed after the separator before the general form switches to the exponent form.
constexpr dword DF_ZEROS_BEFORE_EXP(int n) { return dword(n & 15) << 16; }
constexpr dword DF_ZEROS_BEFORE_EXP_MASK = 0xF0000;

// x = m * 2^(e2 - 64), m with its top bit set.
struct DecomposedDouble {
	int32  e2 = 0;
	uint64 m  = 0;
};

DecomposedDouble DecomposeDouble(double x); // x finite and non-zero; the sign is ignored

// Writes exactly n (1..18) correctly rounded significant digits; returns the decimal exponent
// of the last one (x ~ digits * 10^result).
int DoubleToDigits(const DecomposedDouble& d, char* out, int n);

// Buffer forms return the end of the text (no terminator written). The buffer must hold 512 bytes,
// plus the decimals beyond 18 for the fixed and exponent forms.
char* FormatDoubleGBuffer(char* buffer, double x);
char* FormatDoubleBuffer(char* buffer, double x, int digits, dword flags);
char* FormatDoubleFixBuffer(char* buffer, int decimals, dword flags, double x);
char* FormatDoubleExpBuffer(char* buffer, double x, int precision, dword flags);

String FormatDouble(double x);
String FormatDoubleG(double x);
String FormatFloat(float x);
String FormatDouble(double x, int digits, dword flags = 0);
String FormatDoubleFix(double x, int decimals, dword flags = 0);

// Returns the position after the number, or null when the text holds no number (out is then untouched).
const char* ScanDoubleText(double* out, const char* text, int altsep, bool exponent);
double ScanDouble(const char* text);
double ScanDouble(const char* text, const char** end);
float  ScanFloat(const char* text);

namespace detail {
struct PowerOfTen {
	int32  b;
	uint64 hi;
	uint64 lo;
};
extern const PowerOfTen PowersOfTen[701]; // 10^k at k + 350
} // namespace detail

} // namespace Qel
