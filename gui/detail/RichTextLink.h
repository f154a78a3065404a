// The GUI core's calls into the rich-text module.
#pragma once

namespace Qel::detail {

void RichTextInit();
void SetRichTextScreenZoom(int num, int den);

} // namespace Qel::detail
