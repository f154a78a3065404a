// std::variant beside Value (numbers.cpp) on the C library's allocator: building, copying and
// comparing a mix of ints, doubles and short texts.
#include "BenchData.h"

#include <string>
#include <variant>
#include <vector>

using namespace bench;

namespace {

constexpr int N = 1024;

using Variant = std::variant<std::monostate, int, double, std::string>;

void ValueConstruct_variant(benchmark::State& state)
{
	const auto& w = Weights();
	for(auto _ : state)
		for(int i = 0; i < N; i++) {
			Variant v = i % 3 == 0 ? Variant(i) : i % 3 == 1 ? Variant(w[i]) : Variant(std::string("short text"));
			benchmark::DoNotOptimize(v);
		}
	state.SetItemsProcessed(state.iterations() * N);
}

template <class T, class Make>
std::vector<T> Mix(Make make)
{
	std::vector<T> r;
	for(int i = 0; i < N; i++)
		r.push_back(make(i));
	return r;
}

const std::vector<Variant>& VariantMix()
{
	static std::vector<Variant> v = Mix<Variant>([](int i) {
		return i % 3 == 0 ? Variant(i % 100) : i % 3 == 1 ? Variant(double(i % 100)) : Variant(std::string(i % 2 ? "text" : "other text"));
	});
	return v;
}

void ValueCopy_variant(benchmark::State& state)
{
	const auto& src = VariantMix();
	for(auto _ : state) {
		std::vector<Variant> c = src;
		benchmark::DoNotOptimize(c.data());
	}
	state.SetItemsProcessed(state.iterations() * N);
}

void ValueEqual_variant(benchmark::State& state)
{
	const auto& v = VariantMix();
	for(auto _ : state) {
		int n = 0;
		for(int i = 1; i < N; i++)
			n += v[i] == v[i - 3 > 0 ? i - 3 : 0];
		benchmark::DoNotOptimize(n);
	}
	state.SetItemsProcessed(state.iterations() * (N - 1));
}

void ValueCompare_variant(benchmark::State& state)
{
	const auto& v = VariantMix();
	for(auto _ : state) {
		int n = 0;
		for(int i = 3; i < N; i++)
			n += (v[i] > v[i - 3]) - (v[i] < v[i - 3]);
		benchmark::DoNotOptimize(n);
	}
	state.SetItemsProcessed(state.iterations() * (N - 3));
}



} // namespace

BENCHMARK(ValueConstruct_variant)->Name("ValueConstruct/std_variant");
BENCHMARK(ValueCopy_variant)->Name("ValueCopy/std_variant");
BENCHMARK(ValueEqual_variant)->Name("ValueEqual/std_variant");
BENCHMARK(ValueCompare_variant)->Name("ValueCompare/std_variant");
