// Values on the framework's side: building and reading a ValueMap, looking keys up in it, and the
// binary form of a large ValueArray; RapidJSON's DOM (malloc-based) as a peer for the map. The map
// cases run first, so their peak memory is measured before anything has been freed.
#include "ValuesData.h"

#include <Core/Core.h>

#include <rapidjson/document.h>

using namespace Qel;
using namespace bench;

namespace {

struct ValueSink {
	ValueArray& a;
	void Int(int x)            { a.Add(x); }
	void Double(double x)      { a.Add(x); }
	void Text(const char* x)   { a.Add(x); }
	void Bool(bool x)          { a.Add(x); }
	void Int64(int64_t x)      { a.Add(int64(x)); }
};

const ValueArray& Mixed()
{
	static ValueArray a = [] {
		ValueArray a;
		ValueSink s{ a };
		for(int i = 0; i < SCALARS; i++)
			MixedScalar(i, s);
		return a;
	}();
	return a;
}

const Vector<String>& Keys()
{
	static Vector<String> k = [] {
		Vector<String> k;
		for(int i = 0; i < MAP_ENTRIES; i++)
			k.Add(String(MapKey(i).c_str()));
		return k;
	}();
	return k;
}

ValueMap BuildQel()
{
	ValueMap m;
	const Vector<String>& k = Keys();
	for(int i = 0; i < k.GetCount(); i++)
		m.Add(k[i], i);
	return m;
}

rapidjson::Document BuildRapid()
{
	rapidjson::Document d;
	d.SetObject();
	auto& alloc = d.GetAllocator();
	const Vector<String>& k = Keys();
	for(int i = 0; i < k.GetCount(); i++)
		d.AddMember(rapidjson::Value(~k[i], k[i].GetLength(), alloc), rapidjson::Value(i), alloc);
	return d;
}

void MapBuildQel(benchmark::State& state)
{
	Keys();
	// Once: later runs would reuse what earlier ones freed.
	static const long peak = PeakKbOf([] { ValueMap m = BuildQel(); benchmark::DoNotOptimize(m); });
	state.counters["peak_kb"] = double(peak);
	for(auto _ : state) {
		ValueMap m = BuildQel();
		benchmark::DoNotOptimize(m);
	}
	state.counters["ns_per_entry"] =
		benchmark::Counter(double(MAP_ENTRIES), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(MapBuildQel)->Name("MapBuild/Qel")->Unit(benchmark::kMillisecond);

void MapBuildRapid(benchmark::State& state)
{
	Keys();
	// Once: later runs would reuse what earlier ones freed.
	static const long peak = PeakKbOf([] { rapidjson::Document d = BuildRapid(); benchmark::DoNotOptimize(d); });
	state.counters["peak_kb"] = double(peak);
	for(auto _ : state) {
		rapidjson::Document d = BuildRapid();
		benchmark::DoNotOptimize(d);
	}
	state.counters["ns_per_entry"] =
		benchmark::Counter(double(MAP_ENTRIES), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(MapBuildRapid)->Name("MapBuild/RapidJSON")->Unit(benchmark::kMillisecond);

// Every entry in order: key length and value summed.
void MapReadQel(benchmark::State& state)
{
	ValueMap m = BuildQel();
	for(auto _ : state) {
		int64 sum = 0;
		const Value* v = m.GetValues().Get().begin();
		for(const Value& k : m.GetKeys())
			sum += k.To<String>().GetLength() + (v++)->ToInt();
		benchmark::DoNotOptimize(sum);
	}
	state.SetItemsProcessed(state.iterations() * MAP_ENTRIES);
}
BENCHMARK(MapReadQel)->Name("MapRead/Qel")->Unit(benchmark::kMicrosecond);

void MapReadRapid(benchmark::State& state)
{
	rapidjson::Document d = BuildRapid();
	for(auto _ : state) {
		int64 sum = 0;
		for(auto it = d.MemberBegin(); it != d.MemberEnd(); ++it)
			sum += it->name.GetStringLength() + it->value.GetInt();
		benchmark::DoNotOptimize(sum);
	}
	state.SetItemsProcessed(state.iterations() * MAP_ENTRIES);
}
BENCHMARK(MapReadRapid)->Name("MapRead/RapidJSON")->Unit(benchmark::kMicrosecond);

void MapLookup(benchmark::State& state)
{
	ValueMap m = BuildQel();
	Vector<Value> keys;
	for(int i = 0; i < MAP_ENTRIES; i++)
		keys.Add(Keys()[LookupOrder(i)]);
	for(auto _ : state) {
		int64 sum = 0;
		for(const Value& k : keys)
			sum += m.GetValues()[m.Find(k)].ToInt();
		benchmark::DoNotOptimize(sum);
	}
	state.SetItemsProcessed(state.iterations() * MAP_ENTRIES);
}
BENCHMARK(MapLookup)->Name("MapLookup/Qel")->Unit(benchmark::kMicrosecond);

void ArrayStore(benchmark::State& state)
{
	Value v = Mixed();
	size_t bytes = 0;
	for(auto _ : state) {
		StringStream ss;
		v.Serialize(ss);
		String r = ss.GetResult();
		bytes = r.GetLength();
		benchmark::DoNotOptimize(r.Begin());
	}
	state.counters["bytes"] = double(bytes);
	state.SetItemsProcessed(state.iterations() * SCALARS);
}
BENCHMARK(ArrayStore)->Name("ArrayStore/Qel")->Unit(benchmark::kMillisecond);

void ArrayLoad(benchmark::State& state)
{
	Value v = Mixed();
	StringStream ss;
	v.Serialize(ss);
	String data = ss.GetResult();
	for(auto _ : state) {
		StringStream in(data);
		in.SetLoading();
		Value w;
		w.Serialize(in);
		if(in.IsError() || w.GetType() != VALUEARRAY_V)
			state.SkipWithError("load failed");
		benchmark::DoNotOptimize(w);
	}
	state.SetItemsProcessed(state.iterations() * SCALARS);
}
BENCHMARK(ArrayLoad)->Name("ArrayLoad/Qel")->Unit(benchmark::kMillisecond);

} // namespace
