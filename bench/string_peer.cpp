// std::string on the C library's allocator, the peer of string.cpp.
#include "StringCases.h"

#include <cstring>
#include <functional>
#include <string>

using namespace bench;

namespace {

void Adopt_std(benchmark::State& state)
{
	int n = (int)state.range(0);
	for(auto _ : state) {
		std::string s;
		s.reserve((size_t)n * 2);
		s.resize((size_t)n);
		memset(s.data(), 'x', (size_t)n);
		s.shrink_to_fit();
		benchmark::DoNotOptimize(s);
	}
}

void Hash_std(benchmark::State& state)
{
	std::string s(Text((int)state.range(0)));
	for(auto _ : state) {
		benchmark::DoNotOptimize(s);
		size_t h = std::hash<std::string>()(s);
		benchmark::DoNotOptimize(h);
	}
}

} // namespace

BENCHMARK_TEMPLATE(Construct, std::string)->Name("Construct/std")->Arg(10)->Arg(25)->Arg(100);
BENCHMARK_TEMPLATE(Copy, std::string)->Name("Copy/std")->Arg(10)->Arg(25)->Arg(100);
BENCHMARK_TEMPLATE(AppendChar, std::string)->Name("AppendChar/std")->Arg(10)->Arg(1000);
BENCHMARK_TEMPLATE(AppendText, std::string)->Name("AppendText/std")->Arg(100);
BENCHMARK(Adopt_std)->Name("Adopt/std")->Arg(100000)->Arg(1000000);
BENCHMARK_TEMPLATE(Equal, std::string)->Name("Equal/std")->Arg(10)->Arg(25)->Arg(100);
BENCHMARK_TEMPLATE(Less, std::string)->Name("Less/std")->Arg(10)->Arg(100);
BENCHMARK(Hash_std)->Name("Hash/std")->Arg(10)->Arg(25)->Arg(100);
