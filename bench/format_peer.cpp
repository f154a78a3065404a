// fmt::format on the C library's allocator, the peer of Format in format.cpp.
#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <string>

namespace {

void FmtFormat(benchmark::State& state)
{
	std::string name("items");
	int i = 0;
	for(auto _ : state) {
		std::string s = fmt::format("{} of {}: {:.2f}", i, name, 3.14159 * i);
		i++;
		benchmark::DoNotOptimize(s);
	}
}
BENCHMARK(FmtFormat)->Name("Format/fmt");

} // namespace
