// The peer of valuecache.cpp: a least-recently-used cache of made values built from
// std::unordered_map and std::list under one std::mutex, keyed like the value cache by the
// maker's key and class.
#include <benchmark/benchmark.h>

#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <typeinfo>
#include <unordered_map>
#include <vector>

namespace {

constexpr int KEYS = 1000;

struct Maker {
	virtual std::string Key() const = 0;
	virtual int Make(std::shared_ptr<const std::string>& v) const = 0;
	virtual ~Maker() = default;
};

struct BenchMaker : Maker {
	const std::string& key;
	explicit BenchMaker(const std::string& key) : key(key) {}
	std::string Key() const override { return key; }
	int Make(std::shared_ptr<const std::string>& v) const override
	{
		v = std::make_shared<const std::string>("value of " + key);
		return 64;
	}
};

class StdLru {
	struct Entry {
		std::string                        key;
		std::shared_ptr<const std::string> value;
		long long                          size;
	};
	std::list<Entry> order; // most recent first
	std::unordered_map<std::string, std::list<Entry>::iterator> map;
	std::mutex lock;
	long long  total = 0;
	long long  maxsize = 1ll << 40;

public:
	std::shared_ptr<const std::string> Get(const Maker& m)
	{
		std::string key = m.Key();
		key += '\0';
		key += typeid(m).name();
		{
			std::lock_guard<std::mutex> g(lock);
			auto q = map.find(key);
			if(q != map.end()) {
				order.splice(order.begin(), order, q->second);
				return q->second->value;
			}
		}
		std::shared_ptr<const std::string> v;
		long long size = m.Make(v) + 132;
		std::lock_guard<std::mutex> g(lock);
		order.push_front(Entry{key, v, size});
		map[key] = order.begin();
		total += size;
		while(total > maxsize && !order.empty()) {
			total -= order.back().size;
			map.erase(order.back().key);
			order.pop_back();
		}
		return v;
	}
};

StdLru& sCache()
{
	static StdLru c;
	return c;
}

const std::vector<std::string>& sKeys()
{
	static std::vector<std::string> keys = [] {
		std::vector<std::string> k;
		for(int i = 0; i < KEYS; i++)
			k.push_back("glyph-key-" + std::to_string(i * 7919));
		for(const std::string& s : k)
			sCache().Get(BenchMaker(s));
		return k;
	}();
	return keys;
}

void Hits(benchmark::State& state)
{
	const std::vector<std::string>& keys = sKeys();
	int i = int(state.thread_index()) * 97;
	long long len = 0;
	for(auto _ : state) {
		std::shared_ptr<const std::string> v = sCache().Get(BenchMaker(keys[i]));
		len += (long long)v->size();
		if(++i == KEYS)
			i = 0;
	}
	benchmark::DoNotOptimize(len);
	state.SetItemsProcessed(state.iterations());
}

} // namespace

BENCHMARK(Hits)->Name("MakeValueHit/std")->Threads(1)->Threads(8)->UseRealTime();
