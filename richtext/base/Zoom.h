// Zoom: the ratio that turns rich-text lengths (1/600 inch) into device units, and the
// process-wide ratio of the screen, which the GUI sets once it has measured its fonts.
#pragma once

#include <Core/Core.h>

namespace Qel {

struct Zoom {
	int m = 1; // multiplier
	int d = 1; // divisor

	constexpr Zoom() = default;
	constexpr Zoom(int m, int d) : m(m), d(d) {}

	// v * m / d with a 64-bit product; 0 for a zoom whose divisor is 0.
	int operator*(int v) const                 { return d ? ScaleInt(v, m, d) : 0; }
	friend int operator*(int v, Zoom z)        { return z * v; }
	constexpr bool operator==(const Zoom&) const = default;
};

// The standard screen zoom, 96/600 until the GUI sets its own. It is read and written as one
// 64-bit word, so a reader on another thread never sees half an update.
Zoom GetRichTextStdScreenZoom();
void SetRichTextStdScreenZoom(int m, int d);
inline Zoom RichTextScreenZoom() { return GetRichTextStdScreenZoom(); }

} // namespace Qel
