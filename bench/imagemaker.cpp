// Made images and image lists: MakeImage hits from 1 and 8 threads (the peer program holds the
// std::unordered_map under std::mutex), and the first fetch of every image of a 200-icon list
// against libpng decoding the same icons as separate PNG files.
#include <draw/Draw.h>

#include <benchmark/benchmark.h>
#include <png.h>

#include <cmath>
#include <vector>

using namespace Qel;

namespace {

constexpr int KEYS = 256;
constexpr int ICONS = 200;
constexpr int ICON = 16;

// Refers to its image as the peer's maker does: copying it into every maker would add two
// reference counts on one shared record per request, which is not the cache's doing.
struct KeyMaker : ImageMaker {
	int          key;
	const Image& image;
	String Key() const override { return String((const char*)&key, sizeof(key)); }
	Image  Make() const override { return image; }
	KeyMaker(int k, const Image& img) : key(k), image(img) {}
};

const Image& Icon16()
{
	static Image m = CreateImage(Size(ICON, ICON), Color(20, 90, 200));
	return m;
}

void MakeImageHit(benchmark::State& state)
{
	for(int k = 0; k < KEYS; k++)
		MakeImage(KeyMaker(k, Icon16()));
	int k = state.thread_index() * 37;
	for(auto _ : state) {
		Image m = MakeImage(KeyMaker(k, Icon16()));
		benchmark::DoNotOptimize(m);
		k = (k + 1) & (KEYS - 1);
	}
}
BENCHMARK(MakeImageHit)->Name("MakeImageHit/Qel")->Threads(1)->Threads(8)->UseRealTime();

// Straight R, G, B, A icons: an anti-aliased disc in a colour of its own on a clear field.
std::vector<std::vector<byte>> Icons()
{
	std::vector<std::vector<byte>> icons(ICONS);
	for(int i = 0; i < ICONS; i++) {
		std::vector<byte>& px = icons[i];
		px.resize(ICON * ICON * 4);
		double r = 4 + i % 4;
		for(int y = 0; y < ICON; y++)
			for(int x = 0; x < ICON; x++) {
				double d = std::hypot(x - 7.5, y - 7.5) - r;
				int a = d <= 0 ? 255 : d >= 1 ? 0 : int(255 * (1 - d));
				byte* p = &px[(y * ICON + x) * 4];
				p[0] = byte(i * 37);
				p[1] = byte(255 - y * 12);
				p[2] = byte(i * 11 + x * 9);
				p[3] = byte(a);
			}
	}
	return icons;
}

struct ListData {
	String              block[2]; // two copies: the block cache is keyed by address
	const char*         names[ICONS];
	String              name_text[ICONS];
	std::vector<std::vector<byte>> png;

	ListData()
	{
		std::vector<std::vector<byte>> icons = Icons();
		String raw;
		for(int i = 0; i < ICONS; i++) {
			raw.Cat(char(0));
			for(int v : { ICON, ICON, 0, 0, 0, 0 }) {
				raw.Cat(char(v & 255));
				raw.Cat(char(v >> 8));
			}
			raw.Cat((const char*)icons[i].data(), int(icons[i].size()));
			name_text[i] = "icon";
			name_text[i] << i;
			names[i] = name_text[i].Begin();

			png_image img = {};
			img.version = PNG_IMAGE_VERSION;
			img.width = img.height = ICON;
			img.format = PNG_FORMAT_RGBA;
			png_alloc_size_t size = 0;
			png_image_write_to_memory(&img, nullptr, &size, 0, icons[i].data(), 0, nullptr);
			std::vector<byte> out(size);
			png_image_write_to_memory(&img, out.data(), &size, 0, icons[i].data(), 0, nullptr);
			out.resize(size);
			png.push_back(std::move(out));
		}
		block[0] = ZCompress(raw);
		block[1] = ZCompress(raw);
	}
};

const ListData& Data()
{
	static ListData d;
	return d;
}

void ImlFirstGetQel(benchmark::State& state)
{
	const ListData& d = Data();
	int n = 0;
	for(auto _ : state) {
		const String& b = d.block[n++ & 1];
		Iml list(d.names, ICONS);
		list.AddData(Iml::BASE, (const byte*)b.Begin(), b.GetLength(), ICONS);
		for(int i = 0; i < ICONS; i++)
			benchmark::DoNotOptimize(list.Get(i));
	}
	state.SetItemsProcessed(state.iterations() * ICONS);
}
BENCHMARK(ImlFirstGetQel)->Name("ImlFirstGet/Qel");

void ImlFirstGetLibpng(benchmark::State& state)
{
	const ListData& d = Data();
	std::vector<byte> px(ICON * ICON * 4);
	int64 sum = 0;
	for(auto _ : state)
		for(const std::vector<byte>& file : d.png) {
			png_image img = {};
			img.version = PNG_IMAGE_VERSION;
			if(png_image_begin_read_from_memory(&img, file.data(), file.size())) {
				img.format = PNG_FORMAT_RGBA;
				png_image_finish_read(&img, nullptr, px.data(), 0, nullptr);
				sum += px[5];
			}
		}
	benchmark::DoNotOptimize(sum);
	state.SetItemsProcessed(state.iterations() * ICONS);
}
BENCHMARK(ImlFirstGetLibpng)->Name("ImlFirstGet/libpng");

} // namespace
