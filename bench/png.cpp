// PNG decoding from memory: Qel's LoadImageString (registry probe, PNGRaster, rows converted
// to premultiplied RGBA) against libpng's simplified decoder and stb_image, both into 32-bit
// pixels. Pictures: 4096 x 4096 RGB and RGBA, plain and interlaced, a 2048 x 2048 palette
// picture, and up to 1,000 icons found under /usr/share/icons. The decoders are checked to
// agree before anything is timed.
#include <plugin/png/png.h>
#include <draw/Draw.h>

#include <benchmark/benchmark.h>

#include <png.h>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

#include <algorithm>
#include <filesystem>
#include <stdio.h>
#include <stdlib.h>
#include <string>
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

struct Writer {
	std::string out;
	static void Write(png_structp png, png_bytep data, size_t n)
	{
		((Writer*)png_get_io_ptr(png))->out.append((const char*)data, n);
	}
	static void Flush(png_structp) {}
};

// A photo-like picture: smooth gradients with some noise, so that it neither compresses to
// nothing nor is pure noise. channels 1 is a palette picture.
std::string MakePng(int cx, int cy, int channels, bool interlace)
{
	int ctype = channels == 1 ? PNG_COLOR_TYPE_PALETTE : channels == 3 ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGB_ALPHA;
	Writer w;
	png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
	png_infop info = png_create_info_struct(png);
	png_set_write_fn(png, &w, Writer::Write, Writer::Flush);
	png_set_compression_level(png, 3);
	png_set_IHDR(png, info, cx, cy, 8, ctype, interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
	             PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
	std::vector<png_color> plte(256);
	std::vector<png_byte> trns(256);
	for(int i = 0; i < 256; i++) {
		plte[i] = png_color{ png_byte(i), png_byte(255 - i), png_byte(i * 7) };
		trns[i] = png_byte(i < 16 ? i * 16 : 255);
	}
	if(channels == 1) {
		png_set_PLTE(png, info, plte.data(), 256);
		png_set_tRNS(png, info, trns.data(), 256, nullptr);
	}
	png_write_info(png, info);
	int passes = png_set_interlace_handling(png);
	std::vector<png_byte> row(size_t(cx) * channels);
	dword h = 12345;
	for(int p = 0; p < passes; p++)
		for(int y = 0; y < cy; y++) {
			for(int x = 0; x < cx; x++) {
				h = h * 1103515245 + 12345;
				int noise = (h >> 16) & 7;
				png_byte* t = &row[size_t(x) * channels];
				if(channels == 1)
					t[0] = png_byte((x / 16 + y / 16 + noise / 4) & 255);
				else {
					t[0] = png_byte(x * 255 / cx + noise);
					t[1] = png_byte(y * 255 / cy + noise);
					t[2] = png_byte((x + y) * 127 / cx);
					if(channels == 4)
						t[3] = png_byte(x < cx / 4 ? 255 : (x ^ y) & 255);
				}
			}
			png_write_row(png, row.data());
		}
	png_write_end(png, info);
	png_destroy_write_struct(&png, &info);
	return w.out;
}

// libpng's simplified decoder into straight BGRA; false when it refuses the data.
bool LibpngDecode(const std::string& data, std::vector<RGBA>& out, Size& sz)
{
	png_image img = {};
	img.version = PNG_IMAGE_VERSION;
	if(!png_image_begin_read_from_memory(&img, data.data(), data.size()))
		return false;
	img.format = PNG_FORMAT_BGRA;
	out.resize(size_t(img.width) * img.height);
	sz = Size(img.width, img.height);
	if(!png_image_finish_read(&img, nullptr, out.data(), 0, nullptr)) {
		png_image_free(&img);
		return false;
	}
	return true;
}

void CheckAgree(const std::string& data, const char* what)
{
	Image img = LoadImageString(String(data.data(), (int)data.size()));
	std::vector<RGBA> ref;
	Size sz;
	Check(LibpngDecode(data, ref, sz) && img.GetSize() == sz, what);
	Premultiply(ref.data(), ref.data(), (int)ref.size());
	Check(memcmp(ref.data(), img.Begin(), ref.size() * sizeof(RGBA)) == 0, what);
	int cx, cy, n;
	stbi_uc* p = stbi_load_from_memory((const stbi_uc*)data.data(), (int)data.size(), &cx, &cy, &n, 4);
	Check(p && cx == sz.cx && cy == sz.cy, what);
	for(size_t i = 0; i < ref.size(); i++) {
		RGBA c{ p[4 * i + 2], p[4 * i + 1], p[4 * i], p[4 * i + 3] };
		Premultiply(&c, &c, 1);
		Check(c == ref[i], what);
	}
	stbi_image_free(p);
}

enum { RGB, RGB_I, RGBA_, RGBA_I, PALETTE };

const std::string& Picture(int which)
{
	static std::string pics[5];
	static const char* names[5] = { "RGB", "interlaced RGB", "RGBA", "interlaced RGBA", "palette" };
	std::string& s = pics[which];
	if(s.empty()) {
		int cx = which == PALETTE ? 2048 : 4096;
		s = MakePng(cx, cx, which == PALETTE ? 1 : which <= RGB_I ? 3 : 4, which == RGB_I || which == RGBA_I);
		CheckAgree(s, names[which]);
	}
	return s;
}

// Up to 1,000 PNG icons read into memory, in a fixed order.
const std::vector<std::string>& Icons()
{
	static std::vector<std::string> icons = [] {
		std::vector<std::string> paths, v;
		std::error_code ec;
		for(auto it = std::filesystem::recursive_directory_iterator("/usr/share/icons", ec);
		    !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
			if(it->path().extension() == ".png" && it->is_regular_file(ec))
				paths.push_back(it->path().string());
		std::sort(paths.begin(), paths.end());
		for(const std::string& p : paths) {
			if(v.size() >= 1000)
				break;
			FILE* f = fopen(p.c_str(), "rb");
			if(!f)
				continue;
			std::string s;
			char buf[8192];
			size_t n;
			while((n = fread(buf, 1, sizeof(buf), f)) > 0)
				s.append(buf, n);
			fclose(f);
			std::vector<RGBA> ref;
			Size sz;
			if(LibpngDecode(s, ref, sz)) // files all three read
				v.push_back(s);
		}
		return v;
	}();
	return icons;
}

// One decode of each side; the data is held as each side takes it.
void DecodeQel(const String& s)
{
	Image img = LoadImageString(s);
	benchmark::DoNotOptimize(img.Begin());
}

void DecodeLibpng(const std::string& s)
{
	std::vector<RGBA> out;
	Size sz;
	LibpngDecode(s, out, sz);
	benchmark::DoNotOptimize(out.data());
}

void DecodeStb(const std::string& s)
{
	int cx, cy, n;
	stbi_uc* p = stbi_load_from_memory((const stbi_uc*)s.data(), (int)s.size(), &cx, &cy, &n, 4);
	benchmark::DoNotOptimize(p);
	stbi_image_free(p);
}

int64 LargePixels(benchmark::State& state)
{
	int64 cx = state.range(0) == PALETTE ? 2048 : 4096;
	return state.iterations() * cx * cx;
}

void PngLarge_Qel(benchmark::State& state)
{
	const std::string& data = Picture((int)state.range(0));
	String s(data.data(), (int)data.size());
	for(auto _ : state)
		DecodeQel(s);
	state.SetItemsProcessed(LargePixels(state));
}

void PngLarge_Libpng(benchmark::State& state)
{
	const std::string& data = Picture((int)state.range(0));
	for(auto _ : state)
		DecodeLibpng(data);
	state.SetItemsProcessed(LargePixels(state));
}

void PngLarge_Stb(benchmark::State& state)
{
	const std::string& data = Picture((int)state.range(0));
	for(auto _ : state)
		DecodeStb(data);
	state.SetItemsProcessed(LargePixels(state));
}

void IconCounters(benchmark::State& state, size_t n)
{
	state.SetItemsProcessed(state.iterations() * n);
	state.counters["us_per_file"] = benchmark::Counter(double(state.iterations() * n),
	                                                   benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
	state.counters["files"] = double(n);
}

void PngIcons_Qel(benchmark::State& state)
{
	std::vector<String> icons;
	for(const std::string& s : Icons()) {
		icons.push_back(String(s.data(), (int)s.size()));
		Check(!LoadImageString(icons.back()).IsEmpty(), "icon");
	}
	for(auto _ : state)
		for(const String& s : icons)
			DecodeQel(s);
	IconCounters(state, icons.size());
}

void PngIcons_Libpng(benchmark::State& state)
{
	for(auto _ : state)
		for(const std::string& s : Icons())
			DecodeLibpng(s);
	IconCounters(state, Icons().size());
}

void PngIcons_Stb(benchmark::State& state)
{
	for(auto _ : state)
		for(const std::string& s : Icons())
			DecodeStb(s);
	IconCounters(state, Icons().size());
}

void LargeArgs(benchmark::internal::Benchmark* b)
{
	b->ArgName("picture")->Arg(RGB)->Arg(RGB_I)->Arg(RGBA_)->Arg(RGBA_I)->Arg(PALETTE)->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(PngLarge_Qel)->Name("PngLarge/Qel")->Apply(LargeArgs);
BENCHMARK(PngLarge_Libpng)->Name("PngLarge/LibpngSimplified")->Apply(LargeArgs);
BENCHMARK(PngLarge_Stb)->Name("PngLarge/StbImage")->Apply(LargeArgs);
BENCHMARK(PngIcons_Qel)->Name("PngIcons/Qel")->Unit(benchmark::kMillisecond);
BENCHMARK(PngIcons_Libpng)->Name("PngIcons/LibpngSimplified")->Unit(benchmark::kMillisecond);
BENCHMARK(PngIcons_Stb)->Name("PngIcons/StbImage")->Unit(benchmark::kMillisecond);
