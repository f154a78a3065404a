// Drawing playback: 100,000 rectangle and line records replayed onto a target that only counts
// the calls (what playback itself costs), and onto an image through ImageAnyDraw with the
// painter behind it (like with like), side by side with a cairo recording surface holding the
// same shapes painted onto an image surface.
#include <draw/Draw.h>
#include <painter/Painter.h>

#include <benchmark/benchmark.h>
#include <cairo.h>

#include <random>
#include <vector>

using namespace Qel;

namespace {

constexpr int COUNT = 100000;
constexpr int SIZE = 1000;

struct Shape {
	bool   line;
	int    x1, y1, x2, y2;
	byte   r, g, b;
};

const std::vector<Shape>& sShapes()
{
	static std::vector<Shape> v = [] {
		std::mt19937 rng(1);
		std::uniform_int_distribution<int> u(0, SIZE - 1), c(0, 255);
		std::vector<Shape> s(COUNT);
		for(int i = 0; i < COUNT; i++) {
			Shape& q = s[i];
			q.line = i & 1;
			q.x1 = u(rng);
			q.y1 = u(rng);
			q.x2 = q.line ? u(rng) : q.x1 + 1 + u(rng) % 50;
			q.y2 = q.line ? u(rng) : q.y1 + 1 + u(rng) % 50;
			q.r = (byte)c(rng);
			q.g = (byte)c(rng);
			q.b = (byte)c(rng);
		}
		return s;
	}();
	return v;
}

// Counts the calls and sums a coordinate of each, so nothing is optimised away.
struct CountingDraw : Draw {
	int64 calls = 0;
	int64 sum = 0;

	dword GetInfo() const override { return 0; }
	void BeginOp() override { calls++; }
	void EndOp() override { calls++; }
	void OffsetOp(const Point&) override { calls++; }
	bool ClipOp(const Rect&) override { calls++; return true; }
	bool ClipoffOp(const Rect&) override { calls++; return true; }
	bool ExcludeClipOp(const Rect&) override { calls++; return true; }
	bool IntersectClipOp(const Rect&) override { calls++; return true; }
	bool IsPaintingOp(const Rect&) const override { return true; }
	void DrawRectOp(int x, int, int cx, int, Color) override { calls++; sum += x + cx; }
	void DrawLineOp(int x1, int, int x2, int, int, Color) override { calls++; sum += x1 + x2; }
	void DrawPolyPolylineOp(const Point*, int, const int*, int, int, Color, Color) override { calls++; }
	void DrawPolyPolyPolygonOp(const Point*, int, const int*, int, const int*, int, Color, int, Color, uint64, Color) override { calls++; }
	void DrawArcOp(const Rect&, const Point&, const Point&, int, Color) override { calls++; }
	void DrawEllipseOp(const Rect&, Color, int, Color) override { calls++; }
	void DrawTextOp(int, int, int, const wchar*, Font, Color, int, const int*) override { calls++; }
};

void sRecord(Draw& d)
{
	for(const Shape& q : sShapes())
		if(q.line)
			d.DrawLineOp(q.x1, q.y1, q.x2, q.y2, 1, Color(q.r, q.g, q.b));
		else
			d.DrawRectOp(q.x1, q.y1, q.x2 - q.x1, q.y2 - q.y1, Color(q.r, q.g, q.b));
}

void sRecord(cairo_t* cr)
{
	cairo_set_line_width(cr, 1);
	for(const Shape& q : sShapes()) {
		cairo_set_source_rgb(cr, q.r / 255.0, q.g / 255.0, q.b / 255.0);
		if(q.line) {
			cairo_move_to(cr, q.x1 + 0.5, q.y1 + 0.5);
			cairo_line_to(cr, q.x2 + 0.5, q.y2 + 0.5);
			cairo_stroke(cr);
		}
		else {
			cairo_rectangle(cr, q.x1, q.y1, q.x2 - q.x1, q.y2 - q.y1);
			cairo_fill(cr);
		}
	}
}

const Drawing& sDrawing()
{
	static Drawing w = [] {
		DrawingDraw r(SIZE, SIZE);
		sRecord(r);
		return Drawing(r);
	}();
	return w;
}

cairo_surface_t* sCairoRecording()
{
	static cairo_surface_t* s = [] {
		cairo_rectangle_t extents = { 0, 0, SIZE, SIZE };
		cairo_surface_t* rec = cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, &extents);
		cairo_t* cr = cairo_create(rec);
		sRecord(cr);
		cairo_destroy(cr);
		return rec;
	}();
	return s;
}

