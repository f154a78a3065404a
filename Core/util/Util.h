// Small services: integer and rounding helpers, hexadecimal text, memory search, type numbers,
// permanent strings, named global settings, desktop sounds and the signing hook.
#pragma once

#include <Core/text/String.h>

#include <cmath>
#include <typeinfo>

namespace Qel {

// a * b / c with a 64-bit product, truncated toward zero; c must not be 0.
inline int ScaleInt(int a, int b, int c) { return int(int64(a) * b / c); }

// a / b rounded toward minus and plus infinity, for either sign of a and b.
inline int IntDivFloor(int a, int b)
{
	int q = a / b, r = a % b;
	return r && ((r < 0) != (b < 0)) ? q - 1 : q;
}

inline int IntDivCeil(int a, int b)
{
	int q = a / b, r = a % b;
	return r && ((r < 0) == (b < 0)) ? q + 1 : q;
}

namespace detail {
inline int ClampToInt(double x)
{
	if(std::isnan(x))
		return INT_NULL; // the int Null
	return x >= 2147483647.0 ? 2147483647 : x <= -2147483648.0 ? INT_NULL : int(x);
}
} // namespace detail

// Nearest int (halves up), clamped to the int range; NaN gives the int Null.
inline int RoundToInt(double x) { return detail::ClampToInt(std::isnan(x) ? x : std::floor(x + 0.5)); }
inline int FloorToInt(double x) { return detail::ClampToInt(std::isnan(x) ? x : std::floor(x)); }
inline int CeilToInt(double x)  { return detail::ClampToInt(std::isnan(x) ? x : std::ceil(x)); }

// Real roots of a x² + b x + c = 0 into out; returns how many (0, 1 or 2). One root is written
// to both outputs.
int SolveQuadratic(double a, double b, double c, double* out);
inline int SolveQuadraticEquation(double a, double b, double c, double* out) { return SolveQuadratic(a, b, c, out); }

// Two lower-case hex digits per byte, sep after every step bytes (none when step < 1).
String HexString(const void* data, int count, int step = 2147483647, int sep = ' ');
String HexString(const String& s, int step = 2147483647, int sep = ' ');
// Pairs of hex digits back into bytes; anything that is not a hex digit is skipped.
String ScanHexString(const char* begin, const char* end);
String ScanHexString(const String& s);

// First position p >= from where needle occurs in the block, or -1. A negative from counts as 0.
int MemFind(const void* block, int len, const void* needle, int nlen, int from = 0);

// A small number for a type name, the same on every call; names are interned for good.
int RegisterTypeNo(const char* name);
template <class T>
int StaticTypeNo()
{
	static const int n = RegisterTypeNo(typeid(T).name());
	return n;
}

// A copy that is never freed (for texts that live until exit).
const char* PermanentStrdup(const char* s);

// Named settings shared by the whole process; a name is registered once, with empty data.
void   RegisterGlobalSetting(const char* name);
String GetGlobalSetting(const char* name);
void   SetGlobalSetting(const char* name, const String& data);

// Plays "/usr/share/sounds/<theme>/stereo/dialog-<name>" in the background; nothing when no
// player is found. Only names of letters, digits, '_' and '-' are played.
void PlaySystemSound(const char* name);
void BeepInformation();
void BeepWarning();
void BeepError();
void BeepQuestion();

// Signs data through the installed hook; empty when none is installed.
using Pkcs7SignHook = String (*)(const void* data, int length, const String& cert, const String& key);
void   InstallPkcs7Sign(Pkcs7SignHook hook);
String Pkcs7Sign(const String& data, const String& cert, const String& key);

} // namespace Qel
