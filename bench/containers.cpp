// Containers against the standard library and abseil: appends, hash lookups and sorting.
#include <Core/Core.h>

#include <benchmark/benchmark.h>

#include <absl/container/flat_hash_map.h>

#include <algorithm>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

using namespace Qel;

namespace {

constexpr int KEYS = 1000000;

// Keys present in the tables, and as many that are not, made once for every benchmark.
struct IntKeys {
	std::vector<int> hit, miss;
	IntKeys()
	{
		std::mt19937 rng(1);
		std::vector<int> all(2 * KEYS);
		for(int& x : all)
			x = (int)rng();
		std::sort(all.begin(), all.end());
		all.erase(std::unique(all.begin(), all.end()), all.end());
		std::shuffle(all.begin(), all.end(), rng);
		hit.assign(all.begin(), all.begin() + KEYS);
		miss.assign(all.begin() + KEYS, all.begin() + std::min<size_t>(all.size(), 2 * KEYS));
	}
};

const IntKeys& Keys()
{
	static IntKeys k;
	return k;
}

const Index<int>& QelIndex()
{
	static Index<int> x = [] {
		Index<int> x;
		for(int k : Keys().hit)
			x.Add(k);
		return x;
	}();
	return x;
}

const VectorMap<int, int>& QelMap()
{
	static VectorMap<int, int> m = [] {
		VectorMap<int, int> m;
		for(int k : Keys().hit)
			m.Add(k, k);
		return m;
	}();
	return m;
}

const std::unordered_map<int, int>& StdMap()
{
	static std::unordered_map<int, int> m = [] {
		std::unordered_map<int, int> m;
		for(int k : Keys().hit)
			m.emplace(k, k);
		return m;
	}();
	return m;
}

const absl::flat_hash_map<int, int>& AbslMap()
{
	static absl::flat_hash_map<int, int> m = [] {
		absl::flat_hash_map<int, int> m;
		for(int k : Keys().hit)
			m.emplace(k, k);
		return m;
	}();
	return m;
}

// ---- appends

void BM_Qel_VectorInt_Add(benchmark::State& state)
{
	for(auto _ : state) {
		Vector<int> v;
		for(int i = 0; i < KEYS; i++)
			v.Add(i);
		benchmark::DoNotOptimize(v.begin());
	}
	state.SetItemsProcessed(state.iterations() * KEYS);
}
BENCHMARK(BM_Qel_VectorInt_Add);

void BM_Std_VectorInt_PushBack(benchmark::State& state)
{
	for(auto _ : state) {
		std::vector<int> v;
		for(int i = 0; i < KEYS; i++)
			v.push_back(i);
		benchmark::DoNotOptimize(v.data());
	}
	state.SetItemsProcessed(state.iterations() * KEYS);
}
BENCHMARK(BM_Std_VectorInt_PushBack);

// ---- building hash tables of 1M int keys

void BM_Qel_IndexInt_FindAdd(benchmark::State& state)
{
	const std::vector<int>& k = Keys().hit;
	for(auto _ : state) {
		Index<int> x;
		for(int key : k)
			x.FindAdd(key);
		benchmark::DoNotOptimize(x.GetCount());
	}
	state.SetItemsProcessed(state.iterations() * k.size());
}
BENCHMARK(BM_Qel_IndexInt_FindAdd)->Unit(benchmark::kMillisecond);

void BM_Qel_VectorMapInt_FindAdd(benchmark::State& state)
{
	const std::vector<int>& k = Keys().hit;
	for(auto _ : state) {
		VectorMap<int, int> m;
		for(int key : k)
			m[m.FindAdd(key)] = key;
		benchmark::DoNotOptimize(m.GetCount());
	}
	state.SetItemsProcessed(state.iterations() * k.size());
}
BENCHMARK(BM_Qel_VectorMapInt_FindAdd)->Unit(benchmark::kMillisecond);

void BM_Std_UnorderedMapInt_Insert(benchmark::State& state)
{
	const std::vector<int>& k = Keys().hit;
	for(auto _ : state) {
		std::unordered_map<int, int> m;
		for(int key : k)
			m.emplace(key, key);
		benchmark::DoNotOptimize(m.size());
	}
	state.SetItemsProcessed(state.iterations() * k.size());
}
BENCHMARK(BM_Std_UnorderedMapInt_Insert)->Unit(benchmark::kMillisecond);

void BM_Absl_FlatHashMapInt_Insert(benchmark::State& state)
{
	const std::vector<int>& k = Keys().hit;
	for(auto _ : state) {
		absl::flat_hash_map<int, int> m;
		for(int key : k)
			m.emplace(key, key);
		benchmark::DoNotOptimize(m.size());
	}
	state.SetItemsProcessed(state.iterations() * k.size());
}
BENCHMARK(BM_Absl_FlatHashMapInt_Insert)->Unit(benchmark::kMillisecond);

// ---- lookups in the prebuilt 1M-key tables; one pass looks up every key once

template <class F>
void Lookups(benchmark::State& state, const std::vector<int>& keys, F find)
{
	size_t i = 0;
	int64 found = 0;
	for(auto _ : state) {
		found += find(keys[i]);
		if(++i == keys.size())
			i = 0;
	}
	benchmark::DoNotOptimize(found);
	state.SetItemsProcessed(state.iterations());
}

void BM_Qel_IndexInt_FindHit(benchmark::State& state)
{
	const Index<int>& x = QelIndex();
	Lookups(state, Keys().hit, [&](int k) { return x.Find(k) >= 0; });
}
BENCHMARK(BM_Qel_IndexInt_FindHit);

void BM_Qel_IndexInt_FindMiss(benchmark::State& state)
{
	const Index<int>& x = QelIndex();
	Lookups(state, Keys().miss, [&](int k) { return x.Find(k) >= 0; });
}
BENCHMARK(BM_Qel_IndexInt_FindMiss);

void BM_Qel_VectorMapInt_FindHit(benchmark::State& state)
{
	const VectorMap<int, int>& m = QelMap();
	Lookups(state, Keys().hit, [&](int k) { int i = m.Find(k); return i >= 0 ? m[i] : 0; });
}
BENCHMARK(BM_Qel_VectorMapInt_FindHit);

void BM_Qel_VectorMapInt_FindMiss(benchmark::State& state)
{
	const VectorMap<int, int>& m = QelMap();
	Lookups(state, Keys().miss, [&](int k) { int i = m.Find(k); return i >= 0 ? m[i] : 0; });
}
BENCHMARK(BM_Qel_VectorMapInt_FindMiss);

void BM_Std_UnorderedMapInt_FindHit(benchmark::State& state)
{
	const auto& m = StdMap();
	Lookups(state, Keys().hit, [&](int k) { auto q = m.find(k); return q != m.end() ? q->second : 0; });
}
BENCHMARK(BM_Std_UnorderedMapInt_FindHit);

void BM_Std_UnorderedMapInt_FindMiss(benchmark::State& state)
{
	const auto& m = StdMap();
	Lookups(state, Keys().miss, [&](int k) { auto q = m.find(k); return q != m.end() ? q->second : 0; });
}
BENCHMARK(BM_Std_UnorderedMapInt_FindMiss);

void BM_Absl_FlatHashMapInt_FindHit(benchmark::State& state)
{
	const auto& m = AbslMap();
	Lookups(state, Keys().hit, [&](int k) { auto q = m.find(k); return q != m.end() ? q->second : 0; });
}
BENCHMARK(BM_Absl_FlatHashMapInt_FindHit);

void BM_Absl_FlatHashMapInt_FindMiss(benchmark::State& state)
{
	const auto& m = AbslMap();
	Lookups(state, Keys().miss, [&](int k) { auto q = m.find(k); return q != m.end() ? q->second : 0; });
}
BENCHMARK(BM_Absl_FlatHashMapInt_FindMiss);

// ---- sorting 1M random ints

void BM_Qel_Sort(benchmark::State& state)
{
	const std::vector<int>& src = Keys().hit;
	std::vector<int> a;
	for(auto _ : state) {
		state.PauseTiming();
		a = src;
		state.ResumeTiming();
		Sort(a.data(), a.data() + a.size());
		benchmark::DoNotOptimize(a.data());
	}
	state.SetItemsProcessed(state.iterations() * src.size());
}
BENCHMARK(BM_Qel_Sort)->Unit(benchmark::kMillisecond);

void BM_Std_Sort(benchmark::State& state)
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
BENCHMARK(BM_Std_Sort)->Unit(benchmark::kMillisecond);

} // namespace
