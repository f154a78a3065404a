// SVG documents on a Painter: a forgiving reader of a subset (basic shapes, paths, text, groups,
// nested documents, "use", presentation attributes, class style sheets, transforms, lengths with
// units, colours and gradients). The root element is drawn in its own user units: no viewport is
// applied.
#pragma once

#include <Core/types/Color.h>
#include <Core/base/Function.h>
#include <Core/types/Gtypes.h>
#include <Core/text/String.h>
#include <draw/image/Image.h>

namespace Qel {

class Painter;

// Asked for the data behind an image reference: (reference, data to fill in).
using SvgResourceLoader = Function<void (String, String&)>;

// Renders the document onto p in its current transform; false when the text is not
// well-formed XML.
bool  RenderSVG(Painter& p, const char* svg, SvgResourceLoader resloader = {});
// Bounds of what the document fills or strokes (strokes widened by half their width), in root
// coordinates; Null (all four coordinates non-finite) when nothing is painted or the text is not
// well-formed XML.
Rectf GetSVGBoundingBox(const char* svg);
// The document scaled to fit sz less a margin of 10 pixels, on opaque white.
Image RenderSVGImage(Size sz, const char* svg, SvgResourceLoader resloader);
Image RenderSVGImage(Size sz, const String& svg);
// Whether the first tag of the text is "svg".
bool  IsSVG(const char* svg);
// Exact bounds of SVG path data, without stroke; Null for empty data.
Rectf GetSvgPathBoundingBox(const char* path);

// A colour as documents write it: "#rgb", "#rgba", "#rrggbb", "#rrggbbaa", "rgb()", "rgba()",
// "hsl()", "hsla()" or one of the keyword names, without its alpha; Null for "none",
// "transparent", "currentColor" and anything not recognised.
Color GetSvgColor(const String& text);
Color GetSvgNamedColor(const String& name);

} // namespace Qel
