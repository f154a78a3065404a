// Image as a Value and nine-part looks.
// - ImageValueStore / ImageValueLoad: a 1000 x 1000 opaque image through the binary Value form
//   (type, then the raw pixels: no compression) against libpng writing and reading the same
//   pixels as an RGBA PNG in memory (zlib-compressed, filtered). Both sides round-trip exactly;
//   the check runs once before timing.
// - LookNinePart: LookOp paints a 30 x 30 nine-part image look at 100 sizes (31..130 square)
//   onto a target that only counts the operations it receives: Qel cuts the parts and rescales
//   the stretched ones (through the image cache, hits after the first round). The cairo side
//   draws the same nine slices, each scaled, onto an ARGB image surface: it rasterises, Qel's
//   target does not.
#include <draw/Draw.h>

#include <benchmark/benchmark.h>
#include <cairo.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace Qel;

namespace {

constexpr int SIDE = 1000;

Image Picture()
{
	static Image m = [] {
		ImageBuffer b(SIDE, SIDE);
		dword h = 12345;
		for(int y = 0; y < SIDE; y++)
			for(int x = 0; x < SIDE; x++) {
				h = h * 1103515245 + 12345;
				b[y][x] = RGBA{ byte(x + (h >> 28)), byte(y + (h >> 24 & 3)), byte((x ^ y) >> 2), 255 };
			}
		return Image(b);
	}();
	return m;
}

String StoreValue(const Image& img)
{
	StringStream ss;
	Value v = img;
	v.Serialize(ss);
	return ss.GetResult();
}

Image LoadValue(const String& data)
{
	StringStream ss(data);
	ss.SetLoading();
	Value v;
	v.Serialize(ss);
	return ss.IsError() ? Image() : Image(v);
}

// libpng takes straight colours in r, g, b, a order.
std::vector<byte> Straight(const Image& img)
{
	std::vector<byte> px(size_t(img.GetLength()) * 4);
	byte* t = px.data();
	for(const RGBA& c : img) {
		t[0] = c.r;
		t[1] = c.g;
		t[2] = c.b;
		t[3] = c.a;
		t += 4;
	}
	return px;
}

std::vector<byte> PngWrite(const std::vector<byte>& px)
{
	png_image im{};
	im.version = PNG_IMAGE_VERSION;
	im.width = SIDE;
	im.height = SIDE;
	im.format = PNG_FORMAT_RGBA;
	png_alloc_size_t size = 0;
	png_image_write_to_memory(&im, nullptr, &size, 0, px.data(), 0, nullptr);
	std::vector<byte> out(size);
	if(!png_image_write_to_memory(&im, out.data(), &size, 0, px.data(), 0, nullptr))
		out.clear();
	out.resize(size);
	return out;
}

std::vector<byte> PngRead(const std::vector<byte>& png)
{
	png_image im{};
	im.version = PNG_IMAGE_VERSION;
	std::vector<byte> px;
	if(!png_image_begin_read_from_memory(&im, png.data(), png.size()))
		return px;
	im.format = PNG_FORMAT_RGBA;
	px.resize(PNG_IMAGE_SIZE(im));
	if(!png_image_finish_read(&im, nullptr, px.data(), 0, nullptr))
		px.clear();
	return px;
}

bool Check()
{
	static bool ok = [] {
		Image img = Picture();
		Image back = LoadValue(StoreValue(img));
		bool same = back.GetSize() == img.GetSize() && memcmp(back.Begin(), img.Begin(), img.GetLength() * 4) == 0;
		std::vector<byte> px = Straight(img);
		bool png = PngRead(PngWrite(px)) == px;
		if(!same || !png)
			fprintf(stderr, "round trips differ: value %d, png %d\n", same, png);
		return same && png;
	}();
	return ok;
}

void ValueStore(benchmark::State& state)
{
	if(!Check())
		state.SkipWithError("round trip differs");
	Image img = Picture();
	for(auto _ : state) {
		String s = StoreValue(img);
		benchmark::DoNotOptimize(s);
	}
}
BENCHMARK(ValueStore)->Name("ImageValueStore/Qel")->Unit(benchmark::kMillisecond);

void PngStore(benchmark::State& state)
{
	if(!Check())
		state.SkipWithError("round trip differs");
	std::vector<byte> px = Straight(Picture());
	for(auto _ : state) {
		std::vector<byte> png = PngWrite(px);
		benchmark::DoNotOptimize(png);
	}
}
BENCHMARK(PngStore)->Name("ImageValueStore/libpng")->Unit(benchmark::kMillisecond);

void ValueLoad(benchmark::State& state)
{
	if(!Check())
		state.SkipWithError("round trip differs");
	String data = StoreValue(Picture());
	for(auto _ : state) {
		Image m = LoadValue(data);
		benchmark::DoNotOptimize(m);
	}
}
BENCHMARK(ValueLoad)->Name("ImageValueLoad/Qel")->Unit(benchmark::kMillisecond);

void PngLoad(benchmark::State& state)
{
	if(!Check())
		state.SkipWithError("round trip differs");
	std::vector<byte> png = PngWrite(Straight(Picture()));
	for(auto _ : state) {
		std::vector<byte> px = PngRead(png);
		benchmark::DoNotOptimize(px);
	}
}
BENCHMARK(PngLoad)->Name("ImageValueLoad/libpng")->Unit(benchmark::kMillisecond);

constexpr int LOOK = 30, HOT = 10, SIZES = 100;

Image LookImage()
{
	static Image m = [] {
		ImageBuffer b(LOOK, LOOK);
		for(int y = 0; y < LOOK; y++)
			for(int x = 0; x < LOOK; x++)
				b[y][x] = RGBA{ byte(8 * x), byte(8 * y), byte(4 * (x + y)), 255 };
		b.SetHotSpot(Point(HOT, HOT));
		return Image(b);
	}();
	return m;
}

class CountingDraw : public NilDraw {
public:
	int64 rects = 0, images = 0, pixels = 0;
	void DrawRectOp(int, int, int cx, int cy, Color) override { rects++; pixels += int64(cx) * cy; }
	void DrawImageOp(int, int, int cx, int cy, const Image&, const Rect&, Color) override { images++; pixels += int64(cx) * cy; }
	dword GetInfo() const override { return 0; }
};

void LookQel(benchmark::State& state)
{
	Value look = LookImage();
	CountingDraw w;
	for(auto _ : state)
		for(int i = 0; i < SIZES; i++)
			LookOp(w, Rect(0, 0, LOOK + 1 + i, LOOK + 1 + i), look, LOOK_PAINT, Color());
	state.counters["parts"] = double(w.images + w.rects) / double(state.iterations() * SIZES);
	benchmark::DoNotOptimize(w.pixels);
}
BENCHMARK(LookQel)->Name("LookNinePart/Qel")->Unit(benchmark::kMicrosecond);

void LookCairo(benchmark::State& state)
{
	Image img = LookImage();
	cairo_surface_t* src = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, LOOK, LOOK);
	cairo_surface_flush(src);
	byte* d = cairo_image_surface_get_data(src);
	int stride = cairo_image_surface_get_stride(src);
	for(int y = 0; y < LOOK; y++)
		memcpy(d + y * stride, img[y], LOOK * 4); // both premultiplied b, g, r, a in memory
	cairo_surface_mark_dirty(src);
	int big = LOOK + SIZES;
	cairo_surface_t* dst = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, big, big);
	cairo_t* cr = cairo_create(dst);
	const int scut[4] = { 0, HOT, LOOK - HOT, LOOK };
	for(auto _ : state)
		for(int i = 0; i < SIZES; i++) {
			int n = LOOK + 1 + i;
			const int dcut[4] = { 0, HOT, n - HOT, n };
			for(int iy = 0; iy < 3; iy++)
				for(int ix = 0; ix < 3; ix++) {
					double sx = double(dcut[ix + 1] - dcut[ix]) / (scut[ix + 1] - scut[ix]);
					double sy = double(dcut[iy + 1] - dcut[iy]) / (scut[iy + 1] - scut[iy]);
					cairo_save(cr);
					cairo_rectangle(cr, dcut[ix], dcut[iy], dcut[ix + 1] - dcut[ix], dcut[iy + 1] - dcut[iy]);
					cairo_clip(cr);
					cairo_translate(cr, dcut[ix], dcut[iy]);
					cairo_scale(cr, sx, sy);
					cairo_set_source_surface(cr, src, -scut[ix], -scut[iy]);
					cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
					cairo_paint(cr);
					cairo_restore(cr);
				}
		}
	cairo_surface_flush(dst);
	cairo_destroy(cr);
	cairo_surface_destroy(dst);
	cairo_surface_destroy(src);
}
BENCHMARK(LookCairo)->Name("LookNinePart/cairo")->Unit(benchmark::kMicrosecond);

} // namespace
