// The translation of fuzzed key events (key value, hardware key code, modifier state, press or
// release) on fuzzed key code maps: key values past 0x1fffff give no key; otherwise the code is
// a key code (or a control character of the special keys) with exactly the modifier bits held,
// a modifier key's own left out, and the release bit of a release.
#include <gui/Gui.h>
#include <gui/gtk/detail/KeyTranslate.h>

#include <gdk/gdk.h>

#include <cstdlib>

using namespace Qel;
using namespace Qel::detail;

extern "C" const char* __lsan_default_suppressions()
{
	return "leak:libfontconfig.so\nleak:libglib-2.0.so\nleak:libgobject-2.0.so\n";
}

namespace {

void Check(bool b)
{
	if(!b)
		abort();
}

KeycodeMap sLatin, sDigits;
const KeycodeMaps sMaps = {[]() -> const KeycodeMap& { return sLatin; }, []() -> const KeycodeMap& { return sDigits; }};

struct Reader {
	const uint8_t* p;
	const uint8_t* e;
	dword Get(int bytes)
	{
		dword v = 0;
		for(int i = 0; i < bytes; i++)
			v = v << 8 | (p < e ? *p++ : 0);
		return v;
	}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	Reader r{data, data + size};
	sLatin.Clear();
	sDigits.Clear();
	// the maps: key codes 8 to 255 as the server has them, key values of the Latin range (the
	// digit map only digits), a key code more than once at times
	int n = (int)r.Get(1) % 64;
	for(int i = 0; i < n; i++)
		sLatin.Add((int)r.Get(1), (int)(r.Get(1) % 255 + 1));
	n = (int)r.Get(1) % 16;
	for(int i = 0; i < n; i++)
		sDigits.Add((int)r.Get(1), '0' + (int)r.Get(1) % 10);
	while(r.p < r.e) {
		dword keyval = r.Get(4);
		int keycode = (int)r.Get(1);
		dword state = r.Get(2);
		bool release = r.Get(1) & 1;
		dword code = TranslateGdkKey(keyval, keycode, state, release, sMaps);
		if(keyval > 0x1fffff) {
			Check(code == 0);
			continue;
		}
		Check(code != 0);
		// each modifier is compared with the code as it stands when its turn comes
		dword base = code & 0x3fffff, want = base;
		if((state & GDK_SHIFT_MASK) && want != 0x20ffe1)
			want |= 0x800000;
		if((state & GDK_CONTROL_MASK) && want != 0x20ffe3)
			want |= 0x400000;
		if((state & GDK_MOD1_MASK) && want != 0x20ffe9)
			want |= 0x1000000;
		if(release)
			want |= 0x4000000;
		Check(code == want);
		Check(base >= 0x200000 || base <= 0x20); // a key code, a control character or the space
	}
	return 0;
}
