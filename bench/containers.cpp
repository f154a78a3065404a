// Containers against the standard library and abseil: appends, hash lookups and sorting.
#include <Core/Core.h>

#include <benchmark/benchmark.h>

#include <absl/container/flat_hash_map.h>

#include <algorithm>
#include <cstdio>
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

// The same keys as texts, for both sides.
struct TextKeys {
	Vector<String> hit, miss;
	std::vector<std::string> shit, smiss;
	TextKeys()
	{
		// Built in one piece, so each text gets the storage form its length calls for.
		auto make = [](int k) {
			char b[32];
			snprintf(b, sizeof(b), "key:%d", k);
			return String(b);
		};
		for(int k : Keys().hit) {
			hit.Add(make(k));
			shit.emplace_back(hit.Top().Begin(), hit.Top().GetLength());
		}
		for(int k : Keys().miss) {
			miss.Add(make(k));
			smiss.emplace_back(miss.Top().Begin(), miss.Top().GetLength());
		}
	}
};

const TextKeys& Texts()
{
	static TextKeys k;
	return k;
}

const Index<String>& QelTextIndex()
{
	static Index<String> x = [] {
		Index<String> x;
		for(const String& k : Texts().hit)
			x.Add(k);
		return x;
	}();
	return x;
}

const VectorMap<String, int>& QelTextMap()
{
	static VectorMap<String, int> m = [] {
		VectorMap<String, int> m;
		for(const String& k : Texts().hit)
			m.Add(k, 1);
		return m;
	}();
	return m;
}

const std::unordered_map<std::string, int>& StdTextMap()
{
	static std::unordered_map<std::string, int> m = [] {
		std::unordered_map<std::string, int> m;
		for(const std::string& k : Texts().shit)
			m.emplace(k, 1);
		return m;
	}();
	return m;
}

const absl::flat_hash_map<std::string, int>& AbslTextMap()
{
	static absl::flat_hash_map<std::string, int> m = [] {
		absl::flat_hash_map<std::string, int> m;
		for(const std::string& k : Texts().shit)
			m.emplace(k, 1);
		return m;
	}();
	return m;
}

// ---- appends

void BM_Qel_VectorInt_Add(benchmark::State& state)
{
	int n = (int)state.range(0);
	for(auto _ : state) {
		Vector<int> v;
		for(int i = 0; i < n; i++)
			v.Add(i);
		benchmark::DoNotOptimize(v.begin());
	}
	state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_Qel_VectorInt_Add)->Arg(1000)->Arg(KEYS);

void BM_Std_VectorInt_PushBack(benchmark::State& state)
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
BENCHMARK(BM_Std_VectorInt_PushBack)->Arg(1000)->Arg(KEYS);

void BM_Qel_VectorString_Add(benchmark::State& state)
{
	const Vector<String>& src = Texts().hit;
	for(auto _ : state) {
		Vector<String> v;
		for(const String& x : src)
			v.Add(x);
		benchmark::DoNotOptimize(v.begin());
	}
	state.SetItemsProcessed(state.iterations() * src.GetCount());
}
BENCHMARK(BM_Qel_VectorString_Add)->Unit(benchmark::kMillisecond);

void BM_Std_VectorString_PushBack(benchmark::State& state)
{
	const std::vector<std::string>& src = Texts().shit;
	for(auto _ : state) {
		std::vector<std::string> v;
		for(const std::string& x : src)
			v.push_back(x);
		benchmark::DoNotOptimize(v.data());
	}
	state.SetItemsProcessed(state.iterations() * src.size());
}
BENCHMARK(BM_Std_VectorString_PushBack)->Unit(benchmark::kMillisecond);

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

// ---- 1M text keys

void BM_Qel_IndexString_FindAdd(benchmark::State& state)
{
	const Vector<String>& k = Texts().hit;
	for(auto _ : state) {
		Index<String> x;
		for(const String& key : k)
			x.FindAdd(key);
		benchmark::DoNotOptimize(x.GetCount());
	}
	state.SetItemsProcessed(state.iterations() * k.GetCount());
}
BENCHMARK(BM_Qel_IndexString_FindAdd)->Unit(benchmark::kMillisecond);

void BM_Qel_VectorMapString_FindAdd(benchmark::State& state)
{
	const Vector<String>& k = Texts().hit;
	for(auto _ : state) {
		VectorMap<String, int> m;
		for(const String& key : k)
			m[m.FindAdd(key)] = 1;
		benchmark::DoNotOptimize(m.GetCount());
	}
	state.SetItemsProcessed(state.iterations() * k.GetCount());
}
BENCHMARK(BM_Qel_VectorMapString_FindAdd)->Unit(benchmark::kMillisecond);

