// Internals shared by the font sources: the font mutex and the FreeType face cache.
#pragma once

#include <Core/container/Vector.h>
#include <Core/text/String.h>
#include <Core/thread/Thread.h>

typedef struct FT_FaceRec_* FT_Face;
typedef struct _FcPattern FcPattern;

namespace Qel {
class Font;
struct FontMetrics;
struct GlyphInfo;
}

namespace Qel::detail {

// Guards the face list, the standard font, the face cache and every use of a FreeType face.
Mutex& FontMutex();

struct FaceInfo {
	using Relocatable = void;
	String name;
	dword  info;
};
const Vector<FaceInfo>& FaceList();

FcPattern* MatchFcPattern(Font font);
FT_Face    OpenFTFace(FcPattern* pattern, String* path = nullptr, int* index = nullptr);
// The cached face of a resolved font; font mutex held.
FT_Face    GetFTFace(Font font, String* path = nullptr);

// FreeType measurement of one glyph (missing: width 0x8000, the rest 0); font mutex held.
GlyphInfo  MeasureGlyph(Font font, int ch);
// Fills the metric record of a resolved font; font mutex held.
void       ComputeMetrics(Font font, FontMetrics& m);

bool IsEmojiChar(int ch);

// Bytes of one table of the font at face_index in a font file (a collection or a single font).
String ReadFontTable(const char* path, int face_index, const char* table, int64 offset, int64 size);

} // namespace Qel::detail
