// The page of the rendered-page test and its reference picture (tests/data/richtext/page.png),
// shared by the test and by qel_richtext_reference, which writes the picture again.
#pragma once

#include <richtext/RichText.h>

namespace QelTest {

using namespace Qel;

// The reference picture, from the source tree.
inline const char* RenderedPageReference() { return QEL_TEST_DATA "/richtext/page.png"; }

// The page painted at screen zoom onto white, 600 x 560 pixels.
Image RenderPage();

} // namespace QelTest
