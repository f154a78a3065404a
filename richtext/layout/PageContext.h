// RichPageContext: the state of a walk over laid-out rich text: the page area, the position,
// the page header and footer in force with their heights, and the numbering counters. Every
// measurement, painting and position query walks the parts with one, so all agree on where
// each part lies.
#pragma once

#include <richtext/base/PagePos.h>
#include <richtext/para/RichStyle.h>

namespace Qel {

class RichText;

struct RichPageContext {
	const RichText*                  text = nullptr;   // the document walked at the outermost level
	const ArrayMap<Uuid, RichStyle>* styles = nullptr;
	const RichText*                  header = nullptr; // in force; null: none
	const RichText*                  footer = nullptr;
	int                              header_wanted = 0; // their heights; 0 when dropped
	int                              footer_wanted = 0;
	int                              header_current = 0; // what the current page was laid out with
	int                              footer_current = 0;
	int                              measured_cx = -1;  // the width the wanted heights are for
	Rect                             page;             // the current page's area for text
	PagePos                          py;
	RichPara::Number                 number;           // the counters before the next paragraph
	// Tables around this walk that repeat header rows: each lays the cells of its header rows
	// out twice (where they repeat and where they first stand), so the tables in them are laid
	// out from twice as many places. Past a few such tables, no further header repeats.
	int                              header_tables = 0;

	int GetWidth() const  { return page.right - page.left; }
	int GetHeight() const { return page.bottom - page.top; }

	// The page area takes the wanted header and footer heights.
	void ApplyWanted();
	// To the top of the next page.
	void PageBreak();
	// Sets the header and footer in force and measures them (page-number fields as wide as
	// six digits); both heights are 0 when together they take more than 4/5 of the page.
	// The current page keeps its area until the next page break. The ones in force already
	// are not measured again (paragraphs mostly start the header they inherit). Their page
	// fields are set: they must not be documents defined const.
	void NewHeaderFooter(const RichText* header, const RichText* footer);
};

} // namespace Qel
