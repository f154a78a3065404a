// The peer of bench_jsonize: nlohmann-json's to_json/from_json of 100k objects of 20 members,
// the same objects as on Qel's side, with the dates and times as the same texts.
#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int OBJECTS = 100000;

struct Rec {
	int         i1, i2, i3, i4;
	double      d1, d2, d3, d4;
	bool        b1, b2;
	int64_t     l1, l2;
	std::string s1, s2, s3, s4;
	std::string date;
	std::string time;
	int16_t     h1;
	std::string s5;
	bool operator==(const Rec&) const = default;
};

void to_json(nlohmann::json& j, const Rec& x)
{
	j = nlohmann::json{ { "i1", x.i1 }, { "i2", x.i2 }, { "i3", x.i3 }, { "i4", x.i4 },
	                    { "d1", x.d1 }, { "d2", x.d2 }, { "d3", x.d3 }, { "d4", x.d4 },
	                    { "b1", x.b1 }, { "b2", x.b2 }, { "l1", x.l1 }, { "l2", x.l2 },
	                    { "s1", x.s1 }, { "s2", x.s2 }, { "s3", x.s3 }, { "s4", x.s4 },
	                    { "date", x.date }, { "time", x.time }, { "h1", x.h1 }, { "s5", x.s5 } };
}

void from_json(const nlohmann::json& j, Rec& x)
{
	j.at("i1").get_to(x.i1); j.at("i2").get_to(x.i2); j.at("i3").get_to(x.i3); j.at("i4").get_to(x.i4);
	j.at("d1").get_to(x.d1); j.at("d2").get_to(x.d2); j.at("d3").get_to(x.d3); j.at("d4").get_to(x.d4);
	j.at("b1").get_to(x.b1); j.at("b2").get_to(x.b2); j.at("l1").get_to(x.l1); j.at("l2").get_to(x.l2);
	j.at("s1").get_to(x.s1); j.at("s2").get_to(x.s2); j.at("s3").get_to(x.s3); j.at("s4").get_to(x.s4);
	j.at("date").get_to(x.date); j.at("time").get_to(x.time); j.at("h1").get_to(x.h1);
	j.at("s5").get_to(x.s5);
}

const std::vector<Rec>& Recs()
{
	static std::vector<Rec> v = [] {
		std::vector<Rec> r(OBJECTS);
		char h[64];
		for(int i = 0; i < OBJECTS; i++) {
			Rec& x = r[i];
			x.i1 = i; x.i2 = -i; x.i3 = i * 7; x.i4 = i % 100;
			x.d1 = i * 0.5; x.d2 = i / 3.0; x.d3 = -i * 1.25; x.d4 = 1e10 + i;
			x.b1 = i & 1; x.b2 = i & 2;
			x.l1 = int64_t(i) << 20; x.l2 = -int64_t(i) * 1000003;
			x.s1 = "short"; x.s2 = "a somewhat longer text value"; x.s3 = "name" + std::to_string(i);
			x.s4 = ""; x.s5 = "x";
			snprintf(h, sizeof(h), "%04d-%02d-%02d", 2000 + i % 50, 1 + i % 12, 1 + i % 28);
			x.date = h;
			snprintf(h, sizeof(h), "%04d-%02d-%02dT%02d:%02d:%02d", 2000 + i % 50, 1 + i % 12,
			         1 + i % 28, i % 24, i % 60, i % 59);
			x.time = h;
			x.h1 = int16_t(i % 30000);
		}
		return r;
	}();
	return v;
}

void Store(benchmark::State& state)
{
	const std::vector<Rec>& v = Recs();
	for(auto _ : state) {
		nlohmann::json j = v;
		benchmark::DoNotOptimize(j);
	}
	state.SetItemsProcessed(state.iterations() * OBJECTS);
}

void Load(benchmark::State& state)
{
	const std::vector<Rec>& v = Recs();
	nlohmann::json j = v;
	std::vector<Rec> back = j.get<std::vector<Rec>>();
	if(back != v) {
		state.SkipWithError("round trip differs");
		return;
	}
	for(auto _ : state) {
		back = j.get<std::vector<Rec>>();
		benchmark::DoNotOptimize(back);
	}
	state.SetItemsProcessed(state.iterations() * OBJECTS);
}

} // namespace

BENCHMARK(Store)->Name("Store/nlohmann")->Unit(benchmark::kMillisecond);
BENCHMARK(Load)->Name("Load/nlohmann")->Unit(benchmark::kMillisecond);
