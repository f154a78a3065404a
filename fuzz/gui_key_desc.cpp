// Key names of fuzzed 32-bit key codes: every text is valid UTF-8 (no surrogates, nothing past
// U+10FFFF, no raw bytes of the conversion escapes), the modifier prefixes come in their order,
// and key 0 alone is nameless.
#include <gui/Gui.h>

#include <cstdlib>
#include <cstring>

using namespace Qel;

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

// Strict UTF-8: shortest forms, no surrogates, at most U+10FFFF.
bool ValidUtf8(const unsigned char* s, int n)
{
	for(int i = 0; i < n;) {
		unsigned c = s[i];
		int len = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
		if(!len || i + len > n)
			return false;
		unsigned cp = len == 1 ? c : c & (0x7F >> len);
		for(int k = 1; k < len; k++) {
			if((s[i + k] & 0xC0) != 0x80)
				return false;
			cp = cp << 6 | (s[i + k] & 0x3F);
		}
		static const unsigned least[] = {0, 0, 0x80, 0x800, 0x10000};
		if(cp < least[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
			return false;
		i += len;
	}
	return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	for(size_t i = 0; i + 4 <= size; i += 4) {
		dword key;
		memcpy(&key, data + i, 4);
		String s = GetKeyDesc(key);
		Check(ValidUtf8((const unsigned char*)s.Begin(), s.GetLength()));
		Check(s.IsEmpty() == (key == 0));
		// the escapes of raw bytes never show as characters
		Check(s.Find("\xEE\xB8") < 0 && s.Find("\xEE\xB9") < 0 && s.Find("\xEE\xBA") < 0 && s.Find("\xEE\xBB") < 0);
		int ctrl = s.Find("Ctrl+"), alt = s.Find("Alt+"), shift = s.Find("Shift+");
		if(key & 0x400000)
			Check(ctrl >= 0 && (alt < 0 || ctrl < alt) && (shift < 0 || ctrl < shift));
		if((key & 0x1000000) && (key & 0x800000))
			Check(alt >= 0 && shift >= 0 && alt < shift);
	}
	return 0;
}
