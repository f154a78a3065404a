// Painter tests see only the private DejaVu font set, as the font tests do: the same glyphs on
// every machine, and nothing of the system's font configuration.
#include <cstdlib>
#include <unistd.h>

namespace {

struct sTestFonts {
	sTestFonts()
	{
		if(access(QEL_TEST_FONTS_CONF, R_OK) == 0) {
			setenv("FONTCONFIG_FILE", QEL_TEST_FONTS_CONF, 1);
			unsetenv("FONTCONFIG_PATH");
			unsetenv("FONTCONFIG_SYSROOT");
			unsetenv("FREETYPE_PROPERTIES");
		}
	}
} sTestFontsInit;

} // namespace
