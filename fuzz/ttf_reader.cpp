// Fuzzed font files through TTFReader: the tables of the file's directory, the glyph map, the
// advances, a subset of glyphs named by the input and the OpenType program. Nothing reads
// outside the tables, and a subset reads back with the glyphs it was made of.
#include <pdf/Pdf.h>
#include <pdf/detail/Sfnt.h>

#include <stdlib.h>

using namespace Qel;
using namespace Qel::detail;

// Starting the drawing layer reads fontconfig's configuration, which loses a block; not ours.
extern "C" const char* __lsan_default_suppressions()
{
	return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	String file((const char*)data, int(size));
	auto table = [&](const String& f, const char* tag) {
		int n = BE16(f, 4);
		for(int i = 0; i < n; i++) {
			int64 r = 12 + 16 * int64(i);
			if(f.Mid(int(min<int64>(r, f.GetLength())), 4) == tag) {
				int64 at = BE32(f, r + 8), len = BE32(f, r + 12);
				if(at + len <= f.GetLength())
					return f.Mid(int(at), int(len));
			}
		}
		return String();
	};
	TTFReader r;
	if(!r.Open([&](const char* tag) { return table(file, tag); }))
		return 0;
	Vector<int> glyphs;
	int64 sum = 0;
	for(size_t i = 0; i + 1 < size && i < 64; i += 2) {
		int ch = data[i] << 8 | data[i + 1];
		glyphs.Add(i & 2 ? r.GetGlyph(ch) : ch);
		sum += r.GetAdvance(glyphs.Top());
	}
	String sub = r.Subset(glyphs);
	if(!r.IsCFF()) {
		TTFReader s;
		if(!s.Open([&](const char* tag) { return table(sub, tag); }) || s.GetGlyphCount() < 1)
			abort();
		Index<int> distinct;
		distinct.Add(0);
		for(int g : glyphs)
			distinct.FindAdd(g >= 0 && g < r.GetGlyphCount() ? g : 0);
		if(s.GetGlyphCount() < distinct.GetCount())
			abort();
		for(int i = 0; i < distinct.GetCount(); i++)
			if(s.GetAdvance(i) != r.GetAdvance(distinct[i]))
				abort();
	}
	sum += r.GetOpenType().GetLength();
	return sum == -1;
}
