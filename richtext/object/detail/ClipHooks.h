// The clipboard hooks as the "image" object type reads them.
#pragma once

#include <richtext/object/RichTextHooks.h>

namespace Qel::detail {

struct RichImageClipHooks {
	RichImageClipDataFn    data = nullptr;
	RichImageAcceptClipFn  accept = nullptr;
	RichImageReadClipFn    read = nullptr;
	RichImageClipFormatsFn formats = nullptr;
};

// A copy of the four taken together under their lock.
RichImageClipHooks GetRichImageClipHooks();

} // namespace Qel::detail
