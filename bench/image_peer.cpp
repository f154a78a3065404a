// The C++ peer of Image copies (see image.cpp): a std::shared_ptr to a std::vector of pixel
// words, copied on 8 threads. It allocates with the standard operator new, so it runs in a
// program of its own.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace {

const std::shared_ptr<std::vector<uint32_t>>& SharedPixels()
{
	static auto p = std::make_shared<std::vector<uint32_t>>(size_t(1920) * 1080, 0xFF000000u);
	return p;
}

void SharedPtrCopy(benchmark::State& state)
{
	const auto& img = SharedPixels();
	for(auto _ : state) {
		std::shared_ptr<std::vector<uint32_t>> c = img;
		benchmark::DoNotOptimize(c->data());
	}
	state.SetItemsProcessed(state.iterations());
}

} // namespace

BENCHMARK(SharedPtrCopy)->Name("ImageCopy/SharedPtrVector")->Threads(8);
