// MakeValue hits from 1 and 8 threads; the peer (valuecache_peer.cpp) is a std::unordered_map
// with a std::list for the recency order under one std::mutex.
#include <Core/Core.h>

#include <benchmark/benchmark.h>

using namespace Qel;

namespace {

constexpr int KEYS = 1000;

struct BenchMaker : ValueMaker {
	const String& key;
	explicit BenchMaker(const String& key) : key(key) {}
	String Key() const override          { return key; }
	int    Make(Value& v) const override { v = "value of " + key; return 64; }
};

const Vector<String>& sKeys()
{
	static Vector<String> keys = [] {
		Vector<String> k;
		for(int i = 0; i < KEYS; i++)
			k.Add("glyph-key-" + FormatInt64(i * 7919));
		for(const String& s : k)
			MakeValue(BenchMaker(s));
		return k;
	}();
	return keys;
}

void Hits(benchmark::State& state)
{
	const Vector<String>& keys = sKeys();
	int i = int(state.thread_index()) * 97;
	int64 len = 0;
	for(auto _ : state) {
		Value v = MakeValue(BenchMaker(keys[i]));
		len += v.ToString().GetLength();
		if(++i == KEYS)
			i = 0;
	}
	benchmark::DoNotOptimize(len);
	state.SetItemsProcessed(state.iterations());
}

} // namespace

BENCHMARK(Hits)->Name("MakeValueHit/Qel")->Threads(1)->Threads(8)->UseRealTime();
