// Positions in laid-out rich text: the caret of a text position (where an editor draws its
// cursor) and the descriptor of a position (the paragraph, table and cell it lies in, with the
// formats and the character there).
#pragma once

#include <richtext/para/RichPara.h>

namespace Qel {

// The caret rectangle runs from the caret's left edge to the right edge of the character after
// it, over the whole line; text units on page `page`. All zero: no caret.
struct RichCaret : Rect {
	int  page = 0;
	int  line_ascent = 0;
	int  caret_ascent = 0;   // of the character before the caret (the line's first at its start)
	int  caret_descent = 0;
	int  object_ypos = 0;    // the character at the caret: its ascent plus its ydelta
	int  object_ydelta = 0;
	int  line = 0;           // the line's index in its paragraph
	Rect text_page = Rect(0, 0, 0, 0); // the page area the paragraph was laid out in

	bool operator==(const RichCaret&) const = default;
};

struct RichPos {
	// The innermost table holding the position; all 0 when there is none.
	int table_index = 0;       // its part index in the text that holds it
	int table_text_parts = 0;  // parts of that text
	int table_start = 0;       // where the table begins in that text
	int table_text_length = 0;
	int table = 0;             // its number in document order, from 1, nested ones counted
	int columns = 0;
	int rows = 0;
	int cell_column = 0;
	int cell_row = 0;
	int table_length = 0;
	int pos_in_table = 0;
	int cell_length = 0;
	int pos_in_cell = 0;
	// The paragraph holding the position.
	int para_index = 0;
	int para_parts = 0;
	int pos_in_para = 0;
	int para_length = 0;
	int level = 0;             // tables the position lies inside
	int tables_before = INT_NULL; // tables before the text holding the innermost table; Null
	                              // until a table is entered

	RichPara::Format     format;     // the paragraph's, with the character format at the position
	int                  chr = 0;    // the character; 10 at the paragraph's end, -1 an object, -2 a field
	RichObject           object;
	TextId               field;
	String               fieldparam;
	RichPara::CharFormat fieldformat; // the first evaluated part's, for a field that has one
};

} // namespace Qel
