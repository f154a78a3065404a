// Text benchmarks measure with the private DejaVu set of the font tests on both sides, so that
// the framework and its peers see the same faces whatever the machine has installed. Only the
// standard library is used, so peer programs include it as freely as Qel's.
#pragma once

#include <cstdlib>
#include <unistd.h>

namespace bench {

// Points fontconfig at the private set; false when the build has none (tests not configured).
// To run before anything asks for a font: from a static initialiser.
inline bool UsePrivateFonts()
{
#ifdef QEL_BENCH_FONTS_CONF
	if(access(QEL_BENCH_FONTS_CONF, R_OK) == 0) {
		setenv("FONTCONFIG_FILE", QEL_BENCH_FONTS_CONF, 1);
		unsetenv("FONTCONFIG_PATH");
		unsetenv("FONTCONFIG_SYSROOT");
		unsetenv("FREETYPE_PROPERTIES");
		return true;
	}
#endif
	return false;
}

} // namespace bench
