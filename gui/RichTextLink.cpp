// The GUI core's calls into the rich-text module, all in this one place.
#include "detail/RichTextLink.h"

namespace Qel::detail {

// PENDING RICH TEXT: the rich-text module is not in this tree yet. Once it is, these call its
// RichTextInitOnce and SetRichTextStdScreenZoom directly and Qel::Gui links Qel::RichText.
void RichTextInit() {}
void SetRichTextScreenZoom(int, int) {}

} // namespace Qel::detail
