// Fuzzed font tables: the "cmap" parser over the bytes, and the table reader over the bytes as
// a font file. Both stay inside the data and end quickly, whatever the counts claim.
#include <draw/font/Font.h>
#include <draw/detail/FontInt.h>

#include <cstdio>
#include <unistd.h>

using namespace Qel;

// fontconfig loses a block while it reads some system configurations (not with the tests'
// private one); that is not ours to find.
extern "C" const char* __lsan_default_suppressions()
{
	return "leak:libfontconfig.so\n";
}

// fontconfig keeps its configuration where the leak checker cannot see it: load it up front.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
	(void)Font::FindFaceName("serif");
	(void)Font(2, 12).GetCy();
	return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	int64 sum = 0;
	for(dword flags = 0; flags < 4; flags++)
		ParseCmap((const char*)data, int(size), [&](int a, int b, int g) { sum += int64(b) - a + g; }, flags);
	static char path[] = "/tmp/qel-fuzz-font-XXXXXX";
	static int fd = mkstemp(path);
	if(fd < 0)
		return 0;
	if(ftruncate(fd, 0) == 0 && pwrite(fd, data, size, 0) == ssize_t(size)) {
		int index = size ? data[0] & 3 : 0;
		String t = detail::ReadFontTable(path, index, "cmap", 0, INT_MAX);
		ParseCmap(~t, t.GetLength(), [&](int a, int, int) { sum += a; }, CMAP_GLYPHS);
		detail::ReadFontTable(path, index, "OS/2", 32, 10);
		detail::ReadFontTable(path, 0, "head", size ? data[size - 1] : 0, 8);
	}
	return 0;
}
