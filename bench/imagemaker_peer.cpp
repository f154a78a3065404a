// The peer of imagemaker.cpp's MakeImageHit: made images kept in a std::unordered_map by key
// under one std::mutex.
#include <draw/Draw.h>

#include <benchmark/benchmark.h>

#include <mutex>
#include <string>
#include <unordered_map>

using namespace Qel;

namespace {

constexpr int KEYS = 256;

struct StdImageCache {
	std::unordered_map<std::string, Image> map;
	std::mutex                             lock;

	template <class F>
	Image Get(const std::string& key, F&& make)
	{
		std::lock_guard<std::mutex> g(lock);
		auto q = map.find(key);
		if(q != map.end())
			return q->second;
		return map.emplace(key, make()).first->second;
	}
};

StdImageCache cache;

const Image& Icon16()
{
	static Image m = CreateImage(Size(16, 16), Color(20, 90, 200));
	return m;
}

void MakeImageHit(benchmark::State& state)
{
	auto key = [](int k) { return std::string("KeyMaker") + std::string((const char*)&k, sizeof(k)); };
	for(int k = 0; k < KEYS; k++)
		cache.Get(key(k), [] { return Icon16(); });
	int k = state.thread_index() * 37;
	for(auto _ : state) {
		Image m = cache.Get(key(k), [] { return Icon16(); });
		benchmark::DoNotOptimize(m);
		k = (k + 1) & (KEYS - 1);
	}
}
BENCHMARK(MakeImageHit)->Name("MakeImageHit/std_map")->Threads(1)->Threads(8)->UseRealTime();

} // namespace
