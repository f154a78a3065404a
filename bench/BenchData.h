// Data shared by a benchmark program and its peer program, so both sides work on the same input.
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

inline const std::vector<double>& Weights() // values as the application shows them: [0, 1e6)
{
	static std::vector<double> v = [] {
		std::mt19937_64 rng(1);
		std::vector<double> r;
		for(int i = 0; i < 1024; i++)
			r.push_back(std::uniform_real_distribution<double>(0, 1e6)(rng) * (i % 3 ? 1 : 35.27396195 / 1e3));
		return r;
	}();
	return v;
}

// A zero-terminated text of the given length (at most 1023).
inline const char* Text(int len)
{
	static char text[1024];
	for(int i = 0; i < 1023; i++)
		text[i] = (char)('a' + i * 7 % 26);
	return text + 1023 - len;
}

} // namespace bench
