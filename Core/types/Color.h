// Color: a 32-bit colour word 0x00BBGGRR that may also name a system colour slot, follow the
// light/dark theme, or be Null; RGBA, the premultiplied pixel that images hold.
#pragma once

#include <Core/base/Defs.h>

namespace Qel {

class String;
class Stream;
class Value;
class XmlIO;
class JsonIO;

// One premultiplied pixel, in memory order b, g, r, a.
struct RGBA {
	byte b, g, r, a;
};

static_assert(sizeof(RGBA) == 4);

constexpr bool operator==(const RGBA& x, const RGBA& y)
{
	return x.b == y.b && x.g == y.g && x.r == y.r && x.a == y.a;
}

class Color {
public:
	enum : dword {
		NULL_WORD     = 0xFFFFFFFF,
		SPECIAL_BIT   = 0x80000000, // Null or a special marker; resolves to black
		SYSTEM_BIT    = 0x40000000, // low 24 bits: a system colour slot
		ADJUSTED_BIT  = 0x20000000, // low 24 bits: the light-theme colour; dark-transformed when dark
	};

	constexpr Color() : color(NULL_WORD) {}
	constexpr Color(int r, int g, int b) : color(dword(r & 255) | dword(g & 255) << 8 | dword(b & 255) << 16) {}
	Color(RGBA p);
	Color(const Value& v); // Null gives Null; any type but Color throws ValueTypeError

	static constexpr Color FromRaw(dword w) { Color c; c.color = w; return c; }
	static constexpr Color Special(int n)    { return FromRaw(SPECIAL_BIT | (dword(n) & 0x3FFFFFFF)); }

	constexpr dword GetRaw() const           { return color; }
	constexpr bool  IsNull() const           { return color == NULL_WORD; }

	// The plain 0x00BBGGRR this colour shows now.
	dword Get() const
	{
		if(!(color & (SPECIAL_BIT | SYSTEM_BIT | ADJUSTED_BIT)))
			return color & 0xFFFFFF;
		return GetSlow();
	}
	int GetR() const                         { return Get() & 255; }
	int GetG() const                         { return (Get() >> 8) & 255; }
	int GetB() const                         { return (Get() >> 16) & 255; }

	RGBA   ToRGBA() const;
	String ToString() const;
	uint64 GetHashValue() const              { return color; }

	void Serialize(Stream& s);
	void Xmlize(XmlIO& xio);
	void Jsonize(JsonIO& jio);

	operator Value() const;

	constexpr bool operator==(const Color& b) const = default;

protected:
	dword color;

private:
	dword GetSlow() const;
};

// A system colour: one of 1,024 process-wide slots whose value a function gives on demand.
class SColor : public Color {
public:
	explicit SColor(Color (*fn)() = nullptr);

	// Stores a plain value into this slot (system and adjusted colours are resolved first).
	void Set(Color c);

	// Every slot asks its function again on next use (after a theme change).
	static void RefreshAll();
};

const Color& NullColorRef();

// A colour that shows as given under a light theme and as its dark counterpart under a dark one.
inline Color AdjustedColor(Color light) { return Color::FromRaw(Color::ADJUSTED_BIT | (light.Get() & 0xFFFFFF)); }

// The process-wide switch that the GUI's theme sets when the paper colour is dark.
void SetDarkThemeTransform(bool on);
bool IsDarkThemeTransform();

Color DarkTheme(Color c);
Color DarkThemeCached(Color c);
Color Blend(Color c1, Color c2, int alpha = 128);
int   Grayscale(Color c);
bool  IsDark(Color c);
RGBA  MakeRGBA(int alpha, Color c);

} // namespace Qel
