// Screen drawing through cairo: text in glyph runs, a cached image drawn often, fresh images
// drawn once, an ImageDraw filled and read back, and the painting of a control tree. Peers in
// gui_draw_peer.cpp; both sides draw the same inputs (GuiDrawCases.h) into image surfaces.
#include "GuiDrawCases.h"
#include "ProcStatus.h"

#include <gui/Gui.h>
#include <gui/paint/ImageDraw.h>
#include <gui/paint/detail/CairoCache.h>

#include <memory>

using namespace Qel;
using namespace bench;

namespace {

// Pixels darker than half: the two sides' text should ink about the same number.
int sInk(const Image& m)
{
	int n = 0;
	for(const RGBA& p : m)
		n += p.r < 128;
	return n;
}

void Text(benchmark::State& state)
{
	Vector<WString> lines;
	for(const std::string& s : TextLines())
		lines.Add(WString(s.c_str()));
	Font f(Font::FindFaceName("DejaVu Sans"), TEXT_PX);
	auto draw = [&](ImageDraw& d) {
		for(int i = 0; i < TEXT_STRINGS; i++)
			d.DrawText(TextX(i), TextY(i), lines[i], f, Color(0, 0, 0));
		d.FlushText();
	};
	ImageDraw d(CANVAS_CX, CANVAS_CY);
	d.DrawRect(0, 0, CANVAS_CX, CANVAS_CY, Color(255, 255, 255));
	draw(d);
	state.counters["ink"] = sInk(d.GetImage());
	for(auto _ : state)
		draw(d);
}

Image sImage(int n, int side)
{
	ImageBuffer ib(side, side);
	for(int y = 0; y < side; y++)
		for(int x = 0; x < side; x++)
			ImagePixel(n, x, y, (uint8_t*)&ib[y][x]);
	return Image(ib);
}

void CachedImage(benchmark::State& state)
{
	Image img = sImage(0, CACHED_SIDE);
	ImageDraw d(CANVAS_CX, CANVAS_CY);
	d.DrawImage(0, 0, img);
	for(auto _ : state)
		for(int i = 0; i < CACHED_DRAWS; i++)
			d.DrawImage(DrawX(i), DrawY(i), img);
}

void DistinctImages(benchmark::State& state)
{
	std::vector<Image> imgs;
	for(int i = 0; i < DISTINCT; i++)
		imgs.push_back(sImage(i, DISTINCT_SIDE));
	ImageDraw d(CANVAS_CX, CANVAS_CY);
	long base = ProcStatusKB("VmRSS:");
	for(auto _ : state) {
		for(int i = 0; i < DISTINCT; i++)
			d.DrawImage(DrawX(i), DrawY(i), imgs[i]);
		state.PauseTiming();
		detail::CairoImageCache().Clear(); // every round draws them for the first time
		state.ResumeTiming();
	}
	state.counters["peak_MB"] = ProcStatusKB("VmHWM:") / 1024.0;
	state.counters["above_inputs_MB"] = (ProcStatusKB("VmHWM:") - base) / 1024.0;
}

void FillAndRead(benchmark::State& state)
{
	for(auto _ : state) {
		ImageDraw d(FILL_CX, FILL_CY);
		d.DrawRect(0, 0, FILL_CX, FILL_CY, Color(255, 255, 255));
		for(int i = 0; i < FILL_RECTS; i++) {
			int x, y, cx, cy;
			FillRect(i, x, y, cx, cy);
			d.DrawRect(x, y, cx, cy, Color(i % 256, i * 7 % 256, i * 13 % 256));
		}
		Image m = d.GetImage();
		benchmark::DoNotOptimize(m);
	}
}

struct Cell : Ctrl {
	Color color;
	void Paint(Draw& w) override
	{
		Size sz = GetSize();
		w.DrawRect(0, 0, sz.cx, sz.cy, color);
		w.DrawRect(0, 0, sz.cx, 1, Color(0, 0, 0));
	}
};

void sPaintTree(benchmark::State& state, const Rect& clip)
{
	Ctrl root;
	root.SetRect(0, 0, GRID_COLUMNS * CELL_CX, GRID_CONTROLS / GRID_COLUMNS * CELL_CY);
	std::vector<std::unique_ptr<Cell>> cells;
	for(int i = 0; i < GRID_CONTROLS; i++) {
		cells.push_back(std::make_unique<Cell>());
		cells.back()->color = Color::FromRaw(CellColor(i));
		root.AddChild(cells.back().get());
		cells.back()->SetRect(i % GRID_COLUMNS * CELL_CX, i / GRID_COLUMNS * CELL_CY, CELL_CX, CELL_CY);
	}
	Rect r = root.GetRect();
	ImageDraw d(r.right, r.bottom);
	d.ClipOp(clip); // what the window's paint request would clip to
	for(auto _ : state)
		root.CtrlPaint(d, clip);
	d.EndOp();
}

void PaintTree(benchmark::State& state)
{
	sPaintTree(state, Rect(0, 0, GRID_COLUMNS * CELL_CX, GRID_CONTROLS / GRID_COLUMNS * CELL_CY));
}

void PaintTreeClip20(benchmark::State& state)
{
	sPaintTree(state, Rect(490, 490, 510, 510));
}

} // namespace

BENCHMARK(Text)->Name("Text2000x40/Qel")->Unit(benchmark::kMillisecond);
BENCHMARK(CachedImage)->Name("CachedImage64x10000/Qel")->Unit(benchmark::kMillisecond);
BENCHMARK(DistinctImages)->Name("DistinctImages5000/Qel")->Unit(benchmark::kMillisecond);
BENCHMARK(FillAndRead)->Name("Fill1000RectsRead/Qel")->Unit(benchmark::kMillisecond);
BENCHMARK(PaintTree)->Name("PaintTree1000/Qel")->Unit(benchmark::kMillisecond);
BENCHMARK(PaintTreeClip20)->Name("PaintTree1000Clip20/Qel")->Unit(benchmark::kMillisecond);