void Record_Qel(benchmark::State& state)
{
	for(auto _ : state) {
		DrawingDraw r(SIZE, SIZE);
		sRecord(r);
		Drawing w = r;
		benchmark::DoNotOptimize(w.data.GetLength());
	}
	state.SetItemsProcessed(state.iterations() * COUNT);
}

void Record_Cairo(benchmark::State& state)
{
	for(auto _ : state) {
		cairo_rectangle_t extents = { 0, 0, SIZE, SIZE };
		cairo_surface_t* rec = cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, &extents);
		cairo_t* cr = cairo_create(rec);
		sRecord(cr);
		cairo_destroy(cr);
		cairo_surface_destroy(rec);
	}
	state.SetItemsProcessed(state.iterations() * COUNT);
}

void sPlayQel(benchmark::State& state, int target)
{
	const Drawing& w = sDrawing();
	CountingDraw d;
	for(auto _ : state)
		d.DrawDrawingOp(Rect(0, 0, target, target), w);
	if(d.calls != int64(state.iterations()) * (COUNT + 2))
		state.SkipWithError("playback lost records");
	benchmark::DoNotOptimize(d.sum);
	state.SetItemsProcessed(state.iterations() * COUNT);
}

void sPlayCairo(benchmark::State& state, int target)
{
	cairo_surface_t* src = sCairoRecording();
	cairo_surface_t* dst = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, target, target);
	for(auto _ : state) {
		cairo_t* cr = cairo_create(dst);
		cairo_scale(cr, double(target) / SIZE, double(target) / SIZE);
		cairo_set_source_surface(cr, src, 0, 0);
		cairo_paint(cr);
		cairo_destroy(cr);
		cairo_surface_flush(dst);
	}
	cairo_surface_destroy(dst);
	state.SetItemsProcessed(state.iterations() * COUNT);
}

void sPlayImage(benchmark::State& state, int target)
{
	const Drawing& w = sDrawing();
	int64 sum = 0;
	for(auto _ : state) {
		ImageAnyDraw d(target, target);
		d.DrawDrawingOp(Rect(0, 0, target, target), w);
		Image m = d;
		if(m.GetSize() != Size(target, target)) {
			state.SkipWithError("no image renderer");
			return;
		}
		sum += m[target / 2][target / 2].r;
	}
	benchmark::DoNotOptimize(sum);
	state.SetItemsProcessed(state.iterations() * COUNT);
}

void Replay_Qel(benchmark::State& state)                  { sPlayQel(state, SIZE); }
void ReplayImage_Qel(benchmark::State& state)             { sPlayImage(state, SIZE); }
void Replay_CairoImage(benchmark::State& state)           { sPlayCairo(state, SIZE); }
void ReplayScaled_Qel(benchmark::State& state)            { sPlayQel(state, SIZE / 2); }
void ReplayScaled_CairoImage(benchmark::State& state)     { sPlayCairo(state, SIZE / 2); }

} // namespace

BENCHMARK(Record_Qel)->Name("Record/Qel")->Unit(benchmark::kMillisecond);
BENCHMARK(Record_Cairo)->Name("Record/Cairo")->Unit(benchmark::kMillisecond);
BENCHMARK(Replay_Qel)->Name("Replay/Qel")->Unit(benchmark::kMillisecond);
BENCHMARK(Replay_CairoImage)->Name("Replay/CairoImage")->Unit(benchmark::kMillisecond);
BENCHMARK(ReplayImage_Qel)->Name("Replay/QelImage")->Unit(benchmark::kMillisecond);
BENCHMARK(ReplayScaled_Qel)->Name("ReplayScaled/Qel")->Unit(benchmark::kMillisecond);
BENCHMARK(ReplayScaled_CairoImage)->Name("ReplayScaled/CairoImage")->Unit(benchmark::kMillisecond);
