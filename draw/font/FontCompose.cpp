// Latin letters of U+0100-U+017F drawn as a base letter and an accent mark, for fonts that
// lack them.
#include "Font.h"
#include <draw/detail/FontInt.h>

namespace Qel {

namespace {

struct ComposeEntry {
	byte kind; // 0 not composable, 1 capital, 2 small
	char base;
	word accent; // 1: the apostrophe-like caron of ď and ľ, 2: that of Ľ
};

const ComposeEntry sCompose[128] = {
	{1, 'A', 0x00AF}, {2, 'a', 0x00AF}, {1, 'A', 0x02D8}, {2, 'a', 0x02D8},  // U+0100
	{1, 'A', 0x02DB}, {2, 'a', 0x02DB}, {1, 'C', 0x00B4}, {2, 'c', 0x00B4},  // U+0104
	{1, 'C', 0x02C6}, {2, 'c', 0x02C6}, {1, 'C', 0x02D9}, {2, 'c', 0x02D9},  // U+0108
	{1, 'C', 0x02C7}, {2, 'c', 0x02C7}, {1, 'D', 0x02C7}, {2, 'd', 0x0001},  // U+010C
	{1, 'D', 0x002D}, {2, 'd', 0x002D}, {1, 'E', 0x00AF}, {2, 'e', 0x00AF},  // U+0110
	{1, 'E', 0x02D8}, {2, 'e', 0x02D8}, {1, 'E', 0x02D9}, {2, 'e', 0x02D9},  // U+0114
	{1, 'E', 0x02DB}, {2, 'e', 0x02DB}, {1, 'E', 0x02C7}, {2, 'e', 0x02C7},  // U+0118
	{1, 'G', 0x02C6}, {2, 'g', 0x02C6}, {1, 'G', 0x02D8}, {2, 'g', 0x02D8},  // U+011C
	{1, 'G', 0x02D9}, {2, 'g', 0x02D9}, {1, 'G', 0x00B8}, {2, 'g', 0x00B8},  // U+0120
	{1, 'H', 0x02C6}, {2, 'h', 0x02C6}, {1, 'H', 0x002D}, {2, 'h', 0x002D},  // U+0124
	{1, 'I', 0x02DC}, {2, 'i', 0x02DC}, {1, 'I', 0x00AF}, {2, 'i', 0x00AF},  // U+0128
	{1, 'I', 0x02D8}, {2, 'i', 0x02D8}, {1, 'I', 0x02DB}, {2, 'i', 0x02DB},  // U+012C
	{1, 'I', 0x02D9}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0},                      // U+0130
	{1, 'J', 0x02C6}, {2, 'j', 0x02C6}, {1, 'K', 0x00B8}, {2, 'k', 0x00B8},  // U+0134
	{0, 0, 0}, {1, 'L', 0x00B4}, {2, 'l', 0x00B4}, {1, 'L', 0x00B8},        // U+0138
	{2, 'l', 0x00B8}, {1, 'L', 0x0002}, {2, 'l', 0x0001}, {1, 'L', 0x00B7},  // U+013C
	{2, 'l', 0x00B7}, {1, 'L', 0x002D}, {2, 'l', 0x002D}, {1, 'N', 0x00B4},  // U+0140
	{2, 'n', 0x00B4}, {1, 'N', 0x00B8}, {2, 'n', 0x00B8}, {1, 'N', 0x02C7},  // U+0144
	{2, 'n', 0x02C7}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0},                      // U+0148
	{1, 'O', 0x00AF}, {2, 'o', 0x00AF}, {1, 'O', 0x02D8}, {2, 'o', 0x02D8},  // U+014C
	{1, 'O', 0x02DD}, {2, 'o', 0x02DD}, {0, 0, 0}, {0, 0, 0},                // U+0150
	{1, 'R', 0x00B4}, {2, 'r', 0x00B4}, {1, 'R', 0x00B8}, {2, 'r', 0x00B8},  // U+0154
	{1, 'R', 0x02C7}, {2, 'r', 0x02C7}, {1, 'S', 0x00B4}, {2, 's', 0x00B4},  // U+0158
	{1, 'S', 0x02C6}, {2, 's', 0x02C6}, {1, 'S', 0x00B8}, {2, 's', 0x00B8},  // U+015C
	{1, 'S', 0x02C7}, {2, 's', 0x02C7}, {1, 'T', 0x00B8}, {2, 't', 0x00B8},  // U+0160
	{1, 'T', 0x02C7}, {2, 't', 0x002C}, {1, 'T', 0x002D}, {2, 't', 0x002D},  // U+0164
	{1, 'U', 0x02DC}, {2, 'u', 0x02DC}, {1, 'U', 0x00AF}, {2, 'u', 0x00AF},  // U+0168
	{1, 'U', 0x02D8}, {2, 'u', 0x02D8}, {1, 'U', 0x02DA}, {2, 'u', 0x02DA},  // U+016C
	{1, 'U', 0x02DD}, {2, 'u', 0x02DD}, {1, 'U', 0x02DB}, {2, 'u', 0x02DB},  // U+0170
	{1, 'W', 0x02C6}, {2, 'w', 0x02C6}, {1, 'Y', 0x02C6}, {2, 'y', 0x02C6},  // U+0174
	{1, 'Y', 0x00A8}, {1, 'Z', 0x00B4}, {2, 'z', 0x00B4}, {1, 'Z', 0x02D9},  // U+0178
	{2, 'z', 0x02D9}, {1, 'Z', 0x02C7}, {2, 'z', 0x02C7}, {0, 0, 0},        // U+017C
};

} // namespace

