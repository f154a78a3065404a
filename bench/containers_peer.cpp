// The peers of containers.cpp on the C library's allocator: std::vector, std::unordered_set/map,
// absl::flat_hash_set/map and std::sort over the same keys.
#include "BenchData.h"

#include <absl/container/flat_hash_map.h>
#include <absl/container/flat_hash_set.h>

#include <unordered_map>
#include <unordered_set>

using namespace bench;

namespace {

struct TextKeys {
	std::vector<std::string> hit, miss;
	TextKeys()
	{
		for(int k : Keys().hit)
			hit.push_back(TextKey(k));
		for(int k : Keys().miss)
			miss.push_back(TextKey(k));
	}
};

const TextKeys& Texts()
{
	static TextKeys k;
	return k;
}

void VectorIntAdd(benchmark::State& state)
{
	int n = (int)state.range(0);
	for(auto _ : state) {
		std::vector<int> v;
		for(int i = 0; i < n; i++)
			v.push_back(i);
		benchmark::DoNotOptimize(v.data());
	}
	state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(VectorIntAdd)->Name("VectorIntAdd/std")->Arg(1000)->Arg(KEYS);

void VectorStringAdd(benchmark::State& state)
{
	const std::vector<std::string>& src = Texts().hit;
	for(auto _ : state) {
		std::vector<std::string> v;
		for(const std::string& x : src)
			v.push_back(x);
		benchmark::DoNotOptimize(v.data());
	}
	state.SetItemsProcessed(state.iterations() * src.size());
}
BENCHMARK(VectorStringAdd)->Name("VectorStringAdd/std")->Unit(benchmark::kMillisecond);

template <class T, class K>
const T& Table(const K& keys)
{
	static T t = [&] {
		T t;
		for(const auto& k : keys)
			if constexpr(requires { typename T::mapped_type; })
				t.emplace(k, 1);
			else
				t.insert(k);
		return t;
	}();
	return t;
}

template <class T, class K>
void Build(benchmark::State& state, const K& keys)
{
	for(auto _ : state) {
		T x;
		for(const auto& key : keys)
			if constexpr(requires { typename T::mapped_type; })
				x.emplace(key, 1);
			else
				x.insert(key);
		benchmark::DoNotOptimize(x.size());
	}
	state.SetItemsProcessed(state.iterations() * keys.size());
}

template <class T, class K>
void Find(benchmark::State& s, const T& x, const K& keys)
{
	Lookups(s, keys, [&](const auto& k) {
		auto q = x.find(k);
		if constexpr(requires { typename T::mapped_type; })
			return q != x.end() ? q->second : 0;
		else
			return q != x.end();
	});
}

// Registers the build, hit and miss cases of one table type.
template <class T, bool text>
void Cases(const char* table, const char* impl)
{
	std::string b = std::string(table) + "Build/" + impl;
	std::string h = std::string(table) + "FindHit/" + impl;
	std::string m = std::string(table) + "FindMiss/" + impl;
	if constexpr(text) {
		benchmark::RegisterBenchmark(b.c_str(), [](benchmark::State& s) { Build<T>(s, Texts().hit); })
			->Unit(benchmark::kMillisecond);
		benchmark::RegisterBenchmark(h.c_str(), [](benchmark::State& s) { Find(s, Table<T>(Texts().hit), Texts().hit); });
		benchmark::RegisterBenchmark(m.c_str(), [](benchmark::State& s) { Find(s, Table<T>(Texts().hit), Texts().miss); });
	}
	else {
		benchmark::RegisterBenchmark(b.c_str(), [](benchmark::State& s) { Build<T>(s, Keys().hit); })
			->Unit(benchmark::kMillisecond);
		benchmark::RegisterBenchmark(h.c_str(), [](benchmark::State& s) { Find(s, Table<T>(Keys().hit), Keys().hit); });
		benchmark::RegisterBenchmark(m.c_str(), [](benchmark::State& s) { Find(s, Table<T>(Keys().hit), Keys().miss); });
	}
}

const int sRegistered = [] {
	Cases<std::unordered_set<int>, false>("IntSet", "std_unordered_set");
	Cases<absl::flat_hash_set<int>, false>("IntSet", "absl_flat_hash_set");
	Cases<std::unordered_map<int, int>, false>("IntMap", "std_unordered_map");
	Cases<absl::flat_hash_map<int, int>, false>("IntMap", "absl_flat_hash_map");
	Cases<std::unordered_set<std::string>, true>("TextSet", "std_unordered_set");
	Cases<absl::flat_hash_set<std::string>, true>("TextSet", "absl_flat_hash_set");
	Cases<std::unordered_map<std::string, int>, true>("TextMap", "std_unordered_map");
	Cases<absl::flat_hash_map<std::string, int>, true>("TextMap", "absl_flat_hash_map");
	return 0;
}();

void SortInts(benchmark::State& state)
{
	const std::vector<int>& src = Keys().hit;
	std::vector<int> a;
	for(auto _ : state) {
		state.PauseTiming();
		a = src;
		state.ResumeTiming();
		std::sort(a.begin(), a.end());
		benchmark::DoNotOptimize(a.data());
	}
	state.SetItemsProcessed(state.iterations() * src.size());
}
BENCHMARK(SortInts)->Name("Sort/std")->Unit(benchmark::kMillisecond);

} // namespace
