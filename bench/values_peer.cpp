// The peers of values.cpp on the C library's allocator: nlohmann-json's MessagePack form of the
// same mixed array, its object built and read, and std::unordered_map<std::string, Value> lookups.
#include "ValuesData.h"

#include <Core/Core.h>

#include <nlohmann/json.hpp>

#include <unordered_map>
#include <vector>

using namespace bench;
using json = nlohmann::json;

namespace {

struct JsonSink {
	json& a;
	void Int(int x)            { a.push_back(x); }
	void Double(double x)      { a.push_back(x); }
	void Text(const char* x)   { a.push_back(x); }
	void Bool(bool x)          { a.push_back(x); }
	void Int64(int64_t x)      { a.push_back(x); }
};

const json& Mixed()
{
	static json a = [] {
		json a = json::array();
		JsonSink s{ a };
		for(int i = 0; i < SCALARS; i++)
			MixedScalar(i, s);
		return a;
	}();
	return a;
}

const std::vector<std::string>& Keys()
{
	static std::vector<std::string> k = [] {
		std::vector<std::string> k;
		for(int i = 0; i < MAP_ENTRIES; i++)
			k.push_back(MapKey(i));
		return k;
	}();
	return k;
}

json Build()
{
	json m = json::object();
	const std::vector<std::string>& k = Keys();
	for(int i = 0; i < (int)k.size(); i++)
		m[k[i]] = i;
	return m;
}

void MapBuild(benchmark::State& state)
{
	Keys();
	// Once: later runs would reuse what earlier ones freed.
	static const long peak = PeakKbOf([] { json m = Build(); benchmark::DoNotOptimize(m); });
	state.counters["peak_kb"] = double(peak);
	for(auto _ : state) {
		json m = Build();
		benchmark::DoNotOptimize(m);
	}
	state.counters["ns_per_entry"] =
		benchmark::Counter(double(MAP_ENTRIES), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(MapBuild)->Name("MapBuild/nlohmann")->Unit(benchmark::kMillisecond);

void MapRead(benchmark::State& state)
{
	json m = Build();
	for(auto _ : state) {
		int64_t sum = 0;
		for(auto it = m.begin(); it != m.end(); ++it)
			sum += it.key().size() + it.value().get<int>();
		benchmark::DoNotOptimize(sum);
	}
	state.SetItemsProcessed(state.iterations() * MAP_ENTRIES);
}
BENCHMARK(MapRead)->Name("MapRead/nlohmann")->Unit(benchmark::kMicrosecond);

void MapLookup(benchmark::State& state)
{
	std::unordered_map<std::string, Qel::Value> m;
	const std::vector<std::string>& k = Keys();
	for(int i = 0; i < (int)k.size(); i++)
		m.emplace(k[i], Qel::Value(i));
	std::vector<std::string> keys;
	for(int i = 0; i < MAP_ENTRIES; i++)
		keys.push_back(k[LookupOrder(i)]);
	for(auto _ : state) {
		int64_t sum = 0;
		for(const std::string& key : keys)
			sum += m.find(key)->second.ToInt();
		benchmark::DoNotOptimize(sum);
	}
	state.SetItemsProcessed(state.iterations() * MAP_ENTRIES);
}
BENCHMARK(MapLookup)->Name("MapLookup/std")->Unit(benchmark::kMicrosecond);

void ArrayStore(benchmark::State& state)
{
	const json& a = Mixed();
	size_t bytes = 0;
	for(auto _ : state) {
		std::vector<std::uint8_t> r = json::to_msgpack(a);
		bytes = r.size();
		benchmark::DoNotOptimize(r.data());
	}
	state.counters["bytes"] = double(bytes);
	state.SetItemsProcessed(state.iterations() * SCALARS);
}
BENCHMARK(ArrayStore)->Name("ArrayStore/nlohmann-msgpack")->Unit(benchmark::kMillisecond);

void ArrayLoad(benchmark::State& state)
{
	std::vector<std::uint8_t> data = json::to_msgpack(Mixed());
	for(auto _ : state) {
		json a = json::from_msgpack(data);
		if(a.size() != size_t(SCALARS))
			state.SkipWithError("load failed");
		benchmark::DoNotOptimize(a);
	}
	state.SetItemsProcessed(state.iterations() * SCALARS);
}
BENCHMARK(ArrayLoad)->Name("ArrayLoad/nlohmann-msgpack")->Unit(benchmark::kMillisecond);

} // namespace
