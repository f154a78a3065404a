// BMP decoding from memory: Qel's LoadImageString (registry probe, BMPRaster, rows converted to
// RGBA) against stb_image into 32-bit pixels, on 4096 x 4096 24- and 32-bit pictures and a
// 2048 x 2048 8-bit palette picture, stored bottom-up as most files are. The two are checked to
// agree before anything is timed.
#include <draw/Draw.h>

#include <benchmark/benchmark.h>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#define STBI_NO_STDIO
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

#include <stdio.h>
#include <stdlib.h>
#include <string>

using namespace Qel;

namespace {

void Check(bool ok, const char* what)
{
	if(!ok) {
		fprintf(stderr, "results disagree: %s\n", what);
		abort();
	}
}

void Put32(std::string& s, dword v) { for(int i = 0; i < 4; i++) s += char(v >> 8 * i); }
void Put16(std::string& s, word v)  { s += char(v); s += char(v >> 8); }

std::string MakeBmp(int cx, int cy, int bpp)
{
	int64 row = (int64(cx) * bpp / 8 + 3) & ~3;
	int colors = bpp == 8 ? 256 : 0;
	std::string s = "BM";
	Put32(s, dword(54 + colors * 4 + row * cy));
	Put32(s, 0);
	Put32(s, 54 + colors * 4);
	Put32(s, 40);
	Put32(s, cx);
	Put32(s, cy);
	Put16(s, 1);
	Put16(s, word(bpp));
	Put32(s, 0);
	Put32(s, dword(row * cy));
	Put32(s, 2835);
	Put32(s, 2835);
	Put32(s, colors);
	Put32(s, 0);
	for(int i = 0; i < colors; i++)
		Put32(s, dword(i * 0x010305));
	dword h = 777;
	for(int y = 0; y < cy; y++) {
		size_t at = s.size();
		for(int x = 0; x < cx; x++) {
			h = h * 1103515245 + 12345;
			if(bpp == 8)
				s += char((x / 8 + y / 8 + (h >> 20) % 3) & 255);
			else {
				s += char(x * 255 / cx + (h >> 28));
				s += char(y * 255 / cy);
				s += char((x ^ y) & 255);
				if(bpp == 32)
					s += char(0);
			}
		}
		s.resize(at + row, 0);
	}
	return s;
}

void CheckAgree(const std::string& data, const char* what)
{
	Image img = LoadImageString(String(data.data(), (int)data.size()));
	int cx, cy, n;
	stbi_uc* p = stbi_load_from_memory((const stbi_uc*)data.data(), (int)data.size(), &cx, &cy, &n, 4);
	Check(p && img.GetSize() == Size(cx, cy), what);
	for(int64 i = 0; i < int64(cx) * cy; i++) {
		RGBA c = img.Begin()[i];
		Check(c.r == p[4 * i] && c.g == p[4 * i + 1] && c.b == p[4 * i + 2] && c.a == 255, what);
	}
	stbi_image_free(p);
}

const std::string& Picture(int bpp)
{
	static std::string pics[33];
	std::string& s = pics[bpp];
	if(s.empty()) {
		int cx = bpp == 8 ? 2048 : 4096;
		s = MakeBmp(cx, cx, bpp);
		CheckAgree(s, bpp == 8 ? "8 bits" : bpp == 24 ? "24 bits" : "32 bits");
	}
	return s;
}

int64 Pixels(benchmark::State& state)
{
	int64 cx = state.range(0) == 8 ? 2048 : 4096;
	return state.iterations() * cx * cx;
}

void BmpLarge_Qel(benchmark::State& state)
{
	const std::string& data = Picture((int)state.range(0));
	String s(data.data(), (int)data.size());
	for(auto _ : state) {
		Image img = LoadImageString(s);
		benchmark::DoNotOptimize(img.Begin());
	}
	state.SetItemsProcessed(Pixels(state));
}

void BmpLarge_Stb(benchmark::State& state)
{
	const std::string& data = Picture((int)state.range(0));
	for(auto _ : state) {
		int cx, cy, n;
		stbi_uc* p = stbi_load_from_memory((const stbi_uc*)data.data(), (int)data.size(), &cx, &cy, &n, 4);
		benchmark::DoNotOptimize(p);
		stbi_image_free(p);
	}
	state.SetItemsProcessed(Pixels(state));
}

void Args(benchmark::internal::Benchmark* b)
{
	b->ArgName("bpp")->Arg(24)->Arg(32)->Arg(8)->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(BmpLarge_Qel)->Name("BmpLarge/Qel")->Apply(Args);
BENCHMARK(BmpLarge_Stb)->Name("BmpLarge/StbImage")->Apply(Args);
