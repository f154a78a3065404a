// Paint options, the page targets and their observer, and cached object images.
#include <richtext/paint/RichPaint.h>

namespace Qel {

void PaintRichSelection(Draw& w, int x, int y, int cx, int cy)
{
	if(cx > 0 && cy > 0) // an inverted rectangle turned inside out would invert its surroundings
		w.DrawRect(x, y, cx, cy, RICH_SELECTION_COLOR);
}

RichPaintInfo::RichPaintInfo()
:	link_color(ThemeMarkColor()), index_color(ThemeGreen()), highlight_color(ThemeYellow())
{
}

void RichPaintTracer::ParagraphBegin(const Rect&, PagePos, const RichPara&) {}
void RichPaintTracer::ParagraphEnd(PagePos) {}
void RichPaintTracer::TableBegin(const Rect&, PagePos, const RichTable&) {}
void RichPaintTracer::TableEnd(PagePos) {}
void RichPaintTracer::RowBegin(const Rect&, PagePos, int, const RichTable&) {}
void RichPaintTracer::RowEnd(PagePos) {}
void RichPaintTracer::CellBegin(const Rect&, PagePos, int, int, const RichTable&, PagePos) {}
void RichPaintTracer::CellEnd(PagePos) {}
RichPaintTracer::~RichPaintTracer() = default;

PageDraw::~PageDraw() = default;

String RichObjectImageMaker::Key() const
{
	int64 serial = object.GetSerialId();
	int32 size[2] = {sz.cx, sz.cy};
	uint64 ctx = uint64(uintptr_t(context));
	char key[24];
	memcpy(key, &serial, 8);
	memcpy(key + 8, size, 8);
	memcpy(key + 16, &ctx, 8);
	return String(key, 24);
}

Image RichObjectImageMaker::Make() const
{
	return object.ToImage(sz, context);
}

} // namespace Qel
