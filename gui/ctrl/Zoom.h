// Layout zoom: dialog layouts are written for a reference font and scaled to the size that a
// fixed text takes in the actual standard font; never below 1:1.
#pragma once

#include <draw/Draw.h>

namespace Qel {

// Computes the zoom when it is not known (first use, after a re-skin).
void ComputeLayoutZoom();
// v scaled; the special size codes (below -15999) pass unchanged.
int  HorzLayoutZoom(int v);
int  VertLayoutZoom(int v);
Size LayoutZoom(int cx, int cy);
Size LayoutZoom(Size sz);
// The standard face at the zoomed height.
Font StdFontZoomed(int height);

namespace detail {

// The size of the zoom text in the standard font; tests replace it (null restores it).
void SetZoomTextMeasure(Size (*measure)());
// Lets PostReSkin queue a re-skin; nothing in the system turns it on.
void SetPostReSkin(bool on);

} // namespace detail

} // namespace Qel
