// Keys shared by bench_containers and bench_containers_peer, so both sides look up the same data.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace bench {

constexpr int KEYS = 1000000;

// Keys present in the tables, and as many that are not.
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

inline const IntKeys& Keys()
{
	static IntKeys k;
	return k;
}

inline std::string TextKey(int k)
{
	char b[32];
	snprintf(b, sizeof(b), "key:%d", k);
	return b;
}

// One pass over the keys looks up each once.
template <class K, class F>
void Lookups(benchmark::State& state, const K& keys, F find)
{
	size_t n = keys.size(), i = 0;
	int64_t found = 0;
	for(auto _ : state) {
		found += find(keys[i]);
		if(++i == n)
			i = 0;
	}
	benchmark::DoNotOptimize(found);
	state.SetItemsProcessed(state.iterations());
}

} // namespace bench
