// Edges and frames drawn through a Draw's rectangle and image operations alone: plain frames,
// borders from tables of theme colours, tiled images, highlighted or disabled icons and the
// rounded 3-D face of buttons.
#pragma once

#include <draw/canvas/DrawTarget.h>
#include <draw/theme/Theme.h>

namespace Qel {

// A colour that is asked for when drawn, so tables of them follow the theme.
using ColorF = Color (*)();

// A border table: the ring count n (cast to ColorF), then n rings of four colours (left, top,
// right, bottom), the outermost first.
const ColorF* TextColorBorder();
const ColorF* OutsetBorder();
const ColorF* ThinOutsetBorder();
const ColorF* ThinInsetBorder();

// The ring count of a border table (0 for none).
inline int GetBorderRingCount(const ColorF* table) { return table ? int(reinterpret_cast<intptr_t>(table[0])) : 0; }

// A frame of thickness n inside r; a negative n puts it outside.
void DrawFatFrame(Draw& w, int x, int y, int cx, int cy, Color color, int n);
void DrawFatFrame(Draw& w, const Rect& r, Color color, int n);
// A 1-pixel frame inside r; the right and bottom lines own the corners.
void DrawFrame(Draw& w, int x, int y, int cx, int cy, Color color);
void DrawFrame(Draw& w, const Rect& r, Color color);

void DrawBorder(Draw& w, int x, int y, int cx, int cy, const ColorF* table);
void DrawBorder(Draw& w, const Rect& r, const ColorF* (*table)());

// Copies of img from r's top-left corner, clipped to r.
void DrawTiles(Draw& w, int x, int y, int cx, int cy, const Image& img);
void DrawTiles(Draw& w, const Rect& r, const Image& img);

// An icon, with a halo in the mask colour when highlighted (none when mask is Null) and
// etched when disabled.
void DrawHighlightImage(Draw& w, int x, int y, const Image& img, bool highlight = false, bool enabled = true,
                        Color mask = Color());

// A button face with soft rounded corners; r shrinks to what the edge leaves inside. Kind in the
// low 4 bits; 0x100 gradient sideways; 0x200, 0x400 (disabled), 0x800 variants.
void DrawRoundedEdge(Draw& w, Rect& r, dword style);

} // namespace Qel
