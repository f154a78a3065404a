// Containers on the framework's heap: appends, hash lookups and sorting. The peers are in
// containers_peer.cpp.
#include "BenchData.h"

#include <Core/Core.h>

using namespace Qel;
using namespace bench;

namespace {

const Index<int>& IntIndex()
{
	static Index<int> x = [] {
		Index<int> x;
		for(int k : Keys().hit)
			x.Add(k);
		return x;
	}();
	return x;
}

const VectorMap<int, int>& IntMap()
{
	static VectorMap<int, int> m = [] {
		VectorMap<int, int> m;
		for(int k : Keys().hit)
			m.Add(k, k);
		return m;
	}();
	return m;
}

struct TextKeys {
	Vector<String> hit, miss;
	TextKeys()
	{
		for(int k : Keys().hit)
			hit.Add(TextKey(k).c_str());
		for(int k : Keys().miss)
			miss.Add(TextKey(k).c_str());
	}
};

const TextKeys& Texts()
{
	static TextKeys k;
	return k;
}

struct Keys_ {
	const Vector<String>& v;
	size_t size() const { return v.GetCount(); }
	const String& operator[](size_t i) const { return v[(int)i]; }
	auto begin() const { return v.begin(); }
	auto end() const { return v.end(); }
};

const Index<String>& TextIndex()
{
	static Index<String> x = [] {
		Index<String> x;
		for(const String& k : Texts().hit)
			x.Add(k);
		return x;
	}();
	return x;
}

const VectorMap<String, int>& TextMap()
{
	static VectorMap<String, int> m = [] {
		VectorMap<String, int> m;
		for(const String& k : Texts().hit)
			m.Add(k, 1);
		return m;
	}();
	return m;
}

void VectorIntAdd(benchmark::State& state)
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
BENCHMARK(VectorIntAdd)->Name("VectorIntAdd/Qel")->Arg(1000)->Arg(KEYS);

void VectorStringAdd(benchmark::State& state)
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
BENCHMARK(VectorStringAdd)->Name("VectorStringAdd/Qel")->Unit(benchmark::kMillisecond);

// ---- building tables of 1M keys

template <class T, class K>
void BuildSet(benchmark::State& state, const K& keys)
{
	for(auto _ : state) {
		T x;
		for(const auto& key : keys)
			x.FindAdd(key);
		benchmark::DoNotOptimize(x.GetCount());
	}
	state.SetItemsProcessed(state.iterations() * keys.size());
}

template <class T, class K>
void BuildMap(benchmark::State& state, const K& keys)
{
	for(auto _ : state) {
		T m;
		for(const auto& key : keys)
			m[m.FindAdd(key)] = 1;
		benchmark::DoNotOptimize(m.GetCount());
	}
	state.SetItemsProcessed(state.iterations() * keys.size());
}

void IntSetBuild(benchmark::State& s) { BuildSet<Index<int>>(s, Keys().hit); }
void IntMapBuild(benchmark::State& s) { BuildMap<VectorMap<int, int>>(s, Keys().hit); }
void TextSetBuild(benchmark::State& s) { BuildSet<Index<String>>(s, Keys_{ Texts().hit }); }
void TextMapBuild(benchmark::State& s) { BuildMap<VectorMap<String, int>>(s, Keys_{ Texts().hit }); }
BENCHMARK(IntSetBuild)->Name("IntSetBuild/QelIndex")->Unit(benchmark::kMillisecond);
BENCHMARK(IntMapBuild)->Name("IntMapBuild/QelVectorMap")->Unit(benchmark::kMillisecond);
BENCHMARK(TextSetBuild)->Name("TextSetBuild/QelIndex")->Unit(benchmark::kMillisecond);
BENCHMARK(TextMapBuild)->Name("TextMapBuild/QelVectorMap")->Unit(benchmark::kMillisecond);

// ---- lookups in the prebuilt 1M-key tables

template <class T, class K>
void FindSet(benchmark::State& s, const T& x, const K& keys)
{
	Lookups(s, keys, [&](const auto& k) { return x.Find(k) >= 0; });
}

template <class T, class K>
void FindMap(benchmark::State& s, const T& m, const K& keys)
{
	Lookups(s, keys, [&](const auto& k) { int i = m.Find(k); return i >= 0 ? m[i] : 0; });
}

void IntSetHit(benchmark::State& s) { FindSet(s, IntIndex(), Keys().hit); }
void IntSetMiss(benchmark::State& s) { FindSet(s, IntIndex(), Keys().miss); }
void IntMapHit(benchmark::State& s) { FindMap(s, IntMap(), Keys().hit); }
void IntMapMiss(benchmark::State& s) { FindMap(s, IntMap(), Keys().miss); }
void TextSetHit(benchmark::State& s) { FindSet(s, TextIndex(), Keys_{ Texts().hit }); }
void TextSetMiss(benchmark::State& s) { FindSet(s, TextIndex(), Keys_{ Texts().miss }); }
void TextMapHit(benchmark::State& s) { FindMap(s, TextMap(), Keys_{ Texts().hit }); }
void TextMapMiss(benchmark::State& s) { FindMap(s, TextMap(), Keys_{ Texts().miss }); }
BENCHMARK(IntSetHit)->Name("IntSetFindHit/QelIndex");
BENCHMARK(IntSetMiss)->Name("IntSetFindMiss/QelIndex");
BENCHMARK(IntMapHit)->Name("IntMapFindHit/QelVectorMap");
BENCHMARK(IntMapMiss)->Name("IntMapFindMiss/QelVectorMap");
BENCHMARK(TextSetHit)->Name("TextSetFindHit/QelIndex");
BENCHMARK(TextSetMiss)->Name("TextSetFindMiss/QelIndex");
BENCHMARK(TextMapHit)->Name("TextMapFindHit/QelVectorMap");
BENCHMARK(TextMapMiss)->Name("TextMapFindMiss/QelVectorMap");

// ---- sorting 1M random ints

void SortInts(benchmark::State& state)
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
BENCHMARK(SortInts)->Name("Sort/Qel")->Unit(benchmark::kMillisecond);

} // namespace