void BM_Std_UnorderedMapString_Insert(benchmark::State& state)
{
	const std::vector<std::string>& k = Texts().shit;
	for(auto _ : state) {
		std::unordered_map<std::string, int> m;
		for(const std::string& key : k)
			m.emplace(key, 1);
		benchmark::DoNotOptimize(m.size());
	}
	state.SetItemsProcessed(state.iterations() * k.size());
}
BENCHMARK(BM_Std_UnorderedMapString_Insert)->Unit(benchmark::kMillisecond);

void BM_Absl_FlatHashMapString_Insert(benchmark::State& state)
{
	const std::vector<std::string>& k = Texts().shit;
	for(auto _ : state) {
		absl::flat_hash_map<std::string, int> m;
		for(const std::string& key : k)
			m.emplace(key, 1);
		benchmark::DoNotOptimize(m.size());
	}
	state.SetItemsProcessed(state.iterations() * k.size());
}
BENCHMARK(BM_Absl_FlatHashMapString_Insert)->Unit(benchmark::kMillisecond);

template <class K, class F>
void TextLookups(benchmark::State& state, const K& keys, F find)
{
	int n = (int)keys.size();
	int i = 0;
	int64 found = 0;
	for(auto _ : state) {
		found += find(keys[i]);
		if(++i == n)
			i = 0;
	}
	benchmark::DoNotOptimize(found);
	state.SetItemsProcessed(state.iterations());
}

struct QelKeys {
	const Vector<String>& v;
	size_t size() const { return v.GetCount(); }
	const String& operator[](int i) const { return v[i]; }
};

void BM_Qel_IndexString_FindHit(benchmark::State& state)
{
	const Index<String>& x = QelTextIndex();
	TextLookups(state, QelKeys{ Texts().hit }, [&](const String& k) { return x.Find(k) >= 0; });
}
BENCHMARK(BM_Qel_IndexString_FindHit);

void BM_Qel_IndexString_FindMiss(benchmark::State& state)
{
	const Index<String>& x = QelTextIndex();
	TextLookups(state, QelKeys{ Texts().miss }, [&](const String& k) { return x.Find(k) >= 0; });
}
BENCHMARK(BM_Qel_IndexString_FindMiss);

void BM_Qel_VectorMapString_FindHit(benchmark::State& state)
{
	const VectorMap<String, int>& m = QelTextMap();
	TextLookups(state, QelKeys{ Texts().hit }, [&](const String& k) { int i = m.Find(k); return i >= 0 ? m[i] : 0; });
}
BENCHMARK(BM_Qel_VectorMapString_FindHit);

void BM_Qel_VectorMapString_FindMiss(benchmark::State& state)
{
	const VectorMap<String, int>& m = QelTextMap();
	TextLookups(state, QelKeys{ Texts().miss }, [&](const String& k) { int i = m.Find(k); return i >= 0 ? m[i] : 0; });
}
BENCHMARK(BM_Qel_VectorMapString_FindMiss);

void BM_Std_UnorderedMapString_FindHit(benchmark::State& state)
{
	const auto& m = StdTextMap();
	TextLookups(state, Texts().shit, [&](const std::string& k) { auto q = m.find(k); return q != m.end() ? q->second : 0; });
}
BENCHMARK(BM_Std_UnorderedMapString_FindHit);

void BM_Std_UnorderedMapString_FindMiss(benchmark::State& state)
{
	const auto& m = StdTextMap();
	TextLookups(state, Texts().smiss, [&](const std::string& k) { auto q = m.find(k); return q != m.end() ? q->second : 0; });
}
BENCHMARK(BM_Std_UnorderedMapString_FindMiss);

void BM_Absl_FlatHashMapString_FindHit(benchmark::State& state)
{
	const auto& m = AbslTextMap();
	TextLookups(state, Texts().shit, [&](const std::string& k) { auto q = m.find(k); return q != m.end() ? q->second : 0; });
}
BENCHMARK(BM_Absl_FlatHashMapString_FindHit);

void BM_Absl_FlatHashMapString_FindMiss(benchmark::State& state)
{
	const auto& m = AbslTextMap();
	TextLookups(state, Texts().smiss, [&](const std::string& k) { auto q = m.find(k); return q != m.end() ? q->second : 0; });
}
BENCHMARK(BM_Absl_FlatHashMapString_FindMiss);

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
