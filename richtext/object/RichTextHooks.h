// The rich-text entry points that the GUI core calls from its static initialisers: the module's
// once-initialiser and the clipboard hooks of the "image" object type. Both are safe before main.
#pragma once

#include <draw/Draw.h>

namespace Qel {

// The GUI core's clipboard offer; rich text only passes it on to the hooks.
class PasteSource;

// Marks the rich-text module as initialised, once per process; it has no other effect.
void RichTextInitOnce();

// The clipboard functions of the "image" object type, in this order: the data of an image (an
// Image value) in a clipboard format, whether an offer holds an image, the image of an offer,
// the list of formats. A null hook leaves the operation at its default (no clipboard).
using RichImageClipDataFn    = String (*)(const Value& img, const String& format);
using RichImageAcceptClipFn  = bool (*)(PasteSource& clip);
using RichImageReadClipFn    = Image (*)(PasteSource& clip);
using RichImageClipFormatsFn = String (*)();

void SetRichImageClipboardHooks(RichImageClipDataFn data, RichImageAcceptClipFn accept,
                                RichImageReadClipFn read, RichImageClipFormatsFn formats);

} // namespace Qel
