// RichStyle: a named paragraph style of a document. Paragraphs are stored as differences from
// their style's format, so every store and every read of a paragraph goes through GetStyle.
#pragma once

#include <richtext/para/RichPara.h>

namespace Qel {

struct RichStyle {
	RichPara::Format format;
	String           name;
	Uuid             next; // the style a following paragraph gets
};

// The style stored under id, else a process-wide default style (the default paragraph format).
// The reference lives as long as the map is not changed.
const RichStyle& GetStyle(const ArrayMap<Uuid, RichStyle>& s, const Uuid& id);

} // namespace Qel
