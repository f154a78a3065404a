// Image row operations against pixman (a C library on malloc, so it shares this program):
// premultiply, unmultiply and blending against OVER compositing, pixel format reading against
// SRC conversions, flips and quarter turns against transformed compositing, and Image copies
// on 8 threads (the shared_ptr<vector> peer is in image_peer.cpp).
#include <draw/Draw.h>

#include <benchmark/benchmark.h>

#include <pixman.h>
#include <stdio.h>
#include <stdlib.h>
#include <vector>

using namespace Qel;

namespace {

void Check(bool ok, const char* what)
{
	if(!ok) {
		fprintf(stderr, "results disagree: %s\n", what);
		abort();
	}
}

dword sRand(dword& h)
{
	h = h * 1103515245 + 12345;
	return h >> 8;
}

// Premultiplied pixels, a third opaque, a third clear, a third partial.
std::vector<RGBA> Pixels(int64 n, dword seed)
{
	std::vector<RGBA> v(n);
	dword h = seed;
	for(RGBA& c : v) {
		dword r = sRand(h);
		byte a = r % 3 == 0 ? 255 : r % 3 == 1 ? 0 : byte(r >> 8);
		c = RGBA{ byte((r >> 4 & 255) * a / 255), byte((r >> 12 & 255) * a / 255), byte((r >> 2 & 255) * a / 255), a };
	}
	return v;
}

pixman_image_t* Wrap(pixman_format_code_t f, int cx, int cy, void* bits, int stride)
{
	return pixman_image_create_bits(f, cx, cy, (uint32_t*)bits, stride);
}

// Row functions over cx x cy pixels, row by row.
void RowOp(benchmark::State& state, int (*op)(RGBA*, const RGBA*, int))
{
	int cx = (int)state.range(0), cy = (int)state.range(1);
	std::vector<RGBA> s = Pixels(int64(cx) * cy, 1), t(s.size());
	for(auto _ : state) {
		for(int y = 0; y < cy; y++)
			op(t.data() + int64(y) * cx, s.data() + int64(y) * cx, cx);
		benchmark::DoNotOptimize(t.data());
	}
	state.SetItemsProcessed(state.iterations() * cx * cy);
}

void QelPremultiply(benchmark::State& state) { RowOp(state, Premultiply); }
void QelUnmultiply(benchmark::State& state)  { RowOp(state, Unmultiply); }

void QelAlphaBlend(benchmark::State& state)
{
	int cx = (int)state.range(0), cy = (int)state.range(1);
	std::vector<RGBA> s = Pixels(int64(cx) * cy, 1), t0 = Pixels(s.size(), 2), t = t0;
	for(auto _ : state) {
		state.PauseTiming();
		t = t0;
		state.ResumeTiming();
		for(int y = 0; y < cy; y++)
			AlphaBlend(t.data() + int64(y) * cx, s.data() + int64(y) * cx, cx);
		benchmark::DoNotOptimize(t.data());
	}
	state.SetItemsProcessed(state.iterations() * cx * cy);
}

void PixmanOver(benchmark::State& state)
{
	int cx = (int)state.range(0), cy = (int)state.range(1);
	std::vector<RGBA> s = Pixels(int64(cx) * cy, 1), t0 = Pixels(s.size(), 2), t = t0;
	pixman_image_t* src = Wrap(PIXMAN_a8r8g8b8, cx, cy, s.data(), cx * 4);
	pixman_image_t* dst = Wrap(PIXMAN_a8r8g8b8, cx, cy, t.data(), cx * 4);
	{
		// the two blends round differently (>> 8 against / 255): they agree within 2
		std::vector<RGBA> q = t0;
		AlphaBlend(q.data(), s.data(), (int)s.size());
		pixman_image_composite32(PIXMAN_OP_OVER, src, nullptr, dst, 0, 0, 0, 0, 0, 0, cx, cy);
		bool ok = true;
		for(size_t i = 0; i < q.size(); i++)
			ok &= abs(q[i].r - t[i].r) <= 2 && abs(q[i].g - t[i].g) <= 2 && abs(q[i].b - t[i].b) <= 2 && abs(q[i].a - t[i].a) <= 2;
		Check(ok, "AlphaBlend and OVER");
	}
	for(auto _ : state) {
		state.PauseTiming();
		t = t0;
		state.ResumeTiming();
		pixman_image_composite32(PIXMAN_OP_OVER, src, nullptr, dst, 0, 0, 0, 0, 0, 0, cx, cy);
		benchmark::DoNotOptimize(t.data());
	}
	pixman_image_unref(src);
	pixman_image_unref(dst);
	state.SetItemsProcessed(state.iterations() * cx * cy);
}

// Pixel formats: a 1920 x 1080 picture in 1, 16, 24 and 32 bits.
constexpr int FW = 1920, FH = 1080;

struct FormatCase {
	int bits;
	pixman_format_code_t pixman;
	bool exact; // the two conversions give the same pixels
};

const FormatCase formats[] = {
	{ 1, PIXMAN_g1, true },
	{ 16, PIXMAN_r5g6b5, false }, // pixman repeats the top bits into the low ones
	{ 24, PIXMAN_r8g8b8, true },
	{ 32, PIXMAN_x8r8g8b8, true },
};

struct FormatData {
	int stride;
	std::vector<byte> raw;
	RasterFormat fmt;
	RGBA pal[2] = { { 0, 0, 0, 255 }, { 255, 255, 255, 255 } };
};

FormatData MakeFormat(int bits)
{
	FormatData d;
	switch(bits) {
	case 1:  d.fmt.SetType(RASTER_1); break; // pixman's 1-bit order on little-endian: low bit first
	case 16: d.fmt.Set16le(0xF800, 0x7E0, 0x1F); break;
	case 24: d.fmt.Set24le(0xff0000, 0xff00, 0xff); break;
	default: d.fmt.Set32le(0xff0000, 0xff00, 0xff); break;
	}
	d.stride = (int(d.fmt.GetByteCount(FW)) + 3) & ~3;
	d.raw.resize(size_t(d.stride) * FH);
	dword h = 3;
	for(byte& b : d.raw)
		b = byte(sRand(h));
	return d;
}

void QelRead(benchmark::State& state)
{
	FormatData d = MakeFormat((int)state.range(0));
	std::vector<RGBA> t(size_t(FW) * FH);
	for(auto _ : state) {
		for(int y = 0; y < FH; y++)
			d.fmt.Read(t.data() + y * FW, d.raw.data() + size_t(y) * d.stride, FW, d.pal);
		benchmark::DoNotOptimize(t.data());
	}
	state.SetItemsProcessed(state.iterations() * FW * FH);
}

void PixmanSrc(benchmark::State& state)
{
	int bits = (int)state.range(0);
	const FormatCase* fc = nullptr;
	for(const FormatCase& c : formats)
		if(c.bits == bits)
			fc = &c;
	FormatData d = MakeFormat(bits);
	std::vector<RGBA> t(size_t(FW) * FH);
	pixman_image_t* src = Wrap(fc->pixman, FW, FH, d.raw.data(), d.stride);
	pixman_indexed_t indexed = {};
	if(bits == 1) {
		// bit clear is black, set is white: the reading of the 1-bit Qel format above
		indexed.rgba[0] = 0xFF000000;
		indexed.rgba[1] = 0xFFFFFFFF;
		pixman_image_set_indexed(src, &indexed);
	}
	pixman_image_t* dst = Wrap(PIXMAN_a8r8g8b8, FW, FH, t.data(), FW * 4);
	pixman_image_composite32(PIXMAN_OP_SRC, src, nullptr, dst, 0, 0, 0, 0, 0, 0, FW, FH);
	if(fc->exact) {
		std::vector<RGBA> q(t.size());
		for(int y = 0; y < FH; y++)
			d.fmt.Read(q.data() + y * FW, d.raw.data() + size_t(y) * d.stride, FW, d.pal);
		Check(q == t, "RasterFormat::Read and SRC");
	}
	for(auto _ : state) {
		pixman_image_composite32(PIXMAN_OP_SRC, src, nullptr, dst, 0, 0, 0, 0, 0, 0, FW, FH);
		benchmark::DoNotOptimize(t.data());
	}
	pixman_image_unref(src);
	pixman_image_unref(dst);
	state.SetItemsProcessed(state.iterations() * FW * FH);
}

// Flips and turns of a 1920 x 1080 image.
Image Picture()
{
	ImageBuffer b(FW, FH);
	std::vector<RGBA> px = Pixels(int64(FW) * FH, 9);
	memcpy(b.Begin(), px.data(), px.size() * 4);
	return b;
}

enum { MIRROR_H, ROTATE_180, CLOCKWISE, TRANSPOSE };

Image QelTurn(const Image& img, int op)
{
	switch(op) {
	case MIRROR_H:   return MirrorHorizontal(img);
	case ROTATE_180: return Rotate180(img);
	case CLOCKWISE:  return RotateClockwise(img);
	default:         return Transpose(img);
	}
}

void QelFlip(benchmark::State& state)
{
	Image img = Picture();
	for(auto _ : state) {
		Image r = QelTurn(img, (int)state.range(0));
		benchmark::DoNotOptimize(r.Begin());
	}
	state.SetItemsProcessed(state.iterations() * FW * FH);
}

// pixman maps destination to source: these matrices pick, for result (x, y), the source pixel
// the Qel operation puts there (pixel centres at + 0.5).
void PixmanFlip(benchmark::State& state)
{
	int op = (int)state.range(0);
	Image img = Picture();
	bool swap = op == CLOCKWISE || op == TRANSPOSE;
	int rw = swap ? FH : FW, rh = swap ? FW : FH;
	pixman_fixed_t one = pixman_fixed_1;
	pixman_transform_t m;
	switch(op) {
	case MIRROR_H:   pixman_transform_init_scale(&m, -one, one); pixman_transform_translate(&m, nullptr, pixman_int_to_fixed(FW), 0); break;
	case ROTATE_180: pixman_transform_init_scale(&m, -one, -one); pixman_transform_translate(&m, nullptr, pixman_int_to_fixed(FW), pixman_int_to_fixed(FH)); break;
	case CLOCKWISE:  pixman_transform_init_rotate(&m, 0, -one); pixman_transform_translate(&m, nullptr, 0, pixman_int_to_fixed(FH)); break;
	default:         pixman_transform_init_identity(&m); m.matrix[0][0] = 0; m.matrix[0][1] = one; m.matrix[1][0] = one; m.matrix[1][1] = 0; break;
	}
	pixman_image_t* src = Wrap(PIXMAN_a8r8g8b8, FW, FH, (void*)img.Begin(), FW * 4);
	pixman_image_set_transform(src, &m);
	pixman_image_set_filter(src, PIXMAN_FILTER_NEAREST, nullptr, 0);
	std::vector<RGBA> t(size_t(rw) * rh);
	pixman_image_t* dst = Wrap(PIXMAN_a8r8g8b8, rw, rh, t.data(), rw * 4);
	pixman_image_composite32(PIXMAN_OP_SRC, src, nullptr, dst, 0, 0, 0, 0, 0, 0, rw, rh);
	Image q = QelTurn(img, op);
	Check(memcmp(q.Begin(), t.data(), t.size() * 4) == 0, "flip and transformed SRC");
	for(auto _ : state) {
		pixman_image_composite32(PIXMAN_OP_SRC, src, nullptr, dst, 0, 0, 0, 0, 0, 0, rw, rh);
		benchmark::DoNotOptimize(t.data());
	}
	pixman_image_unref(src);
	pixman_image_unref(dst);
	state.SetItemsProcessed(state.iterations() * FW * FH);
}

// Copies of one shared Image on 8 threads: the reference count is the contended part.
const Image& SharedImage()
{
	static Image img = Picture();
	return img;
}

void QelImageCopy(benchmark::State& state)
{
	const Image& img = SharedImage();
	for(auto _ : state) {
		Image c = img;
		benchmark::DoNotOptimize(c.Begin());
	}
	state.SetItemsProcessed(state.iterations());
}

} // namespace