bool ComposeGlyph(Font font, int ch, ComposedGlyph& cg)
{
	if(ch < 0x100 || ch > 0x17F)
		return false;
	const ComposeEntry& e = sCompose[ch - 0x100];
	if(!e.kind)
		return false;
	int mark = e.accent;
	if(mark == 1 && font.IsFixedPitch())
		mark = 0x2C7;
	// The apostrophe-like carons are drawn with a comma, so that is the glyph that must exist.
	int shown = mark == 1 || mark == 2 ? ',' : mark;
	if(GetGlyphInfo(font, e.base).IsMissing() || GetGlyphInfo(font, shown).IsMissing())
		return false;
	cg.basechar = e.base;
	cg.mark_pos = Point(0, 0);
	cg.mark_font = font;
	cg.mark_char = shown;
	int h = font.GetHeight();
	int bw = GetGlyphInfo(font, e.base).width;
	int aw = GetGlyphInfo(font, shown).width;
	bool italic = font.IsItalic();
	if(mark == 1 || mark == 2) {
		cg.mark_pos.y = -(2 * h / 3);
		cg.mark_pos.x = mark == 1 ? bw - aw / 4 : bw - aw / 2;
		if(italic)
			cg.mark_pos.x += aw / 3;
	}
	else if(mark == 0x2DB) {
		cg.mark_pos.x = (bw - aw) / 2;
		if(italic)
			cg.mark_pos.x += aw / 5;
	}
	else if(mark == '-')
		;
	else if(mark == ',') {
		cg.mark_pos.y = -(3 * h / 4);
		cg.mark_pos.x = 4 * bw / 10;
		if(italic)
			cg.mark_pos.x += aw / 2;
	}
	else {
		if(e.kind == 1 && mark != 0xB8) {
			cg.mark_font = Font(font).Height(9 * h / 10);
			aw = GetGlyphInfo(cg.mark_font, mark).width;
			cg.mark_pos.y = mark == 0x2DA ? h / -19 : h / -10;
		}
		cg.mark_pos.x = (bw - aw) / 2;
		if(italic)
			cg.mark_pos.x += aw / 5;
	}
	return true;
}

} // namespace Qel
