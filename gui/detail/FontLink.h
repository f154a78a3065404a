// What the GUI's cairo fonts take from the font module's internals: the fontconfig match that a
// font's metrics and glyph indices come from, and its FreeType face. Declared here rather than
// included, so that the GUI does not depend on where the font module keeps its private header.
#pragma once

#include <Core/Core.h>

typedef struct FT_FaceRec_* FT_Face;
typedef struct _FcPattern FcPattern;

namespace Qel {
class Font;
}

namespace Qel::detail {

// Guards every use of a FreeType face of the font module.
Mutex&     FontMutex();
// The caller destroys the pattern.
FcPattern* MatchFcPattern(Font font);
// The cached face of a resolved font; font mutex held.
FT_Face    GetFTFace(Font font, String* path);

} // namespace Qel::detail