// Names are <case>/<implementation>: scripts/bench-ratios.sh image pairs them up.
BENCHMARK(QelPremultiply)->Name("RowOver/QelPremultiply")->Args({ 1920, 1080 })->Args({ 4096, 4096 })->Unit(benchmark::kMicrosecond);
BENCHMARK(QelUnmultiply)->Name("RowOver/QelUnmultiply")->Args({ 1920, 1080 })->Args({ 4096, 4096 })->Unit(benchmark::kMicrosecond);
BENCHMARK(QelAlphaBlend)->Name("RowOver/QelAlphaBlend")->Args({ 1920, 1080 })->Args({ 4096, 4096 })->Unit(benchmark::kMicrosecond);
BENCHMARK(PixmanOver)->Name("RowOver/PixmanOver")->Args({ 1920, 1080 })->Args({ 4096, 4096 })->Unit(benchmark::kMicrosecond);
BENCHMARK(QelRead)->Name("ReadFormat/Qel")->Arg(1)->Arg(16)->Arg(24)->Arg(32)->Unit(benchmark::kMicrosecond);
BENCHMARK(PixmanSrc)->Name("ReadFormat/PixmanSrc")->Arg(1)->Arg(16)->Arg(24)->Arg(32)->Unit(benchmark::kMicrosecond);
BENCHMARK(QelFlip)->Name("Flip/Qel")->Arg(MIRROR_H)->Arg(ROTATE_180)->Arg(CLOCKWISE)->Arg(TRANSPOSE)->Unit(benchmark::kMicrosecond);
BENCHMARK(PixmanFlip)->Name("Flip/PixmanTransform")->Arg(MIRROR_H)->Arg(ROTATE_180)->Arg(CLOCKWISE)->Arg(TRANSPOSE)->Unit(benchmark::kMicrosecond);
BENCHMARK(QelImageCopy)->Name("ImageCopy/Qel")->Threads(8);
