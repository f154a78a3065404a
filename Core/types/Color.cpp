#include "Color.h"
#include <Core/text/String.h>
#include <Core/thread/Thread.h>

#include <atomic>
#include <cmath>

namespace Qel {

namespace {

constexpr int SLOT_COUNT = 1024;

struct SystemSlot {
	Color (*fn)() = nullptr;
	std::atomic<dword> value{0};
};

constinit SystemSlot sSlots[SLOT_COUNT];
constinit std::atomic<int> sSlotCount{0};
StaticMutex sColorMutex;
constinit std::atomic<bool> sDarkTransform{false};

struct DarkCache {
	dword key[256];
	dword value[256];
	bool  ready = false;
};

thread_local DarkCache tDarkCache;

int sClamp255(int x)
{
	return x < 0 ? 0 : x > 255 ? 255 : x;
}

dword sResolveSlot(dword index)
{
	if(index >= SLOT_COUNT)
		return 0;
	SystemSlot& s = sSlots[index];
	dword v = s.value.load(std::memory_order_acquire);
	if(!(v & Color::SYSTEM_BIT))
		return v;
	Mutex::Lock lock(sColorMutex);
	v = s.value.load(std::memory_order_acquire);
	if(v & Color::SYSTEM_BIT) { // a thread before us may have resolved it meanwhile
		v = s.fn ? s.fn().Get() & 0xFFFFFF : 0;
		s.value.store(v, std::memory_order_release);
	}
	return v;
}

} // namespace

dword Color::GetSlow() const
{
	if(color & SPECIAL_BIT)
		return 0;
	if(color & ADJUSTED_BIT)
		return sDarkTransform.load(std::memory_order_relaxed) ? DarkThemeCached(FromRaw(color & 0xFFFFFF)).GetRaw()
		                                                       : color & 0xFFFFFF;
	return sResolveSlot(color & 0xFFFFFF);
}

Color::Color(RGBA p)
{
	if(p.a == 0) {
		color = NULL_WORD;
		return;
	}
	if(p.a == 255) {
		color = Color(p.r, p.g, p.b).color;
		return;
	}
	// A channel above its alpha is not premultiplied; it saturates rather than wrapping to dark.
	int f = 65536 / p.a;
	auto ch = [f](int c) { return min((c * f) >> 8, 255); };
	color = Color(ch(p.r), ch(p.g), ch(p.b)).color;
}

RGBA Color::ToRGBA() const
{
	if(IsNull())
		return RGBA{0, 0, 0, 0};
	dword c = Get();
	return RGBA{byte(c >> 16), byte(c >> 8), byte(c), 255};
}

String Color::ToString() const
{
	String s;
	if(IsNull())
		return "Color(Null)";
	if(color & SPECIAL_BIT) {
		s << "Color::Special(" << int(color & 0x3FFFFFFF) << ")";
		return s;
	}
	if(!(color & ADJUSTED_BIT) && (color & SYSTEM_BIT))
		s << "SColor(" << int(color & 0xFFFFFF) << ") -> ";
	s << "Color(" << GetR() << ", " << GetG() << ", " << GetB() << ")";
	return s;
}

const Color& NullColorRef()
{
	static constexpr Color c;
	return c;
}

SColor::SColor(Color (*fn)())
{
	int slot = min(sSlotCount.fetch_add(1, std::memory_order_relaxed), SLOT_COUNT - 1);
	SystemSlot& s = sSlots[slot];
	Mutex::Lock lock(sColorMutex);
	s.fn = fn;
	if(fn)
		s.value.store(fn().Get() & 0xFFFFFF, std::memory_order_release);
	color = SYSTEM_BIT | dword(slot);
}

void SColor::Set(Color c)
{
	dword index = color & 0xFFFFFF;
	if(index >= SLOT_COUNT)
		return;
	dword v = Color::FromRaw(c.Get()).Get() & 0xFFFFFF;
	Mutex::Lock lock(sColorMutex);
	sSlots[index].value.store(v, std::memory_order_release);
}

void SColor::RefreshAll()
{
	Mutex::Lock lock(sColorMutex);
	int n = min(sSlotCount.load(std::memory_order_relaxed), SLOT_COUNT);
	for(int i = 0; i < n; i++)
		if(sSlots[i].fn)
			sSlots[i].value.store(SYSTEM_BIT, std::memory_order_release);
}

void SetDarkThemeTransform(bool on)
{
	sDarkTransform.store(on, std::memory_order_relaxed);
}

bool IsDarkThemeTransform()
{
	return sDarkTransform.load(std::memory_order_relaxed);
}

Color DarkTheme(Color color)
{
	if(color.IsNull())
		return Color();
	// The lightest 30 levels map logarithmically onto the darkest ones, keeping near-whites apart.
	static const struct Table {
		double t[30];
		Table()
		{
			for(int i = 0; i < 29; i++)
				t[i] = 29 * std::log(1.0 + i) / std::log(30.0);
			t[29] = 29; // exactly, where the quotient of logs lands just below
		}
	} table;
	dword c = color.Get();
	int r = c & 255, g = (c >> 8) & 255, b = (c >> 16) & 255;
	int m = min(r, min(g, b));
	r -= m;
	g -= m;
	b -= m;
	int lightness = sClamp255(int(0.32 * r + 0.5 * g + 0.2 * b + m));
	int inv = 255 - lightness;
	double v = lightness < 226 ? inv : table.t[inv];
	double k = v / 128;
	int mx = max(r, max(g, b));
	if(k * mx >= 255)
		k = 255.0 / mx;
	double r2 = r * k, g2 = g * k, b2 = b * k;
	double base = v - (0.32 * r2 + 0.5 * g2 + 0.2 * b2);
	return Color(sClamp255(int(r2 + base)), sClamp255(int(g2 + base)), sClamp255(int(b2 + base)));
}

Color DarkThemeCached(Color c)
{
	DarkCache& cache = tDarkCache;
	if(!cache.ready) {
		for(int i = 0; i < 256; i++) {
			cache.key[i] = 0;
			cache.value[i] = 0xFFFFFF; // the right answer for key 0, black
		}
		cache.ready = true;
	}
	dword w = c.GetRaw();
	int slot = dword(w * 0x8E86671Bu) >> 24;
	if(cache.key[slot] != w) {
		cache.key[slot] = w;
		cache.value[slot] = DarkTheme(c).GetRaw();
	}
	return Color::FromRaw(cache.value[slot]);
}

Color Blend(Color c1, Color c2, int alpha)
{
	dword a = c1.Get(), b = c2.Get();
	int f = alpha + (alpha >> 7);
	auto ch = [f](int x, int y) { return sClamp255(x + (((y - x) * f) >> 8)); };
	return Color(ch(a & 255, b & 255), ch((a >> 8) & 255, (b >> 8) & 255), ch((a >> 16) & 255, (b >> 16) & 255));
}

int Grayscale(Color c)
{
	dword w = c.Get();
	return (77 * (w & 255) + 151 * ((w >> 8) & 255) + 28 * ((w >> 16) & 255)) >> 8;
}

bool IsDark(Color c)
{
	dword w = c.Get();
	return 77 * (w & 255) + 151 * ((w >> 8) & 255) + 28 * ((w >> 16) & 255) < 20480;
}

RGBA MakeRGBA(int alpha, Color c)
{
	dword w = c.Get();
	int a = alpha + alpha / 128;
	return RGBA{byte(((w >> 16 & 255) * a) >> 8), byte(((w >> 8 & 255) * a) >> 8), byte(((w & 255) * a) >> 8), byte(alpha)};
}

} // namespace Qel
