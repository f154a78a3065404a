// Jsonize of 100k objects of 20 members each into a Value tree and back. Its peer,
// nlohmann-json's to_json/from_json on the same objects, runs in bench_jsonize_peer: it allocates
// with operator new and so must not run on Qel's heap. Both programs check the round trip.
#include <Core/Core.h>

#include <benchmark/benchmark.h>

using namespace Qel;

namespace {

constexpr int OBJECTS = 100000;

struct Rec {
	using Relocatable = void;
	int    i1, i2, i3, i4;
	double d1, d2, d3, d4;
	bool   b1, b2;
	int64  l1, l2;
	String s1, s2, s3, s4;
	Date   date;
	Time   time;
	int16  h1;
	String s5;

	void Jsonize(JsonIO& io)
	{
		io("i1", i1)("i2", i2)("i3", i3)("i4", i4)("d1", d1)("d2", d2)("d3", d3)("d4", d4)
		  ("b1", b1)("b2", b2)("l1", l1)("l2", l2)("s1", s1)("s2", s2)("s3", s3)("s4", s4)
		  ("date", date)("time", time)("h1", h1)("s5", s5);
	}
	bool operator==(const Rec& b) const
	{
		return i1 == b.i1 && i2 == b.i2 && i3 == b.i3 && i4 == b.i4 && d1 == b.d1 && d2 == b.d2 &&
		       d3 == b.d3 && d4 == b.d4 && b1 == b.b1 && b2 == b.b2 && l1 == b.l1 && l2 == b.l2 &&
		       s1 == b.s1 && s2 == b.s2 && s3 == b.s3 && s4 == b.s4 && date == b.date &&
		       time == b.time && h1 == b.h1 && s5 == b.s5;
	}
};

const Vector<Rec>& Recs()
{
	static Vector<Rec> v = [] {
		Vector<Rec> r;
		for(int i = 0; i < OBJECTS; i++) {
			Rec& x = r.Add();
			x.i1 = i; x.i2 = -i; x.i3 = i * 7; x.i4 = i % 100;
			x.d1 = i * 0.5; x.d2 = i / 3.0; x.d3 = -i * 1.25; x.d4 = 1e10 + i;
			x.b1 = i & 1; x.b2 = i & 2;
			x.l1 = int64(i) << 20; x.l2 = -int64(i) * 1000003;
			x.s1 = "short"; x.s2 = "a somewhat longer text value"; x.s3 = Format("name%d", i);
			x.s4 = ""; x.s5 = "x";
			x.date = Date(2000 + i % 50, 1 + i % 12, 1 + i % 28);
			x.time = Time(2000 + i % 50, 1 + i % 12, 1 + i % 28, i % 24, i % 60, i % 59);
			x.h1 = int16(i % 30000);
		}
		return r;
	}();
	return v;
}

Value Store(Vector<Rec>& v)
{
	JsonIO io;
	Jsonize(io, v);
	return io.GetResult();
}

void Store(benchmark::State& state)
{
	Vector<Rec> v = Recs();
	for(auto _ : state)
		benchmark::DoNotOptimize(Store(v));
	state.SetItemsProcessed(state.iterations() * OBJECTS);
}

void Load(benchmark::State& state)
{
	Vector<Rec> v = Recs();
	Value tree = Store(v);
	Vector<Rec> back;
	{
		JsonIO io(tree);
		Jsonize(io, back);
	}
	if(!(back == v)) {
		state.SkipWithError("round trip differs");
		return;
	}
	for(auto _ : state) {
		JsonIO io(tree);
		Jsonize(io, back);
	}
	state.SetItemsProcessed(state.iterations() * OBJECTS);
}

} // namespace

BENCHMARK(Store)->Name("Store/Qel")->Unit(benchmark::kMillisecond);
BENCHMARK(Load)->Name("Load/Qel")->Unit(benchmark::kMillisecond);
